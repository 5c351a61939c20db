// Tests of the uninstaller launcher's steps.
#include "system/uninstall_launcher.h"

#include <gtest/gtest.h>

#include "base/marked_section.h"
#include "startup/command_line.h"
#include "system/system_test_support.h"
#include "system/uninstaller_file.h"

namespace qmb {
namespace {

constexpr char kFolder[] = "C:\\Program Files\\演示 软件";
constexpr char kWorking[] = "C:\\Temp\\Uninstall\\演示";

class UninstallLauncherTest : public ::testing::Test, public test::SystemFixture {
 protected:
  void SetUp() override {
    host.env().SetModulePath(std::string(kFolder) + "\\uninst.exe");
    host.env().SetCommandLine("\"" + std::string(kFolder) + "\\uninst.exe\" -hp");
    SetName("演示");
    MakeFolder(kFolder);
    data_ = "{MZ image" + BuildSection(kUninstallRecordOpenMark, "record", kUninstallRecordCloseMark) +
            BuildSection(kSkinOpenMark, "卸载程序图标\x01ICON卸载程序图标end", kSkinCloseMark) +
            BuildSection(kKindOpenMark, "qmb-2", kKindCloseMark);
    host.files().WriteAll(DataPath(), data_);
  }
  void SetName(const std::string& name) {
    std::string resource = name;
    resource.resize(256, '\0');
    host.env().SetResource("NAME", 100, resource);
  }
  std::string DataPath() { return std::string(kFolder) + "\\uninst.dat"; }
  // A plain start, as from the installed-programs list: the one that may show a box.
  void StartPlainly() { host.env().SetCommandLine("\"" + std::string(kFolder) + "\\uninst.exe\""); }
  void ExpectRefused(const std::string& message) {
    EXPECT_EQ(RunUninstallLauncher(ctx), kLauncherFailed);
    ASSERT_EQ(host.dialogs().message_boxes().size(), 1u);
    EXPECT_EQ(host.dialogs().message_boxes()[0].text, message);
    EXPECT_EQ(host.dialogs().message_boxes()[0].title, "");
    EXPECT_EQ(host.dialogs().message_boxes()[0].flags, kMbIconError);
    EXPECT_TRUE(host.processes().starts().empty());
  }
  std::string data_;
};

TEST_F(UninstallLauncherTest, MakesTheWorkingCopyRunsItAndEndsWithItsCode) {
  host.files().WriteAll("C:\\Temp\\Uninstall\\old\\left.txt", "x");
  host.processes().SetRunExitCode(2);  // a damaged record, say
  EXPECT_EQ(RunUninstallLauncher(ctx), 2);
  EXPECT_FALSE(host.files().Exists("C:\\Temp\\Uninstall\\old"));

  const std::string copy = std::string(kWorking) + "\\uninst.exe";
  EXPECT_EQ(host.files().ReadAll(copy), data_.substr(1) + std::string(kWorkingCopyPadding, '\0'));
  EXPECT_EQ(host.files().ReadAll(std::string(kWorking) + "\\uninst.ico"), "ICON");

  ASSERT_EQ(host.processes().starts().size(), 1u);
  const StartCall& start = host.processes().starts()[0];
  EXPECT_EQ(start.directory, kWorking);
  EXPECT_TRUE(start.wait);
  EXPECT_EQ(start.command_line, "\"" + copy + "\" \"" + kFolder + "\" \"" + kWorking + "\" 卸载 -hp");
  // What the uninstaller reads from it: the install folder, the working folder, then switch words.
  EXPECT_EQ(SplitCommandLine(start.command_line),
            (std::vector<std::string>{kFolder, kWorking, "卸载", "-hp"}));
}

TEST_F(UninstallLauncherTest, MissingOrDamagedDataStopsWithTheMessage) {
  StartPlainly();
  host.files().RemoveFile(DataPath());
  ExpectRefused(kUninstallDataMissing);
  EXPECT_TRUE(host.files().IsDirectory("C:\\Temp\\Uninstall"));

  host.files().WriteAll(DataPath(), "garbage");
  EXPECT_EQ(RunUninstallLauncher(ctx), 1);
  EXPECT_EQ(host.dialogs().message_boxes().size(), 2u);
  // Cut short, the file has lost the package kind its copy needs to start as the uninstaller.
  host.files().WriteAll(DataPath(), data_.substr(0, data_.size() - 5));
  EXPECT_EQ(RunUninstallLauncher(ctx), 1);
  EXPECT_EQ(host.dialogs().message_boxes().size(), 3u);
  EXPECT_TRUE(host.processes().starts().empty());
  EXPECT_FALSE(host.files().Exists(std::string(kWorking) + "\\uninst.exe"));
}

TEST_F(UninstallLauncherTest, AHostileNameStaysInsideTheUninstallFolder) {
  SetName("..\\..\\Windows");
  EXPECT_EQ(RunUninstallLauncher(ctx), 0);
  EXPECT_TRUE(host.files().Exists("C:\\Temp\\Uninstall\\.._.._Windows\\uninst.exe"));
  EXPECT_FALSE(host.files().Exists("C:\\Windows\\uninst.exe"));
}

TEST_F(UninstallLauncherTest, AFailedStartIsReported) {
  StartPlainly();
  host.processes().SetHandler([](const StartCall&) { return false; });
  EXPECT_EQ(RunUninstallLauncher(ctx), 1);
  ASSERT_EQ(host.dialogs().message_boxes().size(), 1u);
  EXPECT_NE(host.dialogs().message_boxes()[0].text.find("无法启动卸载程序"), std::string::npos);
  EXPECT_TRUE(Logged("cannot start"));
}

// A script's run (switch words) must end, not wait for a click on a box nobody sees.
TEST_F(UninstallLauncherTest, AStartWithSwitchWordsShowsNoBox) {
  host.files().RemoveFile(DataPath());
  EXPECT_EQ(RunUninstallLauncher(ctx), kLauncherFailed);
  EXPECT_TRUE(host.dialogs().message_boxes().empty());
  EXPECT_TRUE(Logged("launcher: no " + DataPath()));
  EXPECT_TRUE(host.processes().starts().empty());
}

// Under WOW64 a 64-bit caller names the real system folder "System32", which this 32-bit launcher
// would open as SysWOW64: the data is found through "Sysnative", and the copy told that folder.
TEST_F(UninstallLauncherTest, StartedThroughSystem32UnderWow64ItFindsItsDataThroughSysnative) {
  const std::string named = "C:\\Windows\\System32\\演示";
  const std::string real = "C:\\Windows\\Sysnative\\演示";
  host.files().RemoveFile(DataPath());
  File(real + "\\uninst.dat", data_);
  host.env().SetModulePath(named + "\\uninst.exe");
  host.env().SetCommandLine("\"" + named + "\\uninst.exe\" -hp");

  // On 32-bit Windows nothing is redirected: System32 is System32.
  EXPECT_EQ(RunUninstallLauncher(ctx), kLauncherFailed);
  EXPECT_TRUE(host.processes().starts().empty());

  host.env().SetIs64BitWindows(true);
  EXPECT_EQ(RunUninstallLauncher(ctx), 0);
  ASSERT_EQ(host.processes().starts().size(), 1u);
  EXPECT_EQ(SplitCommandLine(host.processes().starts()[0].command_line)[0], real);
}

}  // namespace
}  // namespace qmb
