// Marked sections of the package file and the uninstaller's data file.
#include "base/marked_section.h"

namespace qmb {

std::string SectionMark(std::string_view name) {
  std::string mark("QMB-mark=");
  mark.append(name);
  return mark;
}

std::string SectionPattern(std::string_view mark) {
  std::string pattern(mark);
  pattern.push_back('\x01');
  return pattern;
}

std::string BuildSection(std::string_view start_mark, std::string_view content,
                         std::string_view end_mark) {
  std::string out = SectionPattern(start_mark);
  out.append(content).append(SectionPattern(end_mark));
  return out;
}

std::optional<std::string> FindSection(std::string_view data, std::string_view start_mark,
                                       std::string_view end_mark) {
  std::string start = SectionPattern(start_mark);
  size_t begin = data.find(start);
  if (begin == std::string_view::npos) return std::nullopt;
  begin += start.size();
  size_t end = data.find(SectionPattern(end_mark), begin);
  if (end == std::string_view::npos) return std::nullopt;
  return std::string(data.substr(begin, end - begin));
}

}  // namespace qmb
