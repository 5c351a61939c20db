// The process port: starting programs, waiting for them, and ending our own process.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace qmb {

enum class ShowMode { kHidden = 0, kNormal = 1 };

class Processes {
 public:
  virtual ~Processes() = default;
  // Starts a command line as it is (CreateProcess); waits for the end when wait is set.
  virtual bool Start(const std::string& command_line, ShowMode show, bool wait) = 0;
  // Runs a command line with directory as its current folder, in a normal window, and waits for
  // its end: its exit code, or nullopt when it could not be started. Its current folder is not
  // ours, so that it never holds our own folder open.
  virtual std::optional<uint32_t> RunIn(const std::string& command_line,
                                        const std::string& directory) = 0;
  // Ends the own process with the exit code. The host implementation records the call and returns,
  // so callers must stop their work after calling it.
  virtual void Exit(uint32_t code) = 0;
  virtual uint32_t CurrentProcessId() = 0;
  virtual void Sleep(uint32_t milliseconds) = 0;
};

}  // namespace qmb
