// The header's primitive reads, each bounded by what is left of the buffer.
#include "archive/sz_byte_reader.h"

namespace qmb::sevenzip {

uint8_t ByteReader::Byte() {
  if (pos_ >= size_) {
    failed_ = true;
    return 0;
  }
  return data_[pos_++];
}

uint64_t ByteReader::Number() {
  const uint8_t first = Byte();
  uint64_t value = 0;
  uint8_t mask = 0x80;
  for (int i = 0; i < 8; ++i, mask >>= 1) {
    if ((first & mask) == 0) return value | (uint64_t(first & (mask - 1)) << (8 * i));
    value |= uint64_t(Byte()) << (8 * i);
  }
  return value;
}

uint32_t ByteReader::UInt32() {
  uint32_t value = 0;
  for (int i = 0; i < 4; ++i) value |= uint32_t(Byte()) << (8 * i);
  return value;
}

uint64_t ByteReader::UInt64() {
  uint64_t value = 0;
  for (int i = 0; i < 8; ++i) value |= uint64_t(Byte()) << (8 * i);
  return value;
}

const uint8_t* ByteReader::Take(uint64_t n) {
  if (n > remaining()) {
    failed_ = true;
    pos_ = size_;
    return nullptr;
  }
  const uint8_t* p = data_ + pos_;
  pos_ += static_cast<size_t>(n);
  return p;
}

uint64_t ByteReader::Count(bool bits) {
  const uint64_t n = Number();
  const uint64_t limit = bits ? uint64_t(remaining()) * 8 + 8 : remaining();
  if (n > limit) {
    failed_ = true;
    return 0;
  }
  return n;
}

}  // namespace qmb::sevenzip
