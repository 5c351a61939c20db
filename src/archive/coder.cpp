// Shared pieces of the decoders: full reads and the input buffer.
#include "archive/coder.h"

#include <algorithm>

namespace qmb::sevenzip {

Status ReadFull(Source& source, uint8_t* data, size_t size, size_t& got) {
  got = 0;
  while (got < size) {
    size_t n = 0;
    Status status = source.Read(data + got, size - got, n);
    if (status != Status::kOk) return status;
    if (n == 0) break;
    got += n;
  }
  return Status::kOk;
}

InputBuffer::InputBuffer(std::unique_ptr<Source> source, size_t capacity)
    : source_(std::move(source)), buffer_(capacity) {}

bool InputBuffer::Fill(Status& status) {
  if (pos_ < end_) return true;
  size_t n = 0;
  status = source_->Read(buffer_.data(), buffer_.size(), n);
  if (status != Status::kOk) return false;
  pos_ = 0;
  end_ = n;
  return true;
}

bool InputBuffer::Reload() {
  if (ended_) return false;
  if (!Fill(status_) || available() == 0) ended_ = true;
  return !ended_;
}

uint64_t DictionaryBufferSize(uint64_t dictionary, uint64_t out_size) {
  // A small floor keeps the decoder's wrap-around logic away from degenerate buffers.
  return std::max<uint64_t>(std::min(dictionary, out_size), 1u << 12);
}

}  // namespace qmb::sevenzip
