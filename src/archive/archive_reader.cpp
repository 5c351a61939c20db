// Opening a 7z archive (finding it, reading and decoding its header) and extracting entries
// folder by folder through the decoder chains.
#include "archive/archive_reader.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

#include "archive/folder_decoder.h"
#include "archive/folder_prefetch.h"
#include "archive/sz_header.h"

namespace qmb::sevenzip {
namespace {

constexpr uint8_t kSignature[6] = {'7', 'z', 0xBC, 0xAF, 0x27, 0x1C};
constexpr size_t kStartHeaderSize = 32;
// Headers are small (names, sizes, times): a larger one is damage, not an archive we should read.
constexpr uint64_t kMaxHeaderSize = uint64_t(64) << 20;
constexpr size_t kScanChunk = 1 << 20;
constexpr size_t kExtractChunk = 1 << 20;
constexpr int kMaxHeaderNesting = 4;

uint32_t Crc(const uint8_t* data, size_t size, uint32_t crc = 0) {
  return static_cast<uint32_t>(crc32(crc, data, static_cast<uInt>(size)));
}

uint32_t Le32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24; }
uint64_t Le64(const uint8_t* p) { return Le32(p) | uint64_t(Le32(p + 4)) << 32; }

bool ReadAt(InStream& stream, uint64_t offset, uint8_t* data, size_t size) {
  if (!stream.Seek(offset)) return false;
  size_t done = 0;
  while (done < size) {
    size_t n = stream.Read(data + done, size - done);
    if (n == 0) return false;
    done += n;
  }
  return true;
}

bool IsStartHeader(const uint8_t* p) {
  return std::memcmp(p, kSignature, 6) == 0 && p[6] == 0 && Le32(p + 8) == Crc(p + 12, 20);
}

// The first signature whose start header checks out, scanning the stream chunk by chunk.
std::optional<uint64_t> FindArchive(InStream& stream, uint8_t (&start_header)[kStartHeaderSize]) {
  std::vector<uint8_t> buffer(kScanChunk + kStartHeaderSize);
  const uint64_t size = stream.Size();
  for (uint64_t base = 0; base < size; base += kScanChunk) {
    const size_t want = static_cast<size_t>(std::min<uint64_t>(buffer.size(), size - base));
    if (!ReadAt(stream, base, buffer.data(), want)) return std::nullopt;
    const size_t last = std::min(want, kScanChunk);
    for (size_t i = 0; i < last && i + kStartHeaderSize <= want; ++i) {
      const void* hit = std::memchr(buffer.data() + i, kSignature[0], last - i);
      if (!hit) break;
      i = static_cast<size_t>(static_cast<const uint8_t*>(hit) - buffer.data());
      if (i + kStartHeaderSize <= want && IsStartHeader(buffer.data() + i)) {
        std::memcpy(start_header, buffer.data() + i, kStartHeaderSize);
        return base + i;
      }
    }
  }
  return std::nullopt;
}

// Decoding errors inside an encrypted folder almost always mean the key was wrong.
Error FolderFailure(const Folder& folder, Status status, const char* what) {
  if (FolderIsEncrypted(folder) && (status == Status::kDataError || status == Status::kCrcError))
    return {Status::kWrongPassword, "wrong password"};
  return {status, what};
}

const char* StatusText(Status status) {
  switch (status) {
    case Status::kCrcError: return "CRC mismatch";
    case Status::kUnexpectedEnd: return "unexpected end of archive";
    case Status::kTooLarge: return "size beyond limits";
    case Status::kUnsupportedMethod: return "unsupported variant of the method";
    default: return "damaged data";
  }
}

class ArchiveImpl final : public Archive {
 public:
  ArchiveImpl(std::unique_ptr<InStream> stream, std::u16string password)
      : stream_(std::move(stream)), password_(std::move(password)) {}

  Error Load() {
    uint8_t start[kStartHeaderSize];
    auto found = FindArchive(*stream_, start);
    if (!found) return {Status::kNotArchive, "not a 7z archive"};
    base_ = *found + kStartHeaderSize;
    const uint64_t next_offset = Le64(start + 12), next_size = Le64(start + 20);
    const uint32_t next_crc = Le32(start + 28);
    if (next_size == 0) return {};  // an empty archive
    if (next_size > kMaxHeaderSize) return {Status::kTooLarge, "header too large"};
    const uint64_t size = stream_->Size();
    if (next_offset > size || base_ + next_offset + next_size > size)
      return {Status::kUnexpectedEnd, "unexpected end of archive"};
    std::vector<uint8_t> bytes(static_cast<size_t>(next_size));
    if (!ReadAt(*stream_, base_ + next_offset, bytes.data(), bytes.size()))
      return {Status::kUnexpectedEnd, "unexpected end of archive"};
    if (Crc(bytes.data(), bytes.size()) != next_crc) return {Status::kDataError, "damaged header: CRC mismatch"};

    for (int level = 0;; ++level) {
      ByteReader reader(bytes.data(), bytes.size());
      const uint64_t id = reader.Number();
      if (id == kHeader) {
        if (Error e = ParseHeader(reader, header_); !e.ok()) return e;
        break;
      }
      if (id != kEncodedHeader || level == kMaxHeaderNesting) return {Status::kDataError, "damaged header"};
      StreamsInfo info;
      if (Error e = ParseStreamsInfo(reader, info); !e.ok()) return e;
      if (Error e = DecodeHeader(info, bytes); !e.ok()) return e;
    }
    return Index();
  }

