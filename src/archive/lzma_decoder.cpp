// The LZMA decoder core. The hot loop keeps the range coder, the window position and the distances in
// locals and runs while a whole symbol's input and a whole match's output are available, so it needs
// no bounds checks; near either end one symbol at a time is decoded from a zero-padded copy of the
// input's tail with the output cut at the caller's limit.
#include "archive/lzma_decoder.h"

#include <algorithm>
#include <cstring>
#include <new>

#if defined(__GNUC__)
#define QMB_LZMA_INLINE inline __attribute__((always_inline))
#else
#define QMB_LZMA_INLINE inline
#endif

namespace qmb::sevenzip::lzma {
namespace {

constexpr uint32_t kTop = 1u << 24;
constexpr unsigned kProbBits = 11;
constexpr uint32_t kProbInit = 1u << (kProbBits - 1);
constexpr unsigned kMoveBits = 5;
constexpr unsigned kLiteralSize = 0x300;
constexpr uint32_t kMinDictionary = 1u << 12;

// Probability block: the models most symbols touch come first and together.
constexpr size_t kIsMatch = 0;                       // [state << 4 | pos state]
constexpr size_t kIsRep0Long = kIsMatch + (12 << 4);  // [state << 4 | pos state]
constexpr size_t kIsRep = kIsRep0Long + (12 << 4);
constexpr size_t kIsRepG0 = kIsRep + 12;
constexpr size_t kIsRepG1 = kIsRepG0 + 12;
constexpr size_t kIsRepG2 = kIsRepG1 + 12;
// A length coder: choice, choice 2, low [pos state << 3], mid [pos state << 3], high.
constexpr size_t kLenLow = 2, kLenMid = kLenLow + (16 << 3), kLenHigh = kLenMid + (16 << 3);
constexpr size_t kLenSize = kLenHigh + 256;
constexpr size_t kLenCoder = kIsRepG2 + 12;
constexpr size_t kRepLenCoder = kLenCoder + kLenSize;
constexpr size_t kPosSlot = kRepLenCoder + kLenSize;  // [min(len, 3) << 6]
constexpr size_t kSpecPos = kPosSlot + (4 << 6);
constexpr size_t kAlign = kSpecPos + 128 - 14;
// Literal coders start on a cache line of their own.
constexpr size_t kLiteral = (kAlign + 16 + 31) & ~size_t(31);

constexpr uint8_t kLiteralNextState[12] = {0, 0, 0, 0, 1, 2, 3, 4, 5, 6, 4, 5};

struct RangeDecoder {
  uint32_t range;
  uint32_t code;
  const uint8_t* in;

  QMB_LZMA_INLINE void Normalize() {
    if (range < kTop) {
      range <<= 8;
      code = (code << 8) | *in++;
    }
  }

  // The same without a branch: the next input byte is always there to read (the fast loop's
  // margin, the zero-padded tail) and is taken only when the range needs it.
  QMB_LZMA_INLINE void NormalizeFlat() {
    const unsigned shift = range < kTop ? 8 : 0;
    range <<= shift;
    code = (code << shift) | (*in & (0xFFu >> (8 - shift)));
    in += shift >> 3;
  }

  QMB_LZMA_INLINE unsigned Bit(uint16_t& prob) {
    const uint32_t p = prob;
    const uint32_t bound = (range >> kProbBits) * p;
    unsigned bit;
    if (code < bound) {
      range = bound;
      prob = static_cast<uint16_t>(p + (((1u << kProbBits) - p) >> kMoveBits));
      bit = 0;
    } else {
      range -= bound;
      code -= bound;
      prob = static_cast<uint16_t>(p - (p >> kMoveBits));
      bit = 1;
    }
    Normalize();
    return bit;
  }

  // The same without a branch, for the bits of literals, which are hard to predict. The update for a
  // 0 bit, p + ((2048 - p) >> 5), equals p - ((p - 2017) >> 5) with an arithmetic shift.
  QMB_LZMA_INLINE unsigned BitFlat(uint16_t& prob) {
    const uint32_t p = prob;
    const uint32_t bound = (range >> kProbBits) * p;
    const unsigned bit = code >= bound;
    const uint32_t mask = 0u - bit;
    range = bit ? range - bound : bound;
    code -= bound & mask;
    prob = static_cast<uint16_t>(p - static_cast<uint32_t>(static_cast<int32_t>(p - (~mask & 2017u)) >> kMoveBits));
    NormalizeFlat();
    return bit;
  }

  template <unsigned kBits>
  QMB_LZMA_INLINE unsigned Tree(uint16_t* probs) {
    unsigned m = 1;
#pragma GCC unroll 8
    for (unsigned i = 0; i < kBits; ++i) m = (m << 1) | Bit(probs[m]);
    return m - (1u << kBits);
  }

