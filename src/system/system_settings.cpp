// Start-up reading for the shortcut and uninstall-record steps.
#include "system/system_settings.h"

#include "base/text.h"
#include "startup/settings_loader.h"
#include "wizard/list_count.h"

namespace qmb {

namespace {

void ReadShortcutRecords(Context& ctx) {
  std::vector<ShortcutRecord>& records = ctx.system.shortcuts;
  records.clear();
  const int count =
      ListCount(ctx, ReadSettingIn(ctx, kShortcutSection, "欲运行的次数"), kShortcutSection);
  for (int n = 1; n <= count; ++n) {
    const std::string i = std::to_string(n);
    auto value = [&](const char* key) { return ReadSettingIn(ctx, kShortcutSection, key + i); };
    records.push_back({value("参数快捷方式名"),
                       value("参数文件名"),
                       value("参数命令行"),
                       value("参数生成位置"),
                       IsTrue(value("参数是否卸载")),
                       value("快捷方式图标"),
                       value("快捷方式描述"),
                       {}});
  }
  ctx.log.Step("shortcuts: " + std::to_string(records.size()) + " records");
}

std::string ReadWorkFile(Context& ctx, const char* name) {
  if (ctx.startup.work_folder.empty()) return {};
  return ctx.platform.files.ReadAll(ctx.startup.work_folder + name).value_or("");
}

}  // namespace

bool GeneratesUninstaller(const Context& ctx) {
  return ToInt(ReadSetting(ctx, "是否生成卸载程序")) == 1;
}

void ReadSystemSettings(Context& ctx) {
  ReadShortcutRecords(ctx);
  SystemState& s = ctx.system;
  s.small_picture = ReadWorkFile(ctx, "界面小图片.jpg");
  s.large_picture = ReadWorkFile(ctx, "界面大图片.jpg");
  s.uninstaller_icon = ReadWorkFile(ctx, "卸载程序图标.ico");
}

}  // namespace qmb
