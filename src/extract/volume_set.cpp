// Placeholder volume sets for irregularly named split volumes.
#include "extract/volume_set.h"

#include "base/text.h"
#include "context/context.h"
#include "extract/volume_redirect.h"

namespace qmb {
namespace {

constexpr char kVolumeFolder[] = "\\7ztemp\\";

// The folder without one trailing "\" (a GBK trail byte 0x5C is no separator).
std::string WithoutTrailingSeparator(std::string folder) {
  if (!folder.empty() && FindLastCharGbk(folder, '\\') == folder.size() - 1) folder.pop_back();
  return folder;
}

}  // namespace

std::optional<PreparedVolumes> PrepareVolumes(Context& ctx, std::string& archive,
                                              std::string& destination,
                                              const std::vector<std::string>& volumes) {
  Files& files = ctx.platform.files;
  // The drive letter is kept upper-case for the rest of the install.
  if (!destination.empty() && destination[0] >= 'a' && destination[0] <= 'z') {
    destination[0] = static_cast<char>(destination[0] - 'a' + 'A');
  }
  OpenRedirection* redirect = ctx.extract.open_redirect;
  if (redirect == nullptr) {
    ctx.log.Failure("volumes: no open redirection in this process; nothing unpacked");
    return std::nullopt;
  }
  const std::string folder = WithoutTrailingSeparator(destination) + kVolumeFolder;
  const std::string folder_path = folder.substr(0, folder.size() - 1);
  // The placeholders need a folder of their own: one that is there already (the user's, or one a
  // run that did not end left behind) is not ours to empty.
  if (files.Exists(folder_path) && !ctx.journal.CreatedFolder(folder_path)) {
    ctx.log.Failure("volumes: " + folder_path +
                    " exists already and is not ours; nothing unpacked");
    return std::nullopt;
  }
  if (files.Exists(folder_path) && !files.RemoveTree(folder_path)) {
    ctx.log.Failure("volumes: cannot clear " + folder_path);
    return std::nullopt;
  }
  if (!ctx.journal.CreateFolderPath(folder_path)) {
    ctx.log.Failure("volumes: cannot create " + folder_path);
    return std::nullopt;
  }
  PreparedVolumes prepared{folder, ""};
  if (!files.SetAttributes(folder_path, kAttrHidden)) {
    ctx.log.Failure("volumes: cannot hide " + folder_path);
  }

  const std::string first = ctx.temp_names.Next(
      folder, ctx.platform.env.TickCount(), [&files](const std::string& p) { return files.Exists(p); });
  if (first.empty()) {
    ctx.log.Failure("volumes: no free placeholder name in " + folder_path);
    RemoveVolumeFolder(ctx, prepared);
    return std::nullopt;
  }
  prepared.base = first.substr(folder.size(), first.size() - folder.size() - 4);  // no ".tmp"

  for (size_t i = 0; i < volumes.size(); ++i) {
    // A volume that cannot be read would only show later as a broken archive; say which one.
    const std::optional<uint64_t> size = files.Size(volumes[i]);
    const std::string placeholder =
        folder + prepared.base + "." + VolumeSuffix(static_cast<int32_t>(i + 1));
    if (!size) {
      ctx.log.Failure("volumes: cannot read volume " + volumes[i]);
    } else if (!files.CreateSizedFile(placeholder, *size)) {
      ctx.log.Failure("volumes: cannot create placeholder " + placeholder);
    } else {
      continue;
    }
    RemoveVolumeFolder(ctx, prepared);
    return std::nullopt;
  }
  if (!redirect->Install(prepared.base, volumes)) {
    ctx.log.Failure("volumes: cannot redirect opens of the placeholders");
    RemoveVolumeFolder(ctx, prepared);
    return std::nullopt;
  }
  archive = folder + prepared.base + ".001";
  ctx.log.Step("volumes: " + std::to_string(volumes.size()) + " placeholder(s) " + prepared.base +
               ".* in " + folder_path);
  return prepared;
}

void EndVolumes(Context& ctx) {
  if (ctx.extract.open_redirect != nullptr) ctx.extract.open_redirect->Remove();
}

void RemoveVolumeFolder(Context& ctx, const PreparedVolumes& prepared) {
  const std::string folder_path = prepared.folder.substr(0, prepared.folder.size() - 1);
  if (!ctx.platform.files.RemoveTree(folder_path)) {
    ctx.log.Failure("volumes: cannot remove " + folder_path);
  }
}

}  // namespace qmb
