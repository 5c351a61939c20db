// The install log's line format.
#include "base/install_log.h"

namespace qmb {

void InstallLog::Step(std::string_view text) { Write("", text); }

void InstallLog::Failure(std::string_view text) { Write("failed: ", text); }

void InstallLog::Write(std::string_view prefix, std::string_view text) {
  if (!sink_) return;
  std::string line;
  line.reserve(prefix.size() + text.size() + 2);
  line.append(prefix).append(text).append("\r\n");
  sink_(line);
}

}  // namespace qmb
