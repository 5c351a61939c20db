// `mkpackage check` on a clean project, then on the same project with one fault of each kind: the
// finding must name the file, the line (or key) and the reason.
#include "project_check.h"

#include <gtest/gtest.h>

#include <functional>

#include "base/text.h"
#include "nearest_name.h"
#include "test_fixtures.h"

namespace qmb::mkpackage {
namespace {

using testing::WriteBytes;
namespace fs = std::filesystem;

constexpr char kDataIni[] =
    "[禾木软件安装配置]\r\n"             // 1
    "禾木软件名称=演示\r\n"              // 2
    "safe=pw\r\n"                        // 3
    "包内的程序名=app.exe\r\n"           // 4
    "是否生成卸载程序=1\r\n"             // 5
    "基本组件勾选=真，真，假\r\n"        // 6
    "安装模式=后台安装\r\n"              // 7
    "安装位置=%ProgramFiles%\\演示\r\n"  // 8
    "[新建快捷方式参数]\r\n"             // 9
    "欲运行的次数=1\r\n"                 // 10
    "参数快捷方式名1=演示\r\n"           // 11
    "参数文件名1=bin\\app.exe\r\n"       // 12
    "参数生成位置1=%Desktop%\r\n"        // 13
    "[解压后运行的参数]\r\n"             // 14
    "欲运行的次数=1\r\n"                 // 15
    "参数运行文件名1=bin\\tool.exe /q\r\n"  // 16
    "作用方案1=解压后运行\r\n"           // 17
    "[界面_可视]\r\n"                   // 18
    "选择组件可视=真\r\n";              // 19

constexpr char kVariables[] =
    "[%ProductName%]\r\n数据=\r\n[%ProgramFiles%]\r\n数据=\r\n[%Desktop%]\r\n数据=\r\n"
    "[%Logo%]\r\n数据=#资源数据_logo\r\n";  // line 8: the reference

constexpr char kScript[] =
    "Treelists\r\n｛\r\nInstall(){\r\n"
    "主程序$,-1$,1$,真$,$,1\r\n"  // line 4
    "文档$,0$,1$,$,\r\n"          // line 5
    "}\r\nUnzip(){\r\n}\r\nfinish(){\r\n}\r\ndescribe(){\r\n}\r\n｝\r\n\r\n"
    "文档\r\n｛\r\nInstall(){\r\n"  // line 15: the block's name
    "[假]removezip(doc)\r\n"        // line 18
    "}\r\nUnzip(){\r\n}\r\nfinish(){\r\n}\r\ndescribe(){\r\n说明文档\r\n}\r\n｝\r\n\r\n";

// A UTF-8 text: file names on disk are UTF-8, while plain literals here are GBK.
std::string Utf8(const char8_t* text) { return reinterpret_cast<const char*>(text); }

class ProjectCheckTest : public testing::TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    Write("settings/data.ini", kDataIni);
    Write("settings/variable.ini", kVariables);
    Write("settings/choolantern.ini", kScript);
    Write("settings/var_data.ini", "#资源数据_logo\x01png#资源数据_logo" "end");
    Write("payload/app.exe", "MZ");
    Write("payload/bin/app.exe", "MZ");
    Write("payload/bin/tool.exe", "MZ");
    Write("payload/doc/a.txt", "a");
  }
  void Write(const std::string& name, const std::string& data) { WriteBytes(dir() / name, data); }
  // support/NAME.dll exporting "kaye_msg" and "Start" unless told otherwise.
  void SupportDll(const std::string& name, const std::string& target = "i686-w64-mingw32",
                  const std::vector<std::string>& exports = {"kaye_msg", "Start"}) {
    fs::create_directories(dir() / "support");
    fs::copy_file(testing::BuildDll(dir() / "build", name, exports, target),
                  dir() / "support" / (name + ".dll"));
  }
  // Every finding for a processor's runtime, formatted.
  std::vector<std::string> Findings(uint32_t installer_machine = kMachineX86) {
    std::vector<std::string> found;
    for (const Finding& f : CheckProject(dir(), installer_machine).findings)
      found.push_back(FormatFinding(f));
    return found;
  }
  // Replaces text in a settings file (UTF-8).
  void Edit(const std::string& name, const std::string& from, const std::string& to) {
    std::string text = testing::Bytes(dir() / name);
    const size_t at = text.find(from);
    ASSERT_NE(at, std::string::npos) << from;
    Write(name, text.replace(at, from.size(), to));
  }
  // The one finding the project now gives.
  Finding Only() {
    const CheckResult result = CheckProject(dir());
    EXPECT_EQ(result.findings.size(), 1u);
    if (result.findings.size() != 1)
      for (const Finding& f : result.findings) ADD_FAILURE() << FormatFinding(f);
    return result.findings.empty() ? Finding{} : result.findings.front();
  }
  void Expect(Severity severity, const std::string& file, int line, const std::string& key,
              const std::string& reason) {
    const CheckResult result = CheckProject(dir());
    for (const Finding& f : result.findings) SCOPED_TRACE(FormatFinding(f));
    ASSERT_EQ(result.findings.size(), 1u) << (result.findings.empty() ? "" : FormatFinding(result.findings.back()));
    const Finding& f = result.findings.front();
    EXPECT_EQ(f.severity, severity) << FormatFinding(f);
    EXPECT_EQ(f.file, file) << FormatFinding(f);
    EXPECT_EQ(f.line, line) << FormatFinding(f);
    EXPECT_EQ(f.key, key) << FormatFinding(f);
    EXPECT_NE(f.reason.find(reason), std::string::npos) << FormatFinding(f);
  }
};

