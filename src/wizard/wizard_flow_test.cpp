// The page walk, the bottom row on every page, the agreement box, the install inside the Next click
// (refused and run), the exit question and the finish, over a recording view.
#include "wizard/wizard_flow.h"

#include <gtest/gtest.h>

#include "base/digest.h"
#include "extract/install_outcome.h"
#include "extract/payload_test_support.h"
#include "extract/wizard_install_view.h"
#include "script/script_test_support.h"
#include "startup/settings_variables.h"
#include "wizard/dll_requests.h"
#include "wizard/install_start.h"
#include "wizard/wizard_view.h"

namespace qmb {
namespace {

// Records what the flow shows; like the window, it runs the page-changed event on every page it is
// told to show, and brings the installing page forward through EnterInstallingPage.
class RecordingWizardView : public WizardView, public WizardInstallView {
 public:
  explicit RecordingWizardView(Context& ctx) : ctx_(ctx) {}
  void SetBackButton(const ButtonLook& look) override { back = look; }
  void SetNextButton(const ButtonLook& look, bool default_button) override {
    next = look;
    next_default = default_button;
  }
  void SetCancelButton(const ButtonLook& look) override { cancel = look; }
  bool IsAgreementTicked() override { return agreement_ticked; }
  void SelectPage(int page) override {
    selected.push_back(page);
    OnPageChanged(ctx_, *this, page);
  }
  void TakeFinishTicks() override {
    for (size_t i = 0; i < box_ticks.size(); ++i) ctx_.wizard.finish_options[i].checked = box_ticks[i];
  }
  void HideDetailsList(bool) override {}
  void PrepareInstallPage(bool bring_forward) override {
    if (bring_forward) EnterInstallingPage(ctx_, *this);
  }
  void TakeTreeTicks() override {}
  void StartTaskbarProgress() override {}
  void StopTaskbarProgress() override {}
  void ShowFinishState() override { next = {"完成(&F)", true, true}; }
  void SetWelcomeFrameVisible(bool visible) override { welcome_frame = visible; }
  void ShowInstallFailure(const std::string& title, const std::string& text) override {
    failure_title = title;
    failure_text = text;
  }

  ButtonLook back, next, cancel;
  bool next_default = false;
  bool agreement_ticked = false;
  bool welcome_frame = true;
  std::vector<int> selected;
  std::string failure_title, failure_text;
  std::vector<bool> box_ticks;  // what the finish option boxes show

 private:
  Context& ctx_;
};

class WizardFlowTest : public test::PayloadTest {
 protected:
  void SetUp() override {
    PayloadTest::SetUp();
    ctx_.wizard.window_caption = "Demo Setup";
    ctx_.wizard.folder_box = "C:\\App";
    Set("禾木软件名称", "演示");
    Set("软件版本", "1.0");
  }
  void Set(const char* key, const std::string& value, const char* section = kMainSection) {
    ctx_.settings.data.Set(section, key, value);
  }
  // Licence, components and folder pages on or off; then the page table and the first page.
  void Pages(bool licence, bool components, bool folder) {
    ctx_.settings.data_ini = licence ? "自述文本_开始\x01许可文本自述文本_开始end" : "";
    Set("选择组件可视", components ? "真" : "假", "界面_可视");
    Set("浏览目录可视", folder ? "真" : "假", "界面_可视");
    BuildPageTable(ctx_);
    ShowFirstPage(ctx_, view_);
  }
  int Current() const { return ctx_.wizard.pages.current; }
  // A payload the installation can unpack, and the view as the install's window too, as the
  // wizard window is.
  void InstallableBehindTheView() {
    MakePayload({{"a.txt", "A"}}, "pw");
    Set("safe", "pw");
    ctx_.wizard.install_view = &view_;
  }
  // Pages visited by pressing Next (or Back) n times.
  std::vector<int> Walk(int direction, int n) {
    std::vector<int> visited;
    for (int i = 0; i < n; ++i) {
      StepPage(ctx_, view_, direction);
      visited.push_back(Current());
    }
    return visited;
  }
  const std::vector<MessageBoxCall>& Boxes() { return host_.dialogs().message_boxes(); }

