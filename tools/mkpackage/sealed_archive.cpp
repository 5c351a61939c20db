// Sealing. The folders keep 7zz's coders and gain a 7zAES coder in front of their one packed
// stream, laid out as 7zz lays out an encrypted folder; the header is written anew from the parsed
// model (the file properties the runtime reads: names, empty streams and files, modification
// times, attributes) and stored encrypted behind the data, as 7zz's "-mhe=on" does.
#include "sealed_archive.h"

#include <gcrypt.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <fstream>

#include "archive/coder_aes.h"
#include "base/gcrypt/gcrypt_ready.h"

namespace qmb::mkpackage {
namespace {

namespace fs = std::filesystem;
using namespace sevenzip;

constexpr uint8_t kSignature[6] = {'7', 'z', 0xBC, 0xAF, 0x27, 0x1C};
constexpr size_t kStartHeaderSize = 32;
constexpr unsigned kCyclesPower = 19;  // 7zz's cost of the key derivation
// Seconds between 1601 (FILETIME) and 1970, in 100 ns units.
constexpr uint64_t kUnixEpochFiletime = 116444736000000000ull;

class Writer {
 public:
  void Byte(uint8_t b) { out_.push_back(static_cast<char>(b)); }
  void Bytes(const void* p, size_t n) { out_.append(static_cast<const char*>(p), n); }
  void Bytes(const std::string& s) { out_ += s; }
  // The 7z UINT64: as many leading one bits in the first byte as bytes follow it.
  void Number(uint64_t value) {
    uint8_t first = 0, mask = 0x80;
    int i = 0;
    for (; i < 8; ++i) {
      if (value < (uint64_t(1) << (7 * (i + 1)))) {
        first |= static_cast<uint8_t>(value >> (8 * i));
        break;
      }
      first |= mask;
      mask >>= 1;
    }
    Byte(first);
    for (; i > 0; --i, value >>= 8) Byte(static_cast<uint8_t>(value));
  }
  void UInt32(uint32_t v) {
    for (int i = 0; i < 4; ++i) Byte(static_cast<uint8_t>(v >> (8 * i)));
  }
  void UInt64(uint64_t v) {
    for (int i = 0; i < 8; ++i) Byte(static_cast<uint8_t>(v >> (8 * i)));
  }
  void Bits(const std::vector<bool>& bits) {
    uint8_t b = 0;
    for (size_t i = 0; i < bits.size(); ++i) {
      if (bits[i]) b |= static_cast<uint8_t>(0x80 >> (i % 8));
      if (i % 8 == 7) Byte(std::exchange(b, 0));
    }
    if (bits.size() % 8) Byte(b);
  }
  // A property of the files' list: id, size, content.
  void Property(uint64_t id, const Writer& content) {
    Number(id);
    Number(content.out_.size());
    Bytes(content.out_);
  }
  const std::string& bytes() const { return out_; }