TEST_F(ProjectCheckTest, CleanProjectAndDemoHaveNoFinding) {
  for (const fs::path& project : {dir(), fs::path(QMB_SOURCE_DIR) / "examples/demo"}) {
    const CheckResult result = CheckProject(project);
    for (const Finding& f : result.findings) ADD_FAILURE() << project << ": " << FormatFinding(f);
  }
}

TEST_F(ProjectCheckTest, LfProjectReadsAsTheCrLfOne) {
  // An author on Linux: every text with LF line ends, UTF-8. The check sees the text the package
  // will carry, so the Treelists block and its components are found as with CR LF.
  for (const char* name : {"settings/data.ini", "settings/variable.ini", "settings/choolantern.ini"})
    Write(name, ReplaceAll(testing::Bytes(dir() / name), "\r\n", "\n"));
  Write("settings/Except.ini", "%InstallPath%\\extra,-1\napp.exe\n");
  const CheckResult result = CheckProject(dir());
  for (const Finding& f : result.findings) ADD_FAILURE() << FormatFinding(f);
  Edit("settings/choolantern.ini", "文档\n｛", "文挡\n｛");
  Expect(Severity::kError, "settings/choolantern.ini", 15, "文挡", "no item of the components tree");
}

TEST_F(ProjectCheckTest, UnquotedFolderVariableStartingAProgramLineIsNamed) {
  Edit("settings/choolantern.ini", "[假]removezip(doc)", "[真]%InstallPath%\\tool.exe /q");
  Expect(Severity::kWarning, "settings/choolantern.ini", 18, "%InstallPath%\\tool.exe /q",
         "write \"%InstallPath%\\tool.exe\" /q");
  Edit("settings/choolantern.ini", "%InstallPath%\\tool.exe /q", "\"%InstallPath%\\tool.exe\" /q");
  EXPECT_TRUE(CheckProject(dir()).findings.empty());
  // In data.ini a command of its own quotes with "**".
  Edit("settings/data.ini", "参数运行文件名1=bin\\tool.exe /q",
       "是否外部运行1=真\r\n参数运行文件名1=%ProgramFiles%\\x\\tool.exe");
  Expect(Severity::kWarning, "settings/data.ini", 17, "%ProgramFiles%\\x\\tool.exe",
         "write **%ProgramFiles%\\x\\tool.exe**");
}

