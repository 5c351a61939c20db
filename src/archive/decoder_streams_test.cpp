// The BZip2 and Deflate64 decoders and the RISC-V filter fed directly: BZip2 streams in a row,
// damaged ones, and their blocks transformed on helpers; Deflate64 codes that 7zz never writes;
// and filtered code that arrives a few bytes at a time.
#include "archive/coder_bzip2.h"
#include "archive/coder_deflate.h"
#include "archive/coder_test_support.h"
#include "archive/filter.h"
#include "archive/reader_test_support.h"

namespace qmb::sevenzip::reader_test {
namespace {

// A .bz2 file of the bytes, made by 7zz.
std::string Bzip2Of(const TempDir& dir, const std::string& bytes, const std::string& switches = "") {
  const fs::path in = dir.path() / "in.bin", out = dir.path() / "out.bz2";
  std::ofstream(in, std::ios::binary) << bytes;
  fs::remove(out);
  EXPECT_EQ(Shell("7zz a -tbzip2 " + switches + " '" + out.string() + "' '" + in.string() + "'"), 0);
  return ReadFile(out);
}

Status DecodeBzip2(const std::string& stream, std::string* out = nullptr) {
  Status status = Status::kOk;
  auto decoder = MakeBzip2Decoder(Bytes(stream, 4093));
  const std::string bytes = ReadAll(*decoder, status, 5000);
  if (out) *out = bytes;
  return status;
}

TEST(Bzip2Decoder, StreamsInARowDecodeToTheirConcatenation) {
  TempDir dir;
  const std::string a = Text(250000, 1), b = RandomBytes(150000, 2);
  // -mx=1 cuts blocks of 100 000 bytes: several blocks in the first stream, then an empty stream.
  const std::string joined = Bzip2Of(dir, a, "-mx=1") + Bzip2Of(dir, "") + Bzip2Of(dir, b);
  std::string got;
  EXPECT_EQ(DecodeBzip2(joined, &got), Status::kOk);
  EXPECT_TRUE(got == a + b) << got.size() << " bytes";
  // Byte by byte in and out, the same.
  Status status = Status::kOk;
  auto slow = MakeBzip2Decoder(Bytes(joined, 1));
  EXPECT_TRUE(ReadAll(*slow, status, 3) == a + b);
  EXPECT_EQ(status, Status::kOk);
}

TEST(Bzip2Decoder, DamagedStreamsAreRefused) {
  TempDir dir;
  const std::string text = Text(300000, 3);
  const std::string stream = Bzip2Of(dir, text);  // one block of 300 000 bytes, block size 900k
  ASSERT_EQ(DecodeBzip2(stream), Status::kOk);
  EXPECT_EQ(DecodeBzip2(stream + "BZ"), Status::kDataError);  // bytes after the stream that start none
  EXPECT_NE(DecodeBzip2(stream.substr(0, stream.size() / 2)), Status::kOk);
  EXPECT_NE(DecodeBzip2(stream.substr(0, stream.size() - 3)), Status::kOk);  // inside the end mark
  EXPECT_EQ(DecodeBzip2(""), Status::kDataError);
  std::string damaged = stream;
  damaged[3] = '0';  // block size digit out of range
  EXPECT_EQ(DecodeBzip2(damaged), Status::kDataError);
  damaged[3] = '1';  // 100 000 bytes per block: this block is larger than the stream allows
  EXPECT_EQ(DecodeBzip2(damaged), Status::kDataError);
  damaged = stream;
  damaged[10] ^= 0x40;  // the block's CRC, right after "BZh9" and the block magic
  EXPECT_EQ(DecodeBzip2(damaged), Status::kCrcError);
  damaged = stream;
  damaged[14] ^= 0x80;  // the randomised flag after the CRC, which no 7z writer sets
  EXPECT_EQ(DecodeBzip2(damaged), Status::kUnsupportedMethod);
}

// Several blocks of 100 000 bytes in a stream, an empty stream, and one more.
class Bzip2Blocks : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    TempDir dir;
    plain_ = new std::string(Text(1200000, 4) + RandomBytes(250000, 5));
    const std::string tail = Text(300000, 6);
    stream_ = new std::string(Bzip2Of(dir, *plain_, "-mx=1") + Bzip2Of(dir, "") + Bzip2Of(dir, tail, "-mx=1"));
    *plain_ += tail;
  }
  static void TearDownTestSuite() {
    delete plain_;
    delete stream_;
  }

  // Bit offsets of a 48-bit magic in the stream, where blocks and stream ends start.
  static std::vector<size_t> MagicBits(const std::string& stream, uint64_t magic) {
    std::vector<size_t> found;
    uint64_t window = 0;
    for (size_t bit = 0; bit < stream.size() * 8; ++bit) {
      window = (window << 1 | (static_cast<uint8_t>(stream[bit / 8]) >> (7 - bit % 8) & 1)) & 0xFFFFFFFFFFFFull;
      if (bit >= 47 && window == magic) found.push_back(bit - 47);
    }
    return found;
  }
  static void FlipBit(std::string& stream, size_t bit) { stream[bit / 8] ^= static_cast<char>(0x80 >> bit % 8); }

