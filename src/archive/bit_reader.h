// Bit input of the Huffman-coded methods over a Source: most significant bit first (BZip2) or
// least significant first (Deflate64). Past the end of the input it reads zero bits and remembers
// that it did, so a decoder can run its inner loops without end checks and tell afterwards
// whether it used bits that were never there.
#pragma once

#include <algorithm>

#include "archive/coder.h"

namespace qmb::sevenzip {

template <bool kMsbFirst>
class BitReader {
 public:
  explicit BitReader(std::unique_ptr<Source> input) : in_(std::move(input), 1 << 16) {}

  // At least 57 bits available after this call.
  void Refill() {
    while (count_ <= 56) {
      uint8_t byte = 0;
      if (!in_.NextByte(byte)) missing_ += 8;
      if constexpr (kMsbFirst)
        bits_ |= uint64_t(byte) << (56 - count_);
      else
        bits_ |= uint64_t(byte) << count_;
      count_ += 8;
    }
  }

  // The next n bits (n <= 32) without using them, in stream order: the first bit is the top
  // bit (kMsbFirst) or bit 0. Needs Refill first.
  uint32_t Peek(unsigned n) const {
    if constexpr (kMsbFirst)
      return static_cast<uint32_t>(bits_ >> (64 - n));
    else
      return static_cast<uint32_t>(bits_ & ((uint64_t(1) << n) - 1));
  }
  void Skip(unsigned n) {
    if constexpr (kMsbFirst)
      bits_ <<= n;
    else
      bits_ >>= n;
    count_ -= n;
  }
  // n <= 32 bits as a number (for kMsbFirst the first bit is the most significant).
  uint32_t Read(unsigned n) {
    if (count_ < n) Refill();
    const uint32_t value = n == 0 ? 0 : Peek(n);
    Skip(n);
    return value;
  }
  void AlignToByte() { Skip(count_ % 8); }
  unsigned available() const { return count_; }

  // True once bits past the end of the input were used: the stream is truncated.
  bool Overrun() const { return missing_ > count_; }
  // True when the input ended and every real bit was used.
  bool Exhausted() {
    if (count_ > missing_) return false;
    uint8_t byte = 0;
    if (missing_ > 0 || !in_.NextByte(byte)) return true;
    // A byte arrived after the last real bits (none were missing): keep it.
    bits_ = kMsbFirst ? uint64_t(byte) << 56 : byte;
    count_ = 8;
    return false;
  }
  // What a decoder reports when the stream cannot go on: the input's read error if there was
  // one, otherwise damaged data.
  Status Failure() const { return in_.status() != Status::kOk ? in_.status() : Status::kDataError; }
  // A read error of the input (as opposed to its end).
  Status status() const { return in_.status(); }

 private:
  InputBuffer in_;
  uint64_t bits_ = 0;
  unsigned count_ = 0;    // bits held in bits_
  uint64_t missing_ = 0;  // zero bits fed past the end of the input
};

}  // namespace qmb::sevenzip