  QMB_LZMA_INLINE unsigned Literal(uint16_t* probs) {
    unsigned symbol = 1;
#pragma GCC unroll 8
    for (int i = 0; i < 8; ++i) symbol = (symbol << 1) | BitFlat(probs[symbol]);
    return symbol & 0xFF;
  }

  // A literal after a match: while its bits agree with the byte at rep0, a separate set of
  // probabilities is used, chosen by the match byte's bit.
  QMB_LZMA_INLINE unsigned MatchedLiteral(uint16_t* probs, unsigned match) {
    unsigned symbol = 1, offset = 0x100;
#pragma GCC unroll 8
    for (int i = 0; i < 8; ++i) {
      match <<= 1;
      const unsigned match_bit = match & offset;
      const unsigned bit = BitFlat(probs[offset + match_bit + symbol]);
      symbol = (symbol << 1) | bit;
      offset &= bit ? match_bit : ~match_bit;
    }
    return symbol & 0xFF;
  }

  // Match length minus 2.
  QMB_LZMA_INLINE unsigned Length(uint16_t* probs, unsigned pos_state) {
    if (!Bit(probs[0])) return Tree<3>(probs + kLenLow + (pos_state << 3));
    if (!Bit(probs[1])) return 8 + Tree<3>(probs + kLenMid + (pos_state << 3));
    return 16 + Tree<8>(probs + kLenHigh);
  }

