// Tests of the removal over the host platform: what goes, in which order, and what a damaged
// record cannot make go.
#include "uninstall/removal.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "base/value_store.h"
#include "uninstall/removal_lists.h"
#include "uninstall/uninstall_test_support.h"

namespace qmb {
namespace {

using namespace test;

class RemovalTest : public ::testing::Test, public test::UninstallFixture {
 protected:
  RemovalTest() {
    UninstallState& s = ctx.uninstall;
    s.active = true;
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
  bool HasValue(RegRoot root, const std::string& key, const std::string& name, RegView view) {
    return host.registry().QueryValue(root, key, name, view).has_value();
  }
};

TEST_F(RemovalTest, RemovesWhatTheRecordNamesInOrder) {
  const std::string group = std::string(kPrograms) + "\\演示";
  const std::string all_users = "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\演示";
  for (const std::string& path :
       {In("app.exe"), In("data\\a.dat"), In("data\\deep\\b.dat"), In("uninst.exe"),
        In("uninst.dat"), std::string("D:\\Shared\\plug.dll"), std::string(kDesktop) + "\\演示.lnk",
        std::string(kDesktop) + "\\App.lnk", std::string(kQuickLaunch) + "\\演示.lnk",
        group + "\\演示.lnk", group + "\\user note.txt", all_users + "\\演示.lnk"})
    File(path);
  host.files().AddDrive('D');
  for (RegView view : {RegView::k32, RegView::k64})
    Value(RegRoot::kLocalMachine, kEntryKey, "DisplayName", view);
  Value(RegRoot::kCurrentUser, "Software\\演示", "Version", RegView::k32);
  Value(RegRoot::kLocalMachine, "Software\\演示", "Path", RegView::k64);
  // Default values, each in a key that keeps another value, in both forms a line can name them.
  for (const char* key : {"Software\\默认", "Software\\标记"}) {
    Value(RegRoot::kCurrentUser, key, "", RegView::k32);
    Value(RegRoot::kCurrentUser, key, "kept", RegView::k32);
  }

  Record("[软件卸载配置]\r\n快捷方式个数=2\r\n"
         "快捷方式1=" + std::string(kDesktop) + "\\App.lnk," + group + "\\演示.lnk,\r\n",
         {In("app.exe"), In("data\\a.dat"), In("data\\deep\\b.dat"), In("uninst.ini"),
          In("uninst.exe"), In("uninst.dat"), "D:\\Shared\\plug.dll"},
         "HKEY_CURRENT_USER\\Software\\演示\\Version$,32\r\n"
         "HKEY_LOCAL_MACHINE\\Software\\演示\\Path$,64\r\n"
         "HKEY_CURRENT_USER\\Software\\演示$,32\r\n"  // the key itself, once it is empty
         "HKEY_CURRENT_USER\\Software\\默认\\$,32\r\n"
         "HKEY_CURRENT_USER\\Software\\标记\\\x01\x02\x03$,32\r\n");
  RemoveAll(ctx);

  for (const std::string& path :
       {In("app.exe"), std::string("D:\\Shared\\plug.dll"), std::string(kDesktop) + "\\演示.lnk",
        std::string(kDesktop) + "\\App.lnk", std::string(kQuickLaunch) + "\\演示.lnk", group,
        all_users, std::string(kInstall)})
    EXPECT_FALSE(Exists(path)) << path;
  for (RegView view : {RegView::k32, RegView::k64})
    EXPECT_FALSE(host.registry().KeyExists(RegRoot::kLocalMachine, kEntryKey, view));
  EXPECT_FALSE(host.registry().KeyExists(RegRoot::kCurrentUser, "Software\\演示", RegView::k32));
  EXPECT_FALSE(HasValue(RegRoot::kLocalMachine, "Software\\演示", "Path", RegView::k64));
  for (const char* key : {"Software\\默认", "Software\\标记"}) {
    EXPECT_FALSE(HasValue(RegRoot::kCurrentUser, key, "", RegView::k32)) << key;
    EXPECT_TRUE(HasValue(RegRoot::kCurrentUser, key, "kept", RegView::k32)) << key;
  }
  ASSERT_EQ(host.shell().taskbar_verbs().size(), 1u);
  EXPECT_EQ(host.shell().taskbar_verbs()[0].file, "app.exe");
  EXPECT_FALSE(host.shell().taskbar_verbs()[0].pin);

  // The log list in the order of the removal; the deepest folder goes first.
  const int quick = LineAt("删除文件: " + std::string(kQuickLaunch));
  const int entry = LineAt(std::string("删除注册项: ") + kEntryKey);
  const int link = LineAt("删除文件: " + std::string(kDesktop) + "\\App.lnk");
  const int value = LineAt("删除注册项: HKEY_CURRENT_USER\\Software\\演示\\Version");
  const int file = LineAt("删除文件: " + In("app.exe"));
  const int folders = LineAt("获取剩余目录信息");
  const int deep = LineAt("删除目录: " + In("data\\deep"));
  const int data = LineAt("删除目录: " + In("data"), true);
  EXPECT_TRUE(0 <= quick && quick < entry && entry < link && link < value && value < file &&
              file < folders && folders < deep && deep < data)
      << quick << " " << entry << " " << link << " " << value << " " << file << " " << folders
      << " " << deep << " " << data;
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
  for (const char* why : {"climbs with", "not a full path", "names a device", "names a drive root",
                          "names a folder", "holds a character", "names no link",
                          "has no known root", "start-menu group name"})
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
  RemoveAll(ctx);
  EXPECT_TRUE(Exists("C:\\Elsewhere\\empty"));
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

TEST_F(RemovalTest, RegistryItemsInTheirViews) {
  Registry& registry = host.registry();
  // 64-bit view: the value, and the key of the whole path when it is a leaf.
  Value(RegRoot::kLocalMachine, "Software\\A", "v", RegView::k64);
  Value(RegRoot::kLocalMachine, "Software\\A\\v", "w", RegView::k64);
  DeleteRegistryItem(ctx, RegRoot::kLocalMachine, "Software\\A\\v", "64");
  EXPECT_FALSE(HasValue(RegRoot::kLocalMachine, "Software\\A", "v", RegView::k64));
  EXPECT_FALSE(registry.KeyExists(RegRoot::kLocalMachine, "Software\\A\\v", RegView::k64));
  // 32-bit view: a deleted value leaves the key of the whole path alone...
  Value(RegRoot::kCurrentUser, "Software\\B", "v", RegView::k32);
  Value(RegRoot::kCurrentUser, "Software\\B\\v", "w", RegView::k32);
  DeleteRegistryItem(ctx, RegRoot::kCurrentUser, "Software\\B\\v", "32");
  EXPECT_TRUE(registry.KeyExists(RegRoot::kCurrentUser, "Software\\B\\v", RegView::k32));
  // ...and without such a value the key goes, when it has no subkeys.
  DeleteRegistryItem(ctx, RegRoot::kCurrentUser, "Software\\B\\v", "32");
  EXPECT_FALSE(registry.KeyExists(RegRoot::kCurrentUser, "Software\\B\\v", RegView::k32));
  // A default-value line deletes a value of the placeholder's name, then the key of the path.
  Value(RegRoot::kCurrentUser, "Software\\C\\\x01\x02\x03", "z", RegView::k32);
  DeleteRegistryItem(ctx, RegRoot::kCurrentUser, "Software\\C\\\x01\x02\x03", "32");
  EXPECT_FALSE(
      registry.KeyExists(RegRoot::kCurrentUser, "Software\\C\\\x01\x02\x03", RegView::k32));
  // On 32-bit Windows "64" is the one registry, handled the 32-bit way.
  host.env().SetIs64BitWindows(false);
  Value(RegRoot::kCurrentUser, "Software\\D", "v", RegView::k64);
  Value(RegRoot::kCurrentUser, "Software\\D\\v", "w", RegView::k64);
  DeleteRegistryItem(ctx, RegRoot::kCurrentUser, "Software\\D\\v", "64");
  EXPECT_FALSE(HasValue(RegRoot::kCurrentUser, "Software\\D", "v", RegView::k32));
  EXPECT_TRUE(registry.KeyExists(RegRoot::kCurrentUser, "Software\\D\\v", RegView::k32));
}

}  // namespace
}  // namespace qmb