 private:
  std::string out_;
};

size_t MethodIdSize(uint64_t method) {
  size_t n = 1;
  while (n < 8 && (method >> (8 * n)) != 0) ++n;
  return n;
}

// A kCrc property: which digests are defined, then their values; nothing when none is.
void WriteDigests(Writer& w, const std::vector<std::optional<uint32_t>>& digests) {
  if (std::none_of(digests.begin(), digests.end(), [](const auto& d) { return d.has_value(); })) return;
  w.Number(kCrc);
  if (std::all_of(digests.begin(), digests.end(), [](const auto& d) { return d.has_value(); })) {
    w.Byte(1);
  } else {
    w.Byte(0);
    std::vector<bool> defined;
    for (const auto& d : digests) defined.push_back(d.has_value());
    w.Bits(defined);
  }
  for (const auto& d : digests)
    if (d) w.UInt32(*d);
}

void WriteFolder(Writer& w, const Folder& f) {
  w.Number(f.coders.size());
  for (const Coder& c : f.coders) {
    const size_t id_size = MethodIdSize(c.method);
    const bool complex = c.num_in != 1 || c.num_out != 1;
    w.Byte(static_cast<uint8_t>(id_size | (complex ? 0x10 : 0) | (c.props.empty() ? 0 : 0x20)));
    for (size_t i = id_size; i > 0; --i) w.Byte(static_cast<uint8_t>(c.method >> (8 * (i - 1))));
    if (complex) {
      w.Number(c.num_in);
      w.Number(c.num_out);
    }
    if (!c.props.empty()) {
      w.Number(c.props.size());
      w.Bytes(c.props.data(), c.props.size());
    }
  }
  for (const auto& [in, out] : f.bind_pairs) {
    w.Number(in);
    w.Number(out);
  }
  if (f.packed_streams.size() > 1)
    for (uint32_t p : f.packed_streams) w.Number(p);
}

// PackInfo and UnpackInfo of folders whose pack streams start at pack_pos.
void WriteStreams(Writer& w, uint64_t pack_pos, const std::vector<uint64_t>& pack_sizes,
                  const std::vector<Folder>& folders) {
  w.Number(kPackInfo);
  w.Number(pack_pos);
  w.Number(pack_sizes.size());
  w.Number(kSize);
  for (uint64_t s : pack_sizes) w.Number(s);
  w.Number(kEnd);
  w.Number(kUnpackInfo);
  w.Number(kFolder);
  w.Number(folders.size());
  w.Byte(0);  // not external
  for (const Folder& f : folders) WriteFolder(w, f);
  w.Number(kCodersUnpackSize);
  for (const Folder& f : folders)
    for (uint64_t s : f.unpack_sizes) w.Number(s);
  std::vector<std::optional<uint32_t>> crcs;
  for (const Folder& f : folders) crcs.push_back(f.crc);
  WriteDigests(w, crcs);
  w.Number(kEnd);
}

void WriteSubStreams(Writer& w, const StreamsInfo& s) {
  w.Number(kSubStreamsInfo);
  if (std::any_of(s.folders.begin(), s.folders.end(), [](const Folder& f) { return f.num_substreams != 1; })) {
    w.Number(kNumUnpackStream);
    for (const Folder& f : s.folders) w.Number(f.num_substreams);
  }
  size_t stream = 0;
  Writer sizes;
  bool any_size = false;
  for (const Folder& f : s.folders) {
    for (uint64_t i = 0; i < f.num_substreams; ++i, ++stream) {
      if (i + 1 < f.num_substreams) {
        sizes.Number(s.sub_sizes[stream]);
        any_size = true;
      }
    }
  }
  if (any_size) {
    w.Number(kSize);
    w.Bytes(sizes.bytes());
  }
  // Digests of the streams whose folder does not give theirs.
  std::vector<std::optional<uint32_t>> digests;
  stream = 0;
  for (const Folder& f : s.folders) {
    for (uint64_t i = 0; i < f.num_substreams; ++i, ++stream)
      if (!(f.num_substreams == 1 && f.crc)) digests.push_back(s.sub_crcs[stream]);
  }
  WriteDigests(w, digests);
  w.Number(kEnd);
}

void WriteFiles(Writer& w, const std::vector<Entry>& entries, uint64_t epoch) {
  w.Number(kFilesInfo);
  w.Number(entries.size());
  std::vector<bool> empty_stream, empty_file;
  for (const Entry& e : entries) {
    empty_stream.push_back(!e.has_stream);
    if (!e.has_stream) empty_file.push_back(!e.is_dir);
  }
  if (std::count(empty_stream.begin(), empty_stream.end(), true) > 0) {
    Writer bits;
    bits.Bits(empty_stream);
    w.Property(kEmptyStream, bits);
    if (std::count(empty_file.begin(), empty_file.end(), true) > 0) {
      Writer files;
      files.Bits(empty_file);
      w.Property(kEmptyFile, files);
    }
  }
  Writer names;
  names.Byte(0);
  for (const Entry& e : entries) {
    for (char16_t c : e.name) {
      names.Byte(static_cast<uint8_t>(c));
      names.Byte(static_cast<uint8_t>(c >> 8));
    }
    names.Byte(0);
    names.Byte(0);
  }
  w.Property(kName, names);
  const uint64_t latest = kUnixEpochFiletime + epoch * 10000000ull;
  Writer times;
  times.Byte(1);  // all defined
  times.Byte(0);  // not external
  for (const Entry& e : entries) times.UInt64(std::min(e.mtime.value_or(latest), latest));
  w.Property(kMTime, times);
  Writer attributes;
  attributes.Byte(1);
  attributes.Byte(0);
  for (const Entry& e : entries) attributes.UInt32(e.attributes.value_or(e.is_dir ? 0x10 : 0x20));
  w.Property(kWinAttributes, attributes);
  w.Number(kEnd);
}

std::string AesProperties(const uint8_t (&iv)[16]) {
  std::string props;
  props += static_cast<char>(kCyclesPower | 0x40);  // an IV and no salt follow
  props += static_cast<char>(0x0F);                  // 16 bytes of IV
  props.append(reinterpret_cast<const char*>(iv), 16);
  return props;
}

// IV number index of the archive: the first half of SHA-256 over the seed and the index.
void DeriveIv(const std::string& seed, uint64_t index, uint8_t (&iv)[16]) {
  std::string unit = seed;
  for (int i = 0; i < 8; ++i) unit += static_cast<char>(index >> (8 * i));
  uint8_t digest[32];
  gcry_md_hash_buffer(GCRY_MD_SHA256, digest, unit.data(), unit.size());
  std::memcpy(iv, digest, 16);
}

// AES-256-CBC over a stream, zero-padded to whole blocks as 7zAES expects.
class CbcWriter {
 public:
  CbcWriter(const AesKeyCache::Key& key, const uint8_t (&iv)[16]) {
    ok_ = gcry_cipher_open(&cipher_, GCRY_CIPHER_AES256, GCRY_CIPHER_MODE_CBC, 0) == 0 &&
          gcry_cipher_setkey(cipher_, key.data(), key.size()) == 0 &&
          gcry_cipher_setiv(cipher_, iv, 16) == 0;
  }
  ~CbcWriter() {
    if (cipher_) gcry_cipher_close(cipher_);
  }
  // Encrypts data (a multiple of 16 bytes unless last) in place.
  bool Encrypt(std::string& data, bool last) {
    if (last) data.resize((data.size() + 15) / 16 * 16, '\0');
    return ok_ && gcry_cipher_encrypt(cipher_, data.data(), data.size(), nullptr, 0) == 0;
  }

