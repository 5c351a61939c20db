// The start-up window's creation steps over a recording window.
#include "flow/startup_flow.h"

#include <gtest/gtest.h>

#include "context/context.h"
#include "platform/host/host_platform.h"
#include "startup/settings_variables.h"

namespace qmb {
namespace {

class RecordingWindow : public StartupWindowPort {
 public:
  void CreateMessageWindow(const std::string& c) override { caption = c; }
  void SetVisible(bool v) override { visible.push_back(v); }
  void Close() override { closed = true; }
  void OpenUninstallWindow() override { uninstall_window = true; }
  void OpenWizard() override {
    wizard = true;
    events.push_back("wizard made");
  }
  void ShowFirstWizardPage() override { events.push_back("first page"); }
  void ArmDirectInstall() override { direct = true; }
  // The window's steps and the log's lines in the order they came.
  void Record(Context& ctx) {
    ctx.log.SetSink([this](std::string_view line) { events.emplace_back(line); });
  }
  size_t Position(const std::string& start) const {
    for (size_t i = 0; i < events.size(); ++i)
      if (events[i].rfind(start, 0) == 0) return i;
    return events.size();
  }
  std::string caption;
  std::vector<std::string> events;
  bool wizard = false;
  bool direct = false;
  std::vector<bool> visible;
  bool closed = false;
  bool uninstall_window = false;
};

TEST(StartupFlow, InstallerResetsDllFolderShowsWindowAndRemovesWorkFolder) {
  HostPlatform host;
  Context ctx(host.platform());
  ASSERT_TRUE(host.files().CreateDirectory("C:\\Temp\\qmb_dll"));
  ASSERT_TRUE(host.files().WriteAll("C:\\Temp\\qmb_dll\\old.dll", "MZ"));
  RecordingWindow window;
  bool dll_folder_gone_before_package_step = false;
  auto package_step = [&] {
    dll_folder_gone_before_package_step = !host.files().Exists("C:\\Temp\\qmb_dll");
    ctx.startup.run_folder = "C:\\pkg";
    ctx.startup.work_folder = "C:\\Temp\\5.tmp\\";
    host.files().CreateDirectory("C:\\Temp\\5.tmp");
    return 1;
  };
  window.Record(ctx);
  EXPECT_EQ(RunStartupWindowCreation(ctx, window, package_step, 4198400), StartupOutcome::kShown);
  // The DLLs start between the making of the wizard and its first page: they can reach its
  // controls, and what they change shows from the first page on.
  const size_t dlls = window.Position("start-up: installer");
  ASSERT_LT(dlls, window.events.size());
  EXPECT_LT(window.Position("wizard made"), dlls);
  EXPECT_GT(window.Position("first page"), dlls);
  EXPECT_LT(window.Position("first page"), window.events.size());
  EXPECT_TRUE(dll_folder_gone_before_package_step);
  EXPECT_EQ(window.caption, "备用的传递消息I_4198400");
  EXPECT_EQ(window.visible, std::vector<bool>{true});
  EXPECT_FALSE(window.closed);
  EXPECT_TRUE(window.wizard);
  EXPECT_FALSE(window.direct);
  EXPECT_TRUE(ctx.wizard.pages.built);
  EXPECT_EQ(ctx.startup.package_result, 1);
  EXPECT_FALSE(host.files().Exists("C:\\Temp\\5.tmp"));
}

TEST(StartupFlow, UninstallerKindAndRunModes) {
  HostPlatform host;
  {
    Context ctx(host.platform());
    RecordingWindow window;
    EXPECT_EQ(RunStartupWindowCreation(ctx, window, [] { return 2; }, 1), StartupOutcome::kClosed);
    EXPECT_TRUE(window.uninstall_window);
    EXPECT_TRUE(window.closed);
    EXPECT_EQ(window.caption, "备用的传递消息I_1");  // made before the branch
  }
  {
    // An uninstaller package started with exactly one argument takes the installer's way.
    Context ctx(host.platform());
    ctx.startup.arguments = {"x"};
    RecordingWindow window;
    EXPECT_EQ(RunStartupWindowCreation(ctx, window, [] { return 2; }, 1), StartupOutcome::kShown);
    EXPECT_FALSE(window.closed);
    EXPECT_FALSE(window.uninstall_window);
    EXPECT_TRUE(window.wizard);
  }
  {
    // The direct mode shows the wizard and arms its timer; without an installer package there is
    // nothing to install and the timer stays off.
    for (int result : {1, 0}) {
      Context ctx(host.platform());
      ctx.startup.run_mode = kRunModeDirect;
      RecordingWindow window;
      RunStartupWindowCreation(ctx, window, [result] { return result; }, 1);
      EXPECT_TRUE(window.wizard);
      EXPECT_EQ(window.direct, result == 1);
      EXPECT_EQ(window.visible, std::vector<bool>{true});
    }
  }
}

TEST(StartupFlow, BackgroundModeInstallsAtOnceAndEndsWithTheOutcome) {
  HostPlatform host;
  {
    // The package's own "安装模式" is settled before start-up looks at the run mode, so the
    // window of a package set to install in the background never shows.
    Context ctx(host.platform());
    RecordingWindow window;
    auto package_step = [&] {
      ctx.startup.work_folder = "C:\\Temp\\7.tmp\\";
      host.files().CreateDirectory("C:\\Temp\\7.tmp");
      ctx.settings.data.Set(kMainSection, "安装模式", kRunModeBackground);
      ctx.settings.data.Set(kMainSection, "安装位置", "C:\\Program Files\\Demo");
      ctx.settings.data.Set(kMainSection, "safe", "pw");
      return 1;
    };
    EXPECT_EQ(RunStartupWindowCreation(ctx, window, package_step, 1), StartupOutcome::kClosed);
    EXPECT_TRUE(window.visible.empty());
    EXPECT_TRUE(window.closed);
    EXPECT_FALSE(window.wizard);
    EXPECT_EQ(ctx.wizard.install_folder, "C:\\Program Files\\Demo");
    EXPECT_TRUE(host.dialogs().message_boxes().empty());
    // No archive library in this test: the main run fails, and the exit code says so.
    EXPECT_EQ(ctx.outcome.result, InstallResult::kExtractionFailed);
    EXPECT_EQ(host.processes().exits(), std::vector<uint32_t>{2});
    EXPECT_FALSE(host.files().Exists("C:\\Temp\\7.tmp"));
  }
  {
    // Nothing to install: the hidden process does not linger.
    Context ctx(host.platform());
    ctx.startup.run_mode = kRunModeBackground;
    RecordingWindow window;
    EXPECT_EQ(RunStartupWindowCreation(ctx, window, [] { return 0; }, 1), StartupOutcome::kClosed);
    EXPECT_TRUE(window.visible.empty());
    EXPECT_EQ(ctx.outcome.result, InstallResult::kNoPackage);
    EXPECT_EQ(host.processes().exits(), (std::vector<uint32_t>{2, 1}));
  }
}

}  // namespace
}  // namespace qmb
