// The splitting LZMA2 decoder against the one-stream decoder on streams 7zz writes with dictionary
// resets: the same bytes, the same failure at the same place, every thread and byte of memory
// given back, and a stop that ends the helpers.
#include "archive/api_test_support.h"
#include "archive/coder_lzma.h"
#include "archive/coder_lzma2_split.h"
#include "archive/coder_test_support.h"
#include "archive/lzma2_chunk.h"

namespace qmb::sevenzip::test {
namespace {

struct Stream {
  std::string packed;  // the raw LZMA2 stream
  std::vector<uint8_t> props;
  std::string plain;
};

// Text and random runs, compressed by 7zz into one LZMA2 stream with the given coder options; a
// one-file archive without header compression holds that stream right after its 32-byte start
// header, up to where the header begins.
Stream MakeStream(unsigned dictionary_log, const std::string& options, size_t size) {
  DriveRoot drive;
  Stream stream;
  for (unsigned i = 0; stream.plain.size() < size; ++i)
    stream.plain += i % 3 ? Text(150000 + i * 1000) : RandomBytes(70000, i);
  WriteFile(drive.C("src/data"), stream.plain);
  Make7z(drive.C("s.7z"), drive.C("src"),
         "-m0=LZMA2:d=" + std::to_string(dictionary_log) + options + " -mhc=off -ms=off");
  const std::string archive = ReadFile(drive.C("s.7z"));
  uint64_t next = 0;
  for (int i = 7; i >= 0; --i) next = next << 8 | static_cast<uint8_t>(archive[12 + i]);
  stream.packed = archive.substr(32, next);
  // The stream's own dictionary property, as the folder would give it (the decoder judges by it
  // whether the stream can be long enough to hold resets).
  stream.props = {static_cast<uint8_t>(2 * (dictionary_log - 11))};
  return stream;
}

// Decodes to the end of the stream (past the declared size, where a folder would stop asking).
std::string DecodeWith(const Stream& s, const std::string& packed, DecodeShare* share, Status& status,
                       uint64_t declared, size_t request = 100000) {
  std::unique_ptr<Source> decoder =
      share ? MakeLzma2SplitDecoder(s.props, Bytes(packed, 1 << 16), declared, *share, status)
            : MakeLzma2Decoder(s.props, Bytes(packed, 1 << 16), declared, status);
  if (!decoder) return {};
  return ReadAll(*decoder, status, request);
}

class Lzma2Split : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { resets_ = new Stream(MakeStream(18, ":c=256k -mx=3", 3 << 20)); }
  static void TearDownTestSuite() { delete resets_; }
  static Stream* resets_;
};
Stream* Lzma2Split::resets_ = nullptr;

TEST_F(Lzma2Split, DecodesTheSameBytesWhateverThreadsAndMemoryItIsLent) {
  const Stream& s = *resets_;
  struct Case {
    unsigned threads;
    uint64_t budget;
    size_t request;
  } cases[] = {{3, 1 << 30, 100000}, {1, 1 << 30, 7}, {0, 1 << 30, 1 << 20}, {3, 0, 65536}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.threads << " threads, budget " << c.budget);
    CountingShare share(c.threads, c.budget);
    Status status = Status::kOk;
    std::string out = DecodeWith(s, s.packed, &share, status, s.plain.size(), c.request);
    EXPECT_EQ(status, Status::kOk);
    EXPECT_TRUE(out == s.plain) << out.size() << " bytes against " << s.plain.size();
    // Cut at its resets: 3 MB in blocks of 256 KiB.
    EXPECT_GE(share.pieces, 10u);
    if (c.threads == 0) {
      EXPECT_EQ(share.threads_taken, 0u);
    } else if (c.budget > 0) {
      EXPECT_GT(share.threads_taken, 0u);
    }
    EXPECT_EQ(share.memory(), 0u);
    EXPECT_EQ(share.lent_threads(), 0u);
  }
}

// A thread the run had busy while the stream was scanned goes to the waiting pieces once it is free.
TEST_F(Lzma2Split, AThreadFreedAfterTheScanTakesTheWaitingPieces) {
  const Stream& s = *resets_;
  CountingShare share(1, 1 << 30);
  share.closed = true;
  Status status = Status::kOk;
  auto decoder = MakeLzma2SplitDecoder(s.props, Bytes(s.packed, 1 << 16), s.plain.size(), share, status);
  ASSERT_TRUE(decoder);
  // Half way, the whole stream has been scanned (eight pieces ahead at most) without a helper.
  std::string out(s.plain.size() / 2, '\0');
  size_t got = 0;
  ASSERT_EQ(ReadFull(*decoder, reinterpret_cast<uint8_t*>(out.data()), out.size(), got), Status::kOk);
  EXPECT_EQ(share.threads_taken, 0u);
  share.closed = false;
  out.resize(got);
  out += ReadAll(*decoder, status, 65536);
  EXPECT_EQ(status, Status::kOk);
  EXPECT_TRUE(out == s.plain) << out.size() << " bytes against " << s.plain.size();
  EXPECT_GT(share.threads_taken, 0u);
}