  RecordingWizardView view_{ctx_};
};

TEST_F(WizardFlowTest, WalkSkipsSwitchedOffPagesBothWays) {
  Pages(true, true, true);
  EXPECT_EQ(Current(), kPageWelcome);
  EXPECT_EQ(Walk(+1, 3), (std::vector<int>{kPageLicence, kPageComponents, kPageFolder}));
  EXPECT_EQ(Walk(-1, 3), (std::vector<int>{kPageComponents, kPageLicence, kPageWelcome}));

  // No licence text and no components page: Next from the welcome page goes to the folder page,
  // Back from there returns to the welcome page.
  Pages(false, false, true);
  EXPECT_EQ(Walk(+1, 1), std::vector<int>{kPageFolder});
  EXPECT_EQ(Walk(-1, 1), std::vector<int>{kPageWelcome});

  // Back from the components page goes to the licence page only when it is shown.
  Pages(false, true, true);
  EXPECT_EQ(Walk(+1, 1), std::vector<int>{kPageComponents});
  EXPECT_EQ(Walk(-1, 1), std::vector<int>{kPageWelcome});
  EXPECT_EQ(StepTarget(ctx_.wizard.pages, kPageWelcome, -1), kPageWelcome);
  // Both ways from a DLL's own page lead back to the welcome page, never to the finish page.
  EXPECT_EQ(StepTarget(ctx_.wizard.pages, kPageCount, -1), kPageWelcome);
  EXPECT_EQ(StepTarget(ctx_.wizard.pages, kPageCount, +1), kPageWelcome);
}

TEST_F(WizardFlowTest, FirstShownPageHidesTheWelcomeFrameOnlyWhenItIsNotTheWelcome) {
  Pages(true, false, false);
  EXPECT_EQ(view_.selected, std::vector<int>{kPageWelcome});
  EXPECT_TRUE(view_.welcome_frame);
  ctx_.wizard.pages.shown[kPageWelcome] = false;
  ShowFirstPage(ctx_, view_);
  EXPECT_EQ(Current(), kPageLicence);
  EXPECT_FALSE(view_.welcome_frame);
  OnPageChanged(ctx_, view_, kPageWelcome);
  EXPECT_TRUE(view_.welcome_frame);
}

TEST_F(WizardFlowTest, BottomRowOnEveryPage) {
  ctx_.settings.gui_text = "按钮\x01" "Back,Agree,Next,Install,Quit" "按钮end";
  Pages(true, true, true);
  const WizardPages& pages = ctx_.wizard.pages;
  // A short list keeps the built-in captions for the rest.
  EXPECT_EQ(pages.captions[kCaptionFinish], "完成(&F)");
  EXPECT_FALSE(view_.back.visible);
  EXPECT_EQ(view_.next.caption, "Next");
  EXPECT_TRUE(view_.next.enabled && view_.next_default);
  EXPECT_EQ(view_.cancel.caption, "Quit");  // the fifth caption is Cancel's
  EXPECT_TRUE(view_.cancel.visible && view_.cancel.enabled);

  StepPage(ctx_, view_, +1);  // licence: Next waits for the agreement box
  EXPECT_TRUE(view_.back.visible && view_.back.enabled);
  EXPECT_EQ(view_.back.caption, "Back");
  EXPECT_EQ(view_.next.caption, "Agree");
  EXPECT_FALSE(view_.next.enabled);
  EXPECT_FALSE(view_.next_default);
  view_.agreement_ticked = true;
  OnAgreementClicked(ctx_, view_);
  EXPECT_TRUE(view_.next.enabled);
  view_.agreement_ticked = false;
  OnAgreementClicked(ctx_, view_);
  EXPECT_FALSE(view_.next.enabled);

  StepPage(ctx_, view_, +1);
  EXPECT_EQ(view_.next.caption, "Next");
  StepPage(ctx_, view_, +1);
  EXPECT_EQ(view_.next.caption, "Install");
  const BottomRow installing = BottomRowFor(pages, kPageInstalling, true);
  EXPECT_FALSE(installing.back.enabled || installing.next.enabled);

  // "同意条款" = "真": the box is not in use and Next is enabled at once.
  Set("同意条款", "真");
  Pages(true, false, false);
  StepPage(ctx_, view_, +1);
  EXPECT_EQ(Current(), kPageLicence);
  EXPECT_TRUE(view_.next.enabled);
}

TEST_F(WizardFlowTest, RefusedInstallKeepsThePageWithUsableButtons) {
  MakePayload({{"a.txt", "A"}}, "pw");
  Set("safe", "pw");
  Set("ch", "真", "ml");
  Pages(false, false, true);
  StepPage(ctx_, view_, +1);
  ASSERT_EQ(Current(), kPageFolder);

  ctx_.wizard.folder_box = "C:\\演示";
  StepPage(ctx_, view_, +1);
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].text, "选择的路径含有中文字符，请重新选择");
  EXPECT_EQ(Current(), kPageFolder);
  EXPECT_EQ(view_.selected.back(), kPageFolder);
  EXPECT_TRUE(view_.next.enabled && view_.back.enabled && view_.back.visible);
  EXPECT_EQ(view_.next.caption, "安装(&I)");