  const std::vector<Entry>& entries() const override { return header_.entries; }

  Error Extract(const std::vector<bool>& selected, ExtractSink& sink, unsigned threads) override {
    const auto& entries = header_.entries;
    if (selected.size() != entries.size()) return {Status::kDataError, "selection does not match the entries"};
    // The last selected entry of each folder: decoding a folder stops there.
    std::vector<size_t> last_selected(header_.streams.folders.size(), 0);
    std::vector<bool> wanted(header_.streams.folders.size(), false);
    for (size_t i = 0; i < entries.size(); ++i)
      if (selected[i] && entries[i].has_stream) {
        wanted[entry_folder_[i]] = true;
        last_selected[entry_folder_[i]] = i;
      }
    std::vector<uint8_t> buffer(kExtractChunk);
    std::unique_ptr<FolderPrefetcher> prefetcher = StartPrefetch(selected, wanted, last_selected, threads);
    std::unique_ptr<Source> decoder;
    size_t open_folder = SIZE_MAX;
    for (size_t i = 0; i < entries.size(); ++i) {
      const Entry& entry = entries[i];
      if (!entry.has_stream) {
        if (!selected[i]) continue;
        if (!sink.Begin(i)) return {Status::kCancelled, "cancelled"};
        if (!sink.End(i, Status::kOk)) return {Status::kWriteError, "write failed"};
        continue;
      }
      const size_t f = entry_folder_[i];
      if (!wanted[f] || i > last_selected[f]) continue;
      const Folder& folder = header_.streams.folders[f];
      if (open_folder != f) {
        Error error;
        decoder = prefetcher ? prefetcher->Next(error) : OpenFolder(folder, FolderInputFor(f, *stream_), error);
        if (!decoder) return error;
        open_folder = f;
      }
      if (Error e = ExtractEntry(i, selected[i], folder, *decoder, buffer, sink); !e.ok()) return e;
    }
    return {};
  }

 private:
  // With more than one thread the wanted folders are decoded by workers ahead of the loop in
  // Extract (a single folder still gains: decoding overlaps checking and writing); null otherwise,
  // and when every wanted folder only stores its bytes.
  std::unique_ptr<FolderPrefetcher> StartPrefetch(const std::vector<bool>& selected, const std::vector<bool>& wanted,
                                                  const std::vector<size_t>& last_selected, unsigned threads) {
    if (threads < 2) return nullptr;
    std::vector<PrefetchItem> items;
    for (size_t f = 0; f < wanted.size(); ++f)
      if (wanted[f]) items.push_back({f, 0, FolderMemory(header_.streams.folders[f])});
    if (std::all_of(items.begin(), items.end(),
                    [&](const PrefetchItem& item) { return FolderIsStored(header_.streams.folders[item.folder]); }))
      return nullptr;
    std::vector<uint64_t> bytes(wanted.size(), 0);
    for (size_t i = 0; i < selected.size(); ++i) {
      const Entry& entry = header_.entries[i];
      if (entry.has_stream && wanted[entry_folder_[i]] && i <= last_selected[entry_folder_[i]])
        bytes[entry_folder_[i]] += entry.size;
    }
    for (PrefetchItem& item : items) item.bytes = bytes[item.folder];
    auto open = [this, bytes](size_t f, InStream& stream, DecodeShare& share, Error& error) {
      FolderInput input = FolderInputFor(f, stream);
      input.share = &share;
      const Folder& folder = header_.streams.folders[f];
      FolderStages stages = OpenFolderStages(folder, input, error);
      // A folder read only in part keeps its filter on the worker, which stops where the reader does.
      if (stages.filter && bytes[f] != folder.unpack_size()) {
        stages.decode = FinishFolder(stages, std::move(stages.decode));
        stages.decode_size = stages.size;
      }
      return stages;
    };
    return std::make_unique<FolderPrefetcher>(*stream_, std::move(items), threads, open);
  }

  FolderInput FolderInputFor(size_t f, InStream& stream) {
    return {&stream, pack_offsets_[f], header_.streams.pack_sizes.data() + header_.streams.folders[f].first_pack,
            &password_, &keys_};
  }

