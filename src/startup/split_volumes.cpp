#include "startup/split_volumes.h"

#include <vector>

#include "base/text.h"
#include "context/context.h"
#include "extract/install_outcome.h"
#include "startup/settings_variables.h"

namespace qmb {
namespace {

// True when the volume exists; otherwise the user is told and the process ends.
bool VolumePresent(Context& ctx, const std::string& path) {
  if (ctx.platform.files.Exists(path)) return true;
  ctx.log.Failure("split volumes: missing " + path);
  // An unattended run cannot wait for a click: it ends with the code of a payload that cannot be
  // unpacked.
  if (ctx.startup.run_mode == kRunModeBackground) {
    SetOutcome(ctx, InstallResult::kExtractionFailed, "split volume missing: " + path);
    EndProcess(ctx);
    return false;
  }
  ctx.platform.dialogs.MessageBox("缺少分卷文件:" + path, "运行失败", kMbIconError);
  ctx.platform.processes.Exit(0);
  return false;
}

bool FollowsPattern(const std::string& name, int index) {
  const size_t dot = name.rfind('.');
  return dot != std::string::npos && name.substr(dot) == VolumeExtension(index);
}

}  // namespace

std::string VolumeExtension(int index) {
  std::string digits = std::to_string(index);
  if (digits.size() < 3) digits.insert(0, 3 - digits.size(), '0');
  return "." + digits;
}

bool CheckSplitVolumes(Context& ctx, const IniFile& data_ini) {
  StartupState& s = ctx.startup;
  const int count = ToInt(data_ini.Value(kMainSection, "压缩分卷数"));
  if (count <= 0) return true;
  const std::string names = data_ini.Value(kMainSection, "压缩分卷文件名");
  if (!names.empty()) {
    const std::vector<std::string> parts = Split(names, "+");
    std::vector<std::string> paths;
    bool regular = true;
    for (size_t i = 0; i < parts.size(); ++i) {
      const std::string path = s.run_folder + "\\" + parts[i];
      if (!VolumePresent(ctx, path)) return false;
      regular = regular && FollowsPattern(parts[i], static_cast<int>(i + 1));
      paths.push_back(path);
    }
    if (regular || paths.size() == 1) {
      s.archive_path = paths.front();
    } else {
      s.archive_path.clear();
      s.volume_list = paths;
    }
  } else {
    const std::string base = s.run_folder + "\\" + data_ini.Value(kMainSection, "禾木软件名称");
    for (int i = 1; i <= count; ++i) {
      s.archive_path = base + VolumeExtension(i);
      if (!VolumePresent(ctx, s.archive_path)) return false;
    }
    if (!data_ini.Value(kMainSection, "分卷大小").empty()) s.archive_path = base + VolumeExtension(1);
  }
  ctx.log.Step("split volumes: archive \"" + s.archive_path + "\", " +
               std::to_string(s.volume_list.size()) + " listed volumes");
  return true;
}

}  // namespace qmb
