#include "startup/package_step.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "base/digest.h"
#include "base/marked_section.h"
#include "base/package_layout.h"
#include "context/context.h"
#include "platform/host/host_platform.h"
#include "startup/settings_loader.h"
#include "startup/switches.h"
#include "startup/waiting_progress.h"

namespace qmb {
namespace {

const std::string kKey("\x12\x34", 2);

class PackageStepTest : public ::testing::Test {
 protected:
  PackageStepTest() : ctx(host.platform()) {
    host.files().CreateDirectory("C:\\pkg");
    host.env().SetResource("KEY", 250, kKey);
    ctx.extract.load_library = [this] {
      return std::optional<ArchiveLibrary>(NativeArchiveLibrary(
          [this](const std::string& path) { return host.files().HostPath(path); }));
    };
  }
  void CommandLine(const std::string& arguments) {
    host.env().SetCommandLine("\"C:\\pkg\\setup.exe\" " + arguments);
  }
  void Put(const std::string& path, const std::string& data) {
    ASSERT_TRUE(host.files().WriteAll(path, data));
  }
  // A settings archive as the packaging tool stores it, keyed with key.
  std::string StoredSettings(const std::string& data_ini, const std::string& key) {
    host.files().CreateDirectory("C:\\src");
    Put("C:\\src\\data.ini", data_ini);
    const std::string dir = host.files().HostPath("C:\\src");
    const std::string command = "cd '" + dir + "' && LC_ALL=C.UTF-8 7zz a -t7z -bso0 -bsp0 -p" +
                                key + " ../s.7z data.ini";
    EXPECT_EQ(std::system(command.c_str()), 0);
    std::string archive = host.files().ReadAll("C:\\s.7z").value_or("");
    archive[1] = kStoredSignatureByte;
    return archive;
  }
  void PutPackage(const std::string& kind, const std::string& payload, const std::string& settings) {
    Put("C:\\pkg\\setup.exe", "MZ image" + std::string(1, '\0') +
                                  BuildSection(kKindOpenMark, kind, kKindCloseMark) +
                                  std::string(1, '\0') +
                                  BuildSection(kPayloadOpenMark, payload, kPayloadCloseMark) +
                                  std::string(1, '\0') +
                                  BuildSection(kSettingsOpenMark, settings, kSettingsCloseMark));
  }

