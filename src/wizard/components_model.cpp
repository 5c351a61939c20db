// The components page's decisions over the tree data.
#include "wizard/components_model.h"

#include "base/text.h"
#include "script/script_text.h"
#include "startup/settings_catalogue.h"
#include "startup/settings_loader.h"

namespace qmb {

namespace {

const char* const kKindDescriptions[] = {
    "安装完该软件后将应用主程序增加至桌面快捷方式",
    "在开始的菜单文件夹里增加快捷方式的组件",
    "在快速运行烂里增加启动主程序的快捷方式",
};

void ReadTreeGeometry(Context& ctx) {
  std::string body = FindScriptSection(ctx.script.text, kTreeBlock, kScriptUnzip).body;
  std::vector<std::string> parts = SplitGbk(body, ',');
  if (parts.size() != 4) {
    if (!body.empty()) ctx.log.Step("tree geometry ignored: " + std::to_string(parts.size()) +
                                    " numbers instead of 4");
    return;
  }
  ctx.wizard.tree_geometry =
      TreeGeometry{ToInt(Trim(parts[0])), ToInt(Trim(parts[1])), ToInt(Trim(parts[2])),
                   ToInt(Trim(parts[3]))};
}

}  // namespace

bool FillComponentsTree(Context& ctx) {
  ReadTreeGeometry(ctx);
  std::string body = FindScriptSection(ctx.script.text, kTreeBlock, kScriptInstall).body;
  // The body starts with its own line break; blank lines name no item and take no position.
  std::vector<std::vector<std::string>> lines;
  for (const std::string& line : Split(body, "\r\n"))
    if (!Trim(line).empty()) lines.push_back(Split(line, "$,"));
  if (lines.empty()) return false;

  ComponentsTree& tree = ctx.wizard.tree;
  tree.Clear();
  for (const auto& fields : lines) {
    auto field = [&fields](size_t i) { return i < fields.size() ? fields[i] : std::string(); };
    int value = fields.size() > 5 ? ToInt(field(5)) : 0;
    tree.Add(field(0), ToInt(field(1)), value, ToInt(field(2)) == 1);
  }
  for (size_t i = 0; i < lines.size(); ++i)
    if (lines[i].size() > 3 && IsTrue(lines[i][3])) tree.Item(static_cast<int>(i)).expanded = true;
  ctx.log.Step("components tree: " + std::to_string(tree.Count()) + " items");
  return true;
}

void ApplyDefaultTicks(Context& ctx) {
  ComponentsTree& tree = ctx.wizard.tree;
  std::vector<std::string> entries = Split(ReadSetting(ctx, "基本组件勾选"), "，");
  bool all = true;
  for (int i = 1; i <= 3; ++i) {
    ctx.platform.dialogs.ProcessPendingMessages();
    bool tick = static_cast<size_t>(i) <= entries.size() && IsTrue(entries[i - 1]);
    if (tree.Has(i)) tree.Item(i).ticked = tick;
    all = all && tick;
  }
  if (tree.Has(0)) tree.Item(0).ticked = all;
}

bool OnTreeTickChanged(Context& ctx, int item, int state) {
  ComponentsTree& tree = ctx.wizard.tree;
  if (!tree.Has(item)) return false;
  bool ticked = state == 1;
  if (tree.Item(item).value == 1) {
    tree.Item(item).ticked = !ticked;
    return false;
  }
  tree.Item(item).ticked = ticked;
  if (ctx.wizard.tree_check_callback) {
    std::optional<int> answer = ctx.wizard.tree_check_callback(item, state);
    if (answer && *answer == 1) return true;
  }
  int depth = tree.Depth(item);
  for (int i = item + 1; i < tree.Count() && tree.Depth(i) > depth; ++i)
    if (tree.Item(i).value != 1) tree.Item(i).ticked = ticked;
  return false;
}

void DescribeTreeItem(Context& ctx, int item, const std::function<void(const std::string&)>& show) {
  const ComponentsTree& tree = ctx.wizard.tree;
  if (!tree.Has(item)) return;
  const std::string body =
      FindScriptSection(ctx.script.text, tree.Item(item).text, kScriptDescribe).body;
  if (!body.empty()) {
    // The packaging tool starts every body on a new line; the box shows the text from its first
    // line, and a body of that line break alone is a blank description.
    show(StartsWith(body, "\r\n") ? body.substr(2) : body);
    return;
  }
  // An item without a description must not go on showing the one selected before it.
  show("");
  for (int kind = kKindDesktop; kind <= kKindQuickLaunch; ++kind)
    if (FindKindItem(tree, kind) == item) show(kKindDescriptions[kind - 1]);
  // Last, so that whatever the support DLL writes into the box stays there.
  if (ctx.wizard.description_callback) ctx.wizard.description_callback(item);
}

}  // namespace qmb
