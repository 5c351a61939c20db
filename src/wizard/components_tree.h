// The components tree as data: the items of the tree view `树型框1` in tree order, with their text,
// parent, item value, tick and expansion. The window only mirrors what this holds.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qmb {

inline constexpr char kBaseComponentsText[] = "基本组件";

// Item values the install script's binding lines give; also the shortcut kinds.
enum ShortcutKind : int { kKindDesktop = 1, kKindStartMenu = 2, kKindQuickLaunch = 3 };

struct TreeItem {
  std::string text;
  int parent = -1;  // position of the parent item; -1 for a top-level item
  int value = 0;    // item value: 1 fixes the tick while the user chooses; later the shortcut kind
  bool ticked = false;
  bool expanded = false;
};

class ComponentsTree {
 public:
  // The built-in tree: "基本组件" with the three shortcut kind items below it.
  static ComponentsTree BuiltIn();

  int Count() const { return static_cast<int>(items_.size()); }
  bool Has(int index) const { return index >= 0 && index < Count(); }
  // A parent that names no earlier item makes a top-level item. Returns the new position.
  int Add(std::string_view text, int parent, int value, bool ticked);
  void Clear() { items_.clear(); }

  const TreeItem& Item(int index) const { return items_.at(index); }
  TreeItem& Item(int index) { return items_.at(index); }
  // Number of ancestors of the item.
  int Depth(int index) const;
  // First item whose text equals text exactly; -1 when none.
  int Find(std::string_view text) const;
  // Tick as the check box's state: 1 ticked, 0 clear, -1 when the item does not exist.
  int CheckState(int index) const;

 private:
  std::vector<TreeItem> items_;
};

// The item that switches a shortcut kind: the first item whose value is the kind, else the kind's
// place below "基本组件"; -1 when neither exists.
int FindKindItem(const ComponentsTree& tree, int kind);

}  // namespace qmb