TEST_F(Lzma2Split, StreamsItCannotCutDecodeAsOne) {
  // Without resets after the first chunk the whole stream is one piece, decoded in one go; a
  // stream within four dictionaries is not even scanned, though it has resets.
  const Stream streams[] = {MakeStream(16, " -mx=3 -mmt=1", 1 << 20),
                            MakeStream(20, ":c=1m -mx=3", 3 << 20)};
  for (const Stream& s : streams) {
    CountingShare share(3, 1 << 30);
    Status status = Status::kOk;
    EXPECT_TRUE(DecodeWith(s, s.packed, &share, status, s.plain.size()) == s.plain);
    EXPECT_EQ(status, Status::kOk);
    EXPECT_EQ(share.threads_taken, 0u);
    EXPECT_EQ(share.memory(), 0u);
    if (&s == &streams[1]) {
      EXPECT_EQ(share.pieces, 0u);  // it would be cut in three
    }
  }
}

// The damage of a middle piece, a header, or the stream's end: the same status and the same bytes
// before it as the one decoder, while other pieces are decoded on helpers.
TEST_F(Lzma2Split, FailsWhereTheOneDecoderFails) {
  const Stream& s = *resets_;
  const size_t middle = s.packed.size() / 2;
  struct Damage {
    const char* name;
    std::string packed;
    uint64_t declared;
    // Output from here on may be garbage: a flipped bit decodes to wrong bytes before the decoder
    // can tell. Everything before the damaged chunk must come out intact.
    uint64_t intact = UINT64_MAX;
  };
  // Where the chunk that holds packed byte `at` starts in the output.
  auto chunk_output_start = [&](size_t at) {
    uint64_t output = 0;
    for (size_t pos = 0; pos < s.packed.size();) {
      const auto* header = reinterpret_cast<const uint8_t*>(s.packed.data() + pos);
      const Lzma2Chunk chunk = ParseLzma2Header(header);
      const size_t next = pos + Lzma2HeaderSize(header[0]) + chunk.pack_size;
      if (chunk.end || next > at) break;
      output += chunk.unpack_size;
      pos = next;
    }
    return output;
  };
  std::vector<Damage> damages;
  std::string flipped = s.packed;
  for (size_t at = middle; at < middle + 16; ++at) flipped[at] ^= 0x55;
  damages.push_back({"flipped bytes in a middle piece", flipped, s.plain.size(), chunk_output_start(middle)});
  damages.push_back({"cut in the middle", s.packed.substr(0, middle), s.plain.size()});
  damages.push_back({"end mark missing", s.packed.substr(0, s.packed.size() - 1), s.plain.size()});
  damages.push_back({"declared longer than the chunks", s.packed, s.plain.size() + 1});
  damages.push_back({"declared shorter than the chunks", s.packed, s.plain.size() - 300000});
  // A control byte no chunk starts with, in place of the header of the third reset.
  std::string bad_header = s.packed;
  size_t at = 0;
  for (int resets = 0; at < bad_header.size(); ++at) {
    const auto* header = reinterpret_cast<const uint8_t*>(bad_header.data() + at);
    const Lzma2Chunk chunk = ParseLzma2Header(header);
    if (chunk.end || (chunk.reset_dictionary && ++resets == 3)) break;
    at += Lzma2HeaderSize(header[0]) + chunk.pack_size - 1;
  }
  ASSERT_LT(at, bad_header.size());
  bad_header[at] = 0x44;
  damages.push_back({"damaged chunk header", bad_header, s.plain.size()});

  for (const Damage& d : damages) {
    SCOPED_TRACE(d.name);
    Status one = Status::kOk, split = Status::kOk;
    const std::string expected = DecodeWith(s, d.packed, nullptr, one, d.declared);
    CountingShare share(3, 1 << 30);
    const std::string out = DecodeWith(s, d.packed, &share, split, d.declared);
    EXPECT_NE(one, Status::kOk);
    EXPECT_EQ(split, one);
    EXPECT_TRUE(out == expected) << out.size() << " bytes against " << expected.size();
    const size_t intact = static_cast<size_t>(std::min<uint64_t>(out.size(), d.intact));
    EXPECT_GT(intact, 0u);
    EXPECT_TRUE(s.plain.compare(0, intact, out, 0, intact) == 0);
    EXPECT_EQ(share.memory(), 0u);
  }
}

TEST_F(Lzma2Split, AStopEndsTheHelpersAndReturnsWhatWasLent) {
  const Stream& s = *resets_;
  CountingShare share(3, 1 << 30);
  Status status = Status::kOk;
  {
    auto decoder = MakeLzma2SplitDecoder(s.props, Bytes(s.packed, 1 << 16), s.plain.size(), share, status);
    ASSERT_TRUE(decoder);
    std::string buffer(100000, '\0');
    size_t got = 0;
    ASSERT_EQ(decoder->Read(reinterpret_cast<uint8_t*>(buffer.data()), buffer.size(), got), Status::kOk);
    EXPECT_TRUE(s.plain.compare(0, got, buffer, 0, got) == 0);
    share.Stop();
    // What follows the stop is either bytes already decoded or the stop itself, never wrong bytes.
    std::string rest = ReadAll(*decoder, status, 1 << 20);
    EXPECT_EQ(status, Status::kCancelled);
    EXPECT_TRUE(s.plain.compare(got, rest.size(), rest) == 0);
    EXPECT_LT(got + rest.size(), s.plain.size());
  }
  EXPECT_EQ(share.lent_threads(), 0u);
  EXPECT_EQ(share.memory(), 0u);
}

}  // namespace
}  // namespace qmb::sevenzip::test
