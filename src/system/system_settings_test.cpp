// Tests of what the system steps read at start-up, and of the folder walks.
#include "system/system_settings.h"

#include <gtest/gtest.h>

#include "system/folder_walk.h"
#include "system/system_test_support.h"

namespace qmb {
namespace {

class SystemSettingsTest : public ::testing::Test, public test::SystemFixture {};

TEST_F(SystemSettingsTest, ReadsTheShortcutRecordsAndTheUninstallerFiles) {
  Settings("是否生成卸载程序=1",
           "[新建快捷方式参数]\r\n欲运行的次数=2\r\n参数快捷方式名1=演示\r\n参数文件名1=app.exe\r\n"
           "参数命令行1=-a\r\n参数生成位置1=C:\\A,C:\\B\r\n参数是否卸载1=真\r\n快捷方式图标1=a.ico\r\n"
           "快捷方式描述1=说明\r\n参数快捷方式名2=卸载\r\n参数文件名2=%Uninst.exe%\r\n参数是否卸载2=假\r\n");
  ctx.startup.work_folder = "C:\\Temp\\work\\";
  MakeFolder("C:\\Temp\\work");
  host.files().WriteAll("C:\\Temp\\work\\界面小图片.jpg", "small");
  host.files().WriteAll("C:\\Temp\\work\\卸载程序图标.ico", "icon");
  ReadSystemSettings(ctx);
  const std::vector<ShortcutRecord>& records = ctx.system.shortcuts;
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[0].name, "演示");
  EXPECT_EQ(records[0].file, "app.exe");
  EXPECT_EQ(records[0].arguments, "-a");
  EXPECT_EQ(records[0].locations, "C:\\A,C:\\B");
  EXPECT_TRUE(records[0].remove_on_uninstall);
  EXPECT_EQ(records[0].icon, "a.ico");
  EXPECT_EQ(records[0].description, "说明");
  EXPECT_EQ(records[1].file, kUninstallerTarget);
  EXPECT_FALSE(records[1].remove_on_uninstall);
  EXPECT_EQ(records[1].locations, "");  // a missing key reads as empty
  EXPECT_EQ(ctx.system.small_picture, "small");
  EXPECT_EQ(ctx.system.large_picture, "");
  EXPECT_EQ(ctx.system.uninstaller_icon, "icon");
  EXPECT_TRUE(GeneratesUninstaller(ctx));
  Settings("是否生成卸载程序=真");
  EXPECT_FALSE(GeneratesUninstaller(ctx));
}

class FolderWalkTest : public ::testing::Test, public test::SystemFixture {
 protected:
  void SetUp() override {
    for (const char* file : {"C:\\w\\f0", "C:\\w\\a\\f2", "C:\\w\\a\\a1\\f1"}) {
      MakeFolder(ParentFolder(file));
      host.files().WriteAll(file, "x");
    }
    MakeFolder("C:\\w\\b");
  }
  Files& files() { return host.files(); }
};

TEST_F(FolderWalkTest, SubfoldersComeAfterTheirOwnSubfolders) {
  WalkResult all = ListSubfolders(files(), "C:\\w", true, nullptr);
  EXPECT_EQ(all.paths, (std::vector<std::string>{"C:\\w\\a\\a1", "C:\\w\\a", "C:\\w\\b"}));
  EXPECT_EQ(all.Count(), 3);
  EXPECT_EQ(ListSubfolders(files(), "C:\\w\\", false, nullptr).paths,
            (std::vector<std::string>{"C:\\w\\a", "C:\\w\\b"}));
  EXPECT_EQ(ListFiles(files(), "C:\\w", true, nullptr).paths,
            (std::vector<std::string>{"C:\\w\\f0", "C:\\w\\a\\a1\\f1", "C:\\w\\a\\f2"}));
  EXPECT_EQ(ListFiles(files(), "C:\\w", false, nullptr).paths, (std::vector<std::string>{"C:\\w\\f0"}));
}

TEST_F(FolderWalkTest, AFilterAnsweringMinusOneStopsTheWholeWalk) {
  std::vector<std::string> seen;
  WalkResult walk = ListSubfolders(files(), "C:\\w", true, [&](const std::string& path) {
    seen.push_back(path);
    return path == "C:\\w\\a\\a1" ? -1 : 0;
  });
  EXPECT_TRUE(walk.stopped);
  EXPECT_EQ(walk.Count(), -1);
  EXPECT_EQ(seen, (std::vector<std::string>{"C:\\w\\a", "C:\\w\\a\\a1"}));

  EXPECT_TRUE(FolderHasEntries(files(), "C:\\w\\a"));
  EXPECT_FALSE(FolderHasEntries(files(), "C:\\w\\b"));
  EXPECT_FALSE(FolderHasEntries(files(), "C:\\missing"));
}

}  // namespace
}  // namespace qmb
