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
