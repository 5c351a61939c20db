// Recorded process starts.
#include "platform/host/host_processes.h"

namespace qmb {

bool HostProcesses::Start(const std::string& command_line, ShowMode show, bool wait) {
  starts_.push_back({command_line, show, wait, ""});
  return handler_ ? handler_(starts_.back()) : true;
}

bool HostProcesses::StartIn(const std::string& command_line, const std::string& directory) {
  starts_.push_back({command_line, ShowMode::kNormal, false, directory});
  return handler_ ? handler_(starts_.back()) : true;
}

}  // namespace qmb
