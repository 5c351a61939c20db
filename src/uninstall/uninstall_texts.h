// The uninstaller's own texts: the window's captions and headings for product N version V, and
// the lines of its log list.
#pragma once

#include <string>

#include "uninstall/uninstall_view.h"

namespace qmb {

inline constexpr char kActionCaption[] = "卸载";
inline constexpr char kFinishCaption[] = "完成";
inline constexpr char kCancelCaption[] = "取消";
inline constexpr char kFolderLabel[] = "卸载目录:";

inline constexpr char kLineGathering[] = "正在获取所需要的卸载信息中";
inline constexpr char kLineFile[] = "删除文件: ";
inline constexpr char kLineRegistry[] = "删除注册项: ";
inline constexpr char kLineFolders[] = "获取剩余目录信息";
inline constexpr char kLineFolder[] = "删除目录: ";

// The page before the removal.
UninstallTexts PageTexts(const UninstallState& state);

// Heading and subheading while removing and once done.
std::string RemovingHeading();
std::string RemovingSubheading(const UninstallState& state);
std::string DoneHeading();
std::string DoneSubheading(const UninstallState& state);

}  // namespace qmb
