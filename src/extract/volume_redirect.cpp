// Placeholder names of a volume set and how an opened path is matched against them.
#include "extract/volume_redirect.h"

#include "base/text.h"

namespace qmb {

std::string VolumeSuffix(int32_t index) {
  std::string digits = std::to_string(index);
  if (digits.size() < 3) digits.insert(0, 3 - digits.size(), '0');
  return digits;
}

std::optional<size_t> PlaceholderIndex(const std::string& base, size_t count,
                                       const std::string& path) {
  // "/" never occurs as a GBK trail byte; "\" does, hence the GBK-aware search for it.
  size_t cut = FindLastCharGbk(path, '\\');
  const size_t slash = path.rfind('/');
  if (slash != std::string::npos && (cut == std::string::npos || slash > cut)) cut = slash;
  const std::string name = cut == std::string::npos ? path : path.substr(cut + 1);
  if (base.empty() || !StartsWith(name, base + ".")) return std::nullopt;
  for (size_t i = 0; i < count; ++i) {
    if (name == base + "." + VolumeSuffix(static_cast<int32_t>(i + 1))) return i;
  }
  return std::nullopt;
}

}  // namespace qmb
