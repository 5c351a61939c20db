// BCJ2: the encoder moved the targets of x86 CALL (E8) and JMP/Jcc (E9, 0F 8x) into two separate
// streams and coded, per opcode, whether it did so with an adaptive binary range coder. Decoding
// copies the main stream and, where the coder says so, puts the absolute target back as a
// relative one.
#include <algorithm>
#include <cstring>

#include "archive/filter.h"

namespace qmb::sevenzip {
namespace {

class Bcj2Decoder final : public Source {
 public:
  explicit Bcj2Decoder(std::vector<std::unique_ptr<Source>> inputs)
      : main_(std::move(inputs[0]), kBcj2MainRead),
        call_(std::move(inputs[1]), 1 << 16),
        jump_(std::move(inputs[2]), 1 << 16),
        rc_(std::move(inputs[3]), 1 << 16) {
    for (auto& p : probs_) p = kTotal >> 1;
  }

  Status Read(uint8_t* data, size_t size, size_t& got) override {
    got = 0;
    Status status = Status::kOk;
    if (!rc_ready_) {
      for (int i = 0; i < 5; ++i) {
        uint8_t b = 0;
        if ((status = Next(rc_, b)) != Status::kOk) return status;
        code_ = (code_ << 8) | b;
      }
      rc_ready_ = true;
    }
    while (got < size) {
      if (pending_pos_ < 4) {
        data[got++] = pending_[pending_pos_++];
        ++out_pos_;
        continue;
      }
      // The bit of the last opcode is decoded only once more output is wanted, as the stream may
      // end right after the opcode.
      if (opcode_ != 0 && (status = DecodeOpcode()) != Status::kOk) return status;
      if (pending_pos_ < 4) continue;
      if (!main_.Fill(status)) return status;
      size_t n = std::min(main_.available(), size - got);
      if (n == 0) break;
      const uint8_t* p = main_.data();
      size_t i = 0;
      for (; i < n; ++i) {
        const uint8_t b = p[i];
        data[got + i] = b;
        if ((b & 0xFE) == 0xE8 || (prev_ == 0x0F && (b & 0xF0) == 0x80)) {
          opcode_ = b;
          ++i;
          break;
        }
        prev_ = b;
      }
      main_.Consume(i);
      got += i;
      out_pos_ += static_cast<uint32_t>(i);
    }
    return Status::kOk;
  }

 private:
  static constexpr uint32_t kTotal = 1 << 11;

  static Status Next(InputBuffer& in, uint8_t& b) {
    Status status = Status::kOk;
    if (!in.Fill(status)) return status;
    if (in.available() == 0) return Status::kDataError;
    b = in.data()[0];
    in.Consume(1);
    return Status::kOk;
  }

  Status DecodeOpcode() {
    const uint8_t b = opcode_;
    opcode_ = 0;
    uint16_t& prob = b == 0xE8 ? probs_[prev_] : probs_[b == 0xE9 ? 256 : 257];
    Status status = Status::kOk;
    if (range_ < (1u << 24)) {
      uint8_t next = 0;
      if ((status = Next(rc_, next)) != Status::kOk) return status;
      range_ <<= 8;
      code_ = (code_ << 8) | next;
    }
    const uint32_t bound = (range_ >> 11) * prob;
    if (code_ < bound) {
      range_ = bound;
      prob = static_cast<uint16_t>(prob + ((kTotal - prob) >> 5));
      prev_ = b;
      return Status::kOk;
    }
    range_ -= bound;
    code_ -= bound;
    prob = static_cast<uint16_t>(prob - (prob >> 5));
    uint8_t v[4];
    InputBuffer& targets = b == 0xE8 ? call_ : jump_;
    for (auto& byte : v)
      if ((status = Next(targets, byte)) != Status::kOk) return status;
    const uint32_t dest = (uint32_t(v[0]) << 24 | v[1] << 16 | v[2] << 8 | v[3]) - (out_pos_ + 4);
    for (int k = 0; k < 4; ++k) pending_[k] = static_cast<uint8_t>(dest >> (8 * k));
    pending_pos_ = 0;
    prev_ = static_cast<uint8_t>(dest >> 24);
    return Status::kOk;
  }

  InputBuffer main_, call_, jump_, rc_;
  uint16_t probs_[258];
  uint32_t range_ = 0xFFFFFFFF;
  uint32_t code_ = 0;
  bool rc_ready_ = false;
  uint8_t prev_ = 0;
  uint8_t opcode_ = 0;  // an opcode whose bit is still to be decoded (0 when none)
  uint32_t out_pos_ = 0;
  uint8_t pending_[4] = {};
  unsigned pending_pos_ = 4;  // 4 when no target bytes wait
};

}  // namespace

std::unique_ptr<Source> MakeBcj2Decoder(std::vector<std::unique_ptr<Source>> inputs) {
  if (inputs.size() != 4) return nullptr;
  return std::make_unique<Bcj2Decoder>(std::move(inputs));
}

}  // namespace qmb::sevenzip
