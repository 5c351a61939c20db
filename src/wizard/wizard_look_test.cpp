// The package's look read from GUItext records: font tags, colours, the frame colour list, the
// space labels and the folder lock.
#include "wizard/wizard_look.h"

#include <gtest/gtest.h>

#include "base/value_store.h"
#include "context/context.h"
#include "platform/host/host_platform.h"
#include "startup/settings_variables.h"
#include "wizard/wizard_preparation.h"

namespace qmb {
namespace {

constexpr uint32_t kFace = 0xD8E9EC;  // a button face that is not the mark itself

class WizardLookTest : public ::testing::Test {
 protected:
  void Record(const char* key, const std::string& value) {
    StoreAppendTo(ctx_.settings.gui_text, key, value);
  }
  const ControlLook* Find(const WizardLook& look, const std::string& control) {
    for (const ControlLook& c : look.controls)
      if (c.control == control) return &c;
    return nullptr;
  }

  HostPlatform host_;
  Context ctx_{host_.platform()};
};

TEST_F(WizardLookTest, FontTagFieldsAndDefaults) {
  ControlLook look;
  EXPECT_EQ(ReadFontTag("前<font宋体,12,真,255,65280/>后", kFace, look), "前后");
  EXPECT_EQ(look.font.face, "宋体");
  EXPECT_EQ(look.font.size, 12);
  EXPECT_TRUE(look.font.bold);
  EXPECT_EQ(look.text_colour, 255u);
  EXPECT_EQ(look.back_colour, 65280u);

  // Empty size is 9, missing fields are empty, the mark is the button face, no bold without "真".
  EXPECT_EQ(ReadFontTag("<font Tahoma,,假,,15790320/>文字", kFace, look), "文字");
  EXPECT_EQ(look.font.face, "Tahoma");
  EXPECT_EQ(look.font.size, 9);
  EXPECT_FALSE(look.font.bold);
  EXPECT_EQ(look.text_colour, 0u);
  EXPECT_EQ(look.back_colour, kFace);
  EXPECT_EQ(ReadFontTag("<font Arial/>x", kFace, look), "x");
  EXPECT_EQ(look.font.size, 9);
  EXPECT_EQ(look.back_colour, kWhite);

  // No tag (or an unclosed one): the text as it stands, size 9, black on white.
  look.font.size = 20;
  look.back_colour = 1;
  EXPECT_EQ(ReadFontTag("纯文字 <font x,1", kFace, look), "纯文字 <font x,1");
  EXPECT_EQ(look.font.size, 9);
  EXPECT_EQ(look.back_colour, kWhite);
  EXPECT_EQ(look.font.face, "");
}

TEST_F(WizardLookTest, FrameColourListIsPaddedCutAndKnowsTheButtonFace) {
  auto colours = FrameColours("255,15790320, ,7,0", kFace);
  EXPECT_EQ(colours[0], 255u);
  EXPECT_EQ(colours[1], kFace);
  // An empty or missing entry leaves its frame alone rather than painting it black; a written 0
  // is black.
  EXPECT_FALSE(colours[2]);
  EXPECT_EQ(colours[3], 7u);
  EXPECT_EQ(colours[4], 0u);
  for (int i = 5; i < kFrameColourCount; ++i) EXPECT_FALSE(colours[i]) << i;
  colours = FrameColours("1,2,3,4,5,6,7,8,9,10,11,12,13,14", kFace);
  EXPECT_EQ(colours[11], 12u);
}

TEST_F(WizardLookTest, RecordsReachTheirControlsInOrder) {
  EXPECT_TRUE(ReadWizardLook(ctx_, kFace).controls.empty());  // no GUItext: built-in texts stay
  Record("窗口标题", "演示<font Arial,10,,,/> 安装");
  Record("欢迎0", "<font 微软雅黑,14,真,128,/>欢迎使用");
  Record("树框", "<font ,11,,255,0/>不用的文字");
  Record("组件5", "说明");
  Record("目录5", "需要 %Default%\r\n剩余 %Default%<font ,10,,,15790320/>");
  Record("安装s", "状态<font ,,,255,/>");
  Record("背景", "16711680");
  const WizardLook look = ReadWizardLook(ctx_, kFace);
  EXPECT_EQ(look.caption, "演示 安装");
  ASSERT_EQ(look.controls.size(), 6u);
  EXPECT_EQ(look.controls[0].control, "编辑框_欢迎0");
  EXPECT_EQ(look.controls[0].text, "欢迎使用");
  EXPECT_EQ(look.controls[0].font.size, 14);
  EXPECT_TRUE(look.controls[0].font.bold);
  EXPECT_EQ(look.controls[0].text_colour, 128u);

  // Records that only style keep the control's text; "安装s" leaves the waiting text.
  EXPECT_FALSE(Find(look, "树型框1")->text);
  EXPECT_EQ(Find(look, "树型框1")->font.size, 11);
  EXPECT_FALSE(Find(look, "提示")->text);
  EXPECT_EQ(Find(look, "解压_标签")->text, "Waiting……");
  EXPECT_EQ(Find(look, "解压_标签")->text_colour, 255u);

  // "目录5" styles both space labels and gives their two templates.
  ASSERT_NE(Find(look, "标签_可用空间"), nullptr);
  EXPECT_EQ(Find(look, "标签_可用空间")->back_colour, kFace);
  EXPECT_EQ(Find(look, "标签_所需空间")->font.size, 10);
  EXPECT_EQ(look.space_templates, (std::vector<std::string>{"需要 %Default%", "剩余 %Default%"}));
  ASSERT_TRUE(look.frame_colours);
  EXPECT_EQ((*look.frame_colours)[0], 16711680u);
  EXPECT_FALSE((*look.frame_colours)[1]);
}

TEST_F(WizardLookTest, SpaceLabelsUseTheSizeText) {
  const SpaceLabels labels =
      FormatSpaceLabels({"所需空间: %Default%", "可用 %Default% / %Default%"}, 5 * 1048576, 2048);
  EXPECT_EQ(labels.required, "所需空间: 5MB");
  EXPECT_EQ(labels.free, "可用 2KB / 2KB");
  EXPECT_EQ(FormatSpaceLabels({"x"}, 12, std::nullopt).free, "");
  EXPECT_EQ(FormatSpaceLabels({"a", "%Default%"}, 0, std::nullopt).free, "-1KB");
  // Without a "目录5" record the built-in labels still show the sizes.
  const WizardLook look = ReadWizardLook(ctx_, kFace);
  EXPECT_EQ(FormatSpaceLabels(look.space_templates, 999, 1000).required, "所需空间: 999B");
}

TEST_F(WizardLookTest, FreeSpaceFollowsTheDriveOfTheFolderBox) {
  host_.files().CreateDirectory("C:\\");
  host_.files().CreateDirectory("D:\\");
  host_.files().SetFreeSpace('C', 3 * 1048576);
  host_.files().SetFreeSpace('D', 5 * 1073741824LL);
  ctx_.startup.required_size = 2048;
  Record("目录5", "需要 %Default%\r\n剩余 %Default%");
  ctx_.wizard.folder_box = "C:\\演示";
  EXPECT_EQ(SpaceLabelsFor(ctx_).free, "剩余 3MB");
  ctx_.wizard.folder_box = "D:\\演示软件";
  const SpaceLabels labels = SpaceLabelsFor(ctx_);
  EXPECT_EQ(labels.free, "剩余 5GB");
  EXPECT_EQ(labels.required, "需要 2KB");
  ctx_.wizard.folder_box = "";  // nothing to ask about
  EXPECT_EQ(SpaceLabelsFor(ctx_).free, "剩余 -1KB");
}

TEST_F(WizardLookTest, FolderLockModes) {
  ctx_.settings.data.Set(kMainSection, "禾木软件名称", "演示软件");
  ctx_.settings.data.Set(kMainSection, "安装位置", "C:\\演示");
  PrepareWizardModel(ctx_);
  EXPECT_FALSE(FolderLocked(ctx_));
  ctx_.settings.data.Set("ml", "fb", "e");
  EXPECT_TRUE(FolderLocked(ctx_));
  // "s" locks only a folder that an earlier install chose, not the package's default.
  ctx_.settings.data.Set("ml", "fb", "s");
  EXPECT_FALSE(FolderLocked(ctx_));
  host_.registry().SetValue(RegRoot::kLocalMachine,
                            "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\演示软件",
                            "InstallLocation", kRegSz, "D:\\旧", RegView::kDefault);
  PrepareWizardModel(ctx_);
  EXPECT_TRUE(FolderLocked(ctx_));
  ctx_.settings.data.Set(kMainSection, "选择框_优先二次路径", "假");
  PrepareWizardModel(ctx_);
  EXPECT_FALSE(FolderLocked(ctx_));
}

}  // namespace
}  // namespace qmb