TEST_F(ProjectCheckTest, OptionalComponentWantsTheComponentsPage) {
  Edit("settings/data.ini", "选择组件可视=真", "选择组件可视=假");
  Expect(Severity::kWarning, "settings/data.ini", 0, "选择组件可视",
         "the component \"文档\" can be ticked or cleared, but the components page is hidden");
  // With every tick fixed there is nothing to choose.
  Edit("settings/choolantern.ini", "文档$,0$,1$,$,", "文档$,0$,1$,$,$,1");
  EXPECT_TRUE(CheckProject(dir()).findings.empty());
}

TEST_F(ProjectCheckTest, LicenceComesFromItsTextFile) {
  Write("licence.txt", "第一条\n第二条\n");
  EXPECT_TRUE(CheckProject(dir()).findings.empty());
  // The record in data.ini as well: two licences, one too many.
  Edit("settings/data.ini", "[界面_可视]", "自述文本_开始\x01旧的自述文本_开始end\r\n[界面_可视]");
  Expect(Severity::kError, "licence.txt", 0, "", "both give the licence; keep one");
  Edit("settings/data.ini", "自述文本_开始\x01旧的自述文本_开始end\r\n", "自述文本_开始=旧的\r\n");
  Expect(Severity::kWarning, "settings/data.ini", 18, "自述文本_开始", "put its text in the project's licence.txt");
}

TEST_F(ProjectCheckTest, UnknownNamesComeWithTheNearestKnownOne) {
  Edit("settings/data.ini", "包内的程序名=", "包内的程序=");
  Expect(Severity::kWarning, "settings/data.ini", 4, "包内的程序",
         "unknown key in [禾木软件安装配置]; the runtime never reads it (did you mean \"包内的程序名\"?)");
  Edit("settings/data.ini", "包内的程序=", "包内的程序名=");
  Edit("settings/data.ini", "[新建快捷方式参数]", "[新建快捷方式参]");
  Expect(Severity::kWarning, "settings/data.ini", 9, "新建快捷方式参",
         "unknown section; the runtime never reads it (did you mean \"新建快捷方式参数\"?)");
}

TEST_F(ProjectCheckTest, ValuesOfTheWrongFormAreErrors) {
  Edit("settings/data.ini", "是否生成卸载程序=1", "是否生成卸载程序=真");
  Expect(Severity::kError, "settings/data.ini", 5, "是否生成卸载程序", "a whole number is expected");
  Edit("settings/data.ini", "是否生成卸载程序=真", "是否生成卸载程序=1");
  Edit("settings/data.ini", "真，真，假", "真，是，假");
  Expect(Severity::kError, "settings/data.ini", 6, "基本组件勾选", "entry \"是\" is no switch");
  Edit("settings/data.ini", "真，是，假", "真，真，假");
  Edit("settings/data.ini", "安装模式=后台安装", "安装模式=静默安装");
  Expect(Severity::kError, "settings/data.ini", 7, "安装模式", "the run modes are");
}

TEST_F(ProjectCheckTest, TheUninstallerNeedsAProductNameItCanUse) {
  Edit("settings/data.ini", "禾木软件名称=演示", "禾木软件名称=演示:2");
  Expect(Severity::kError, "settings/data.ini", 2, "禾木软件名称",
         "cannot name the uninstaller's folder, links and uninstall entry");
  Edit("settings/data.ini", "禾木软件名称=演示:2", "禾木软件名称=CON");
  Expect(Severity::kError, "settings/data.ini", 2, "禾木软件名称", "cannot name the uninstaller");
  // Without an uninstaller the name names nothing that must be removed again.
  Edit("settings/data.ini", "是否生成卸载程序=1", "是否生成卸载程序=0");
  EXPECT_TRUE(CheckProject(dir()).findings.empty());
}

