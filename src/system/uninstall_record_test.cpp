// Tests of the uninstall step: the record's sections and keys in order, the appended values, the
// layout of "uninst.dat" taken apart by a reader of this test's own, and the store writer.
#include "system/uninstall_record.h"

#include <gtest/gtest.h>

#include "base/compressed_form.h"
#include "base/value_store.h"
#include "system/system_test_support.h"
#include "system/uninstaller_file.h"

namespace qmb {
namespace {

using test::kInstallFolder;

// Our own file as a package: image, separator, package kind, payload.
const std::string kImage = std::string("MZ runtime image\0with zeros", 27);
const std::string kPackage = kImage + std::string(1, '\0') + "QMB-mark=配置包A\x01qmb-1" +
                             "QMB-mark=配置包B\x01" + std::string(1, '\0') + "payload bytes";

// Takes "uninst.dat" apart piece by piece, each section right behind the one before.
class UninstallDataReader {
 public:
  explicit UninstallDataReader(std::string data) : data_(std::move(data)) {}
  std::string Take(size_t size) {
    std::string piece = data_.substr(at_, size);
    at_ += piece.size();
    return piece;
  }
  // The content of the section whose start pattern stands exactly here.
  std::string Section(const std::string& start_mark, const std::string& end_mark) {
    const std::string start = start_mark + "\x01";
    const std::string end = end_mark + "\x01";
    EXPECT_EQ(data_.compare(at_, start.size(), start), 0) << start_mark << " at " << at_;
    const size_t content = at_ + start.size();
    const size_t stop = data_.find(end, content);
    if (stop == std::string::npos) {
      ADD_FAILURE() << "no " << end_mark;
      return {};
    }
    at_ = stop + end.size();
    return data_.substr(content, stop - content);
  }
  bool AtEnd() const { return at_ == data_.size(); }

