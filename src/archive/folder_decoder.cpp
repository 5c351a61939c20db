// The coder graph of a folder, turned into nested Sources. Every coder's output is held to the
// size the header declares for it, so a damaged stream cannot run on past its end or stop short
// unnoticed.
#include "archive/folder_decoder.h"

#include <algorithm>
#include <cstdio>

#include "archive/coder_bzip2.h"
#include "archive/coder_deflate.h"
#include "archive/coder_lzma.h"
#include "archive/coder_lzma2_split.h"
#include "archive/coder_ppmd.h"
#include "archive/filter.h"
#include "archive/read_ahead.h"

namespace qmb::sevenzip {
namespace {

constexpr uint64_t kCopy = 0x00, kDelta = 0x03, kLzma = 0x030101, kLzma2 = 0x21, kDeflate = 0x040108,
                   kDeflate64 = 0x040109, kBzip2 = 0x040202, kPpmd = 0x030401, kBcj2 = 0x0303011B,
                   kArm64 = 0x0A, kRiscV = 0x0B;

// Reads one pack stream; the stream is shared by the folder's pack streams, so every read seeks.
class PackSource final : public Source {
 public:
  PackSource(InStream& stream, uint64_t offset, uint64_t size) : stream_(stream), offset_(offset), left_(size) {}
  Status Read(uint8_t* data, size_t size, size_t& got) override {
    got = 0;
    if (left_ == 0 || size == 0) return Status::kOk;
    size_t want = static_cast<size_t>(std::min<uint64_t>(size, left_));
    got = stream_.ReadAt(offset_, data, want);
    if (got == 0) return Status::kUnexpectedEnd;
    offset_ += got;
    left_ -= got;
    return Status::kOk;
  }

 private:
  InStream& stream_;
  uint64_t offset_;
  uint64_t left_;
};

// Holds a coder's output to its declared size: a shorter stream is damaged, a longer one is cut
// (7zAES pads to whole blocks).
class SizedSource final : public Source {
 public:
  SizedSource(std::unique_ptr<Source> inner, uint64_t size) : inner_(std::move(inner)), left_(size) {}
  Status Read(uint8_t* data, size_t size, size_t& got) override {
    got = 0;
    if (left_ == 0 || size == 0) return Status::kOk;
    Status status = inner_->Read(data, static_cast<size_t>(std::min<uint64_t>(size, left_)), got);
    if (status != Status::kOk) return status;
    if (got == 0) return Status::kDataError;
    left_ -= got;
    return Status::kOk;
  }

 private:
  std::unique_ptr<Source> inner_;
  uint64_t left_;
};

std::optional<BranchKind> BranchKindOf(uint64_t method) {
  switch (method) {
    case 0x03030103: case 0x04: return BranchKind::kX86;
    case 0x03030205: case 0x05: return BranchKind::kPowerPc;
    case 0x03030401: case 0x06: return BranchKind::kIa64;
    case 0x03030501: case 0x07: return BranchKind::kArm;
    case 0x03030701: case 0x08: return BranchKind::kArmThumb;
    case 0x03030805: case 0x09: return BranchKind::kSparc;
    case kArm64: return BranchKind::kArm64;
    case kRiscV: return BranchKind::kRiscV;
    default: return std::nullopt;
  }
}

// "unsupported method 030401FF": the id's bytes in hexadecimal, as the header stores them.
std::string MethodName(const Coder& coder) {
  int bytes = 1;
  while (bytes < 8 && (coder.method >> (8 * bytes)) != 0) ++bytes;
  std::string text = "unsupported method ";
  for (int i = bytes - 1; i >= 0; --i) {
    char hex[3];
    std::snprintf(hex, sizeof hex, "%02X", static_cast<unsigned>((coder.method >> (8 * i)) & 0xFF));
    text += hex;
  }
  return text;
}

// The converter of a filter coder (Delta or a branch converter); null for other methods, and with
// status set when the filter's properties are out of bounds.
std::unique_ptr<Converter> MakeConverter(const Coder& coder, Status& status) {
  const auto& props = coder.props;
  if (coder.method == kDelta) {
    if (props.size() == 1) return MakeDeltaConverter(props[0] + 1u);
    status = Status::kUnsupportedMethod;
  } else if (auto kind = BranchKindOf(coder.method)) {
    // An optional 4-byte property gives the offset the code was converted from.
    if (props.empty()) return MakeBranchConverter(*kind, 0);
    if (props.size() == 4)
      return MakeBranchConverter(*kind, props[0] | props[1] << 8 | props[2] << 16 | uint32_t(props[3]) << 24);
    status = Status::kUnsupportedMethod;
  }
  return nullptr;
}

class GraphBuilder {
 public:
  GraphBuilder(const Folder& folder, const FolderInput& input) : folder_(folder), input_(input) {
    uint32_t in = 0, out = 0;
    for (const Coder& coder : folder.coders) {
      in_start_.push_back(in);
      out_start_.push_back(out);
      in += coder.num_in;
      out += coder.num_out;
    }
  }

