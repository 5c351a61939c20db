#include "base/marked_section.h"

#include <gtest/gtest.h>

namespace qmb {
namespace {

TEST(MarkedSectionTest, MarksAndLayout) {
  EXPECT_EQ(SectionMark("配置包A").size(), 16u);
  EXPECT_EQ(SectionPattern(SectionMark("配置包A")).size(), 17u);
  EXPECT_EQ(SectionPattern(SectionMark("7zipdataA")).size(), 19u);
  EXPECT_EQ(BuildSection("S", "body", "E"), std::string("S\x01" "bodyE\x01"));
}

TEST(MarkedSectionTest, FindSection) {
  std::string a = SectionMark("skinA"), b = SectionMark("skinB");
  std::string file = std::string("MZ\x00image", 8) + '\0' + BuildSection(a, "one", b) +
                     BuildSection(a, "two", b);
  EXPECT_EQ(FindSection(file, a, b), "one");
  EXPECT_EQ(FindSection(BuildSection(a, "", b), a, b), "");
  // A mark without its 0x01 is not a mark.
  EXPECT_EQ(FindSection(a + "x" + b + "\x01", a, b), std::nullopt);
  // The end mark must follow the start mark.
  EXPECT_EQ(FindSection(SectionPattern(b) + SectionPattern(a) + "open", a, b), std::nullopt);
  EXPECT_EQ(FindSection("", a, b), std::nullopt);
}

}  // namespace
}  // namespace qmb
