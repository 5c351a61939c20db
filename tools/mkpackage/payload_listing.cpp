// Payload listing. The range stream keeps the archive where it is: a payload of hundreds of
// megabytes is neither copied nor held in memory to read its header.
#include "payload_listing.h"

#include <fstream>

#include "archive/archive_reader.h"
#include "base/gbk_codec.h"

namespace qmb::mkpackage {
namespace {

class RangeStream : public sevenzip::InStream {
 public:
  RangeStream(const std::filesystem::path& path, uint64_t offset, uint64_t size)
      : in_(path, std::ios::binary), offset_(offset), size_(size) {}
  size_t Read(void* buffer, size_t size) override {
    const uint64_t left = pos_ < size_ ? size_ - pos_ : 0;
    if (size > left) size = static_cast<size_t>(left);
    in_.clear();
    in_.seekg(static_cast<std::streamoff>(offset_ + pos_));
    in_.read(static_cast<char*>(buffer), static_cast<std::streamsize>(size));
    const size_t got = static_cast<size_t>(in_.gcount());
    pos_ += got;
    return got;
  }
  bool Seek(uint64_t offset) override {
    if (offset > size_) return false;
    pos_ = offset;
    return true;
  }
  uint64_t Size() const override { return size_; }
  bool ok() const { return static_cast<bool>(in_); }

 private:
  std::ifstream in_;
  uint64_t offset_, size_, pos_ = 0;
};

}  // namespace

std::optional<std::vector<PayloadFile>> ListPayload(const std::filesystem::path& package,
                                                    uint64_t offset, uint64_t size,
                                                    const std::string& password_gbk,
                                                    std::string& error) {
  auto stream = std::make_unique<RangeStream>(package, offset, size);
  if (!stream->ok()) {
    error = "cannot read " + package.string();
    return std::nullopt;
  }
  sevenzip::Error failure;
  auto archive = sevenzip::Archive::Open(std::move(stream), GbkToUtf16(password_gbk), failure);
  if (!archive) {
    error = "the payload archive does not open with the package's \"safe\" password" +
            (failure.message.empty() ? std::string() : ": " + failure.message);
    return std::nullopt;
  }
  std::vector<PayloadFile> files;
  for (const sevenzip::Entry& e : archive->entries()) {
    const std::u16string& n = e.name;
    files.push_back({GbkToUtf8(Utf16ToGbk(n)), e.is_dir, e.size});
  }
  return files;
}

}  // namespace qmb::mkpackage
