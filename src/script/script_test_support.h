// Shared pieces of the install script tests: a context over the host platform and a script block
// written the way the packaging tool writes it.
#pragma once

#include <string>

#include "context/context.h"
#include "platform/host/host_platform.h"

namespace qmb::test {

inline std::string ScriptBlock(const std::string& name, const std::string& install,
                               const std::string& unzip = "", const std::string& finish = "",
                               const std::string& describe = "") {
  return name + "\r\n｛" + "\r\nInstall(){" + install + "\r\n}\r\nUnzip(){" + unzip + "\r\n}" +
         "\r\nfinish(){" + finish + "\r\n}\r\ndescribe(){" + describe + "\r\n}\r\n｝\r\n\r\n";
}

struct ScriptFixture {
  ScriptFixture() : ctx(host.platform()) {}
  const std::vector<StartCall>& starts() { return host.processes().starts(); }
  const std::vector<ShellCall>& shell_calls() { return host.shell().calls(); }

  HostPlatform host;
  Context ctx;
};

}  // namespace qmb::test
