// Edit distance over GBK characters.
#include "nearest_name.h"

#include <algorithm>
#include <cctype>

#include "base/text.h"

namespace qmb::mkpackage {
namespace {

std::vector<std::string> Characters(std::string_view text) {
  std::vector<std::string> out;
  for (size_t i = 0; i < text.size();) {
    const size_t n = std::max<size_t>(1, GbkCharLength(text, i));
    std::string c(text.substr(i, n));
    if (c.size() == 1) c[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(c[0])));
    out.push_back(std::move(c));
    i += n;
  }
  return out;
}

size_t Distance(const std::vector<std::string>& a, const std::vector<std::string>& b) {
  std::vector<size_t> row(b.size() + 1);
  for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    size_t diagonal = row[0];
    row[0] = i;
    for (size_t j = 1; j <= b.size(); ++j) {
      const size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

}  // namespace

std::string NearestName(std::string_view name, const std::vector<std::string>& candidates) {
  const auto chars = Characters(name);
  const size_t limit = std::max<size_t>(1, chars.size() / 3);
  std::string best;
  size_t best_distance = limit + 1;
  for (const std::string& candidate : candidates) {
    const size_t d = Distance(chars, Characters(candidate));
    if (d < best_distance) {
      best_distance = d;
      best = candidate;
    }
  }
  return best;
}

}  // namespace qmb::mkpackage
