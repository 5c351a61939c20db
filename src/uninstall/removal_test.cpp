// Tests of the removal over the host platform: what goes, in which order, and what a damaged
// record cannot make go.
#include "uninstall/removal.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "base/value_store.h"
#include "startup/settings_registry.h"
#include "uninstall/removal_lists.h"
#include "uninstall/uninstall_flow.h"
#include "uninstall/uninstall_test_support.h"

namespace qmb {
namespace {

using namespace test;

class RemovalTest : public ::testing::Test, public test::UninstallFixture {
 protected:
  RemovalTest() {
    BecomeUninstaller(ctx);
    UninstallState& s = ctx.uninstall;
    s.install_folder = kInstall;
    s.product_name = test::kProduct;
    s.main_program = "app.exe";
    host.env().SetModulePath("C:\\Temp\\Uninstall\\演示\\uninst.exe");
  }
  void Record(const std::string& ini, const std::vector<std::string>& files,
              const std::string& registry) {
    UninstallState& s = ctx.uninstall;
    s.record = ini;
    StoreSet(s.record, kRegistryListName, registry, s.record);
    s.record_ini = IniFile(s.record);
    s.file_list = files;
    s.registry_list = RegistryListOf(s.record);
  }
  void Value(RegRoot root, const std::string& key, const std::string& name, RegView view) {
    host.registry().SetValue(root, key, name, kRegSz, "v", view);
  }
  void Created(const std::vector<std::string>& folders, const std::string& keys) {
    UninstallState& s = ctx.uninstall;
    std::string list;
    for (const std::string& folder : folders) list += folder + "\r\n";
    StoreSet(s.record, kCreatedFolderListName, list, s.record);
    StoreSet(s.record, kCreatedKeyListName, keys, s.record);
  }
  // The product's uninstall entry in view, naming folder as its install location.
  void Entry(RegView view, const std::string& folder) {
    for (const char* name : kUninstallEntryValues)
      Value(RegRoot::kLocalMachine, kEntryKey, name, view);
    host.registry().SetValue(RegRoot::kLocalMachine, kEntryKey, "InstallLocation", kRegSz, folder,
                             view);
  }
  bool HasValue(RegRoot root, const std::string& key, const std::string& name, RegView view) {
    return host.registry().QueryValue(root, key, name, view).has_value();
  }
};

TEST_F(RemovalTest, RemovesWhatTheRecordNamesInOrder) {
  const std::string group = std::string(kPrograms) + "\\演示";
  for (const std::string& path :
       {In("app.exe"), In("data\\a.dat"), In("data\\deep\\b.dat"), In("uninst.exe"),
        In("uninst.dat"), std::string("D:\\Shared\\plug.dll"), std::string(kDesktop) + "\\App.lnk",
        group + "\\演示.lnk"})
    File(path);
  host.files().AddDrive('D');
  Entry(RegView::k64, kInstall);
  Value(RegRoot::kCurrentUser, "Software\\演示", "Version", RegView::k32);
  Value(RegRoot::kLocalMachine, "Software\\演示", "Path", RegView::k64);

  Record(
      "[软件卸载配置]\r\n快捷方式个数=2\r\n卸载项视图=64\r\n"
      "快捷方式1=" +
          std::string(kDesktop) + "\\App.lnk," + group + "\\演示.lnk,\r\n",
      {In("app.exe"), In("data\\a.dat"), In("data\\deep\\b.dat"), In("uninst.ini"),
       In("uninst.exe"), In("uninst.dat"), "D:\\Shared\\plug.dll"},
      "HKEY_CURRENT_USER\\Software\\演示\\Version$,32\r\n"
      "HKEY_LOCAL_MACHINE\\Software\\演示\\Path$,64\r\n");
  Created({kInstall, In("data"), In("data\\deep"), group},
          "HKEY_CURRENT_USER\\Software\\演示$,32\r\n");
  RemoveAll(ctx);

  for (const std::string& path :
       {In("app.exe"), std::string("D:\\Shared\\plug.dll"), std::string(kDesktop) + "\\App.lnk",
        group, std::string(kInstall)})
    EXPECT_FALSE(Exists(path)) << path;
  for (RegView view : {RegView::k32, RegView::k64})
    EXPECT_FALSE(host.registry().KeyExists(RegRoot::kLocalMachine, kEntryKey, view));
  EXPECT_FALSE(host.registry().KeyExists(RegRoot::kCurrentUser, "Software\\演示", RegView::k32));
  EXPECT_FALSE(HasValue(RegRoot::kLocalMachine, "Software\\演示", "Path", RegView::k64));
  // Not created by the install, so it stays, empty as it is.
  EXPECT_TRUE(host.registry().KeyExists(RegRoot::kLocalMachine, "Software\\演示", RegView::k64));
  ASSERT_EQ(host.shell().taskbar_verbs().size(), 1u);
  EXPECT_EQ(host.shell().taskbar_verbs()[0].file, "app.exe");
  EXPECT_FALSE(host.shell().taskbar_verbs()[0].pin);

  // The log list in the order of the removal; the deepest folder goes first.
  const int entry = LineAt(std::string("删除注册项: ") + kEntryKey);
  const int link = LineAt("删除文件: " + std::string(kDesktop) + "\\App.lnk");
  const int value = LineAt("删除注册项: HKEY_CURRENT_USER\\Software\\演示\\Version");
  const int file = LineAt("删除文件: " + In("app.exe"));
  const int folders = LineAt("获取剩余目录信息");
  const int deep = LineAt("删除目录: " + In("data\\deep"));
  const int data = LineAt("删除目录: " + In("data"), true);
  const int install = LineAt("删除目录: " + std::string(kInstall), true);
  EXPECT_TRUE(0 <= entry && entry < link && link < value && value < file && file < folders &&
              folders < deep && deep < data && data < install)
      << entry << " " << link << " " << value << " " << file << " " << folders << " " << deep << " "
      << data << " " << install;
  // A listed file that was never there is logged as deleted all the same.
  EXPECT_GE(LineAt("删除文件: " + In("uninst.ini")), 0);
  EXPECT_EQ(view.status, view.log.back());

  EXPECT_EQ(view.action_caption, "完成");
  EXPECT_TRUE(view.action_enabled);
  EXPECT_EQ(view.heading, "已完成卸载！");
  EXPECT_EQ(view.subheading, "演示已完成卸载，请点完成按钮~");
  EXPECT_EQ(view.progress.back(), 100);
  EXPECT_TRUE(view.last_line_selected);
  EXPECT_TRUE(ctx.uninstall.finished);
}

TEST_F(RemovalTest, WhatTheInstallDidNotMakeStays) {
  // The user's own things where the product went: links of the product's name, its Programs
  // group, an empty folder and a file of their own in the install folder, an empty key of theirs.
  const std::string group = std::string(kPrograms) + "\\演示";
  const std::vector<std::string> users = {
      std::string(kDesktop) + "\\演示.lnk", std::string(kQuickLaunch) + "\\演示.lnk",
      group + "\\mine.lnk", In("notes.txt"), "C:\\Users\\user\\AppData\\Local\\Temp\\演示\\x.txt"};
  for (const std::string& path : users) File(path);
  File(In("app.exe"));
  MakeFolder(In("empty of mine"));
  MakeFolder(In("made\\sub"));
  host.registry().SetValue(RegRoot::kCurrentUser, "Software\\Mine\\Empty", "x", kRegSz, "v",
                           RegView::k32);
  host.registry().DeleteValue(RegRoot::kCurrentUser, "Software\\Mine\\Empty", "x", RegView::k32);
  Value(RegRoot::kCurrentUser, "Software\\Made", "theirs", RegView::k32);
  Record("", {In("app.exe")}, "");
  Created(
      {kInstall, In("made"), In("made\\sub")},
      "HKEY_CURRENT_USER\\Software\\Made$,32\r\nHKEY_CURRENT_USER\\Software\\Made\\Gone$,32\r\n");
  RemoveAll(ctx);

  for (const std::string& path : users) EXPECT_TRUE(Exists(path)) << path;
  EXPECT_TRUE(Exists(In("empty of mine")));
  EXPECT_FALSE(Exists(In("made")));
  EXPECT_TRUE(Exists(kInstall));  // holds the user's things
  EXPECT_TRUE(
      host.registry().KeyExists(RegRoot::kCurrentUser, "Software\\Mine\\Empty", RegView::k32));
  // A key the install made that now holds a value someone else wrote stays with it.
  EXPECT_TRUE(HasValue(RegRoot::kCurrentUser, "Software\\Made", "theirs", RegView::k32));
}

TEST_F(RemovalTest, AnOlderRecordRemovesNoFolderButTheInstallFolder) {
  File(In("app.exe"));
  MakeFolder(In("data"));
  Record("", {In("app.exe")}, "");
  RemoveAll(ctx);
  EXPECT_TRUE(Exists(In("data")));
  host.files().RemoveFolder(In("data"));
  RemoveAll(ctx);
  EXPECT_FALSE(Exists(kInstall));
}

TEST_F(RemovalTest, TheUninstallEntryGoesOnlyWhereThisInstallWroteIt) {
  Entry(RegView::k32, kInstall);
  Entry(RegView::k64, "D:\\Elsewhere\\演示");  // another install of the same name
  Record("[软件卸载配置]\r\n卸载项视图=32\r\n", {}, "");
  RemoveAll(ctx);
  EXPECT_FALSE(host.registry().KeyExists(RegRoot::kLocalMachine, kEntryKey, RegView::k32));
  EXPECT_TRUE(HasValue(RegRoot::kLocalMachine, kEntryKey, "DisplayName", RegView::k64));
  // An older record names no view: both are tried, each only when it names this folder; a value
  // the install did not write keeps the key.
  Entry(RegView::k32, kInstall);
  Value(RegRoot::kLocalMachine, kEntryKey, "NoModify", RegView::k32);
  Record("", {}, "");
  RemoveAll(ctx);
  EXPECT_FALSE(HasValue(RegRoot::kLocalMachine, kEntryKey, "DisplayName", RegView::k32));
  EXPECT_TRUE(HasValue(RegRoot::kLocalMachine, kEntryKey, "NoModify", RegView::k32));
  EXPECT_TRUE(HasValue(RegRoot::kLocalMachine, kEntryKey, "DisplayName", RegView::k64));
}

// Installed under WOW64 into the real system folder, reached as "Sysnative": the entry names the
// folder as 64-bit programs do, "System32", and is still this install's.
TEST_F(RemovalTest, AnEntryNamingTheSystemFolderFor64BitProgramsIsThisInstalls) {
  host.env().SetWindowsFolder("C:\\Windows");
  ctx.uninstall.install_folder = "C:\\Windows\\Sysnative\\演示";
  Entry(RegView::k32, "C:\\Windows\\System32\\演示");
  Record("[软件卸载配置]\r\n卸载项视图=32\r\n", {}, "");
  RemoveAll(ctx);
  EXPECT_FALSE(host.registry().KeyExists(RegRoot::kLocalMachine, kEntryKey, RegView::k32));
  // What the redirected program names System32 is SysWOW64 for the list: another folder.
  ctx.uninstall.install_folder = "C:\\Windows\\System32\\演示";
  Entry(RegView::k32, "C:\\Windows\\System32\\演示\\");
  RemoveAll(ctx);
  EXPECT_FALSE(HasValue(RegRoot::kLocalMachine, kEntryKey, "DisplayName", RegView::k32));
  Entry(RegView::k32, "C:\\Windows\\Sysnative\\演示");
  RemoveAll(ctx);
  EXPECT_TRUE(HasValue(RegRoot::kLocalMachine, kEntryKey, "DisplayName", RegView::k32));
}

TEST_F(RemovalTest, KeptFilesSurviveWithTheirFoldersAndForeignFilesStay) {
  File(In("app.exe"));
  File(In("saves\\slot1\\a.sav"));
  File(In("docs\\mine.txt"));  // written by the user, in no list
  File(In("docs\\readme.txt"));
  ctx.uninstall.keep_list = {"saves"};
  Record("", {In("app.exe"), In("docs\\readme.txt")}, "");
  RemoveAll(ctx);
  EXPECT_FALSE(Exists(In("app.exe")));
  EXPECT_FALSE(Exists(In("docs\\readme.txt")));
  EXPECT_TRUE(Exists(In("saves\\slot1\\a.sav")));
  EXPECT_TRUE(Exists(In("docs\\mine.txt")));
  EXPECT_LT(LineAt("删除目录: "), 0);  // no folder was empty
}

TEST_F(RemovalTest, DamagedEntriesAreRefusedAndLogged) {
  const std::vector<std::string> victims = {
      "C:\\Windows\\win.ini", "C:\\relative.txt", "C:\\Users\\user\\victim.lnk",
      "C:\\Windows\\notepad.exe", In("data\\inside.txt")};
  for (const std::string& victim : victims) File(victim);
  File(In("app.exe"));
  Value(RegRoot::kCurrentUser, "Software\\Other\\Sub", "x", RegView::k32);
  Value(RegRoot::kCurrentUser, "Software\\Other", "y", RegView::k32);

  Record("[软件卸载配置]\r\n快捷方式个数=1\r\n快捷方式1=" + std::string(kDesktop) +
             "\\..\\victim.lnk,C:\\Windows\\notepad.exe,relative.lnk,C:\\,\r\n"
             "开始菜单栏名称=..\\..\\..\r\n",
         {In("..\\..\\Windows\\win.ini"), "relative.txt", In("NUL"), "C:\\", In("data"),
          In("app.exe:stream"), In("app.exe")},
         "HKEY_NOWHERE\\Software\\Other\\y$,32\r\n"
         "HKEY_CURRENT_USER$,32\r\n"
         "HKEY_CURRENT_USER\\Software\\Other$,32\r\n");  // has subkeys: only a leaf key goes
  RemoveAll(ctx);

  for (const std::string& victim : victims) EXPECT_TRUE(Exists(victim)) << victim;
  EXPECT_FALSE(Exists(In("app.exe")));
  EXPECT_TRUE(Exists(kPrograms));
  EXPECT_TRUE(HasValue(RegRoot::kCurrentUser, "Software\\Other", "y", RegView::k32));
  EXPECT_TRUE(HasValue(RegRoot::kCurrentUser, "Software\\Other\\Sub", "x", RegView::k32));
  for (const char* why :
       {"climbs with", "not a full path", "names a device", "names a drive root", "names a folder",
        "holds a character", "names no link", "has no known root"})
    EXPECT_TRUE(Logged(why)) << why;
  EXPECT_LT(LineAt("删除文件: " + std::string(kDesktop) + "\\.."), 0);
}

TEST_F(RemovalTest, ThroughAJunctionNothingIsRemoved) {
  // Linux links stand in for junctions: the host platform lists them as folders, and the walk
  // finds the empty folder behind this one.
  File("C:\\Elsewhere\\empty\\.keep");
  host.files().RemoveFile("C:\\Elsewhere\\empty\\.keep");
  File(In("app.exe"));
  std::filesystem::create_directory_symlink(host.files().HostPath("C:\\Elsewhere"),
                                            host.files().HostPath(In("link")));
  host.files().SetAttributes(In("link"), kAttrDirectory | kAttrReparsePoint);
  Record("", {In("app.exe")}, "");
  Created({In("link\\empty"), In("link")}, "");
  RemoveAll(ctx);
  EXPECT_TRUE(Exists("C:\\Elsewhere\\empty"));
  EXPECT_TRUE(Exists("C:\\Elsewhere"));
}

TEST_F(RemovalTest, UninstallCommands) {
  Record("[卸载时运行命令]\r\n欲运行的次数=3\r\n"
         "是否外部运行1=假\r\n参数运行文件名1=tool.exe /u **%InstallPath%\\x**\r\n"
         "是否隐藏窗口1=真\r\n是否等待返回1=真\r\n"
         "是否外部运行2=真\r\n参数运行文件名2=cleanup.exe %InstallPath%\r\n"
         "是否隐藏窗口2=假\r\n是否等待返回2=假\r\n"
         "是否外部运行3=真\r\n参数运行文件名3=\r\n",
         {}, "");
  RunUninstallCommands(ctx);
  const std::vector<ShellCall>& shell = host.shell().calls();
  ASSERT_EQ(shell.size(), 1u);
  EXPECT_EQ(shell[0].file, In("tool.exe"));
  EXPECT_EQ(shell[0].parameters, "/u \"" + In("x") + "\"");
  EXPECT_EQ(shell[0].show, ShowMode::kHidden);
  EXPECT_TRUE(shell[0].wait);
  const std::vector<StartCall>& starts = host.processes().starts();
  ASSERT_GE(starts.size(), 1u);
  EXPECT_EQ(starts[0].command_line, "cleanup.exe " + std::string(kInstall));
  EXPECT_EQ(starts[0].show, ShowMode::kNormal);
  EXPECT_FALSE(starts[0].wait);
}

TEST_F(RemovalTest, ValueLinesDeleteTheValueAndNeverTheKey) {
  // A default-value line, in each view and in both forms a line can name it, deletes the unnamed
  // value; the key keeps every other value and its subkeys.
  for (RegView view : {RegView::k32, RegView::k64}) {
    for (const char* key : {"Software\\默认", "Software\\标记"}) {
      Value(RegRoot::kCurrentUser, key, "", view);
      Value(RegRoot::kCurrentUser, key, "kept", view);
    }
  }
  Value(RegRoot::kCurrentUser, "Software\\A", "v", RegView::k64);
  Value(RegRoot::kCurrentUser, "Software\\A\\v", "w",
        RegView::k64);  // a subkey named like the value
  Record("", {},
         "HKEY_CURRENT_USER\\Software\\默认\\$,32\r\nHKEY_CURRENT_USER\\Software\\默认\\$,64\r\n"
         "HKEY_CURRENT_USER\\Software\\标记\\\x01\x02\x03$,32\r\n"
         "HKEY_CURRENT_USER\\Software\\标记\\\x01\x02\x03$,64\r\n"
         "HKEY_CURRENT_USER\\Software\\A\\v$,64\r\n");
  RemoveAll(ctx);
  for (RegView view : {RegView::k32, RegView::k64}) {
    for (const char* key : {"Software\\默认", "Software\\标记"}) {
      EXPECT_FALSE(HasValue(RegRoot::kCurrentUser, key, "", view)) << key;
      EXPECT_TRUE(HasValue(RegRoot::kCurrentUser, key, "kept", view)) << key;
    }
  }
  EXPECT_FALSE(HasValue(RegRoot::kCurrentUser, "Software\\A", "v", RegView::k64));
  EXPECT_TRUE(HasValue(RegRoot::kCurrentUser, "Software\\A\\v", "w", RegView::k64));

  // On 32-bit Windows "64" is the one registry.
  host.env().SetIs64BitWindows(false);
  Value(RegRoot::kCurrentUser, "Software\\D", "v", RegView::k64);
  DeleteRegistryItem(ctx, RegRoot::kCurrentUser, "Software\\D\\v", "64");
  EXPECT_FALSE(HasValue(RegRoot::kCurrentUser, "Software\\D", "v", RegView::k32));
}

}  // namespace
}  // namespace qmb
