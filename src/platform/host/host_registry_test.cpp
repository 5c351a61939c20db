#include "platform/host/host_registry.h"

#include <gtest/gtest.h>

namespace qmb {
namespace {

constexpr RegRoot kHkcu = RegRoot::kCurrentUser;
constexpr RegRoot kHklm = RegRoot::kLocalMachine;

TEST(HostRegistryTest, ViewsOn64BitWindows) {
  HostRegistry reg([] { return true; });
  ASSERT_TRUE(reg.SetValue(kHklm, "Software\\A", "v", kRegSz, "32", RegView::kDefault));
  ASSERT_TRUE(reg.SetValue(kHklm, "Software\\A", "v", kRegSz, "64", RegView::k64));
  EXPECT_EQ(reg.QueryString(kHklm, "Software\\A", "v", RegView::k32), "32");
  EXPECT_EQ(reg.QueryString(kHklm, "Software\\A", "v", RegView::kDefault), "32");
  EXPECT_EQ(reg.QueryString(kHklm, "Software\\A", "v", RegView::k64), "64");
  EXPECT_TRUE(reg.DeleteKey(kHklm, "Software\\A", RegView::k64));
  EXPECT_FALSE(reg.KeyExists(kHklm, "Software\\A", RegView::k64));
  EXPECT_TRUE(reg.KeyExists(kHklm, "Software\\A", RegView::k32));
}

TEST(HostRegistryTest, OneRegistryOn32BitWindows) {
  HostRegistry reg([] { return false; });
  ASSERT_TRUE(reg.SetValue(kHklm, "Software\\A", "v", kRegSz, "64", RegView::k64));
  EXPECT_EQ(reg.QueryString(kHklm, "Software\\A", "v", RegView::kDefault), "64");
  EXPECT_EQ(reg.QueryString(kHklm, "Software\\A", "v", RegView::k32), "64");
}

TEST(HostRegistryTest, NamesFoldCaseButNotGbk) {
  HostRegistry reg([] { return false; });
  // Two double-byte characters that differ only in a trail byte of 'A' versus 'a' stay apart.
  const std::string upper_trail = "\xB0\x41";  // trail byte 'A'
  const std::string lower_trail = "\xB0\x61";  // trail byte 'a'
  ASSERT_TRUE(reg.SetValue(kHkcu, "Software\\QMB\\" + upper_trail, "Name", kRegSz, "one",
                           RegView::kDefault));
  ASSERT_TRUE(reg.SetValue(kHkcu, "Software\\QMB\\" + lower_trail, "Name", kRegSz, "two",
                           RegView::kDefault));
  EXPECT_EQ(reg.QueryString(kHkcu, "SOFTWARE\\qmb\\" + upper_trail, "NAME", RegView::kDefault),
            "one");
  EXPECT_EQ(reg.QueryString(kHkcu, "software\\QMB\\" + lower_trail, "name", RegView::kDefault),
            "two");
  EXPECT_EQ(reg.SubKeys(kHkcu, "software\\qmb", RegView::kDefault).size(), 2u);
  EXPECT_EQ(reg.SubKeys(kHkcu, "Software", RegView::kDefault),
            std::vector<std::string>{"QMB"});
  // Another root is another registry.
  EXPECT_FALSE(reg.KeyExists(kHklm, "Software\\QMB", RegView::kDefault));
}

TEST(HostRegistryTest, ValuesKeysAndTypes) {
  HostRegistry reg([] { return false; });
  ASSERT_TRUE(reg.SetValue(kHkcu, "Software\\X\\Y\\", "", kRegSz, std::string("def\0", 4),
                           RegView::kDefault));
  EXPECT_TRUE(reg.KeyExists(kHkcu, "Software\\X", RegView::kDefault));  // parents made too
  std::optional<RegValue> def = reg.QueryValue(kHkcu, "Software\\X\\Y", "", RegView::kDefault);
  ASSERT_TRUE(def);
  EXPECT_EQ(def->data, std::string("def\0", 4));
  // Strings without a terminator get one.
  ASSERT_TRUE(reg.SetValue(kHkcu, "Software\\X", "s", kRegExpandSz, "%x%", RegView::kDefault));
  EXPECT_EQ(reg.QueryValue(kHkcu, "Software\\X", "s", RegView::kDefault)->data,
            std::string("%x%\0", 4));
  ASSERT_TRUE(reg.SetValue(kHkcu, "Software\\X", "d", kRegDword, std::string("\x10\x27\0\0", 4),
                           RegView::kDefault));
  EXPECT_EQ(reg.QueryString(kHkcu, "Software\\X", "d", RegView::kDefault), "10000");
  EXPECT_FALSE(reg.SetValue(kHkcu, "Software\\X", "bad", kRegDword, "12", RegView::kDefault));
  ASSERT_TRUE(reg.SetValue(kHkcu, "Software\\X", "b", kRegBinary, std::string("\x01\x00\x02", 3),
                           RegView::kDefault));
  EXPECT_EQ(reg.QueryValue(kHkcu, "Software\\X", "b", RegView::kDefault)->data.size(), 3u);

  EXPECT_EQ(reg.ValueNames(kHkcu, "Software\\X", RegView::kDefault),
            (std::vector<std::string>{"b", "d", "s"}));
  EXPECT_TRUE(reg.DeleteValue(kHkcu, "Software\\X", "S", RegView::kDefault));
  EXPECT_FALSE(reg.DeleteValue(kHkcu, "Software\\X", "s", RegView::kDefault));
  EXPECT_FALSE(reg.QueryString(kHkcu, "Software\\X", "s", RegView::kDefault).has_value());

  // Deleting a key takes its subkeys, but not a sibling sharing its name's start.
  ASSERT_TRUE(reg.SetValue(kHkcu, "Software\\XY", "v", kRegSz, "keep", RegView::kDefault));
  EXPECT_TRUE(reg.DeleteKey(kHkcu, "software\\x", RegView::kDefault));
  EXPECT_FALSE(reg.KeyExists(kHkcu, "Software\\X\\Y", RegView::kDefault));
  EXPECT_EQ(reg.QueryString(kHkcu, "Software\\XY", "v", RegView::kDefault), "keep");
  EXPECT_FALSE(reg.DeleteKey(kHkcu, "Software\\X", RegView::kDefault));
  EXPECT_FALSE(reg.DeleteKey(kHkcu, "", RegView::kDefault));
  EXPECT_TRUE(reg.KeyExists(kHkcu, "", RegView::kDefault));
}

}  // namespace
}  // namespace qmb
