// A configurable environment. The defaults describe a 32-bit Windows 7 user "user" whose program
// file is "C:\pkg\setup.exe"; every value can be changed by the test. Variable names compare
// case-insensitively, as on Windows.
#pragma once

#include <map>

#include "platform/env.h"

namespace qmb {

class HostEnv : public Env {
 public:
  HostEnv();

  // The folders named here are made by HostPlatform when it starts.
  void SetSpecialFolder(SpecialFolder folder, std::string path) { special_[folder] = std::move(path); }
  void SetTempFolder(std::string path) { temp_ = std::move(path); }
  void SetWindowsFolder(std::string path) { windows_ = std::move(path); }
  // An empty value removes the variable.
  void SetVariable(const std::string& name, std::string value);
  void SetUserName(std::string name) { user_ = std::move(name); }
  void SetWindowsVersion(int major, int minor) { version_ = {major, minor}; }
  void SetIs64BitWindows(bool is_64bit) { is_64bit_ = is_64bit; }
  // TickCount returns the current value, then adds the step.
  void SetTickCount(uint32_t ticks, uint32_t step = 16) { ticks_ = ticks; tick_step_ = step; }
  void SetModulePath(std::string path) { module_path_ = std::move(path); }
  void SetCommandLine(std::string command_line) { command_line_ = std::move(command_line); }
  void SetResource(const std::string& type, int id, std::string data);
  void SetResource(const std::string& type, const std::string& name, std::string data);

  bool is_64bit_windows() const { return is_64bit_; }

  std::string GetSpecialFolder(SpecialFolder folder) override { return special_[folder]; }
  std::string TempFolder() override { return temp_; }
  std::string WindowsFolder() override { return windows_; }
  std::string GetVariable(const std::string& name) override;
  std::string UserName() override { return user_; }
  WindowsVersion GetWindowsVersion() override { return version_; }
  bool Is64BitWindows() override { return is_64bit_; }
  // The host stands for the shipped 32-bit program, which 64-bit Windows runs under WOW64.
  bool RunsUnderWow64() override { return is_64bit_; }
  uint32_t TickCount() override;
  std::string ModulePath() override { return module_path_; }
  std::string CommandLine() override { return command_line_; }
  std::optional<std::string> LoadResource(const std::string& type, int id) override;
  std::optional<std::string> LoadResource(const std::string& type, const std::string& name) override;

 private:
  std::map<SpecialFolder, std::string> special_;
  std::string temp_ = "C:\\Temp\\";
  std::string windows_ = "C:\\Windows";
  std::map<std::string, std::string> variables_;  // by CaseKey of the name
  std::string user_ = "user";
  WindowsVersion version_{6, 1};
  bool is_64bit_ = false;
  uint32_t ticks_ = 0x1000;
  uint32_t tick_step_ = 16;
  std::string module_path_ = "C:\\pkg\\setup.exe";
  std::string command_line_ = "\"C:\\pkg\\setup.exe\"";
  std::map<std::pair<std::string, std::string>, std::string> resources_;  // CaseKeys of type, name
};

}  // namespace qmb
