// An uninstall window for tests: it records what the uninstaller tells it.
#pragma once

#include <string>
#include <vector>

#include "uninstall/uninstall_view.h"

namespace qmb {

class RecordingUninstallView : public UninstallView {
 public:
  void SetTexts(const UninstallTexts& t) override { texts = t; }
  void SetIcon(const std::string& path) override { icon = path; }
  void SetPicture(const std::string& image) override { picture = image; }
  void AddOptionBox(const OptionBox& box) override { boxes.push_back(box); }
  bool IsOptionTicked(size_t index) override { return index < boxes.size() && boxes[index].ticked; }
  void SetOptionTicked(size_t index, bool ticked) override {
    if (index < boxes.size()) boxes[index].ticked = ticked;
  }
  void SetVisible(bool v) override { visible.push_back(v); }
  void StartRemovalSoon() override { ++removal_timers; }
  void ShowProgressPage() override { progress_page = true; }
  void SetHeading(const std::string& h, const std::string& s) override {
    heading = h;
    subheading = s;
  }
  void SetActionButton(const std::string& caption, bool enabled) override {
    action_caption = caption;
    action_enabled = enabled;
  }
  void SetStatusLine(const std::string& line) override { status = line; }
  void AddLogLine(const std::string& line) override { log.push_back(line); }
  void SelectLastLogLine() override { last_line_selected = true; }
  void SetProgress(int32_t percent) override { progress.push_back(percent); }

  UninstallTexts texts;
  std::string icon;
  std::string picture;
  std::vector<OptionBox> boxes;
  std::vector<bool> visible;
  int removal_timers = 0;
  bool progress_page = false;
  std::string heading, subheading;
  std::string action_caption;
  bool action_enabled = true;
  std::string status;
  std::vector<std::string> log;
  bool last_line_selected = false;
  std::vector<int32_t> progress;
};

}  // namespace qmb
