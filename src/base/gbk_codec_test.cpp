#include "base/gbk_codec.h"

#include <gtest/gtest.h>

namespace qmb {
namespace {

TEST(GbkCodecTest, ConvertsBothWays) {
  EXPECT_EQ(GbkToUtf16("a表"), u"a表");
  EXPECT_EQ(Utf16ToGbk(u"C:\\昞"), "C:\\昞");
  EXPECT_EQ(GbkToUtf8("表"), "\xE8\xA1\xA8");
  EXPECT_EQ(Utf8ToGbk("\xE8\xA1\xA8"), "表");
  EXPECT_EQ(GbkToUtf8(""), "");
}

TEST(GbkCodecTest, UnconvertibleTextBecomesQuestionMarks) {
  EXPECT_EQ(Utf16ToGbk(u"a\u0E01b"), "a?b");  // a Thai letter has no GBK form
  EXPECT_EQ(GbkToUtf8(std::string("a\x81")), "a?");  // a lone lead byte
}

TEST(GbkCodecTest, ValidUtf8) {
  EXPECT_TRUE(IsValidUtf8("\xE8\xA1\xA8 plain"));
  EXPECT_FALSE(IsValidUtf8(std::string("\xB1\xED")));
  EXPECT_FALSE(IsValidUtf8("\xE8\xA1"));
}

}  // namespace
}  // namespace qmb
