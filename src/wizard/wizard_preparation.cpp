// The window-free part of the wizard preparation, in the order of the full preparation.
#include "wizard/wizard_preparation.h"

#include "base/text.h"
#include "base/value_store.h"
#include "context/context.h"
#include "script/script_text.h"
#include "startup/settings_loader.h"
#include "startup/settings_registry.h"
#include "system/registry_path.h"
#include "system/system_settings.h"
#include "system/windows_info.h"
#include "wizard/built_in_texts.h"
#include "wizard/after_install_runs.h"
#include "wizard/components_model.h"
#include "wizard/finish_options.h"

namespace qmb {
namespace {

constexpr char kBuiltInCaption[] = "禾木软件版本-安装向导";
constexpr char kGetReg[] = "GetReg(";

// A record's text without its font tag ("<font" ... "/>"), which only styles the control.
std::string WithoutFontTag(const std::string& text) {
  const size_t open = text.find("<font");
  if (open == std::string::npos) return text;
  const size_t close = text.find("/>", open);
  if (close == std::string::npos) return text;
  return text.substr(0, open) + text.substr(close + 2);
}

std::string WindowCaption(const Context& ctx) {
  std::optional<std::string> record = StoreFind(ctx.settings.gui_text, "窗口标题");
  return record ? WithoutFontTag(*record) : FillPlaceholders(ctx, kBuiltInCaption);
}

// A value as text through the 64-bit view on 64-bit Windows, else (or when that gives nothing)
// through the program's own view.
std::string ReadFolderValue(Context& ctx, RegRoot root, const std::string& key,
                            const std::string& name) {
  std::string value = ReadRegistryText(ctx, root, key, name);
  if (value.empty()) {
    value = ctx.platform.registry.QueryString(root, key, name, RegView::kDefault).value_or("");
  }
  return value;
}

// Where an earlier install of the product went, as its uninstall entry (written for 64-bit
// programs) says.
std::string PreviousLocation(Context& ctx) {
  return PathFrom64BitPrograms(
      ctx, ReadFolderValue(ctx, RegRoot::kLocalMachine,
                           kUninstallKey + ReadSetting(ctx, "禾木软件名称"), "InstallLocation"));
}

// "安装位置" may name a registry value, "GetReg(" root "\" key "\" value name ")": its value then
// is the whole folder, even when it is empty.
std::string DefaultLocation(Context& ctx) {
  const std::string folder = ReadSetting(ctx, "安装位置");
  if (folder.find(kGetReg) == std::string::npos) return folder;
  const std::string path = TextBetween(folder, kGetReg, ")");
  const size_t last = FindLastCharGbk(path, '\\');
  const std::string name = last == kNotFound ? "" : path.substr(last + 1);
  const std::optional<RegistryPath> where =
      ParseRegistryPath(path.substr(0, last == kNotFound ? path.size() : last), name, false);
  if (!where) {
    ctx.log.Failure("wizard: no registry root in " + folder);
    return {};
  }
  return ReadFolderValue(ctx, where->root, where->key, name);
}

std::string DefaultInstallFolder(Context& ctx) {
  const std::string prefer = ReadSetting(ctx, "选择框_优先二次路径");
  std::string folder;
  if (prefer.empty() || IsTrue(prefer)) {
    folder = PreviousLocation(ctx);
    if (!folder.empty()) ctx.log.Step("wizard: previous location " + folder);
  }
  ctx.wizard.previous_location_found = !folder.empty();
  return folder.empty() ? DefaultLocation(ctx) : folder;
}

std::string ReadImage(Context& ctx, const char* name) {
  if (ctx.startup.work_folder.empty()) return {};
  return ctx.platform.files.ReadAll(ctx.startup.work_folder + name).value_or("");
}

// What the command line left undecided comes from the package, before start-up acts on the run
// mode: a package set to install in the background must never show its window.
void SettleRunMode(Context& ctx) {
  StartupState& startup = ctx.startup;
  if (startup.run_mode.empty()) startup.run_mode = ReadSetting(ctx, "安装模式");
  if (startup.finish_page_switch == 0) {
    startup.finish_page_switch = IsTrue(ReadSetting(ctx, "安装后是否显示完成界面")) ? 1 : -1;
  }
  ctx.log.Step("wizard: run mode \"" + startup.run_mode + "\", finish page " +
               std::to_string(startup.finish_page_switch));
}

}  // namespace

void PrepareWizardModel(Context& ctx) {
  WizardState& wizard = ctx.wizard;
  wizard.window_caption = WindowCaption(ctx);
  // A folder given on the command line goes into the box, where the user sees it and may still
  // change it: what the box shows is what is installed.
  const std::string& given = ctx.startup.install_path_override;
  wizard.previous_location_found = false;
  wizard.install_folder = given.empty() ? DefaultInstallFolder(ctx) : given;
  wizard.folder_box = wizard.install_folder;
  ctx.log.Step("wizard: install folder \"" + wizard.install_folder + "\"");
  LoadScriptText(ctx);
  SettleRunMode(ctx);
  ReadSystemSettings(ctx);
  wizard.page_image = ReadImage(ctx, "界面图片.jpg");
  wizard.install_image = ReadImage(ctx, "界面安装时图像.jpg");
  ReadAfterInstallRuns(ctx);
  ReadFinishOptions(ctx);
  if (!FillComponentsTree(ctx)) ApplyDefaultTicks(ctx);
}

}  // namespace qmb
