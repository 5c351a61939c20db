// Processes through CreateProcessW.
#pragma once

#include "platform/processes.h"

namespace qmb {

class Win32Processes : public Processes {
 public:
  bool Start(const std::string& command_line, ShowMode show, bool wait) override;
  std::optional<uint32_t> RunIn(const std::string& command_line,
                                const std::string& directory) override;
  void Exit(uint32_t code) override;
  uint32_t CurrentProcessId() override;
  void Sleep(uint32_t milliseconds) override;
};

}  // namespace qmb