TEST_F(ProjectCheckTest, PayloadNamesOutsideGbkAreErrors) {
  // "ą" (a with ogonek) has no GBK form; "演示" has one.
  Write(Utf8(u8"payload/doc/ząb.txt"), "x");
  Write(Utf8(u8"payload/doc/演示.txt"), "x");
  Expect(Severity::kError, Utf8(u8"payload/doc/ząb.txt"), 0, "", "GBK cannot hold");
}

TEST_F(ProjectCheckTest, SupportDllsTheInstallerCannotUseAreErrorsWithTheirLine) {
  SupportDll("good");
  SupportDll("wide", "x86_64-w64-mingw32");
  SupportDll("mute", "i686-w64-mingw32", {"Start"});
  Write("support/notdll.dll", "not a DLL\n");
  Write("support/support.ini",
        "[good]\nfile=good.dll\nexport=Start\nparam1=integer,42\nparam2=integer,%Count%\n"  // 1-5
        "[wide]\nfile=wide.dll\nexport=Start\n"                                            // 6-8
        "[text]\nfile=notdll.dll\nexport=Start\n"                                          // 9-11
        "[missing]\nfile=good.dll\nexport=Missing\n"                                       // 12-14
        "param1=integer,4x2\nparam2=text,4x2\nparam3=integer,-99999999999\n"               // 15-17
        "[mute]\nfile=mute.dll\nexport=Start\n");                                          // 18-20
  const std::string at = "support/support.ini:";
  EXPECT_EQ(Findings(), (std::vector<std::string>{
      at + "7: error: [wide] file: wide.dll is an x86-64 DLL; the installer is a 32-bit program "
           "and cannot load it",
      at + "10: error: [text] file: notdll.dll is no DLL (not a Windows program (no MZ header))",
      at + "14: error: [missing] Missing: good.dll exports no Missing (undecorated: link with "
           "--kill-at or a .def file)",
      at + "15: error: [missing] param1: \"4x2\" is no integer; the DLL would get 0",
      at + "17: warning: [missing] param3: -99999999999 does not fit in 32 bits; the DLL gets "
           "-2147483648",
      at + "19: error: [mute] kaye_msg: mute.dll exports no kaye_msg (undecorated: link with "
           "--kill-at or a .def file)"}));
}

// A package made with the x86-64 runtime loads x86-64 DLLs and none of 32 bits.
TEST_F(ProjectCheckTest, SupportDllsMustMatchTheRuntimesProcessor) {
  SupportDll("narrow");
  SupportDll("wide", "x86_64-w64-mingw32");
  Write("support/support.ini", "[wide]\nfile=wide.dll\nexport=Start\n[narrow]\nfile=narrow.dll\n");
  EXPECT_EQ(Findings(kMachineX64), (std::vector<std::string>{
      "support/support.ini:5: error: [narrow] file: narrow.dll is an x86 DLL; the installer is an "
      "x86-64 program and cannot load it"}));
}

TEST_F(ProjectCheckTest, CountsMustMatchTheirRecords) {
  Edit("settings/data.ini", "欲运行的次数=1\r\n参数快捷方式名1", "欲运行的次数=2\r\n参数快捷方式名1");
  Expect(Severity::kError, "settings/data.ini", 10, "欲运行的次数",
         "says 2 records, but record 2 has no keys");
}

TEST_F(ProjectCheckTest, TargetsMustBeInThePayload) {
  Edit("settings/data.ini", "参数文件名1=bin\\app.exe", "参数文件名1=bin\\apps.exe");
  Expect(Severity::kError, "settings/data.ini", 12, "参数文件名1",
         "the file \"bin\\apps.exe\" is not in the payload");
  Edit("settings/data.ini", "参数文件名1=bin\\apps.exe", "参数文件名1=%InstallPath%\\BIN\\APP.EXE");
  Edit("settings/data.ini", "bin\\tool.exe /q", "tool.exe /q");
  Expect(Severity::kError, "settings/data.ini", 16, "参数运行文件名1",
         "the program \"tool.exe /q\" is not in the payload");
}