  ctx_.wizard.folder_box = "";
  StepPage(ctx_, view_, +1);
  EXPECT_EQ(Boxes().back().text, "请先填写好完整的安装路径后再执行下一步操作！");

  // A wrong installer password keeps the page; the right one installs and shows the finish page.
  ctx_.wizard.folder_box = "C:\\App";
  Set("安装密码", Md5Hex("pw"));
  host_.dialogs().QueueInputBoxAnswer("guess");
  StepPage(ctx_, view_, +1);
  EXPECT_EQ(Current(), kPageFolder);
  EXPECT_FALSE(Exists("C:\\App\\a.txt"));
  host_.dialogs().QueueInputBoxAnswer("pw");
  StepPage(ctx_, view_, +1);
  EXPECT_EQ(Current(), kPageFinish);
  EXPECT_EQ(view_.selected.back(), kPageFinish);
  EXPECT_EQ(view_.next.caption, "完成(&F)");
  EXPECT_TRUE(view_.next.enabled);
  EXPECT_FALSE(view_.cancel.visible);  // nothing is left to cancel
  EXPECT_EQ(Read("C:\\App\\a.txt"), "A");
  EXPECT_TRUE(view_.failure_title.empty());
}

TEST_F(WizardFlowTest, NextOnTheFinishPageRunsTickedOptionsThenEnds) {
  MakePayload({{"a.txt", "A"}}, "pw");
  Set("safe", "pw");
  ctx_.wizard.finish_options = {{"run", "\"%InstallPath%\\a.exe\"", true, false},
                                {"web", "b.exe", true, true}};
  Pages(false, false, false);
  StepPage(ctx_, view_, +1);
  ASSERT_EQ(Current(), kPageFinish);
  ASSERT_TRUE(host_.shell().calls().empty());
  // What the boxes show counts: a DLL may have ticked them through their handles.
  view_.box_ticks = {true, false};
  StepPage(ctx_, view_, +1);
  ASSERT_EQ(host_.shell().calls().size(), 1u);  // only the ticked option
  EXPECT_EQ(host_.shell().calls()[0].file, "C:\\App\\a.exe");
  EXPECT_EQ(host_.processes().exits(), std::vector<uint32_t>{0});
}

