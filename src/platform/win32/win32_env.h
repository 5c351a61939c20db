// The environment through the system's queries; every text comes back as GBK.
#pragma once

#include "platform/env.h"

namespace qmb {

class Win32Env : public Env {
 public:
  std::string GetSpecialFolder(SpecialFolder folder) override;
  std::string TempFolder() override;
  std::string WindowsFolder() override;
  std::string GetVariable(const std::string& name) override;
  std::string UserName() override;
  WindowsVersion GetWindowsVersion() override;
  bool Is64BitWindows() override;
  bool RunsUnderWow64() override;
  uint32_t TickCount() override;
  std::string ModulePath() override;
  std::string CommandLine() override;
  std::optional<std::string> LoadResource(const std::string& type, int id) override;
  std::optional<std::string> LoadResource(const std::string& type, const std::string& name) override;
};

}  // namespace qmb
