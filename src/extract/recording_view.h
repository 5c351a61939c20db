// A view of the installing page for tests: it records what the page is told.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "extract/install_view.h"

namespace qmb {

class RecordingView : public InstallView {
 public:
  void SetStatusLine(const std::string& line) override { status = line; }
  void AddDetailLine(const std::string& line) override { details.push_back(line); }
  int32_t SetProgress(int32_t percent) override {
    bar.push_back(percent);
    return percent;
  }
  std::string status;
  std::vector<std::string> details;
  std::vector<int32_t> bar;
};

}  // namespace qmb
