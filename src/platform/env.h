// The environment port: folders, variables, user, Windows version, our own image and command line.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace qmb {

enum class SpecialFolder { kDesktop, kPrograms, kAppData };

struct WindowsVersion {
  int major = 0;
  int minor = 0;
};

class Env {
 public:
  virtual ~Env() = default;
  // The current user's special folder, without a trailing "\".
  virtual std::string GetSpecialFolder(SpecialFolder folder) = 0;
  // The system temp folder, with a trailing "\".
  virtual std::string TempFolder() = 0;
  // The Windows folder, as the system gives it.
  virtual std::string WindowsFolder() = 0;
  // An environment variable; empty when unset.
  virtual std::string GetVariable(const std::string& name) = 0;
  virtual std::string UserName() = 0;
  virtual WindowsVersion GetWindowsVersion() = 0;
  // True on 64-bit Windows (native architecture x64, IA-64 or ARM64).
  virtual bool Is64BitWindows() = 0;
  // True for a 32-bit program on 64-bit Windows: the system folder it names is redirected to
  // SysWOW64, and it reaches the real one as "<Windows>\Sysnative".
  virtual bool RunsUnderWow64() = 0;
  virtual uint32_t TickCount() = 0;
  // Full path of our own program file.
  virtual std::string ModulePath() = 0;
  // Our own command line as the system holds it (program path first).
  virtual std::string CommandLine() = 0;
  // A resource of our own image (type and id as the resource script names them); nullopt if absent.
  virtual std::optional<std::string> LoadResource(const std::string& type, int id) = 0;
  virtual std::optional<std::string> LoadResource(const std::string& type,
                                                  const std::string& name) = 0;
};

}  // namespace qmb
