// The PPMd variant H context model as 7z's PPMd method uses it, with the range decoder of that
// method. The model lives in one block of memory whose size the stream's properties give: text
// at the bottom, 12-byte units of contexts and symbol statistics above it, handed out and glued
// back together by the model's own allocator. Every detail of the allocator and of the updates
// decides the probabilities the encoder used, so they follow the variant H rules to the bit.
#pragma once

#include <cstdint>

#include "archive/coder.h"
#include "archive/large_block.h"

namespace qmb::sevenzip::ppmd {

struct State;
struct Context;

// The 7z flavour of the range decoder PPMd codes with.
class RangeDecoder {
 public:
  explicit RangeDecoder(InputBuffer& in) : in_(in) {}
  // False when the stream does not start like one.
  bool Init();
  uint32_t GetThreshold(uint32_t total) { return code_ / (range_ /= total); }
  void Decode(uint32_t start, uint32_t size) {
    code_ -= start * range_;
    range_ *= size;
    Normalize();
  }
  // 0 with probability size0 / total.
  unsigned DecodeBit(uint32_t size0, uint32_t total) {
    const uint32_t bound = (range_ / total) * size0;
    unsigned bit = 0;
    if (code_ < bound) {
      range_ = bound;
    } else {
      code_ -= bound;
      range_ -= bound;
      bit = 1;
    }
    Normalize();
    return bit;
  }
  // True once the decoder needed bytes past the end of its input.
  bool overrun() const { return overrun_; }

 private:
  void Normalize() {
    if (range_ < kTop) {
      code_ = code_ << 8 | NextByte();
      range_ <<= 8;
      if (range_ < kTop) {
        code_ = code_ << 8 | NextByte();
        range_ <<= 8;
      }
    }
  }
  uint32_t NextByte() {
    uint8_t byte = 0;
    if (!in_.NextByte(byte)) overrun_ = true;
    return byte;
  }

  static constexpr uint32_t kTop = 1u << 24;
  InputBuffer& in_;
  uint32_t range_ = 0xFFFFFFFFu;
  uint32_t code_ = 0;
  bool overrun_ = false;
};

class Model {
 public:
  static constexpr unsigned kMinOrder = 2, kMaxOrder = 64;
  static constexpr uint32_t kMinMemory = 1u << 11, kMaxMemory = 0xFFFFFFFFu - 12 * 3;

  Model();
  Model(const Model&) = delete;
  Model& operator=(const Model&) = delete;

  // Takes the model's memory (kMinMemory <= size <= kMaxMemory); false when it cannot be had.
  bool Allocate(uint32_t size);
  void Init(unsigned max_order);
  // Decodes size symbols into out; false when an end mark or data no encoder makes came first.
  bool DecodeSymbols(RangeDecoder& rc, uint8_t* out, size_t size);

 private:
  struct See {
    uint16_t summ;
    uint8_t shift;
    uint8_t count;
  };

  static constexpr unsigned kNumIndexes = 38, kUnitSize = 12, kMaxFreq = 124;

  // Memory references are 32-bit offsets from base_, whatever the pointer size.
  uint32_t Ref(const void* p) const { return static_cast<uint32_t>(static_cast<const uint8_t*>(p) - base_); }
  Context* Ctx(uint32_t ref) const;
  State* Stats(const Context* c) const;
  static State* OneState(Context* c);
  static uint32_t Successor(const State* s);
  static void SetSuccessor(State* s, uint32_t v);
  unsigned U2I(unsigned nu) const { return units_to_index_[nu - 1]; }
  unsigned I2U(unsigned index) const { return index_to_units_[index]; }

  // The allocator.
  void InsertNode(void* node, unsigned index);
  void* RemoveNode(unsigned index);
  void SplitBlock(void* ptr, unsigned old_index, unsigned new_index);
  void GlueFreeBlocks();
  void* AllocUnitsRare(unsigned index);
  void* AllocUnits(unsigned index);
  void* AllocContext();
  void* ShrinkUnits(void* old_ptr, unsigned old_nu, unsigned new_nu);

  // The model.
  void RestartModel();
  Context* CreateSuccessors(bool skip);
  void UpdateModel();
  void Rescale();
  void NextContext();
  void Update1();
  void Update1First();
  void Update2();
  void UpdateBin();
  // The run length counts on past 2^31 symbols as the encoder's 32-bit counter does: it wraps.
  void AddRun(unsigned n) { run_length_ = static_cast<int32_t>(static_cast<uint32_t>(run_length_) + n); }
  uint16_t* BinSumm();
  See* MakeEscFreq(unsigned num_masked, uint32_t& esc_freq);
  // The next symbol; -1 for the end mark, -2 for data no encoder makes.
  int DecodeSymbol(RangeDecoder& rc);

  LargeBlock memory_;
  uint8_t* base_ = nullptr;  // memory_'s bytes
  uint32_t size_ = 0;
  uint32_t align_offset_ = 0;

  Context* min_context_ = nullptr;
  Context* max_context_ = nullptr;
  State* found_state_ = nullptr;
  unsigned order_fall_ = 0, init_esc_ = 0, prev_success_ = 0, max_order_ = 0, hi_bits_flag_ = 0;
  int32_t run_length_ = 0, init_rl_ = 0;

  uint32_t glue_count_ = 0;
  uint8_t* lo_unit_ = nullptr;
  uint8_t* hi_unit_ = nullptr;
  uint8_t* text_ = nullptr;
  uint8_t* units_start_ = nullptr;
  uint32_t free_list_[kNumIndexes] = {};

  uint8_t index_to_units_[kNumIndexes];
  uint8_t units_to_index_[128];
  uint8_t ns_to_index_[256], ns_to_bs_index_[256], hb_to_flag_[256];
  See dummy_see_{}, see_[25][16];
  uint16_t bin_summ_[128][64];
};

}  // namespace qmb::sevenzip::ppmd