 private:
  gcry_cipher_hd_t cipher_ = nullptr;
  bool ok_ = false;
};

uint64_t Padded(uint64_t size) { return (size + 15) / 16 * 16; }

uint64_t ReadLe(const uint8_t* p, int n) {
  uint64_t v = 0;
  for (int i = n - 1; i >= 0; --i) v = v << 8 | p[i];
  return v;
}

}  // namespace

std::vector<std::string> PlainArchiveSwitches() {
  return {"-mhc=off", "-mhe=off", "-mtc=off", "-mta=off", "-mtm=on", "-mmt=2"};
}

std::optional<Header> ReadPlainHeader(const fs::path& archive, std::string& error) {
  std::ifstream in(archive, std::ios::binary);
  uint8_t start[kStartHeaderSize];
  in.read(reinterpret_cast<char*>(start), sizeof start);
  if (!in || std::memcmp(start, kSignature, 6) != 0) {
    error = archive.string() + " is no 7z archive";
    return std::nullopt;
  }
  const uint64_t offset = ReadLe(start + 12, 8), size = ReadLe(start + 20, 8);
  if (size > (uint64_t(1) << 30)) {
    error = archive.string() + ": the header is too large";
    return std::nullopt;
  }
  std::string header(size, '\0');
  in.seekg(static_cast<std::streamoff>(kStartHeaderSize + offset));
  in.read(header.data(), static_cast<std::streamsize>(size));
  ByteReader reader(reinterpret_cast<const uint8_t*>(header.data()), header.size());
  Header model;
  if (!in || reader.Number() != kHeader || !ParseHeader(reader, model).ok()) {
    error = archive.string() + ": no plain 7z header (7zz made it compressed or encrypted)";
    return std::nullopt;
  }
  return model;
}

bool SealArchive(const fs::path& plain, const fs::path& sealed, const SealParameters& p,
                 std::string& error) {
  auto model = ReadPlainHeader(plain, error);
  if (!model) return false;
  crypto::EnsureGcryptReady();
  AesKeyCache keys;
  const AesKeyCache::Key& key = keys.Get(kCyclesPower, {}, p.password);
  StreamsInfo& streams = model->streams;

  std::ifstream in(plain, std::ios::binary);
  std::ofstream out(sealed, std::ios::binary | std::ios::trunc);
  out.write(std::string(kStartHeaderSize, '\0').data(), kStartHeaderSize);
  // Each pack stream encrypted in turn; every folder reads exactly one.
  uint64_t from = kStartHeaderSize + streams.pack_pos;
  std::vector<uint64_t> sealed_sizes;
  for (size_t i = 0; i < streams.pack_sizes.size(); ++i) {
    uint8_t iv[16];
    DeriveIv(p.iv_seed, i, iv);
    CbcWriter cbc(key, iv);
    in.seekg(static_cast<std::streamoff>(from));
    for (uint64_t left = streams.pack_sizes[i]; left > 0;) {
      std::string chunk(static_cast<size_t>(std::min<uint64_t>(left, 1 << 20)), '\0');
      in.read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
      left -= chunk.size();
      if (!in || !cbc.Encrypt(chunk, left == 0)) {
        error = "cannot encrypt " + plain.string();
        return false;
      }
      out.write(chunk.data(), static_cast<std::streamsize>(chunk.size()));
    }
    from += streams.pack_sizes[i];
    sealed_sizes.push_back(Padded(streams.pack_sizes[i]));
  }
  for (size_t i = 0; i < streams.folders.size(); ++i) {
    Folder& f = streams.folders[i];
    if (f.packed_streams.size() != 1) {
      error = "sealing: a folder with " + std::to_string(f.packed_streams.size()) +
              " packed streams (a filter such as BCJ2) is not supported";
      return false;
    }
    uint32_t total_in = 0, total_out = 0;
    for (const Coder& c : f.coders) {
      total_in += c.num_in;
      total_out += c.num_out;
    }
    uint8_t iv[16];
    DeriveIv(p.iv_seed, f.first_pack, iv);
    const std::string props = AesProperties(iv);
    f.coders.push_back(Coder{kMethodAes, 1, 1, std::vector<uint8_t>(props.begin(), props.end())});
    f.bind_pairs.emplace_back(f.packed_streams[0], total_out);
    f.packed_streams = {total_in};
    f.unpack_sizes.push_back(streams.pack_sizes[f.first_pack]);
  }

  Writer header;
  header.Number(kHeader);
  if (!streams.folders.empty()) {  // an archive of empty files and folders has no streams
    header.Number(kMainStreamsInfo);
    WriteStreams(header, 0, sealed_sizes, streams.folders);
    WriteSubStreams(header, streams);
    header.Number(kEnd);
  }
  WriteFiles(header, model->entries, p.epoch);
  header.Number(kEnd);

  // The header as one more encrypted pack stream, described by the encoded header.
  uint64_t data_size = 0;
  for (uint64_t s : sealed_sizes) data_size += s;
  uint8_t iv[16];
  DeriveIv(p.iv_seed, streams.pack_sizes.size(), iv);
  std::string packed_header = header.bytes();
  CbcWriter cbc(key, iv);
  if (!cbc.Encrypt(packed_header, true)) {
    error = "cannot encrypt the header";
    return false;
  }
  out.write(packed_header.data(), static_cast<std::streamsize>(packed_header.size()));
  Folder header_folder;
  const std::string props = AesProperties(iv);
  header_folder.coders.push_back(Coder{kMethodAes, 1, 1, std::vector<uint8_t>(props.begin(), props.end())});
  header_folder.packed_streams = {0};
  header_folder.unpack_sizes = {header.bytes().size()};
  header_folder.crc = static_cast<uint32_t>(
      crc32(0, reinterpret_cast<const Bytef*>(header.bytes().data()), static_cast<uInt>(header.bytes().size())));
  Writer encoded;
  encoded.Number(kEncodedHeader);
  WriteStreams(encoded, data_size, {packed_header.size()}, {header_folder});
  encoded.Number(kEnd);
  out.write(encoded.bytes().data(), static_cast<std::streamsize>(encoded.bytes().size()));

  Writer start;
  start.Bytes(kSignature, 6);
  start.Byte(0);
  start.Byte(4);
  Writer tail;
  tail.UInt64(data_size + packed_header.size());
  tail.UInt64(encoded.bytes().size());
  tail.UInt32(static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(encoded.bytes().data()),
                                          static_cast<uInt>(encoded.bytes().size()))));
  start.UInt32(static_cast<uint32_t>(
      crc32(0, reinterpret_cast<const Bytef*>(tail.bytes().data()), static_cast<uInt>(tail.bytes().size()))));
  start.Bytes(tail.bytes());
  out.seekp(0);
  out.write(start.bytes().data(), static_cast<std::streamsize>(start.bytes().size()));
  out.close();
  if (!out) {
    error = "cannot write " + sealed.string();
    return false;
  }
  return true;
}

}  // namespace qmb::mkpackage