  // Decodes one entry's bytes from the folder's stream; a selected entry's bytes go to the sink.
  Error ExtractEntry(size_t i, bool selected, const Folder& folder, Source& decoder, std::vector<uint8_t>& buffer,
                     ExtractSink& sink) {
    const Entry& entry = header_.entries[i];
    if (selected && !sink.Begin(i)) return {Status::kCancelled, "cancelled"};
    auto fail = [&](Error error) {
      if (selected) sink.End(i, error.status);
      return error;
    };
    uint64_t left = entry.size;
    uint32_t crc = 0;
    while (left > 0) {
      size_t got = 0;
      Status status = ReadFull(decoder, buffer.data(), static_cast<size_t>(std::min<uint64_t>(left, buffer.size())), got);
      if (status == Status::kOk && got == 0) status = Status::kDataError;
      if (status != Status::kOk) return fail(FolderFailure(folder, status, StatusText(status)));
      crc = Crc(buffer.data(), got, crc);
      left -= got;
      if (selected && !sink.Data(buffer.data(), got)) return fail({Status::kCancelled, "cancelled"});
    }
    if (entry.crc && *entry.crc != crc) return fail(FolderFailure(folder, Status::kCrcError, "CRC mismatch"));
    if (selected && !sink.End(i, Status::kOk)) return {Status::kWriteError, "write failed"};
    return {};
  }

  // Replaces `bytes` with the header held in the first folder of `info`.
  Error DecodeHeader(const StreamsInfo& info, std::vector<uint8_t>& bytes) {
    if (info.folders.empty()) return {Status::kDataError, "damaged header: no folder"};
    const Folder& folder = info.folders[0];
    const uint64_t size = folder.unpack_size();
    if (size > kMaxHeaderSize) return {Status::kTooLarge, "header too large"};
    uint64_t offset = base_ + info.pack_pos, end = offset;
    for (size_t k = 0; k < folder.packed_streams.size(); ++k) end += info.pack_sizes[k];
    if (end > stream_->Size()) return {Status::kUnexpectedEnd, "unexpected end of archive"};
    Error error;
    auto decoder = OpenFolder(folder, {stream_.get(), offset, info.pack_sizes.data(), &password_, &keys_}, error);
    if (!decoder) return error;
    std::vector<uint8_t> header(static_cast<size_t>(size));
    size_t got = 0;
    Status status = ReadFull(*decoder, header.data(), header.size(), got);
    if (status == Status::kOk && got != header.size()) status = Status::kDataError;
    if (status == Status::kOk && folder.crc && *folder.crc != Crc(header.data(), header.size()))
      status = Status::kCrcError;
    if (status != Status::kOk) {
      Error failure = FolderFailure(folder, status, "damaged header");
      return failure.status == Status::kCrcError ? Error{Status::kDataError, "damaged header: CRC mismatch"} : failure;
    }
    bytes = std::move(header);
    return {};
  }

  // Maps entries to folders and checks that the pack streams lie inside the stream.
  Error Index() {
    const StreamsInfo& streams = header_.streams;
    uint64_t offset = base_ + streams.pack_pos;
    std::vector<uint64_t> pack_starts;
    for (uint64_t size : streams.pack_sizes) {
      pack_starts.push_back(offset);
      offset += size;
    }
    if (offset > stream_->Size()) return {Status::kUnexpectedEnd, "unexpected end of archive"};
    for (const Folder& folder : streams.folders) pack_offsets_.push_back(pack_starts[folder.first_pack]);
    entry_folder_.assign(header_.entries.size(), 0);
    size_t folder = 0;
    uint64_t used = 0;  // substreams of `folder` already given out
    for (size_t i = 0; i < header_.entries.size(); ++i) {
      if (!header_.entries[i].has_stream) continue;
      while (folder < streams.folders.size() && used == streams.folders[folder].num_substreams) {
        ++folder;
        used = 0;
      }
      if (folder == streams.folders.size()) return {Status::kDataError, "damaged header: more files than streams"};
      entry_folder_[i] = folder;
      ++used;
    }
    return {};
  }

  std::unique_ptr<InStream> stream_;
  std::u16string password_;
  AesKeyCache keys_;
  uint64_t base_ = 0;  // where the archive's data begins (end of its start header)
  Header header_;
  std::vector<uint64_t> pack_offsets_;  // per folder, absolute
  std::vector<size_t> entry_folder_;    // per entry with a stream
};

}  // namespace

std::unique_ptr<Archive> Archive::Open(std::unique_ptr<InStream> stream, const std::u16string& password,
                                       Error& error) {
  error = {};
  if (!stream) {
    error = {Status::kNotArchive, "no input"};
    return nullptr;
  }
  auto archive = std::make_unique<ArchiveImpl>(std::move(stream), password);
  error = archive->Load();
  if (!error.ok()) return nullptr;
  return archive;
}

}  // namespace qmb::sevenzip
