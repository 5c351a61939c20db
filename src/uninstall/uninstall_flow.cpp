// The uninstaller's run.
#include "uninstall/uninstall_flow.h"

#include "base/path.h"
#include "base/text.h"
#include "base/value_store.h"
#include "context/context.h"
#include "extract/install_progress.h"
#include "script/script_runner.h"
#include "startup/dll_notifications.h"
#include "startup/settings_loader.h"
#include "startup/support_dlls.h"
#include "uninstall/option_boxes.h"
#include "uninstall/removal.h"
#include "uninstall/removal_lists.h"
#include "uninstall/removal_paths.h"
#include "uninstall/run_mode.h"
#include "uninstall/uninstall_data.h"
#include "uninstall/uninstall_messages.h"
#include "uninstall/uninstall_texts.h"
#include "uninstall/uninstall_view.h"

namespace qmb {

namespace {

constexpr char kRecordSection[] = "软件卸载配置";
constexpr char kLauncherFolder[] = "Uninstall";

// Ends a run whose data cannot be trusted: nothing is removed. A hidden run only logs it.
void RefuseDamagedData(Context& ctx, const std::string& problem, const IniFile& record) {
  UninstallState& state = ctx.uninstall;
  ctx.log.Failure("uninstall: " + problem + "; nothing is removed");
  const RunModeChoice mode = DecideRunMode(
      state.switch_text, record.Value(kRecordSection, "卸载模式"), ReadSwitchWords(record));
  if (!mode.hidden()) ctx.platform.dialogs.MessageBox(kDamagedDataMessage, "", kMbIconError);
  state.exit_code = kExitDamagedData;
  FinishUninstall(ctx);
}

void WriteWorkingFile(Context& ctx, const std::string& name, std::string_view data) {
  const std::string path = JoinPath(ctx.uninstall.working_folder, name);
  if (!ctx.platform.files.WriteAll(path, data)) ctx.log.Failure("uninstall: cannot write " + path);
}

// The settings files the support DLLs read, restored into the settings folder and loaded from
// there as start-up loads an installer's.
void RestoreSettings(Context& ctx, const std::string& settings) {
  UninstallState& state = ctx.uninstall;
  Files& files = ctx.platform.files;
  state.settings_folder = ctx.platform.env.TempFolder() + state.product_name + "\\";
  state.made_settings_folder = !files.IsDirectory(state.settings_folder);
  if (!files.CreateDirectory(state.settings_folder))
    ctx.log.Failure("uninstall: cannot make " + state.settings_folder);
  const std::vector<std::string> pieces = Split(settings, kUninstallBlobSeparator);
  for (size_t i = 0; i < std::size(kUninstallSettingsFiles); ++i) {
    const std::string path = state.settings_folder + kUninstallSettingsFiles[i];
    if (!files.WriteAll(path, i < pieces.size() ? pieces[i] : std::string()))
      ctx.log.Failure("uninstall: cannot write " + path);
  }
  ctx.startup.work_folder = state.settings_folder;
  LoadSettings(ctx);
}

void SetUpPage(Context& ctx) {
  UninstallState& state = ctx.uninstall;
  std::string picture;
  StoreGet(state.skin, "界面小图片", picture);
  if (picture == kStoreEmptyValue) picture.clear();
  StoreGet(state.skin, "版权", state.publisher);
  if (state.publisher == kStoreEmptyValue) state.publisher.clear();
  if (state.view != nullptr) {
    state.view->SetTexts(PageTexts(state));
    state.view->SetPicture(picture);
  }
  BuildOptionBoxes(ctx);
}

// The folder of our own program, when it is one the launcher made: only that one may go.
std::string OwnWorkingFolder(Context& ctx) {
  Env& env = ctx.platform.env;
  const std::string folder = ParentFolder(env.ModulePath());
  return IsBelowFolder(folder, env.TempFolder() + kLauncherFolder) ? folder : std::string();
}

// The launcher waits for this program, so it cannot be deleted while this program runs: a second
// run of this program, started as the last thing, deletes it once it has ended, and then the
// folders it kept.
void StartLauncherCleanup(Context& ctx) {
  const UninstallState& state = ctx.uninstall;
  if (state.launcher_left.empty()) return;
  std::string line = "\"" + ctx.platform.env.ModulePath() + "\" " + kCleanupWord + " \"" +
                     state.launcher_left + "\"";
  for (const std::string& folder : state.folders_left) line += " \"" + folder + "\"";
  if (ctx.platform.processes.Start(line, ShowMode::kHidden, false)) {
    ctx.log.Step("uninstall: clean-up started: " + line);
  } else {
    ctx.log.Failure("uninstall: cannot start the clean-up: " + line);
  }
}

// The clean-up run: arguments are the launcher, then folders, deepest first. The launcher goes as
// soon as it has ended (a bounded wait), then each folder that is empty.
void RemoveLauncherWhenEnded(Context& ctx, const std::vector<std::string>& arguments) {
  constexpr int kAttempts = 600;  // 100 ms apart: a minute
  Files& files = ctx.platform.files;
  if (arguments.empty() || CheckFullPath(arguments[0]) != PathProblem::kNone ||
      FileNameOf(arguments[0]) != "uninst.exe") {
    ctx.log.Failure("uninstall clean-up: no launcher to delete");
    return;
  }
  const std::string& launcher = arguments[0];
  ctx.uninstall.install_folder = ParentFolder(launcher);
  for (int attempt = 0; files.Exists(launcher) && !files.RemoveFile(launcher); ++attempt) {
    if (attempt == kAttempts) {
      ctx.log.Failure("uninstall clean-up: " + launcher + " stays in use; kept");
      return;
    }
    ctx.platform.processes.Sleep(100);
  }
  ctx.log.Step("uninstall clean-up: deleted " + launcher);
  for (size_t i = 1; i < arguments.size(); ++i) RemoveCreatedFolder(ctx, arguments[i]);
}

}  // namespace

void BecomeUninstaller(Context& ctx) {
  ctx.uninstall.active = true;
  ctx.progress.line_display = [&ctx](const std::string& line) {
    const UninstallState& uninstall = ctx.uninstall;
    if (uninstall.view != nullptr) {
      uninstall.view->SetStatusLine(line);
      uninstall.view->AddLogLine(line);
    }
    if (uninstall.line_callback) uninstall.line_callback(reinterpret_cast<intptr_t>(line.c_str()));
    ctx.log.Step("uninstall line: " + line);
  };
}

void StartUninstall(Context& ctx) {
  UninstallState& state = ctx.uninstall;
  BecomeUninstaller(ctx);
  const std::vector<std::string>& arguments = ctx.startup.arguments;
  if (arguments.empty()) {
    ctx.log.Step("uninstall: no arguments; nothing to do");
    ctx.platform.processes.Exit(0);
    return;
  }
  if (arguments[0] == kCleanupWord) {
    RemoveLauncherWhenEnded(ctx, std::vector<std::string>(arguments.begin() + 1, arguments.end()));
    ctx.platform.processes.Exit(0);
    return;
  }
  state.install_folder = NormalizePath(arguments[0]);
  state.working_folder = arguments.size() > 1 ? arguments[1] : std::string();
  for (size_t i = 2; i < arguments.size(); ++i) state.switch_text += arguments[i] + " ";
  ctx.wizard.install_folder = state.install_folder;
  ctx.log.Step("uninstall: install folder " + state.install_folder + ", working folder " +
               state.working_folder + ", switches \"" + state.switch_text + "\"");

  std::string problem;
  std::optional<UninstallData> data;
  const PathProblem folder_problem = CheckFullPath(state.install_folder);
  if (folder_problem != PathProblem::kNone) {
    problem = "install folder \"" + state.install_folder + "\" " +
              std::string(PathProblemText(folder_problem));
  } else {
    data = ReadUninstallData(ctx, JoinPath(state.install_folder, "uninst.dat"), problem);
  }
  if (data) {
    state.record = data->record;
    state.record_ini = IniFile(state.record);
    problem = RecordProblem(state.record, state.record_ini);
  }
  if (!problem.empty()) {
    RefuseDamagedData(ctx, problem, state.record_ini);
    return;
  }
  state.skin = data->skin;
  WriteWorkingFile(ctx, "uninst.ini", data->record);
  WriteWorkingFile(ctx, "uninst.dat", data->settings);
  if (state.view != nullptr) state.view->SetIcon(JoinPath(state.working_folder, "uninst.ico"));

  const IniFile& record = state.record_ini;
  state.product_name = record.Value(kRecordSection, "软件名称");
  state.main_program = record.Value(kRecordSection, "主程序名");
  state.version = record.Value(kRecordSection, "软件版本");
  RestoreSettings(ctx, data->settings);
  SetUpPage(ctx);
  StartSupportDlls(ctx);
  if (!ctx.support_dlls.loaded.empty())
    state.notify = [&ctx](int stage) { return RemovalTakenOver(ctx, stage); };
  ChooseRunMode(ctx);
}

void ChooseRunMode(Context& ctx) {
  UninstallState& state = ctx.uninstall;
  const RunModeChoice mode =
      DecideRunMode(state.switch_text, state.record_ini.Value(kRecordSection, "卸载模式"),
                    ReadSwitchWords(state.record_ini));
  state.flags = mode.flags;
  state.started_at_once = mode.start_at_once;
  const bool visible = DecideVisibility(ctx, mode);
  ctx.log.Step("uninstall: run-mode flags " + std::to_string(mode.flags) +
               (mode.start_at_once ? ", starts at once" : ", waits for the action button") +
               (visible ? ", window shown" : ", window hidden"));
  if (state.view == nullptr) return;
  state.view->SetVisible(visible);
  if (mode.start_at_once) state.view->StartRemovalSoon();
}

void RunRemoval(Context& ctx, ProgressCallback line_callback) {
  UninstallState& state = ctx.uninstall;
  if (line_callback) state.line_callback = std::move(line_callback);
  if (state.finished) {
    FinishUninstall(ctx);
    return;
  }
  if (state.removal_started) {
    ctx.log.Step("uninstall: the removal runs already");
    return;
  }
  state.removal_started = true;
  ctx.platform.dialogs.ProcessPendingMessages();
  ApplyTickList(ctx);
  for (const OptionBox& box : state.option_boxes)
    RunScriptSectionWithTick(ctx, box.program, box.ticked ? 1 : -1);
  if (NotifyRemoval(ctx, 1)) {
    state.taken_over = true;
    return;
  }

  ShowProgressLine(ctx, kLineGathering);
  state.file_list = FilterFileList(ctx, FileListOf(state.record));
  state.registry_list = RegistryListOf(state.record);
  if (state.view != nullptr) {
    state.view->SetActionButton(kActionCaption, false);
    state.view->ShowProgressPage();
    state.view->SetHeading(RemovingHeading(), RemovingSubheading(state));
  }
  RunUninstallCommands(ctx);
  RemoveAll(ctx);
  NotifyRemoval(ctx, 2);
  if (state.started_at_once && state.flags >= 2) FinishUninstall(ctx);
}

bool MayClose(const Context& ctx) {
  const UninstallState& state = ctx.uninstall;
  return !state.removal_started || state.finished || state.taken_over;
}

void FinishUninstall(Context& ctx) {
  UninstallState& state = ctx.uninstall;
  Files& files = ctx.platform.files;
  Env& env = ctx.platform.env;
  StartLauncherCleanup(ctx);
  // The settings folder goes whole only when this run made it; in one that was there already only
  // the files written into it go.
  if (!state.settings_folder.empty()) {
    for (const char* name : kUninstallSettingsFiles) files.RemoveFile(state.settings_folder + name);
    if (state.made_settings_folder && !files.RemoveTree(state.settings_folder))
      ctx.log.Failure("uninstall: cannot remove " + state.settings_folder);
  }
  const std::string own = OwnWorkingFolder(ctx);
  if (own.empty()) {
    ctx.log.Step("uninstall: not started by the launcher; its folder stays");
  } else {
    // Our own program file cannot go while it runs; what can go, goes, and the next launcher
    // start empties the folder.
    if (files.RemoveTree(own)) {
      ctx.log.Step("uninstall: removed " + own);
    } else {
      const std::vector<DirEntry> left = files.List(own);
      if (left.size() == 1 && left[0].name == FileNameOf(env.ModulePath())) {
        ctx.log.Step("uninstall: " + own + " keeps only this running program");
      } else {
        ctx.log.Failure("uninstall: cannot remove " + own);
      }
    }
    const std::string launcher_root = env.TempFolder() + kLauncherFolder;
    if (files.IsDirectory(launcher_root) && files.List(launcher_root).empty())
      files.RemoveFolder(launcher_root);
  }
  ctx.log.Step("uninstall: done, exit code " + std::to_string(state.exit_code));
  ctx.platform.processes.Exit(state.exit_code);
}

}  // namespace qmb
