// Tests of the shortcut step: locations, the three kinds and their folders, the taskbar pin, the
// uninstaller's link and the link writer.
#include "system/shortcuts.h"

#include <gtest/gtest.h>

#include "system/system_settings.h"
#include "system/system_test_support.h"
#include "system/windows_info.h"

namespace qmb {
namespace {

using test::kDesktop;
using test::kInstallFolder;
using test::kPrograms;
using test::kQuickLaunch;

class ShortcutsTest : public ::testing::Test, public test::SystemFixture {
 protected:
  void SetUp() override {
    Settings("禾木软件名称=演示\r\n包内的程序名=app.exe\r\n是否生成卸载程序=1");
    InstallFile("app.exe");
    InstallFile("app.ico");
    MakeFolder(kQuickLaunch);
    SetKinds(true, true, true);
  }
  void SetKinds(bool desktop, bool start_menu, bool quick_launch) {
    ComponentsTree& tree = ctx.wizard.tree;
    tree.Item(FindKindItem(tree, kKindDesktop)).ticked = desktop;
    tree.Item(FindKindItem(tree, kKindStartMenu)).ticked = start_menu;
    tree.Item(FindKindItem(tree, kKindQuickLaunch)).ticked = quick_launch;
  }
  ShortcutRecord& AddRecord(const std::string& name, const std::string& file,
                            const std::string& locations) {
    return ctx.system.shortcuts.emplace_back(
        ShortcutRecord{name, file, "-start", locations, false, "app.ico", "演示程序", {}});
  }
  const LinkSpec* Link(const std::string& path) { return host.shell().FindLink(path); }
  std::string Group() { return std::string(kPrograms) + "\\演示"; }
};

TEST_F(ShortcutsTest, EveryLocationGetsALinkWithTheRecordsFields) {
  // A full-width comma separates like an ASCII one; "%AC%" is a literal full-width comma.
  AddRecord("演示", "app.exe", "C:\\A，C:\\B,C:\\x%AC%y,");
  CreateShortcuts(ctx);
  const std::string target = std::string(kInstallFolder) + "\\app.exe";
  for (const char* folder : {"C:\\A", "C:\\B", "C:\\x，y"}) {
    const LinkSpec* link = Link(std::string(folder) + "\\演示.lnk");
    ASSERT_NE(link, nullptr) << folder;
    EXPECT_EQ(link->target, target);
    EXPECT_EQ(link->arguments, "-start");
    EXPECT_EQ(link->working_dir, std::string(kInstallFolder) + "\\");
    EXPECT_EQ(link->icon, std::string(kInstallFolder) + "\\app.ico");
    EXPECT_EQ(link->description, "演示程序");
  }
  EXPECT_EQ(host.shell().links().size(), 3u);  // the empty piece after the last comma names none
  EXPECT_TRUE(Logged("progress line: 快捷方式 C:\\A\\演示"));
}

TEST_F(ShortcutsTest, KindsComeFromTheTreeOrTheChoiceList) {
  SetKinds(false, true, false);
  EXPECT_EQ(ChooseShortcutKinds(ctx), (ShortcutKinds{false, true, false}));
  ctx.system.shortcut_choice_list = "1$，0$，1";
  EXPECT_EQ(ChooseShortcutKinds(ctx), (ShortcutKinds{true, false, true}));
  ctx.system.shortcut_choice_list = "1";
  EXPECT_EQ(ChooseShortcutKinds(ctx), (ShortcutKinds{true, false, false}));
  ctx.system.shortcut_choice_list = "0$，1$，1$，1";
  EXPECT_EQ(ChooseShortcutKinds(ctx), (ShortcutKinds{false, true, true}));

  // Kind items found by their value come first; without any, every kind is off.
  ctx.system.shortcut_choice_list.clear();
  ComponentsTree tree;
  tree.Add("程序", -1, 0, true);
  tree.Add("桌面", 0, kKindDesktop, true);
  ctx.wizard.tree = tree;
  EXPECT_EQ(ChooseShortcutKinds(ctx), (ShortcutKinds{true, false, false}));
  ctx.wizard.tree.Clear();
  EXPECT_EQ(ChooseShortcutKinds(ctx), (ShortcutKinds{false, false, false}));
}

TEST_F(ShortcutsTest, AKindThatIsOffSkipsExactlyItsFolder) {
  SetKinds(false, true, true);
  // The same folder as the desktop after normalizing: lower-case drive, trailing backslash.
  AddRecord("a", "app.exe", "c:\\Users\\user\\Desktop\\,C:\\Other");
  // Differs in the case of a later letter: another folder as far as the comparison goes.
  AddRecord("b", "app.exe", "C:\\Users\\user\\DESKTOP");
  CreateShortcuts(ctx);
  EXPECT_EQ(Link(std::string(kDesktop) + "\\a.lnk"), nullptr);
  EXPECT_NE(Link("C:\\Other\\a.lnk"), nullptr);
  EXPECT_NE(Link(std::string(kDesktop) + "\\b.lnk"), nullptr);
}

TEST_F(ShortcutsTest, AKindThatIsOffMakesNoFolderAndTheUsersOwnStays) {
  ctx.journal.Begin("C:\\backup");
  SetKinds(true, false, true);
  AddRecord("演示", "app.exe", Group() + "," + kDesktop);
  CreateShortcuts(ctx);
  EXPECT_FALSE(host.files().Exists(Group()));
  EXPECT_NE(Link(std::string(kDesktop) + "\\演示.lnk"), nullptr);
  // An empty group of that name that was there already is the user's.
  MakeFolder(Group());
  ctx.system.shortcuts[0].made_links.clear();
  host.files().RemoveFile(std::string(kDesktop) + "\\演示.lnk");
  CreateShortcuts(ctx);
  EXPECT_TRUE(host.files().IsDirectory(Group()));
  EXPECT_FALSE(ctx.journal.CreatedFolder(Group()));
  host.files().RemoveFolder(Group());

  SetKinds(true, true, true);
  CreateShortcuts(ctx);
  EXPECT_NE(Link(Group() + "\\演示.lnk"), nullptr);
}

TEST_F(ShortcutsTest, AnAlternativeGroupNameRedirectsTheGroup) {
  ctx.system.alternative_start_menu_name = "别的组";
  AddRecord("演示", "app.exe", Group());
  CreateShortcuts(ctx);
  EXPECT_NE(Link(std::string(kPrograms) + "\\别的组\\演示.lnk"), nullptr);
  EXPECT_FALSE(host.files().Exists(Group()));

  // With the start menu off the redirected group gets nothing either.
  host.files().RemoveTree(std::string(kPrograms) + "\\别的组");
  SetKinds(true, false, true);
  CreateShortcuts(ctx);
  EXPECT_EQ(Link(std::string(kPrograms) + "\\别的组\\演示.lnk"), nullptr);
}

TEST_F(ShortcutsTest, QuickLaunchPinsTheMainProgramFromWindows6) {
  AddRecord("演示", "app.exe", kQuickLaunch);
  CreateShortcuts(ctx);
  ASSERT_EQ(host.shell().taskbar_verbs().size(), 1u);
  EXPECT_EQ(host.shell().taskbar_verbs()[0].folder, kInstallFolder);
  EXPECT_EQ(host.shell().taskbar_verbs()[0].file, "app.exe");
  EXPECT_TRUE(host.shell().taskbar_verbs()[0].pin);
  EXPECT_NE(Link(std::string(kQuickLaunch) + "\\演示.lnk"), nullptr);

  host.env().SetWindowsVersion(5, 1);
  CreateShortcuts(ctx);
  EXPECT_EQ(host.shell().taskbar_verbs().size(), 1u);

  // No main program: nothing pinned, the quick-launch link is still made.
  host.env().SetWindowsVersion(6, 1);
  Settings("禾木软件名称=演示");
  host.files().RemoveFile(std::string(kQuickLaunch) + "\\演示.lnk");
  CreateShortcuts(ctx);
  EXPECT_EQ(host.shell().taskbar_verbs().size(), 1u);
  EXPECT_NE(Link(std::string(kQuickLaunch) + "\\演示.lnk"), nullptr);

  SetKinds(true, true, false);
  host.files().RemoveFile(std::string(kQuickLaunch) + "\\演示.lnk");
  CreateShortcuts(ctx);
  EXPECT_EQ(Link(std::string(kQuickLaunch) + "\\演示.lnk"), nullptr);
}

TEST_F(ShortcutsTest, TheUninstallerRecordLinksToTheLauncher) {
  // The launcher is written after the links: every location still gets its link.
  ShortcutRecord& record = AddRecord("卸载演示", kUninstallerTarget, "C:\\A,C:\\B");
  CreateShortcuts(ctx);
  for (const char* path : {"C:\\A\\卸载演示.lnk", "C:\\B\\卸载演示.lnk"}) {
    const LinkSpec* link = Link(path);
    ASSERT_NE(link, nullptr) << path;
    EXPECT_EQ(link->target, std::string(kInstallFolder) + "\\uninst.exe");
    EXPECT_EQ(link->icon, "");
  }
  EXPECT_EQ(record.file, "uninst.exe");
  EXPECT_EQ(record.made_links,
            (std::vector<std::string>{"C:\\A\\卸载演示.lnk", "C:\\B\\卸载演示.lnk"}));
  host.files().RemoveFile("C:\\B\\卸载演示.lnk");

  // Without an uninstaller the record stays as it is and makes no link.
  Settings("禾木软件名称=演示\r\n是否生成卸载程序=0");
  record.file = kUninstallerTarget;
  host.files().RemoveFile("C:\\A\\卸载演示.lnk");
  CreateShortcuts(ctx);
  EXPECT_EQ(Link("C:\\A\\卸载演示.lnk"), nullptr);
  EXPECT_EQ(record.file, kUninstallerTarget);
}

TEST_F(ShortcutsTest, OnlyTheLinksMadeAreKeptAndTheUsersOwnStay) {
  ctx.journal.Begin("C:\\backup");
  SetKinds(false, true, true);
  const std::string users = std::string(kDesktop) + "\\演示.lnk";
  File(users, "the user's own link");
  File("C:\\A\\演示.lnk", "another of theirs");
  AddRecord("演示", "app.exe", std::string(kDesktop) + ",C:\\A,C:\\New\\Sub");
  AddRecord("a", "missing.exe", "C:\\Other");
  CreateShortcuts(ctx);
  const ShortcutRecord& record = ctx.system.shortcuts[0];
  EXPECT_EQ(host.files().ReadAll(users), "the user's own link");
  EXPECT_EQ(host.files().ReadAll("C:\\A\\演示.lnk"), "another of theirs");
  EXPECT_EQ(record.made_links, std::vector<std::string>{"C:\\New\\Sub\\演示.lnk"});
  EXPECT_TRUE(ctx.system.shortcuts[1].made_links.empty());
  EXPECT_EQ(ctx.journal.Created().folders, (std::vector<std::string>{"C:\\New", "C:\\New\\Sub"}));
  EXPECT_FALSE(host.files().Exists("C:\\Other"));  // no folder for a link that is not made
}

TEST_F(ShortcutsTest, MissingTargetsAndUnusableLocationsMakeNoLink) {
  AddRecord("a", "missing.exe", "C:\\A");
  AddRecord("b", "app.exe", "relative\\folder,Q:\\no drive");
  CreateShortcuts(ctx);
  EXPECT_TRUE(host.shell().links().empty());
  EXPECT_FALSE(Logged("progress line:"));
  EXPECT_TRUE(Logged("cannot make the folder relative\\folder"));
}

TEST_F(ShortcutsTest, NothingWithoutAnInstallFolder) {
  AddRecord("a", "app.exe", "C:\\A");
  ctx.wizard.install_folder.clear();
  host.files().WriteAll("C:\\Temp\\app.exe", "relative to the current folder");
  CreateShortcuts(ctx);
  EXPECT_TRUE(host.shell().links().empty());
  EXPECT_TRUE(host.shell().taskbar_verbs().empty());
}

TEST_F(ShortcutsTest, CreateLinkNamesReplacesAndRefuses) {
  MakeFolder("C:\\L.lnkdir");
  const std::string target = std::string(kInstallFolder) + "\\app.exe";
  EXPECT_TRUE(CreateLink(ctx, "C:\\L.lnkdir\\plain", target, "", "", false, 0, "", ""));
  const LinkSpec* link = Link("C:\\L.lnkdir\\plain.lnk");  // the folder's ".lnk" does not count
  ASSERT_NE(link, nullptr);
  EXPECT_EQ(link->icon, target + ",0");
  EXPECT_TRUE(CreateLink(ctx, "C:\\L.lnkdir\\a.LNK.txt", target, "", "i.ico", true, 0, "", ""));
  EXPECT_NE(Link("C:\\L.lnkdir\\a.LNK.txt"), nullptr);

  host.files().WriteAll("C:\\L.lnkdir\\old.lnk", "old");
  EXPECT_TRUE(CreateLink(ctx, "C:\\L.lnkdir\\old.lnk", target, "new", "", true, 0, "", ""));
  EXPECT_EQ(Link("C:\\L.lnkdir\\old.lnk")->arguments, "new");

  EXPECT_FALSE(CreateLink(ctx, "C:\\L.lnkdir\\bare", "app.exe", "", "", true, 0, "", ""));
  EXPECT_FALSE(host.files().Exists("C:\\L.lnkdir\\bare.lnk"));
  EXPECT_FALSE(CreateLink(ctx, "C:\\missing\\x", target, "", "", true, 0, "", ""));
}

// Under WOW64 a file this program put below "Sysnative" is, for the 64-bit shell that opens the
// link, below "System32": a link naming Sysnative would open nothing.
TEST_F(ShortcutsTest, ALinkNamesTheSystemFolderAsTheShellSeesIt) {
  host.env().SetIs64BitWindows(true);
  MakeFolder("C:\\Windows\\Sysnative\\App");
  MakeFolder("C:\\A");
  const std::string target = "C:\\Windows\\Sysnative\\App\\app.exe";
  File(target, "app");
  ASSERT_TRUE(CreateLink(ctx, "C:\\A\\app", target, "", "", false, 0, "", ""));
  const LinkSpec* link = Link("C:\\A\\app.lnk");
  ASSERT_NE(link, nullptr);
  EXPECT_EQ(link->target, "C:\\Windows\\System32\\App\\app.exe");
  EXPECT_EQ(link->working_dir, "C:\\Windows\\System32\\App\\");
  EXPECT_EQ(link->icon, "C:\\Windows\\System32\\App\\app.exe,0");
  ASSERT_TRUE(CreateLink(ctx, "C:\\A\\icon", target, "", target + ",2", true, 0, "", ""));
  EXPECT_EQ(Link("C:\\A\\icon.lnk")->icon, "C:\\Windows\\System32\\App\\app.exe,2");
  // On 32-bit Windows the same path is written as it is.
  host.env().SetIs64BitWindows(false);
  ASSERT_TRUE(CreateLink(ctx, "C:\\A\\plain", target, "", "", false, 0, "", ""));
  EXPECT_EQ(Link("C:\\A\\plain.lnk")->target, target);
}

TEST(WindowsInfoTest, VersionNamesAndQuickLaunch) {
  HostPlatform host;
  Context ctx(host.platform());
  double version = 0;
  host.env().SetWindowsVersion(5, 1);
  EXPECT_EQ(GetWindowsVersion(ctx, version), "Windows XP");
  EXPECT_DOUBLE_EQ(version, 5.1);
  EXPECT_FALSE(HasTaskbarVerbs(ctx));
  host.env().SetWindowsVersion(6, 0);
  EXPECT_EQ(GetWindowsVersion(ctx, version), "Windows Vista");
  EXPECT_TRUE(HasTaskbarVerbs(ctx));
  host.env().SetWindowsVersion(6, 3);
  EXPECT_EQ(GetWindowsVersion(ctx, version), "未知操作系统");
  EXPECT_DOUBLE_EQ(version, 6.3);

  EXPECT_EQ(QuickLaunchFolder(ctx),
            "C:\\Users\\user\\Application Data\\Microsoft\\Internet Explorer\\Quick Launch");
  CreateFolderPath(host.files(), kQuickLaunch);
  EXPECT_EQ(QuickLaunchFolder(ctx), kQuickLaunch);
}

}  // namespace
}  // namespace qmb
