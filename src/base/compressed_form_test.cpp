#include "base/compressed_form.h"

#include <gtest/gtest.h>

#include <zlib.h>

namespace qmb {
namespace {

std::string Header(uint32_t length) {
  std::string h("\x0D\x0F\x3E\x03", 4);
  for (int i = 0; i < 4; ++i) h.push_back(static_cast<char>(length >> (8 * i)));
  return h;
}

std::string ZlibOf(std::string_view data) {
  uLongf size = compressBound(static_cast<uLong>(data.size()));
  std::string out(size, '\0');
  compress(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(data.data()),
           static_cast<uLong>(data.size()));
  out.resize(size);
  return out;
}

TEST(CompressedFormTest, RoundTripsAndReadsTheLayout) {
  std::string text = "num\x01" "1numend";
  for (int i = 0; i < 1000; ++i) text += "REGdata\x01表\x00\xff";
  std::string packed = CompressForm(text);
  EXPECT_EQ(packed.substr(0, 8), Header(static_cast<uint32_t>(text.size())));
  EXPECT_EQ(DecompressForm(packed), text);
  EXPECT_EQ(DecompressForm(Header(5) + ZlibOf("hello")), "hello");
  EXPECT_EQ(DecompressForm(CompressForm("")), "");
}

TEST(CompressedFormTest, RejectsBadInput) {
  std::string good = Header(5) + ZlibOf("hello");
  EXPECT_EQ(DecompressForm(""), std::nullopt);
  EXPECT_EQ(DecompressForm(good.substr(0, 7)), std::nullopt);
  EXPECT_EQ(DecompressForm(Header(0)), std::nullopt);  // no stream at all
  std::string magic = good;
  magic[0] = 0x0E;
  EXPECT_EQ(DecompressForm(magic), std::nullopt);
  std::string corrupt = good;
  corrupt[good.size() - 6] ^= 0x55;
  EXPECT_EQ(DecompressForm(corrupt), std::nullopt);
  EXPECT_EQ(DecompressForm(good.substr(0, good.size() - 3)), std::nullopt);  // cut short
  EXPECT_EQ(DecompressForm(Header(4) + ZlibOf("hello")), std::nullopt);     // says less
  EXPECT_EQ(DecompressForm(Header(6) + ZlibOf("hello")), std::nullopt);     // says more
  // An absurd length is refused before any memory is taken.
  EXPECT_EQ(DecompressForm(Header(0xFFFFFFFF) + ZlibOf("hello")), std::nullopt);
  // Plain text is not mistaken for the form.
  EXPECT_EQ(DecompressForm("[section]\r\nkey=value\r\n"), std::nullopt);
}

}  // namespace
}  // namespace qmb

namespace qmb {
namespace {

// What `gzip -9` makes of the bytes, through zlib's own gzip writer.
std::string Gzip(const std::string& data) {
  z_stream stream{};
  deflateInit2(&stream, 9, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
  std::string out(deflateBound(&stream, data.size()) + 32, '\0');
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  stream.avail_in = static_cast<uInt>(data.size());
  stream.next_out = reinterpret_cast<Bytef*>(out.data());
  stream.avail_out = static_cast<uInt>(out.size());
  deflate(&stream, Z_FINISH);
  out.resize(stream.total_out);
  deflateEnd(&stream);
  return out;
}

TEST(GzipTest, InflatesWithinTheBoundAndRejectsDamage) {
  std::string data;
  for (uint32_t i = 0; i < 300000; ++i) data.push_back(static_cast<char>((i * 7919u) % 251u));
  const std::string packed = Gzip(data);
  EXPECT_EQ(DecompressGzip(packed, data.size()), data);
  EXPECT_EQ(DecompressGzip(packed, data.size() - 1), std::nullopt);  // larger than allowed
  EXPECT_EQ(DecompressGzip(packed.substr(0, packed.size() / 2), data.size()), std::nullopt);
  std::string flipped = packed;
  flipped[packed.size() - 6] ^= 0x40;  // the trailer's CRC no longer matches
  EXPECT_EQ(DecompressGzip(flipped, data.size()), std::nullopt);
  EXPECT_EQ(DecompressGzip("", 10), std::nullopt);
  EXPECT_EQ(DecompressGzip(Gzip(""), 10), std::string());
}

// Our own gzip streams read back, also with the zero bytes of a resource's room behind them; bytes
// that are no gzip stream pass as they stand.
TEST(GzipTest, CompressesWhatInflatesBackAndPassesPlainBytes) {
  std::string data(200000, 'a');
  for (size_t i = 0; i < data.size(); i += 97) data[i] = static_cast<char>(i % 251);
  const std::string packed = CompressGzip(data);
  ASSERT_TRUE(IsGzip(packed));
  EXPECT_LT(packed.size(), data.size() / 10);
  EXPECT_EQ(DecompressGzip(packed, data.size()), data);
  EXPECT_EQ(InflateIfGzip(packed + std::string(2048, '\0'), data.size()), data);
  EXPECT_EQ(InflateIfGzip(packed.substr(0, packed.size() - 9), data.size()), std::nullopt);
  EXPECT_EQ(InflateIfGzip("MZ plain", 4), "MZ plain");
  EXPECT_EQ(InflateIfGzip("", 4), "");
  EXPECT_FALSE(IsGzip("\x1F"));
}

}  // namespace
}  // namespace qmb
