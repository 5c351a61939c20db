// Wildcard selection of archive entries.
#include "archive/entry_pattern.h"

#include "base/gbk_codec.h"

namespace qmb::sevenzip {

namespace {

// Simple case folding for the letters names usually hold: ASCII, Latin-1, Greek and Cyrillic.
char16_t Fold(char16_t c) {
  if (c == u'\\') return u'/';
  if ((c >= u'A' && c <= u'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7) ||
      (c >= 0x391 && c <= 0x3AB && c != 0x3A2) || (c >= 0x410 && c <= 0x42F))
    return static_cast<char16_t>(c + 0x20);
  if (c >= 0x400 && c <= 0x40F) return static_cast<char16_t>(c + 0x50);
  return c;
}

// Folded path without leading "./" or "/" and without trailing "/".
std::u16string Normalize(std::u16string_view path) {
  std::u16string out;
  out.reserve(path.size());
  for (char16_t c : path) out.push_back(Fold(c));
  size_t begin = 0;
  while (true) {
    if (out.compare(begin, 2, u"./") == 0) begin += 2;
    else if (begin < out.size() && out[begin] == u'/') begin += 1;
    else break;
  }
  size_t end = out.size();
  while (end > begin && out[end - 1] == u'/') --end;
  return out.substr(begin, end - begin);
}

// Glob match of a whole (normalized) text: "*" any run, "?" exactly one character.
bool Glob(std::u16string_view pattern, std::u16string_view text) {
  size_t p = 0, t = 0, star = std::u16string_view::npos, star_t = 0;
  while (t < text.size()) {
    if (p < pattern.size() && (pattern[p] == u'?' || pattern[p] == text[t])) {
      ++p;
      ++t;
    } else if (p < pattern.size() && pattern[p] == u'*') {
      star = p++;
      star_t = t;
    } else if (star != std::u16string_view::npos) {
      p = star + 1;
      t = ++star_t;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == u'*') ++p;
  return p == pattern.size();
}

bool MatchesNormalized(std::u16string_view pattern, std::u16string_view path) {
  if (Glob(pattern, path)) return true;
  for (size_t i = 0; i < path.size(); ++i)
    if (path[i] == u'/' && Glob(pattern, path.substr(0, i))) return true;
  return false;
}

std::vector<std::u16string> NormalizeAll(const std::vector<std::string>& gbk_patterns) {
  std::vector<std::u16string> out;
  for (const std::string& p : gbk_patterns) {
    std::u16string n = Normalize(GbkToUtf16(p));
    if (!n.empty()) out.push_back(std::move(n));
  }
  return out;
}

}  // namespace

bool PatternMatches(std::u16string_view pattern, std::u16string_view path) {
  return MatchesNormalized(Normalize(pattern), Normalize(path));
}

EntrySelection::EntrySelection(const std::vector<std::string>& patterns,
                               const std::vector<std::string>& exclusions)
    : patterns_(NormalizeAll(patterns)), exclusions_(NormalizeAll(exclusions)) {}

bool EntrySelection::Selects(std::u16string_view path) const {
  std::u16string normalized = Normalize(path);
  for (const std::u16string& x : exclusions_)
    if (MatchesNormalized(x, normalized)) return false;
  if (patterns_.empty()) return true;
  for (const std::u16string& p : patterns_)
    if (MatchesNormalized(p, normalized)) return true;
  return false;
}

}  // namespace qmb::sevenzip