  // Distance minus 1 for a match of length len + 2; 0xFFFFFFFF is the end marker.
  QMB_LZMA_INLINE uint32_t Distance(uint16_t* probs, unsigned len) {
    const unsigned slot = Tree<6>(probs + kPosSlot + ((len < 3 ? len : 3) << 6));
    if (slot < 4) return slot;
    unsigned direct = (slot >> 1) - 1;
    uint32_t distance = 2 | (slot & 1);
    if (slot < 14) {
      distance <<= direct;
      uint16_t* p = probs + kSpecPos + distance - slot - 1;
      unsigned m = 1;
      for (unsigned i = 0; i < direct; ++i) {
        const unsigned bit = Bit(p[m]);
        m = (m << 1) | bit;
        distance |= bit << i;
      }
      return distance;
    }
    for (direct -= 4; direct != 0; --direct) {
      range >>= 1;
      code -= range;
      const uint32_t mask = 0u - (code >> 31);  // all ones when the bit is 0
      distance = (distance << 1) + (mask + 1);
      code += range & mask;
      Normalize();
    }
    distance <<= 4;
    unsigned m = 1;
#pragma GCC unroll 4
    for (unsigned i = 0; i < 4; ++i) {
      const unsigned bit = Bit(probs[kAlign + m]);
      m = (m << 1) | bit;
      distance |= bit << i;
    }
    return distance;
  }
};

}  // namespace

bool SplitProperties(uint8_t byte, unsigned& lc, unsigned& lp, unsigned& pb) {
  if (byte >= 9 * 5 * 5) return false;
  lc = byte % 9;
  lp = (byte / 9) % 5;
  pb = byte / 45;
  return true;
}

bool Decoder::Allocate(size_t window, unsigned literal_bits) {
  if (literal_bits > 12 || window == 0 || window > SIZE_MAX - 4 * kCopySlack) return false;
  probs_.reset(new (std::nothrow) uint16_t[kLiteral + (size_t(kLiteralSize) << literal_bits)]);
  // Zeroed: the bytes a chunked copy reads beyond what was decoded are defined.
  if (!probs_ || !window_.AllocateZeroed(window + 2 * kCopySlack)) return false;
  literal_bits_ = literal_bits;
  window_size_ = window + kCopySlack;
  pos_ = 0;
  SetDictionarySize(dictionary_);
  Reset(true, true);
  return true;
}

bool Decoder::SetProperties(unsigned lc, unsigned lp, unsigned pb) {
  if (lc > 8 || lp > 4 || pb > 4 || lc + lp > literal_bits_) return false;
  lc_ = lc;
  lp_ = lp;
  pb_ = pb;
  return true;
}

void Decoder::SetDictionarySize(uint32_t size) {
  dictionary_ = size;
  const size_t history = window_size_ > kCopySlack ? window_size_ - kCopySlack : 0;
  reach_max_ = std::min<size_t>(std::max(size, kMinDictionary), history);
}

void Decoder::Reset(bool dictionary, bool state) {
  need_rc_init_ = true;
  remaining_ = 0;
  tail_size_ = 0;
  finished_ = false;
  if (dictionary) {
    processed_ = 0;
    reach_ = 0;
  }
  if (dictionary || state) need_state_init_ = true;
}

void Decoder::InitState() {
  std::fill_n(probs_.get(), kLiteral + (size_t(kLiteralSize) << (lc_ + lp_)), uint16_t(kProbInit));
  std::fill_n(reps_, 4, 1u);
  state_ = 0;
  need_state_init_ = false;
}

void Decoder::Store(const uint8_t* data, size_t size) {
  std::memcpy(window_.data() + pos_, data, size);
  pos_ += size;
  processed_ += static_cast<uint32_t>(size);
  reach_ = std::min(reach_ + size, reach_max_);
}

void Decoder::CopyRemainder(size_t limit) {
  if (remaining_ == 0 || pos_ >= limit) return;
  const size_t n = std::min<size_t>(remaining_, limit - pos_);
  uint8_t* dic = window_.data();
  size_t from = pos_ >= reps_[0] ? pos_ - reps_[0] : pos_ + window_size_ - reps_[0];
  for (size_t i = 0; i < n; ++i) {
    dic[pos_++] = dic[from];
    if (++from == window_size_) from = 0;
  }
  remaining_ -= static_cast<unsigned>(n);
  processed_ += static_cast<uint32_t>(n);
  reach_ = std::min(reach_ + n, reach_max_);
}

// kEdge: one symbol, its match cut at out_limit (the rest is left in remaining_). Otherwise symbols
// while the input is before in_end and the output before out_limit, which the caller set a whole
// symbol's input and a whole match's output before the real ends.
template <bool kEdge>
bool Decoder::Run(const uint8_t*& in, const uint8_t* in_end, size_t out_limit) {
  RangeDecoder rc{range_, code_, in};
  uint16_t* const probs = probs_.get();
  uint8_t* const dic = window_.data();
  const size_t window = window_size_;
  const size_t reach_max = reach_max_;
  const unsigned lc = lc_;
  const uint32_t lp_mask = (1u << lp_) - 1, pb_mask = (1u << pb_) - 1;
  size_t pos = pos_, reach = reach_;
  uint32_t processed = processed_;
  uint32_t rep0 = reps_[0], rep1 = reps_[1], rep2 = reps_[2], rep3 = reps_[3];
  unsigned state = state_;
  bool ok = true;

  do {
    const unsigned pos_state = processed & pb_mask;
    if (!rc.Bit(probs[kIsMatch + (state << 4) + pos_state])) {
      uint16_t* lit = probs + kLiteral;
      if (reach != 0) {
        const unsigned prev = dic[(pos != 0 ? pos : window) - 1];
        lit += kLiteralSize * (((processed & lp_mask) << lc) + (prev >> (8 - lc)));
      }
      unsigned byte;
      if (state < 7)
        byte = rc.Literal(lit);
      else
        byte = rc.MatchedLiteral(lit, dic[pos >= rep0 ? pos - rep0 : pos + window - rep0]);
      dic[pos++] = static_cast<uint8_t>(byte);
      ++processed;
      reach += reach < reach_max;
      state = kLiteralNextState[state];
      continue;
    }

    unsigned len;
    if (!rc.Bit(probs[kIsRep + state])) {
      len = rc.Length(probs + kLenCoder, pos_state);
      state = state < 7 ? 7 : 10;
      const uint32_t distance = rc.Distance(probs, len);
      if (distance == 0xFFFFFFFFu) {
        finished_ = true;
        ok = rc.code == 0;
        break;
      }
      rep3 = rep2;
      rep2 = rep1;
      rep1 = rep0;
      rep0 = distance + 1;
      if (rep0 > reach) {
        ok = false;
        break;
      }
    } else {
      if (reach == 0) {
        ok = false;
        break;
      }
      if (!rc.Bit(probs[kIsRepG0 + state])) {
        if (!rc.Bit(probs[kIsRep0Long + (state << 4) + pos_state])) {
          // One byte from rep0.
          state = state < 7 ? 9 : 11;
          dic[pos] = dic[pos >= rep0 ? pos - rep0 : pos + window - rep0];
          ++pos;
          ++processed;
          reach += reach < reach_max;
          continue;
        }
      } else {
        uint32_t distance;
        if (!rc.Bit(probs[kIsRepG1 + state])) {
          distance = rep1;
        } else {
          if (!rc.Bit(probs[kIsRepG2 + state])) {
            distance = rep2;
          } else {
            distance = rep3;
            rep3 = rep2;
          }
          rep2 = rep1;
        }
        rep1 = rep0;
        rep0 = distance;
      }
      len = rc.Length(probs + kRepLenCoder, pos_state);
      state = state < 7 ? 8 : 11;
    }

    len += 2;
    size_t from = pos >= rep0 ? pos - rep0 : pos + window - rep0;
    if (kEdge) {
      const size_t n = std::min<size_t>(len, out_limit - pos);
      remaining_ = static_cast<unsigned>(len - n);
      len = static_cast<unsigned>(n);
    }
    uint8_t* d = dic + pos;
    const uint8_t* s = dic + from;
    if (!kEdge && from + len <= window) {
      // Whole chunks may run up to 15 bytes past the match: the window keeps that slack, and no
      // distance reaches the bytes just ahead of the write position. A chunk never reads what it
      // writes while the distance is at least the chunk's size.
      if (rep0 >= 16) {
        for (size_t i = 0; i < len; i += 16) std::memcpy(d + i, s + i, 16);
      } else if (rep0 >= 8) {
        for (size_t i = 0; i < len; i += 8) std::memcpy(d + i, s + i, 8);
      } else if (rep0 == 1) {
        std::memset(d, *s, len);
      } else {
        for (size_t i = 0; i < len; ++i) d[i] = s[i];
      }
    } else {
      for (size_t i = 0; i < len; ++i) {
        d[i] = dic[from];
        if (++from == window) from = 0;
      }
    }
    pos += len;
    processed += len;
    reach = std::min(reach + len, reach_max);
  } while (!kEdge && rc.in < in_end && pos < out_limit);

  in = rc.in;
  range_ = rc.range;
  code_ = rc.code;
  pos_ = pos;
  reach_ = reach;
  processed_ = processed;
  reps_[0] = rep0;
  reps_[1] = rep1;
  reps_[2] = rep2;
  reps_[3] = rep3;
  state_ = state;
  return ok;
}

// One symbol near the input's end or the output's limit, decoded from the kept tail plus the next
// input bytes. False with consumed unchanged when more input is needed first; failed_ on bad data.
bool Decoder::DecodeAtEdge(size_t limit, const uint8_t* in, size_t in_size, size_t& consumed, bool input_ends) {
  const size_t take = std::min(in_size - consumed, kMaxSymbolInput - tail_size_);
  std::memcpy(tail_ + tail_size_, in + consumed, take);
  const size_t have = tail_size_ + take;
  if (have < kMaxSymbolInput && !input_ends) {
    tail_size_ = have;
    consumed += take;
    return false;
  }
  std::memset(tail_ + have, 0, sizeof tail_ - have);
  const uint8_t* p = tail_;
  if (!Run<true>(p, nullptr, limit)) {
    failed_ = true;
    return false;
  }
  const size_t used = static_cast<size_t>(p - tail_);
  if (used > have) {  // the symbol ran past the end of the input
    failed_ = true;
    return false;
  }
  if (used >= tail_size_) {
    consumed += used - tail_size_;
    tail_size_ = 0;
  } else {
    std::memmove(tail_, tail_ + used, tail_size_ - used);
    tail_size_ -= used;
  }
  return true;
}

bool Decoder::Decode(size_t limit, const uint8_t* in, size_t& in_size, bool input_ends) {
  const size_t size = in_size;
  size_t consumed = 0;
  in_size = 0;
  if (failed_) return false;
  CopyRemainder(limit);
  while (!finished_) {
    if (need_rc_init_) {
      while (tail_size_ < 5 && consumed < size) tail_[tail_size_++] = in[consumed++];
      if (tail_size_ < 5) {
        in_size = consumed;
        failed_ = input_ends;
        return !failed_;
      }
      if (tail_[0] != 0) return !(failed_ = true);
      code_ = uint32_t(tail_[1]) << 24 | uint32_t(tail_[2]) << 16 | uint32_t(tail_[3]) << 8 | tail_[4];
      range_ = 0xFFFFFFFFu;
      tail_size_ = 0;
      need_rc_init_ = false;
    }
    if (pos_ >= limit) break;
    if (need_state_init_) InitState();
    if (tail_size_ == 0 && size - consumed > kMaxSymbolInput && limit - pos_ > kMaxMatch) {
      const uint8_t* p = in + consumed;
      const bool ok = Run<false>(p, in + size - kMaxSymbolInput, limit - kMaxMatch);
      consumed = static_cast<size_t>(p - in);
      if (!ok) return !(failed_ = true);
      continue;
    }
    if (!DecodeAtEdge(limit, in, size, consumed, input_ends)) {
      if (failed_) return false;
      break;  // the rest of the input is kept for the next call
    }
  }
  in_size = consumed;
  return true;
}

}  // namespace qmb::sevenzip::lzma