  static std::string Decode(const std::string& stream, DecodeShare* share, Status& status, size_t request = 65536) {
    auto decoder = MakeBzip2Decoder(Bytes(stream, 1 << 16), share);
    return ReadAll(*decoder, status, request);
  }

  static std::string* plain_;
  static std::string* stream_;
};
std::string* Bzip2Blocks::plain_ = nullptr;
std::string* Bzip2Blocks::stream_ = nullptr;

TEST_F(Bzip2Blocks, HelpersGiveTheOneThreadBytesAndGiveBackWhatWasLent) {
  struct Case {
    unsigned threads;
    uint64_t budget;
    size_t request;
  } cases[] = {{3, 1 << 30, 65536}, {1, 1 << 30, 7}, {0, 1 << 30, 1 << 20}, {3, 0, 65536}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.threads << " threads, budget " << c.budget);
    CountingShare share(c.threads, c.budget);
    Status status = Status::kOk;
    const std::string out = Decode(*stream_, &share, status, c.request);
    EXPECT_EQ(status, Status::kOk);
    EXPECT_TRUE(out == *plain_) << out.size() << " bytes against " << plain_->size();
    // Without a thread or memory to spare, the reader does every block alone.
    EXPECT_EQ(share.threads_taken > 0, c.threads > 0 && c.budget > 0);
    EXPECT_EQ(share.memory(), 0u);
    EXPECT_EQ(share.lent_threads(), 0u);
  }
}

// A fault in a middle block or at a stream's end is met after the bytes of every block before
// it, as in the one-thread run, though blocks after it were decoded ahead.
TEST_F(Bzip2Blocks, HelpersFailWhereTheOneThreadRunFails) {
  const std::vector<size_t> blocks = MagicBits(*stream_, 0x314159265359);
  const std::vector<size_t> ends = MagicBits(*stream_, 0x177245385090);
  ASSERT_GE(blocks.size(), 15u);
  ASSERT_EQ(ends.size(), 3u);
  const size_t middle = blocks[blocks.size() / 2];
  struct Damage {
    const char* name;
    std::string stream;
    Status status;
  };
  std::vector<Damage> damages;
  damages.push_back({"a middle block's CRC", *stream_, Status::kCrcError});
  FlipBit(damages.back().stream, middle + 48 + 3);
  damages.push_back({"the first stream's combined CRC", *stream_, Status::kDataError});
  FlipBit(damages.back().stream, ends[0] + 48 + 7);
  damages.push_back({"a middle block's magic", *stream_, Status::kDataError});
  FlipBit(damages.back().stream, middle + 20);
  damages.push_back({"bytes inside a middle block", *stream_, Status::kOk});  // whatever the one run says
  for (size_t bit = middle + 4000; bit < middle + 4200; bit += 7) FlipBit(damages.back().stream, bit);
  damages.push_back({"cut inside a middle block", stream_->substr(0, middle / 8 + 3000), Status::kOk});

  for (const Damage& d : damages) {
    SCOPED_TRACE(d.name);
    Status one = Status::kOk, helped = Status::kOk;
    const std::string expected = Decode(d.stream, nullptr, one);
    CountingShare share(3, 1 << 30);
    const std::string out = Decode(d.stream, &share, helped);
    EXPECT_NE(one, Status::kOk);
    if (d.status != Status::kOk) {
      EXPECT_EQ(one, d.status);
    }
    EXPECT_EQ(helped, one);
    EXPECT_TRUE(out == expected) << out.size() << " bytes against " << expected.size();
    EXPECT_GT(out.size(), 500000u);  // the seven blocks before the middle one, at least
    EXPECT_TRUE(plain_->compare(0, 500000, out, 0, 500000) == 0);
    EXPECT_GT(share.threads_taken, 0u);
    EXPECT_EQ(share.memory(), 0u);
  }
}

TEST_F(Bzip2Blocks, AStopEndsTheHelpersAndReturnsWhatWasLent) {
  CountingShare share(3, 1 << 30);
  Status status = Status::kOk;
  {
    auto decoder = MakeBzip2Decoder(Bytes(*stream_, 1 << 16), &share);
    std::string first(150000, '\0');
    size_t got = 0;
    ASSERT_EQ(ReadFull(*decoder, reinterpret_cast<uint8_t*>(first.data()), first.size(), got), Status::kOk);
    first.resize(got);
    EXPECT_GT(share.threads_taken, 0u);
    share.Stop();
    // After the stop: at most the rest of the block being read, never wrong bytes.
    const std::string rest = ReadAll(*decoder, status, 65536);
    EXPECT_EQ(status, Status::kCancelled);
    EXPECT_TRUE(*plain_ == first + rest + plain_->substr(first.size() + rest.size()));
    EXPECT_LT(first.size() + rest.size(), 300000u);
  }
  EXPECT_EQ(share.lent_threads(), 0u);
  EXPECT_EQ(share.memory(), 0u);
}

