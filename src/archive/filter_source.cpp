// The pull stream around a Converter: keeps the unconverted tail of one read in front of the next.
#include <algorithm>
#include <cstring>

#include "archive/filter.h"

namespace qmb::sevenzip {
namespace {

class FilterSource final : public Source {
 public:
  FilterSource(std::unique_ptr<Converter> converter, std::unique_ptr<Source> input)
      : converter_(std::move(converter)), in_(std::move(input)), buffer_(1 << 18) {}

  Status Read(uint8_t* data, size_t size, size_t& got) override {
    got = 0;
    while (pos_ == ready_) {
      if (ended_ && ready_ == end_) return Status::kOk;
      // Move the unconverted tail to the front and top the buffer up.
      std::memmove(buffer_.data(), buffer_.data() + ready_, end_ - ready_);
      end_ -= ready_;
      pos_ = ready_ = 0;
      size_t n = 0;
      Status status = in_->Read(buffer_.data() + end_, buffer_.size() - end_, n);
      if (status != Status::kOk) return status;
      if (n == 0) ended_ = true;
      end_ += n;
      ready_ = ended_ ? end_ : converter_->Convert(buffer_.data(), end_);
    }
    got = std::min(size, ready_ - pos_);
    std::memcpy(data, buffer_.data() + pos_, got);
    pos_ += got;
    return Status::kOk;
  }

 private:
  std::unique_ptr<Converter> converter_;
  std::unique_ptr<Source> in_;
  std::vector<uint8_t> buffer_;
  size_t pos_ = 0;    // next byte to hand out
  size_t ready_ = 0;  // end of the converted bytes
  size_t end_ = 0;    // end of the bytes read
  bool ended_ = false;
};

}  // namespace

std::unique_ptr<Source> MakeFilterSource(std::unique_ptr<Converter> converter, std::unique_ptr<Source> input) {
  return std::make_unique<FilterSource>(std::move(converter), std::move(input));
}

}  // namespace qmb::sevenzip
