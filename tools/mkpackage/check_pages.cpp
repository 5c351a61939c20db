// The wizard's optional pages against what the project asks of the user: a component the user may
// tick or clear needs the components page, or its tick stays as the script set it.
#include "base/text.h"
#include "check_context.h"
#include "startup/settings_catalogue.h"

namespace qmb::mkpackage {

void CheckPages(CheckContext& c) {
  const std::string* script = c.Settings("choolantern.ini");
  if (!script || script->find(std::string(kTreeBlock) + "\r\n") == std::string::npos) return;
  if (IsTrue(c.data.Value(kPagesSection, "选择组件可视"))) return;
  const ComponentsTree tree = ReadTree(*script);
  for (int i = 0; i < tree.Count(); ++i) {
    if (tree.Item(i).value == 1) continue;  // a fixed tick: nothing to choose
    c.Add(Severity::kWarning, "settings/data.ini", 0, "选择组件可视",
          "the component \"" + tree.Item(i).text +
              "\" can be ticked or cleared, but the components page is hidden: set "
              "选择组件可视=真 in [" + std::string(kPagesSection) + "]");
    return;
  }
}

}  // namespace qmb::mkpackage
