// Tests of carrying out script sections against the components tree.
#include "script/script_runner.h"

#include <gtest/gtest.h>

#include "script/script_test_support.h"

namespace qmb {
namespace {

class ScriptRunnerTest : public ::testing::Test, public test::ScriptFixture {
 protected:
  ScriptRunnerTest() {
    ComponentsTree& tree = ctx.wizard.tree;
    tree.Clear();
    tree.Add("开", -1, 0, true);
    tree.Add("关", -1, 0, false);
    ctx.wizard.install_folder = "C:\\App";
  }
};

TEST_F(ScriptRunnerTest, LinesRunOnlyWhenTheTickMatches) {
  std::string body = "\r\n[真]removezip(data\\a.txt)\r\n[假]setup.exe\r\n[真]ticked.exe %InstallPath%";
  RunScriptSection(ctx, body, "开");
  EXPECT_EQ(ctx.extract.exclusion_list, "data\\a.txt");
  ASSERT_EQ(starts().size(), 1u);
  EXPECT_EQ(starts()[0].command_line, "ticked.exe C:\\App");
  EXPECT_EQ(starts()[0].show, ShowMode::kHidden);
  EXPECT_TRUE(starts()[0].wait);

  RunScriptSection(ctx, body, "关");
  EXPECT_EQ(ctx.extract.exclusion_list, "data\\a.txt");
  ASSERT_EQ(starts().size(), 2u);
  EXPECT_EQ(starts()[1].command_line, "setup.exe");

  // No item of that name: nothing at all.
  RunScriptSection(ctx, body, "无");
  EXPECT_EQ(starts().size(), 2u);
  EXPECT_EQ(ctx.extract.exclusion_list, "data\\a.txt");
}

TEST_F(ScriptRunnerTest, ListCommands) {
  RunScriptSection(ctx, "\r\n[真]assignzip(a.txt)\r\n[真]removedump(logs,cache)", "开");
  RunScriptSection(ctx, "\r\n[真]assignzip(b\\c.txt)\r\n[真]removedump(tmp)\r\n[真]unknown(x)", "开");
  EXPECT_EQ(ctx.extract.inclusion_list, "a.txt,b\\c.txt");
  EXPECT_EQ(ctx.script.leftover_list, std::vector<std::string>{"tmp"});
  RunScriptSection(ctx, "\r\n[真]removedump(logs,cache)", "开");
  EXPECT_EQ(ctx.script.leftover_list, (std::vector<std::string>{"logs", "cache"}));
  EXPECT_TRUE(starts().empty());
}

TEST_F(ScriptRunnerTest, BindingsIgnoreTheTickAndBareNamesRunAsPrograms) {
  RunScriptSection(ctx, "\r\nxx setdesktop() yy\r\n[真]removezip\r\n\r\n[假]", "关");
  EXPECT_EQ(ctx.wizard.tree.Item(1).value, kKindDesktop);
  // "[假]" and the empty line are unticked-lines of an unticked item with nothing to start; the
  // "removezip" line without parentheses is a ticked program line and does not run here.
  EXPECT_TRUE(starts().empty());
  RunScriptSection(ctx, "\r\n[真]removezip\r\nsetquicklaunch()", "开");
  ASSERT_EQ(starts().size(), 1u);
  EXPECT_EQ(starts()[0].command_line, "removezip");
  EXPECT_EQ(ctx.wizard.tree.Item(0).value, kKindQuickLaunch);
  EXPECT_TRUE(ctx.extract.exclusion_list.empty());
}

TEST_F(ScriptRunnerTest, ComponentSectionsRunInTreeOrder) {
  ctx.script.text = test::ScriptBlock("关", "\r\n[假]second.exe") +
                    test::ScriptBlock("开", "\r\n[真]first.exe", "\r\n[真]unzip.exe");
  RunComponentSections(ctx, "Install");
  ASSERT_EQ(starts().size(), 2u);
  EXPECT_EQ(starts()[0].command_line, "first.exe");
  EXPECT_EQ(starts()[1].command_line, "second.exe");
  RunComponentSections(ctx, "Unzip");
  EXPECT_EQ(starts().back().command_line, "unzip.exe");
}

TEST_F(ScriptRunnerTest, IsComponentTicked) {
  EXPECT_EQ(IsComponentTicked(ctx, "开"), 1);
  EXPECT_EQ(IsComponentTicked(ctx, "关"), 0);
  EXPECT_EQ(IsComponentTicked(ctx, "无"), -1);
}

}  // namespace
}  // namespace qmb
