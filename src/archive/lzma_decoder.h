// Our LZMA decoder core: range decoder, literal and match models, decoding into a circular window
// it owns. It decodes what LZMA and the LZMA2 chunk layer need: resets of the dictionary, the state
// and the properties between chunks, output up to a caller's limit, input in pieces of any size.
// A malformed stream is an error, never a read or write outside the window or the input.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "archive/large_block.h"

namespace qmb::sevenzip::lzma {

// lc, lp, pb from the first properties byte; false when the byte is out of range.
bool SplitProperties(uint8_t byte, unsigned& lc, unsigned& lp, unsigned& pb);

class Decoder {
 public:
  Decoder() = default;
  Decoder(const Decoder&) = delete;
  Decoder& operator=(const Decoder&) = delete;

  // window: bytes of history kept (the circular window's size); literal_bits: the largest lc + lp
  // the properties will use. False when the memory is not there.
  bool Allocate(size_t window, unsigned literal_bits);
  // False when lc + lp exceeds what Allocate made room for, or a value is out of range.
  bool SetProperties(unsigned lc, unsigned lp, unsigned pb);
  // Distances beyond the dictionary size are errors, as for the encoder they cannot exist.
  void SetDictionarySize(uint32_t size);
  // Starts a new range-coded run (five bytes of input first); a dictionary reset forgets all
  // history, a state reset the probabilities and distances. Both also apply the current properties.
  void Reset(bool dictionary, bool state);

  // Decodes into the window from pos() up to limit (pos() <= limit <= window_size()). in_size is
  // the input on entry and what was consumed on return; input is consumed in full unless the limit
  // was reached first (a short tail is kept inside for the next call). input_ends says no input
  // follows this piece: a symbol cut off by its end is an error, and only bytes actually used
  // count as consumed. False for a malformed stream.
  bool Decode(size_t limit, const uint8_t* in, size_t& in_size, bool input_ends);
  // Appends bytes stored without compression (at most limit - pos() of them).
  void Store(const uint8_t* data, size_t size);

  // The end marker was decoded: nothing more comes out.
  bool finished() const { return finished_; }
  uint8_t* window() { return window_.data(); }
  size_t window_size() const { return window_size_; }
  size_t pos() const { return pos_; }
  // Starts writing at the window's beginning again once it is full.
  void Wrap() {
    if (pos_ == window_size_) pos_ = 0;
  }

 private:
  template <bool kEdge>
  bool Run(const uint8_t*& in, const uint8_t* in_end, size_t out_limit);
  bool DecodeAtEdge(size_t limit, const uint8_t* in, size_t in_size, size_t& consumed, bool input_ends);
  void InitState();
  void CopyRemainder(size_t limit);

  // Longest input one symbol can take, and longest match.
  static constexpr size_t kMaxSymbolInput = 20;
  static constexpr size_t kMaxMatch = 273;
  // Bytes past a match's end that whole-chunk copies may write: the window keeps that many bytes
  // beyond the reachable history, and as much slack at its end.
  static constexpr size_t kCopySlack = 16;

  std::unique_ptr<uint16_t[]> probs_;
  // Matches read it at random over the whole dictionary: huge pages where the system has them.
  LargeBlock window_;
  size_t window_size_ = 0;  // circular size: history plus kCopySlack
  unsigned literal_bits_ = 0;
  unsigned lc_ = 0, lp_ = 0, pb_ = 0;
  uint32_t dictionary_ = 0;

  size_t pos_ = 0;
  size_t reach_ = 0;       // how far back a distance may point: bytes since the dictionary reset
  size_t reach_max_ = 0;   // ... bounded by the dictionary and the window
  uint32_t processed_ = 0; // position for the literal and pos-state bits, modulo 2^32
  uint32_t range_ = 0, code_ = 0;
  uint32_t reps_[4] = {1, 1, 1, 1};
  unsigned state_ = 0;
  unsigned remaining_ = 0;  // bytes of a match still to copy
  bool need_rc_init_ = true;
  bool need_state_init_ = true;
  bool finished_ = false;
  bool failed_ = false;
  // The tail of the input kept between calls, then zeros, so that a symbol at the input's end is
  // decoded without bounds checks on every byte.
  uint8_t tail_[64] = {};
  size_t tail_size_ = 0;
};

}  // namespace qmb::sevenzip::lzma
