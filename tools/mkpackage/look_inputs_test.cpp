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

// Image names are file names on disk: any UTF-8 name, also one GBK cannot hold, and from a look.ini
// written in GBK its Chinese names still find the UTF-8 named files. (Plain literals here are GBK.)
std::string Utf8(const char8_t* text) { return reinterpret_cast<const char*>(text); }

TEST_F(LookFolderTest, ImageNamesInAnyScript) {
  const fs::path look = dir() / "look";
  WriteBytes(look / "look.ini", Utf8(u8"[images]\r\npage = 标志 图片.png\r\nheader = höhe-🌟.png\r\n"
                                     u8"installing=安装.jpg\r\n[欢迎0]\r\ntext=欢迎使用\r\n"));
  WriteBytes(look / Utf8(u8"标志 图片.png"), "\x89PNG-logo");
  WriteBytes(look / Utf8(u8"höhe-🌟.png"), "\x89PNG-header");
  WriteBytes(look / Utf8(u8"安装.jpg"), "JPEG-installing");
  std::vector<SettingsFile> files;
  std::string error;
  ASSERT_TRUE(AddLookFiles(look, files, error)) << error;
  ASSERT_EQ(files.size(), 4u);
  EXPECT_EQ(StoreFind(*Decipher(files[0].data, kGuiTextKey), "欢迎0"), "欢迎使用");
  EXPECT_EQ(files[1].data, "\x89PNG-logo");
  EXPECT_EQ(files[2].data, "\x89PNG-header");
  EXPECT_EQ(files[3].name, Utf8(u8"界面安装时图像.jpg"));
  EXPECT_EQ(files[3].data, "JPEG-installing");

  // The same project with look.ini in GBK (a legacy editor's file).
  WriteBytes(look / "look.ini", "[images]\r\ninstalling=安装.jpg\r\n[欢迎0]\r\ntext=欢迎\r\n");
  std::vector<SettingsFile> from_gbk;
  ASSERT_TRUE(AddLookFiles(look, from_gbk, error)) << error;
  ASSERT_EQ(from_gbk.size(), 2u);
  EXPECT_EQ(from_gbk[1].data, "JPEG-installing");
  EXPECT_EQ(StoreFind(*Decipher(from_gbk[0].data, kGuiTextKey), "欢迎0"), "欢迎");

  // A name that is not there is named in the error as it stands in look.ini.
  WriteBytes(look / "look.ini", Utf8(u8"[images]\r\npage=缺少.png\r\n"));
  EXPECT_FALSE(AddLookFiles(look, files, error));
  EXPECT_NE(error.find(Utf8(u8"缺少.png")), std::string::npos) << error;
}

}  // namespace
}  // namespace qmb::mkpackage
