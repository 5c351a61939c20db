// The package file's fixed layout, shared by the packaging tool and the runtime so both always agree:
// the section marks, the package kinds, the key resource and the settings key derived from it.
#pragma once

#include <string>
#include <string_view>

namespace qmb {

// Section marks without their 0x01 (SectionPattern adds it).
inline constexpr std::string_view kKindOpenMark = "QMB-mark=配置包A";
inline constexpr std::string_view kKindCloseMark = "QMB-mark=配置包B";
inline constexpr std::string_view kPayloadOpenMark = "QMB-mark=7zipdataA";
inline constexpr std::string_view kPayloadCloseMark = "QMB-mark=7zipdataB";
inline constexpr std::string_view kSettingsOpenMark = "QMB-mark=配置包sA";
inline constexpr std::string_view kSettingsCloseMark = "QMB-mark=配置包sB";

inline constexpr std::string_view kKindInstaller = "qmb-1";
inline constexpr std::string_view kKindUninstaller = "qmb-2";

// The two bytes the packaging tool writes into every package's image.
inline constexpr std::string_view kKeyResourceType = "KEY";
inline constexpr int kKeyResourceId = 250;
inline constexpr size_t kKeyResourceSize = 2;

// The uninstaller launcher inside the runtime image, and the launcher's product name resource:
// GBK bytes padded with zero bytes to a fixed size, so the packaging tool fills it in place.
inline constexpr char kLauncherResourceType[] = "UNINST_DAT";
inline constexpr int kLauncherResourceId = 100;
inline constexpr char kLauncherNameType[] = "NAME";
inline constexpr int kLauncherNameId = 100;
// The runtime carries the launcher gzip-compressed, followed by zero bytes that leave the packaging
// tool room to compress it again with the product name in it (runtimes built before carry it
// plain). Inflated, it is never larger than this.
inline constexpr size_t kMaxLauncherSize = 16u << 20;

// The settings archive is stored with its second signature byte changed, so that it does not read
// as a 7z archive to anyone scanning the package.
inline constexpr size_t kStoredSignatureOffset = 1;
inline constexpr char kSignatureByte = 0x7A;
inline constexpr char kStoredSignatureByte = 0x0A;

// The settings archive's password: lower-case hexadecimal MD5 of the key resource's bytes.
std::string SettingsKeyFrom(std::string_view key_bytes);

}  // namespace qmb
