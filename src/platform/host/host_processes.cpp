// Recorded process starts.
#include "platform/host/host_processes.h"

namespace qmb {

bool HostProcesses::Start(const std::string& command_line, ShowMode show, bool wait) {
  starts_.push_back({command_line, show, wait, ""});
  return handler_ ? handler_(starts_.back()) : true;
}

std::optional<uint32_t> HostProcesses::RunIn(const std::string& command_line,
                                             const std::string& directory) {
  starts_.push_back({command_line, ShowMode::kNormal, true, directory});
  if (handler_ && !handler_(starts_.back())) return std::nullopt;
  return run_exit_code_;
}

}  // namespace qmb
