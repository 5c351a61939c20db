// Tests of the program runner, the batch files and the system tags, as the host platform records
// them.
#include "script/command_runner.h"

#include <gtest/gtest.h>

#include "script/program_runs.h"
#include "script/script_runner.h"
#include "script/script_test_support.h"

namespace qmb {
namespace {

class CommandRunnerTest : public ::testing::Test, public test::ScriptFixture {};

TEST_F(CommandRunnerTest, ProgramsWithoutDriveStartAsProcesses) {
  RunCommand(ctx, "notepad.exe readme.txt", true, true, false);
  RunCommand(ctx, "\"my tool.exe\" /x", false, false, false);
  ASSERT_EQ(starts().size(), 2u);
  EXPECT_EQ(starts()[0].command_line, "notepad.exe readme.txt");
  EXPECT_EQ(starts()[0].show, ShowMode::kHidden);
  EXPECT_TRUE(starts()[0].wait);
  EXPECT_EQ(starts()[1].command_line, "\"my tool.exe\" /x");
  EXPECT_EQ(starts()[1].show, ShowMode::kNormal);
  EXPECT_FALSE(starts()[1].wait);
  EXPECT_EQ(host.dialogs().pending_message_calls(), 2);
  EXPECT_TRUE(shell_calls().empty());
}

TEST_F(CommandRunnerTest, ProgramsWithDriveStartThroughTheShell) {
  RunCommand(ctx, "C:\\Tools\\x.exe /q", true, true, false);
  RunCommand(ctx, "\"C:\\Program Files\\产品\\a.exe\" -s -t", false, false, false);
  RunCommand(ctx, "D:\\solo.exe", true, false, false);
  ASSERT_EQ(shell_calls().size(), 3u);
  const ShellCall& first = shell_calls()[0];
  EXPECT_EQ(first.verb, "open");
  EXPECT_EQ(first.file, "C:\\Tools\\x.exe");
  EXPECT_EQ(first.parameters, "/q");
  EXPECT_EQ(first.directory, "C:\\Tools");
  EXPECT_EQ(first.show, ShowMode::kHidden);
  EXPECT_TRUE(first.wait);
  EXPECT_EQ(shell_calls()[1].file, "C:\\Program Files\\产品\\a.exe");
  EXPECT_EQ(shell_calls()[1].parameters, "-s -t");
  EXPECT_EQ(shell_calls()[1].directory, "C:\\Program Files\\产品");
  EXPECT_EQ(shell_calls()[1].show, ShowMode::kNormal);
  EXPECT_EQ(shell_calls()[2].parameters, "");
  EXPECT_TRUE(starts().empty());
}

TEST_F(CommandRunnerTest, AddressesAndShellStart) {
  RunCommand(ctx, "\"http://example.com/a b\"", true, true, false);
  RunCommand(ctx, "https://example.com", true, true, false);
  RunCommand(ctx, "C:\\App\\a.exe -go", true, true, true);
  RunCommand(ctx, "", true, true, false);
  ASSERT_EQ(shell_calls().size(), 2u);
  EXPECT_EQ(shell_calls()[0].verb, "");
  EXPECT_EQ(shell_calls()[0].file, "http://example.com/a b");
  EXPECT_EQ(shell_calls()[0].show, ShowMode::kNormal);
  // The secure scheme is not recognised and goes the process path.
  ASSERT_EQ(starts().size(), 1u);
  EXPECT_EQ(starts()[0].command_line, "https://example.com");
  // Shell start: the default verb from the program's folder, never waiting.
  EXPECT_EQ(shell_calls()[1].verb, "");
  EXPECT_EQ(shell_calls()[1].file, "C:\\App\\a.exe");
  EXPECT_EQ(shell_calls()[1].parameters, "-go");
  EXPECT_EQ(shell_calls()[1].directory, "C:\\App");
  EXPECT_FALSE(shell_calls()[1].wait);
}

TEST_F(CommandRunnerTest, BatchFileForLineBreaks) {
  host.env().SetTickCount(0xabc0, 16);
  ctx.wizard.tree.Item(0).ticked = true;
  ctx.wizard.install_folder = "C:\\Program Files\\App";
  RunScriptSection(ctx, "\r\n[真]cmd /c echo one > %InstallPath%\\a.txt%ET%cmd /c echo two",
                   kBaseComponentsText);
  ASSERT_EQ(shell_calls().size(), 1u);
  const ShellCall& call = shell_calls()[0];
  EXPECT_EQ(call.file, "C:\\Temp\\abc0.tmp.bat");
  EXPECT_EQ(call.directory, "C:\\Temp");
  EXPECT_EQ(call.show, ShowMode::kHidden);
  EXPECT_TRUE(call.wait);
  // Only the first "cmd /c " is dropped.
  EXPECT_EQ(host.files().ReadAll("C:\\Temp\\abc0.tmp.bat").value_or(""),
            "echo one > C:\\Program Files\\App\\a.txt\r\ncmd /c echo two");

  // A name that is taken is passed over; the new line is quoted.
  host.files().WriteAll("C:\\Temp\\abc1.tmp", "");
  host.env().SetTickCount(0xabc0, 0);
  EXPECT_EQ(WriteBatchFile(ctx, "a%ET%b"), "\"C:\\Temp\\abc2.tmp.bat\"");
  EXPECT_EQ(WriteBatchFile(ctx, "a%ET%b"), "\"C:\\Temp\\abc3.tmp.bat\"");
}

TEST_F(CommandRunnerTest, SystemTags) {
  struct Case {
    std::string line;
    std::string on32;
    std::string on64;
  };
  const Case cases[] = {
      {"a.exe[sys=32]", "a.exe", ""},
      {"[sys=64]a.exe", "", "a.exe"},
      {"a.exe [sys=32,64]", "a.exe ", "a.exe "},
      {"a.exe[sys=none]", "", ""},
      {"a.exe[sys=]", "a.exe[sys=]", "a.exe[sys=]"},
      {"a.exe", "a.exe", "a.exe"},
  };
  for (const Case& c : cases) {
    host.env().SetIs64BitWindows(false);
    EXPECT_EQ(ApplySystemCondition(ctx, c.line), c.on32) << c.line;
    host.env().SetIs64BitWindows(true);
    EXPECT_EQ(ApplySystemCondition(ctx, c.line), c.on64) << c.line;
  }
}

TEST_F(CommandRunnerTest, ProgramListsAndFinishCommands) {
  host.env().SetIs64BitWindows(true);
  ctx.wizard.install_folder = "C:\\My App";
  ctx.wizard.progress_templates = {"解压 %Default%", "快捷方式 %Default%", "运行 %Default% %Default%"};
  std::vector<std::string> lines;
  ctx.wizard.show_progress_line = [&lines](const std::string& line) { lines.push_back(line); };
  RunProgramList(ctx, {
                          AfterInstallRun{"", "setup.exe /s", true, true},
                          AfterInstallRun{"真", "tool.exe %InstallPath%[sys=64]", false, false},
                          AfterInstallRun{"真", "old.exe[sys=32]", false, false},
                      });
  ASSERT_EQ(shell_calls().size(), 1u);
  EXPECT_EQ(shell_calls()[0].file, "C:\\My App\\setup.exe");
  EXPECT_EQ(shell_calls()[0].parameters, "/s");
  EXPECT_EQ(shell_calls()[0].directory, "C:\\My App");
  EXPECT_TRUE(shell_calls()[0].wait);
  EXPECT_EQ(shell_calls()[0].show, ShowMode::kHidden);
  ASSERT_EQ(starts().size(), 1u);
  EXPECT_EQ(starts()[0].command_line, "tool.exe C:\\My App");
  EXPECT_FALSE(starts()[0].wait);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], "运行 \"C:\\My App\"\\setup.exe /s %Default%");
  EXPECT_EQ(lines[2], "运行  %Default%");

  RunFinishOptionCommand(ctx, "**%InstallPath%\\main.exe**");
  ASSERT_EQ(shell_calls().size(), 2u);
  EXPECT_EQ(shell_calls()[1].verb, "");
  EXPECT_EQ(shell_calls()[1].file, "C:\\My App\\main.exe");
  EXPECT_EQ(shell_calls()[1].parameters, "");
  EXPECT_EQ(shell_calls()[1].directory, "C:\\My App");
  EXPECT_FALSE(shell_calls()[1].wait);
}

}  // namespace
}  // namespace qmb
