// Carrying out install script sections: binding lines, the list commands and program lines, each
// line only when its condition matches the component's tick in the components tree.
#pragma once

#include <string>
#include <string_view>

#include "context/context.h"

namespace qmb {

// 1 ticked, 0 not ticked, -1 when no tree item has exactly that text.
int IsComponentTicked(const Context& ctx, std::string_view component);

void RunScriptSection(Context& ctx, std::string_view body, std::string_view component);

// The lines of body against a tick state the caller decides instead of a component's (the
// uninstaller's option boxes pass 1 ticked, -1 not ticked, so an unticked box runs no line at
// all). Binding lines bind nothing here.
void RunScriptSectionWithTick(Context& ctx, std::string_view body, int tick);

// Runs one section ("Install", "Unzip" or "finish") for every item of the components tree in tree
// order, ticked or not: the lines test the tick themselves.
void RunComponentSections(Context& ctx, std::string_view section);

}  // namespace qmb
