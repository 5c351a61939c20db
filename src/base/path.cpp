// Windows path helpers over GBK text. A trailing 0x5C that is the second byte of a double-byte
// character is part of a name, not a separator.
#include "base/path.h"

#include "base/text.h"

namespace qmb {

namespace {

bool EndsWithSeparator(std::string_view path) {
  return !path.empty() && FindLastCharGbk(path, '\\') == path.size() - 1;
}

bool IsUsableName(std::string_view name) {
  if (name.empty() || name == "." || name == "..") return false;
  for (size_t i = 0; i < name.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(name[i]);
    if (IsGbkLead(c) && i + 1 < name.size()) {
      ++i;  // a trail byte may be any byte from 0x40 on, "|" included
      continue;
    }
    if (c < 0x20 || std::string_view("<>:\"/|?*").find(static_cast<char>(c)) != kNotFound) {
      return false;
    }
  }
  return true;
}

}  // namespace

std::string NormalizePath(std::string_view path) {
  std::string out(path);
  if (!out.empty() && out[0] >= 'a' && out[0] <= 'z') out[0] = static_cast<char>(out[0] - 'a' + 'A');
  if (EndsWithSeparator(out)) out.pop_back();
  return out;
}

std::string ParentFolder(std::string_view path) {
  size_t pos = FindLastCharGbk(path, '\\');
  return pos == kNotFound ? std::string() : std::string(path.substr(0, pos));
}

std::string FileNameOf(std::string_view path) {
  size_t pos = FindLastCharGbk(path, '\\');
  return std::string(pos == kNotFound ? path : path.substr(pos + 1));
}

bool IsFolderBelowDrive(std::string_view path) {
  const bool letter = !path.empty() && ((path[0] >= 'A' && path[0] <= 'Z') ||
                                        (path[0] >= 'a' && path[0] <= 'z'));
  if (!letter || path.size() < 4 || path[1] != ':' || path[2] != '\\') return false;
  for (const std::string& name : SplitGbk(path.substr(3), '\\')) {
    if (!IsUsableName(name)) return false;
  }
  return true;
}

std::string JoinPath(std::string_view a, std::string_view b) {
  if (a.empty()) return std::string(b);
  std::string out(a);
  if (!EndsWithSeparator(a)) out.push_back('\\');
  out.append(b);
  return out;
}

std::string SafeFileName(std::string_view name) {
  if (name.empty()) return "_";
  std::string out;
  out.reserve(name.size());
  for (size_t i = 0; i < name.size();) {
    const size_t length = GbkCharLength(name, i);
    const unsigned char c = static_cast<unsigned char>(name[i]);
    if (length == 1 && (c < 0x20 || std::string_view("\\/:*?\"<>|").find(static_cast<char>(c)) !=
                                        std::string_view::npos))
      out.push_back('_');
    else
      out.append(name.substr(i, length));
    i += length;
  }
  // Windows drops trailing dots and blanks from a name, which would make ".." (or "a.") another
  // folder's name.
  for (size_t i = out.size(); i > 0 && (out[i - 1] == '.' || out[i - 1] == ' '); --i) out[i - 1] = '_';
  return out;
}

}  // namespace qmb
