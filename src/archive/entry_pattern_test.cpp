#include "archive/entry_pattern.h"

#include <gtest/gtest.h>

#include "archive/extract_run.h"

namespace qmb::sevenzip {
namespace {

TEST(EntryPattern, MatchesPathOrFolderAbove) {
  EXPECT_TRUE(PatternMatches(u"b", u"b/c.txt"));
  EXPECT_TRUE(PatternMatches(u"B\\", u"b/c/d.txt"));
  EXPECT_TRUE(PatternMatches(u"b\\C", u"b/c/d.txt"));
  EXPECT_TRUE(PatternMatches(u"b/c/D.TXT", u"b\\c\\d.txt"));
  EXPECT_FALSE(PatternMatches(u"b", u"bc/d.txt"));
  EXPECT_FALSE(PatternMatches(u"c", u"b/c/d.txt"));  // a folder above, not any folder
  EXPECT_FALSE(PatternMatches(u"b/c.txt", u"b"));
}

TEST(EntryPattern, Wildcards) {
  EXPECT_TRUE(PatternMatches(u"*", u"a/b/c"));
  EXPECT_TRUE(PatternMatches(u"*.txt", u"a/b/c.TXT"));
  EXPECT_TRUE(PatternMatches(u"a?c", u"abc"));
  EXPECT_FALSE(PatternMatches(u"a?c", u"ac"));
  EXPECT_TRUE(PatternMatches(u"a*b*c", u"a_b_b_c"));
  EXPECT_FALSE(PatternMatches(u"a*b*c", u"a_b_b_d"));
  EXPECT_TRUE(PatternMatches(u"\u00e4*\u0416", u"\u00c4x/\u0436y/\u0436"));  // ä*Ж, Äx/жy/ж
  EXPECT_TRUE(PatternMatches(u"数据\\*", u"数据/x"));
}

TEST(EntryPattern, SelectionUnionMinusExclusions) {
  EntrySelection all({}, {});
  EXPECT_TRUE(all.Selects(u"any/thing"));
  // The engine's exclusion-only form: the items, "*" and the exclusions.
  EntrySelection engine({"a.txt", "b\\c.txt", "*", "*"}, {"a.txt", "b\\c.txt"});
  EXPECT_FALSE(engine.Selects(u"a.txt"));
  EXPECT_FALSE(engine.Selects(u"B/C.txt"));
  EXPECT_TRUE(engine.Selects(u"b/d.txt"));
  EXPECT_TRUE(engine.Selects(u"b"));
  EntrySelection items({"b", "x?.dat"}, {"b\\skip"});
  EXPECT_TRUE(items.Selects(u"b/keep.txt"));
  EXPECT_FALSE(items.Selects(u"b/skip/deep.txt"));
  EXPECT_TRUE(items.Selects(u"x1.dat"));
  EXPECT_FALSE(items.Selects(u"a.txt"));
  // GBK patterns meet UTF-16 names.
  EntrySelection gbk({"\xCA\xFD\xBE\xDD"}, {});  // "数据"
  EXPECT_TRUE(gbk.Selects(u"数据/表.txt"));
}

TEST(SafeRelativePath, RefusesWhatLeavesTheFolder) {
  using Parts = std::vector<std::u16string>;
  EXPECT_EQ(SafeRelativePath(u"a/./b\\c.txt"), (Parts{u"a", u"b", u"c.txt"}));
  EXPECT_EQ(SafeRelativePath(u"a/../b.txt"), (Parts{u"b.txt"}));
  EXPECT_EQ(SafeRelativePath(u"a/.."), Parts{});
  for (std::u16string bad : std::vector<std::u16string>{u"../x", u"a/../../x", u"/etc/x", u"\\x", u"C:x", u"c:\\x", u"a/b:s",
                             u"a/.../x", u"a/. ./x", u"con", u"a/LPT1.txt", u"", std::u16string(u"a\0b", 3)})
    EXPECT_FALSE(SafeRelativePath(bad)) << std::string(bad.begin(), bad.end());
  EXPECT_TRUE(SafeRelativePath(u"console.txt"));
  EXPECT_TRUE(SafeRelativePath(u"..a/b.."));
}

TEST(VolumeName, PadsToThreeDigits) {
  EXPECT_EQ(VolumeName("C:\\p\\pkg.7z.001", 2), "C:\\p\\pkg.7z.002");
  EXPECT_EQ(VolumeName("pkg.001", 12), "pkg.012");
  EXPECT_EQ(VolumeName("pkg.001", 1000), "pkg.1000");
}

}  // namespace
}  // namespace qmb::sevenzip
