// Deflate64: Deflate with a 64 KiB window, length code 285 taking 16 extra bits (lengths up to
// 65538) and distance codes 30 and 31. zlib has no decoder for it, so this is our own inflate:
// blocks are decoded into a buffer that keeps the last 64 KiB as history and hands the rest out.
#include <cstring>

#include "archive/bit_reader.h"
#include "archive/coder_deflate.h"
#include "archive/huffman_table.h"

namespace qmb::sevenzip {
namespace {

constexpr size_t kWindow = 1 << 16;
constexpr size_t kMaxMatch = 65538;
constexpr size_t kChunk = 1 << 18;  // decoded per refill of the buffer
constexpr unsigned kMaxBits = 15, kEndOfBlock = 256;

constexpr uint16_t kLengthBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                      31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 3};
constexpr uint8_t kLengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                      2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 16};
constexpr uint32_t kDistanceBase[32] = {1,    2,    3,    4,    5,    7,     9,     13,    17,    25,   33,
                                        49,   65,   97,   129,  193,  257,   385,   513,   769,   1025, 1537,
                                        2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577, 32769, 49153};
constexpr uint8_t kDistanceExtra[32] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,  6,
                                        7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13, 14, 14};
// The order in which a dynamic block lists the code lengths of its code-length code.
constexpr uint8_t kCodeLengthOrder[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};

using LiteralTable = HuffmanTable<kMaxBits, 10, 288, true>;
using DistanceTable = HuffmanTable<kMaxBits, 8, 32, true>;
using CodeLengthTable = HuffmanTable<7, 7, 19, true>;

class Deflate64Decoder final : public Source {
 public:
  explicit Deflate64Decoder(std::unique_ptr<Source> input)
      : bits_(std::move(input)), buffer_(kWindow + kChunk + kMaxMatch) {}

  Status Read(uint8_t* data, size_t size, size_t& got) override {
    got = 0;
    while (got == 0 && size > 0) {
      if (out_ < pos_) {
        got = std::min(size, pos_ - out_);
        std::memcpy(data, buffer_.data() + out_, got);
        out_ += got;
        break;
      }
      if (phase_ == Phase::kDone) break;
      if (pos_ >= kWindow + kChunk) {  // keep the window, make room behind it
        std::memmove(buffer_.data(), buffer_.data() + pos_ - kWindow, kWindow);
        pos_ = out_ = kWindow;
      }
      if (Status status = Decode(); status != Status::kOk) {
        phase_ = Phase::kDone;
        return status;
      }
    }
    return Status::kOk;
  }

 private:
  enum class Phase { kBlockHeader, kStored, kHuffman, kDone };


  // Decodes until the buffer's chunk is full or the stream ends.
  Status Decode() {
    while (pos_ < kWindow + kChunk && phase_ != Phase::kDone) {
      Status status = Status::kOk;
      switch (phase_) {
        case Phase::kBlockHeader: status = ReadBlockHeader(); break;
        case Phase::kStored: status = CopyStored(); break;
        case Phase::kHuffman: status = DecodeHuffman(); break;
        case Phase::kDone: break;
      }
      if (status != Status::kOk) return status;
      if (bits_.Overrun()) return bits_.Failure();
    }
    return Status::kOk;
  }

  Status ReadBlockHeader() {
    if (final_block_) {
      phase_ = Phase::kDone;
      return Status::kOk;
    }
    final_block_ = bits_.Read(1) != 0;
    switch (bits_.Read(2)) {
      case 0: {
        bits_.AlignToByte();
        const uint32_t length = bits_.Read(16), check = bits_.Read(16);
        if (length != (~check & 0xFFFF)) return Status::kDataError;
        stored_left_ = length;
        phase_ = Phase::kStored;
        return Status::kOk;
      }
      case 1: UseFixedTables(); break;
      case 2:
        if (Status s = ReadDynamicTables(); s != Status::kOk) return s;
        break;
      default: return Status::kDataError;
    }
    phase_ = Phase::kHuffman;
    return Status::kOk;
  }

  Status CopyStored() {
    const size_t n = std::min(stored_left_, kWindow + kChunk - pos_);
    uint8_t* out = buffer_.data() + pos_;
    for (size_t i = 0; i < n; ++i) out[i] = static_cast<uint8_t>(bits_.Read(8));
    pos_ += n;
    stored_left_ -= n;
    if (stored_left_ == 0) phase_ = Phase::kBlockHeader;
    return Status::kOk;
  }

