// The package step, in the order the rest of start-up relies on: the settings must be unpacked
// before the packaging mode and the volumes can be read, and the switches are read before the
// settings loader expands data.ini.
#include "startup/package_step.h"

#include "base/ini.h"
#include "base/package_layout.h"
#include "base/path.h"
#include "base/text.h"
#include "context/context.h"
#include "startup/settings_variables.h"
#include "extract/extract_archive.h"
#include "startup/command_line.h"
#include "startup/section_reader.h"
#include "startup/settings_catalogue.h"
#include "startup/settings_loader.h"
#include "startup/split_volumes.h"
#include "startup/switches.h"
#include "startup/waiting_progress.h"

namespace qmb {
namespace {

constexpr uint64_t kMebibyte = 1048576;

void ReadArguments(Context& ctx) {
  StartupState& s = ctx.startup;
  const std::string line = ctx.platform.env.CommandLine();
  s.argument_text = ArgumentTextOf(line);
  s.arguments = SplitCommandLine(line);
  const std::string module = ctx.platform.env.ModulePath();
  s.run_folder = ParentFolder(module);
  s.package_file_path = s.run_folder + "\\" + FileNameOf(module);
  ctx.log.Step("package: " + s.package_file_path + ", arguments \"" + s.argument_text + "\"");
}

// The data.ini of the work folder as unpacked; empty when there is no work folder.
IniFile ReadWorkDataIni(Context& ctx) {
  if (ctx.startup.work_folder.empty()) return IniFile();
  return IniFile(ctx.platform.files.ReadAll(ctx.startup.work_folder + "data.ini").value_or(""));
}

// Unpacks the settings archive into a fresh work folder in the temp folder.
void UnpackSettings(Context& ctx, const std::string& archive) {
  StartupState& s = ctx.startup;
  Files& files = ctx.platform.files;
  const std::string name = NewTempName(ctx);
  if (name.empty() || !files.CreateDirectory(name)) {
    ctx.log.Failure("package: cannot make a work folder " + name);
    return;
  }
  s.work_folder = name + "\\";
  std::string data_7z = s.work_folder + "data.7z";
  if (!files.WriteAll(data_7z, archive)) {
    ctx.log.Failure("package: cannot write " + data_7z);
    return;
  }
  RepairArchiveSignature(ctx, data_7z, 0);
  s.settings_key = LoadSettingsKey(ctx);
  std::string destination = s.work_folder;
  if (ExtractArchive(ctx, data_7z, destination, false, s.settings_key, nullptr, "", "", {})) {
    ctx.log.Step("package: settings unpacked into " + s.work_folder);
  } else {
    ctx.log.Failure("package: cannot unpack the settings archive");
  }
}

// Packaging mode "-N": the payload is copied out of the package, with the waiting window from N MiB.
void CopyPayloadIfAsked(Context& ctx, const IniFile& data_ini) {
  StartupState& s = ctx.startup;
  const std::string mode = data_ini.Value(kMainSection, "安装包封装模式");
  const size_t dash = mode.find('-');
  if (dash == std::string::npos || dash + 1 == mode.size()) return;
  const int64_t threshold = ToInt64(mode.substr(dash + 1));
  const uint64_t size = ctx.platform.files.Size(s.package_file_path).value_or(0);
  WaitingView& view = s.waiting;
  if (threshold >= 0 && size >= static_cast<uint64_t>(threshold) * kMebibyte && view.open) {
    view.open();
    view.is_open = true;
  }
  ctx.platform.dialogs.ProcessPendingMessages();
  ReadSectionForward(
      ctx, s.package_file_path, kPayloadOpenMark, kPayloadCloseMark,
      [&ctx](int percent) { WaitingProgress(ctx, percent); }, true);
  ctx.log.Step("package: payload copied to " + s.archive_path);
  if (view.is_open) {
    if (view.close) view.close();
    view.is_open = false;
  }
}

}  // namespace

std::string LoadSettingsKey(Context& ctx) {
  auto bytes = ctx.platform.env.LoadResource(std::string(kKeyResourceType), kKeyResourceId);
  if (!bytes) {
    ctx.log.Failure("package: no key resource; the settings cannot be opened");
    return {};
  }
  return SettingsKeyFrom(*bytes);
}

int RunPackageStep(Context& ctx) {
  StartupState& s = ctx.startup;
  ReadArguments(ctx);
  if (s.settings_from_program_folder()) {
    s.work_folder = s.run_folder + "\\";
    // Only the settings come from the program's folder; the payload is still the own file's.
    s.archive_path = s.package_file_path;
    ctx.log.Step("package: test mode, settings from " + s.work_folder);
  } else {
    const std::string kind = ReadSectionForward(ctx, s.package_file_path, kKindOpenMark,
                                                kKindCloseMark, nullptr, false);
    ctx.log.Step("package: kind \"" + kind + "\"");
    if (kind == kKindUninstaller) return 2;
    if (kind != kKindInstaller) {
      // The switches still decide the run mode: a background run on a file without a package
      // must end with its exit code, never wait in a window for a click.
      EvaluateSwitches(ctx, IniFile());
      return 0;
    }
    const std::string settings =
        ReadSectionBackward(ctx, s.package_file_path, kSettingsCloseMark, kSettingsOpenMark);
    s.archive_path = s.package_file_path;
    if (!settings.empty()) UnpackSettings(ctx, settings);
  }
  const IniFile data_ini = ReadWorkDataIni(ctx);
  CopyPayloadIfAsked(ctx, data_ini);
  EvaluateSwitches(ctx, data_ini);
  if (!CheckSplitVolumes(ctx, data_ini)) return 0;
  LoadSettings(ctx);
  return 1;
}

}  // namespace qmb
