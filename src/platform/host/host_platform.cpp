// The host platform's set-up.
#include "platform/host/host_platform.h"

#include <stdlib.h>

#include <filesystem>

namespace qmb {

namespace {

std::string MakeTempRoot() {
  const char* base = getenv("TMPDIR");
  std::string pattern = std::string(base && *base ? base : "/tmp") + "/qmb-host-XXXXXX";
  if (!mkdtemp(pattern.data())) return {};
  return pattern;
}

}  // namespace

HostPlatform::HostPlatform() : HostPlatform(MakeTempRoot(), true) {}

HostPlatform::HostPlatform(std::string root) : HostPlatform(std::move(root), false) {}

HostPlatform::HostPlatform(std::string root, bool owns_root)
    : root_(std::move(root)),
      owns_root_(owns_root),
      files_(root_),
      registry_([this] { return env_.is_64bit_windows(); }),
      shell_(files_),
      modules_(files_),
      platform_{files_, registry_, processes_, shell_, env_, dialogs_, modules_} {
  MakeFolders(env_.TempFolder());
  MakeFolders(env_.WindowsFolder());
  for (SpecialFolder folder : {SpecialFolder::kDesktop, SpecialFolder::kPrograms,
                               SpecialFolder::kAppData})
    MakeFolders(env_.GetSpecialFolder(folder));
  std::string module = env_.ModulePath();
  MakeFolders(module.substr(0, module.rfind('\\')));
}

HostPlatform::~HostPlatform() {
  if (!owns_root_ || root_.empty()) return;
  std::error_code ec;
  std::filesystem::remove_all(root_, ec);
}

void HostPlatform::MakeFolders(const std::string& windows_path) {
  std::error_code ec;
  std::filesystem::create_directories(files_.HostPath(windows_path), ec);
}

}  // namespace qmb
