// Translating system-folder paths between a 32-bit program under WOW64 and a 64-bit one.
#include "base/wow64_paths.h"

#include <optional>

#include "base/path.h"
#include "base/text.h"

namespace qmb {

namespace {

// What follows "<windows_folder>\<folder>" in path ("" for the folder itself, else "\..."), or
// nullopt when path lies elsewhere.
std::optional<std::string_view> RestBelow(std::string_view path, std::string_view windows_folder,
                                          std::string_view folder) {
  const std::string prefix = JoinPath(NormalizePath(windows_folder), folder);
  if (path.size() < prefix.size() || !EqualsIgnoreCase(path.substr(0, prefix.size()), prefix))
    return std::nullopt;
  const std::string_view rest = path.substr(prefix.size());
  if (!rest.empty() && rest.front() != '\\') return std::nullopt;  // "System32x" is another name
  return rest;
}

std::string Renamed(std::string_view windows_folder, std::string_view folder,
                    std::string_view rest) {
  return JoinPath(NormalizePath(windows_folder), folder) + std::string(rest);
}

}  // namespace

std::string PathFor64BitPrograms(std::string_view path, std::string_view windows_folder) {
  if (const auto rest = RestBelow(path, windows_folder, "Sysnative"))
    return Renamed(windows_folder, "System32", *rest);
  if (const auto rest = RestBelow(path, windows_folder, "System32"))
    return Renamed(windows_folder, "SysWOW64", *rest);
  return std::string(path);
}

std::string PathFrom64BitPrograms(std::string_view path, std::string_view windows_folder) {
  if (const auto rest = RestBelow(path, windows_folder, "System32"))
    return Renamed(windows_folder, "Sysnative", *rest);
  return std::string(path);
}

}  // namespace qmb
