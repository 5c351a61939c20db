// Helpers of the decoder tests: a Source over bytes that hands them out in small pieces, and
// reading a Source to its end in small pieces too, so every decoder's resumption is exercised.
#pragma once

#include <algorithm>
#include <string>

#include <gtest/gtest.h>

#include "archive/coder.h"

namespace qmb::sevenzip {

class BytesSource final : public Source {
 public:
  explicit BytesSource(std::string bytes, size_t piece = 3) : bytes_(std::move(bytes)), piece_(piece) {}
  Status Read(uint8_t* data, size_t size, size_t& got) override {
    got = std::min({size, piece_, bytes_.size() - pos_});
    std::copy_n(bytes_.data() + pos_, got, data);
    pos_ += got;
    return Status::kOk;
  }

 private:
  std::string bytes_;
  size_t piece_;
  size_t pos_ = 0;
};

inline std::unique_ptr<Source> Bytes(std::string bytes, size_t piece = 3) {
  return std::make_unique<BytesSource>(std::move(bytes), piece);
}

inline std::string ReadAll(Source& source, Status& status, size_t piece = 7) {
  std::string out;
  std::string buffer(piece, '\0');
  size_t got = 0;
  while ((status = source.Read(reinterpret_cast<uint8_t*>(buffer.data()), piece, got)) == Status::kOk && got > 0)
    out.append(buffer.data(), got);
  return out;
}

}  // namespace qmb::sevenzip