TEST_F(WizardFlowTest, DllInstallFromTheFolderPageThenNextReachesTheFinishPageOnce) {
  InstallableBehindTheView();
  std::vector<intptr_t> pages;
  const uintptr_t on_page = host_.modules().AddRoutine([&pages](const DllArguments& a) {
    pages.push_back(a[0]);
    return 0;
  });
  HandlePageRequest(ctx_, kPageChangeCallback, static_cast<intptr_t>(on_page));
  Pages(false, false, true);
  StepPage(ctx_, view_, +1);
  ASSERT_EQ(Current(), kPageFolder);
  const std::string request = "$，0$，0";
  EXPECT_EQ(HandlePageRequest(ctx_, kPageInstall, reinterpret_cast<intptr_t>(request.c_str())), 0);
  // The installing page is the current one, for the DLLs too, and its buttons wait.
  EXPECT_EQ(Current(), kPageInstalling);
  EXPECT_EQ(HandlePageRequest(ctx_, kPageCurrent, 0), kPageInstalling);
  EXPECT_EQ(pages, (std::vector<intptr_t>{0, 3, 4}));
  EXPECT_EQ(Read("C:\\App\\a.txt"), "A");
  host_.files().RemoveFile("C:\\App\\a.txt");
  StepPage(ctx_, view_, +1);
  EXPECT_EQ(Current(), kPageFinish);
  EXPECT_EQ(view_.next.caption, "完成(&F)");
  EXPECT_FALSE(Exists("C:\\App\\a.txt"));  // not installed a second time
  EXPECT_EQ(pages.back(), kPageFinish);
}

TEST_F(WizardFlowTest, AfterAnInstallFromADllsOwnPageNextLeadsToTheFinishPage) {
  InstallableBehindTheView();
  Pages(false, false, true);
  ctx_.support_dlls.silent_page_switch = true;  // the DLL keeps its page in front
  ctx_.wizard.pages.current = 6;
  ASSERT_TRUE(StartInstall(ctx_, "", true));
  EXPECT_EQ(Current(), 6);
  host_.files().RemoveFile("C:\\App\\a.txt");
  StepPage(ctx_, view_, +1);
  EXPECT_EQ(Current(), kPageFinish);
  EXPECT_FALSE(Exists("C:\\App\\a.txt"));
  // Even a DLL that shows the installing page again does not start a second installation.
  ctx_.wizard.pages.current = kPageFolder;
  ShowPage(ctx_, view_, kPageInstalling);
  EXPECT_EQ(Current(), kPageFinish);
  EXPECT_FALSE(Exists("C:\\App\\a.txt"));
}

TEST_F(WizardFlowTest, TheInstallingPageIsAPageChangeForTheDlls) {
  InstallableBehindTheView();
  Pages(false, false, false);
  StepPage(ctx_, view_, +1);
  EXPECT_EQ(view_.selected, (std::vector<int>{kPageWelcome, kPageInstalling, kPageFinish}));
}

TEST_F(WizardFlowTest, FailedInstallIsShownAsFailedAndRunsNoOption) {
  MakePayload({{"a.txt", "A"}}, "pw");
  Set("safe", "not the archive's password");
  ctx_.wizard.finish_options = {{"run", "a.exe", true, true}};
  ctx_.wizard.tree.Clear();
  ctx_.wizard.tree.Add("main", -1, 0, true);
  ctx_.script.text = test::ScriptBlock("main", "", "", "\r\n[真]finish.exe main");
  Pages(false, false, false);
  StepPage(ctx_, view_, +1);
  EXPECT_EQ(Current(), kPageFinish);
  EXPECT_EQ(view_.failure_title, "安装未完成");
  EXPECT_NE(view_.failure_text.find("“演示”安装失败"), std::string::npos);
  EXPECT_NE(view_.failure_text.find("could not be unpacked"), std::string::npos);
  StepPage(ctx_, view_, +1);
  EXPECT_TRUE(host_.shell().calls().empty());
  EXPECT_TRUE(host_.processes().starts().empty()) << "the finish section ran";
  EXPECT_EQ(host_.processes().exits().size(), 1u);
  EXPECT_NE(host_.processes().exits()[0], 0u);
}

