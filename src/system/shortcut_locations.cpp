// Location texts and link names.
#include "system/shortcut_locations.h"

#include "base/text.h"

namespace qmb {

std::string NormalizeLocationText(std::string_view locations) {
  return ReplaceAll(ReplaceAllGbk(locations, "，", ","), "%AC%", "，");
}

std::vector<std::string> SplitLocations(std::string_view locations) {
  std::vector<std::string> folders;
  for (const std::string& piece : SplitGbk(NormalizeLocationText(locations), ',')) {
    std::string folder = Trim(piece);
    if (!folder.empty()) folders.push_back(std::move(folder));
  }
  return folders;
}

bool HasLinkExtension(std::string_view name) {
  // ".lnk" is ASCII and '.' is never a trail byte, so a byte search finds only real matches.
  for (size_t i = 0; i + 4 <= name.size(); ++i)
    if (EqualsIgnoreCase(name.substr(i, 4), ".lnk")) return true;
  return false;
}

std::string LinkFileName(std::string_view name) {
  return HasLinkExtension(name) ? std::string(name) : std::string(name) + ".lnk";
}

}  // namespace qmb
