// Memory and concatenated input streams. A volume set is read as one stream: the parts follow each
// other, and a read that reaches the end of one part goes on in the next.
#include "archive/in_stream.h"

#include <algorithm>
#include <cstring>

namespace qmb::sevenzip {
namespace {

class Memory final : public InStream {
 public:
  explicit Memory(std::string bytes) : bytes_(std::move(bytes)) {}
  size_t Read(void* buffer, size_t size) override {
    if (pos_ >= bytes_.size()) return 0;
    size_t n = std::min<uint64_t>(size, bytes_.size() - pos_);
    std::memcpy(buffer, bytes_.data() + pos_, n);
    pos_ += n;
    return n;
  }
  bool Seek(uint64_t offset) override {
    if (offset > bytes_.size()) return false;
    pos_ = offset;
    return true;
  }
  uint64_t Size() const override { return bytes_.size(); }

 private:
  std::string bytes_;
  uint64_t pos_ = 0;
};

class Concat final : public InStream {
 public:
  explicit Concat(std::vector<std::unique_ptr<InStream>> parts) : parts_(std::move(parts)) {
    uint64_t start = 0;
    for (auto& part : parts_) {
      starts_.push_back(start);
      start += part->Size();
    }
    size_ = start;
  }
  size_t Read(void* buffer, size_t size) override {
    auto* out = static_cast<uint8_t*>(buffer);
    size_t done = 0;
    while (done < size && current_ < parts_.size()) {
      if (!positioned_) {
        if (!parts_[current_]->Seek(pos_ - starts_[current_])) return done;
        positioned_ = true;
      }
      size_t n = parts_[current_]->Read(out + done, size - done);
      if (n == 0) {
        // A part shorter than it claimed is a read error, not the end of the set.
        if (pos_ < starts_[current_] + parts_[current_]->Size()) return done;
        ++current_;
        positioned_ = false;
        continue;
      }
      done += n;
      pos_ += n;
    }
    return done;
  }
  bool Seek(uint64_t offset) override {
    if (offset > size_) return false;
    pos_ = offset;
    // The part holding the offset: the last one starting at or before it (skipping empty parts).
    current_ = parts_.size();
    for (size_t i = 0; i < parts_.size(); ++i) {
      if (offset < starts_[i] + parts_[i]->Size()) {
        current_ = i;
        break;
      }
    }
    positioned_ = false;
    return true;
  }
  uint64_t Size() const override { return size_; }

 private:
  std::vector<std::unique_ptr<InStream>> parts_;
  std::vector<uint64_t> starts_;
  uint64_t size_ = 0;
  uint64_t pos_ = 0;
  size_t current_ = 0;
  bool positioned_ = false;
};

}  // namespace

std::unique_ptr<InStream> MemoryStream(std::string bytes) {
  return std::make_unique<Memory>(std::move(bytes));
}

std::unique_ptr<InStream> ConcatStream(std::vector<std::unique_ptr<InStream>> parts) {
  return std::make_unique<Concat>(std::move(parts));
}

}  // namespace qmb::sevenzip
