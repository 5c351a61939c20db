// LZMA decoding into the window of our decoder core, from which we copy out what it produced. LZMA2
// is a chunk layer over the same decoder: each chunk may reset the dictionary, the state or the
// properties, or carry stored bytes.
#include "archive/coder_lzma.h"

#include <algorithm>
#include <cstring>

#include "archive/lzma2_chunk.h"
#include "archive/lzma_decoder.h"

namespace qmb::sevenzip {
namespace {

constexpr size_t kInputBuffer = 1 << 18;
// LZMA2 data is decoded in steps that end on multiples of this in the stream's output: the
// decoder core reports damage for a whole step, so damage shows at the same byte whether the
// stream is decoded from its start or from a dictionary reset in its middle.
constexpr uint64_t kDamageStep = 1 << 16;

// The decoder core with a window sized by the caller.
class LzmaCore {
 public:
  // literal_bits: the largest lc + lp to be used; window was bounded by the caller.
  Status Init(unsigned literal_bits, uint64_t dictionary, uint64_t window) {
    if (!dec_.Allocate(static_cast<size_t>(window), literal_bits)) return Status::kTooLarge;
    dec_.SetDictionarySize(static_cast<uint32_t>(std::min<uint64_t>(dictionary, 0xFFFFFFFFu)));
    return Status::kOk;
  }
  lzma::Decoder& dec() { return dec_; }

  // Where the next decoded bytes go, at most `want` of them (wrapping the window when full).
  size_t Limit(uint64_t want) {
    dec_.Wrap();
    return dec_.pos() + static_cast<size_t>(std::min<uint64_t>(want, dec_.window_size() - dec_.pos()));
  }

 private:
  lzma::Decoder dec_;
};

Status CheckDictionary(uint64_t dictionary, uint64_t out_size, uint64_t& buffer) {
  buffer = DictionaryBufferSize(dictionary, out_size);
  return buffer > kMaxDictionary ? Status::kTooLarge : Status::kOk;
}

class LzmaDecoder final : public Source {
 public:
  LzmaDecoder(std::unique_ptr<Source> input, uint64_t out_size)
      : in_(std::move(input), kInputBuffer), left_(out_size) {}
  Status Init(const uint8_t* props) {
    uint32_t dictionary = props[1] | props[2] << 8 | props[3] << 16 | uint32_t(props[4]) << 24;
    unsigned lc = 0, lp = 0, pb = 0;
    if (!lzma::SplitProperties(props[0], lc, lp, pb)) return Status::kUnsupportedMethod;
    uint64_t buffer = 0;
    if (Status s = CheckDictionary(dictionary, left_, buffer); s != Status::kOk) return s;
    if (Status s = core_.Init(lc + lp, dictionary, buffer); s != Status::kOk) return s;
    core_.dec().SetProperties(lc, lp, pb);
    core_.dec().Reset(true, true);
    return Status::kOk;
  }

  Status Read(uint8_t* data, size_t size, size_t& got) override {
    got = 0;
    lzma::Decoder& dec = core_.dec();
    while (got == 0 && left_ > 0 && size > 0) {
      Status status = Status::kOk;
      if (!in_.Fill(status)) return status;
      size_t limit = core_.Limit(std::min<uint64_t>(left_, size));
      size_t start = dec.pos();
      size_t in_size = in_.available();
      // The declared size says where the stream ends; an empty fill says the input did.
      bool ok = dec.Decode(limit, in_.data(), in_size, in_size == 0);
      in_.Consume(in_size);
      size_t produced = dec.pos() - start;
      std::memcpy(data, dec.window() + start, produced);
      got = produced;
      left_ -= produced;
      if (!ok) return Status::kDataError;
      // No progress: the stream ended (end mark or input) before its declared size.
      if (produced == 0 && in_size == 0) return Status::kDataError;
    }
    return Status::kOk;
  }

 private:
  InputBuffer in_;
  LzmaCore core_;
  uint64_t left_;
};

class Lzma2Decoder final : public Source {
 public:
  Lzma2Decoder(std::unique_ptr<Source> input, uint64_t out_size, uint64_t position)
      : in_(std::move(input), kInputBuffer), out_left_(out_size), position_(position) {}
  Status Init(uint8_t prop) {
    uint64_t dictionary = 0, buffer = 0;
    if (!Lzma2Dictionary(prop, dictionary)) return Status::kUnsupportedMethod;
    if (Status s = CheckDictionary(dictionary, out_left_, buffer); s != Status::kOk) return s;
    // Probabilities sized for the largest lc + lp LZMA2 allows (4), so new properties never
    // need a new allocation.
    return core_.Init(4, dictionary, buffer);
  }

