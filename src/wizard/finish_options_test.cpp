// Tests of the finish options and the program lists read from the settings.
#include "wizard/finish_options.h"

#include <gtest/gtest.h>

#include "script/script_test_support.h"
#include "startup/list_count.h"
#include "wizard/after_install_runs.h"

namespace qmb {
namespace {

class FinishOptionsTest : public ::testing::Test, public test::ScriptFixture {
 protected:
  void Settings(const std::string& text) {
    ctx.settings.data = IniFile("[禾木软件安装配置]\r\n禾木软件名称=演示\r\n软件版本=1.0\r\n"
                                "包内的程序名=demo.exe\r\n" + text);
  }
};

TEST_F(FinishOptionsTest, FixedOptions) {
  Settings("[完成后选项_主运行程序]\r\n显示=真\r\n"
           "[完成后选项_执行程序]\r\n文件路径=bin\\tool.exe\r\n选项标题=工具\r\n显示=假\r\n"
           "[完成后选项_访问网络]\r\n网页地址=www.example.com\r\n选项标题=网站\r\n显示=真\r\n");
  ReadFinishOptions(ctx);
  const auto& o = ctx.wizard.finish_options;
  ASSERT_EQ(o.size(), 3u);
  EXPECT_EQ(o[0].title, "运行 演示 1.0");
  EXPECT_EQ(o[0].command, "\"%InstallPath%\\demo.exe\"");
  EXPECT_TRUE(o[0].visible && o[0].checked);
  EXPECT_EQ(o[1].title, "工具");
  EXPECT_EQ(o[1].command, "\"%InstallPath%\\bin\\tool.exe\"");
  EXPECT_FALSE(o[1].visible);
  EXPECT_TRUE(o[1].checked);
  EXPECT_EQ(o[2].command, "http://www.example.com");

  Settings("[完成后选项_访问网络]\r\n网页地址=https://example.com\r\n");
  ReadFinishOptions(ctx);
  ASSERT_EQ(ctx.wizard.finish_options.size(), 1u);  // main program not offered without 显示
  EXPECT_EQ(ctx.wizard.finish_options[0].command, "https://example.com");
}

TEST_F(FinishOptionsTest, FreeListReplacesFixedOptions) {
  Settings("[完成后选项_主运行程序]\r\n显示=真\r\n"
           "[完成后选项_列表]\r\n次数=2\r\ny=200\r\n标题1=一\r\n可视1=真\r\n选中1=假\r\n程序1=a.exe\r\n"
           "标题2=二\r\n可视2=假\r\n选中2=真\r\n程序2=**C:\\b.exe**\r\n");
  ReadFinishOptions(ctx);
  const auto& o = ctx.wizard.finish_options;
  ASSERT_EQ(o.size(), 2u);
  EXPECT_EQ(o[0].title, "一");
  EXPECT_TRUE(o[0].visible);
  EXPECT_FALSE(o[0].checked);
  EXPECT_EQ(o[1].command, "**C:\\b.exe**");
  EXPECT_EQ(ctx.wizard.finish_base_y, "200");

  // Only the ticked option runs; a hidden one runs too when ticked.
  RunFinishOptions(ctx);
  ASSERT_EQ(shell_calls().size(), 1u);
  EXPECT_EQ(shell_calls()[0].file, "C:\\b.exe");
  EXPECT_TRUE(starts().empty());
}

TEST_F(FinishOptionsTest, OnlyACountOfZeroBringsTheFixedOptions) {
  const std::string fixed = "[完成后选项_主运行程序]\r\n显示=真\r\n";
  Settings(fixed + "[完成后选项_列表]\r\n次数=-1\r\n标题1=一\r\n");
  ReadFinishOptions(ctx);
  EXPECT_TRUE(ctx.wizard.finish_options.empty());
  Settings(fixed + "[完成后选项_列表]\r\n次数=0\r\n标题1=一\r\n");
  ReadFinishOptions(ctx);
  ASSERT_EQ(ctx.wizard.finish_options.size(), 1u);
  EXPECT_EQ(ctx.wizard.finish_options[0].title, "运行 演示 1.0");
}

TEST_F(FinishOptionsTest, HiddenBoxesTakeNoRow) {
  std::vector<FinishOption> options(4);
  options[0].visible = true;
  options[2].visible = true;
  options[3].visible = true;
  EXPECT_EQ(FinishBoxTops(options, ""), (std::vector<int>{132, 132, 158, 184}));
  EXPECT_EQ(FinishBoxTops(options, "0"), (std::vector<int>{132, 132, 158, 184}));
  EXPECT_EQ(FinishBoxTops(options, "100"), (std::vector<int>{100, 100, 126, 152}));
}

TEST_F(FinishOptionsTest, AfterInstallRuns) {
  Settings("[解压后运行的参数]\r\n欲运行的次数=3\r\n"
           "是否外部运行1=真\r\n参数运行文件名1=**a b.exe** /x\r\n是否隐藏窗口1=真\r\n"
           "是否等待返回1=真\r\n作用方案1=解压后运行\r\n"
           "参数运行文件名2=pre.exe\r\n作用方案2=解压前运行\r\n"
           "参数运行文件名3=post.exe\r\n作用方案3=解压后运行\r\n"
           "[卸载时运行命令]\r\n欲运行的次数=1\r\n参数运行文件名1=**u.exe**\r\n是否等待返回1=真\r\n");
  ReadAfterInstallRuns(ctx);
  const WizardState& w = ctx.wizard;
  ASSERT_EQ(w.post_install_runs.size(), 2u);
  EXPECT_EQ(w.post_install_runs[0].file, "\"a b.exe\" /x");
  EXPECT_EQ(w.post_install_runs[0].external, "真");
  EXPECT_TRUE(w.post_install_runs[0].hidden && w.post_install_runs[0].wait);
  EXPECT_EQ(w.post_install_runs[1].file, "post.exe");
  ASSERT_EQ(w.pre_install_runs.size(), 1u);
  EXPECT_EQ(w.pre_install_runs[0].file, "pre.exe");
  EXPECT_FALSE(w.pre_install_runs[0].hidden);
  ASSERT_EQ(w.uninstall_runs.size(), 1u);
  EXPECT_EQ(w.uninstall_runs[0].file, "**u.exe**");  // the uninstaller replaces "**" itself
  EXPECT_TRUE(w.uninstall_runs[0].wait);

  // A damaged count is cut, not read for ever.
  Settings("[解压后运行的参数]\r\n欲运行的次数=2000000000\r\n");
  ReadAfterInstallRuns(ctx);
  EXPECT_EQ(ctx.wizard.pre_install_runs.size(), static_cast<size_t>(kMaxListEntries));
}

}  // namespace
}  // namespace qmb