  HostPlatform host;
  Context ctx;
};

TEST_F(PackageStepTest, KindDecidesWhetherSettingsAreRead) {
  CommandLine("");
  PutPackage("qmb-2", "payload", "settings");
  EXPECT_EQ(RunPackageStep(ctx), 2);
  EXPECT_EQ(ctx.startup.work_folder, "");
  EXPECT_EQ(ctx.startup.archive_path, "");  // an uninstaller has no payload to name
  EXPECT_TRUE(host.files().List("C:\\Temp").empty());
  EXPECT_EQ(ctx.startup.package_file_path, "C:\\pkg\\setup.exe");

  PutPackage("qmb-3", "payload", "settings");
  EXPECT_EQ(RunPackageStep(ctx), 0);
  Put("C:\\pkg\\setup.exe", "MZ no sections");
  EXPECT_EQ(RunPackageStep(ctx), 0);
  EXPECT_TRUE(host.files().List("C:\\Temp").empty());
}

TEST_F(PackageStepTest, BackgroundSwitchCountsWithoutAPackage) {
  // The start-up ends a background run at once when it knows the mode; a file without a package
  // must not fall back to the window.
  CommandLine("-hp");
  Put("C:\\pkg\\setup.exe", "MZ no sections\r\njust a text file\r\n");
  EXPECT_EQ(RunPackageStep(ctx), 0);
  EXPECT_EQ(ctx.startup.run_mode, kRunModeBackground);
}

TEST_F(PackageStepTest, UnpacksTheSettingsWithTheKeyFromTheOwnImage) {
  CommandLine("-x");
  const std::string data = "[禾木软件安装配置]\r\n禾木软件名称=演示\r\n安装包封装模式=打包-0\r\n";
  PutPackage("qmb-1", "7z-archive-bytes", StoredSettings(data, Md5Hex(kKey)));
  int opened = 0, closed = 0;
  ctx.startup.waiting.open = [&] { ++opened; };
  ctx.startup.waiting.close = [&] { ++closed; };

  EXPECT_EQ(RunPackageStep(ctx), 1);
  EXPECT_EQ(ctx.startup.settings_key, Md5Hex(kKey));
  EXPECT_TRUE(ctx.startup.work_folder.starts_with("C:\\Temp\\"));
  EXPECT_TRUE(ctx.startup.work_folder.ends_with(".tmp\\"));
  EXPECT_EQ(host.files().ReadAll(ctx.startup.work_folder + "data.ini"), data);
  EXPECT_EQ(ReadSetting(ctx, "禾木软件名称"), "演示");  // the settings loader ran
  // Packaging mode "-0": the payload was copied out, with the waiting window.
  EXPECT_TRUE(ctx.startup.archive_path.ends_with(".7zqmb"));
  EXPECT_EQ(host.files().ReadAll(ctx.startup.archive_path)->substr(0, 35),
            SectionPattern(kPayloadOpenMark) + "7z-archive-bytes");
  EXPECT_EQ(opened, 1);
  EXPECT_EQ(closed, 1);
  EXPECT_FALSE(ctx.startup.waiting.is_open);
}

TEST_F(PackageStepTest, WrongKeyLeavesSettingsEmptyAndPayloadInPlace) {
  CommandLine("");
  const std::string data = "[禾木软件安装配置]\r\n禾木软件名称=演示\r\n安装包封装模式=打包-50\r\n";
  PutPackage("qmb-1", "p", StoredSettings(data, Md5Hex("other")));
  int opened = 0;
  ctx.startup.waiting.open = [&] { ++opened; };
  EXPECT_EQ(RunPackageStep(ctx), 1);
  EXPECT_EQ(ReadSetting(ctx, "禾木软件名称"), "");
  EXPECT_EQ(ctx.startup.archive_path, "C:\\pkg\\setup.exe");
  EXPECT_EQ(opened, 0);
}

TEST_F(PackageStepTest, TestModeReadsTheProgramFolder) {
  CommandLine("test");  // no package file exists at all
  Put("C:\\pkg\\data.ini", "[禾木软件安装配置]\r\n禾木软件名称=本地\r\n");
  EXPECT_EQ(RunPackageStep(ctx), 1);
  EXPECT_EQ(ctx.startup.work_folder, "C:\\pkg\\");
  EXPECT_EQ(ctx.startup.arguments, std::vector<std::string>{"test"});
  EXPECT_EQ(ReadSetting(ctx, "禾木软件名称"), "本地");
  // The payload is still taken from the program's own file.
  EXPECT_EQ(ctx.startup.archive_path, "C:\\pkg\\setup.exe");
}

TEST_F(PackageStepTest, SplitVolumes) {
  CommandLine("test");
  const auto run = [&](const std::string& keys) {
    Put("C:\\pkg\\data.ini", "[禾木软件安装配置]\r\n禾木软件名称=演示\r\n" + keys);
    ctx.startup.archive_path.clear();
    ctx.startup.volume_list.clear();
    return RunPackageStep(ctx);
  };
  for (const char* name : {"a.001", "a.002", "a.003", "b.7z", "c.7z"}) {
    Put(std::string("C:\\pkg\\") + name, "v");
  }
  EXPECT_EQ(run("压缩分卷数=3\r\n压缩分卷文件名=a.001+a.002+a.003\r\n"), 1);
  EXPECT_EQ(ctx.startup.archive_path, "C:\\pkg\\a.001");
  EXPECT_TRUE(ctx.startup.volume_list.empty());
  EXPECT_EQ(run("压缩分卷数=2\r\n压缩分卷文件名=b.7z+c.7z\r\n"), 1);
  EXPECT_EQ(ctx.startup.archive_path, "");
  EXPECT_EQ(ctx.startup.volume_list, (std::vector<std::string>{"C:\\pkg\\b.7z", "C:\\pkg\\c.7z"}));

  for (int i = 1; i <= 4; ++i) Put("C:\\pkg\\演示.00" + std::to_string(i), "v");
  EXPECT_EQ(run("压缩分卷数=4\r\n"), 1);
  EXPECT_EQ(ctx.startup.archive_path, "C:\\pkg\\演示.004");
  EXPECT_EQ(run("压缩分卷数=4\r\n分卷大小=100\r\n"), 1);
  EXPECT_EQ(ctx.startup.archive_path, "C:\\pkg\\演示.001");
  EXPECT_TRUE(host.dialogs().message_boxes().empty());

  // The first missing volume stops everything: one message, exit code 0, no settings loaded.
  EXPECT_EQ(run("压缩分卷数=12\r\n压缩分卷文件名=\r\n"), 0);
  ASSERT_EQ(host.dialogs().message_boxes().size(), 1u);
  EXPECT_EQ(host.dialogs().message_boxes()[0].text, "缺少分卷文件:C:\\pkg\\演示.005");
  EXPECT_EQ(host.dialogs().message_boxes()[0].title, "运行失败");
  EXPECT_EQ(host.processes().exits(), std::vector<uint32_t>{0});
}

TEST_F(PackageStepTest, Switches) {
  Put("C:\\pkg\\data.ini", "[安装包命令行]\r\np=/D=\r\n");
  CommandLine("test -jp /D=\"C:\\Program Files\\演示 软件\" -hp -hideend");
  EXPECT_EQ(RunPackageStep(ctx), 1);
  EXPECT_EQ(ctx.startup.install_path_override, "C:\\Program Files\\演示 软件");
  EXPECT_EQ(ctx.startup.run_mode, kRunModeBackground);  // hp wins over jp
  EXPECT_EQ(ctx.startup.finish_page_switch, -1);

  ctx.startup = StartupState();
  Put("C:\\pkg\\data.ini", "[安装包命令行]\r\np=/D=\r\nhp=-silent\r\n");
  CommandLine("test -hp -jp /D=C:\\x");
  EXPECT_EQ(RunPackageStep(ctx), 1);
  EXPECT_EQ(ctx.startup.install_path_override, "C:\\x");
  EXPECT_EQ(ctx.startup.run_mode, kRunModeDirect);  // "-hp" is an ordinary argument now
  EXPECT_EQ(ctx.startup.finish_page_switch, 0);
}

TEST(PathSwitchTest, TakesOnlyItsOwnArgument) {
  EXPECT_EQ(PathSwitchValue("/D=\"C:\\a b\" -x \"y z\"", "/D="), "C:\\a b");
  EXPECT_EQ(PathSwitchValue("-dir \"C:\\a b\"", "-dir"), "C:\\a b");
  EXPECT_EQ(PathSwitchValue("-dir C:\\a -hp", "-dir"), "C:\\a");
  EXPECT_EQ(PathSwitchValue("-jp /D=C:\\end", "/D="), "C:\\end");
  EXPECT_EQ(PathSwitchValue("/D=C:\\a", ""), "");
  EXPECT_EQ(PathSwitchValue("-hp", "/D="), "");
}

TEST(WaitingProgressTest, ShowsOnlyNonZeroPercentsOfAnOpenWindow) {
  HostPlatform host;
  Context ctx(host.platform());
  std::vector<WaitingTexts> shown;
  ctx.startup.waiting.update = [&](const WaitingTexts& t) { shown.push_back(t); };
  WaitingProgress(ctx, 40);  // not open
  ctx.startup.waiting.is_open = true;
  WaitingProgress(ctx, 0);
  WaitingProgress(ctx, 37);
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].percent, "37");
  EXPECT_EQ(shown[0].label, "Please wait while Setup is\r\n\r\n   upacking data: 37%");
  EXPECT_EQ(shown[0].caption, "unpacking data: 37%");
}

}  // namespace
}  // namespace qmb
