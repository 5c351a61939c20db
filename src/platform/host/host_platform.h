// All host ports of one test, over one root folder that stands for the drives. The environment's
// temp, Windows, special and program folders are made at start so code can write there at once.
#pragma once

#include <string>

#include "platform/host/host_dialogs.h"
#include "platform/host/host_env.h"
#include "platform/host/host_files.h"
#include "platform/host/host_modules.h"
#include "platform/host/host_processes.h"
#include "platform/host/host_registry.h"
#include "platform/host/host_shell.h"
#include "platform/platform.h"

namespace qmb {

class HostPlatform {
 public:
  // A fresh root folder under the system temp folder, removed again by the destructor.
  HostPlatform();
  // The given root folder, which is kept.
  explicit HostPlatform(std::string root);
  ~HostPlatform();
  HostPlatform(const HostPlatform&) = delete;
  HostPlatform& operator=(const HostPlatform&) = delete;

  Platform& platform() { return platform_; }
  const std::string& root() const { return root_; }

  HostFiles& files() { return files_; }
  HostRegistry& registry() { return registry_; }
  HostProcesses& processes() { return processes_; }
  HostShell& shell() { return shell_; }
  HostEnv& env() { return env_; }
  HostDialogs& dialogs() { return dialogs_; }
  HostModules& modules() { return modules_; }

 private:
  HostPlatform(std::string root, bool owns_root);
  // Creates a folder and every missing parent.
  void MakeFolders(const std::string& windows_path);

  std::string root_;
  bool owns_root_;
  HostFiles files_;
  HostEnv env_;
  HostRegistry registry_;
  HostProcesses processes_;
  HostShell shell_;
  HostDialogs dialogs_;
  HostModules modules_;
  Platform platform_;
};

}  // namespace qmb
