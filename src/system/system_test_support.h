// Shared pieces of the system-integration tests: the host context with an install folder, data.ini
// settings and the progress-line templates.
#pragma once

#include <string>

#include "context/host_context_fixture.h"

namespace qmb::test {

inline constexpr char kInstallFolder[] = "C:\\Program Files\\演示 软件";

struct SystemFixture : HostContextFixture {
  SystemFixture() {
    ctx.wizard.install_folder = kInstallFolder;
    host.files().SetCurrentFolder("C:\\Temp\\");
    ctx.wizard.progress_templates = {"解压 %Default%", "快捷方式 %Default%", "运行 %Default%",
                                     "卸载程序 %Default%"};
  }
  // data.ini: the given text below the main section header.
  void Settings(const std::string& main_keys, const std::string& other_sections = "") {
    ctx.settings.data = IniFile("[禾木软件安装配置]\r\n" + main_keys + "\r\n" + other_sections);
  }
  // A file below the install folder.
  void InstallFile(const std::string& relative, const std::string& data = "x") {
    File(std::string(kInstallFolder) + "\\" + relative, data);
  }
};

}  // namespace qmb::test
