// The page walk, the bottom row on every page, the agreement box, the install inside the Next click
// (refused and run), the exit question and the finish, over a recording view.
#include "wizard/wizard_flow.h"

#include <gtest/gtest.h>

#include "base/digest.h"
#include "extract/install_outcome.h"
#include "extract/payload_test_support.h"
#include "startup/settings_variables.h"
#include "wizard/wizard_view.h"

namespace qmb {
namespace {

class RecordingWizardView : public WizardView {
 public:
  void SetBackButton(const ButtonLook& look) override { back = look; }
  void SetNextButton(const ButtonLook& look, bool default_button) override {
    next = look;
    next_default = default_button;
  }
  bool IsAgreementTicked() override { return agreement_ticked; }
  void SelectPage(int page) override { selected.push_back(page); }
  void SetWelcomeFrameVisible(bool visible) override { welcome_frame = visible; }
  void ShowInstallFailure(const std::string& title, const std::string& text) override {
    failure_title = title;
    failure_text = text;
  }

  ButtonLook back, next;
  bool next_default = false;
  bool agreement_ticked = false;
  bool welcome_frame = true;
  std::vector<int> selected;
  std::string failure_title, failure_text;
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

  RecordingWizardView view_;
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
  ctx_.settings.gui_text = "按钮\x01" "Back,Agree,Next,Install" "按钮end";
  Pages(true, true, true);
  const WizardPages& pages = ctx_.wizard.pages;
  // A short list keeps the built-in captions for the rest.
  EXPECT_EQ(pages.captions[kCaptionFinish], "完成(&F)");
  EXPECT_FALSE(view_.back.visible);
  EXPECT_EQ(view_.next.caption, "Next");
  EXPECT_TRUE(view_.next.enabled && view_.next_default);

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
  EXPECT_EQ(Read("C:\\App\\a.txt"), "A");
  EXPECT_TRUE(view_.failure_title.empty());
}

TEST_F(WizardFlowTest, NextOnTheFinishPageRunsTickedOptionsThenEnds) {
  MakePayload({{"a.txt", "A"}}, "pw");
  Set("safe", "pw");
  ctx_.wizard.finish_options = {{"run", "\"%InstallPath%\\a.exe\"", true, true},
                                {"web", "b.exe", true, false}};
  Pages(false, false, false);
  StepPage(ctx_, view_, +1);
  ASSERT_EQ(Current(), kPageFinish);
  ASSERT_TRUE(host_.shell().calls().empty());
  StepPage(ctx_, view_, +1);
  ASSERT_EQ(host_.shell().calls().size(), 1u);  // only the ticked option
  EXPECT_EQ(host_.shell().calls()[0].file, "C:\\App\\a.exe");
  EXPECT_EQ(host_.processes().exits(), std::vector<uint32_t>{0});
}

TEST_F(WizardFlowTest, FailedInstallIsShownAsFailedAndRunsNoOption) {
  MakePayload({{"a.txt", "A"}}, "pw");
  Set("safe", "not the archive's password");
  ctx_.wizard.finish_options = {{"run", "a.exe", true, true}};
  Pages(false, false, false);
  StepPage(ctx_, view_, +1);
  EXPECT_EQ(Current(), kPageFinish);
  EXPECT_EQ(view_.failure_title, "安装未完成");
  EXPECT_NE(view_.failure_text.find("“演示”安装失败"), std::string::npos);
  EXPECT_NE(view_.failure_text.find("could not be unpacked"), std::string::npos);
  StepPage(ctx_, view_, +1);
  EXPECT_TRUE(host_.shell().calls().empty());
  EXPECT_EQ(host_.processes().exits().size(), 1u);
  EXPECT_NE(host_.processes().exits()[0], 0u);
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
