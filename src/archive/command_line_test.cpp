#include "archive/command_line.h"

#include <gtest/gtest.h>

namespace qmb::sevenzip {
namespace {

using Strings = std::vector<std::string>;

CommandLine Parse(std::string_view text) {
  std::string error;
  auto cmd = ParseCommandLine(text, error);
  EXPECT_TRUE(cmd) << text << ": " << error;
  return cmd.value_or(CommandLine{});
}

Strings Texts(std::string_view text) {
  Strings texts;
  for (const Argument& arg : SplitArguments(text)) texts.push_back(arg.text);
  return texts;
}

TEST(CommandLine, QuotesMayStartInsideAnArgument) {
  EXPECT_EQ(Texts(R"(x  "a b.7z"	-p"pw x" -x!"c d" -p"" e"f"g)"),
            (Strings{"x", "a b.7z", "-ppw x", "-x!c d", "-p", "efg"}));
  EXPECT_EQ(Texts(R"("" "unclosed quote)"), (Strings{"", "unclosed quote"}));
  EXPECT_TRUE(SplitArguments("   ").empty());
}

TEST(CommandLine, EngineFormWithItemsAndExclusions) {
  CommandLine cmd = Parse(
      R"(x "C:\a\pkg.7zqmb" -hide -y "C:\Program Files\Demo\" "a.txt" "b\c.txt"  -p"secret" * -x!"a.txt"  * -x!"b\c.txt" )");
  EXPECT_TRUE(cmd.keep_folders);
  EXPECT_EQ(cmd.archive, R"(C:\a\pkg.7zqmb)");
  EXPECT_EQ(cmd.output_folder, R"(C:\Program Files\Demo\)");
  EXPECT_EQ(cmd.patterns, (Strings{"a.txt", R"(b\c.txt)", "*", "*"}));
  EXPECT_EQ(cmd.exclusions, (Strings{"a.txt", R"(b\c.txt)"}));
  EXPECT_EQ(cmd.password, "secret");
  EXPECT_TRUE(cmd.assume_yes);
  EXPECT_TRUE(cmd.hide);
}

TEST(CommandLine, FlatCommandEmptyPasswordAndAnyOrder) {
  CommandLine cmd = Parse(R"(E -p"" pkg.7z -unknown "out/" -Y)");
  EXPECT_FALSE(cmd.keep_folders);
  EXPECT_EQ(cmd.archive, "pkg.7z");
  EXPECT_EQ(cmd.output_folder, "out/");
  EXPECT_TRUE(cmd.patterns.empty());
  EXPECT_EQ(cmd.password, "");
  EXPECT_TRUE(cmd.assume_yes);
  EXPECT_FALSE(cmd.hide);
}

TEST(CommandLine, OnlyAnUnquotedDashStartsASwitch) {
  // The engine quotes every entry name, so an entry whose name starts with "-" stays a pattern;
  // had it been taken for a switch, no pattern would be left and every entry would be selected.
  CommandLine cmd = Parse(R"(e "a.7z" -hide -y "C:\g\" "-dash.txt" "-y"  -p"pw" * -x!"-x.txt" )");
  EXPECT_EQ(cmd.patterns, (Strings{"-dash.txt", "-y", "*"}));
  EXPECT_EQ(cmd.exclusions, (Strings{"-x.txt"}));
  EXPECT_EQ(cmd.password, "pw");
  EXPECT_TRUE(cmd.assume_yes);
  EXPECT_TRUE(cmd.hide);
  // A quote that opens after the dash keeps the switch a switch.
  EXPECT_EQ(Parse(R"(x a.7z out\ -p"-secret")").password, "-secret");
}

TEST(CommandLine, GbkFolderWhoseTrailByteIsABackslash) {
  // "表" is B1 ED, "软" C8 ED, "\" alone as a trail byte: "诶" is DA 5C.
  std::string folder = "C:\\\xDA\x5C";  // ends in a trail byte 0x5C, not a separator
  CommandLine cmd = Parse("x a.7z \"" + folder + "\" \"C:\\\xDA\x5C\\\"");
  EXPECT_EQ(cmd.output_folder, "C:\\\xDA\x5C\\");
  EXPECT_EQ(cmd.patterns, (Strings{folder}));
}

TEST(CommandLine, ThreadSwitch) {
  EXPECT_EQ(Parse(R"(x a.7z out\)").threads, 0u);
  EXPECT_EQ(Parse(R"(x a.7z out\ -mmt)").threads, 0u);
  EXPECT_EQ(Parse(R"(x a.7z out\ -MMT=off)").threads, 1u);
  EXPECT_EQ(Parse(R"(x a.7z out\ -mmt=4)").threads, 4u);
  EXPECT_EQ(Parse(R"(x a.7z out\ -mmt3)").threads, 3u);
  EXPECT_EQ(Parse(R"(x a.7z out\ -mmt=99999999999)").threads, 64u);
  EXPECT_EQ(Parse(R"(x a.7z out\ -mmt=two)").threads, 0u);
}

TEST(CommandLine, RejectsWhatCannotRun) {
  std::string error;
  EXPECT_FALSE(ParseCommandLine("", error));
  EXPECT_FALSE(ParseCommandLine("l a.7z out\\", error));
  EXPECT_EQ(error, "unknown command");
  EXPECT_FALSE(ParseCommandLine("x -y -hide", error));
  EXPECT_EQ(error, "no archive named");
  EXPECT_FALSE(ParseCommandLine("x a.7z b.txt", error));
  EXPECT_EQ(error, "no output folder named");
}

}  // namespace
}  // namespace qmb::sevenzip
