// Tests of the components tree: filling from the script, default ticks, tick rules, descriptions.
#include "wizard/components_model.h"

#include <gtest/gtest.h>

#include "platform/host/host_platform.h"
#include "script/script_test_support.h"

namespace qmb {
namespace {

class ComponentsModelTest : public ::testing::Test, public test::ScriptFixture {
 protected:
  ComponentsTree& tree() { return ctx.wizard.tree; }
  std::vector<bool> Ticks() {
    std::vector<bool> ticks;
    for (int i = 0; i < tree().Count(); ++i) ticks.push_back(tree().Item(i).ticked);
    return ticks;
  }
  // 0 A > 1 A1 > 2 A11; 3 A2 (fixed) below A; 4 B top-level.
  void FillSample(const std::string& geometry = "") {
    ctx.script.text = test::ScriptBlock("Treelists",
                                        "\r\nA$,-1$,1$,真$,x"
                                        "\r\nA1$,0$,1$,假$,x"
                                        "\r\nA11$,1$,1$,$,x"
                                        "\r\nA2$,0$,1$,$,x$,1"
                                        "\r\nB$,99$,0$,真$,x$,7",
                                        geometry);
    ASSERT_TRUE(FillComponentsTree(ctx));
  }
};

TEST_F(ComponentsModelTest, FillsTheTreeFromTheScript) {
  FillSample("\r\n10, 20,300,200");
  ASSERT_EQ(tree().Count(), 5);
  EXPECT_EQ(tree().Item(2).text, "A11");
  EXPECT_EQ(tree().Item(2).parent, 1);
  EXPECT_EQ(tree().Depth(2), 2);
  EXPECT_EQ(tree().Item(4).parent, -1);  // a position with no item: top level
  EXPECT_EQ(tree().Item(3).value, 1);
  EXPECT_EQ(tree().Item(4).value, 7);
  EXPECT_TRUE(tree().Item(0).expanded);
  EXPECT_FALSE(tree().Item(1).expanded);
  EXPECT_EQ(Ticks(), (std::vector<bool>{true, true, true, true, false}));
  ASSERT_TRUE(ctx.wizard.tree_geometry.has_value());
  EXPECT_EQ(ctx.wizard.tree_geometry->top, 20);
  EXPECT_EQ(ctx.wizard.tree_geometry->height, 200);
}

TEST_F(ComponentsModelTest, WithoutComponentsTheBuiltInTreeStays) {
  ctx.script.text = test::ScriptBlock("Treelists", "", "\r\n10,20,300");
  EXPECT_FALSE(FillComponentsTree(ctx));
  EXPECT_EQ(tree().Count(), 4);
  EXPECT_EQ(tree().Item(0).text, kBaseComponentsText);
  EXPECT_FALSE(ctx.wizard.tree_geometry.has_value());  // three numbers: ignored
}

TEST_F(ComponentsModelTest, TicksSpreadToDeeperFollowingItemsOnly) {
  FillSample();
  OnTreeTickChanged(ctx, 0, 0);
  // A's descendants follow except the fixed A2; B (not deeper) keeps its tick.
  EXPECT_EQ(Ticks(), (std::vector<bool>{false, false, false, true, false}));
  OnTreeTickChanged(ctx, 2, 1);  // ticking a child does not tick its parent
  EXPECT_EQ(Ticks(), (std::vector<bool>{false, false, true, true, false}));
  OnTreeTickChanged(ctx, 1, 1);
  EXPECT_EQ(Ticks(), (std::vector<bool>{false, true, true, true, false}));
  // A fixed item takes its tick back.
  OnTreeTickChanged(ctx, 3, 0);
  EXPECT_TRUE(tree().Item(3).ticked);
}

TEST_F(ComponentsModelTest, CheckCallbackCanStopTheSpreading) {
  FillSample();
  std::vector<std::pair<int, int>> calls;
  std::optional<int> answer = 1;
  ctx.wizard.tree_check_callback = [&](int item, int state) {
    calls.emplace_back(item, state);
    return answer;
  };
  OnTreeTickChanged(ctx, 0, 0);
  EXPECT_EQ(Ticks(), (std::vector<bool>{false, true, true, true, false}));
  answer = std::nullopt;  // a failed call does not stop it
  OnTreeTickChanged(ctx, 1, 0);
  EXPECT_EQ(Ticks(), (std::vector<bool>{false, false, false, true, false}));
  EXPECT_EQ(calls, (std::vector<std::pair<int, int>>{{0, 0}, {1, 0}}));
}

TEST_F(ComponentsModelTest, DefaultTicks) {
  ctx.settings.data = IniFile("[禾木软件安装配置]\r\n基本组件勾选=真，真，假\r\n");
  ApplyDefaultTicks(ctx);
  EXPECT_EQ(Ticks(), (std::vector<bool>{false, true, true, false}));
  EXPECT_EQ(host.dialogs().pending_message_calls(), 3);
  ctx.settings.data = IniFile("[禾木软件安装配置]\r\n基本组件勾选=真，真，真\r\n");
  ApplyDefaultTicks(ctx);
  EXPECT_EQ(Ticks(), (std::vector<bool>{true, true, true, true}));
  ctx.settings.data = IniFile("[禾木软件安装配置]\r\n基本组件勾选=真\r\n");
  ApplyDefaultTicks(ctx);
  EXPECT_EQ(Ticks(), (std::vector<bool>{false, true, false, false}));
}

TEST_F(ComponentsModelTest, KindItemsAndDescriptions) {
  EXPECT_EQ(FindKindItem(tree(), kKindStartMenu), 2);
  tree().Item(2).ticked = true;
  EXPECT_EQ(tree().CheckState(FindKindItem(tree(), kKindStartMenu)), 1);
  tree().Item(0).value = kKindQuickLaunch;  // an item bound by value comes first
  EXPECT_EQ(FindKindItem(tree(), kKindQuickLaunch), 0);

  ComponentsTree flat;
  flat.Add("x", -1, 0, true);
  EXPECT_EQ(FindKindItem(flat, kKindDesktop), -1);
  EXPECT_EQ(flat.CheckState(FindKindItem(flat, kKindDesktop)), -1);
}

// The description box as the window holds it, and a support DLL's callback that notes what the
// box held when it was called and writes its own text into it.
class DescriptionTest : public ComponentsModelTest {
 protected:
  void AttachCallback() {
    ctx.wizard.description_callback = [this](int item) {
      seen_by_callback.push_back(box);
      box = "DLL " + std::to_string(item);
    };
  }
  void Select(int item) {
    DescribeTreeItem(ctx, item, [this](const std::string& text) { box = text; });
  }
  std::string box = "unchanged";
  std::vector<std::string> seen_by_callback;
};

TEST_F(DescriptionTest, TheCallbackComesAfterTheBuiltInTextAndMayReplaceIt) {
  Select(1);
  EXPECT_EQ(box, "安装完该软件后将应用主程序增加至桌面快捷方式");
  Select(0);  // no body and no kind: the previous item's text goes
  EXPECT_EQ(box, "");

  AttachCallback();
  Select(2);
  EXPECT_EQ(seen_by_callback, std::vector<std::string>{"在开始的菜单文件夹里增加快捷方式的组件"});
  EXPECT_EQ(box, "DLL 2");  // what the DLL wrote stays
  Select(7);  // no such item
  EXPECT_EQ(seen_by_callback.size(), 1u);
}

TEST_F(DescriptionTest, ABodyIsShownWithoutTheCallbackEvenWhenBlank) {
  ctx.script.text = test::ScriptBlock("开始菜单组件", "", "", "", "\r\n自定义说明\r\n第二行") +
                    test::ScriptBlock("桌面快捷方式", "", "", "", "\r\n") +
                    test::ScriptBlock("快速启动栏", "");
  AttachCallback();
  Select(2);
  EXPECT_EQ(box, "自定义说明\r\n第二行");
  Select(1);  // a body of one line break is a blank description, not a missing one
  EXPECT_EQ(box, "");
  EXPECT_TRUE(seen_by_callback.empty());
  Select(3);  // an empty body is none: built-in text, then the callback
  EXPECT_EQ(seen_by_callback, std::vector<std::string>{"在快速运行烂里增加启动主程序的快捷方式"});
  EXPECT_EQ(box, "DLL 3");
}

}  // namespace
}  // namespace qmb
