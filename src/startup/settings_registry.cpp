// Registry values read as text for the settings.
#include "startup/settings_registry.h"

namespace qmb {

std::string ReadRegistryText(Context& ctx, RegRoot root, const std::string& key,
                             const std::string& name) {
  RegView view = ctx.platform.env.Is64BitWindows() ? RegView::k64 : RegView::kDefault;
  auto value = ctx.platform.registry.QueryString(root, key, name, view);
  if (!value) {
    ctx.log.Step("registry value absent: " + key + "\\" + name);
    return {};
  }
  return *value;
}

}  // namespace qmb
