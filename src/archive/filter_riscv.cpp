// The RISC-V branch converter: JAL targets and AUIPC+load/store/jump pairs whose addresses the
// encoder made absolute (and the pairs' immediates rearranged so that they compress better) are
// turned back. Instructions are 2-byte aligned; a pair needs 8 bytes, so the last 7 bytes of a
// buffer wait for the next one.
#include "archive/filter.h"

namespace qmb::sevenzip {
namespace {

uint32_t GetBe32(const uint8_t* p) { return uint32_t(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3]; }

class RiscVConverter final : public Converter {
 public:
  explicit RiscVConverter(uint32_t ip) : ip_(ip) {}

  size_t Convert(uint8_t* d, size_t size) override {
    if (size < 8) return 0;
    const size_t last = size - 8;
    size_t i = 0;
    for (; i <= last; i += 2) {
      uint32_t inst = d[i];
      if (inst == 0xEF) {  // JAL with rd = x1 or x5
        const uint32_t b1 = d[i + 1];
        if ((b1 & 0x0D) != 0) continue;
        const uint32_t pc = ip_ + static_cast<uint32_t>(i);
        uint32_t addr = (b1 & 0xF0) << 13 | uint32_t(d[i + 2]) << 9 | uint32_t(d[i + 3]) << 1;
        addr -= pc;
        d[i + 1] = uint8_t((b1 & 0x0F) | ((addr >> 8) & 0xF0));
        d[i + 2] = uint8_t(((addr >> 16) & 0x0F) | ((addr >> 7) & 0x10) | ((addr << 4) & 0xE0));
        d[i + 3] = uint8_t(((addr >> 4) & 0x7F) | ((addr >> 13) & 0x80));
        i += 4 - 2;
        continue;
      }
      if ((inst & 0x7F) != 0x17) continue;  // not AUIPC
      inst = GetLe32(d + i);
      uint32_t inst2;
      if (inst & 0xE80) {
        // AUIPC with rd other than x0 and x2: converted only when the next instruction uses rd as
        // its base register and is a 32-bit one; otherwise both were left alone.
        inst2 = GetLe32(d + i + 4);
        if ((((inst << 8) ^ (inst2 - 3)) & 0xF8003) != 0) {
          i += 6 - 2;
          continue;
        }
        uint32_t addr = inst & 0xFFFFF000;
        addr += inst2 >> 20;
        inst = 0x17 | (2 << 7) | (inst2 << 12);
        inst2 = addr;
      } else {
        // rd x0 or x2 marks a pair the encoder converted (or one that only looks like it): the
        // packed second instruction's base register and opcode bits tell which.
        const uint32_t inst2_rs1 = inst >> 27;
        if (static_cast<uint32_t>((inst - 0x3117) << 18) >= (inst2_rs1 & 0x1D)) {
          i += 4 - 2;
          continue;
        }
        uint32_t addr = GetBe32(d + i + 4);
        addr -= ip_ + static_cast<uint32_t>(i);
        inst2 = (inst >> 12) | (addr << 20);
        inst = 0x17 | (inst2_rs1 << 7) | ((addr + 0x800) & 0xFFFFF000);
      }
      SetLe32(d + i, inst);
      SetLe32(d + i + 4, inst2);
      i += 8 - 2;
    }
    ip_ += static_cast<uint32_t>(i);
    return i;
  }

 private:
  uint32_t ip_;
};

}  // namespace

std::unique_ptr<Converter> MakeRiscVConverter(uint32_t start_offset) {
  return std::make_unique<RiscVConverter>(start_offset);
}

}  // namespace qmb::sevenzip
