// The header parser. Every count is checked against the bytes left before anything is sized
// from it, every index against what it indexes, and sums of sizes against overflow.
#include "archive/sz_header.h"

#include <algorithm>

namespace qmb::sevenzip {
namespace {

// Sizes beyond this are damage: no real stream comes near it, and sums of a few stay exact.
constexpr uint64_t kMaxSize = uint64_t(1) << 56;

Error Damaged(const char* what) { return {Status::kDataError, std::string("damaged header: ") + what}; }

// A bit vector of n items, most significant bit first.
std::vector<bool> ReadBits(ByteReader& r, uint64_t n) {
  std::vector<bool> bits;
  const uint8_t* p = r.Take((n + 7) / 8);
  if (!p) return bits;
  bits.resize(n);
  for (uint64_t i = 0; i < n; ++i) bits[i] = (p[i / 8] >> (7 - i % 8)) & 1;
  return bits;
}

// "All defined" byte, or a bit vector when it is 0.
std::vector<bool> ReadDefined(ByteReader& r, uint64_t n) {
  if (r.Byte() != 0) return std::vector<bool>(n, true);
  return ReadBits(r, n);
}

std::vector<std::optional<uint32_t>> ReadDigests(ByteReader& r, uint64_t n) {
  std::vector<std::optional<uint32_t>> digests;
  std::vector<bool> defined = ReadDefined(r, n);
  if (r.failed()) return digests;
  digests.resize(n);
  for (uint64_t i = 0; i < n && !r.failed(); ++i)
    if (defined[i]) digests[i] = r.UInt32();
  return digests;
}

Error ParsePackInfo(ByteReader& r, StreamsInfo& info) {
  info.pack_pos = r.Number();
  const uint64_t n = r.Count();
  if (r.failed() || info.pack_pos > kMaxSize) return Damaged("pack info");
  for (;;) {
    const uint64_t id = r.Number();
    if (r.failed()) return Damaged("pack info");
    if (id == kEnd) break;
    if (id == kSize) {
      info.pack_sizes.resize(n);
      for (auto& size : info.pack_sizes) {
        size = r.Number();
        if (size > kMaxSize) return Damaged("pack size");
      }
    } else if (id == kCrc) {
      ReadDigests(r, n);  // pack stream digests: the data's own CRCs are checked instead
    } else {
      return Damaged("pack info property");
    }
  }
  if (info.pack_sizes.size() != n) return Damaged("pack sizes missing");
  return {};
}

Error ParseFolder(ByteReader& r, Folder& folder) {
  const uint64_t num_coders = r.Number();
  if (r.failed() || num_coders == 0 || num_coders > kMaxCodersPerFolder) return Damaged("coder count");
  uint32_t total_in = 0, total_out = 0;
  for (uint64_t c = 0; c < num_coders; ++c) {
    Coder coder;
    const uint8_t flags = r.Byte();
    const unsigned id_size = flags & 0x0F;
    if (flags & 0x80) return {Status::kUnsupportedMethod, "alternative coder methods"};
    if (id_size > 8) return Damaged("method id");
    for (unsigned i = 0; i < id_size; ++i) coder.method = coder.method << 8 | r.Byte();
    if (flags & 0x10) {
      const uint64_t in = r.Number(), out = r.Number();
      if (in > kMaxStreamsPerCoder || out > kMaxStreamsPerCoder) return Damaged("coder streams");
      coder.num_in = static_cast<uint32_t>(in);
      coder.num_out = static_cast<uint32_t>(out);
    }
    if (flags & 0x20) {
      const uint64_t size = r.Count();
      const uint8_t* p = r.Take(size);
      if (p) coder.props.assign(p, p + size);
    }
    if (r.failed()) return Damaged("coder");
    total_in += coder.num_in;
    total_out += coder.num_out;
    folder.coders.push_back(std::move(coder));
  }
  if (total_out == 0 || total_in < total_out) return Damaged("coder streams");  // at least one pack stream
  const uint32_t num_bind = total_out - 1;
  std::vector<bool> in_bound(total_in), out_bound(total_out);
  for (uint32_t i = 0; i < num_bind; ++i) {
    const uint64_t in = r.Number(), out = r.Number();
    if (r.failed() || in >= total_in || out >= total_out || in_bound[in] || out_bound[out])
      return Damaged("bind pair");
    in_bound[in] = out_bound[out] = true;
    folder.bind_pairs.emplace_back(static_cast<uint32_t>(in), static_cast<uint32_t>(out));
  }
  const uint32_t num_packed = total_in - num_bind;
  if (num_packed == 1) {
    auto free_in = std::find(in_bound.begin(), in_bound.end(), false);
    folder.packed_streams.push_back(static_cast<uint32_t>(free_in - in_bound.begin()));
  } else {
    for (uint32_t i = 0; i < num_packed; ++i) {
      const uint64_t in = r.Number();
      if (r.failed() || in >= total_in || in_bound[in]) return Damaged("packed stream");
      in_bound[in] = true;
      folder.packed_streams.push_back(static_cast<uint32_t>(in));
    }
  }
  folder.main_out = static_cast<uint32_t>(std::find(out_bound.begin(), out_bound.end(), false) - out_bound.begin());
  folder.unpack_sizes.resize(total_out);
  return {};
}

Error ParseUnpackInfo(ByteReader& r, StreamsInfo& info) {
  if (r.Number() != kFolder) return Damaged("folder list");
  const uint64_t n = r.Count();
  if (r.Byte() != 0) return {Status::kUnsupportedMethod, "external folder list"};
  if (r.failed()) return Damaged("folder list");
  info.folders.resize(n);
  size_t first_pack = 0;
  for (auto& folder : info.folders) {
    if (Error e = ParseFolder(r, folder); !e.ok()) return e;
    folder.first_pack = first_pack;
    first_pack += folder.packed_streams.size();
  }
  if (first_pack != info.pack_sizes.size()) return Damaged("pack stream count");
  if (r.Number() != kCodersUnpackSize) return Damaged("unpack sizes");
  for (auto& folder : info.folders)
    for (auto& size : folder.unpack_sizes) {
      size = r.Number();
      if (size > kMaxSize) return Damaged("unpack size");
    }
  for (;;) {
    const uint64_t id = r.Number();
    if (r.failed()) return Damaged("unpack info");
    if (id == kEnd) break;
    if (id != kCrc) return Damaged("unpack info property");
    auto digests = ReadDigests(r, n);
    for (size_t i = 0; i < digests.size(); ++i) info.folders[i].crc = digests[i];
  }
  return {};
}

Error ParseSubStreamsInfo(ByteReader& r, StreamsInfo& info) {
  uint64_t id = r.Number();
  if (id == kNumUnpackStream) {
    for (auto& folder : info.folders) folder.num_substreams = r.Count(true);
    id = r.Number();
  }
  if (r.failed()) return Damaged("substreams");
  uint64_t total = 0;
  for (const auto& folder : info.folders) total += folder.num_substreams;
  if (total > r.remaining() * 8 + info.folders.size()) return Damaged("substream count");
  info.sub_sizes.clear();
  info.sub_sizes.reserve(total);
  const bool have_sizes = id == kSize;
  for (const auto& folder : info.folders) {
    if (folder.num_substreams == 0) continue;
    uint64_t sum = 0;
    for (uint64_t i = 1; i < folder.num_substreams && have_sizes; ++i) {
      const uint64_t size = r.Number();
      if (r.failed() || size > kMaxSize) return Damaged("substream size");
      sum += size;
      info.sub_sizes.push_back(size);
    }
    if (sum > folder.unpack_size()) return Damaged("substream sizes");
    info.sub_sizes.push_back(folder.unpack_size() - sum);
  }
  if (info.sub_sizes.size() != total) return Damaged("substream sizes");
  if (have_sizes) id = r.Number();
  // Digests are stored only for substreams whose folder does not already give one.
  uint64_t missing = 0;
  for (const auto& folder : info.folders)
    if (!(folder.num_substreams == 1 && folder.crc)) missing += folder.num_substreams;
  std::vector<std::optional<uint32_t>> digests;
  for (;;) {
    if (r.failed()) return Damaged("substreams");
    if (id == kEnd) break;
    if (id != kCrc) return Damaged("substream property");
    digests = ReadDigests(r, missing);
    id = r.Number();
  }
  info.sub_crcs.clear();
  size_t next = 0;
  for (const auto& folder : info.folders) {
    if (folder.num_substreams == 1 && folder.crc) {
      info.sub_crcs.push_back(folder.crc);
      continue;
    }
    for (uint64_t i = 0; i < folder.num_substreams; ++i)
      info.sub_crcs.push_back(next < digests.size() ? digests[next++] : std::nullopt);
  }
  return {};
}

// Times and attributes: a defined vector, an "external" byte that must be 0, then the values.
template <typename T>
bool ReadOptionalValues(ByteReader& r, std::vector<Entry>& entries, std::optional<T> Entry::*field) {
  std::vector<bool> defined = ReadDefined(r, entries.size());
  if (r.Byte() != 0 || r.failed()) return false;
  for (size_t i = 0; i < entries.size() && !r.failed(); ++i)
    if (defined[i]) entries[i].*field = sizeof(T) == 8 ? T(r.UInt64()) : T(r.UInt32());
  return !r.failed();
}

bool ReadNames(ByteReader& r, std::vector<Entry>& entries) {
  if (r.Byte() != 0) return false;  // names kept in another stream: not written by any encoder
  size_t i = 0;
  std::u16string name;
  while (r.remaining() >= 2) {
    const uint8_t lo = r.Byte(), hi = r.Byte();
    const char16_t c = static_cast<char16_t>(lo | hi << 8);
    if (c != 0) {
      name.push_back(c);
      continue;
    }
    if (i == entries.size()) return false;
    entries[i++].name = std::move(name);
    name.clear();
  }
  return i == entries.size() && r.remaining() == 0 && !r.failed();
}

Error ParseFilesInfo(ByteReader& r, Header& header) {
  const uint64_t n = r.Count(true);
  if (r.failed()) return Damaged("file count");
  auto& entries = header.entries;
  entries.resize(n);
  std::vector<bool> empty_stream(n), empty_file, anti;
  uint64_t num_empty = 0;
  for (;;) {
    const uint64_t id = r.Number();
    if (r.failed()) return Damaged("file properties");
    if (id == kEnd) break;
    const uint64_t size = r.Number();
    const uint8_t* p = r.Take(size);
    if (!p) return Damaged("file property size");
    ByteReader sub(p, static_cast<size_t>(size));
    bool ok = true;
    switch (id) {
      case kEmptyStream:
        empty_stream = ReadBits(sub, n);
        num_empty = std::count(empty_stream.begin(), empty_stream.end(), true);
        empty_file.assign(num_empty, false);
        anti.assign(num_empty, false);
        break;
      case kEmptyFile: empty_file = ReadBits(sub, num_empty); break;
      case kAnti: anti = ReadBits(sub, num_empty); break;
      case kName: ok = ReadNames(sub, entries); break;
      case kCTime: ok = ReadOptionalValues(sub, entries, &Entry::ctime); break;
      case kATime: ok = ReadOptionalValues(sub, entries, &Entry::atime); break;
      case kMTime: ok = ReadOptionalValues(sub, entries, &Entry::mtime); break;
      case kWinAttributes: ok = ReadOptionalValues(sub, entries, &Entry::attributes); break;
      default: break;  // kDummy padding, kStartPos and others we have no use for
    }
    if (!ok || sub.failed()) return Damaged("file property");
  }
  empty_file.resize(num_empty);
  anti.resize(num_empty);
  // Streams go to the files that have one, in order.
  const auto& sub_sizes = header.streams.sub_sizes;
  size_t stream = 0, empty = 0;
  for (uint64_t i = 0; i < n; ++i) {
    Entry& e = entries[i];
    e.has_stream = !empty_stream[i];
    if (e.has_stream) {
      if (stream >= sub_sizes.size()) return Damaged("more files than streams");
      e.size = sub_sizes[stream];
      e.crc = header.streams.sub_crcs[stream];
      ++stream;
    } else {
      e.is_dir = !empty_file[empty];
      e.is_anti = anti[empty];
      ++empty;
    }
    // Archives made on Unix keep the file mode in the high half, flagged by 0x8000.
    if (e.attributes && (*e.attributes & 0x8000)) e.attributes = *e.attributes & 0x7FFF;
  }
  if (stream != sub_sizes.size()) return Damaged("fewer files than streams");
  return {};
}

}  // namespace

Error ParseStreamsInfo(ByteReader& r, StreamsInfo& info) {
  uint64_t id = r.Number();
  if (id == kPackInfo) {
    if (Error e = ParsePackInfo(r, info); !e.ok()) return e;
    id = r.Number();
  }
  if (id == kUnpackInfo) {
    if (Error e = ParseUnpackInfo(r, info); !e.ok()) return e;
    id = r.Number();
  }
  if (id == kSubStreamsInfo) {
    if (Error e = ParseSubStreamsInfo(r, info); !e.ok()) return e;
    id = r.Number();
  } else {
    // Without substreams every folder is one stream.
    for (const auto& folder : info.folders) {
      info.sub_sizes.push_back(folder.unpack_size());
      info.sub_crcs.push_back(folder.crc);
    }
  }
  if (r.failed() || id != kEnd) return Damaged("streams info");
  if (info.folders.empty() && !info.pack_sizes.empty()) return Damaged("pack streams without folders");
  return {};
}

Error ParseHeader(ByteReader& r, Header& header) {
  uint64_t id = r.Number();
  if (id == kArchiveProperties) {
    for (;;) {
      const uint64_t prop = r.Number();
      if (r.failed()) return Damaged("archive properties");
      if (prop == kEnd) break;
      r.Take(r.Number());
    }
    id = r.Number();
  }
  if (id == kAdditionalStreamsInfo) {
    StreamsInfo unused;
    if (Error e = ParseStreamsInfo(r, unused); !e.ok()) return e;
    id = r.Number();
  }
  if (id == kMainStreamsInfo) {
    if (Error e = ParseStreamsInfo(r, header.streams); !e.ok()) return e;
    id = r.Number();
  }
  if (id == kFilesInfo) {
    if (Error e = ParseFilesInfo(r, header); !e.ok()) return e;
    id = r.Number();
  } else if (!header.streams.sub_sizes.empty()) {
    return Damaged("streams without files");
  }
  if (r.failed() || id != kEnd) return Damaged("header end");
  return {};
}

bool FolderIsEncrypted(const Folder& folder) {
  return std::any_of(folder.coders.begin(), folder.coders.end(),
                     [](const Coder& c) { return c.method == kMethodAes; });
}

}  // namespace qmb::sevenzip
