#include "base/text.h"

#include <gtest/gtest.h>

namespace qmb {
namespace {

using Pieces = std::vector<std::string>;

// "昞" is 95 5C and "乚" is 81 5D in GBK: their trail bytes are '\' and ']'.
TEST(TextTest, LiteralsAreGbk) {
  EXPECT_EQ(std::string("昞"), std::string("\x95\x5C"));
  EXPECT_EQ(std::string("表"), std::string("\xB1\xED"));
  EXPECT_EQ(std::string("真"), std::string("\xD5\xE6"));
}

TEST(TextTest, FindCharSkipsTrailBytes) {
  std::string path = "C:\\昞\\a";  // 43 3A 5C 95 5C 5C 61
  EXPECT_EQ(FindCharGbk(path, '\\'), 2u);
  EXPECT_EQ(FindCharGbk(path, '\\', 3), 5u);
  EXPECT_EQ(FindLastCharGbk(path, '\\'), 5u);
  EXPECT_EQ(FindLastCharGbk("昞", '\\'), kNotFound);
  EXPECT_EQ(FindCharGbk("丂@", '@'), 2u);  // 81 40 then a real '@'
  EXPECT_EQ(FindCharGbk("", 'a'), kNotFound);
  // A lead byte before a byte that cannot be a trail byte stands alone.
  EXPECT_EQ(FindCharGbk(std::string("\x81,x"), ','), 1u);
  // A lone lead byte at the end does not read past the text.
  EXPECT_EQ(FindLastCharGbk(std::string("a\\\x81"), '\\'), 1u);
}

TEST(TextTest, SplitGbkKeepsDoubleByteCharacters) {
  EXPECT_EQ(SplitGbk("昞,表,,丂", ','), (Pieces{"昞", "表", "", "丂"}));
  EXPECT_EQ(SplitGbk("D:\\昞\\表", '\\'), (Pieces{"D:", "昞", "表"}));
  EXPECT_EQ(SplitGbk("a,", ','), (Pieces{"a", ""}));
  EXPECT_TRUE(SplitGbk("", ',').empty());
  EXPECT_EQ(SplitGbk("昞", '\\'), (Pieces{"昞"}));
}

TEST(TextTest, SplitByText) {
  EXPECT_EQ(Split("a\r\nb\r\n\r\nc", "\r\n"), (Pieces{"a", "b", "", "c"}));
  EXPECT_EQ(Split("a,,b", ","), (Pieces{"a", "", "b"}));
  EXPECT_TRUE(Split("", ",").empty());
  EXPECT_EQ(Split("abc", ""), (Pieces{"abc"}));
}

TEST(TextTest, Replace) {
  EXPECT_EQ(ReplaceAll("%A%-%A%", "%A%", "xy"), "xy-xy");
  EXPECT_EQ(ReplaceAll("aaa", "aa", "a"), "aa");  // no re-scan of replaced text
  EXPECT_EQ(ReplaceAll("abc", "", "x"), "abc");
  EXPECT_EQ(ReplaceFirst("a.b.c", ".", "\\"), "a\\b.c");
  EXPECT_EQ(ReplaceFirst("abc", "x", "y"), "abc");
}

TEST(TextTest, ReplaceAllGbkMatchesWholeCharactersOnly) {
  EXPECT_EQ(ReplaceAllGbk("a，b，", "，", ","), "a,b,");
  // B0 A3 then AC 40: the bytes A3 AC in the middle are no "，".
  const std::string straddling = "\xB0\xA3\xAC\x40";
  EXPECT_EQ(ReplaceAll(straddling, "，", ","), "\xB0,\x40");
  EXPECT_EQ(ReplaceAllGbk(straddling, "，", ","), straddling);
  EXPECT_EQ(ReplaceAllGbk("x%AC%y", "%AC%", "，"), "x，y");
}

TEST(TextTest, TextBetween) {
  EXPECT_EQ(TextBetween("run[sys=64]x", "[sys=", "]"), "64");
  EXPECT_EQ(TextBetween("a]b[c]d", "[", "]"), "c");  // closing must follow opening
  EXPECT_EQ(TextBetween("abc", "x", "c"), "");
  EXPECT_EQ(TextBetween("a(b", "(", ")"), "");
  EXPECT_EQ(TextBetween("head)x", "", ")"), "head");
  EXPECT_EQ(TextBetween("a(rest", "(", ""), "rest");
  EXPECT_EQ(TextBetween("(a)(b)", "(", ")"), "a");
  EXPECT_EQ(TextBetween("[]", "[", "]"), "");
}

TEST(TextTest, ToIntReadsLeadingNumber) {
  EXPECT_EQ(ToInt("12abc"), 12);
  EXPECT_EQ(ToInt("  -42"), -42);
  EXPECT_EQ(ToInt("+7"), 7);
  EXPECT_EQ(ToInt("abc"), 0);
  EXPECT_EQ(ToInt(""), 0);
  EXPECT_EQ(ToInt("-"), 0);
  EXPECT_EQ(ToInt("1 2"), 1);
  EXPECT_EQ(ToInt("99999999999"), INT32_MAX);
  EXPECT_EQ(ToInt("-99999999999"), INT32_MIN);
  EXPECT_EQ(ToInt64("9223372036854775807"), INT64_MAX);
  EXPECT_EQ(ToInt64("9223372036854775808"), INT64_MAX);
  EXPECT_EQ(ToInt64("-9223372036854775808"), INT64_MIN);
  EXPECT_EQ(ToInt64("-99999999999999999999999"), INT64_MIN);
  EXPECT_EQ(ToInt64("5000000000"), 5000000000);
}

TEST(TextTest, TrimAndAffixes) {
  EXPECT_EQ(Trim(" \t a b\r\n"), "a b");
  EXPECT_EQ(Trim(" \r\n"), "");
  EXPECT_TRUE(StartsWith("QMB-mark=x", "QMB-mark="));
  EXPECT_FALSE(StartsWith("QM", "QMB"));
  EXPECT_TRUE(EndsWith("a.lnk", ".lnk"));
  EXPECT_FALSE(EndsWith("k", ".lnk"));
}

TEST(TextTest, EqualsIgnoreCaseOnlyFoldsAscii) {
  EXPECT_TRUE(EqualsIgnoreCase("Setup", "sETUP"));
  EXPECT_TRUE(EqualsIgnoreCase("表A", "表a"));
  EXPECT_FALSE(EqualsIgnoreCase("ab", "abc"));
  // 81 41 and 81 61 are two different characters although their trail bytes are 'A' and 'a'.
  EXPECT_FALSE(EqualsIgnoreCase(std::string("\x81\x41"), std::string("\x81\x61")));
  // The case key agrees: one key for the texts held equal, two for the rest.
  EXPECT_EQ(CaseKey("C:\\表A\\Setup"), CaseKey("c:\\表a\\sETUP"));
  EXPECT_EQ(CaseKey(std::string("\x81\x41Q")), std::string("\x81\x41q"));
  EXPECT_NE(CaseKey(std::string("\x81\x41")), CaseKey(std::string("\x81\x61")));
}

TEST(TextTest, IsTrueAndHex) {
  EXPECT_TRUE(IsTrue("真"));
  EXPECT_FALSE(IsTrue("假"));
  EXPECT_FALSE(IsTrue("真 "));
  EXPECT_FALSE(IsTrue("1"));
  EXPECT_EQ(ToHex(0), "0");
  EXPECT_EQ(ToHex(0x1a2bU), "1a2b");
  EXPECT_EQ(ToHex(0xFFFFFFFFFFFFFFFFULL), "ffffffffffffffff");
}

}  // namespace
}  // namespace qmb
