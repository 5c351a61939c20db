// The programs the package runs around the unpacking and at uninstall time, read from the
// settings into the wizard state.
#pragma once

#include "context/context.h"

namespace qmb {

// Fills the pre-install and post-install lists from "解压后运行的参数" ("作用方案" "解压后运行"
// picks the post-install list) and the uninstall-time list from "卸载时运行命令".
void ReadAfterInstallRuns(Context& ctx);

}  // namespace qmb