  std::unique_ptr<Source> Output(uint32_t out_index, unsigned depth, Error& error) {
    if (depth > folder_.coders.size()) {
      error = {Status::kDataError, "damaged header: coder loop"};
      return nullptr;
    }
    const size_t c = CoderOf(out_index);
    const Coder& coder = folder_.coders[c];
    if (coder.num_out != 1) {
      error = {Status::kUnsupportedMethod, MethodName(coder)};
      return nullptr;
    }
    std::vector<std::unique_ptr<Source>> inputs;
    for (uint32_t k = 0; k < coder.num_in; ++k) {
      auto source = Input(in_start_[c] + k, depth, error);
      if (!source) return nullptr;
      inputs.push_back(std::move(source));
    }
    auto decoder = MakeCoder(coder, std::move(inputs), folder_.unpack_sizes[out_index], error);
    if (!decoder) return nullptr;
    return std::make_unique<SizedSource>(std::move(decoder), folder_.unpack_sizes[out_index]);
  }

  FolderStages Stages(Error& error) {
    FolderStages stages;
    stages.size = folder_.unpack_sizes[folder_.main_out];
    const size_t c = CoderOf(folder_.main_out);
    const Coder& coder = folder_.coders[c];
    const auto bound = std::find_if(folder_.bind_pairs.begin(), folder_.bind_pairs.end(),
                                    [&](const auto& pair) { return pair.first == in_start_[c]; });
    Status status = Status::kOk;
    if (coder.num_in == 1 && coder.num_out == 1 && bound != folder_.bind_pairs.end() &&
        bound->second < folder_.unpack_sizes.size())
      stages.filter = MakeConverter(coder, status);
    if (stages.filter) {
      stages.decode = Output(bound->second, 1, error);
      stages.decode_size = folder_.unpack_sizes[bound->second];
      if (!stages.decode) stages.filter.reset();
    } else {
      stages.decode = Output(folder_.main_out, 0, error);
      stages.decode_size = stages.size;
    }
    return stages;
  }

 private:
  size_t CoderOf(uint32_t out_index) const {
    size_t c = 0;
    while (c + 1 < folder_.coders.size() && out_start_[c + 1] <= out_index) ++c;
    return c;
  }

  std::unique_ptr<Source> Input(uint32_t in_index, unsigned depth, Error& error) {
    const auto& packed = folder_.packed_streams;
    if (auto it = std::find(packed.begin(), packed.end(), in_index); it != packed.end()) {
      const size_t k = static_cast<size_t>(it - packed.begin());
      uint64_t offset = input_.pack_offset;
      for (size_t i = 0; i < k; ++i) offset += input_.pack_sizes[i];
      return std::make_unique<PackSource>(*input_.stream, offset, input_.pack_sizes[k]);
    }
    for (const auto& [in, out] : folder_.bind_pairs)
      if (in == in_index) return Output(out, depth + 1, error);
    error = {Status::kDataError, "damaged header: unbound coder input"};
    return nullptr;
  }

