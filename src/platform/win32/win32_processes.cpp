// Process start and wait.
#include "platform/win32/win32_processes.h"

#include "platform/win32/wide.h"
#include "platform/win32/windows_include.h"

namespace qmb {

namespace {

// directory empty: the new process shares ours. With wait, exit_code (when given) receives the
// program's exit code.
bool StartProcess(const std::string& command_line, const std::string& directory, ShowMode show,
                  bool wait, DWORD* exit_code = nullptr) {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = show == ShowMode::kHidden ? SW_HIDE : SW_SHOWNORMAL;
  PROCESS_INFORMATION process{};
  std::wstring line = Wide(command_line);  // CreateProcessW may write into the buffer
  line.push_back(L'\0');
  const std::wstring wide_directory = Wide(directory);
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      directory.empty() ? nullptr : wide_directory.c_str(), &startup, &process))
    return false;
  if (wait) WaitForSingleObject(process.hProcess, INFINITE);
  if (wait && exit_code != nullptr && !GetExitCodeProcess(process.hProcess, exit_code))
    *exit_code = 1;
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return true;
}

}  // namespace

bool Win32Processes::Start(const std::string& command_line, ShowMode show, bool wait) {
  return StartProcess(command_line, "", show, wait);
}

std::optional<uint32_t> Win32Processes::RunIn(const std::string& command_line,
                                              const std::string& directory) {
  DWORD exit_code = 0;
  if (!StartProcess(command_line, directory, ShowMode::kNormal, true, &exit_code))
    return std::nullopt;
  return exit_code;
}

void Win32Processes::Exit(uint32_t code) { ExitProcess(code); }

uint32_t Win32Processes::CurrentProcessId() { return GetCurrentProcessId(); }

void Win32Processes::Sleep(uint32_t milliseconds) { ::Sleep(milliseconds); }

}  // namespace qmb
