// Branch converters: executable code compresses better when relative branch targets are made
// absolute; these turn them back. Each converter keeps the stream offset of its next byte.
#include "archive/filter.h"

namespace qmb::sevenzip {
namespace {

// x86 CALL/JMP (E8/E9) with a 32-bit displacement; the mask remembers recent opcode bytes so
// that bytes inside a converted address are not taken for opcodes.
class X86Converter final : public Converter {
 public:
  explicit X86Converter(uint32_t ip) : ip_(ip) {}
  size_t Convert(uint8_t* data, size_t size) override {
    static constexpr bool kAllowed[8] = {true, true, true, false, true, false, false, false};
    static constexpr unsigned kBit[8] = {0, 1, 2, 2, 3, 3, 3, 3};
    auto is_ms_byte = [](uint8_t b) { return b == 0 || b == 0xFF; };
    if (size < 5) return 0;
    const uint32_t ip = ip_ + 5;
    size_t pos = 0, prev_pos = size_t(0) - 1;
    uint32_t mask = state_ & 7;
    for (;;) {
      uint8_t* p = data + pos;
      const uint8_t* limit = data + size - 4;
      while (p < limit && (*p & 0xFE) != 0xE8) ++p;
      pos = static_cast<size_t>(p - data);
      if (p >= limit) break;
      prev_pos = pos - prev_pos;
      if (prev_pos > 3) {
        mask = 0;
      } else {
        mask = (mask << (prev_pos - 1)) & 7;
        if (mask != 0) {
          uint8_t b = p[4 - kBit[mask]];
          if (!kAllowed[mask] || is_ms_byte(b)) {
            prev_pos = pos;
            mask = ((mask << 1) & 7) | 1;
            ++pos;
            continue;
          }
        }
      }
      prev_pos = pos;
      if (is_ms_byte(p[4])) {
        uint32_t src = GetLe32(p + 1);
        uint32_t dest;
        for (;;) {
          dest = src - (ip + static_cast<uint32_t>(pos));
          if (mask == 0) break;
          unsigned index = kBit[mask] * 8;
          if (!is_ms_byte(uint8_t(dest >> (24 - index)))) break;
          src = dest ^ ((1u << (32 - index)) - 1);
        }
        dest &= 0x01FFFFFF;
        if (dest & 0x01000000) dest |= 0xFF000000;
        SetLe32(p + 1, dest);
        pos += 5;
      } else {
        mask = ((mask << 1) & 7) | 1;
        ++pos;
      }
    }
    prev_pos = pos - prev_pos;
    state_ = prev_pos > 3 ? 0 : (mask << (prev_pos - 1)) & 7;
    ip_ += static_cast<uint32_t>(pos);
    return pos;
  }

 private:
  uint32_t ip_;
  uint32_t state_ = 0;
};

// The fixed-width instruction sets: one routine per set over aligned words.
class RiscConverter final : public Converter {
 public:
  RiscConverter(BranchKind kind, uint32_t ip) : kind_(kind), ip_(ip) {}
  size_t Convert(uint8_t* data, size_t size) override {
    size_t done = 0;
    switch (kind_) {
      case BranchKind::kArm: done = Arm(data, size); break;
      case BranchKind::kArmThumb: done = ArmThumb(data, size); break;
      case BranchKind::kArm64: done = Arm64(data, size); break;
      case BranchKind::kPowerPc: done = PowerPc(data, size); break;
      case BranchKind::kSparc: done = Sparc(data, size); break;
      default: done = Ia64(data, size); break;
    }
    ip_ += static_cast<uint32_t>(done);
    return done;
  }