  std::unique_ptr<Source> MakeCoder(const Coder& coder, std::vector<std::unique_ptr<Source>> inputs,
                                    uint64_t out_size, Error& error) {
    Status status = Status::kOk;
    std::unique_ptr<Source> decoder;
    const bool single = inputs.size() == 1;
    const auto& props = coder.props;
    if (coder.method == kBcj2 && inputs.size() == 4) {
      // The main stream's decoder does most of the work: it runs beside the filter when it can
      // (each pack stream is read at its own offsets, so the two threads may share the archive).
      if (input_.share) inputs[0] = MakeReadAhead(std::move(inputs[0]), kBcj2MainRead, *input_.share);
      decoder = MakeBcj2Decoder(std::move(inputs));
    } else if (!single) {
      status = Status::kUnsupportedMethod;
    } else if (coder.method == kCopy) {
      decoder = std::move(inputs[0]);
    } else if (coder.method == kLzma) {
      decoder = MakeLzmaDecoder(props, std::move(inputs[0]), out_size, status);
    } else if (coder.method == kLzma2) {
      decoder = input_.share ? MakeLzma2SplitDecoder(props, std::move(inputs[0]), out_size, *input_.share, status)
                             : MakeLzma2Decoder(props, std::move(inputs[0]), out_size, status);
    } else if (coder.method == kDeflate) {
      decoder = MakeDeflateDecoder(std::move(inputs[0]));
    } else if (coder.method == kDeflate64) {
      decoder = MakeDeflate64Decoder(std::move(inputs[0]));
    } else if (coder.method == kBzip2) {
      decoder = MakeBzip2Decoder(std::move(inputs[0]), input_.share);
    } else if (coder.method == kPpmd) {
      decoder = MakePpmdDecoder(props, std::move(inputs[0]), status);
    } else if (coder.method == kMethodAes) {
      decoder = MakeAesDecoder(props, std::move(inputs[0]), *input_.password, *input_.keys, status);
    } else if (auto converter = MakeConverter(coder, status)) {
      decoder = MakeFilterSource(std::move(converter), std::move(inputs[0]));
    } else if (status == Status::kOk) {
      status = Status::kUnsupportedMethod;
    }
    if (!decoder) {
      if (status == Status::kUnsupportedMethod)
        error = {status, MethodName(coder)};
      else if (status == Status::kTooLarge)
        error = {status, "dictionary, model or key cost beyond limits"};
      else if (status == Status::kPasswordRequired)
        error = {status, "password required"};
      else
        error = {status == Status::kOk ? Status::kDataError : status, "coder set-up failed"};
    }
    return decoder;
  }

  const Folder& folder_;
  const FolderInput& input_;
  std::vector<uint32_t> in_start_, out_start_;
};

uint32_t Le32(const std::vector<uint8_t>& props, size_t at) {
  return props.size() < at + 4 ? 0
                               : props[at] | props[at + 1] << 8 | props[at + 2] << 16 | uint32_t(props[at + 3]) << 24;
}

}  // namespace

bool FolderIsStored(const Folder& folder) {
  return std::all_of(folder.coders.begin(), folder.coders.end(), [](const Coder& coder) {
    return coder.method == kCopy || coder.method == kDelta || BranchKindOf(coder.method);
  });
}

uint64_t FolderMemory(const Folder& folder) {
  constexpr uint64_t kBuffers = 1 << 20;  // input and output buffers of one coder, roughly
  uint64_t total = 0;
  uint32_t out = 0;
  for (const Coder& coder : folder.coders) {
    const uint64_t out_size = out < folder.unpack_sizes.size() ? folder.unpack_sizes[out] : 0;
    out += coder.num_out;
    uint64_t dictionary = 0;
    if (coder.method == kLzma) {
      dictionary = DictionaryBufferSize(Le32(coder.props, 1), out_size);
    } else if (coder.method == kLzma2 && coder.props.size() == 1 &&
               Lzma2Dictionary(coder.props[0], dictionary)) {
      dictionary = DictionaryBufferSize(dictionary, out_size);
    } else if (coder.method == kPpmd) {
      dictionary = Le32(coder.props, 1);
    } else if (coder.method == kBzip2) {
      dictionary = 8 << 20;
    }
    total += dictionary + kBuffers;
  }
  return total;
}

std::unique_ptr<Source> OpenFolder(const Folder& folder, const FolderInput& input, Error& error) {
  GraphBuilder builder(folder, input);
  return builder.Output(folder.main_out, 0, error);
}

FolderStages OpenFolderStages(const Folder& folder, const FolderInput& input, Error& error) {
  GraphBuilder builder(folder, input);
  return builder.Stages(error);
}

std::unique_ptr<Source> FinishFolder(FolderStages& stages, std::unique_ptr<Source> decoded) {
  if (!stages.filter) return decoded;
  return std::make_unique<SizedSource>(MakeFilterSource(std::move(stages.filter), std::move(decoded)), stages.size);
}

}  // namespace qmb::sevenzip
