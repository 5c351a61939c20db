// Tests of the script section lookup and the line grammar.
#include <gtest/gtest.h>

#include "base/data_cipher.h"
#include "script/script_line.h"
#include "script/script_test_support.h"
#include "script/script_text.h"

namespace qmb {
namespace {

using test::ScriptBlock;

TEST(FindScriptSection, FindsSectionsOfTheNamedBlock) {
  std::string script = ScriptBlock("甲", "\r\n[真]a.exe", "\r\n[假]b.exe", "", "\r\n甲的说明") +
                       ScriptBlock("乙", "\r\n[真]c.exe");
  EXPECT_EQ(FindScriptSection(script, "甲", "Install").body, "\r\n[真]a.exe");
  EXPECT_EQ(FindScriptSection(script, "甲", "Unzip").body, "\r\n[假]b.exe");
  EXPECT_EQ(FindScriptSection(script, "甲", "describe").body, "\r\n甲的说明");
  ScriptSection finish = FindScriptSection(script, "甲", "finish");
  EXPECT_TRUE(finish.found);
  EXPECT_EQ(finish.body, "");
  // The second block's sections are not reached from the first.
  EXPECT_EQ(FindScriptSection(script, "乙", "Install").body, "\r\n[真]c.exe");
  // The whole block, with the tool's trailing line breaks.
  EXPECT_EQ(FindScriptSection(script, "乙", "").body, ScriptBlock("乙", "\r\n[真]c.exe"));

  ScriptSection missing = FindScriptSection(script, "丙", "Install");
  EXPECT_FALSE(missing.found);
  EXPECT_EQ(missing.body, "");
}

TEST(FindScriptSection, LookupQuirks) {
  // "A" is found inside "BA" when that block comes first.
  std::string script = ScriptBlock("BA", "\r\nfrom BA") + ScriptBlock("A", "\r\nfrom A");
  EXPECT_EQ(FindScriptSection(script, "A", "Install").body, "\r\nfrom BA");
  // A block without a describe section still has its other sections.
  std::string no_describe = "C\r\n｛\r\nInstall(){\r\nx\r\n}\r\nUnzip(){\r\ny\r\n}\r\n｝\r\n\r\n";
  EXPECT_EQ(FindScriptSection(no_describe, "C", "describe").body, "");
  EXPECT_TRUE(FindScriptSection(no_describe, "C", "describe").found);
  EXPECT_EQ(FindScriptSection(no_describe, "C", "Unzip").body, "\r\ny");
}

TEST(LoadScriptText, DeciphersTheScriptFile) {
  test::ScriptFixture f;
  f.ctx.startup.work_folder = "C:\\Temp\\w\\";
  f.host.files().CreateDirectory("C:\\Temp\\w");
  std::string script = ScriptBlock("A", "\r\n[真]x");
  f.host.files().WriteAll("C:\\Temp\\w\\choolantern.ini", Encipher(script, kScriptKey));
  LoadScriptText(f.ctx);
  EXPECT_EQ(f.ctx.script.text, script);
  f.host.files().WriteAll("C:\\Temp\\w\\choolantern.ini", script);  // stored plain: not accepted
  LoadScriptText(f.ctx);
  EXPECT_EQ(f.ctx.script.text, "");
}

TEST(ParseScriptLine, Grammar) {
  ScriptLine ticked = ParseScriptLine("[真]removezip(data\\a.txt)");
  EXPECT_EQ(ticked.kind, LineKind::kCommand);
  EXPECT_TRUE(ticked.ticked);
  EXPECT_EQ(ticked.name, "removezip");
  EXPECT_EQ(ticked.argument, "data\\a.txt");

  ScriptLine program = ParseScriptLine("[假]notepad.exe 说明]x.txt");
  EXPECT_FALSE(program.ticked);
  EXPECT_EQ(program.command, "notepad.exe 说明]x.txt");
  EXPECT_EQ(program.name, "");

  EXPECT_EQ(ParseScriptLine("[假]anything setdesktop() more").kind, LineKind::kBindDesktop);
  EXPECT_EQ(ParseScriptLine("setstartmenu()").kind, LineKind::kBindStartMenu);
  EXPECT_EQ(ParseScriptLine("x setquicklaunch()").kind, LineKind::kBindQuickLaunch);

  ScriptLine empty = ParseScriptLine("");
  EXPECT_FALSE(empty.ticked);
  EXPECT_EQ(empty.command, "");
  // A double-byte character whose trail byte is "]" (0x5D) is not taken for one.
  EXPECT_EQ(ParseScriptLine("[真\xB0\x5Dx.exe").command, "");
}

}  // namespace
}  // namespace qmb
