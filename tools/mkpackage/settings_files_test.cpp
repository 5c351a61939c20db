#include "settings_files.h"

#include "base/compressed_form.h"
#include "base/data_cipher.h"
#include "test_fixtures.h"

namespace qmb::mkpackage {
namespace {

using namespace testing;

std::string Convert(std::string_view name, std::string data) {
  std::string error;
  auto out = ConvertSettingsFile(name, std::move(data), error);
  EXPECT_TRUE(out) << error;
  return out.value_or("<failed>");
}

TEST(SettingsFilesTest, TextsBecomeGbk) {
  // "真" is D5 E6 in GBK; the UTF-8 byte order mark would otherwise spoil the first section name.
  EXPECT_EQ(Convert("data.ini", "\xEF\xBB\xBF[a]\r\nx=真\r\n"), "[a]\r\nx=\xD5\xE6\r\n");
  EXPECT_EQ(Convert("notes.TXT", "真"), "\xD5\xE6");
  EXPECT_EQ(Convert("data.ini", "[a]\r\nx=1\r\n"), "[a]\r\nx=1\r\n");
  // GBK already (not valid UTF-8) passes unchanged.
  EXPECT_EQ(Convert("data.ini", "x=\xD5\xE6"), "x=\xD5\xE6");
  // Binary files are never touched, even when they happen to be UTF-8.
  EXPECT_EQ(Convert("界面图片.jpg", "真"), "真");

  std::string error;
  EXPECT_FALSE(ConvertSettingsFile("data.ini", "x=\xF0\x9F\x98\x80", error));  // an emoji
  EXPECT_NE(error.find("data.ini"), std::string::npos);
}

TEST(SettingsFilesTest, EnciphersWithTheRuntimeKeys) {
  const std::string gui = Convert("GUItext.ini", "标题\x01安装标题end");
  auto plain = Decipher(gui, kGuiTextKey);
  ASSERT_TRUE(plain);
  EXPECT_EQ(*plain, "\xB1\xEA\xCC\xE2\x01\xB0\xB2\xD7\xB0\xB1\xEA\xCC\xE2" "end");
  EXPECT_EQ(Decipher(Convert("Except.ini", "a,-1"), kExceptKey), "a,-1");
  EXPECT_EQ(Decipher(Convert("choolantern.ini", "x"), kScriptKey), "x");
  EXPECT_FALSE(Decipher(Convert("choolantern.ini", "x"), kGuiTextKey));
  // Converting a converted file changes nothing.
  EXPECT_EQ(Convert("GUItext.ini", gui), gui);
}

TEST(SettingsFilesTest, CompressesRegistryAndDllData) {
  const std::string reg = Convert("QMBREG.db", "REGEDIT4\r\n\"名称\"=\"值\"\r\n");
  auto text = DecompressForm(reg);
  ASSERT_TRUE(text);
  EXPECT_EQ(*text, "REGEDIT4\r\n\"\xC3\xFB\xB3\xC6\"=\"\xD6\xB5\"\r\n");
  EXPECT_EQ(Convert("QMBREG.db", reg), reg);  // already in the compressed form

  const std::string dll("MZ\x90\x00\xE7\x9C\x9F", 7);  // binary, even though it holds UTF-8 bytes
  EXPECT_EQ(DecompressForm(Convert("QMBDLL.db", dll)), dll);
}

class SettingsFolderTest : public TempDirTest {};

TEST_F(SettingsFolderTest, ReadsFilesAndRefusesFolders) {
  WriteBytes(dir() / "s" / "data.ini", "x=真");
  WriteBytes(dir() / "s" / "b.png", "\x89PNG");
  std::string error;
  auto files = LoadSettingsFolder(dir() / "s", error);
  ASSERT_TRUE(files) << error;
  ASSERT_EQ(files->size(), 2u);
  EXPECT_EQ((*files)[0].name, "b.png");
  EXPECT_EQ((*files)[1].data, "x=\xD5\xE6");

  EXPECT_FALSE(LoadSettingsFolder(dir() / "missing", error));
  EXPECT_NE(error.find("not found"), std::string::npos);
  fs::create_directories(dir() / "s" / "sub");
  EXPECT_FALSE(LoadSettingsFolder(dir() / "s", error));
}

}  // namespace
}  // namespace qmb::mkpackage
