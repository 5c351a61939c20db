// The BZip2 and Deflate64 decoders and the RISC-V filter fed directly: BZip2 streams in a row and
// damaged ones, Deflate64 codes that 7zz never writes, and filtered code that arrives a few bytes
// at a time.
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