 private:
  std::string data_;
  size_t at_ = 0;
};

class UninstallRecordTest : public ::testing::Test, public test::SystemFixture {
 protected:
  void SetUp() override {
    Settings("禾木软件名称=演示\r\n软件版本=2.0\r\n包内的程序名=app.exe\r\n公司名称=禾木\r\n"
             "是否生成卸载程序=1\r\n卸载模式=后台卸载",
             "[安装包命令行]\r\njp=-quiet\r\n"
             "[卸载选项_列表]\r\ny=10,20\r\n次数=2\r\n标题1=删除存档\r\n可视1=真\r\n选中1=假\r\n"
             "程序1=a.exe\r\n标题2=反馈\r\n可视2=假\r\n选中2=真\r\n程序2=b$,c\r\n");
    host.files().WriteAll("C:\\pkg\\setup.exe", kPackage);
    host.env().SetResource("UNINST_DAT", 100, "MZ launcher");
    SystemState& s = ctx.system;
    // The first record's second location made no link (its kind was off, say).
    s.shortcuts = {
        {"演示", "app.exe", "", "C:\\A\\，c:\\b%AC%c", true, "", "", {"C:\\A\\演示.lnk"}},
        {"kept", "app.exe", "", "C:\\A", false, "", "", {"C:\\A\\kept.lnk"}},
        {"x.LNK", "app.exe", "", "C:\\B", true, "", "", {"C:\\B\\x.LNK"}}};
    // What the journal recorded: the install folder with a payload folder, and a key of a value.
    MakeFolder("C:\\Program Files");
    host.registry().SetValue(RegRoot::kCurrentUser, "Software", "mine", kRegSz, "x", RegView::k32);
    ctx.journal.Begin("C:\\backup");
    ctx.journal.CreateFolderPath(std::string(kInstallFolder) + "\\data");
    ctx.journal.SetValue(RegRoot::kCurrentUser, "Software\\演示", "v", kRegSz, "x", RegView::k32);
    s.alternative_start_menu_name = "别的组";
    s.small_picture = "small";
    s.large_picture = "";
    s.uninstaller_icon = "ICON";
    s.uninstall_registry_list = "HKEY_LOCAL_MACHINE\\SOFTWARE\\演示\\\x01\x02\x03$,64\r\n";
    ctx.wizard.uninstall_runs = {{"真", "cmd /c echo **x**", true, false}};
    ctx.progress.installed_files = std::string(kInstallFolder) + "\\app.exe\r\n";
    ctx.settings.uninstall_blob = "s#！★！#d#！★！#v#！★！#w#！★！#";
  }
  std::string Path(const char* name) { return std::string(kInstallFolder) + "\\" + name; }
};

TEST_F(UninstallRecordTest, TheRecordHoldsItsSectionsAndKeysInOrder) {
  const std::string f = kInstallFolder;
  EXPECT_EQ(
      BuildUninstallIni(ctx),
      "[软件卸载配置]\r\n软件名称=演示\r\n软件版本=2.0\r\n主程序名=app.exe\r\n卸载路径=" + f +
          "\r\n快捷方式个数=3\r\n开始菜单栏名称=别的组\r\n卸载模式=后台卸载\r\n卸载项视图=32\r\n"
          "快捷方式1=C:\\A\\演示.lnk,\r\n"
          "快捷方式3=C:\\B\\x.LNK,\r\n"
          "[安装包命令行]\r\njp=-quiet\r\nhideend=\r\nhp=\r\n"
          "[卸载时运行命令]\r\n欲运行的次数=1\r\n是否外部运行1=真\r\n"
          "参数运行文件名1=cmd /c echo **x**\r\n是否隐藏窗口1=真\r\n是否等待返回1=假\r\n"
          "[卸载选项]\r\n次数=2\r\ny=10,20\r\n标题1=删除存档\r\n可视1=真\r\n选中1=假\r\n"
          "程序1=a.exe\r\n标题2=反馈\r\n可视2=假\r\n选中2=真\r\n程序2=b$,c\r\n");
}

TEST_F(UninstallRecordTest, TheFileListEndsWithTheUninstallerWithoutALineEnd) {
  EXPECT_EQ(BuildUninstallFileList(ctx), Path("app.exe") + "\r\n" + Path("uninst.ini") + "\r\n" +
                                             Path("uninst.exe") + "\r\n" + Path("uninst.dat"));
}

TEST_F(UninstallRecordTest, WritesTheLauncherAndTheDataFile) {
  EXPECT_TRUE(WriteUninstallRecord(ctx));
  EXPECT_EQ(host.files().ReadAll(Path("uninst.exe")), "MZ launcher");
  EXPECT_FALSE(host.files().Exists(Path("uninst.ini")));
  EXPECT_EQ(host.files().ReadAll("C:\\Temp\\qmb_dll\\演示.ico"), "ICON");
  EXPECT_TRUE(Logged("progress line: 卸载程序 " + Path("uninst.exe")));

  UninstallDataReader dat(host.files().ReadAll(Path("uninst.dat")).value_or(""));
  EXPECT_EQ(dat.Take(1), "{");
  EXPECT_EQ(dat.Take(kImage.size()), kImage);  // the separator byte before the mark is left out
  EXPECT_EQ(dat.Section("QMB-mark=uninst_datA", "QMB-mark=uninst_datB"),
            ctx.settings.uninstall_blob);

  const std::string record = dat.Section("QMB-mark=uninst_iniA", "QMB-mark=uninst_iniB");
  EXPECT_EQ(record.substr(0, record.find("卸载路径\x01")), BuildUninstallIni(ctx));
  std::string value;
  EXPECT_TRUE(StoreGet(record, "卸载路径", value));
  EXPECT_EQ(value, BuildUninstallFileList(ctx));
  EXPECT_TRUE(StoreGet(record, "卸载注册表", value));
  EXPECT_EQ(value, ctx.system.uninstall_registry_list);
  EXPECT_TRUE(StoreGet(record, "卸载文件夹", value));
  EXPECT_EQ(value, std::string(kInstallFolder) + "\r\n" + kInstallFolder + "\\data\r\n");
  EXPECT_TRUE(StoreGet(record, "卸载注册表项", value));
  EXPECT_EQ(value, "HKEY_CURRENT_USER\\Software\\演示$,32\r\n");
  // The entry comes after both files, pointing at the launcher in quotes.
  EXPECT_EQ(
      host.registry().QueryString(RegRoot::kLocalMachine,
                                  "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\演示",
                                  "UninstallString", RegView::k32),
      "\"" + Path("uninst.exe") + "\"");

  const std::string skin = dat.Section("QMB-mark=skinA", "QMB-mark=skinB");
  EXPECT_EQ(skin, "界面小图片\x01small界面小图片end界面大图片\x01\x01\x02\x03界面大图片end"
                  "版权\x01禾木版权endx皮肤\x01\x01\x02\x03x皮肤end卸载程序图标\x01ICON卸载程序图标end");
  EXPECT_EQ(dat.Section("QMB-mark=配置包A", "QMB-mark=配置包B"), "qmb-2");
  EXPECT_TRUE(dat.AtEnd());
}

TEST_F(UninstallRecordTest, NothingWithoutAnUninstallerAndOldFilesAreReplaced) {
  Settings("禾木软件名称=演示\r\n是否生成卸载程序=2");
  WriteUninstallRecord(ctx);
  EXPECT_FALSE(host.files().Exists(Path("uninst.exe")));
  EXPECT_FALSE(host.files().Exists(Path("uninst.dat")));
  Settings("是否生成卸载程序=1");
  ctx.wizard.install_folder.clear();
  WriteUninstallRecord(ctx);
  EXPECT_FALSE(host.files().Exists("C:\\Temp\\uninst.dat"));  // nothing beside the current folder

  // A second install over the first writes the data file anew, not behind the old one.
  SetUp();
  WriteUninstallRecord(ctx);
  const auto first = host.files().ReadAll(Path("uninst.dat"));
  WriteUninstallRecord(ctx);
  EXPECT_EQ(host.files().ReadAll(Path("uninst.dat")), first);
}

TEST_F(UninstallRecordTest, TheLauncherIsWrittenInflatedFromItsCompressedResource) {
  MakeFolder(kInstallFolder);
  host.env().SetResource("UNINST_DAT", 100, CompressGzip("MZ packed launcher") + std::string(2048, '\0'));
  EXPECT_TRUE(WriteUninstallRecord(ctx));
  EXPECT_EQ(host.files().ReadAll(Path("uninst.exe")), "MZ packed launcher");

  // A damaged one is no launcher: the install has no uninstaller.
  SetOutcome(ctx, InstallResult::kComplete, "");
  std::string damaged = CompressGzip("MZ packed launcher");
  damaged.resize(damaged.size() - 5);
  host.env().SetResource("UNINST_DAT", 100, damaged);
  EXPECT_FALSE(WriteUninstallRecord(ctx));
  EXPECT_TRUE(Logged("launcher this program carries is damaged"));
  EXPECT_EQ(ctx.outcome.result, InstallResult::kUninstallerFailed);
}

TEST_F(UninstallRecordTest, AnUninstallerThatCannotBeCompleteGetsNoEntryAndFailsTheInstall) {
  const std::string entry = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\演示";
  SetOutcome(ctx, InstallResult::kComplete, "");
  // No launcher to write.
  host.env().SetResource("UNINST_DAT", 100, "");
  EXPECT_FALSE(WriteUninstallRecord(ctx));
  EXPECT_FALSE(host.registry().KeyExists(RegRoot::kLocalMachine, entry, RegView::k32));
  EXPECT_EQ(ctx.outcome.result, InstallResult::kUninstallerFailed);
  EXPECT_EQ(ExitCodeOf(ctx.outcome.result), 8u);

  // Our own program without its package mark: no runtime image to write.
  SetOutcome(ctx, InstallResult::kComplete, "");
  host.env().SetResource("UNINST_DAT", 100, "MZ launcher");
  host.files().WriteAll("C:\\pkg\\setup.exe", "a bare program");
  EXPECT_FALSE(WriteUninstallRecord(ctx));
  EXPECT_TRUE(Logged("no package mark"));
  EXPECT_FALSE(host.registry().KeyExists(RegRoot::kLocalMachine, entry, RegView::k32));
  EXPECT_EQ(ctx.outcome.result, InstallResult::kUninstallerFailed);
}

TEST_F(UninstallRecordTest, RuntimeImageMarkAcrossAChunkBoundary) {
  // The mark starts 3 bytes before the end of the first 5 MiB chunk.
  std::string file(kImageSearchChunk - 3, 'i');
  const std::string expected = file.substr(0, file.size() - 1);
  file += "QMB-mark=配置包A\x01qmb-1";
  host.files().WriteAll("C:\\big.exe", file);
  EXPECT_EQ(ReadRuntimeImage(ctx, "C:\\big.exe", "QMB-mark=配置包A"), expected);
  EXPECT_EQ(ReadRuntimeImage(ctx, "C:\\big.exe", "QMB-mark=other"), "");
  host.files().WriteAll("C:\\front.exe", "QMB-mark=配置包A\x01");
  EXPECT_EQ(ReadRuntimeImage(ctx, "C:\\front.exe", "QMB-mark=配置包A"), "");
}

TEST_F(UninstallRecordTest, SignatureEntryOfASignedImageIsDropped) {
  // A PE32 header: "PE\0\0" at 0x80, the optional header 24 bytes on, 16 directory entries.
  std::string image(0x200, '\0');
  image[0] = 'M';
  image[1] = 'Z';
  image[0x3C] = static_cast<char>(0x80);
  image.replace(0x80, 4, std::string("PE\0\0", 4));
  const size_t optional = 0x80 + 24;
  image[optional] = 0x0B;
  image[optional + 1] = 0x01;
  image[optional + 92] = 16;
  const size_t security = optional + 96 + 4 * 8;
  image.replace(security, 8, std::string("\x10\x20\x30\x00\x88\x05\x00\x00", 8));
  image.replace(optional + 64, 4, std::string("\x51\x0A\x38\x00", 4));
  image.replace(optional + 96, 8, "\x01\x02\x03\x04\x05\x06\x07\x08");  // the export entry stays
  std::string expected = image;
  expected.replace(security, 8, std::string(8, '\0'));
  expected.replace(optional + 64, 4, std::string(4, '\0'));
  host.files().WriteAll("C:\\signed.exe", image + '\0' + "QMB-mark=配置包A\x01qmb-1");
  EXPECT_EQ(ReadRuntimeImage(ctx, "C:\\signed.exe", "QMB-mark=配置包A"), expected);
  // What is no PE image passes unchanged.
  std::string text = "MZ but nothing else";
  DropSignatureEntry(text);
  EXPECT_EQ(text, "MZ but nothing else");
}

TEST_F(UninstallRecordTest, AppendSectionRetriesABoundedNumberOfTimes) {
  EXPECT_TRUE(AppendSection(ctx, "C:\\Temp\\f", "QMB-mark=xA", "QMB-mark=xB", "c"));
  EXPECT_EQ(host.files().ReadAll("C:\\Temp\\f"), "QMB-mark=xA\x01" "cQMB-mark=xB\x01");
  EXPECT_FALSE(AppendSection(ctx, "C:\\missing\\f", "QMB-mark=xA", "QMB-mark=xB", "c"));
  EXPECT_EQ(host.processes().sleeps(), std::vector<uint32_t>(9, 300));
}

TEST(StoreSetTest, ReplacesAPresentValueAndAppendsAnAbsentOne) {
  const std::string store = "a\x01" "1aendb\x01" "2bend";
  std::string out;
  EXPECT_TRUE(StoreSet(store, "a", "new", out));
  EXPECT_EQ(out, "a\x01newaendb\x01" "2bend");
  EXPECT_FALSE(StoreSet(store, "c", "", out));
  EXPECT_EQ(out, store + "c\x01\x01\x02\x03" "cend");
  EXPECT_FALSE(StoreSet(store, "c", "3", out, false));
  EXPECT_EQ(out, store);
}

}  // namespace
}  // namespace qmb
