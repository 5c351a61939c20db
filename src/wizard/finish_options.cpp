// The finish page's options.
#include "wizard/finish_options.h"

#include "base/text.h"
#include "script/program_runs.h"
#include "startup/list_count.h"
#include "startup/settings_catalogue.h"
#include "startup/settings_loader.h"

namespace qmb {

namespace {

constexpr const char* kListSection = kFinishListSection;
constexpr int kRowHeight = 26;
constexpr int kDefaultBaseY = 132;

void AddFixedOptions(Context& ctx, std::vector<FinishOption>& options) {
  std::string main_exe = ReadSetting(ctx, "包内的程序名");
  if (!main_exe.empty() && IsTrue(ReadSettingIn(ctx, kFinishMainSection, "显示"))) {
    options.push_back(FinishOption{
        "运行 " + ReadSetting(ctx, "禾木软件名称") + " " + ReadSetting(ctx, "软件版本"),
        "\"%InstallPath%\\" + main_exe + "\"", true, true});
  }
  std::string program = ReadSettingIn(ctx, kFinishProgramSection, "文件路径");
  if (!program.empty()) {
    options.push_back(FinishOption{ReadSettingIn(ctx, kFinishProgramSection, "选项标题"),
                                   "\"%InstallPath%\\" + program + "\"",
                                   IsTrue(ReadSettingIn(ctx, kFinishProgramSection, "显示")),
                                   true});
  }
  std::string address = ReadSettingIn(ctx, kFinishWebSection, "网页地址");
  if (!address.empty()) {
    // "https" too begins with "http" and is left as it is.
    if (!StartsWith(address, "http")) address = "http://" + address;
    options.push_back(FinishOption{ReadSettingIn(ctx, kFinishWebSection, "选项标题"), address,
                                   IsTrue(ReadSettingIn(ctx, kFinishWebSection, "显示")),
                                   true});
  }
}

}  // namespace

void ReadFinishOptions(Context& ctx) {
  std::vector<FinishOption>& options = ctx.wizard.finish_options;
  options.clear();
  ctx.wizard.finish_base_y = ReadSettingIn(ctx, kListSection, "y");
  const std::string count_text = ReadSettingIn(ctx, kListSection, "次数");
  // Only a count of 0 (or none) brings the fixed options; a negative count offers nothing.
  if (ToInt(count_text) == 0) {
    AddFixedOptions(ctx, options);
  } else {
    const int count = ListCount(ctx, count_text, kListSection);
    for (int n = 1; n <= count; ++n) {
      std::string i = std::to_string(n);
      options.push_back(FinishOption{ReadSettingIn(ctx, kListSection, "标题" + i),
                                     ReadSettingIn(ctx, kListSection, "程序" + i),
                                     IsTrue(ReadSettingIn(ctx, kListSection, "可视" + i)),
                                     IsTrue(ReadSettingIn(ctx, kListSection, "选中" + i))});
    }
  }
  ctx.log.Step("finish options: " + std::to_string(options.size()));
}

std::vector<int> FinishBoxTops(const std::vector<FinishOption>& options,
                               const std::string& base_y) {
  int base = ToInt(base_y);
  if (base == 0) base = kDefaultBaseY;
  std::vector<int> tops;
  int hidden = 0;
  for (size_t i = 0; i < options.size(); ++i) {
    if (!options[i].visible) --hidden;
    tops.push_back((static_cast<int>(i) + hidden) * kRowHeight + base);
  }
  return tops;
}

void RunFinishOptions(Context& ctx) {
  for (const FinishOption& option : ctx.wizard.finish_options) {
    if (!option.checked) continue;
    ctx.log.Step("finish option: " + option.title);
    RunFinishOptionCommand(ctx, option.command);
  }
}

}  // namespace qmb
