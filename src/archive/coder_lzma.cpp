// LZMA decoding into our own dictionary buffer: LzmaDec writes into the circular dictionary and we
// copy out what it produced. LZMA2 is a chunk layer over the same decoder: each chunk may reset
// the dictionary, the state or the properties, or carry stored bytes.
#include "archive/coder_lzma.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "LzmaDec.h"
#include "archive/lzma2_chunk.h"

// Part of LzmaDec.c but not of its header: LZMA2 resets the dictionary and state per chunk.
extern "C" void LzmaDec_InitDicAndState(CLzmaDec* p, Bool initDic, Bool initState);

namespace qmb::sevenzip {
namespace {

constexpr size_t kInputBuffer = 1 << 18;
// LZMA2 data is decoded in steps that end on multiples of this in the stream's output: the
// decoder core reports damage for a whole step, so damage shows at the same byte whether the
// stream is decoded from its start or from a dictionary reset in its middle.
constexpr uint64_t kDamageStep = 1 << 16;

void* AllocFn(void*, size_t size) { return std::malloc(size); }
void FreeFn(void*, void* address) { std::free(address); }
ISzAlloc g_alloc = {AllocFn, FreeFn};

// Owns a CLzmaDec whose probabilities come from LzmaDec and whose dictionary is ours.
class LzmaCore {
 public:
  LzmaCore() { LzmaDec_Construct(&dec_); }
  ~LzmaCore() {
    LzmaDec_FreeProbs(&dec_, &g_alloc);
    std::free(dec_.dic);
  }
  LzmaCore(const LzmaCore&) = delete;
  LzmaCore& operator=(const LzmaCore&) = delete;

  // props: the 5-byte LZMA properties. dictionary_buffer was bounded by the caller.
  Status Init(const uint8_t* props, uint64_t dictionary_buffer) {
    if (LzmaDec_AllocateProbs(&dec_, props, LZMA_PROPS_SIZE, &g_alloc) != SZ_OK)
      return Status::kUnsupportedMethod;
    dec_.dic = static_cast<Byte*>(std::malloc(static_cast<size_t>(dictionary_buffer)));
    if (!dec_.dic) return Status::kTooLarge;
    dec_.dicBufSize = static_cast<SizeT>(dictionary_buffer);
    return Status::kOk;
  }
  CLzmaDec& dec() { return dec_; }

  // Where the next decoded bytes go, at most `want` of them (wrapping the dictionary when full).
  SizeT Limit(uint64_t want) {
    if (dec_.dicPos == dec_.dicBufSize) dec_.dicPos = 0;
    return dec_.dicPos + static_cast<SizeT>(std::min<uint64_t>(want, dec_.dicBufSize - dec_.dicPos));
  }

 private:
  CLzmaDec dec_;
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
    uint64_t buffer = 0;
    if (Status s = CheckDictionary(dictionary, left_, buffer); s != Status::kOk) return s;
    Status s = core_.Init(props, buffer);
    if (s == Status::kOk) LzmaDec_Init(&core_.dec());
    return s;
  }

  Status Read(uint8_t* data, size_t size, size_t& got) override {
    got = 0;
    CLzmaDec& dec = core_.dec();
    while (got == 0 && left_ > 0 && size > 0) {
      Status status = Status::kOk;
      if (!in_.Fill(status)) return status;
      SizeT start = dec.dicPos == dec.dicBufSize ? 0 : dec.dicPos;
      SizeT limit = core_.Limit(std::min<uint64_t>(left_, size));
      SizeT in_size = in_.available();
      ELzmaStatus lzma_status;  // not needed: the declared size says where the stream ends
      SRes res = LzmaDec_DecodeToDic(&dec, limit, in_.data(), &in_size, LZMA_FINISH_ANY, &lzma_status);
      in_.Consume(in_size);
      size_t produced = dec.dicPos - start;
      std::memcpy(data, dec.dic + start, produced);
      got = produced;
      left_ -= produced;
      if (res != SZ_OK) return Status::kDataError;
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
    const uint8_t props[5] = {4, 0, 0, 0, 0};
    if (Status s = core_.Init(props, buffer); s != Status::kOk) return s;
    core_.dec().prop.dicSize = static_cast<UInt32>(dictionary);
    LzmaDec_Init(&core_.dec());
    return Status::kOk;
  }

  Status Read(uint8_t* data, size_t size, size_t& got) override {
    got = 0;
    if (damaged_) return Status::kDataError;
    while (got == 0 && size > 0 && !finished_) {
      Status status = Status::kOk;
      if (chunk_unpack_ == 0) {
        if (chunk_pack_ != 0) return Status::kDataError;  // an LZMA chunk longer than it decodes
        if ((status = ReadControl()) != Status::kOk) return status;
        continue;
      }
      if (!in_.Fill(status)) return status;
      if (in_.available() == 0) return Status::kDataError;
      CLzmaDec& dec = core_.dec();
      SizeT start = dec.dicPos == dec.dicBufSize ? 0 : dec.dicPos;
      SizeT limit = core_.Limit(std::min<uint64_t>({chunk_unpack_, size, kDamageStep - position_ % kDamageStep}));
      SizeT in_size = in_.available();
      if (stored_) {
        in_size = std::min<SizeT>(in_size, limit - start);
        std::memcpy(dec.dic + start, in_.data(), in_size);
        dec.dicPos += in_size;
        if (dec.checkDicSize == 0 && dec.prop.dicSize - dec.processedPos <= in_size)
          dec.checkDicSize = dec.prop.dicSize;
        dec.processedPos += static_cast<UInt32>(in_size);
      } else {
        in_size = static_cast<SizeT>(std::min<uint64_t>(in_size, chunk_pack_));
        ELzmaStatus lzma_status;
        SizeT used = in_size;
        if (LzmaDec_DecodeToDic(&dec, limit, in_.data(), &used, LZMA_FINISH_ANY, &lzma_status) != SZ_OK) {
          // The bytes decoded before the damage go out first, so the failure shows at the same
          // byte whatever sizes the reader asks for (pieces decoded ahead rely on that).
          damaged_ = true;
          if (dec.dicPos == start) return Status::kDataError;
        }
        in_size = used;
        chunk_pack_ -= used;
        if (dec.dicPos == start && used == 0) return Status::kDataError;
      }
      in_.Consume(in_size);
      size_t produced = dec.dicPos - start;
      if (produced > out_left_) return Status::kDataError;
      std::memcpy(data, dec.dic + start, produced);
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
    CLzmaDec& dec = core_.dec();
    if (chunk.new_props) {
      if (chunk.props >= 9 * 5 * 5) return Status::kDataError;
      unsigned lc = chunk.props % 9, lp = (chunk.props / 9) % 5, pb = chunk.props / 45;
      if (lc + lp > 4) return Status::kDataError;
      dec.prop.lc = lc;
      dec.prop.lp = lp;
      dec.prop.pb = pb;
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
    LzmaDec_InitDicAndState(&dec, chunk.reset_dictionary ? 1 : 0, chunk.reset_state ? 1 : 0);
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
  if (props.size() < LZMA_PROPS_SIZE) {
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
