// Removing what the program leaves in the temp folder and the install folder.
#include "startup/temporary_files.h"

#include "base/text.h"
#include "context/context.h"

namespace qmb {
namespace {

// A path that names something below a drive ("C:\..."); anything else is never removed.
bool IsFullPath(const std::string& path) {
  return path.size() > 3 && path[1] == ':' && path[2] == '\\';
}

std::string WithoutTrailingSlash(std::string path) {
  if (EndsWith(path, "\\") && FindLastCharGbk(path, '\\') == path.size() - 1) path.pop_back();
  return path;
}

void RemoveFolder(Context& ctx, const std::string& folder) {
  if (!ctx.platform.files.Exists(folder)) return;
  if (ctx.platform.files.RemoveTree(folder)) {
    ctx.log.Step("temporary files: removed " + folder);
  } else {
    ctx.log.Failure("temporary files: cannot remove " + folder);
  }
}

}  // namespace

bool IsPayloadCopy(Context& ctx, const std::string& path) {
  // A package or a volume file that the user happens to start from the temp folder is the user's.
  const std::string temp = ctx.platform.env.TempFolder();
  return !temp.empty() && path.size() > temp.size() &&
         EqualsIgnoreCase(path.substr(0, temp.size()), temp) && EndsWith(path, ".7zqmb");
}

void RemoveTemporaryFiles(Context& ctx, bool delete_payload) {
  StartupState& startup = ctx.startup;
  Files& files = ctx.platform.files;
  if (delete_payload) {
    const std::string& payload = startup.archive_path;
    if (IsPayloadCopy(ctx, payload)) {
      if (files.RemoveFile(payload)) {
        ctx.log.Step("temporary files: deleted payload " + payload);
      } else {
        ctx.log.Failure("temporary files: cannot delete payload " + payload);
      }
    }
  }
  const std::string work = WithoutTrailingSlash(startup.work_folder);
  if (IsFullPath(work) && !EqualsIgnoreCase(work, WithoutTrailingSlash(startup.run_folder))) {
    RemoveFolder(ctx, work);
  }
  const std::string install = WithoutTrailingSlash(ctx.wizard.install_folder);
  // The volume folder goes only when this run made it; one that was there before is the user's.
  const std::string volume_folder = install + "\\7ztemp";
  if (install.size() >= 2 && install[1] == ':' && ctx.journal.CreatedFolder(volume_folder))
    RemoveFolder(ctx, volume_folder);
}

}  // namespace qmb
