// What the uninstaller's decisions need from its window. The window code implements it and only
// applies what it is told; tests record the calls.
#pragma once

#include <cstdint>
#include <string>

#include "uninstall/uninstall_state.h"

namespace qmb {

// The texts of the uninstall page before the removal.
struct UninstallTexts {
  std::string title;      // window caption
  std::string heading;
  std::string subheading;
  std::string body;
  std::string separator;  // publisher text and a rule
  std::string folder;     // the install folder beside "卸载目录:"
};

class UninstallView {
 public:
  virtual ~UninstallView() = default;
  virtual void SetTexts(const UninstallTexts& texts) = 0;
  virtual void SetIcon(const std::string& icon_path) = 0;
  // The small page picture (image file bytes); empty bytes show none.
  virtual void SetPicture(const std::string& image) = 0;
  // Makes one check box at the box's position, with its caption, tick and visibility.
  virtual void AddOptionBox(const OptionBox& box) = 0;
  virtual bool IsOptionTicked(size_t index) = 0;
  virtual void SetOptionTicked(size_t index, bool ticked) = 0;
  virtual void SetVisible(bool visible) = 0;
  // Starts the removal from the window's message loop (the start timer).
  virtual void StartRemovalSoon() = 0;

  // The removal page: page controls hidden, progress bar, status line and log list shown.
  virtual void ShowProgressPage() = 0;
  virtual void SetHeading(const std::string& heading, const std::string& subheading) = 0;
  virtual void SetActionButton(const std::string& caption, bool enabled) = 0;
  virtual void SetStatusLine(const std::string& line) = 0;
  // Adds a line to the log list, selects it and scrolls it into view.
  virtual void AddLogLine(const std::string& line) = 0;
  virtual void SelectLastLogLine() = 0;
  virtual void SetProgress(int32_t percent) = 0;
};

}  // namespace qmb
