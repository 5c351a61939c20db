// The known name closest to a mistyped one, for "did you mean" hints. Names are GBK; a double-byte
// character counts as one edit.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qmb::mkpackage {

// The candidate at the smallest edit distance from name, when that distance is small for the
// name's length (at most a third of its characters, and at least 1); empty otherwise. Letter case
// is ignored, as the INI reader ignores it.
std::string NearestName(std::string_view name, const std::vector<std::string>& candidates);

}  // namespace qmb::mkpackage
