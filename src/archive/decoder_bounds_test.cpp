// Limits the decoders hold before taking memory or time, and the shared stream helpers.
#include "archive/coder_aes.h"
#include "archive/coder_lzma.h"
#include "archive/coder_ppmd.h"
#include "archive/coder_test_support.h"
#include "archive/filter.h"
#include "archive/sz_byte_reader.h"

namespace qmb::sevenzip {
namespace {

TEST(DecoderBounds, DictionariesBeyondTheLimitAreRefusedBeforeAllocation) {
  Status status = Status::kOk;
  // 4 GiB dictionary over a large declared output.
  EXPECT_FALSE(MakeLzmaDecoder({0x5D, 0xFF, 0xFF, 0xFF, 0xFF}, Bytes(""), uint64_t(1) << 40, status));
  EXPECT_EQ(status, Status::kTooLarge);
  EXPECT_FALSE(MakeLzma2Decoder({40}, Bytes(""), uint64_t(1) << 40, status));
  EXPECT_EQ(status, Status::kTooLarge);
  // The same dictionary over a small output takes only what the output needs.
  EXPECT_TRUE(MakeLzma2Decoder({40}, Bytes(""), 1000, status));
  EXPECT_EQ(status, Status::kOk);
  EXPECT_FALSE(MakeLzma2Decoder({41}, Bytes(""), 1000, status));
  EXPECT_EQ(status, Status::kUnsupportedMethod);
  EXPECT_FALSE(MakeLzmaDecoder({225, 0, 0, 1, 0}, Bytes(""), 1000, status));  // lc/lp/pb out of range
  EXPECT_EQ(status, Status::kUnsupportedMethod);
}

TEST(DecoderBounds, PpmdModelsAreCheckedBeforeTheirMemoryIsTaken) {
  Status status = Status::kOk;
  auto props = [](uint8_t order, uint32_t memory) {
    return std::vector<uint8_t>{order, uint8_t(memory), uint8_t(memory >> 8), uint8_t(memory >> 16), uint8_t(memory >> 24)};
  };
  // Orders 2..64 and models of 2 KiB up to just under 4 GiB are the format's; ours stops at the
  // dictionary bound.
  EXPECT_FALSE(MakePpmdDecoder(props(1, 1 << 20), Bytes(""), status));
  EXPECT_EQ(status, Status::kUnsupportedMethod);
  EXPECT_FALSE(MakePpmdDecoder(props(65, 1 << 20), Bytes(""), status));
  EXPECT_EQ(status, Status::kUnsupportedMethod);
  EXPECT_FALSE(MakePpmdDecoder(props(6, (1 << 11) - 1), Bytes(""), status));
  EXPECT_EQ(status, Status::kUnsupportedMethod);
  EXPECT_FALSE(MakePpmdDecoder(props(6, 0xFFFFFFFF), Bytes(""), status));
  EXPECT_EQ(status, Status::kUnsupportedMethod);
  EXPECT_FALSE(MakePpmdDecoder({6, 0, 0, 16}, Bytes(""), status));  // properties cut short
  EXPECT_EQ(status, Status::kUnsupportedMethod);
  EXPECT_FALSE(MakePpmdDecoder(props(6, static_cast<uint32_t>(kMaxDictionary) + 1), Bytes(""), status));
  EXPECT_EQ(status, Status::kTooLarge);
  EXPECT_TRUE(MakePpmdDecoder(props(64, 1 << 11), Bytes(""), status));
  EXPECT_EQ(status, Status::kOk);

  // A range-coded stream starts with a zero byte; anything else is damage, as is an empty one.
  for (const char* stream : {"\x01\x02\x03\x04\x05\x06", ""}) {
    auto decoder = MakePpmdDecoder(props(6, 1 << 16), Bytes(stream), status);
    ASSERT_TRUE(decoder);
    uint8_t byte = 0;
    size_t got = 0;
    EXPECT_EQ(decoder->Read(&byte, 1, got), Status::kDataError);
  }
}

TEST(DecoderBounds, AesRefusesCostlyOrMalformedKeysAndMissingPasswords) {
  AesKeyCache keys;
  Status status = Status::kOk;
  EXPECT_FALSE(MakeAesDecoder({25}, Bytes(""), u"pw", keys, status));
  EXPECT_EQ(status, Status::kTooLarge);
  EXPECT_FALSE(MakeAesDecoder({0xD3, 0x11, 1, 2}, Bytes(""), u"pw", keys, status));  // sizes disagree
  EXPECT_EQ(status, Status::kUnsupportedMethod);
  EXPECT_FALSE(MakeAesDecoder({19}, Bytes(""), u"", keys, status));
  EXPECT_EQ(status, Status::kPasswordRequired);
  EXPECT_TRUE(MakeAesDecoder({0x3F}, Bytes(""), u"pw", keys, status));  // no hashing at all
}

TEST(DecoderBounds, Lzma2RejectsBadChunkSequences) {
  Status status = Status::kOk;
  // A stored chunk without the dictionary reset that must come first.
  auto no_reset = MakeLzma2Decoder({16}, Bytes(std::string("\x02\x00\x02" "abc\x00", 7)), 3, status);
  ASSERT_TRUE(no_reset);
  ReadAll(*no_reset, status);
  EXPECT_EQ(status, Status::kDataError);
  // Stored chunks, read in small pieces, then the end mark.
  auto stored = MakeLzma2Decoder({16}, Bytes(std::string("\x01\x00\x02" "abc" "\x02\x00\x00" "d" "\x00", 11)), 4, status);
  ASSERT_TRUE(stored);
  EXPECT_EQ(ReadAll(*stored, status), "abcd");
  EXPECT_EQ(status, Status::kOk);
  // An invalid control byte.
  auto bad = MakeLzma2Decoder({16}, Bytes(std::string("\x05\x00\x00", 3)), 1, status);
  ASSERT_TRUE(bad);
  ReadAll(*bad, status);
  EXPECT_EQ(status, Status::kDataError);
}

TEST(DecoderBounds, DeltaAndFilterTailsSurviveSmallReads) {
  auto delta = MakeFilterSource(MakeDeltaConverter(2), Bytes(std::string("\x01\x02\x01\x01\x01\x01", 6)));
  Status status = Status::kOk;
  EXPECT_EQ(ReadAll(*delta, status), std::string("\x01\x02\x02\x03\x03\x04", 6));
  // A trailing call opcode too short to convert is passed on unchanged.
  auto x86 = MakeFilterSource(MakeBranchConverter(BranchKind::kX86, 0), Bytes(std::string("ab\xE8\x01\x02", 5)));
  EXPECT_EQ(ReadAll(*x86, status), std::string("ab\xE8\x01\x02", 5));
}

TEST(DecoderBounds, NumbersAndCountsStayInsideTheBuffer) {
  const uint8_t bytes[] = {0x7F, 0x81, 0x02, 0xC0, 0x01, 0x02, 0xFF, 1, 2, 3, 4, 5, 6, 7, 8, 0x05};
  ByteReader r(bytes, sizeof bytes);
  EXPECT_EQ(r.Number(), 0x7Fu);
  EXPECT_EQ(r.Number(), 0x102u);
  EXPECT_EQ(r.Number(), 0x0201u);
  EXPECT_EQ(r.Number(), 0x0807060504030201u);
  EXPECT_EQ(r.Count(), 0u);  // 5 items, but nothing left to hold them
  EXPECT_TRUE(r.failed());
  ByteReader cut(bytes + 6, 3);
  cut.Number();
  EXPECT_TRUE(cut.failed());
}

TEST(DecoderBounds, ConcatStreamReadsAcrossAndSeeksIntoParts) {
  std::vector<std::unique_ptr<InStream>> parts;
  parts.push_back(MemoryStream("abc"));
  parts.push_back(MemoryStream(""));
  parts.push_back(MemoryStream("defg"));
  auto stream = ConcatStream(std::move(parts));
  EXPECT_EQ(stream->Size(), 7u);
  char buffer[8] = {};
  EXPECT_EQ(stream->Read(buffer, 8), 7u);
  EXPECT_STREQ(buffer, "abcdefg");
  ASSERT_TRUE(stream->Seek(2));
  EXPECT_EQ(stream->Read(buffer, 3), 3u);
  EXPECT_EQ(std::string(buffer, 3), "cde");
  ASSERT_TRUE(stream->Seek(7));
  EXPECT_EQ(stream->Read(buffer, 1), 0u);
  EXPECT_FALSE(stream->Seek(8));
}

}  // namespace
}  // namespace qmb::sevenzip
