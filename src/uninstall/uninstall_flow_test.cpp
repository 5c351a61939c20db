// The uninstaller's run against what the installation's steps really write: shortcuts, registry
// entries and "uninst.dat" are made by the install steps, then a second context (the uninstaller's
// process) starts over the same host platform.
#include "uninstall/uninstall_flow.h"

#include <gtest/gtest.h>

#include <functional>

#include "archive/sevenzip_api.h"
#include "base/registry_store.h"
#include "base/text.h"
#include "base/value_store.h"
#include "system/registry_entries.h"
#include "system/shortcuts.h"
#include "system/system_settings.h"
#include "system/uninstall_record.h"
#include "wizard/after_install_runs.h"
#include "uninstall/uninstall_messages.h"
#include "uninstall/uninstall_test_support.h"

namespace qmb {
namespace {

using namespace test;

constexpr char kWorking[] = "C:\\Temp\\Uninstall\\演示";
const std::string kImage = "MZ runtime image";

class UninstallFlowTest : public ::testing::Test, public test::UninstallFixture {
 protected:
  // Installs the product with the given uninstall mode through the install steps.
  void Install(const std::string& mode = "", const std::string& extra_settings = "") {
    Context installer(host.platform());
    installer.settings.data = IniFile(
        "[禾木软件安装配置]\r\n禾木软件名称=演示\r\n软件版本=1.0\r\n包内的程序名=app.exe\r\n"
        "公司名称=禾木\r\n是否生成卸载程序=1\r\n卸载模式=" + mode + "\r\n"
        "[安装包命令行]\r\njp=-jp\r\nhideend=-hideend\r\nhp=-hp\r\n"
        "[新建快捷方式参数]\r\n欲运行的次数=2\r\n"
        "参数快捷方式名1=演示\r\n参数文件名1=app.exe\r\n参数生成位置1=" + std::string(kDesktop) +
        "," + kPrograms + "\\演示\r\n参数是否卸载1=真\r\n"
        "参数快捷方式名2=卸载演示\r\n参数文件名2=%Uninst.exe%\r\n参数生成位置2=" + kPrograms +
        "\\演示\r\n参数是否卸载2=真\r\n"
        "[卸载时运行命令]\r\n欲运行的次数=1\r\n是否外部运行1=真\r\n"
        "参数运行文件名1=cleanup.exe %InstallPath%\r\n是否隐藏窗口1=真\r\n是否等待返回1=真\r\n"
        "[卸载选项_列表]\r\ny=24,150\r\n次数=2\r\n"
        "标题1=删除存档\r\n可视1=真\r\n选中1=真\r\n程序1=[真]wipe.exe saves\r\n"
        "标题2=反馈\r\n可视2=真\r\n选中2=假\r\n程序2=[假]feedback.exe\r\n" + extra_settings);
    installer.settings.registry_data = BuildRegistryStore({
        {"HKEY_CURRENT_USER\\Software\\演示", "REG_SZ", "%InstallPath%", "真", "Path", "32"},
        {"HKEY_LOCAL_MACHINE\\SOFTWARE\\演示", "REG_DWORD", "1", "真", "Installed", "64"},
        {"HKEY_CURRENT_USER\\Software", "file", "REGEDIT4\r\n", "真", "演示", "32"},
    });
    installer.settings.uninstall_blob = "dll settings#！★！#dll#！★！#records#！★！#vars#！★！#";
    installer.wizard.install_folder = kInstall;
    installer.system.shortcut_choice_list = "1$，1$，1";
    // What the extraction does: the install folder, the payload's files and their folders.
    installer.journal.Begin("C:\\backup");
    installer.journal.CreateFolderPath(kInstall);
    for (const char* file : {"app.exe", "data\\a.dat", "data\\deep\\b.dat"}) {
      installer.journal.PrepareFile(In(file));
      File(In(file));
      installer.progress.installed_files += In(file) + "\r\n";
    }
    File("C:\\pkg\\setup.exe", kImage + '\0' + "QMB-mark=配置包A\x01qmb-1QMB-mark=配置包B\x01");
    host.env().SetResource("UNINST_DAT", 100, "MZ launcher");
    ReadSystemSettings(installer);
    ReadAfterInstallRuns(installer);
    CreateShortcuts(installer);
    WriteRegistryEntries(installer);
    WriteUninstallRecord(installer);
    // What the launcher does: the working copy and the icon in the working folder.
    File(std::string(kWorking) + "\\uninst.exe", "MZ copy");
    File(std::string(kWorking) + "\\uninst.ico", "ICON");
    host.env().SetModulePath(std::string(kWorking) + "\\uninst.exe");
  }
  void Start(const std::string& switches = "") {
    ctx.startup.arguments = {kInstall, kWorking, "卸载"};
    if (!switches.empty()) ctx.startup.arguments.push_back(switches);
    StartUninstall(ctx);
  }
  bool Installed() {
    return Exists(In("app.exe")) && Exists(std::string(kDesktop) + "\\演示.lnk") &&
           host.registry().KeyExists(RegRoot::kLocalMachine, kEntryKey, RegView::k32);
  }
  bool Removed() {
    return !Exists(kInstall) && !Exists(std::string(kDesktop) + "\\演示.lnk") &&
           !Exists(std::string(kPrograms) + "\\演示") &&
           !host.registry().KeyExists(RegRoot::kLocalMachine, kEntryKey, RegView::k32) &&
           !host.registry().KeyExists(RegRoot::kCurrentUser, "Software\\演示", RegView::k32) &&
           !host.registry().QueryValue(RegRoot::kLocalMachine, "SOFTWARE\\演示", "Installed",
                                       RegView::k64);
  }
  const std::vector<uint32_t>& exits() { return host.processes().exits(); }
};

TEST_F(UninstallFlowTest, NormalModeWaitsForTheButtonThenRemovesEverything) {
  Install();
  ASSERT_TRUE(Installed());
  Start();
  EXPECT_EQ(view.texts.title, "演示1.0 卸载向导");
  EXPECT_EQ(view.texts.heading, "卸载 “演示1.0”");
  EXPECT_EQ(view.texts.separator.substr(0, 4), "禾木");
  EXPECT_EQ(view.texts.folder, kInstall);
  EXPECT_EQ(view.icon, std::string(kWorking) + "\\uninst.ico");
  EXPECT_EQ(view.visible, std::vector<bool>{true});
  EXPECT_EQ(view.removal_timers, 0);
  ASSERT_EQ(view.boxes.size(), 2u);
  EXPECT_EQ(view.boxes[1].top, 150 + 23);
  // The record and settings are restored for the support DLLs.
  EXPECT_TRUE(Exists(std::string(kWorking) + "\\uninst.ini"));
  EXPECT_EQ(host.files().ReadAll("C:\\Temp\\演示\\var_data.ini"), "records");
  EXPECT_TRUE(Installed());

  const size_t before = host.processes().starts().size();  // the install's regedit run
  RunRemoval(ctx);
  EXPECT_TRUE(Removed());
  EXPECT_TRUE(view.progress_page);
  EXPECT_EQ(view.action_caption, "完成");
  EXPECT_TRUE(exits().empty());  // the last page waits for the button
  // The ticked option's program ran; the unticked one ran no line at all, not even its [假] line.
  std::vector<std::string> started;
  for (size_t i = before; i < host.processes().starts().size(); ++i)
    started.push_back(host.processes().starts()[i].command_line);
  EXPECT_EQ(started, (std::vector<std::string>{"wipe.exe saves",
                                               "cleanup.exe " + std::string(kInstall)}));

  RunRemoval(ctx);  // "完成"
  EXPECT_EQ(exits(), std::vector<uint32_t>{0});
  EXPECT_FALSE(Exists("C:\\Temp\\演示"));
  EXPECT_FALSE(Exists(kWorking));
  EXPECT_FALSE(Exists("C:\\Temp\\Uninstall"));
}

struct Mode {
  const char* record_mode;
  const char* switches;
  bool visible;
  bool ends;  // no last page: the program ends right after the removal
};

class RunModeFlowTest : public UninstallFlowTest, public ::testing::WithParamInterface<Mode> {};

TEST_P(RunModeFlowTest, StartsAtOnce) {
  const Mode& m = GetParam();
  Install(m.record_mode);
  Start(m.switches);
  EXPECT_EQ(view.visible, std::vector<bool>{m.visible});
  ASSERT_EQ(view.removal_timers, 1);
  EXPECT_TRUE(Installed());  // the timer starts the removal, not the start
  RunRemoval(ctx);
  EXPECT_TRUE(Removed());
  EXPECT_EQ(exits(), m.ends ? std::vector<uint32_t>{0} : std::vector<uint32_t>{});
  EXPECT_TRUE(host.dialogs().message_boxes().empty());
}

INSTANTIATE_TEST_SUITE_P(Modes, RunModeFlowTest,
                         ::testing::Values(Mode{"后台卸载", "", false, true},
                                           Mode{"", "-hp", false, true},
                                           Mode{"", "-jp", true, false},
                                           Mode{"直接卸载", "", true, false},
                                           Mode{"", "-jp -hideend", true, true},
                                           Mode{"直接卸载", "-hideend", true, true}));

TEST_F(UninstallFlowTest, ShowFileShowsAHiddenRun) {
  Install("后台卸载");
  File("C:\\Temp\\x_show", "真");
  Start();
  EXPECT_EQ(view.visible, std::vector<bool>{true});
  EXPECT_FALSE(Exists("C:\\Temp\\x_show"));
}

// Damaged data: a clear message, or in a hidden run only a log line, then exit code 2; nothing
// of the installation is removed.
class DamagedDataTest : public UninstallFlowTest {
 protected:
  void Damage(const std::function<std::string(std::string)>& change) {
    const std::string path = In("uninst.dat");
    host.files().WriteAll(path, change(host.files().ReadAll(path).value_or("")));
  }
  void ExpectRefused(bool message_box) {
    EXPECT_EQ(exits(), std::vector<uint32_t>{kExitDamagedData});
    EXPECT_EQ(host.dialogs().message_boxes().size(), message_box ? 1u : 0u);
    if (message_box) {
      EXPECT_EQ(host.dialogs().message_boxes()[0].text, kDamagedDataMessage);
    }
    EXPECT_TRUE(Logged("nothing is removed"));
    EXPECT_TRUE(view.visible.empty());
    EXPECT_EQ(view.removal_timers, 0);
    EXPECT_TRUE(Installed());
    EXPECT_TRUE(Exists(In("data\\deep\\b.dat")));
    EXPECT_FALSE(Exists(kWorking));  // the launcher's working copy is cleaned up all the same
  }
};

TEST_F(DamagedDataTest, TruncatedFile) {
  Install();
  Damage([](std::string data) { return data.substr(0, data.find("QMB-mark=uninst_iniB")); });
  Start();
  ExpectRefused(true);
}

TEST_F(DamagedDataTest, MissingSectionInAHiddenRun) {
  Install();
  Damage([](std::string data) { return ReplaceAll(data, "QMB-mark=skinA", "QMB-mark=skinX"); });
  Start("-hp");
  ExpectRefused(false);
}

TEST_F(DamagedDataTest, HiddenModeOfTheRecordItselfStillCounts) {
  Install("后台卸载");
  Damage([](std::string data) { return ReplaceAll(data, "卸载注册表\x01", "卸载注册表\x02"); });
  Start();
  ExpectRefused(false);
  EXPECT_TRUE(Logged("lacks its list 卸载注册表"));
}

TEST_F(DamagedDataTest, ProductNameThatClimbs) {
  Install();
  Damage([](std::string data) { return ReplaceAll(data, "软件名称=演示", "软件名称=..\\.."); });
  Start();
  ExpectRefused(true);
  EXPECT_TRUE(Exists("C:\\Temp"));
}

TEST_F(DamagedDataTest, MissingFileAndUnsoundInstallFolder) {
  Install();
  ctx.startup.arguments = {"C:\\", kWorking, "卸载"};
  StartUninstall(ctx);
  ExpectRefused(true);
}

TEST_F(UninstallFlowTest, NoArgumentsEndsAtOnce) {
  StartUninstall(ctx);
  EXPECT_EQ(exits(), std::vector<uint32_t>{0});
  EXPECT_TRUE(view.visible.empty());
}

TEST_F(UninstallFlowTest, AnExistingFolderKeepsTheUsersOwnThings) {
  // Installed into a folder the user had, with an empty folder and a file of their own, and a
  // desktop link of the product's name that the unticked desktop kind leaves theirs.
  MakeFolder(In("my empty folder"));
  File(In("notes.txt"), "mine");
  File(std::string(kDesktop) + "\\演示.lnk", "my link");
  Install("后台卸载");
  Start();
  RunRemoval(ctx);
  EXPECT_TRUE(host.files().IsDirectory(In("my empty folder")));
  EXPECT_EQ(host.files().ReadAll(In("notes.txt")), "mine");
  EXPECT_EQ(host.files().ReadAll(std::string(kDesktop) + "\\演示.lnk"), "my link");
  EXPECT_FALSE(Exists(In("app.exe")));
  EXPECT_FALSE(Exists(In("data")));
  EXPECT_FALSE(Exists(In("uninst.dat")));
  EXPECT_FALSE(Exists(std::string(kPrograms) + "\\演示"));
  EXPECT_FALSE(host.registry().KeyExists(RegRoot::kLocalMachine, kEntryKey, RegView::k32));
}

TEST_F(UninstallFlowTest, ClimbingFileListLineDeletesNothingOutside) {
  File("C:\\Windows\\win.ini", "keep me");
  Install("后台卸载");
  // A second install-files log line that climbs out of the install folder.
  const std::string path = In("uninst.dat");
  host.files().WriteAll(path, ReplaceAll(host.files().ReadAll(path).value_or(""),
                                         In("app.exe") + "\r\n",
                                         In("app.exe") + "\r\n" + In("..\\..\\Windows\\win.ini") +
                                             "\r\n"));
  Start();
  RunRemoval(ctx);
  EXPECT_TRUE(Removed());
  EXPECT_EQ(host.files().ReadAll("C:\\Windows\\win.ini"), "keep me");
  EXPECT_TRUE(Logged("climbs"));
}

TEST_F(UninstallFlowTest, ControllingProcessRequests) {
  Install();
  Start();
  // 2001: the product record, kept by the program.
  const auto* record = reinterpret_cast<const char*>(
      HandleUninstallMessage(ctx, kMessageProductRecord, 0, 0));
  ASSERT_NE(record, nullptr);
  EXPECT_NE(std::string(record).find("软件名称=演示\r\n软件版本=1.0"), std::string::npos);
  EXPECT_NE(std::string(record).find("标题2=反馈\r\n可视2=真\r\n选中2=假"), std::string::npos);
  // 2003 hides the window, 2002 keeps a folder, 2004 unticks the first option.
  HandleUninstallMessage(ctx, kMessageShowUninstall, 0, 0);
  EXPECT_EQ(view.visible.back(), false);
  const std::string keep = "data";
  HandleUninstallMessage(ctx, kMessageKeepList, reinterpret_cast<intptr_t>(keep.c_str()), 0);
  const std::string ticks = "假";
  HandleUninstallMessage(ctx, kMessageTickList, reinterpret_cast<intptr_t>(ticks.c_str()), 0);
  // 2010 starts the removal and receives every line shown.
  static std::vector<std::string> lines;
  lines.clear();
  const uintptr_t line_routine = host.modules().AddRoutine([](const DllArguments& a) {
    lines.emplace_back(reinterpret_cast<const char*>(a[0]));
    return 0;
  });
  HandleUninstallMessage(ctx, kMessageStartRemoval, static_cast<intptr_t>(line_routine), 0);
  EXPECT_EQ(lines, view.log);
  EXPECT_FALSE(lines.empty());
  EXPECT_FALSE(Exists(In("app.exe")));
  EXPECT_TRUE(Exists(In("data\\deep\\b.dat")));  // kept, with its folders
  for (const StartCall& call : host.processes().starts())
    EXPECT_NE(call.command_line, "wipe.exe saves");  // the option was unticked
}

TEST_F(UninstallFlowTest, ControllingProcessTakesOverTheRemoval) {
  Install();
  Start();
  std::vector<int> notices;
  ctx.uninstall.notify = [&notices](int stage) {
    notices.push_back(stage);
    return true;
  };
  EXPECT_TRUE(MayClose(ctx));
  RunRemoval(ctx);
  EXPECT_EQ(notices, std::vector<int>{1});
  EXPECT_TRUE(Installed());
  EXPECT_FALSE(view.progress_page);
  // The window stays closable: the removal is the controlling process's now.
  EXPECT_TRUE(MayClose(ctx));
  ctx.uninstall.taken_over = false;
  EXPECT_FALSE(MayClose(ctx));  // a removal of our own that runs cannot be closed
}

TEST_F(UninstallFlowTest, TheWaitingLauncherGoesAfterThisProgramWithTheFoldersItKept) {
  Install("后台卸载");
  Start();
  // As on Windows, where the launcher cannot be deleted while it waits for us.
  ctx.uninstall.launcher_left = In("uninst.exe");
  ctx.uninstall.folders_left = {kInstall};
  FinishUninstall(ctx);
  const StartCall& cleanup = host.processes().starts().back();
  EXPECT_EQ(cleanup.command_line, "\"" + std::string(kWorking) + "\\uninst.exe\" 清理 \"" +
                                      In("uninst.exe") + "\" \"" + kInstall + "\"");
  EXPECT_EQ(cleanup.show, ShowMode::kHidden);
  EXPECT_FALSE(cleanup.wait);

  // The clean-up run: the launcher once it can go, then each listed folder that is empty.
  for (const char* path : {"data\\a.dat", "data\\deep\\b.dat", "app.exe", "uninst.dat"})
    host.files().RemoveFile(In(path));
  host.files().RemoveFolder(In("data\\deep"));
  host.files().RemoveFolder(In("data"));
  ctx.startup.arguments = {"清理", In("uninst.exe"), kInstall};
  host.files().SetAttributes(In("uninst.exe"), kAttrReadOnly);  // stands for "still running"
  StartUninstall(ctx);
  EXPECT_TRUE(Exists(In("uninst.exe")));
  EXPECT_EQ(host.processes().sleeps().size(), 600u);  // a bounded wait
  EXPECT_TRUE(Logged("stays in use"));
  host.files().SetAttributes(In("uninst.exe"), kAttrArchive);
  StartUninstall(ctx);
  EXPECT_FALSE(Exists(kInstall));
  EXPECT_EQ(exits().back(), 0u);
  // Anything but a launcher is no clean-up's to delete.
  File("C:\\Users\\user\\mine.txt");
  ctx.startup.arguments = {"清理", "C:\\Users\\user\\mine.txt"};
  StartUninstall(ctx);
  EXPECT_TRUE(Exists("C:\\Users\\user\\mine.txt"));
}

}  // namespace
}  // namespace qmb
