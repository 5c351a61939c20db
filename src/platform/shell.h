// The shell port: opening files and addresses through the shell, links and taskbar verbs.
#pragma once

#include <string>

#include "platform/processes.h"

namespace qmb {

struct LinkSpec {
  std::string link_path;  // full path of the .lnk file
  std::string target;
  std::string arguments;
  std::string working_dir;
  std::string icon;  // "file,index" or empty
  int window_style = 0;
  std::string description;
  std::string hotkey;
};

class Shell {
 public:
  virtual ~Shell() = default;
  // ShellExecute with no verb (the default action); never waits.
  virtual bool Open(const std::string& file, const std::string& parameters,
                    const std::string& directory, ShowMode show) = 0;
  // ShellExecuteEx with a verb ("open"); waits for the started process when wait is set.
  virtual bool Execute(const std::string& verb, const std::string& file,
                       const std::string& parameters, const std::string& directory, ShowMode show,
                       bool wait) = 0;
  virtual bool CreateLink(const LinkSpec& link) = 0;
  // Runs the pin (pin true) or unpin verb of the taskbar on folder\file.
  virtual void InvokeTaskbarVerb(const std::string& folder, const std::string& file, bool pin) = 0;
};

}  // namespace qmb