// Bits in Deflate's order: numbers least significant bit first, Huffman codes most significant
// first; symbols in the fixed code of block type 1.
class DeflateBits {
 public:
  void Number(uint32_t value, unsigned bits) {
    for (unsigned i = 0; i < bits; ++i) Bit(value >> i & 1);
  }
  void Symbol(unsigned v) {
    if (v < 144) Code(0x30 + v, 8);
    else if (v < 256) Code(0x190 + v - 144, 9);
    else if (v < 280) Code(v - 256, 7);
    else Code(0xC0 + v - 280, 8);
  }
  void Distance(unsigned code, uint32_t extra, unsigned extra_bits) {
    Code(code, 5);
    Number(extra, extra_bits);
  }
  const std::string& bytes() const { return out_; }

 private:
  void Code(uint32_t code, unsigned bits) {
    for (unsigned i = bits; i-- > 0;) Bit(code >> i & 1);
  }
  void Bit(unsigned bit) {
    if (count_ % 8 == 0) out_ += '\0';
    out_.back() = static_cast<char>(out_.back() | bit << (count_ % 8));
    ++count_;
  }
  std::string out_;
  size_t count_ = 0;
};

Status DecodeDeflate64(const std::string& stream, std::string& out) {
  Status status = Status::kOk;
  auto decoder = MakeDeflate64Decoder(Bytes(stream, 2));
  out = ReadAll(*decoder, status, 4096);
  return status;
}

TEST(Deflate64Decoder, LongestLengthAndFarthestDistanceCodes) {
  DeflateBits bits;
  bits.Number(1, 1);  // final block
  bits.Number(1, 2);  // fixed codes
  bits.Symbol('a');
  bits.Symbol(285);  // length 3 + 16 extra bits: 65538, the longest
  bits.Number(65535, 16);
  bits.Distance(0, 0, 0);  // distance 1
  bits.Symbol('b');
  bits.Symbol(257);                // length 3
  bits.Distance(31, 16383, 14);    // distance 49153 + 16383 = 65536, the whole window back
  bits.Symbol(264);                // length 10
  bits.Distance(30, 0, 14);        // distance 32769
  bits.Symbol(256);
  std::string got;
  ASSERT_EQ(DecodeDeflate64(bits.bytes(), got), Status::kOk);
  const std::string first = std::string(65539, 'a') + "b";
  EXPECT_TRUE(got == first + "aaa" + std::string(10, 'a')) << got.size() << " bytes";
}

TEST(Deflate64Decoder, MalformedBlocksAreRefused) {
  std::string got;
  DeflateBits far;  // a distance reaching before the first byte
  far.Number(3, 3);
  far.Symbol('a');
  far.Symbol(257);
  far.Distance(1, 0, 0);
  far.Symbol(256);
  EXPECT_EQ(DecodeDeflate64(far.bytes(), got), Status::kDataError);

  DeflateBits stored;  // stored block whose length check does not match
  stored.Number(1, 3);
  stored.Number(0, 5);
  stored.Number(3, 16);
  stored.Number(0xFFFC, 16);
  EXPECT_EQ(DecodeDeflate64(stored.bytes() + "xyz", got), Status::kOk);
  EXPECT_EQ(got, "xyz");
  std::string bad = stored.bytes() + "xyz";
  bad[3] ^= 1;
  EXPECT_EQ(DecodeDeflate64(bad, got), Status::kDataError);

  DeflateBits reserved;  // block type 3
  reserved.Number(7, 3);
  EXPECT_EQ(DecodeDeflate64(reserved.bytes(), got), Status::kDataError);

  DeflateBits cut;  // no end of block, no final block: the input ends inside the stream
  cut.Number(2, 3);
  cut.Symbol('a');
  EXPECT_NE(DecodeDeflate64(cut.bytes(), got), Status::kOk);
}

// RISC-V code filtered by 7zz (stored behind the filter with Copy), turned back here however
// the filtered bytes are cut into pieces: the filter holds back what may start an instruction.
TEST(RiscVFilter, PiecewiseInputGivesTheOriginalCode) {
  TempDir dir;
  Tree tree;
  const std::string code = RiscVLike(50003, 21);
  tree.files["code.bin"] = code;
  const std::string archive = ReadFile(Make7z(dir, tree, "-m0=RISCV -m1=Copy"));
  ASSERT_GT(archive.size(), 32 + code.size());
  const std::string filtered = archive.substr(32, code.size());  // the only pack stream
  EXPECT_NE(filtered, code);
  for (size_t piece : {size_t(1), size_t(3), size_t(7), size_t(1) << 16}) {
    auto source = MakeFilterSource(MakeBranchConverter(BranchKind::kRiscV, 0), Bytes(filtered, piece));
    Status status = Status::kOk;
    EXPECT_TRUE(ReadAll(*source, status, 5) == code) << "pieces of " << piece;
    EXPECT_EQ(status, Status::kOk);
  }
}

}  // namespace
}  // namespace qmb::sevenzip::reader_test
