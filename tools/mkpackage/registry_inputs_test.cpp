// Tests of the registry records read from the project's registry folder.
#include "registry_inputs.h"

#include "base/value_store.h"
#include "test_fixtures.h"

namespace qmb::mkpackage {
namespace {

using namespace testing;

std::vector<RegistryRecord> Parse(std::string_view text) {
  std::string error;
  auto records = ParseRegistryIni("values.ini", text, error);
  EXPECT_TRUE(records) << error;
  return records.value_or(std::vector<RegistryRecord>{});
}

std::string ParseError(std::string_view text) {
  std::string error;
  EXPECT_FALSE(ParseRegistryIni("values.ini", text, error)) << text;
  return error;
}

TEST(RegistryIniTest, RecordsAsTheInstallerReadsThem) {
  auto records = Parse(
      "[程序]\r\npath=HKLM\\SOFTWARE\\演示\r\nname=路径\r\ntype=REG_SZ\r\n"
      "data=%InstallPath%\\demo.exe\r\nview=64\r\nremove=yes\r\n"
      "[default]\r\npath=hkey_current_user\\Software\\演示\r\ntype=reg_sz\r\ndata=\r\n"
      "[hex]\r\npath=HKCU\\a\r\nname=n\r\ntype=REG_DWORD\r\ndata=0xFF\r\nremove=真\r\n"
      "[negative]\r\npath=HKU\\a\r\nname=n\r\ntype=REG_DWORD\r\ndata=-1\r\nremove=0\r\n"
      "[bytes]\r\npath=HKCR\\a\r\nname=n\r\ntype=REG_BINARY\r\ndata=00 0a,FF 1b\r\n"
      "[empty bytes]\r\npath=HKCC\\a\r\nname=n\r\ntype=REG_BINARY\r\n");
  // Roots and types in any case become the installer's names; the default value has no name; the
  // 32-bit view is the default; a DWORD is stored as unsigned decimal text.
  const std::vector<RegistryRecord> expected = {
      {"HKEY_LOCAL_MACHINE\\SOFTWARE\\演示", "REG_SZ", "%InstallPath%\\demo.exe", "真", "路径",
       "64"},
      {"HKEY_CURRENT_USER\\Software\\演示", "REG_SZ", "", "", "", "32"},
      {"HKEY_CURRENT_USER\\a", "REG_DWORD", "255", "真", "n", "32"},
      {"HKEY_USERS\\a", "REG_DWORD", "4294967295", "", "n", "32"},
      {"HKEY_CLASSES_ROOT\\a", "REG_BINARY", std::string("\x00\x0A\xFF\x1B", 4), "", "n", "32"},
      {"HKEY_CURRENT_CONFIG\\a", "REG_BINARY", "", "", "n", "32"},
  };
  EXPECT_EQ(records, expected);
}

TEST(RegistryIniTest, MistakesNameTheirRecord) {
  const std::string base = "[v]\r\npath=HKCU\\a\r\ntype=REG_SZ\r\n";
  EXPECT_EQ(ParseError(base + "vew=64\r\n"),
            "values.ini [v]: unknown key \"vew\" (known: path, name, type, data, view, remove)");
  // Messages are for the author's terminal: UTF-8, whatever the file held.
  EXPECT_EQ(ParseError("[值]\r\n").substr(0, 18), "values.ini [\xE5\x80\xBC]: ");
  EXPECT_NE(ParseError("[v]\r\npath=HKEY_LOCAL\\a\r\ntype=REG_SZ\r\n").find("[v]: path must begin"),
            std::string::npos);
  EXPECT_NE(ParseError("[v]\r\npath=HKCU\\a\r\ntype=REG_EXPAND_SZ\r\n").find(".reg file"),
            std::string::npos);
  EXPECT_NE(ParseError("[v]\r\npath=HKCU\\a\r\n").find("type must be"), std::string::npos);
  for (const char* data : {"", "abc", "4294967296", "-2147483649", "0x", "0x1G", "-0x1", "1.5"})
    EXPECT_NE(ParseError("[v]\r\npath=HKCU\\a\r\ntype=REG_DWORD\r\ndata=" + std::string(data))
                  .find("32-bit number"),
              std::string::npos)
        << data;
  EXPECT_NE(ParseError("[v]\r\npath=HKCU\\a\r\ntype=REG_BINARY\r\ndata=0a 1\r\n").find("hex bytes"),
            std::string::npos);
  EXPECT_NE(ParseError("[v]\r\npath=HKCU\\a\r\ntype=REG_BINARY\r\ndata=zz\r\n").find("hex bytes"),
            std::string::npos);
  EXPECT_NE(ParseError(base + "view=x64\r\n").find("view must be"), std::string::npos);
  EXPECT_NE(ParseError(base + "remove=maybe\r\n").find("remove must be"), std::string::npos);
  EXPECT_NE(ParseError(base + base).find("named twice"), std::string::npos);
  // The edges that are accepted.
  EXPECT_EQ(Parse("[v]\r\npath=HKCU\\a\r\ntype=REG_DWORD\r\ndata=4294967295\r\n")[0].data,
            "4294967295");
  EXPECT_EQ(Parse("[v]\r\npath=HKCU\\a\r\ntype=REG_DWORD\r\ndata=-2147483648\r\n")[0].data,
            "2147483648");
  EXPECT_EQ(Parse("[v]\r\npath=HKCU\\a\r\ntype=REG_BINARY\r\ndata=0A0b\r\n")[0].data, "\x0A\x0B");
}

TEST(RegistryScriptTest, OnlyRegistryScripts) {
  std::string error;
  auto v5 = RegistryScriptRecord(
      "a.reg", "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_USERS\\a]\r\n", error);
  ASSERT_TRUE(v5) << error;
  EXPECT_EQ(v5->type, "file");
  EXPECT_EQ(v5->data, "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_USERS\\a]\r\n");
  EXPECT_EQ(v5->off, "");
  EXPECT_TRUE(RegistryScriptRecord("b.reg", "REGEDIT4\n", error));
  EXPECT_FALSE(RegistryScriptRecord("c.reg", "[HKEY_USERS\\a]\r\n", error));
  EXPECT_NE(error.find("c.reg is no registry script"), std::string::npos);
}

class RegistryFolderTest : public TempDirTest {};

TEST_F(RegistryFolderTest, RecordsThenScriptsInNameOrder) {
  std::string error;
  auto none = LoadRegistryFolder(dir() / "registry", error);
  ASSERT_TRUE(none) << error;
  EXPECT_TRUE(none->empty());

  WriteBytes(dir() / "registry" / "b.ini", "[b]\r\npath=HKCU\\b\r\ntype=REG_SZ\r\ndata=乙\r\n");
  WriteBytes(dir() / "registry" / "A.INI", "[a]\r\npath=HKCU\\a\r\ntype=REG_SZ\r\n");
  // A script as regedit exports it: UTF-16 with its byte order mark.
  std::u16string utf16 =
      u"\uFEFFWindows Registry Editor Version 5.00\r\n[HKEY_CURRENT_USER\\值]\r\n";
  std::string bytes;
  for (char16_t c : utf16)
    bytes += std::string{static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
  WriteBytes(dir() / "registry" / "z.reg", bytes);
  WriteBytes(dir() / "registry" / "m.REG", "REGEDIT4\r\n");
  auto records = LoadRegistryFolder(dir() / "registry", error);
  ASSERT_TRUE(records) << error;
  ASSERT_EQ(records->size(), 4u);
  EXPECT_EQ((*records)[0].path, "HKEY_CURRENT_USER\\a");
  EXPECT_EQ((*records)[1].data, "乙");  // GBK
  EXPECT_EQ((*records)[2].data, "REGEDIT4\r\n");
  EXPECT_EQ((*records)[3].data,
            "Windows Registry Editor Version 5.00\r\n[HKEY_CURRENT_USER\\值]\r\n");

  WriteBytes(dir() / "registry" / "notes.txt", "x");
  EXPECT_FALSE(LoadRegistryFolder(dir() / "registry", error));
  EXPECT_NE(error.find("notes.txt"), std::string::npos);
  fs::remove(dir() / "registry" / "notes.txt");
  WriteBytes(dir() / "registry" / "bad.ini", "[x]\r\npath=HKCU\\x\r\ntype=REG_DWORD\r\ndata=x\r\n");
  EXPECT_FALSE(LoadRegistryFolder(dir() / "registry", error));
  EXPECT_NE(error.find("bad.ini [x]"), std::string::npos);
}

}  // namespace
}  // namespace qmb::mkpackage
