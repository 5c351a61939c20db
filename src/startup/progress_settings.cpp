// Progress-line templates and the details-list mode, read from the loaded settings.
#include "startup/progress_settings.h"

#include "base/text.h"
#include "base/value_store.h"
#include "startup/settings_loader.h"

namespace qmb {

namespace {

constexpr char kTemplatesRecord[] = "安装3";

// One per kind of line: unpacked file, shortcut, program run, uninstaller.
const char* const kBuiltInTemplates[] = {
    "正在解压: %Default%",
    "创建快捷方式: %Default%",
    "正在运行: %Default%",
    "创建卸载程序: %Default%",
};

}  // namespace

void LoadProgressSettings(Context& ctx) {
  std::vector<std::string>& templates = ctx.wizard.progress_templates;
  std::optional<std::string> record = StoreFind(ctx.settings.gui_text, kTemplatesRecord);
  if (record) {
    if (*record == kStoreEmptyValue) record->clear();
    templates = SplitGbk(*record, ',');
  } else {
    templates.assign(std::begin(kBuiltInTemplates), std::end(kBuiltInTemplates));
  }
  ctx.progress.details_list_mode = ToInt(ReadSetting(ctx, "安装过程_列表"));
  ctx.log.Step("progress lines: " + std::to_string(templates.size()) + " template(s)" +
               (record ? "" : " (built-in)") + ", details-list mode " +
               std::to_string(ctx.progress.details_list_mode));
}

}  // namespace qmb
