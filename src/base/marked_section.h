// Marked sections: start mark + 0x01 + content + end mark + 0x01, where a mark is "QMB-mark=" +
// a section name. The package file and the uninstaller's data file are built from them.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qmb {

// "QMB-mark=" + name (without the 0x01).
std::string SectionMark(std::string_view name);
// The mark with its 0x01, as it stands in a file.
std::string SectionPattern(std::string_view mark);
// start pattern + content + end pattern.
std::string BuildSection(std::string_view start_mark, std::string_view content,
                         std::string_view end_mark);
// The bytes between the first start pattern and the first end pattern after it.
std::optional<std::string> FindSection(std::string_view data, std::string_view start_mark,
                                       std::string_view end_mark);

}  // namespace qmb
