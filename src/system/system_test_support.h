// Shared pieces of the system-integration tests: a context over the host platform with an install
// folder, data.ini settings and the progress lines and log lines caught.
#pragma once

#include <string>
#include <vector>

#include "base/path.h"
#include "context/context.h"
#include "extract/folder_path.h"
#include "platform/host/host_platform.h"

namespace qmb::test {

inline constexpr char kInstallFolder[] = "C:\\Program Files\\演示 软件";
inline constexpr char kDesktop[] = "C:\\Users\\user\\Desktop";
inline constexpr char kPrograms[] = "C:\\Users\\user\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs";
inline constexpr char kQuickLaunch[] =
    "C:\\Users\\user\\AppData\\Roaming\\Microsoft\\Internet Explorer\\Quick Launch";

struct SystemFixture {
  SystemFixture() : ctx(host.platform()) {
    ctx.wizard.install_folder = kInstallFolder;
    host.files().SetCurrentFolder("C:\\Temp\\");
    ctx.log.SetSink([this](std::string_view line) { log.emplace_back(line); });
    ctx.wizard.progress_templates = {"解压 %Default%", "快捷方式 %Default%", "运行 %Default%",
                                     "卸载程序 %Default%"};
  }
  // data.ini: the given text below the main section header.
  void Settings(const std::string& main_keys, const std::string& other_sections = "") {
    ctx.settings.data = IniFile("[禾木软件安装配置]\r\n" + main_keys + "\r\n" + other_sections);
  }
  // A file below the install folder.
  void InstallFile(const std::string& relative, const std::string& data = "x") {
    const std::string path = std::string(kInstallFolder) + "\\" + relative;
    MakeFolder(ParentFolder(path));
    host.files().WriteAll(path, data);
  }
  void MakeFolder(const std::string& path) { CreateFolderPath(host.files(), path); }
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
