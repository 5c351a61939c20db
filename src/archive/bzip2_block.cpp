// The inverse transform of a BZip2 block and the CRC its bytes are checked with.
#include "archive/bzip2_block.h"

namespace qmb::sevenzip {
namespace {

class CrcTable {
 public:
  CrcTable() {
    for (uint32_t i = 0; i < 256; ++i) {
      uint32_t c = i << 24;
      for (int k = 0; k < 8; ++k) c = c & 0x80000000u ? c << 1 ^ 0x04C11DB7u : c << 1;
      table_[0][i] = c;
    }
    for (uint32_t i = 0; i < 256; ++i)
      for (int t = 1; t < 4; ++t) table_[t][i] = table_[t - 1][i] << 8 ^ table_[0][table_[t - 1][i] >> 24];
  }
  uint32_t Update(uint32_t crc, const uint8_t* p, size_t n) const {
    for (; n >= 4; n -= 4, p += 4) {
      crc ^= uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
      crc = table_[3][crc >> 24] ^ table_[2][(crc >> 16) & 0xFF] ^ table_[1][(crc >> 8) & 0xFF] ^ table_[0][crc & 0xFF];
    }
    for (; n > 0; --n) crc = crc << 8 ^ table_[0][(crc >> 24) ^ *p++];
    return crc;
  }

 private:
  uint32_t table_[4][256];
};

}  // namespace

uint32_t Bzip2Crc(uint32_t crc, const uint8_t* data, size_t size) {
  static const CrcTable table;
  return table.Update(crc, data, size);
}

bool Bzip2Block::Reserve(uint32_t size) {
  if (size <= capacity_) return true;
  capacity_ = 0;
  if (!work_.Allocate(static_cast<size_t>(Memory(size)))) return false;
  capacity_ = size;
  return true;
}

// The inverse transform walks the block's one cycle, byte after byte, each step a random read:
// its time is the memory's latency. So it walks from both ends at once, forward through the
// T vector (next row, and the byte in the low eight bits) and backward through the LF mapping
// (previous row, and the row's last byte): two independent chains of half the length each.
void Bzip2Block::Untransform() {
  uint32_t start[256];
  for (uint32_t i = 0, sum = 0; i < 256; ++i) {
    start[i] = sum;
    sum += counts[i];
  }
  uint32_t* tt = Tt();
  uint32_t* lf = Lf();
  const uint32_t n = size;
  for (uint32_t i = 0; i < n; ++i) {
    const uint32_t byte = tt[i] & 0xFF;
    const uint32_t row = start[byte]++;
    tt[row] |= i << 8;
    lf[i] = row << 8 | byte;
  }
  uint8_t* out = reinterpret_cast<uint8_t*>(lf + capacity_);
  uint32_t forward = tt[orig_ptr] >> 8, backward = orig_ptr;
  const uint32_t half = n / 2;
  for (uint32_t k = 0; k < half; ++k) {
    const uint32_t f = tt[forward], b = lf[backward];
    out[k] = static_cast<uint8_t>(f);
    out[n - 1 - k] = static_cast<uint8_t>(b);
    forward = f >> 8;
    backward = b >> 8;
  }
  if (n % 2 != 0) out[half] = static_cast<uint8_t>(tt[forward]);
}

}  // namespace qmb::sevenzip
