// Option boxes of the uninstall page.
#include "uninstall/option_boxes.h"

#include "base/text.h"
#include "context/context.h"
#include "startup/list_count.h"
#include "uninstall/uninstall_view.h"

namespace qmb {

namespace {

constexpr char kOptionSection[] = "卸载选项";

}  // namespace

std::vector<OptionBox> LayOutOptionBoxes(Context& ctx, const IniFile& record) {
  std::vector<OptionBox> boxes;
  const int count = ListCount(ctx, record.Value(kOptionSection, "次数"), kOptionSection);
  const std::vector<std::string> position = SplitGbk(record.Value(kOptionSection, "y"), ',');
  if (position.size() != 2) {
    if (count > 0) ctx.log.Step("uninstall: no position for the option boxes; none made");
    return boxes;
  }
  const int left = ToInt(position[0]);
  int top = ToInt(position[1]);
  for (int k = 1; k <= count; ++k) {
    const std::string n = std::to_string(k);
    OptionBox box;
    box.caption = record.Value(kOptionSection, "标题" + n);
    box.visible = IsTrue(record.Value(kOptionSection, "可视" + n));
    box.ticked = IsTrue(record.Value(kOptionSection, "选中" + n));
    box.program = record.Value(kOptionSection, "程序" + n);
    box.left = left;
    box.top = top;
    if (box.visible) top += kOptionRowHeight;  // a hidden box takes no room
    boxes.push_back(std::move(box));
  }
  return boxes;
}

void BuildOptionBoxes(Context& ctx) {
  UninstallState& state = ctx.uninstall;
  state.option_boxes = LayOutOptionBoxes(ctx, state.record_ini);
  if (state.view == nullptr) return;
  for (const OptionBox& box : state.option_boxes) state.view->AddOptionBox(box);
}

void ApplyTickList(Context& ctx) {
  UninstallState& state = ctx.uninstall;
  std::vector<std::string> ticks;
  if (!state.tick_list.empty()) ticks = SplitGbk(state.tick_list, ',');
  for (size_t i = 0; i < state.option_boxes.size(); ++i) {
    OptionBox& box = state.option_boxes[i];
    if (i < ticks.size()) {
      box.ticked = IsTrue(Trim(ticks[i]));
      if (state.view != nullptr) state.view->SetOptionTicked(i, box.ticked);
    } else if (state.view != nullptr) {
      box.ticked = state.view->IsOptionTicked(i);
    }
  }
}

}  // namespace qmb
