// Tests of the uninstaller's run-mode decisions and the "x_show" override.
#include "uninstall/run_mode.h"

#include <gtest/gtest.h>

#include "context/context.h"
#include "platform/host/host_platform.h"
#include "uninstall/uninstall_state.h"

namespace qmb {
namespace {

const SwitchWords kWords{"-jp", "-hideend", "-hp"};

struct ModeCase {
  const char* switches;
  const char* mode;
  int flags;
  bool at_once;
  bool finishes;  // no last page
};

TEST(RunMode, EveryMixOfSwitchesAndRecordMode) {
  const ModeCase cases[] = {
      {"", "", 0, false, false},
      {"卸载 -jp ", "", 1, true, false},  // the last page still shows
      {"卸载 -hideend ", "", 2, false, false},  // waits for the button, shows the last page
      {"卸载 -jp -hideend ", "", 3, true, true},
      {"卸载 -hp ", "", 4, true, true},
      {"卸载 -hp -jp ", "", 4, true, true},
      {"卸载 -hp -hideend ", "", 4, true, true},
      {"卸载 -jp -hideend -hp ", "", 4, true, true},
      {"", "直接卸载", 1, true, false},
      {"卸载 -hideend ", "直接卸载", 3, true, true},
      {"卸载 -hp ", "直接卸载", 4, true, true},
      {"", "后台卸载", 4, true, true},
      {"卸载 -jp ", "后台卸载", 4, true, true},
      {"卸载 -hideend ", "后台卸载", 4, true, true},
      {"卸载 -jp ", "正常卸载", 1, true, false},
  };
  for (const ModeCase& c : cases) {
    SCOPED_TRACE(std::string(c.switches) + " / " + c.mode);
    const RunModeChoice choice = DecideRunMode(c.switches, c.mode, kWords);
    EXPECT_EQ(choice.flags, c.flags);
    EXPECT_EQ(choice.start_at_once, c.at_once);
    EXPECT_EQ(choice.hidden(), c.flags == kFlagHidden);
    EXPECT_EQ(choice.FinishesAfterRemoval(), c.finishes);
  }
}

TEST(RunMode, SwitchWordsComeFromTheRecordAndMatchExactly) {
  const IniFile record("[安装包命令行]\r\njp=/quiet\r\nhideend=\r\nhp=-HP\r\n");
  const SwitchWords words = ReadSwitchWords(record);
  EXPECT_EQ(words.jp, "/quiet");
  // The package's own words: "-jp" is no switch here, and case counts.
  EXPECT_EQ(DecideRunMode("卸载 -jp -hp ", "", words).flags, 0);
  EXPECT_EQ(DecideRunMode("卸载 /quiet ", "", words).flags, 1);
  EXPECT_EQ(DecideRunMode("卸载 -HP ", "", words).flags, 4);
  // A word the package leaves empty is the installer's default, as setup.exe reads it.
  EXPECT_EQ(words.hideend, "-hideend");
  EXPECT_EQ(DecideRunMode("卸载 -hideend ", "", words).flags, 2);
  const SwitchWords defaults =
      ReadSwitchWords(IniFile("[安装包命令行]\r\njp=\r\nhideend=\r\nhp=\r\n"));
  EXPECT_EQ(DecideRunMode("卸载 -hp ", "", defaults).flags, 4);
  EXPECT_EQ(DecideRunMode("卸载 -jp ", "", defaults).flags, 1);
  // An empty word given to the decision is still no switch, though the empty text is everywhere.
  EXPECT_EQ(DecideRunMode("卸载 -hideend ", "", SwitchWords{}).flags, 0);
}

TEST(RunMode, ShowFileOverridesTheVisibilityAndGoes) {
  HostPlatform host;
  Context ctx(host.platform());
  const std::string show = "C:\\Temp\\x_show";
  const RunModeChoice hidden = DecideRunMode("", "后台卸载", kWords);
  const RunModeChoice normal = DecideRunMode("", "", kWords);

  EXPECT_FALSE(DecideVisibility(ctx, hidden));
  EXPECT_TRUE(DecideVisibility(ctx, normal));

  ASSERT_TRUE(host.files().WriteAll(show, "真"));
  EXPECT_TRUE(DecideVisibility(ctx, hidden));
  EXPECT_FALSE(host.files().Exists(show));

  ASSERT_TRUE(host.files().WriteAll(show, "真 "));  // anything but exactly "真" hides
  EXPECT_FALSE(DecideVisibility(ctx, normal));
  EXPECT_FALSE(host.files().Exists(show));

  ASSERT_TRUE(host.files().WriteAll(show, ""));  // empty: as if there were none
  EXPECT_FALSE(DecideVisibility(ctx, hidden));
  EXPECT_TRUE(DecideVisibility(ctx, normal));
  EXPECT_FALSE(host.files().Exists(show));
}

}  // namespace
}  // namespace qmb
