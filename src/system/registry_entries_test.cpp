// Tests of the registry step over the host registry: value types and views, the default value,
// install-folder substitution, registry scripts, the uninstall entry and the removal list.
#include "system/registry_entries.h"

#include <gtest/gtest.h>

#include "base/gbk_codec.h"
#include "base/registry_store.h"
#include "base/value_store.h"
#include "platform/host/host_platform.h"
#include "system/created_items.h"
#include "system/registry_writer.h"

namespace qmb {
namespace {

constexpr char kUninstall[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\演示";
const std::string kDefaultName(kStoreEmptyValue);

RegistryRecord Value(std::string path, std::string name, std::string type, std::string data,
                     std::string ws = "32", std::string off = "") {
  return {std::move(path), std::move(type), std::move(data),
          std::move(off),  std::move(name), std::move(ws)};
}

RegistryRecord Script(std::string text, std::string off = "") {
  return {"", kRegScriptType, std::move(text), std::move(off), "", ""};
}

class RegistryEntriesTest : public ::testing::Test {
 protected:
  RegistryEntriesTest() : ctx(host.platform()) {
    ctx.wizard.install_folder = "D:\\運行\\演示";
    Settings("1");
    ctx.log.SetSink([this](std::string_view line) { log += line; });
  }
  void Settings(const std::string& make_uninstaller, const std::string& i_reg = "") {
    ctx.settings.data = IniFile(
        "[禾木软件安装配置]\r\n禾木软件名称=演示\r\n软件版本=1.2\r\n公司名称=禾木\r\n"
        "包内的程序名=demo.exe\r\n是否生成卸载程序=" +
        make_uninstaller + "\r\nI_reg=" + i_reg + "\r\n");
  }
  std::optional<RegValue> Query(RegRoot root, const std::string& key, const std::string& name,
                                RegView view = RegView::k32) {
    return host.registry().QueryValue(root, key, name, view);
  }
  std::optional<std::string> Text(const std::string& key, const std::string& name,
                                  RegView view = RegView::k32) {
    return host.registry().QueryString(RegRoot::kLocalMachine, key, name, view);
  }

  HostPlatform host;
  Context ctx;
  std::string log;
};

TEST_F(RegistryEntriesTest, ValueTypesAndTheDefaultValue) {
  ctx.settings.registry_data = BuildRegistryStore({
      Value("HKEY_CURRENT_USER\\Software\\演示", "次数", "REG_DWORD", "255"),
      Value("HKEY_CURRENT_USER\\Software\\演示", "空", "REG_SZ", ""),
      Value("HKEY_CURRENT_USER\\Software\\演示", "字节", "REG_BINARY",
            std::string("\x00\xFF\x01", 3)),
      Value("HKEY_CURRENT_USER\\Software\\演示", kDefaultName, "REG_SZ", "默认"),
      Value("HKEY_CURRENT_USER\\Software\\演示", "大", "REG_DWORD", "4294967295"),
      Value("HKEY_CURRENT_USER\\Software\\演示", "负", "REG_DWORD", "-2"),
  });
  WriteRegistryEntries(ctx);
  const std::string key = "Software\\演示";
  auto dword = Query(RegRoot::kCurrentUser, key, "次数");
  ASSERT_TRUE(dword);
  EXPECT_EQ(dword->type, kRegDword);
  EXPECT_EQ(dword->data, std::string("\xFF\x00\x00\x00", 4));
  // The empty placeholder 01 02 03 writes an empty string: its terminating zero alone.
  auto empty = Query(RegRoot::kCurrentUser, key, "空");
  ASSERT_TRUE(empty);
  EXPECT_EQ(empty->type, kRegSz);
  EXPECT_EQ(empty->data, std::string(1, '\0'));
  // Binary data is written byte for byte, with no zero added.
  EXPECT_EQ(Query(RegRoot::kCurrentUser, key, "字节")->data, std::string("\x00\xFF\x01", 3));
  EXPECT_EQ(Query(RegRoot::kCurrentUser, key, "字节")->type, kRegBinary);
  auto unnamed = Query(RegRoot::kCurrentUser, key, "");
  ASSERT_TRUE(unnamed);
  EXPECT_EQ(unnamed->data, std::string("默认") + '\0');
  EXPECT_FALSE(Query(RegRoot::kCurrentUser, key, kDefaultName));
  EXPECT_EQ(Query(RegRoot::kCurrentUser, key, "大")->data, "\xFF\xFF\xFF\xFF");
  EXPECT_EQ(Query(RegRoot::kCurrentUser, key, "负")->data, "\xFE\xFF\xFF\xFF");
}

TEST_F(RegistryEntriesTest, ViewsOn64And32BitWindows) {
  ctx.settings.registry_data = BuildRegistryStore({
      Value("HKEY_LOCAL_MACHINE\\Software\\Q", "v64", "REG_SZ", "a", "64"),
      Value("HKEY_LOCAL_MACHINE\\Software\\Q", "v32", "REG_SZ", "b", "32"),
      Value("HKEY_LOCAL_MACHINE\\Software\\Q", "other", "REG_SZ", "c", "x64"),
  });
  host.env().SetIs64BitWindows(true);
  WriteRegistryEntries(ctx);
  EXPECT_EQ(Text("Software\\Q", "v64", RegView::k64), "a");
  EXPECT_FALSE(Text("Software\\Q", "v64", RegView::k32));
  EXPECT_EQ(Text("Software\\Q", "v32", RegView::k32), "b");
  EXPECT_FALSE(Text("Software\\Q", "v32", RegView::k64));
  // Only the exact text "64" asks for the 64-bit view.
  EXPECT_EQ(Text("Software\\Q", "other", RegView::k32), "c");

  // On 32-bit Windows the 64-bit view is the one registry.
  HostPlatform host32;
  Context ctx32(host32.platform());
  ctx32.settings.registry_data = ctx.settings.registry_data;
  WriteRegistryEntries(ctx32);
  EXPECT_EQ(
      host32.registry().QueryString(RegRoot::kLocalMachine, "Software\\Q", "v64", RegView::k32),
      "a");
}

TEST_F(RegistryEntriesTest, TheFirstOfTwoRecordsWithOneNameWins) {
  std::string store = BuildRegistryStore({Value("HKEY_CURRENT_USER\\A", "v", "REG_SZ", "first")});
  store = StoreAppend(store, "REGdata1", "second");
  store = StoreAppend(store, "REGpath1", "HKEY_CURRENT_USER\\B");
  ctx.settings.registry_data = store;
  WriteRegistryEntries(ctx);
  EXPECT_EQ(host.registry().QueryString(RegRoot::kCurrentUser, "A", "v", RegView::k32), "first");
  EXPECT_FALSE(host.registry().KeyExists(RegRoot::kCurrentUser, "B", RegView::k32));
}

TEST_F(RegistryEntriesTest, InstallFolderInValuesAndScripts) {
  // "運" ends in the byte 0x5C, which must not be doubled: only real backslashes are.
  const std::string doubled = "D:\\\\運行\\\\演示";
  ctx.settings.registry_data = BuildRegistryStore({
      Value("HKEY_CURRENT_USER\\Software\\%InstallPath%", "exe", "REG_SZ",
            "%InstallPath%\\demo.exe"),
      Script("REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Demo]\r\n"
             "\"Path\"=\"SXG(%InstallPath%)\\\\bin\"\r\n\"Plain\"=\"%InstallPath%\"\r\n"),
  });
  std::string script;
  host.processes().SetHandler([&](const StartCall&) {
    script = host.files().ReadAll("C:\\Temp\\QMB.reg").value_or("<missing>");
    return true;
  });
  WriteRegistryEntries(ctx);

  EXPECT_EQ(host.registry().QueryString(RegRoot::kCurrentUser, "Software\\D:\\運行\\演示", "exe",
                                        RegView::k32),
            "D:\\運行\\演示\\demo.exe");
  EXPECT_EQ(script, "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Demo]\r\n\"Path\"=\"" + doubled +
                        "\\\\bin\"\r\n\"Plain\"=\"D:\\運行\\演示\"\r\n");
  ASSERT_EQ(host.processes().starts().size(), 1u);
  const StartCall& start = host.processes().starts()[0];
  EXPECT_EQ(start.command_line, "regedit /s \"C:\\Temp\\QMB.reg\"");
  EXPECT_TRUE(start.wait);
  // The script goes once regedit has read it.
  EXPECT_FALSE(host.files().Exists("C:\\Temp\\QMB.reg"));
}

// Key lines as package authors write them on Linux or regedit exports them: LF or CR LF, GBK or
// UTF-16 with its byte order mark. A deleting line and an unknown root name no key.
TEST_F(RegistryEntriesTest, TheKeyLinesOfAScriptInEveryForm) {
  const std::string body =
      "[HKEY_CURRENT_USER\\Software\\演示\\Sub]\n\"a\"=\"[1]\"\n[-HKEY_CURRENT_USER\\Software\\Old]\n"
      "[HKEY_NOWHERE\\x]\n  [HKEY_LOCAL_MACHINE\\SOFTWARE\\演示]  \n\"b\"=hex:01\n";
  const std::string lf = "REGEDIT4\n\n" + body;
  std::string crlf;
  for (char c : lf) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  std::string utf16 = "\xFF\xFE";
  for (char16_t c : GbkToUtf16("Windows Registry Editor Version 5.00\r\n" + body)) {
    utf16.push_back(static_cast<char>(c & 0xFF));
    utf16.push_back(static_cast<char>(c >> 8));
  }
  for (const std::string& script : {lf, crlf, utf16}) {
    const std::vector<RegistryPath> keys = RegistryScriptKeys(script);
    ASSERT_EQ(keys.size(), 2u);
    EXPECT_EQ(keys[0].root, RegRoot::kCurrentUser);
    EXPECT_EQ(keys[0].key, "Software\\演示\\Sub");
    EXPECT_EQ(keys[1].root, RegRoot::kLocalMachine);
    EXPECT_EQ(keys[1].key, "SOFTWARE\\演示");
  }
}

// The keys a script made are the install's: the uninstall record lists them, and an undo removes
// them; a key that was there keeps what the script wrote into it.
TEST_F(RegistryEntriesTest, TheKeysAScriptCreatesAreJournaled) {
  host.env().SetIs64BitWindows(true);
  host.registry().SetValue(RegRoot::kCurrentUser, "Software\\Mine", "own", kRegSz, "v", RegView::k32);
  ctx.journal.Begin("D:\\backup");
  ctx.settings.registry_data = BuildRegistryStore({Script(
      "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\Mine]\r\n\"x\"=\"1\"\r\n"
      "[HKEY_CURRENT_USER\\Software\\Mine\\演示\\Sub]\r\n[HKEY_CURRENT_USER\\Software\\Never]\r\n")});
  // The 32-bit regedit the installer starts; the last key it could not make, say.
  host.processes().SetHandler([&](const StartCall&) {
    Registry& registry = host.registry();
    registry.SetValue(RegRoot::kCurrentUser, "Software\\Mine", "x", kRegSz, "1", RegView::k32);
    registry.SetValue(RegRoot::kCurrentUser, "Software\\Mine\\演示\\Sub", "", kRegSz, "", RegView::k32);
    return true;
  });
  WriteRegistryEntries(ctx);
  EXPECT_EQ(KeyListText(ctx.journal.Created()),
            "HKEY_CURRENT_USER\\Software\\Mine\\演示$,32\r\n"
            "HKEY_CURRENT_USER\\Software\\Mine\\演示\\Sub$,32\r\n");
  EXPECT_TRUE(ctx.journal.Rollback().complete());
  EXPECT_FALSE(host.registry().KeyExists(RegRoot::kCurrentUser, "Software\\Mine\\演示", RegView::k32));
  EXPECT_EQ(host.registry().QueryString(RegRoot::kCurrentUser, "Software\\Mine", "own", RegView::k32), "v");
}

TEST_F(RegistryEntriesTest, Version5ScriptsWithChineseTextBecomeUtf16) {
  const std::string script =
      "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\演示]\r\n\"名\"=\"值\"\r\n";
  ctx.settings.registry_data = BuildRegistryStore({Script(script)});
  std::string written;
  host.processes().SetHandler([&](const StartCall&) {
    written = host.files().ReadAll("C:\\Temp\\QMB.reg").value_or("");
    return true;
  });
  WriteRegistryEntries(ctx);
  std::u16string expected =
      u"\uFEFFWindows Registry Editor Version 5.00\r\n\r\n"
      u"[HKEY_CURRENT_USER\\演示]\r\n\"名\"=\"值\"\r\n";
  ASSERT_EQ(written.size(), expected.size() * 2);
  for (size_t i = 0; i < expected.size(); ++i) {
    char16_t c = static_cast<unsigned char>(written[2 * i]) |
                 static_cast<unsigned char>(written[2 * i + 1]) << 8;
    ASSERT_EQ(c, expected[i]) << "at " << i;
  }
}

TEST_F(RegistryEntriesTest, UninstallEntryAndRemovalList) {
  Settings("1", "真");
  host.env().SetIs64BitWindows(true);
  ctx.settings.registry_data = BuildRegistryStore({
      Value("HKEY_CURRENT_USER\\Software\\演示", "保留", "REG_SZ", "x"),
      Value("HKEY_LOCAL_MACHINE\\Software\\演示", "删除", "REG_DWORD", "1", "64", "真"),
      Value("HKEY_CURRENT_USER\\Software\\演示", kDefaultName, "REG_SZ", "d", "32", "真"),
      Script("REGEDIT4\r\n", "真"),
  });
  WriteRegistryEntries(ctx);
  EXPECT_FALSE(host.registry().KeyExists(RegRoot::kLocalMachine, kUninstall, RegView::k64));
  EXPECT_TRUE(WriteUninstallEntry(ctx));
  // "I_reg" puts the entry in the 64-bit view.
  EXPECT_FALSE(Text(kUninstall, "DisplayName", RegView::k32));
  EXPECT_EQ(Text(kUninstall, "DisplayIcon", RegView::k64), "D:\\運行\\演示\\demo.exe");
  EXPECT_EQ(Text(kUninstall, "DisplayName", RegView::k64), "演示 1.2");
  EXPECT_EQ(Text(kUninstall, "DisplayVersion", RegView::k64), "1.2");
  EXPECT_EQ(Text(kUninstall, "UninstallString", RegView::k64), "\"D:\\運行\\演示\\uninst.exe\"");
  EXPECT_EQ(Text(kUninstall, "InstallLocation", RegView::k64), "D:\\運行\\演示");
  EXPECT_EQ(Text(kUninstall, "Publisher", RegView::k64), "禾木");
  EXPECT_EQ(Query(RegRoot::kLocalMachine, kUninstall, "Publisher", RegView::k64)->type, kRegSz);
  // Lines carry the fields as stored: the default value's line ends in the placeholder, and a
  // script's line is made of placeholders, which no root name begins.
  const std::string& none = kDefaultName;
  EXPECT_EQ(ctx.system.uninstall_registry_list,
            "HKEY_LOCAL_MACHINE\\Software\\演示\\删除$,64\r\n"
            "HKEY_CURRENT_USER\\Software\\演示\\" +
                none + "$,32\r\n" + none + "\\" + none + "$," + none + "\r\n");
}

// Windows' installed-programs list is a 64-bit program: it has no "Sysnative", and the entry
// must name the real system folder as it names it.
TEST_F(RegistryEntriesTest, AnInstallIntoTheSystemFolderUnderWow64IsNamedForThe64BitList) {
  host.env().SetIs64BitWindows(true);
  host.env().SetWindowsFolder("C:\\windows");
  ctx.wizard.install_folder = "C:\\windows\\Sysnative\\演示";
  EXPECT_TRUE(WriteUninstallEntry(ctx));
  EXPECT_EQ(Text(kUninstall, "UninstallString"), "\"C:\\windows\\System32\\演示\\uninst.exe\"");
  EXPECT_EQ(Text(kUninstall, "InstallLocation"), "C:\\windows\\System32\\演示");
  EXPECT_EQ(Text(kUninstall, "DisplayIcon"), "C:\\windows\\System32\\演示\\demo.exe");
}

TEST_F(RegistryEntriesTest, TheKeysAWriteCreatesAreNoted) {
  ctx.journal.Begin("D:\\backup");
  host.env().SetIs64BitWindows(true);
  host.registry().SetValue(RegRoot::kCurrentUser, "Software\\Mine", "x", kRegSz, "v", RegView::k32);
  ctx.settings.registry_data = BuildRegistryStore({
      Value("HKEY_CURRENT_USER\\Software\\Mine\\演示\\Sub", "a", "REG_SZ", "1"),
      Value("HKEY_CURRENT_USER\\Software\\Mine\\演示", "b", "REG_SZ", "2"),
      Value("HKEY_LOCAL_MACHINE\\Software\\Mine", "c", "REG_SZ", "3", "64"),
  });
  WriteRegistryEntries(ctx);
  // Parents first, each once; the user's key that was there already is not the install's.
  EXPECT_EQ(KeyListText(ctx.journal.Created()),
            "HKEY_CURRENT_USER\\Software\\Mine\\演示$,32\r\n"
            "HKEY_CURRENT_USER\\Software\\Mine\\演示\\Sub$,32\r\n"
            "HKEY_LOCAL_MACHINE\\Software$,64\r\n"
            "HKEY_LOCAL_MACHINE\\Software\\Mine$,64\r\n");
}

TEST_F(RegistryEntriesTest, WithoutAnUninstallerOnlyThePackageValues) {
  Settings("0");
  ctx.settings.registry_data = BuildRegistryStore(
      {Value("HKEY_CURRENT_USER\\Software\\演示", "删除", "REG_SZ", "x", "32", "真")});
  WriteRegistryEntries(ctx);
  EXPECT_EQ(
      host.registry().QueryString(RegRoot::kCurrentUser, "Software\\演示", "删除", RegView::k32),
      "x");
  EXPECT_FALSE(host.registry().KeyExists(RegRoot::kLocalMachine, kUninstall, RegView::k32));
  EXPECT_EQ(ctx.system.uninstall_registry_list, "");

  // An uninstaller but no registry data: the entry alone, and an empty list.
  Settings("1");
  ctx.settings.registry_data.clear();
  WriteRegistryEntries(ctx);
  WriteUninstallEntry(ctx);
  EXPECT_EQ(Text(kUninstall, "DisplayName"), "演示 1.2");
  EXPECT_EQ(ctx.system.uninstall_registry_list, "");
}

TEST_F(RegistryEntriesTest, AProductWithoutANameGetsNoUninstallEntry) {
  ctx.settings.data = IniFile("[禾木软件安装配置]\r\n是否生成卸载程序=1\r\n");
  WriteRegistryEntries(ctx);
  EXPECT_FALSE(WriteUninstallEntry(ctx));
  EXPECT_TRUE(host.registry()
                  .ValueNames(RegRoot::kLocalMachine,
                              "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall",
                              RegView::k32)
                  .empty());
  EXPECT_NE(log.find("no uninstall entry"), std::string::npos);
}

TEST_F(RegistryEntriesTest, UnusableRecordsArePassedOver) {
  ctx.settings.registry_data = BuildRegistryStore({
      Value("HKLM\\Software\\X", "a", "REG_SZ", "1", "32", "真"),
      Value("HKEY_CURRENT_USER\\Software\\X", "b", "REG_EXPAND_SZ", "2", "32", "真"),
      Value("HKEY_CURRENT_USER\\Software\\X", "c", "REG_SZ", "3"),
  });
  WriteRegistryEntries(ctx);
  EXPECT_EQ(host.registry().ValueNames(RegRoot::kCurrentUser, "Software\\X", RegView::k32),
            std::vector<std::string>{"c"});
  EXPECT_EQ(ctx.system.uninstall_registry_list, "");
  EXPECT_NE(log.find("failed: registry record without a known root: HKLM\\Software\\X"),
            std::string::npos);
  EXPECT_NE(log.find("failed: registry record of unknown type \"REG_EXPAND_SZ\""),
            std::string::npos);
}

TEST_F(RegistryEntriesTest, DamagedStores) {
  // A count far beyond the records, a missing count, and no store at all.
  std::string store = BuildRegistryStore({Value("HKEY_CURRENT_USER\\S", "a", "REG_SZ", "1")});
  std::string huge;
  StoreSet(store, "num", "2000000000", huge);
  ctx.settings.registry_data = huge;
  WriteRegistryEntries(ctx);
  EXPECT_EQ(host.registry().QueryString(RegRoot::kCurrentUser, "S", "a", RegView::k32), "1");

  std::string uncounted;
  StoreSet(BuildRegistryStore({Value("HKEY_CURRENT_USER\\T", "a", "REG_SZ", "1")}), "num", "abc",
           uncounted);
  ctx.settings.registry_data = uncounted;
  WriteRegistryEntries(ctx);
  EXPECT_FALSE(host.registry().KeyExists(RegRoot::kCurrentUser, "T", RegView::k32));

  ctx.settings.registry_data = "\x01\x02garbage end REGtype1\x01";
  WriteRegistryEntries(ctx);
  EXPECT_EQ(host.processes().starts().size(), 0u);
}

}  // namespace
}  // namespace qmb
