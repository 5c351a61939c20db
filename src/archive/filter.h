// Filters that undo a reversible transform of the data before compression: the branch converters
// of executable code (x86, ARM, ARM Thumb, ARM64, PowerPC, SPARC, IA-64, RISC-V), Delta, and BCJ2, which
// joins the four streams its encoder split x86 code into.
#pragma once

#include "archive/coder.h"

namespace qmb::sevenzip {

// Turns a buffer back in place. Convert returns how many leading bytes are final; the rest (a few
// bytes that may start an instruction) comes again with the next data. At the stream's end the
// unconverted tail is passed on unchanged.
class Converter {
 public:
  virtual ~Converter() = default;
  virtual size_t Convert(uint8_t* data, size_t size) = 0;
};

// Little-endian words, as the branch converters read and write instructions.
inline uint32_t GetLe32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24; }
inline void SetLe32(uint8_t* p, uint32_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
  p[2] = uint8_t(v >> 16);
  p[3] = uint8_t(v >> 24);
}

enum class BranchKind { kX86, kArm, kArmThumb, kArm64, kPowerPc, kSparc, kIa64, kRiscV };

std::unique_ptr<Converter> MakeBranchConverter(BranchKind kind, uint32_t start_offset);
std::unique_ptr<Converter> MakeRiscVConverter(uint32_t start_offset);
std::unique_ptr<Converter> MakeDeltaConverter(unsigned distance);
std::unique_ptr<Source> MakeFilterSource(std::unique_ptr<Converter> converter, std::unique_ptr<Source> input);

// inputs: main, call, jump, range coder (in the folder's order).
std::unique_ptr<Source> MakeBcj2Decoder(std::vector<std::unique_ptr<Source>> inputs);
// What the BCJ2 decoder asks of its main input at a time.
constexpr size_t kBcj2MainRead = 1 << 18;

}  // namespace qmb::sevenzip