 private:
  size_t Arm(uint8_t* d, size_t size) {
    size_t i = 0;
    for (; i + 4 <= size; i += 4) {
      if (d[i + 3] != 0xEB) continue;
      uint32_t src = (d[i + 2] << 16 | d[i + 1] << 8 | d[i]) << 2;
      uint32_t dest = (src - (ip_ + static_cast<uint32_t>(i) + 8)) >> 2;
      d[i + 2] = uint8_t(dest >> 16);
      d[i + 1] = uint8_t(dest >> 8);
      d[i] = uint8_t(dest);
    }
    return i;
  }
  size_t ArmThumb(uint8_t* d, size_t size) {
    size_t i = 0;
    for (; i + 4 <= size; i += 2) {
      if ((d[i + 1] & 0xF8) != 0xF0 || (d[i + 3] & 0xF8) != 0xF8) continue;
      uint32_t src = ((d[i + 1] & 7u) << 19 | d[i] << 11 | (d[i + 3] & 7u) << 8 | d[i + 2]) << 1;
      uint32_t dest = (src - (ip_ + static_cast<uint32_t>(i) + 4)) >> 1;
      d[i + 1] = uint8_t(0xF0 | ((dest >> 19) & 7));
      d[i] = uint8_t(dest >> 11);
      d[i + 3] = uint8_t(0xF8 | ((dest >> 8) & 7));
      d[i + 2] = uint8_t(dest);
      i += 2;
    }
    return i;
  }
  // BL and ADRP; ADRP only within +-4 GiB pages whose high bits are plain sign extension.
  size_t Arm64(uint8_t* d, size_t size) {
    constexpr uint32_t kFlag = 1u << 20;
    constexpr uint32_t kMask = (1u << 24) - (kFlag << 1);
    size_t i = 0;
    for (; i + 4 <= size; i += 4) {
      uint32_t v = GetLe32(d + i);
      const uint32_t pc = ip_ + static_cast<uint32_t>(i);
      if (((v - 0x94000000) & 0xFC000000) == 0) {
        v = ((v - (pc >> 2)) & 0x03FFFFFF) | 0x94000000;
        SetLe32(d + i, v);
        continue;
      }
      v -= 0x90000000;
      if ((v & 0x9F000000) != 0) continue;
      v += kFlag;
      if (v & kMask) continue;
      uint32_t z = (v & 0xFFFFFFE0) | (v >> 26);
      z -= (pc >> 9) & ~uint32_t(7);
      v &= 0x1F;
      v |= 0x90000000;
      v |= z << 26;
      v |= 0x00FFFFE0 & ((z & ((kFlag << 1) - 1)) - kFlag);
      SetLe32(d + i, v);
    }
    return i;
  }
  size_t PowerPc(uint8_t* d, size_t size) {
    size_t i = 0;
    for (; i + 4 <= size; i += 4) {
      if ((d[i] >> 2) != 0x12 || (d[i + 3] & 3) != 1) continue;
      uint32_t src = (d[i] & 3u) << 24 | d[i + 1] << 16 | d[i + 2] << 8 | (d[i + 3] & ~3u);
      uint32_t dest = src - (ip_ + static_cast<uint32_t>(i));
      d[i] = uint8_t(0x48 | ((dest >> 24) & 3));
      d[i + 1] = uint8_t(dest >> 16);
      d[i + 2] = uint8_t(dest >> 8);
      d[i + 3] = uint8_t((d[i + 3] & 3) | (dest & ~3u));
    }
    return i;
  }
  size_t Sparc(uint8_t* d, size_t size) {
    size_t i = 0;
    for (; i + 4 <= size; i += 4) {
      if (!((d[i] == 0x40 && (d[i + 1] & 0xC0) == 0) || (d[i] == 0x7F && (d[i + 1] & 0xC0) == 0xC0))) continue;
      uint32_t src = (uint32_t(d[i]) << 24 | d[i + 1] << 16 | d[i + 2] << 8 | d[i + 3]) << 2;
      uint32_t dest = (src - (ip_ + static_cast<uint32_t>(i))) >> 2;
      dest = (((0 - ((dest >> 22) & 1)) << 22) & 0x3FFFFFFF) | (dest & 0x3FFFFF) | 0x40000000;
      d[i] = uint8_t(dest >> 24);
      d[i + 1] = uint8_t(dest >> 16);
      d[i + 2] = uint8_t(dest >> 8);
      d[i + 3] = uint8_t(dest);
    }
    return i;
  }
  // IA-64 bundles of 16 bytes: the template says which of the three 41-bit slots hold branches.
  size_t Ia64(uint8_t* d, size_t size) {
    static constexpr uint8_t kBranchTable[32] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                                 4, 4, 6, 6, 0, 0, 7, 7, 4, 4, 0, 0, 4, 4, 0, 0};
    size_t i = 0;
    for (; i + 16 <= size; i += 16) {
      const uint32_t mask = kBranchTable[d[i] & 0x1F];
      for (unsigned slot = 0, bit_pos = 5; slot < 3; ++slot, bit_pos += 41) {
        if (((mask >> slot) & 1) == 0) continue;
        const unsigned byte_pos = bit_pos >> 3, bit_res = bit_pos & 7;
        uint64_t instruction = 0;
        for (unsigned j = 0; j < 6; ++j) instruction |= uint64_t(d[i + j + byte_pos]) << (8 * j);
        uint64_t norm = instruction >> bit_res;
        if (((norm >> 37) & 0xF) != 0x5 || ((norm >> 9) & 0x7) != 0) continue;
        uint32_t src = static_cast<uint32_t>((norm >> 13) & 0xFFFFF);
        src |= (static_cast<uint32_t>(norm >> 36) & 1) << 20;
        src <<= 4;
        uint32_t dest = (src - (ip_ + static_cast<uint32_t>(i))) >> 4;
        norm &= ~(uint64_t(0x8FFFFF) << 13);
        norm |= uint64_t(dest & 0xFFFFF) << 13;
        norm |= uint64_t(dest & 0x100000) << (36 - 20);
        instruction &= (uint64_t(1) << bit_res) - 1;
        instruction |= norm << bit_res;
        for (unsigned j = 0; j < 6; ++j) d[i + j + byte_pos] = uint8_t(instruction >> (8 * j));
      }
    }
    return i;
  }

  BranchKind kind_;
  uint32_t ip_;
};

class DeltaConverter final : public Converter {
 public:
  explicit DeltaConverter(unsigned distance) : distance_(distance) {}
  size_t Convert(uint8_t* data, size_t size) override {
    for (size_t i = 0; i < size; ++i) {
      data[i] = history_[index_] = uint8_t(data[i] + history_[index_]);
      if (++index_ == distance_) index_ = 0;
    }
    return size;
  }

 private:
  unsigned distance_;
  unsigned index_ = 0;
  uint8_t history_[256] = {};  // the last `distance_` output bytes, as a ring
};

}  // namespace

std::unique_ptr<Converter> MakeBranchConverter(BranchKind kind, uint32_t start_offset) {
  if (kind == BranchKind::kX86) return std::make_unique<X86Converter>(start_offset);
  if (kind == BranchKind::kRiscV) return MakeRiscVConverter(start_offset);
  return std::make_unique<RiscConverter>(kind, start_offset);
}

std::unique_ptr<Converter> MakeDeltaConverter(unsigned distance) {
  return std::make_unique<DeltaConverter>(distance);
}

}  // namespace qmb::sevenzip