  void UseFixedTables() {
    uint8_t lengths[288];
    std::memset(lengths, 8, 144);
    std::memset(lengths + 144, 9, 112);
    std::memset(lengths + 256, 7, 24);
    std::memset(lengths + 280, 8, 8);
    literals_.Build(lengths, 288);
    std::memset(lengths, 5, 32);
    distances_.Build(lengths, 32);
  }

  Status ReadDynamicTables() {
    const unsigned literal_count = bits_.Read(5) + 257, distance_count = bits_.Read(5) + 1;
    const unsigned code_length_count = bits_.Read(4) + 4;
    uint8_t code_lengths[19] = {};
    for (unsigned i = 0; i < code_length_count; ++i) code_lengths[kCodeLengthOrder[i]] = static_cast<uint8_t>(bits_.Read(3));
    CodeLengthTable code_length_table;
    if (!code_length_table.Build(code_lengths, 19)) return Status::kDataError;

    uint8_t lengths[288 + 32];
    const unsigned total = literal_count + distance_count;
    for (unsigned i = 0; i < total;) {
      if (bits_.available() < 16) bits_.Refill();
      unsigned length = 0;
      const unsigned symbol = code_length_table.Decode(bits_.Peek(7), length);
      if (length == 0 || bits_.Overrun()) return Status::kDataError;
      bits_.Skip(length);
      if (symbol < 16) {
        lengths[i++] = static_cast<uint8_t>(symbol);
        continue;
      }
      uint8_t value = 0;
      unsigned repeat = 0;
      if (symbol == 16) {
        if (i == 0) return Status::kDataError;
        value = lengths[i - 1];
        repeat = 3 + bits_.Read(2);
      } else {
        repeat = symbol == 17 ? 3 + bits_.Read(3) : 11 + bits_.Read(7);
      }
      if (repeat > total - i) return Status::kDataError;
      std::memset(lengths + i, value, repeat);
      i += repeat;
    }
    // Without an end-of-block code the block could never end.
    if (lengths[kEndOfBlock] == 0) return Status::kDataError;
    if (!literals_.Build(lengths, literal_count) || !distances_.Build(lengths + literal_count, distance_count))
      return Status::kDataError;
    return Status::kOk;
  }

  Status DecodeHuffman() {
    uint8_t* const buffer = buffer_.data();
    const size_t limit = kWindow + kChunk;
    size_t pos = pos_;
    Status status = Status::kOk;
    while (pos < limit) {
      if (bits_.available() < kMaxBits + 16) bits_.Refill();
      unsigned length = 0;
      const unsigned symbol = literals_.Decode(bits_.Peek(kMaxBits), length);
      if (length == 0) {
        status = Status::kDataError;
        break;
      }
      bits_.Skip(length);
      if (symbol < 256) {
        buffer[pos++] = static_cast<uint8_t>(symbol);
        continue;
      }
      if (symbol == kEndOfBlock) {
        phase_ = Phase::kBlockHeader;
        break;
      }
      const unsigned code = symbol - 257;
      if (code >= 29) {
        status = Status::kDataError;
        break;
      }
      const size_t match = kLengthBase[code] + bits_.Read(kLengthExtra[code]);
      if (bits_.available() < kMaxBits + 14) bits_.Refill();
      const unsigned distance_code = distances_.Decode(bits_.Peek(kMaxBits), length);
      if (length == 0) {
        status = Status::kDataError;
        break;
      }
      bits_.Skip(length);
      const size_t distance = kDistanceBase[distance_code] + bits_.Read(kDistanceExtra[distance_code]);
      if (distance > pos) {  // before the start of the stream
        status = Status::kDataError;
        break;
      }
      uint8_t* dst = buffer + pos;
      const uint8_t* src = dst - distance;
      if (distance >= match) {
        std::memcpy(dst, src, match);
      } else {
        for (size_t i = 0; i < match; ++i) dst[i] = src[i];
      }
      pos += match;
    }
    pos_ = pos;
    return status;
  }

  BitReader<false> bits_;
  std::vector<uint8_t> buffer_;
  size_t pos_ = 0;  // end of the decoded bytes
  size_t out_ = 0;  // first decoded byte not yet handed out
  Phase phase_ = Phase::kBlockHeader;
  bool final_block_ = false;
  size_t stored_left_ = 0;
  LiteralTable literals_;
  DistanceTable distances_;
};

}  // namespace

std::unique_ptr<Source> MakeDeflate64Decoder(std::unique_ptr<Source> input) {
  return std::make_unique<Deflate64Decoder>(std::move(input));
}

}  // namespace qmb::sevenzip
