// The base of the tests that run whole steps: a context over the host platform, whose special
// folders lie where the constants below say, with the log lines caught and helpers that lay out
// files.
#pragma once

#include <string>
#include <vector>

#include "base/path.h"
#include "context/context.h"
#include "extract/folder_path.h"
#include "platform/host/host_platform.h"

namespace qmb::test {

inline constexpr char kDesktop[] = "C:\\Users\\user\\Desktop";
inline constexpr char kPrograms[] =
    "C:\\Users\\user\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs";
inline constexpr char kQuickLaunch[] =
    "C:\\Users\\user\\AppData\\Roaming\\Microsoft\\Internet Explorer\\Quick Launch";

struct HostContextFixture {
  HostContextFixture() : ctx(host.platform()) {
    ctx.log.SetSink([this](std::string_view line) { log.emplace_back(line); });
  }
  // A file with its folders.
  void File(const std::string& path, const std::string& data = "x") {
    MakeFolder(ParentFolder(path));
    host.files().WriteAll(path, data);
  }
  void MakeFolder(const std::string& path) { CreateFolderPath(host.files(), path); }
  bool Exists(const std::string& path) { return host.files().Exists(path); }
  bool Logged(const std::string& text) const {
    for (const std::string& line : log)
      if (line.find(text) != std::string::npos) return true;
    return false;
  }

  HostPlatform host;
  Context ctx;
  std::vector<std::string> log;
};

}  // namespace qmb::test
