// The window-free wizard preparation: caption, default install folder, the run mode the package
// decides, and the components tree.
#include "wizard/wizard_preparation.h"

#include <gtest/gtest.h>

#include "context/context.h"
#include "platform/host/host_platform.h"
#include "startup/settings_variables.h"

namespace qmb {
namespace {

constexpr char kUninstallKey[] =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\演示软件";

class WizardPreparationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Set("禾木软件名称", "演示软件");
    Set("安装位置", "C:\\Program Files\\演示软件");
  }
  void Set(const char* key, const std::string& value) {
    ctx_.settings.data.Set(kMainSection, key, value);
  }
  void SetPrevious(const std::string& folder, RegView view) {
    host_.registry().SetValue(RegRoot::kLocalMachine, kUninstallKey, "InstallLocation", kRegSz,
                              folder, view);
  }

  HostPlatform host_;
  Context ctx_{host_.platform()};
};

TEST_F(WizardPreparationTest, InstallFolderPrefersThePreviousLocation) {
  PrepareWizardModel(ctx_);
  EXPECT_EQ(ctx_.wizard.install_folder, "C:\\Program Files\\演示软件");
  EXPECT_EQ(ctx_.wizard.folder_box, ctx_.wizard.install_folder);

  // On 64-bit Windows the entry is looked for in the 64-bit view first, then in our own.
  host_.env().SetIs64BitWindows(true);
  SetPrevious("D:\\Own view", RegView::kDefault);
  PrepareWizardModel(ctx_);
  EXPECT_EQ(ctx_.wizard.folder_box, "D:\\Own view");
  SetPrevious("D:\\Wide view", RegView::k64);
  PrepareWizardModel(ctx_);
  EXPECT_EQ(ctx_.wizard.folder_box, "D:\\Wide view");

  Set("选择框_优先二次路径", "假");
  PrepareWizardModel(ctx_);
  EXPECT_EQ(ctx_.wizard.folder_box, "C:\\Program Files\\演示软件");
}

TEST_F(WizardPreparationTest, CommandLineFolderShowsInTheBox) {
  SetPrevious("D:\\Earlier", RegView::kDefault);
  ctx_.startup.install_path_override = "E:\\Given";
  PrepareWizardModel(ctx_);
  EXPECT_EQ(ctx_.wizard.folder_box, "E:\\Given");
  EXPECT_EQ(ctx_.wizard.install_folder, "E:\\Given");
  // Not an earlier install's folder, so the "s" lock leaves it open.
  EXPECT_FALSE(ctx_.wizard.previous_location_found);
}

TEST_F(WizardPreparationTest, DefaultFolderMayNameARegistryValue) {
  Set("安装位置", "D:\\Games GetReg(HKEY_CURRENT_USER\\Software\\演示\\Folder) old");
  PrepareWizardModel(ctx_);
  EXPECT_EQ(ctx_.wizard.folder_box, "");  // absent: the folder box stays empty
  host_.registry().SetValue(RegRoot::kCurrentUser, "Software\\演示", "Folder", kRegSz,
                            "E:\\Spiele", RegView::kDefault);
  PrepareWizardModel(ctx_);
  EXPECT_EQ(ctx_.wizard.folder_box, "E:\\Spiele");  // the text around it is dropped
  Set("安装位置", "GetReg(NOT_A_ROOT\\Software\\演示\\Folder)");
  PrepareWizardModel(ctx_);
  EXPECT_EQ(ctx_.wizard.folder_box, "");
}

TEST_F(WizardPreparationTest, PackageDecidesWhatTheCommandLineLeftOpen) {
  Set("安装模式", kRunModeBackground);
  Set("安装后是否显示完成界面", "真");
  PrepareWizardModel(ctx_);
  EXPECT_EQ(ctx_.startup.run_mode, kRunModeBackground);
  EXPECT_EQ(ctx_.startup.finish_page_switch, 1);

  Context other(host_.platform());
  other.settings = ctx_.settings;
  other.settings.data.Set(kMainSection, "安装后是否显示完成界面", "假");
  other.startup.run_mode = kRunModeDirect;  // from the command line
  PrepareWizardModel(other);
  EXPECT_EQ(other.startup.run_mode, kRunModeDirect);
  EXPECT_EQ(other.startup.finish_page_switch, -1);
}

TEST_F(WizardPreparationTest, CaptionAndTree) {
  PrepareWizardModel(ctx_);
  // Without a "窗口标题" the built-in caption names the product, never its placeholder.
  EXPECT_EQ(ctx_.wizard.window_caption, "演示软件-安装向导");
  Set("软件版本", "2.1");
  PrepareWizardModel(ctx_);
  EXPECT_EQ(ctx_.wizard.window_caption, "演示软件 2.1-安装向导");
  // Without a components list the built-in tree gets the package's default ticks.
  EXPECT_EQ(ctx_.wizard.tree.Item(1).text, "桌面快捷方式");
  EXPECT_FALSE(ctx_.wizard.tree.Item(1).ticked);

  ctx_.settings.gui_text = std::string("窗口标题\x01") + "演示<font宋体,9,,0,/> 安装" +
                           "窗口标题end";
  Set("基本组件勾选", "真，假，假");
  PrepareWizardModel(ctx_);
  EXPECT_EQ(ctx_.wizard.window_caption, "演示 安装");
  EXPECT_TRUE(ctx_.wizard.tree.Item(1).ticked);
}

}  // namespace
}  // namespace qmb
