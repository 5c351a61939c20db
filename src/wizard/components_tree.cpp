// The components tree as data.
#include "wizard/components_tree.h"

namespace qmb {

ComponentsTree ComponentsTree::BuiltIn() {
  ComponentsTree tree;
  int base = tree.Add(kBaseComponentsText, -1, 0, false);
  tree.Add("桌面快捷方式", base, 0, false);
  tree.Add("开始菜单组件", base, 0, false);
  tree.Add("快速启动栏", base, 0, false);
  return tree;
}

int ComponentsTree::Add(std::string_view text, int parent, int value, bool ticked) {
  // Only an earlier item can be a parent, which also keeps the parent chains free of cycles.
  if (parent < 0 || parent >= Count()) parent = -1;
  items_.push_back(TreeItem{std::string(text), parent, value, ticked, false});
  return Count() - 1;
}

int ComponentsTree::Depth(int index) const {
  int depth = 0;
  for (int p = Item(index).parent; p >= 0; p = Item(p).parent) ++depth;
  return depth;
}

int ComponentsTree::Find(std::string_view text) const {
  for (int i = 0; i < Count(); ++i)
    if (items_[i].text == text) return i;
  return -1;
}

int ComponentsTree::CheckState(int index) const {
  if (!Has(index)) return -1;
  return items_[index].ticked ? 1 : 0;
}

int FindKindItem(const ComponentsTree& tree, int kind) {
  if (kind < kKindDesktop || kind > kKindQuickLaunch) return -1;
  for (int i = 0; i < tree.Count(); ++i)
    if (tree.Item(i).value == kind) return i;
  int base = tree.Find(kBaseComponentsText);
  if (base >= 0 && tree.Has(base + kind)) return base + kind;
  return -1;
}

}  // namespace qmb
