#include "settings_files.h"

#include "base/compressed_form.h"
#include "base/data_cipher.h"
#include "base/ini.h"
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
}

TEST(SettingsFilesTest, TextsReadByLinesGetCrLf) {
  EXPECT_EQ(Convert("data.ini", "[a]\nx=1\r\ny=2\n"), "[a]\r\nx=1\r\ny=2\r\n");
  EXPECT_EQ(Decipher(Convert("choolantern.ini", "A\n｛\nInstall(){\n}"), kScriptKey),
            "A\r\n\xA3\xFB\r\nInstall(){\r\n}");
  EXPECT_EQ(Decipher(Convert("Except.ini", "a,-1\nb\n"), kExceptKey), "a,-1\r\nb\r\n");
  // A ready enciphered file with LF is mended too, and converting again changes nothing.
  const std::string ready = Encipher("x\x01a\nb\nxend", kGuiTextKey);
  const std::string mended = Convert("GUItext.ini", ready);
  EXPECT_EQ(Decipher(mended, kGuiTextKey), "x\x01a\r\nb\r\nxend");
  EXPECT_EQ(Convert("GUItext.ini", mended), mended);
  // Resource data may be any bytes.
  EXPECT_EQ(Convert("var_data.ini", std::string("r\x01\n\x89\nrend")), "r\x01\n\x89\nrend");
}

TEST(SettingsFilesTest, UnrepresentableCharacterIsNamedWithItsLine) {
  std::string error;
  EXPECT_FALSE(ConvertSettingsFile("data.ini", "[a]\nx=1\ny=\xF0\x9F\x98\x80\n", error));
  EXPECT_NE(error.find("data.ini line 3"), std::string::npos) << error;
  EXPECT_NE(error.find("U+1F600"), std::string::npos) << error;
  // UTF-16 little endian: "a", LF, U+20AC is in GBK (0x80), U+0E01 (Thai) is not.
  std::string utf16("\xFF\xFE" "a\0\n\0\xAC\x20\x01\x0E", 10);
  EXPECT_FALSE(ConvertSettingsFile("data.ini", utf16, error));
  EXPECT_NE(error.find("line 2: U+0E01"), std::string::npos) << error;
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

TEST(SettingsFilesTest, Utf16TextsBecomeGbk) {
  std::string utf16 = "\xFF\xFE";
  for (char16_t c : std::u16string(u"[a]\r\nx=真\r\n"))
    utf16 += std::string{static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
  EXPECT_EQ(Convert("data.ini", utf16), "[a]\r\nx=\xD5\xE6\r\n");
  std::string error;
  EXPECT_FALSE(ConvertSettingsFile("data.ini", std::string("\xFF\xFE\x3D\xD8\x00\xDE", 6), error));
  EXPECT_NE(error.find("GBK cannot represent"), std::string::npos);
}

TEST(SettingsFilesTest, UnpackedSizeIsFilledInWhenLeftOut) {
  const std::string key = "压缩原大小";
  // Put first into the main section, whatever else the file holds.
  EXPECT_EQ(WithUnpackedSize("[其它]\r\na=1\r\n [禾木软件安装配置] \r\nb=2\r\n", 15),
            "[其它]\r\na=1\r\n [禾木软件安装配置] \r\n" + key + "=15\r\nb=2\r\n");
  // An empty value counts as left out; the new line comes first, so it is the one read.
  const std::string empty = "[禾木软件安装配置]\n" + key + "=\n";
  const std::string filled = WithUnpackedSize(empty, 1ull << 40);
  EXPECT_EQ(filled, "[禾木软件安装配置]\n" + key + "=1099511627776\r\n" + key + "=\n");
  EXPECT_EQ(IniFile(filled).Value("禾木软件安装配置", key), "1099511627776");
  // A header on the last line, without a line end.
  EXPECT_EQ(WithUnpackedSize("[禾木软件安装配置]", 0), "[禾木软件安装配置]\r\n" + key + "=0\r\n");
  // The author's own value stays, and so does a file without the section.
  const std::string own = "[禾木软件安装配置]\r\n" + key + "=99\r\n";
  EXPECT_EQ(WithUnpackedSize(own, 15), own);
  EXPECT_EQ(WithUnpackedSize("[x]\r\n", 15), "[x]\r\n");
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
