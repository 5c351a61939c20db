// Tests of the wizard's look read from the project's look folder.
#include "look_inputs.h"

#include "base/data_cipher.h"
#include "base/value_store.h"
#include "test_fixtures.h"

namespace qmb::mkpackage {
namespace {

using namespace testing;

TEST(LookIniTest, RecordsWithTheirFontTags) {
  std::string error;
  auto records = GuiTextRecords(
      "[images]\r\npage=a.png\r\n"
      "[欢迎0]\r\ntext=欢迎\\n第二行\r\nfont=Arial\r\nsize=14\r\nbold=yes\r\ncolour=#FF0000\r\n"
      "background=button-face\r\n"
      "[按钮]\r\ntext=上一步,下一步\r\n"
      "[树框]\r\ncolor=255\r\n",
      error);
  ASSERT_TRUE(records) << error;
  EXPECT_EQ(StoreFind(*records, "欢迎0"), "欢迎\r\n第二行<fontArial,14,真,255,15790320/>");
  EXPECT_EQ(StoreFind(*records, "按钮"), "上一步,下一步");  // no styling: no tag
  EXPECT_EQ(StoreFind(*records, "树框"), "<font,,,255,/>");
  EXPECT_FALSE(StoreFind(*records, "images"));
}

TEST(LookIniTest, MistakesAreNamed) {
  std::string error;
  EXPECT_FALSE(GuiTextRecords("[欢迎0]\r\ncolour=red\r\n", error));
  EXPECT_NE(error.find("no colour"), std::string::npos) << error;
  EXPECT_FALSE(GuiTextRecords("[欢迎0]\r\nsize=big\r\n", error));
  EXPECT_FALSE(GuiTextRecords("[欢迎0]\r\ntxet=x\r\n", error));
  EXPECT_NE(error.find("txet"), std::string::npos);
}

class LookFolderTest : public TempDirTest {};

TEST_F(LookFolderTest, ImagesByNameAndTextsEnciphered) {
  WriteBytes(dir() / "look" / "look.ini",
             "\xEF\xBB\xBF[images]\r\npage = logo.png\r\nheader = top.bmp\r\n[窗口标题]\r\ntext=演示\r\n");
  WriteBytes(dir() / "look" / "logo.png", "\x89PNG-bytes");
  WriteBytes(dir() / "look" / "top.bmp", "BM-bytes");
  std::vector<SettingsFile> files;
  std::string error;
  ASSERT_TRUE(AddLookFiles(dir() / "look", files, error)) << error;
  ASSERT_EQ(files.size(), 3u);
  EXPECT_EQ(files[0].name, "GUItext.ini");
  const std::optional<std::string> texts = Decipher(files[0].data, kGuiTextKey);
  ASSERT_TRUE(texts);
  EXPECT_EQ(StoreFind(*texts, "窗口标题"), "演示");
  EXPECT_EQ(files[1].name, reinterpret_cast<const char*>(u8"界面图片.jpg"));  // UTF-8 on disk
  EXPECT_EQ(files[1].data, "\x89PNG-bytes");
  EXPECT_EQ(files[2].name, reinterpret_cast<const char*>(u8"界面小图片.jpg"));

  // The settings folder and the look folder may not both give a file.
  std::vector<SettingsFile> twice = {{"GUItext.ini", "raw"}};
  EXPECT_FALSE(AddLookFiles(dir() / "look", twice, error));
  EXPECT_NE(error.find("keep one"), std::string::npos);
  WriteBytes(dir() / "look" / "look.ini", "[images]\r\npage=../secret.png\r\n");
  EXPECT_FALSE(AddLookFiles(dir() / "look", files, error));
  // No look folder: nothing to add.
  std::vector<SettingsFile> none;
  EXPECT_TRUE(AddLookFiles(dir() / "absent", none, error));
  EXPECT_TRUE(none.empty());
}

}  // namespace
}  // namespace qmb::mkpackage
