// Raw Deflate through zlib's inflate, pulled chunk by chunk.
#include "archive/coder_deflate.h"

#include <zlib.h>

#include <algorithm>

namespace qmb::sevenzip {
namespace {

class DeflateDecoder final : public Source {
 public:
  explicit DeflateDecoder(std::unique_ptr<Source> input) : in_(std::move(input), 1 << 17) {
    ok_ = inflateInit2(&z_, -MAX_WBITS) == Z_OK;
  }
  ~DeflateDecoder() override {
    if (ok_) inflateEnd(&z_);
  }

  Status Read(uint8_t* data, size_t size, size_t& got) override {
    got = 0;
    if (!ok_) return Status::kDataError;
    while (got == 0 && size > 0 && !ended_) {
      Status status = Status::kOk;
      if (!in_.Fill(status)) return status;
      uInt in_size = static_cast<uInt>(std::min<size_t>(in_.available(), 1u << 30));
      z_.next_in = const_cast<Bytef*>(in_.data());
      z_.avail_in = in_size;
      z_.next_out = data;
      z_.avail_out = static_cast<uInt>(std::min<size_t>(size, 1u << 30));
      int rc = inflate(&z_, Z_NO_FLUSH);
      in_.Consume(in_size - z_.avail_in);
      got = static_cast<size_t>(z_.next_out - data);
      if (rc == Z_STREAM_END) {
        ended_ = true;
      } else if ((rc != Z_OK && rc != Z_BUF_ERROR) || (got == 0 && z_.avail_in == in_size)) {
        return Status::kDataError;  // damaged, or no progress: the input ended inside the stream
      }
    }
    return Status::kOk;
  }

 private:
  InputBuffer in_;
  z_stream z_{};
  bool ok_ = false;
  bool ended_ = false;
};

}  // namespace

std::unique_ptr<Source> MakeDeflateDecoder(std::unique_ptr<Source> input) {
  return std::make_unique<DeflateDecoder>(std::move(input));
}

}  // namespace qmb::sevenzip
