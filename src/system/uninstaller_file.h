// The uninstaller's data file "uninst.dat" and the launcher it starts: the lead byte, the runtime
// image cut from our own file, the marked sections behind it, and the launcher program this image
// carries as a resource. The launcher and the uninstaller read the file by the same marks.
#pragma once

#include <string>
#include <string_view>

#include "base/package_layout.h"
#include "context/context.h"

namespace qmb {

inline constexpr char kUninstallDataLead = '{';
inline constexpr std::string_view kUninstallSettingsOpenMark = "QMB-mark=uninst_datA";
inline constexpr std::string_view kUninstallSettingsCloseMark = "QMB-mark=uninst_datB";
inline constexpr std::string_view kUninstallRecordOpenMark = "QMB-mark=uninst_iniA";
inline constexpr std::string_view kUninstallRecordCloseMark = "QMB-mark=uninst_iniB";
inline constexpr std::string_view kSkinOpenMark = "QMB-mark=skinA";
inline constexpr std::string_view kSkinCloseMark = "QMB-mark=skinB";
// The skin store's name for the uninstaller icon, which the launcher writes out as "uninst.ico".
inline constexpr std::string_view kSkinIconName = "卸载程序图标";

inline constexpr size_t kImageSearchChunk = 5242880;  // 5 MiB

// A signed package's image names its Authenticode signature (behind all the package's data) in the
// security entry of its data directory. The copy in uninst.dat carries no signature, so the entry
// and the checksum that covered it are cleared; the image is otherwise unchanged.
void DropSignatureEntry(std::string& image);

// Our own program image: the bytes of path before the first start_mark + 0x01, without the
// separator byte just before the mark. Empty when the mark is missing or the file cannot be read.
// A signature entry is dropped (DropSignatureEntry).
std::string ReadRuntimeImage(Context& ctx, const std::string& path, std::string_view start_mark);

// The launcher program this image carries; empty when it carries none.
std::string LoadUninstallerResource(Context& ctx);

// Appends start mark + 0x01 + content + end mark + 0x01 to the file, trying again a few times
// 300 ms apart while the write fails. False when it never succeeded.
bool AppendSection(Context& ctx, const std::string& path, std::string_view start_mark,
                   std::string_view end_mark, std::string_view content);

// Appends the package-kind section with content ("qmb-2" makes the file an uninstaller).
bool AppendPackageSection(Context& ctx, const std::string& path, std::string_view content);

}  // namespace qmb
