#include "base/temp_name.h"

#include <gtest/gtest.h>

#include <set>

namespace qmb {
namespace {

TEST(TempNameTest, CountsUpPastTakenNames) {
  TempNamer namer;
  std::set<std::string> taken = {"T\\1b.tmp", "T\\1c.tmp"};
  auto exists = [&](const std::string& p) { return taken.count(p) > 0; };
  EXPECT_EQ(namer.Next("T\\", 0x1a, exists), "T\\1a.tmp");
  EXPECT_EQ(namer.Next("T\\", 0x1a, exists), "T\\1d.tmp");  // 1b and 1c are taken
  EXPECT_EQ(namer.Next("T\\", 0x1a, exists), "T\\1e.tmp");
  TempNamer wrap;
  EXPECT_EQ(wrap.Next("", 0xFFFFFFFF, exists), "ffffffff.tmp");
  EXPECT_EQ(wrap.Next("", 0xFFFFFFFF, exists), "0.tmp");
}

TEST(TempNameTest, GivesUpWhenEverythingIsTaken) {
  TempNamer namer;
  EXPECT_EQ(namer.Next("T\\", 0, [](const std::string&) { return true; }), "");
}

}  // namespace
}  // namespace qmb
