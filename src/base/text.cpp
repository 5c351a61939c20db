// GBK text helpers. Every single-byte search walks the text from its start so that the trail byte of
// a double-byte character (which may be '\' or a letter) is never taken for an ASCII character.
#include "base/text.h"

#include <limits>

namespace qmb {

namespace {

bool IsGbkTrail(unsigned char c) { return c >= 0x40 && c <= 0xFE; }

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

}  // namespace

bool IsGbkLead(unsigned char c) { return c >= 0x81 && c <= 0xFE; }

// 2 for a lead byte followed by a trail byte, 1 otherwise (a lone lead byte at the end, or before
// a non-trail byte, stands alone).
size_t GbkCharLength(std::string_view text, size_t i) {
  if (IsGbkLead(static_cast<unsigned char>(text[i])) && i + 1 < text.size() &&
      IsGbkTrail(static_cast<unsigned char>(text[i + 1])))
    return 2;
  return 1;
}

std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to) {
  if (from.empty()) return std::string(text);
  std::string out;
  out.reserve(text.size());
  size_t pos = 0;
  for (size_t hit; (hit = text.find(from, pos)) != std::string_view::npos; pos = hit + from.size())
    out.append(text.substr(pos, hit - pos)).append(to);
  out.append(text.substr(pos));
  return out;
}

std::string ReplaceAllGbk(std::string_view text, std::string_view from, std::string_view to) {
  if (from.empty()) return std::string(text);
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    if (text.substr(i, from.size()) == from) {
      out.append(to);
      i += from.size();
    } else {
      const size_t length = GbkCharLength(text, i);
      out.append(text.substr(i, length));
      i += length;
    }
  }
  return out;
}

std::string ReplaceFirst(std::string_view text, std::string_view from, std::string_view to) {
  size_t hit = from.empty() ? std::string_view::npos : text.find(from);
  if (hit == std::string_view::npos) return std::string(text);
  std::string out(text.substr(0, hit));
  out.append(to).append(text.substr(hit + from.size()));
  return out;
}

std::string TextBetween(std::string_view text, std::string_view opening, std::string_view closing) {
  size_t start = text.find(opening);
  if (start == std::string_view::npos) return {};
  start += opening.size();
  if (closing.empty()) return std::string(text.substr(start));
  size_t end = text.find(closing, start);
  if (end == std::string_view::npos) return {};
  return std::string(text.substr(start, end - start));
}

std::vector<std::string> Split(std::string_view text, std::string_view separator) {
  std::vector<std::string> pieces;
  if (text.empty()) return pieces;
  if (separator.empty()) {
    pieces.emplace_back(text);
    return pieces;
  }
  size_t pos = 0;
  for (size_t hit; (hit = text.find(separator, pos)) != std::string_view::npos;
       pos = hit + separator.size())
    pieces.emplace_back(text.substr(pos, hit - pos));
  pieces.emplace_back(text.substr(pos));
  return pieces;
}

std::vector<std::string> SplitGbk(std::string_view text, char separator) {
  std::vector<std::string> pieces;
  if (text.empty()) return pieces;
  size_t pos = 0;
  for (size_t hit; (hit = FindCharGbk(text, separator, pos)) != kNotFound; pos = hit + 1)
    pieces.emplace_back(text.substr(pos, hit - pos));
  pieces.emplace_back(text.substr(pos));
  return pieces;
}

// `from` must be a character boundary; callers pass 0 or a position just after a match.
size_t FindCharGbk(std::string_view text, char c, size_t from) {
  for (size_t i = from; i < text.size(); i += GbkCharLength(text, i))
    if (text[i] == c) return i;
  return kNotFound;
}

size_t FindLastCharGbk(std::string_view text, char c) {
  size_t last = kNotFound;
  for (size_t i = 0; i < text.size(); i += GbkCharLength(text, i))
    if (text[i] == c) last = i;
  return last;
}

std::string Trim(std::string_view text) {
  size_t begin = 0, end = text.size();
  while (begin < end && IsBlank(text[begin])) ++begin;
  while (end > begin && IsBlank(text[end - 1])) --end;
  return std::string(text.substr(begin, end - begin));
}

int64_t ToInt64(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  // Accumulate as a negative number: its range holds the magnitude of INT64_MIN.
  constexpr int64_t kMin = std::numeric_limits<int64_t>::min();
  int64_t value = 0;
  bool overflow = false;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    int digit = text[i] - '0';
    if (value < (kMin + digit) / 10) {
      overflow = true;
      break;
    }
    value = value * 10 - digit;
  }
  if (negative) return overflow ? kMin : value;
  if (overflow || value == kMin) return std::numeric_limits<int64_t>::max();
  return -value;
}

int32_t ToInt(std::string_view text) {
  int64_t v = ToInt64(text);
  if (v > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  if (v < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(v);
}

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

bool EndsWith(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size();) {
    size_t n = GbkCharLength(a, i);
    if (n == 2) {
      if (a.substr(i, 2) != b.substr(i, 2)) return false;
    } else if (AsciiLower(a[i]) != AsciiLower(b[i])) {
      return false;
    }
    i += n;
  }
  return true;
}

std::string CaseKey(std::string_view text) {
  std::string key(text);
  for (size_t i = 0; i < key.size(); i += GbkCharLength(key, i)) key[i] = AsciiLower(key[i]);
  return key;
}

bool IsTrue(std::string_view text) { return text == "真"; }

std::string ToHex(uint64_t value) {
  static constexpr char kDigits[] = "0123456789abcdef";
  char buf[16];
  size_t start = sizeof buf;
  do {
    buf[--start] = kDigits[value & 0xF];
    value >>= 4;
  } while (value != 0);
  return std::string(buf + start, sizeof buf - start);
}

}  // namespace qmb
