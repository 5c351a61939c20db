// The finish page's options: read from the settings, placed as check boxes, run when ticked.
#pragma once

#include <string>
#include <vector>

#include "context/context.h"
#include "wizard/finish_option.h"

namespace qmb {

// Fills ctx.wizard.finish_options: the fixed options (main program, run program, web page) that
// are configured when "次数" of "完成后选项_列表" is 0, else that many options of the free list
// (none for a negative count).
void ReadFinishOptions(Context& ctx);

// Top of each option's check box: rows of 26 pixels from base_y ("y" as written; 0 or empty means
// 132), a hidden box taking no row.
std::vector<int> FinishBoxTops(const std::vector<FinishOption>& options,
                               const std::string& base_y);

// Runs the command of every ticked option in list order.
void RunFinishOptions(Context& ctx);

}  // namespace qmb
