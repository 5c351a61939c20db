// The shell through ShellExecute(Ex)W, IShellLinkW and the Shell.Application object.
#pragma once

#include "platform/shell.h"

namespace qmb {

class Win32Shell : public Shell {
 public:
  bool Open(const std::string& file, const std::string& parameters, const std::string& directory,
            ShowMode show) override;
  bool Execute(const std::string& verb, const std::string& file, const std::string& parameters,
               const std::string& directory, ShowMode show, bool wait) override;
  // Writes the .lnk through IShellLinkW and IPersistFile: the same file the scripting shell
  // object's CreateShortcut would save, without depending on the scripting host being installed.
  bool CreateLink(const LinkSpec& link) override;
  void InvokeTaskbarVerb(const std::string& folder, const std::string& file, bool pin) override;
};

}  // namespace qmb
