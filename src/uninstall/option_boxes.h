// The uninstall page's option check boxes (record section "卸载选项") and their ticks: placed in a
// column from the "y" position, each visible box one row below the last; a controlling process may
// set the ticks with a tick list.
#pragma once

#include <string_view>
#include <vector>

#include "base/ini.h"
#include "uninstall/uninstall_state.h"

namespace qmb {

struct Context;

inline constexpr int kOptionRowHeight = 23;

// The boxes "次数" asks for, when "y" is exactly two numbers "left,top"; none otherwise.
std::vector<OptionBox> LayOutOptionBoxes(Context& ctx, const IniFile& record);

// Lays out the boxes into ctx.uninstall.option_boxes and makes them in the window.
void BuildOptionBoxes(Context& ctx);

// Ticks or clears box i by the i-th value of the tick list ("真" ticks; missing values leave the
// box as it is), then reads every box's state back from the window.
void ApplyTickList(Context& ctx);

}  // namespace qmb
