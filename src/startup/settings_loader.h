// The settings loader: expands the package author's variables and resource references in the
// unpacked settings files, writes the expanded files back and keeps everything in memory, so the
// settings stay readable after the work folder is gone.
#pragma once

#include <string>
#include <string_view>

#include "context/context.h"

namespace qmb {

// Runs once, after the settings archive is unpacked into ctx.startup.work_folder.
void LoadSettings(Context& ctx);

// A key of section "禾木软件安装配置" of the loaded "data.ini"; empty when missing.
std::string ReadSetting(const Context& ctx, std::string_view key);
// A key of another section of the loaded "data.ini"; empty when missing.
std::string ReadSettingIn(const Context& ctx, std::string_view section, std::string_view key);

}  // namespace qmb
