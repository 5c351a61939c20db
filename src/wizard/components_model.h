// The components page's decisions: filling the tree from the install script, the default ticks,
// the tick rules and the description of the selected item. The window code only mirrors the
// tree in ctx.wizard.tree and shows the texts these return.
#pragma once

#include <functional>
#include <string>

#include "context/context.h"

namespace qmb {

// Fills the tree from the "Treelists" block of the install script; false (tree left as it is)
// when the block lists no components.
bool FillComponentsTree(Context& ctx);

// Ticks the three built-in items from "基本组件勾选" (entries split at "，"), and "基本组件" when
// all three are ticked.
void ApplyDefaultTicks(Context& ctx);

// The user changed item's tick to state (1 ticked, 0 clear). A fixed item (value 1) takes its old
// tick back; otherwise, unless the check callback answers 1, the following deeper items take the
// same tick (fixed ones skipped). True when the check callback answered 1: the DLL decides the
// other ticks, and may have set them on the tree view itself.
bool OnTreeTickChanged(Context& ctx, int item, int state);

// The selected item's description, shown through show: its "describe" body without the line
// break the body starts with (a body of just that line break is a blank description), else the
// built-in text of the shortcut kind the item stands for. Without a body the support DLL's
// description callback is called afterwards, so the text it writes into the box stays. show is not
// called when there is nothing to show; the box then keeps its text.
void DescribeTreeItem(Context& ctx, int item, const std::function<void(const std::string&)>& show);

}  // namespace qmb
