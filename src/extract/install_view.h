// What the progress display needs from the installing page: its status line, its details list and
// its progress bar. The wizard window implements it; tests record the calls.
#pragma once

#include <cstdint>
#include <string>

namespace qmb {

class InstallView {
 public:
  virtual ~InstallView() = default;
  // The status line `解压_标签`.
  virtual void SetStatusLine(const std::string& line) = 0;
  // Adds a line to the details list `超级列表框`, selects it and scrolls it into view.
  virtual void AddDetailLine(const std::string& line) = 0;
  // Moves the progress bar `进度条1` and returns its position as read back.
  virtual int32_t SetProgress(int32_t percent) = 0;
};

}  // namespace qmb