  Status Read(uint8_t* data, size_t size, size_t& got) override {
    got = 0;
    if (damaged_) return Status::kDataError;
    while (got == 0 && size > 0 && !finished_) {
      Status status = Status::kOk;
      if (chunk_unpack_ == 0) {
        // An LZMA chunk longer than it decodes: the decoder counts the bytes of a chunk's last piece
        // only as far as it used them.
        if (chunk_pack_ != 0) return Status::kDataError;
        if ((status = ReadControl()) != Status::kOk) return status;
        continue;
      }
      if (!in_.Fill(status)) return status;
      if (in_.available() == 0) return Status::kDataError;
      lzma::Decoder& dec = core_.dec();
      size_t limit = core_.Limit(std::min<uint64_t>({chunk_unpack_, size, kDamageStep - position_ % kDamageStep}));
      size_t start = dec.pos();
      size_t in_size = in_.available();
      if (stored_) {
        in_size = std::min<size_t>(in_size, limit - start);
        dec.Store(in_.data(), in_size);
      } else {
        in_size = static_cast<size_t>(std::min<uint64_t>(in_size, chunk_pack_));
        size_t used = in_size;
        if (!dec.Decode(limit, in_.data(), used, used == chunk_pack_)) {
          // The bytes decoded before the damage go out first, so the failure shows at the same
          // byte whatever sizes the reader asks for (pieces decoded ahead rely on that).
          damaged_ = true;
          if (dec.pos() == start) return Status::kDataError;
        }
        in_size = used;
        chunk_pack_ -= used;
        if (dec.pos() == start && used == 0) return Status::kDataError;
      }
      in_.Consume(in_size);
      size_t produced = dec.pos() - start;
      if (produced > out_left_) return Status::kDataError;
      std::memcpy(data, dec.window() + start, produced);
      got = produced;
      chunk_unpack_ -= produced;
      out_left_ -= produced;
      position_ += produced;
    }
    return Status::kOk;
  }

 private:
  Status ReadByte(uint8_t& byte) {
    Status status = Status::kOk;
    if (!in_.Fill(status)) return status;
    if (in_.available() == 0) return Status::kDataError;
    byte = in_.data()[0];
    in_.Consume(1);
    return Status::kOk;
  }

  // Reads a chunk header and applies its resets.
  Status ReadControl() {
    uint8_t header[6] = {};
    Status status = ReadByte(header[0]);
    if (status != Status::kOk) return status;
    const size_t length = Lzma2HeaderSize(header[0]);
    if (length == 0) return Status::kDataError;
    for (size_t i = 1; i < length; ++i)
      if ((status = ReadByte(header[i])) != Status::kOk) return status;
    const Lzma2Chunk chunk = ParseLzma2Header(header);
    if (chunk.end) {
      finished_ = true;
      return out_left_ == 0 ? Status::kOk : Status::kDataError;
    }
    lzma::Decoder& dec = core_.dec();
    if (chunk.new_props) {
      unsigned lc = 0, lp = 0, pb = 0;
      if (!lzma::SplitProperties(chunk.props, lc, lp, pb) || !dec.SetProperties(lc, lp, pb))
        return Status::kDataError;
      need_props_ = false;
    } else if (!chunk.stored && need_props_) {
      return Status::kDataError;
    }
    if (!chunk.reset_dictionary && need_dictionary_) return Status::kDataError;
    if (!chunk.stored && !chunk.reset_state && need_state_) return Status::kDataError;
    need_dictionary_ = false;
    if (chunk.stored) {
      // After a stored chunk that resets the dictionary, LZMA data starts over with new properties.
      if (chunk.reset_dictionary) need_state_ = need_props_ = true;
    } else {
      need_state_ = false;
    }
    dec.Reset(chunk.reset_dictionary, chunk.reset_state);
    stored_ = chunk.stored;
    chunk_unpack_ = chunk.unpack_size;
    chunk_pack_ = chunk.stored ? 0 : chunk.pack_size;
    return Status::kOk;
  }

  InputBuffer in_;
  LzmaCore core_;
  uint64_t out_left_;
  uint64_t position_;  // in the whole stream's output
  uint64_t chunk_unpack_ = 0;
  uint64_t chunk_pack_ = 0;
  bool stored_ = false;
  bool finished_ = false;
  bool damaged_ = false;  // reported on the next read
  bool need_dictionary_ = true;
  bool need_state_ = true;
  bool need_props_ = true;
};

}  // namespace

bool Lzma2Dictionary(uint8_t prop, uint64_t& dictionary) {
  if (prop > 40) return false;
  dictionary = prop == 40 ? 0xFFFFFFFFull : uint64_t(2 | (prop & 1)) << (prop / 2 + 11);
  return true;
}

std::unique_ptr<Source> MakeLzmaDecoder(const std::vector<uint8_t>& props, std::unique_ptr<Source> input,
                                        uint64_t out_size, Status& status) {
  if (props.size() < 5) {
    status = Status::kUnsupportedMethod;
    return nullptr;
  }
  auto decoder = std::make_unique<LzmaDecoder>(std::move(input), out_size);
  status = decoder->Init(props.data());
  return status == Status::kOk ? std::move(decoder) : nullptr;
}

std::unique_ptr<Source> MakeLzma2Decoder(const std::vector<uint8_t>& props, std::unique_ptr<Source> input,
                                         uint64_t out_size, Status& status, uint64_t position) {
  if (props.size() != 1) {
    status = Status::kUnsupportedMethod;
    return nullptr;
  }
  auto decoder = std::make_unique<Lzma2Decoder>(std::move(input), out_size, position);
  status = decoder->Init(props[0]);
  return status == Status::kOk ? std::move(decoder) : nullptr;
}

}  // namespace qmb::sevenzip
