// Tests of the uninstall page's option boxes and tick lists.
#include "uninstall/option_boxes.h"

#include <gtest/gtest.h>

#include "context/context.h"
#include "platform/host/host_platform.h"
#include "uninstall/recording_uninstall_view.h"

namespace qmb {
namespace {

constexpr char kThreeOptions[] =
    "[卸载选项]\r\n次数=3\r\ny=24,150\r\n"
    "标题1=删除存档\r\n可视1=真\r\n选中1=真\r\n程序1=[真]cmd /c echo 1\r\n"
    "标题2=隐藏项\r\n可视2=假\r\n选中2=真\r\n程序2=\r\n"
    "标题3=删除设置\r\n可视3=真\r\n选中3=假\r\n程序3=[真]x.exe\r\n";

class OptionBoxesTest : public ::testing::Test {
 protected:
  OptionBoxesTest() : ctx(host.platform()) { ctx.uninstall.view = &view; }
  HostPlatform host;
  Context ctx;
  RecordingUninstallView view;
};

TEST_F(OptionBoxesTest, HiddenBoxTakesNoRoom) {
  ctx.uninstall.record_ini = IniFile(kThreeOptions);
  BuildOptionBoxes(ctx);
  ASSERT_EQ(view.boxes.size(), 3u);
  EXPECT_EQ(view.boxes[0].left, 24);
  EXPECT_EQ(view.boxes[0].top, 150);
  EXPECT_FALSE(view.boxes[1].visible);
  EXPECT_EQ(view.boxes[2].top, 150 + kOptionRowHeight);
  EXPECT_EQ(view.boxes[2].caption, "删除设置");
  EXPECT_TRUE(view.boxes[0].ticked);
  EXPECT_FALSE(view.boxes[2].ticked);
  EXPECT_EQ(ctx.uninstall.option_boxes[2].program, "[真]x.exe");
}

TEST_F(OptionBoxesTest, NoBoxesWithoutAPositionOfExactlyTwoParts) {
  for (const char* y : {"", "24", "24,150,3"}) {
    ctx.uninstall.record_ini =
        IniFile(std::string("[卸载选项]\r\n次数=1\r\ny=") + y + "\r\n标题1=a\r\n可视1=真\r\n");
    EXPECT_TRUE(LayOutOptionBoxes(ctx, ctx.uninstall.record_ini).empty()) << y;
  }
}

TEST_F(OptionBoxesTest, TickListSetsTheBoxesItNamesAndTheRestComeFromTheWindow) {
  ctx.uninstall.record_ini = IniFile(kThreeOptions);
  BuildOptionBoxes(ctx);
  view.boxes[2].ticked = true;  // the user ticked the third box
  ctx.uninstall.tick_list = "假,真";
  ApplyTickList(ctx);
  const std::vector<OptionBox>& boxes = ctx.uninstall.option_boxes;
  EXPECT_FALSE(boxes[0].ticked);
  EXPECT_TRUE(boxes[1].ticked);
  EXPECT_TRUE(boxes[2].ticked);
  EXPECT_FALSE(view.boxes[0].ticked);
}

}  // namespace
}  // namespace qmb
