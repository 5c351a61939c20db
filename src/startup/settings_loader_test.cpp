// Tests of the settings loader over the host platform.
#include "startup/settings_loader.h"

#include <gtest/gtest.h>

#include "base/compressed_form.h"
#include "base/data_cipher.h"
#include "base/value_store.h"
#include "platform/host/host_platform.h"

namespace qmb {
namespace {

class SettingsLoaderTest : public ::testing::Test {
 protected:
  SettingsLoaderTest() : ctx(host.platform()) {
    ctx.startup.work_folder = "C:\\Temp\\work\\";
    host.files().CreateDirectory("C:\\Temp\\work");
  }
  void Put(const std::string& name, const std::string& data) {
    ASSERT_TRUE(host.files().WriteAll(ctx.startup.work_folder + name, data));
  }
  std::string Get(const std::string& name) {
    return host.files().ReadAll(ctx.startup.work_folder + name).value_or("<missing>");
  }
  // A variable.ini from (name, value) pairs in order.
  void PutVariables(const std::vector<std::pair<std::string, std::string>>& vars) {
    std::string text;
    for (const auto& [name, value] : vars) text += "[" + name + "]\r\n数据=" + value + "\r\n";
    Put("variable.ini", text);
  }

  HostPlatform host;
  Context ctx;
};

TEST_F(SettingsLoaderTest, VariablesExpandInFileOrder) {
  PutVariables({{"%A%", "x%B%y"}, {"%B%", "b"}, {"%C%", "<%A%>"}, {"NoPercent", "np"}});
  Put("data.ini", "[禾木软件安装配置]\r\nv1=%A%\r\nv2=%C%\r\nv3=NoPercent and %Unknown%\r\n");
  LoadSettings(ctx);
  // %A%'s value names the later %B% and is expanded again; %C%'s names the earlier %A% and stays.
  EXPECT_EQ(ReadSetting(ctx, "v1"), "xby");
  EXPECT_EQ(ReadSetting(ctx, "v2"), "<%A%>");
  EXPECT_EQ(ReadSetting(ctx, "v3"), "np and %Unknown%");
  EXPECT_EQ(ReadSetting(ctx, "missing"), "");
  // Written back expanded.
  EXPECT_NE(Get("data.ini").find("v1=xby"), std::string::npos);
}

TEST_F(SettingsLoaderTest, TestRunLeavesTheAuthorsFilesAlone) {
  ctx.startup.arguments = {"test"};
  PutVariables({{"%A%", "a"}});
  const std::string data = "[禾木软件安装配置]\r\nv1=%A%\r\n";
  const std::string gui = Encipher("[x]\r\ny=%A%\r\n", kGuiTextKey);
  Put("data.ini", data);
  Put("GUItext.ini", gui);
  LoadSettings(ctx);
  EXPECT_EQ(ReadSetting(ctx, "v1"), "a");
  EXPECT_NE(ctx.settings.gui_text.find("y=a"), std::string::npos);
  EXPECT_EQ(Get("data.ini"), data);
  EXPECT_EQ(Get("GUItext.ini"), gui);
  EXPECT_EQ(Get("Except.ini"), "<missing>");
}

TEST_F(SettingsLoaderTest, BuiltInsOn64BitWindows) {
  HostEnv& env = host.env();
  env.SetIs64BitWindows(true);
  env.SetVariable("ProgramFiles", "C:\\Program Files (x86)");
  env.SetVariable("SystemDrive", "c:");
  env.SetVariable("userprofile", "C:\\Users\\u");
  env.SetWindowsFolder("c:\\windows\\");
  env.SetWindowsVersion(5, 1);
  env.SetUserName("  bob ");
  ctx.startup.run_folder = "D:\\pkg";
  // The documents folder is only in the 64-bit view; the program's own view holds another one.
  const std::string shell_folders =
      "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
  host.registry().SetValue(RegRoot::kCurrentUser, shell_folders, "Personal", kRegSz,
                           std::string("d:\\docs\\\0", 9), RegView::k64);
  host.registry().SetValue(RegRoot::kCurrentUser, shell_folders, "Personal", kRegSz,
                           std::string("e:\\wrong\0", 9), RegView::k32);
  host.registry().SetValue(RegRoot::kLocalMachine,
                           "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\产品",
                           "InstallLocation", kRegSz, std::string("C:\\Old\0", 7), RegView::k64);

  PutVariables({{"%ProgramFiles%", "ignored"}, {"%ProgramFiles_x86%", ""}, {"%System32%", ""},
                {"%SysDrive%", ""}, {"%QuickLaunch%", ""}, {"%MyDocument%", ""},
                {"%UserName%", ""}, {"%RunPath%", ""}, {"%ProductName%", ""},
                {"%LastInPath%", ""}, {"%InstallPath%", "x"}, {"%FONTS%", ""}});
  Put("data.ini",
      "[禾木软件安装配置]\r\n禾木软件名称=产品\r\npf=%ProgramFiles%\\App\r\npf86=%ProgramFiles_x86%\\App\r\n"
      "sys=%System32%\r\ndrive=%SysDrive%\r\nql=%QuickLaunch%\r\ndoc=%MyDocument%\r\n"
      "user=%UserName%\r\nrun=%RunPath%\r\nname=%ProductName%\r\nlast=%LastInPath%\r\n"
      "inst=%InstallPath%\r\nfonts=%FONTS%\r\n");
  LoadSettings(ctx);
  EXPECT_EQ(ReadSetting(ctx, "pf"), "C:\\Program Files\\App");
  EXPECT_EQ(ReadSetting(ctx, "pf86"), "C:\\Program Files (x86)\\App");
  EXPECT_EQ(ReadSetting(ctx, "sys"), "C:\\windows\\Sysnative");
  EXPECT_EQ(ReadSetting(ctx, "fonts"), "C:\\windows\\Fonts");
  EXPECT_EQ(ReadSetting(ctx, "drive"), "C:");
  EXPECT_EQ(ReadSetting(ctx, "ql"),
            "C:\\Users\\u\\Application Data\\Microsoft\\Internet Explorer\\Quick Launch");
  EXPECT_EQ(ReadSetting(ctx, "doc"), "D:\\docs");
  EXPECT_EQ(ReadSetting(ctx, "user"), "bob");
  EXPECT_EQ(ReadSetting(ctx, "run"), "D:\\pkg");
  EXPECT_EQ(ReadSetting(ctx, "name"), "产品");
  EXPECT_EQ(ReadSetting(ctx, "last"), "C:\\Old");
  EXPECT_EQ(ReadSetting(ctx, "inst"), "%InstallPath%");
}

TEST_F(SettingsLoaderTest, BuiltInsOn32BitWindows) {
  HostEnv& env = host.env();
  env.SetVariable("ProgramFiles", "C:\\Program Files");
  env.SetVariable("userprofile", "C:\\Users\\u");
  env.SetWindowsFolder("C:\\Windows");
  const std::string shell_folders =
      "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
  host.registry().SetValue(RegRoot::kCurrentUser, shell_folders, "Personal", kRegSz,
                           std::string("c:\\My Docs\0", 11), RegView::kDefault);
  PutVariables({{"%ProgramFiles%", ""}, {"%ProgramFiles_x86%", ""}, {"%System32%", ""},
                {"%QuickLaunch%", ""}, {"%MyDocument%", ""}});
  Put("data.ini",
      "[禾木软件安装配置]\r\npf=%ProgramFiles%\r\npf86=%ProgramFiles_x86%\r\nsys=%System32%\r\n"
      "ql=%QuickLaunch%\r\ndoc=%MyDocument%\r\n");
  LoadSettings(ctx);
  EXPECT_EQ(ReadSetting(ctx, "pf"), "C:\\Program Files");
  EXPECT_EQ(ReadSetting(ctx, "pf86"), "C:\\Program Files");
  EXPECT_EQ(ReadSetting(ctx, "sys"), "C:\\Windows\\System32");
  EXPECT_EQ(ReadSetting(ctx, "ql"),
            "C:\\Users\\u\\AppData\\Roaming\\Microsoft\\Internet Explorer\\Quick Launch");
  EXPECT_EQ(ReadSetting(ctx, "doc"), "C:\\My Docs");
}

TEST_F(SettingsLoaderTest, RegistryDataAndSxgForms) {
  host.env().SetWindowsFolder("C:\\Windows");
  PutVariables({{"%InstallPath%", ""}, {"%WindowsDir%", ""}, {"%Name%", "值"}});
  Put("data.ini", "[禾木软件安装配置]\r\n");
  Put("QMBREG.db", CompressForm("a=\"SXG(%InstallPath%)\"\r\nb=\"SXG(%WindowsDir%)\\\\x\"\r\n"
                                "c=\"%WindowsDir%\"\r\nd=\"%Name%\"\r\n"));
  LoadSettings(ctx);
  EXPECT_EQ(ctx.settings.registry_data,
            "a=\"SXG(%InstallPath%)\"\r\nb=\"C:\\\\Windows\\\\x\"\r\nc=\"C:\\Windows\"\r\n"
            "d=\"值\"\r\n");
}

TEST_F(SettingsLoaderTest, BrokenRegistryDataIsEmpty) {
  PutVariables({{"%A%", "a"}});
  Put("QMBREG.db", "\x0D\x0F\x3E\x03garbage that does not inflate");
  LoadSettings(ctx);
  EXPECT_EQ(ctx.settings.registry_data, "");
}

TEST_F(SettingsLoaderTest, ResourceReferencesReplacedOnce) {
  const std::string r1 = "#资源数据_1", r2 = "#资源数据_2", r3 = "#资源数据_3", r4 = "#资源数据_4";
  std::string records = StoreAppend("", r1, "X" + r2 + "X");
  records = StoreAppend(records, r2, "Y" + r1 + "Y");
  records = StoreAppend(records, r3, kStoreEmptyValue);
  Put("var_data.ini", records);
  PutVariables({{"%R1%", r1}, {"%R2%", r2}, {"%R3%", r3}, {"%R4%", r4}});
  Put("data.ini", "[禾木软件安装配置]\r\nv=%R1%|%R2%|%R3%|%R4%|" + r1 + "\r\n");
  Put("QMBDLL_s.ini", "dll=%R2%");
  LoadSettings(ctx);
  // Each reference once, never its replacement again; the placeholder record keeps its reference;
  // a reference without a record becomes empty.
  EXPECT_EQ(ReadSetting(ctx, "v"),
            "X" + r2 + "X|Y" + r1 + "Y|" + r3 + "||X" + r2 + "X");
  EXPECT_EQ(ctx.settings.dll_settings, "dll=Y" + r1 + "Y");
  EXPECT_EQ(Get("QMBDLL_s.ini"), "dll=Y" + r1 + "Y");
}

TEST_F(SettingsLoaderTest, EncipheredFilesAreDecipheredExpandedAndWrittenBackPlain) {
  PutVariables({{"%ProductName%", ""}});
  Put("data.ini", "[禾木软件安装配置]\r\n禾木软件名称=演示\r\n");
  Put("GUItext.ini", Encipher("title=%ProductName%", kGuiTextKey));
  Put("Except.ini", Encipher("%ProductName%\\a.txt", kExceptKey));
  LoadSettings(ctx);
  EXPECT_EQ(ctx.settings.gui_text, "title=演示");
  EXPECT_EQ(Get("GUItext.ini"), "title=演示");
  EXPECT_EQ(ctx.settings.except_text, "演示\\a.txt");
  EXPECT_EQ(Get("Except.ini"), "演示\\a.txt");
}

TEST_F(SettingsLoaderTest, ProgressLineTemplatesAndDetailsListMode) {
  PutVariables({{"%ProductName%", ""}});
  Put("data.ini", "[禾木软件安装配置]\r\n禾木软件名称=演示\r\n安装过程_列表=2\r\n");
  const std::string templates = "解压 %Default%,%ProductName% 快捷方式 %Default%,运行 %Default%";
  Put("GUItext.ini", Encipher(StoreAppend(StoreAppend("", "安装2", "细节"), "安装3", templates),
                              kGuiTextKey));
  LoadSettings(ctx);
  EXPECT_EQ(ctx.wizard.progress_templates,
            (std::vector<std::string>{"解压 %Default%", "演示 快捷方式 %Default%", "运行 %Default%"}));
  EXPECT_EQ(ctx.progress.details_list_mode, 2);

  // Without the record every kind of line still has a template of its own.
  Put("data.ini", "[禾木软件安装配置]\r\n安装过程_列表=1\r\n");
  Put("GUItext.ini", Encipher(StoreAppend("", "安装2", "细节"), kGuiTextKey));
  LoadSettings(ctx);
  ASSERT_EQ(ctx.wizard.progress_templates.size(), 4u);
  for (const std::string& line : ctx.wizard.progress_templates)
    EXPECT_NE(line.find("%Default%"), std::string::npos) << line;
  EXPECT_EQ(ctx.progress.details_list_mode, 1);
}

TEST_F(SettingsLoaderTest, PlainGuiTextIsWrittenBackEmpty) {
  PutVariables({{"%A%", "a"}});
  Put("GUItext.ini", "title=plain text, never enciphered");
  Put("Except.ini", Encipher("x", "wrong key"));
  LoadSettings(ctx);
  EXPECT_EQ(ctx.settings.gui_text, "");
  EXPECT_EQ(Get("GUItext.ini"), "");
  EXPECT_EQ(Get("Except.ini"), "");
}

TEST_F(SettingsLoaderTest, WithoutVariablesDataIniStaysAsUnpacked) {
  const std::string data = "[禾木软件安装配置]\r\npath=%ProgramFiles%\\x\r\n选择框_显示空间=真\r\n"
                           "压缩原大小=5000000000\r\n";
  Put("data.ini", data);
  Put("QMBREG.db", CompressForm("r=%WindowsDir%"));
  Put("QMBDLL_s.ini", "s");
  Put("QMBDLL.db", "d");
  LoadSettings(ctx);
  EXPECT_EQ(Get("data.ini"), data);
  EXPECT_EQ(ctx.settings.data_ini, data);
  EXPECT_EQ(ReadSetting(ctx, "path"), "%ProgramFiles%\\x");
  // The registry data and the uninstaller's copy of the raw files are kept all the same.
  EXPECT_EQ(ctx.settings.registry_data, "r=%WindowsDir%");
  EXPECT_EQ(ctx.settings.uninstall_blob, "s#！★！#d#！★！##！★！##！★！#");
  EXPECT_TRUE(ctx.startup.show_space);
  EXPECT_EQ(ctx.startup.required_size, 5000000000LL);
}

TEST_F(SettingsLoaderTest, RequiredSizeOnlyWithSpaceDisplay) {
  Put("data.ini", "[禾木软件安装配置]\r\n选择框_显示空间=假\r\n压缩原大小=123\r\n[其他]\r\nk=v\r\n");
  LoadSettings(ctx);
  EXPECT_FALSE(ctx.startup.show_space);
  EXPECT_EQ(ctx.startup.required_size, 0);
  EXPECT_EQ(ReadSettingIn(ctx, "其他", "k"), "v");
}

}  // namespace
}  // namespace qmb
