// Canonical prefix-code tables for the bit-stream decoders (BZip2, Deflate64): the first
// kFastBits bits of a code are looked up directly, longer codes take a canonical walk. The table
// reads its bits as the stream's bit reader peeks them: most significant bit first, or (kReversed)
// first bit in bit 0, as Deflate packs its codes.
#pragma once

#include <cstdint>
#include <cstring>

namespace qmb::sevenzip {

template <unsigned kMaxBits, unsigned kFastBits, unsigned kMaxSymbols, bool kReversed>
class HuffmanTable {
  static_assert(kFastBits <= kMaxBits && kMaxBits <= 24 && kMaxSymbols <= 2048);

 public:
  // lengths[i] is the code length of symbol i, 0 when the symbol is unused. False when the
  // lengths are out of range or over-subscribed; an incomplete code is accepted and its unused
  // bit patterns decode as invalid.
  bool Build(const uint8_t* lengths, unsigned count) {
    if (count > kMaxSymbols) return false;
    unsigned counts[kMaxBits + 1] = {};
    for (unsigned i = 0; i < count; ++i) {
      if (lengths[i] > kMaxBits) return false;
      ++counts[lengths[i]];
    }
    counts[0] = 0;
    uint32_t code = 0;
    unsigned offset = 0;
    for (unsigned len = 1; len <= kMaxBits; ++len) {
      first_[len] = code;
      offset_[len] = offset;
      count_[len] = counts[len];
      code += counts[len];
      if (code > (1u << len)) return false;  // over-subscribed
      offset += counts[len];
      code <<= 1;
    }
    unsigned next[kMaxBits + 1];
    std::memcpy(next, offset_, sizeof next);
    for (unsigned i = 0; i < count; ++i)
      if (lengths[i] != 0) sorted_[next[lengths[i]]++] = static_cast<uint16_t>(i);
    std::memset(fast_, 0, sizeof fast_);
    for (unsigned len = 1; len <= kFastBits; ++len) {
      for (unsigned k = 0; k < count_[len]; ++k) {
        const uint32_t c = first_[len] + k;
        const uint16_t entry = static_cast<uint16_t>(sorted_[offset_[len] + k] << 5 | len);
        // Every table index whose leading len bits are this code.
        const unsigned fill = 1u << (kFastBits - len);
        if constexpr (kReversed) {
          const uint32_t rev = Reverse(c, len);
          for (unsigned j = 0; j < fill; ++j) fast_[rev | j << len] = entry;
        } else {
          const uint32_t base = c << (kFastBits - len);
          for (unsigned j = 0; j < fill; ++j) fast_[base | j] = entry;
        }
      }
    }
    return true;
  }

  // bits: the next kMaxBits bits of the stream (zeros past its end). Returns the symbol and sets
  // length to the code's length, or 0 for a bit pattern that is no code.
  unsigned Decode(uint32_t bits, unsigned& length) const {
    const uint16_t entry = kReversed ? fast_[bits & ((1u << kFastBits) - 1)] : fast_[bits >> (kMaxBits - kFastBits)];
    if (entry != 0) {
      length = entry & 31;
      return entry >> 5;
    }
    const uint32_t code = kReversed ? Reverse(bits, kMaxBits) : bits;
    for (unsigned len = kFastBits + 1; len <= kMaxBits; ++len) {
      const uint32_t prefix = code >> (kMaxBits - len);
      if (prefix - first_[len] < count_[len]) {
        length = len;
        return sorted_[offset_[len] + prefix - first_[len]];
      }
    }
    length = 0;
    return 0;
  }

 private:
  static uint32_t Reverse(uint32_t value, unsigned bits) {
    uint32_t out = 0;
    for (unsigned i = 0; i < bits; ++i, value >>= 1) out = out << 1 | (value & 1);
    return out;
  }

  uint16_t fast_[1u << kFastBits];  // symbol << 5 | length; 0 for longer codes
  uint32_t first_[kMaxBits + 1];    // first canonical code of each length
  unsigned offset_[kMaxBits + 1];   // where each length's symbols start in sorted_
  unsigned count_[kMaxBits + 1];
  uint16_t sorted_[kMaxSymbols];
};

}  // namespace qmb::sevenzip
