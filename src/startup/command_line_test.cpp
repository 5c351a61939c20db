#include "startup/command_line.h"

#include <gtest/gtest.h>

namespace qmb {
namespace {

using Args = std::vector<std::string>;

TEST(CommandLineTest, ArgumentText) {
  EXPECT_EQ(ArgumentTextOf("\"C:\\a b\\setup.exe\"  -jp  /D=x "), "-jp  /D=x");
  EXPECT_EQ(ArgumentTextOf("\"C:\\a b\\setup.exe\""), "");
  EXPECT_EQ(ArgumentTextOf("\"C:\\a\\setup.exe\" "), "");
  EXPECT_EQ(ArgumentTextOf("C:\\a\\setup.exe -hp"), "-hp");
  EXPECT_EQ(ArgumentTextOf("setup.exe"), "");
  // An unquoted program path followed by a quoted argument: the argument stays whole.
  EXPECT_EQ(ArgumentTextOf("setup.exe /D=\"C:\\x y\""), "/D=\"C:\\x y\"");
}

TEST(CommandLineTest, SplitsLikeTheRuntime) {
  EXPECT_EQ(SplitCommandLine("\"C:\\a b\\setup.exe\" test"), Args{"test"});
  EXPECT_EQ(SplitCommandLine("setup.exe"), Args{});
  EXPECT_EQ(SplitCommandLine("setup.exe  a\t\"b c\"d  \"\""), (Args{"a", "b cd", ""}));
  EXPECT_EQ(SplitCommandLine("x \\\\\"a b\\\\\" c\\d"), (Args{"\\a b\\", "c\\d"}));
  EXPECT_EQ(SplitCommandLine("x a\\\"b \"q\"\"r\""), (Args{"a\"b", "q\"r"}));
  // A GBK character whose trail byte is 0x5C ("\") does not escape the quote after it.
  EXPECT_EQ(SplitCommandLine("x \"\xD5\x5C\" y"), (Args{"\xD5\x5C", "y"}));
}

}  // namespace
}  // namespace qmb
