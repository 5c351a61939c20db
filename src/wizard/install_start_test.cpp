// The install start's checks and its order of steps, over the host platform and the real archive
// library.
#include "wizard/install_start.h"

#include <gtest/gtest.h>

#include "base/digest.h"
#include "base/marked_section.h"
#include "base/package_layout.h"
#include "extract/install_outcome.h"
#include "extract/payload_test_support.h"
#include "extract/wizard_install_view.h"
#include "script/script_test_support.h"
#include "startup/settings_variables.h"

namespace qmb {
namespace {

class InstallStartTest : public test::PayloadTest {
 protected:
  void SetUp() override {
    PayloadTest::SetUp();
    ctx_.wizard.window_caption = "Demo Setup";
    ctx_.wizard.folder_box = "C:\\App";
  }
  void Set(const char* key, const std::string& value, const char* section = kMainSection) {
    ctx_.settings.data.Set(section, key, value);
  }
  const std::vector<MessageBoxCall>& Boxes() { return host_.dialogs().message_boxes(); }
  const std::vector<uint32_t>& Exits() { return host_.processes().exits(); }
  // The one message box shown so far.
  std::string OnlyBox() { return Boxes().size() == 1 ? Boxes()[0].text : "<none or several>"; }
};

TEST_F(InstallStartTest, FolderMustBeAFolderBelowADrive) {
  for (const char* path : {"Program\\App", "C:", "C:\\a\\..\\b", "C:\\a\\\\b", "C:\\a\"b",
                           "C:\\a|b", "C:\\a:b", "1:\\a"}) {
    EXPECT_FALSE(CheckInstallPath(ctx_, path)) << path;
  }
  ASSERT_EQ(Boxes().size(), 8u);
  EXPECT_EQ(Boxes()[0].text, "选择的路径有误，请重新选择");
  EXPECT_EQ(Boxes()[0].title, "Demo Setup");
  EXPECT_EQ(Boxes()[0].flags, kMbIconError);
  // A trail byte that happens to be "|" (0x7C) is part of a Chinese character, not a forbidden one.
  EXPECT_TRUE(CheckInstallPath(ctx_, "d:\\Program Files\\\x81\x7C"));
  EXPECT_TRUE(CheckInstallPath(ctx_, "C:\\Program Files (x86)\\演示软件 1.0"));
  EXPECT_EQ(Boxes().size(), 8u);
}

// The uninstaller's files go into the install folder as well: a drive that holds the payload but
// not them would leave an install whose uninstaller cannot be written.
TEST_F(InstallStartTest, FreeSpaceCountsTheUninstallersFiles) {
  constexpr size_t kImage = 40 * 1024;
  constexpr size_t kLauncher = 30 * 1024;
  host_.env().SetModulePath("C:\\pkg\\setup.exe");
  host_.files().WriteAll("C:\\pkg\\setup.exe",
                         "MZ" + std::string(kImage - 2, 'i') +
                             BuildSection(kKindOpenMark, kKindInstaller, kKindCloseMark) + "payload");
  host_.env().SetResource(kLauncherResourceType, kLauncherResourceId, std::string(kLauncher, 'L'));
  ctx_.system.uninstaller_icon = std::string(5 * 1024, 'c');
  ctx_.startup.required_size = 10 * 1024;
  // The payload and the image alone would fit; with the launcher and the icon they do not.
  host_.files().SetFreeSpace('C', 10 * 1024 + kImage + kLauncher);
  Set("禾木软件名称", "演示");
  Set("是否生成卸载程序", "1");
  EXPECT_FALSE(StartInstall(ctx_, "", false));
  EXPECT_EQ(ctx_.outcome.result, InstallResult::kTooLittleSpace);
  EXPECT_FALSE(Exists("C:\\App"));
  // Without an uninstaller the same drive is enough.
  ctx_.outcome = {};
  Set("是否生成卸载程序", "0");
  MakePayload({{"a.txt", "A"}}, "pw");
  Set("safe", "pw");
  EXPECT_TRUE(StartInstall(ctx_, "", false));
  EXPECT_EQ(Read("C:\\App\\a.txt"), "A");
}

TEST_F(InstallStartTest, PackagePathRules) {
  Set("ch", "真", "ml");
  EXPECT_FALSE(CheckInstallPath(ctx_, "C:\\演示"));
  EXPECT_EQ(OnlyBox(), "选择的路径含有中文字符，请重新选择");
  EXPECT_TRUE(CheckInstallPath(ctx_, "C:\\Demo"));
  Set("ch", "假", "ml");
  EXPECT_TRUE(CheckInstallPath(ctx_, "C:\\演示"));

  Set("zwj", "真,data", "ml");
  EXPECT_FALSE(CheckInstallPath(ctx_, "C:\\Game"));
  EXPECT_EQ(Boxes().back().text, "选择的路径有误，请重新选择");
  host_.files().CreateDirectory("C:\\Game");
  host_.files().CreateDirectory("C:\\Game\\data");
  EXPECT_TRUE(CheckInstallPath(ctx_, "C:\\Game"));
  Set("zwj", "假,data", "ml");
  EXPECT_TRUE(CheckInstallPath(ctx_, "C:\\Other"));
  EXPECT_EQ(Boxes().size(), 2u);
}

TEST_F(InstallStartTest, RefusedStartKeepsTheWizardButEndsTheBackgroundMode) {
  ctx_.wizard.folder_box = "";
  EXPECT_FALSE(StartInstall(ctx_, "", false));
  EXPECT_EQ(OnlyBox(), "请先填写好完整的安装路径后再执行下一步操作！");
  EXPECT_EQ(Boxes()[0].title, "Demo Setup");
  EXPECT_EQ(ctx_.outcome.result, InstallResult::kNoFolder);
  EXPECT_TRUE(Exits().empty());  // the wizard stays on its page

  // In the background mode the temporary files go and the process ends with the reason's code.
  ctx_.startup.run_mode = kRunModeBackground;
  ctx_.startup.work_folder = "C:\\Temp\\W.tmp\\";
  host_.files().CreateDirectory("C:\\Temp\\W.tmp");
  ctx_.startup.archive_path = "C:\\Temp\\1.tmp.7zqmb";
  host_.files().WriteAll(ctx_.startup.archive_path, "payload");
  ctx_.wizard.folder_box = "C:\\bad|folder";
  host_.files().CreateDirectory("C:\\bad|folder");
  EXPECT_FALSE(StartInstall(ctx_, "", false));
  EXPECT_EQ(ctx_.outcome.result, InstallResult::kFolderRejected);
  EXPECT_EQ(Exits(), std::vector<uint32_t>{4});
  EXPECT_FALSE(Exists("C:\\Temp\\W.tmp"));
  EXPECT_FALSE(Exists("C:\\Temp\\1.tmp.7zqmb"));
  EXPECT_NE(log_.find("end: exit code 4 (install folder refused: C:\\bad|folder)"),
            std::string::npos) << log_;
}

TEST_F(InstallStartTest, AProductNameTheUninstallerRefusesStopsTheInstallBeforeAnything) {
  Set("是否生成卸载程序", "1");
  Set("禾木软件名称", "Demo: the sequel");
  EXPECT_FALSE(StartInstall(ctx_, "", false));
  EXPECT_EQ(OnlyBox(), "安装包的软件名称无法用于卸载程序，安装已停止");
  EXPECT_EQ(ctx_.outcome.result, InstallResult::kBadProductName);
  EXPECT_FALSE(Exists("C:\\App"));

  // Silent: no box, the process ends with its code; without an uninstaller the name is free.
  ctx_.startup.run_mode = kRunModeBackground;
  for (const char* name : {"", "CON", "a/b", "x?"}) {
    Set("禾木软件名称", name);
    EXPECT_FALSE(StartInstall(ctx_, "", false)) << name;
    EXPECT_EQ(Exits().back(), 9u) << name;
  }
  EXPECT_EQ(Boxes().size(), 1u);
  EXPECT_FALSE(Exists("C:\\App"));
  Set("是否生成卸载程序", "0");
  ctx_.outcome = {};
  Set("禾木软件名称", "Demo: the sequel");
  StartInstall(ctx_, "", false);
  EXPECT_NE(ctx_.outcome.result, InstallResult::kBadProductName);
}

TEST_F(InstallStartTest, FreeSpaceCountsThePayloadAndEveryVolume) {
  host_.files().SetFreeSpace('C', 10 * 1024 + 1000);  // whole kilobytes count: 10 KB
  ctx_.startup.required_size = 10 * 1024 + 1;
  EXPECT_FALSE(StartInstall(ctx_, "", false));
  EXPECT_EQ(OnlyBox(), "当前释放的数据将会占满磁盘空间，建议换其他盘重试");
  EXPECT_EQ(Boxes()[0].flags, kMbIconWarning);
  EXPECT_EQ(ctx_.outcome.result, InstallResult::kTooLittleSpace);
  EXPECT_FALSE(Exists("C:\\App"));

  // With split volumes, the volumes must fit beside the payload.
  host_.files().WriteAll("C:\\pkg\\v1.bin", std::string(3 * 1024, 'v'));
  host_.files().WriteAll("C:\\pkg\\v2.bin", std::string(3 * 1024, 'v'));
  ctx_.startup.volume_list = {"C:\\pkg\\v1.bin", "C:\\pkg\\v2.bin"};
  ctx_.startup.required_size = 5 * 1024;
  EXPECT_FALSE(StartInstall(ctx_, "", false));
  EXPECT_EQ(Boxes().back().text,
            "当前释放的数据将会占满磁盘空间(所需总空间为源数据+所有分卷大小)，建议换其他盘重试");
  // The drive of the folder is asked, not the drive of the program.
  host_.files().CreateDirectory("D:\\");
  host_.files().SetFreeSpace('D', 11 * 1024);
  ctx_.wizard.folder_box = "d:\\Target\\";
  MakePayload({{"a.txt", "A"}}, "pw");
  ctx_.startup.volume_list.clear();
  Set("safe", "pw");
  EXPECT_TRUE(StartInstall(ctx_, "", false));
  EXPECT_EQ(ctx_.wizard.install_folder, "D:\\Target");  // the box's text, normalized
  EXPECT_EQ(Read("D:\\Target\\a.txt"), "A");
  EXPECT_EQ(Boxes().size(), 2u);
}

TEST_F(InstallStartTest, InstallerPasswordReplacesThePayloadPassword) {
  MakePayload({{"a.txt", "A"}}, "open sesame");
  Set("安装密码", Md5Hex("open sesame"));
  Set("safe", "not the archive's");
  // Normal mode: a wrong password leaves the wizard on its page after one question.
  host_.dialogs().QueueInputBoxAnswer("guess");
  EXPECT_FALSE(StartInstall(ctx_, "", false));
  ASSERT_EQ(host_.dialogs().input_boxes().size(), 1u);
  EXPECT_EQ(host_.dialogs().input_boxes()[0].prompt, "请输入安装程序的密码才可继续安装");
  EXPECT_TRUE(host_.dialogs().input_boxes()[0].password);
  EXPECT_EQ(ctx_.outcome.result, InstallResult::kPasswordWrong);
  EXPECT_TRUE(Exits().empty());

  // A password given by a support DLL is not asked for.
  EXPECT_TRUE(StartInstall(ctx_, "open sesame", true));
  EXPECT_EQ(host_.dialogs().input_boxes().size(), 1u);
  EXPECT_EQ(ctx_.wizard.payload_password, "open sesame");
  EXPECT_EQ(Read("C:\\App\\a.txt"), "A");
}

TEST_F(InstallStartTest, BackgroundModeNeverAsksForThePassword) {
  MakePayload({{"a.txt", "A"}}, "open sesame");
  Set("安装密码", Md5Hex("open sesame"));
  ctx_.startup.run_mode = kRunModeBackground;
  // An answer waiting in the box would be taken if the run asked: it must not.
  host_.dialogs().QueueInputBoxAnswer("open sesame");
  EXPECT_FALSE(StartInstall(ctx_, "", false));
  EXPECT_EQ(Exits(), std::vector<uint32_t>{6});
  EXPECT_NE(log_.find("end: exit code 6 (installer password not given)"), std::string::npos);
  EXPECT_FALSE(host_.files().Exists("C:\\App"));

  // A wrong given password ends the run at once with its own code.
  ctx_.outcome = InstallOutcome();
  EXPECT_FALSE(StartInstall(ctx_, "guess", true));
  EXPECT_EQ(Exits().back(), 7u);
  EXPECT_FALSE(host_.files().Exists("C:\\App"));

  // The right given password (a support DLL's install request) installs.
  ctx_.outcome = InstallOutcome();
  EXPECT_TRUE(StartInstall(ctx_, "open sesame", true));
  EXPECT_EQ(Read("C:\\App\\a.txt"), "A");
  EXPECT_EQ(Exits().back(), 0u);
  EXPECT_TRUE(host_.dialogs().input_boxes().empty());
}

TEST_F(InstallStartTest, BackgroundRefusalsShowNoBoxAndEndWithTheirCode) {
  // A refused folder and too little space: a log line and the code, no box to wait for.
  ctx_.startup.run_mode = kRunModeBackground;
  ctx_.wizard.folder_box = "=C:\\x";
  EXPECT_FALSE(StartInstall(ctx_, "", false));
  EXPECT_EQ(Exits().back(), 4u);
  ctx_.outcome = InstallOutcome();
  ctx_.wizard.folder_box = "D:\\App";
  host_.files().AddDrive('D');
  host_.files().SetFreeSpace('D', 0);
  ctx_.startup.required_size = 1000;
  EXPECT_FALSE(StartInstall(ctx_, "", false));
  EXPECT_EQ(Exits().back(), 5u);
  EXPECT_TRUE(Boxes().empty());
  EXPECT_NE(log_.find("message not shown in the background run"), std::string::npos);
}

TEST_F(InstallStartTest, StepsRunInTheirOrder) {
  MakePayload({{"a.txt", "A"}, {"docs/d.txt", "D"}}, "pw");
  Set("safe", "pw");
  ctx_.wizard.tree.Clear();
  ctx_.wizard.tree.Add("main", -1, 0, true);
  ctx_.wizard.tree.Add("docs", -1, 0, false);
  ctx_.script.text =
      test::ScriptBlock("main", "\r\n[真]install.exe main", "\r\n[真]unzip.exe main") +
      test::ScriptBlock("docs", "\r\n[假]removezip(docs)");
  ctx_.wizard.pre_install_runs = {{"真", "pre.exe", true, true}};
  ctx_.wizard.post_install_runs = {{"真", "post.exe", true, true}};
  host_.processes().SetHandler([this](const StartCall&) {
    // Nothing is unpacked before the pre-install list has run.
    EXPECT_EQ(Exists("C:\\App\\a.txt"), host_.processes().starts().size() > 2);
    return true;
  });
  EXPECT_TRUE(StartInstall(ctx_, "", false));
  std::vector<std::string> started;
  for (const StartCall& call : host_.processes().starts()) started.push_back(call.command_line);
  EXPECT_EQ(started, (std::vector<std::string>{"install.exe main", "pre.exe", "post.exe",
                                               "unzip.exe main"}));
  EXPECT_EQ(Read("C:\\App\\a.txt"), "A");
  // The unticked component's "removezip" narrowed the main run.
  EXPECT_FALSE(Exists("C:\\App\\docs"));
}

// What the install start asks of the wizard window.
class InstallPageRecorder : public WizardInstallView {
 public:
  void HideDetailsList(bool) override {}
  void PrepareInstallPage(bool bring_forward) override { forward.push_back(bring_forward); }
  void TakeTreeTicks() override {
    if (tree_view_ticks) *tree_view_ticks = view_ticks;
  }
  void StartTaskbarProgress() override {}
  void StopTaskbarProgress() override {}
  void ShowFinishState() override {}
  std::vector<bool> forward;
  // The tree the install reads, and the ticks its view shows (a DLL set them there itself).
  ComponentsTree* tree_view_ticks = nullptr;
  ComponentsTree view_ticks;
};

TEST_F(InstallStartTest, TheTreeViewsTicksDecideTheSections) {
  MakePayload({{"a.txt", "A"}, {"docs/d.txt", "D"}}, "pw");
  Set("safe", "pw");
  ctx_.wizard.tree.Clear();
  ctx_.wizard.tree.Add("docs", -1, 0, false);
  ctx_.script.text = test::ScriptBlock("docs", "\r\n[假]removezip(docs)");
  InstallPageRecorder view;
  view.view_ticks.Add("docs", -1, 0, true);
  view.tree_view_ticks = &ctx_.wizard.tree;
  ctx_.wizard.install_view = &view;
  EXPECT_TRUE(StartInstall(ctx_, "", false));
  ctx_.wizard.install_view = nullptr;
  EXPECT_TRUE(ctx_.wizard.tree.Item(0).ticked);
  EXPECT_EQ(Read("C:\\App\\docs\\d.txt"), "D");
}

TEST_F(InstallStartTest, InstallingPageComesForwardUnlessADllInstallsSilently) {
  MakePayload({{"a.txt", "A"}}, "pw");
  Set("safe", "pw");
  InstallPageRecorder view;
  ctx_.wizard.install_view = &view;
  EXPECT_TRUE(StartInstall(ctx_, "", false));
  ctx_.support_dlls.silent_page_switch = true;
  EXPECT_TRUE(StartInstall(ctx_, "", false));
  // A refused start does not touch the page.
  ctx_.wizard.folder_box.clear();
  EXPECT_FALSE(StartInstall(ctx_, "", false));
  EXPECT_EQ(view.forward, (std::vector<bool>{true, false}));
  ctx_.wizard.install_view = nullptr;
}

}  // namespace
}  // namespace qmb
