#include "platform/host/host_platform.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace qmb {
namespace {

TEST(HostPlatformTest, EnvironmentDefaultsAndFolders) {
  std::string root;
  {
    HostPlatform host;
    root = host.root();
    Env& env = host.platform().env;
    Files& files = host.platform().files;
    EXPECT_EQ(env.TempFolder(), "C:\\Temp\\");
    EXPECT_TRUE(files.IsDirectory(env.TempFolder()));
    EXPECT_TRUE(files.IsDirectory(env.GetSpecialFolder(SpecialFolder::kDesktop)));
    EXPECT_TRUE(files.IsDirectory(env.GetSpecialFolder(SpecialFolder::kPrograms)));
    EXPECT_TRUE(files.IsDirectory("C:\\pkg"));
    EXPECT_EQ(env.GetVariable("userprofile"), "C:\\Users\\user");
    EXPECT_EQ(env.GetVariable("PROGRAMFILES"), "C:\\Program Files");
    host.env().SetVariable("SETUP_LOG", "");
    EXPECT_EQ(env.GetVariable("SETUP_LOG"), "");

    host.env().SetTickCount(100, 5);
    EXPECT_EQ(env.TickCount(), 100u);
    EXPECT_EQ(env.TickCount(), 105u);

    host.env().SetResource("UNINST_DAT", 100, "exe");
    host.env().SetResource("png", "Logo", "img");
    EXPECT_EQ(env.LoadResource("uninst_dat", 100), "exe");
    EXPECT_EQ(env.LoadResource("PNG", "LOGO"), "img");
    EXPECT_FALSE(env.LoadResource("PNG", 100).has_value());
  }
  EXPECT_FALSE(std::filesystem::exists(root));  // the temporary root is removed
}

TEST(HostPlatformTest, RegistryFollowsTheSimulatedWindows) {
  HostPlatform host;
  Registry& reg = host.platform().registry;
  reg.SetValue(RegRoot::kLocalMachine, "Software\\A", "v", kRegSz, "x", RegView::k64);
  EXPECT_TRUE(reg.KeyExists(RegRoot::kLocalMachine, "Software\\A", RegView::k32));
  host.env().SetIs64BitWindows(true);
  EXPECT_FALSE(reg.KeyExists(RegRoot::kLocalMachine, "Software\\A", RegView::k64));
}

TEST(HostPlatformTest, RecordsProcessesShellAndDialogs) {
  HostPlatform host;
  Platform& p = host.platform();
  host.processes().SetHandler([&](const StartCall& call) {
    if (call.command_line.find("fail") != std::string::npos) return false;
    return p.files.WriteAll("C:\\Temp\\ran.txt", call.command_line);
  });
  EXPECT_TRUE(p.processes.Start("tool.exe /q", ShowMode::kHidden, true));
  EXPECT_FALSE(p.processes.Start("fail.exe", ShowMode::kNormal, false));
  EXPECT_EQ(p.files.ReadAll("C:\\Temp\\ran.txt"), "tool.exe /q");
  ASSERT_EQ(host.processes().starts().size(), 2u);
  EXPECT_EQ(host.processes().starts()[0].show, ShowMode::kHidden);
  EXPECT_TRUE(host.processes().starts()[0].wait);
  p.processes.Exit(3);
  p.processes.Sleep(500);
  EXPECT_EQ(host.processes().exits(), std::vector<uint32_t>{3});
  EXPECT_EQ(host.processes().sleeps(), std::vector<uint32_t>{500});

  LinkSpec link;
  link.link_path = "C:\\Users\\user\\Desktop\\App.lnk";
  link.target = "C:\\App\\app.exe";
  link.arguments = "-x";
  EXPECT_TRUE(p.shell.CreateLink(link));
  EXPECT_TRUE(p.files.Exists(link.link_path));
  ASSERT_NE(host.shell().FindLink("c:\\users\\USER\\desktop\\app.lnk"), nullptr);
  EXPECT_EQ(host.shell().FindLink(link.link_path)->arguments, "-x");
  LinkSpec nowhere = link;
  nowhere.link_path = "C:\\Nowhere\\x.lnk";
  EXPECT_FALSE(p.shell.CreateLink(nowhere));
  p.files.RemoveFile(link.link_path);
  EXPECT_EQ(host.shell().FindLink(link.link_path), nullptr);
  EXPECT_EQ(host.shell().links().size(), 1u);
  EXPECT_TRUE(p.shell.Execute("open", "C:\\x.exe", "", "C:\\", ShowMode::kNormal, true));
  p.shell.InvokeTaskbarVerb("C:\\App", "app.exe", true);
  ASSERT_EQ(host.shell().calls().size(), 1u);
  EXPECT_TRUE(host.shell().calls()[0].wait);
  ASSERT_EQ(host.shell().taskbar_verbs().size(), 1u);
  EXPECT_TRUE(host.shell().taskbar_verbs()[0].pin);

  EXPECT_EQ(p.dialogs.MessageBox("q?", "t", kMbYesNo | kMbIconQuestion), kIdYes);
  EXPECT_EQ(p.dialogs.MessageBox("i", "t", kMbOk | kMbIconInformation), kIdOk);
  host.dialogs().QueueMessageBoxAnswer(kIdNo);
  EXPECT_EQ(p.dialogs.MessageBox("q?", "t", kMbYesNo), kIdNo);
  EXPECT_EQ(p.dialogs.InputBox("pw", "t", true), std::nullopt);
  host.dialogs().QueueInputBoxAnswer("secret");
  EXPECT_EQ(p.dialogs.InputBox("pw", "t", true), "secret");
  EXPECT_EQ(host.dialogs().message_boxes().size(), 3u);
  ASSERT_EQ(host.dialogs().input_boxes().size(), 2u);
  EXPECT_TRUE(host.dialogs().input_boxes()[1].password);
  p.dialogs.ProcessPendingMessages();
  EXPECT_EQ(host.dialogs().pending_message_calls(), 1);
}

}  // namespace
}  // namespace qmb