TEST_F(ProjectCheckTest, ScriptBlocksNeedTheirComponentAndTreeEntriesAnEarlierParent) {
  Edit("settings/choolantern.ini", "\r\n文档\r\n｛", "\r\n文挡\r\n｛");
  Expect(Severity::kError, "settings/choolantern.ini", 15, "文挡",
         "no item of the components tree has this name, so its sections never run");
  Edit("settings/choolantern.ini", "\r\n文挡\r\n｛", "\r\n文档\r\n｛");
  Edit("settings/choolantern.ini", "文档$,0$,1", "文档$,1$,1");
  Expect(Severity::kError, "settings/choolantern.ini", 5, "文档",
         "parent \"1\" is no earlier entry");
  Edit("settings/choolantern.ini", "文档$,1$,1", "文档$,0$,1");
  Edit("settings/choolantern.ini", "removezip(doc)", "removezap(doc)");
  Expect(Severity::kWarning, "settings/choolantern.ini", 18, "removezap",
         "unknown command; the line is ignored");
}

TEST_F(ProjectCheckTest, VariablesAndResourcesMustBeDefined) {
  Edit("settings/data.ini", "%Desktop%", "%Desktp%");
  Expect(Severity::kWarning, "settings/data.ini", 13, "%Desktp%",
         "is no variable of variable.ini and stays as written (did you mean \"%Desktop%\"?)");
  Edit("settings/data.ini", "%Desktp%", "%Desktop%");
  Write("settings/var_data.ini", "");
  Expect(Severity::kError, "settings/variable.ini", 8, "%Logo%",
         "has no record in var_data.ini");
}

TEST_F(ProjectCheckTest, ImagesMustDecodeAndFontTagsHaveTheirForm) {
  std::string png("\x89PNG\r\n\x1A\n\0\0\0\0IEND\xAE\x42\x60\x82", 20);
  const std::string image = Utf8(u8"settings/界面小图片.jpg");
  Write(image, png);
  Expect(Severity::kError, image, 0, "", "a PNG without its header chunk");
  png[16] = 'X';  // the checksum no longer matches
  Write(image, png);
  Expect(Severity::kError, image, 0, "", "fails its checksum");
  fs::remove(dir() / image);
  Write("settings/GUItext.ini", "欢迎0\x01<font 宋体,9,真,255,red/>欢迎欢迎0end");
  Expect(Severity::kError, "settings/GUItext.ini", 1, "欢迎0", "colour \"red\" is no decimal RGB");
  Write("settings/GUItext.ini", "背景\x01" "255,15790320,0背景end");
  Expect(Severity::kWarning, "settings/GUItext.ini", 1, "背景", "3 of the 12 page frame colours");
}

TEST_F(ProjectCheckTest, MissingPasswordStopsTheBuild) {
  Edit("settings/data.ini", "safe=pw\r\n", "");
  const Finding f = Only();
  EXPECT_EQ(f.severity, Severity::kError);
  EXPECT_EQ(f.key, "safe");
  EXPECT_NE(f.reason.find("payload password is missing"), std::string::npos);
}

TEST(NearestNameTest, CountsDoubleByteCharactersAsOne) {
  const std::vector<std::string> names{"参数文件名", "参数命令行", "hideend"};
  EXPECT_EQ(NearestName("参数文件明", names), "参数文件名");
  EXPECT_EQ(NearestName("HIDEND", names), "hideend");
  EXPECT_EQ(NearestName("完全不同", names), "");
}

}  // namespace
}  // namespace qmb::mkpackage