TEST_F(WizardFlowTest, CancelledInstallSaysSoWithoutTheLogReason) {
  MakePayload({{"a.txt", "A"}}, "pw");
  Set("safe", "pw");
  Pages(false, false, false);
  ctx_.outcome.cancel_requested = true;
  StepPage(ctx_, view_, +1);
  EXPECT_EQ(Current(), kPageFinish);
  EXPECT_EQ(view_.failure_text, "“演示”的安装已取消，已撤销安装所做的更改，软件未安装。");
}

TEST_F(WizardFlowTest, BrowsedFolderIsCheckedAndGetsTheSubfolder) {
  Set("浏览目录自动添加", "演示");
  Set("自动添加路径", "真");
  EXPECT_EQ(TakeBrowsedFolder(ctx_, "d:\\Apps\\"), "D:\\Apps\\演示");
  EXPECT_EQ(ctx_.wizard.folder_box, "D:\\Apps\\演示");
  EXPECT_EQ(ctx_.wizard.install_folder, "D:\\Apps\\演示");
  Set("自动添加路径", "假");
  EXPECT_EQ(TakeBrowsedFolder(ctx_, "D:\\Apps"), "D:\\Apps");
  Set("ch", "真", "ml");
  EXPECT_EQ(TakeBrowsedFolder(ctx_, "D:\\程序"), std::nullopt);
  EXPECT_EQ(ctx_.wizard.folder_box, "D:\\Apps");
  EXPECT_EQ(Boxes().size(), 1u);
}

TEST_F(WizardFlowTest, BrowsedDriveRootIsTakenOnlyWithTheSubfolder) {
  host_.files().CreateDirectory("D:\\");
  Set("浏览目录自动添加", "演示软件");
  Set("自动添加路径", "真");
  EXPECT_EQ(TakeBrowsedFolder(ctx_, "D:\\"), "D:\\演示软件");
  EXPECT_EQ(ctx_.wizard.install_folder, "D:\\演示软件");
  EXPECT_TRUE(Boxes().empty());
  // Without the subfolder the drive itself would be the install folder: refused, box unchanged.
  Set("自动添加路径", "假");
  EXPECT_EQ(TakeBrowsedFolder(ctx_, "E:\\"), std::nullopt);
  EXPECT_EQ(ctx_.wizard.folder_box, "D:\\演示软件");
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].text, "选择的路径有误，请重新选择");
}

TEST_F(WizardFlowTest, LicenceLinesEndInCrLfForTheBox) {
  ctx_.settings.data_ini = "自述文本_开始\x01第一行\n第二行\r\n\n末行\n自述文本_开始end";
  EXPECT_EQ(LicenceText(ctx_), "第一行\r\n第二行\r\n\r\n末行\r\n");
}

TEST_F(WizardFlowTest, ExitQuestion) {
  host_.dialogs().QueueMessageBoxAnswer(kIdNo);
  EXPECT_FALSE(ConfirmExit(ctx_));
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(Boxes()[0].text, "当前未完成安装 演示1.0，是否退出安装？");
  EXPECT_EQ(Boxes()[0].title, "Demo Setup");
  EXPECT_EQ(Boxes()[0].flags, kMbYesNo | kMbIconWarning);
  host_.dialogs().QueueMessageBoxAnswer(kIdYes);
  EXPECT_TRUE(ConfirmExit(ctx_));
}

TEST_F(WizardFlowTest, CancelEndsAsCancelledOrStopsTheRunningInstall) {
  // A refusal of an earlier Next is no reason for the exit: the user cancelled.
  SetOutcome(ctx_, InstallResult::kFolderRejected, "install folder refused: x");
  ctx_.outcome.install_running = true;
  EXPECT_FALSE(CancelWizard(ctx_));
  EXPECT_TRUE(ctx_.outcome.cancel_requested);
  EXPECT_TRUE(host_.processes().exits().empty());  // the install undoes itself first
  ctx_.outcome.install_running = false;
  EXPECT_TRUE(CancelWizard(ctx_));
  EXPECT_EQ(host_.processes().exits(), std::vector<uint32_t>{10});
}

}  // namespace
}  // namespace qmb
