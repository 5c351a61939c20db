// BZip2 decoding: each block is Huffman-coded move-to-front output of a Burrows-Wheeler
// transform, over bytes whose runs of four or more were shortened. A block is decoded whole (at
// most 900 000 bytes, the bound sized from the stream header before anything is allocated),
// transformed back, and its runs expanded a piece per read. Streams may follow one another; every
// block's CRC and every stream's combined CRC are checked.
#include "archive/coder_bzip2.h"

#include <cstring>

#include "archive/bit_reader.h"
#include "archive/huffman_table.h"
#include "archive/large_block.h"

namespace qmb::sevenzip {
namespace {

constexpr uint64_t kBlockMagic = 0x314159265359, kEndMagic = 0x177245385090;
constexpr unsigned kMinGroups = 2, kMaxGroups = 6, kGroupSize = 50, kMaxCodeBits = 20, kMaxAlphabet = 258;
constexpr unsigned kMaxSelectors = 18002;  // 900 000 / 50 rounded up, and some room
constexpr uint32_t kBlockUnit = 100000;

using Table = HuffmanTable<kMaxCodeBits, 10, kMaxAlphabet, false>;

// The CRC-32 of BZip2: polynomial 0x04C11DB7, most significant bit first.
class BlockCrc {
 public:
  BlockCrc() {
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

const BlockCrc& Crc() {
  static const BlockCrc crc;
  return crc;
}

class Bzip2Decoder final : public Source {
 public:
  explicit Bzip2Decoder(std::unique_ptr<Source> input) : bits_(std::move(input)) {}

  Status Read(uint8_t* data, size_t size, size_t& got) override {
    got = 0;
    while (got == 0 && size > 0 && phase_ != Phase::kDone) {
      Status status = Status::kOk;
      switch (phase_) {
        case Phase::kStreamHeader: status = ReadStreamHeader(); break;
        case Phase::kBlockHeader: status = ReadBlockOrEnd(); break;
        case Phase::kOutput: status = Output(data, size, got); break;
        case Phase::kDone: break;
      }
      if (status != Status::kOk) {
        phase_ = Phase::kDone;
        return status;
      }
    }
    return Status::kOk;
  }

 private:
  enum class Phase { kStreamHeader, kBlockHeader, kOutput, kDone };

  // "BZh" and the block size digit; the first stream must be there, further ones may follow.
  Status ReadStreamHeader() {
    if (streams_ > 0) {
      bits_.AlignToByte();
      if (bits_.Exhausted()) {
        phase_ = Phase::kDone;
        return bits_.status();
      }
    }
    if (bits_.Read(24) != 0x425A68) return bits_.Failure();
    const uint32_t level = bits_.Read(8) - '0';
    if (level < 1 || level > 9 || bits_.Overrun()) return bits_.Failure();
    block_max_ = level * kBlockUnit;
    // The work area holds the largest block size seen, at most 900 000 entries.
    if (block_max_ > capacity_) {
      if (!work_.Allocate(size_t(block_max_) * kBytesPerEntry)) return Status::kTooLarge;
      capacity_ = block_max_;
    }
    combined_crc_ = 0;
    ++streams_;
    phase_ = Phase::kBlockHeader;
    return Status::kOk;
  }

  Status ReadBlockOrEnd() {
    const uint64_t high = bits_.Read(24);
    const uint64_t magic = high << 24 | bits_.Read(24);
    const uint32_t crc = bits_.Read(32);
    if (bits_.Overrun()) return bits_.Failure();
    if (magic == kEndMagic) {
      if (crc != combined_crc_) return Status::kDataError;
      phase_ = Phase::kStreamHeader;
      return Status::kOk;
    }
    if (magic != kBlockMagic) return Status::kDataError;
    block_crc_ = crc;
    if (Status s = ReadBlock(); s != Status::kOk) return s;
    if (bits_.Overrun()) return bits_.Failure();
    running_crc_ = 0xFFFFFFFFu;
    phase_ = Phase::kOutput;
    return Status::kOk;
  }

  // The block's tables and symbols, up to the inverse transform's set-up.
  Status ReadBlock() {
    // Randomised blocks came only from bzip2 0.9.0 and earlier; no 7z writer makes them.
    if (bits_.Read(1) != 0) return Status::kUnsupportedMethod;
    const uint32_t orig_ptr = bits_.Read(24);
    uint8_t seq_to_byte[256];
    unsigned in_use = 0;
    const uint32_t used16 = bits_.Read(16);
    for (unsigned i = 0; i < 16; ++i) {
      if (!(used16 & (0x8000u >> i))) continue;
      const uint32_t used = bits_.Read(16);
      for (unsigned j = 0; j < 16; ++j)
        if (used & (0x8000u >> j)) seq_to_byte[in_use++] = static_cast<uint8_t>(i * 16 + j);
    }
    if (in_use == 0) return Status::kDataError;
    const unsigned alphabet = in_use + 2;

    const unsigned groups = bits_.Read(3);
    const unsigned selector_count = bits_.Read(15);
    if (groups < kMinGroups || groups > kMaxGroups || selector_count == 0) return Status::kDataError;
    uint8_t group_mtf[kMaxGroups] = {0, 1, 2, 3, 4, 5};
    const unsigned stored = std::min(selector_count, kMaxSelectors);  // the rest can never be used
    for (unsigned i = 0; i < selector_count; ++i) {
      unsigned j = 0;
      while (bits_.Read(1)) {
        if (++j >= groups || bits_.Overrun()) return Status::kDataError;
      }
      const uint8_t g = group_mtf[j];
      std::memmove(group_mtf + 1, group_mtf, j);
      group_mtf[0] = g;
      if (i < stored) selectors_[i] = g;
    }

    for (unsigned t = 0; t < groups; ++t) {
      uint8_t lengths[kMaxAlphabet];
      unsigned len = bits_.Read(5);
      for (unsigned i = 0; i < alphabet; ++i) {
        for (;;) {
          if (len < 1 || len > kMaxCodeBits || bits_.Overrun()) return Status::kDataError;
          if (!bits_.Read(1)) break;
          len = bits_.Read(1) ? len - 1 : len + 1;
        }
        lengths[i] = static_cast<uint8_t>(len);
      }
      if (!tables_[t].Build(lengths, alphabet)) return Status::kDataError;
    }
    if (Status s = DecodeSymbols(seq_to_byte, in_use, stored); s != Status::kOk) return s;
    if (orig_ptr >= block_size_) return Status::kDataError;

    Untransform(orig_ptr);
    read_ = 0;
    run_ = 0;
    repeat_ = 0;
    return Status::kOk;
  }

  // The inverse transform walks the block's one cycle, byte after byte, each step a random read:
  // its time is the memory's latency. So it walks from both ends at once, forward through the
  // T vector (next row, and the byte in the low eight bits) and backward through the LF mapping
  // (previous row, and the row's last byte): two independent chains of half the length each.
  void Untransform(uint32_t orig_ptr) {
    uint32_t start[256];
    for (uint32_t i = 0, sum = 0; i < 256; ++i) {
      start[i] = sum;
      sum += counts_[i];
    }
    uint32_t* tt = Tt();
    uint32_t* lf = Lf();
    const uint32_t n = block_size_;
    for (uint32_t i = 0; i < n; ++i) {
      const uint32_t byte = tt[i] & 0xFF;
      const uint32_t row = start[byte]++;
      tt[row] |= i << 8;
      lf[i] = row << 8 | byte;
    }
    uint8_t* out = Block();
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

  // The Huffman symbols through move-to-front and the zero-run code into the T vector's low
  // eight bits, and counts_.
  Status DecodeSymbols(const uint8_t* seq_to_byte, unsigned in_use, unsigned selectors) {
    uint8_t mtf[256];
    for (unsigned i = 0; i < 256; ++i) mtf[i] = static_cast<uint8_t>(i);
    std::memset(counts_, 0, sizeof counts_);
    uint32_t* tt = Tt();
    const uint32_t limit = block_max_;
    const unsigned end_of_block = in_use + 1;
    uint32_t n = 0, run = 0, run_weight = 1;
    unsigned group_left = 0, group = 0;
    const Table* table = nullptr;
    for (;;) {
      if (group_left == 0) {
        if (group >= selectors || bits_.Overrun()) return Status::kDataError;
        table = &tables_[selectors_[group++]];
        group_left = kGroupSize;
      }
      --group_left;
      if (bits_.available() < kMaxCodeBits) bits_.Refill();
      unsigned length = 0;
      const unsigned symbol = table->Decode(bits_.Peek(kMaxCodeBits), length);
      if (length == 0) return Status::kDataError;
      bits_.Skip(length);
      if (symbol <= 1) {  // RUNA, RUNB: a bijective base-2 digit of a run of the front byte
        run += (symbol + 1) * run_weight;
        run_weight <<= 1;
        if (run > limit) return Status::kDataError;
        continue;
      }
      if (run > 0) {
        if (run > limit - n) return Status::kDataError;
        const uint8_t byte = seq_to_byte[mtf[0]];
        std::fill(tt + n, tt + n + run, byte);
        counts_[byte] += run;
        n += run;
        run = 0;
        run_weight = 1;
      }
      if (symbol == end_of_block) break;
      if (n >= limit) return Status::kDataError;
      const unsigned k = symbol - 1;
      const uint8_t v = mtf[k];
      std::memmove(mtf + 1, mtf, k);
      mtf[0] = v;
      const uint8_t byte = seq_to_byte[v];
      tt[n++] = byte;
      ++counts_[byte];
    }
    block_size_ = n;
    return Status::kOk;
  }

  // Bytes of the current block, with each run of four followed by a count of further repeats.
  Status Output(uint8_t* data, size_t size, size_t& got) {
    const uint8_t* block = Block();
    uint8_t* out = data;
    uint8_t* const end = data + size;
    uint32_t read = read_;
    const uint32_t n = block_size_;
    unsigned run = run_, last = last_;
    while (out < end) {
      if (repeat_ > 0) {
        const size_t k = std::min<size_t>(repeat_, end - out);
        std::memset(out, static_cast<int>(last), k);
        out += k;
        repeat_ -= static_cast<unsigned>(k);
        continue;
      }
      if (read == n) break;
      const unsigned byte = block[read++];
      if (run == 4) {
        repeat_ = byte;
        run = 0;
        continue;
      }
      run = byte == last ? run + 1 : 1;
      last = byte;
      *out++ = static_cast<uint8_t>(byte);
    }
    read_ = read;
    run_ = run;
    last_ = last;
    got = static_cast<size_t>(out - data);
    running_crc_ = Crc().Update(running_crc_, data, got);
    if (read == n && repeat_ == 0) {
      const uint32_t crc = ~running_crc_;
      if (crc != block_crc_) return Status::kCrcError;
      combined_crc_ = (combined_crc_ << 1 | combined_crc_ >> 31) ^ crc;
      phase_ = Phase::kBlockHeader;
    }
    return Status::kOk;
  }

  BitReader<true> bits_;
  Phase phase_ = Phase::kStreamHeader;
  unsigned streams_ = 0;
  uint32_t block_max_ = 0;  // of the current stream
  uint32_t capacity_ = 0;   // entries of work_
  uint32_t combined_crc_ = 0, block_crc_ = 0, running_crc_ = 0;
  Table tables_[kMaxGroups];
  uint8_t selectors_[kMaxSelectors];
  uint32_t counts_[256];
  // work_ holds, for capacity_ entries: the T vector, the LF mapping and the block's bytes.
  static constexpr size_t kBytesPerEntry = 2 * sizeof(uint32_t) + 1;
  uint32_t* Tt() const { return reinterpret_cast<uint32_t*>(work_.data()); }
  uint32_t* Lf() const { return Tt() + capacity_; }
  uint8_t* Block() const { return reinterpret_cast<uint8_t*>(Lf() + capacity_); }
  LargeBlock work_;
  uint32_t block_size_ = 0;
  // Output state of the current block.
  uint32_t read_ = 0;  // next byte of Block()
  unsigned run_ = 0, last_ = 0, repeat_ = 0;
};

}  // namespace

std::unique_ptr<Source> MakeBzip2Decoder(std::unique_ptr<Source> input) {
  return std::make_unique<Bzip2Decoder>(std::move(input));
}

}  // namespace qmb::sevenzip
