// Our LZMA decoder against lzma-dev's on the same streams, made here with lzma-dev's encoder: every
// lc/lp/pb, text, random bytes, machine code, long repeats, windows far smaller than the output,
// input and output in pieces of every size; LZMA2 chunk sequences with each kind of reset; and
// truncated or bit-flipped streams, which must fail (or decode) exactly as the reference does.
#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "LzmaDec.h"
#include "LzmaEnc.h"
#include "archive/coder_lzma.h"
#include "archive/coder_test_support.h"
#include "archive/lzma_decoder.h"
#include "archive/reader_test_support.h"

namespace qmb::sevenzip::reader_test {
namespace {

void* AllocFn(void*, size_t size) { return std::malloc(size); }
void FreeFn(void*, void* address) { std::free(address); }
ISzAlloc g_alloc = {AllocFn, FreeFn};

struct Encoding {
  unsigned lc = 3, lp = 0, pb = 2;
  uint32_t dictionary = 1 << 20;
  int level = 5;
  bool end_mark = false;
};

// A raw LZMA stream: the five property bytes, then the range-coded data.
struct Stream {
  std::string props;
  std::string data;
};

Stream Encode(const std::string& bytes, const Encoding& e) {
  CLzmaEncProps props;
  LzmaEncProps_Init(&props);
  props.level = e.level;
  props.dictSize = e.dictionary;
  props.lc = static_cast<int>(e.lc);
  props.lp = static_cast<int>(e.lp);
  props.pb = static_cast<int>(e.pb);
  props.writeEndMark = e.end_mark ? 1 : 0;
  props.numThreads = 1;
  Stream s;
  s.data.resize(bytes.size() + bytes.size() / 8 + 1024);
  s.props.resize(LZMA_PROPS_SIZE);
  SizeT size = s.data.size(), props_size = LZMA_PROPS_SIZE;
  const SRes res = LzmaEncode(reinterpret_cast<Byte*>(s.data.data()), &size, reinterpret_cast<const Byte*>(bytes.data()),
                              bytes.size(), &props, reinterpret_cast<Byte*>(s.props.data()), &props_size,
                              e.end_mark ? 1 : 0, nullptr, &g_alloc, &g_alloc);
  EXPECT_EQ(res, SZ_OK);
  s.data.resize(size);
  return s;
}

// Ok means the whole declared size came out without an error.
struct Decoded {
  bool ok = false;
  std::string bytes;
};

Decoded DecodeReference(const Stream& s, size_t out_size) {
  Decoded d;
  d.bytes.resize(out_size);
  SizeT out = out_size, in = s.data.size();
  ELzmaStatus status;
  const SRes res = LzmaDecode(reinterpret_cast<Byte*>(d.bytes.data()), &out, reinterpret_cast<const Byte*>(s.data.data()), &in,
                              reinterpret_cast<const Byte*>(s.props.data()), LZMA_PROPS_SIZE, LZMA_FINISH_ANY, &status, &g_alloc);
  d.bytes.resize(out);
  d.ok = res == SZ_OK && out == out_size;
  return d;
}

struct Pieces {
  size_t in = SIZE_MAX;   // input handed over per call
  size_t out = SIZE_MAX;  // output asked for per call
  size_t window = 0;      // 0: as large as the output
};

// Drives our decoder the way the LZMA reader does: the window wraps, output is copied out of it.
Decoded DecodeOurs(const Stream& s, size_t out_size, const Pieces& p = {}) {
  Decoded d;
  unsigned lc = 0, lp = 0, pb = 0;
  if (!lzma::SplitProperties(uint8_t(s.props[0]), lc, lp, pb)) return d;
  const auto* props = reinterpret_cast<const uint8_t*>(s.props.data());
  const uint32_t dictionary = props[1] | props[2] << 8 | props[3] << 16 | uint32_t(props[4]) << 24;
  lzma::Decoder dec;
  if (!dec.Allocate(p.window ? p.window : std::max<size_t>(out_size, 1), lc + lp)) return d;
  dec.SetDictionarySize(dictionary);
  EXPECT_TRUE(dec.SetProperties(lc, lp, pb));
  dec.Reset(true, true);
  const auto* in = reinterpret_cast<const uint8_t*>(s.data.data());
  size_t in_pos = 0;
  while (d.bytes.size() < out_size) {
    dec.Wrap();
    const size_t start = dec.pos();
    const size_t limit = start + std::min({p.out, out_size - d.bytes.size(), dec.window_size() - start});
    size_t used = std::min(p.in, s.data.size() - in_pos);
    const bool ends = in_pos + used == s.data.size();
    const bool ok = dec.Decode(limit, in + in_pos, used, ends);
    in_pos += used;
    d.bytes.append(reinterpret_cast<const char*>(dec.window()) + start, dec.pos() - start);
    if (!ok || (dec.pos() == start && used == 0)) return d;
  }
  d.ok = true;
  return d;
}

std::string OwnExecutable(size_t size) {
  std::ifstream file("/proc/self/exe", std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  EXPECT_GE(bytes.size(), size);
  bytes.resize(std::min(size, bytes.size()));
  return bytes;
}

// Encodes once, then decodes with the reference and with ours in each way of piecing.
void ExpectSameAsReference(const std::string& bytes, const Encoding& e, std::initializer_list<Pieces> ways = {{}}) {
  const Stream s = Encode(bytes, e);
  const Decoded ref = DecodeReference(s, bytes.size());
  ASSERT_TRUE(ref.ok);
  ASSERT_TRUE(ref.bytes == bytes);
  for (const Pieces& p : ways) {
    const Decoded ours = DecodeOurs(s, bytes.size(), p);
    EXPECT_TRUE(ours.ok && ours.bytes == ref.bytes)
        << "lc " << e.lc << " lp " << e.lp << " pb " << e.pb << ", pieces " << p.in << "/" << p.out << "/" << p.window
        << ": " << ours.bytes.size() << " of " << bytes.size() << " bytes";
  }
}

TEST(LzmaDecoder, EveryPropertyCombinationDecodesLikeTheReference) {
  const std::string bytes = Text(6000, 1) + OwnExecutable(6000) + Repeats(3000, 5, 2) + RandomBytes(1000, 3);
  for (unsigned lc = 0; lc <= 8; ++lc)
    for (unsigned lp = 0; lp <= 4; ++lp)
      for (unsigned pb = 0; pb <= 4; ++pb) {
        Encoding e;
        e.lc = lc, e.lp = lp, e.pb = pb, e.level = 1;
        ExpectSameAsReference(bytes, e, {{97, 1000}});
      }
}

TEST(LzmaDecoder, PayloadKindsDecodeLikeTheReferenceWholeAndInPieces) {
  const std::string kinds[] = {
      Text(400000, 4),
      RandomBytes(200000, 5),
      OwnExecutable(600000),
      std::string(300000, 'z'),     // distance 1
      Repeats(300000, 3, 6),        // distances below one 8-byte chunk
      Repeats(300000, 12, 7),       // between one 8- and one 16-byte chunk
      Repeats(300000, 4099, 8),     // long matches far back
      Text(100000, 9) + RandomBytes(100000, 10) + Text(100000, 9),  // a match 200 000 back
  };
  for (const std::string& bytes : kinds) {
    Encoding e;
    e.level = 9;  // longest matches (273)
    // Whole; input a byte at a time; output a byte at a time; edges meeting the fast loop's bounds.
    ExpectSameAsReference(bytes, e, {{}, {1, SIZE_MAX}, {21, 1}, {4093, 274}});
  }
}

TEST(LzmaDecoder, SmallWindowsWrapAroundManyTimes) {
  const std::string bytes = OwnExecutable(150000) + Repeats(150000, 4000, 11) + Text(150000, 12);
  for (uint32_t dictionary : {4096u, 1u << 16}) {
    Encoding e;
    e.dictionary = dictionary;
    // The last window is not a power of two.
    ExpectSameAsReference(bytes, e, {{SIZE_MAX, SIZE_MAX, dictionary}, {333, 65536, dictionary},
                                     {SIZE_MAX, 4000, dictionary + 100}});
  }
}

TEST(LzmaDecoder, EndMarkerStopsTheStream) {
  const std::string bytes = Text(50000, 13);
  Encoding e;
  e.end_mark = true;
  const Stream s = Encode(bytes, e);
  EXPECT_TRUE(DecodeOurs(s, bytes.size()).bytes == bytes);
  EXPECT_TRUE(DecodeOurs(s, bytes.size(), {5, 100}).bytes == bytes);
  // Asked for more than the stream holds: the marker ends it, and the reader reports that as an
  // error because the declared size was not reached.
  const Decoded longer = DecodeOurs(s, bytes.size() + 10, {7, 300});
  EXPECT_FALSE(longer.ok);
  EXPECT_TRUE(longer.bytes == bytes);
  // A marker where the range coder is not at its end is damage.
  Stream damaged = s;
  damaged.data.back() ^= 1;
  EXPECT_FALSE(DecodeOurs(damaged, bytes.size() + 1).ok);
}

// Damage must fail or decode exactly as the reference does, whatever the piece sizes.
TEST(LzmaDecoder, TruncatedAndBitFlippedStreamsAgreeWithTheReference) {
  const std::string bytes = OwnExecutable(20000) + Text(20000, 14);
  const Stream s = Encode(bytes, Encoding{});
  std::mt19937 rng(15);
  int failures = 0;
  auto check = [&](const Stream& damaged) {
    const Decoded ref = DecodeReference(damaged, bytes.size());
    for (const Pieces& p : {Pieces{}, Pieces{3, 50}, Pieces{SIZE_MAX, SIZE_MAX, 4096}}) {
      const Decoded ours = DecodeOurs(damaged, bytes.size(), p);
      if (p.window) {  // a window smaller than the dictionary refuses far distances the reference takes
        if (ref.ok && ours.ok) {
          EXPECT_TRUE(ours.bytes == ref.bytes);
        }
        continue;
      }
      EXPECT_EQ(ours.ok, ref.ok);
      const size_t common = std::min(ours.bytes.size(), ref.bytes.size());
      EXPECT_EQ(ours.bytes.compare(0, common, ref.bytes, 0, common), 0);
    }
    failures += !ref.ok;
  };
  for (size_t cut : {size_t(0), size_t(3), size_t(5), size_t(6), s.data.size() / 2, s.data.size() - 1}) {
    Stream damaged = s;
    damaged.data.resize(cut);
    check(damaged);
  }
  for (int i = 0; i < 300; ++i) {
    Stream damaged = s;
    damaged.data[rng() % damaged.data.size()] ^= char(1 << (rng() % 8));
    check(damaged);
  }
  Stream first_byte = s;
  first_byte.data[0] = 1;  // the range coder's first byte is always 0
  EXPECT_FALSE(DecodeOurs(first_byte, bytes.size()).ok);
  EXPECT_GT(failures, 6);  // truncations always fail, and flips often do
}

TEST(LzmaDecoder, PropertiesAndMemoryAreChecked) {
  unsigned lc = 0, lp = 0, pb = 0;
  EXPECT_TRUE(lzma::SplitProperties(93, lc, lp, pb));
  EXPECT_EQ(lc * 100 + lp * 10 + pb, 302u);
  EXPECT_FALSE(lzma::SplitProperties(225, lc, lp, pb));
  lzma::Decoder dec;
  EXPECT_FALSE(dec.Allocate(4096, 13));
  ASSERT_TRUE(dec.Allocate(4096, 4));
  EXPECT_FALSE(dec.SetProperties(4, 1, 0));  // more literal bits than allocated
  EXPECT_TRUE(dec.SetProperties(0, 4, 4));
}

// LZMA2 streams built from independently encoded pieces: each LZMA chunk is one whole LZMA stream,
// which stays valid after a state reset without a dictionary reset when its literals use no
// context from before (lc 0) and it starts at a position its pb and lp bits agree with.
class Lzma2Builder {
 public:
  // control: 0xE0 (dictionary reset), 0xC0 (state reset, new properties) or 0xA0 (state reset).
  // pack_error: added to the packed size the header declares; when positive, that many zero bytes
  // follow the data, so that the stream still parses but the chunk ends after its range coder.
  void Lzma(uint8_t control, const std::string& bytes, const Encoding& e, int pack_error = 0) {
    const Stream s = Encode(bytes, e);
    ASSERT_LE(s.data.size(), 1u << 16);
    const size_t unpack = bytes.size() - 1, pack = s.data.size() - 1 + pack_error;
    stream_ += char(control | unpack >> 16);
    stream_ += char(unpack >> 8), stream_ += char(unpack);
    stream_ += char(pack >> 8), stream_ += char(pack);
    if (control >= 0xC0) stream_ += char((e.pb * 5 + e.lp) * 9 + e.lc);
    stream_ += s.data;
    if (pack_error > 0) stream_.append(pack_error, '\0');
    plain_ += bytes;
  }
  void Stored(bool reset_dictionary, const std::string& bytes) {
    stream_ += char(reset_dictionary ? 1 : 2);
    stream_ += char((bytes.size() - 1) >> 8), stream_ += char(bytes.size() - 1);
    stream_ += bytes;
    plain_ += bytes;
  }
  std::string stream() const { return stream_ + '\0'; }
  const std::string& plain() const { return plain_; }

 private:
  std::string stream_, plain_;
};

Decoded DecodeLzma2(const std::string& stream, size_t out_size, size_t in_piece, size_t out_piece) {
  Status status = Status::kOk;
  auto decoder = MakeLzma2Decoder({16}, Bytes(stream, in_piece), out_size, status);  // 1 MiB dictionary
  Decoded d;
  if (!decoder) return d;
  d.bytes = ReadAll(*decoder, status, out_piece);
  d.ok = status == Status::kOk && d.bytes.size() == out_size;
  return d;
}

TEST(Lzma2Decoder, ChunkSequencesWithEveryResetDecode) {
  Lzma2Builder b;
  Encoding full;  // lc 3, lp 0, pb 2
  Encoding plain_literals;
  plain_literals.lc = 0, plain_literals.pb = 4;
  Encoding positioned;
  positioned.lc = 0, positioned.lp = 2, positioned.pb = 1;
  b.Lzma(0xE0, OwnExecutable(48000), full);
  b.Lzma(0xC0, Text(32000, 16), plain_literals);
  b.Stored(false, RandomBytes(3000, 17) + std::string(5, 'x'));  // 3005: odd positions follow
  b.Stored(false, std::string(11, 'y'));                         // back on a multiple of 16
  b.Lzma(0xA0, Repeats(40000, 7, 18), plain_literals);
  b.Lzma(0xC0, Text(16000, 19), positioned);
  b.Stored(true, Text(500, 20));
  b.Lzma(0xE0, Repeats(30000, 300, 21), full);
  const std::string stream = b.stream();
  for (auto [in, out] : {std::pair<size_t, size_t>{1 << 20, 1 << 20}, {1, 4096}, {4093, 1}, {7, 300}}) {
    const Decoded d = DecodeLzma2(stream, b.plain().size(), in, out);
    EXPECT_TRUE(d.ok) << in << "/" << out;
    EXPECT_TRUE(d.bytes == b.plain()) << in << "/" << out;
  }
}

TEST(Lzma2Decoder, DamagedChunksFailCleanly) {
  auto build = [](int pack_error) {
    Lzma2Builder b;
    b.Lzma(0xE0, OwnExecutable(30000), Encoding{}, pack_error);
    b.Lzma(0xE0, Text(30000, 22), Encoding{});
    return b;
  };
  const Lzma2Builder b = build(0);
  const std::string stream = b.stream();
  const size_t size = b.plain().size();
  ASSERT_TRUE(DecodeLzma2(stream, size, 1 << 20, 1 << 20).ok);
  // A chunk whose header claims a byte more than its range coder takes, or a byte less: it does not
  // end where the header says. Read in small pieces, the extra byte has been taken into the
  // decoder's tail before the chunk's end shows.
  for (int pack_error : {1, -1})
    for (size_t piece : {size_t(1) << 20, size_t(3)})
      EXPECT_FALSE(DecodeLzma2(build(pack_error).stream(), size, piece, 1000).ok) << pack_error << " " << piece;
  // Flipped bits anywhere, read in random pieces: no fault (the sanitizer build watches), and the
  // damage is noticed where it breaks the chunk structure or the range coder.
  std::mt19937 rng(23);
  int failures = 0;
  for (int i = 0; i < 200; ++i) {
    std::string damaged = stream;
    damaged[rng() % damaged.size()] ^= char(1 << (rng() % 8));
    failures += !DecodeLzma2(damaged, size, 1 + rng() % 5000, 1 + rng() % 5000).ok;
  }
  EXPECT_GT(failures, 10);
  for (size_t cut = 1; cut < stream.size(); cut += stream.size() / 40)
    EXPECT_FALSE(DecodeLzma2(stream.substr(0, cut), size, 1 << 20, 1 << 20).ok) << cut;
}

}  // namespace
}  // namespace qmb::sevenzip::reader_test
