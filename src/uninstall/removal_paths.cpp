// Path checks of the uninstaller. Windows drops trailing dots and blanks from every name, so a name
// of dots and blanks only ("..", ". .", "...") is refused whatever its exact form.
#include "uninstall/removal_paths.h"

#include "base/path.h"
#include "base/text.h"
#include "context/context.h"

namespace qmb {

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

bool IsDriveLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// The names between separators. "/" is never a trail byte of GBK, so only "\" needs the GBK walk.
std::vector<std::string> Names(std::string_view path) {
  std::vector<std::string> names;
  for (const std::string& part : SplitGbk(path, '\\'))
    for (const std::string& name : Split(part, "/")) names.push_back(name);
  return names;
}

bool IsDeviceName(std::string_view name) {
  std::string base(name.substr(0, name.find('.')));
  while (!base.empty() && base.back() == ' ') base.pop_back();
  for (const char* device : {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$", "CLOCK$"})
    if (EqualsIgnoreCase(base, device)) return true;
  if (base.size() == 4 && base[3] >= '1' && base[3] <= '9') {
    const std::string_view stem = std::string_view(base).substr(0, 3);
    return EqualsIgnoreCase(stem, "COM") || EqualsIgnoreCase(stem, "LPT");
  }
  return false;
}

bool HasBadCharacter(std::string_view name) {
  for (size_t i = 0; i < name.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(name[i]);
    if (IsGbkLead(c) && i + 1 < name.size()) {
      ++i;  // a double-byte character; its trail byte may be any of 0x40..0xFE
      continue;
    }
    if (c < 0x20 || c == '<' || c == '>' || c == ':' || c == '"' || c == '|' || c == '?' ||
        c == '*')
      return true;
  }
  return false;
}

PathProblem CheckNames(const std::vector<std::string>& names) {
  for (const std::string& name : names) {
    if (name.empty()) continue;
    if (name.find_first_not_of(". ") == std::string::npos) return PathProblem::kClimbs;
    if (HasBadCharacter(name)) return PathProblem::kBadName;
    if (IsDeviceName(name)) return PathProblem::kDevice;
  }
  return PathProblem::kNone;
}

bool AllEmpty(const std::vector<std::string>& names) {
  for (const std::string& name : names)
    if (!name.empty()) return false;
  return true;
}

// The folder a keep entry names below the install folder, without trailing separators.
std::string KeptPath(const std::string& install_folder, const std::string& entry) {
  std::string path = JoinPath(install_folder, entry);
  while (!path.empty() && IsSeparator(path.back()) && FindLastCharGbk(path, path.back()) == path.size() - 1)
    path.pop_back();
  return NormalizePath(path);
}

}  // namespace

std::string_view PathProblemText(PathProblem problem) {
  switch (problem) {
    case PathProblem::kNone: return "sound";
    case PathProblem::kEmpty: return "empty";
    case PathProblem::kRelative: return "not a full path";
    case PathProblem::kAbsolute: return "not below the install folder";
    case PathProblem::kClimbs: return "climbs with \"..\"";
    case PathProblem::kDevice: return "names a device";
    case PathProblem::kDriveRoot: return "names a drive root";
    case PathProblem::kBadName: return "holds a character no name may hold";
  }
  return "unknown";
}

PathProblem CheckFullPath(std::string_view path) {
  if (path.empty()) return PathProblem::kEmpty;
  if (path.size() < 3 || !IsDriveLetter(path[0]) || path[1] != ':' || !IsSeparator(path[2]))
    return PathProblem::kRelative;
  const std::vector<std::string> names = Names(path.substr(3));
  if (AllEmpty(names)) return PathProblem::kDriveRoot;
  return CheckNames(names);
}

PathProblem CheckRelativePath(std::string_view path) {
  if (path.empty()) return PathProblem::kEmpty;
  if (IsSeparator(path[0]) || (path.size() >= 2 && path[1] == ':')) return PathProblem::kAbsolute;
  const std::vector<std::string> names = Names(path);
  if (AllEmpty(names)) return PathProblem::kEmpty;
  return CheckNames(names);
}

bool IsSoundName(std::string_view name) {
  return CheckRelativePath(name) == PathProblem::kNone && name.find('/') == std::string_view::npos &&
         FindCharGbk(name, '\\') == kNotFound;
}

bool IsBelowFolder(std::string_view path, std::string_view folder) {
  std::string base = NormalizePath(folder);
  if (base.empty() || path.size() <= base.size() + 1) return false;
  return IsSeparator(path[base.size()]) && EqualsIgnoreCase(path.substr(0, base.size()), base) &&
         FindCharGbk(path, path[base.size()], base.size()) == base.size();
}

std::vector<std::string> FilterFileList(Context& ctx, const std::vector<std::string>& files) {
  const UninstallState& state = ctx.uninstall;
  struct Kept {
    std::string path;
    bool folder;
  };
  std::vector<Kept> kept;
  for (const std::string& entry : state.keep_list) {
    const PathProblem problem = CheckRelativePath(entry);
    if (problem != PathProblem::kNone) {
      ctx.log.Failure("uninstall: keep entry \"" + entry + "\" " +
                      std::string(PathProblemText(problem)) + "; it keeps nothing");
      continue;
    }
    const std::string path = KeptPath(state.install_folder, entry);
    kept.push_back({path, ctx.platform.files.IsDirectory(path)});
  }
  std::vector<std::string> result;
  for (const std::string& file : files) {
    const std::string normalized = NormalizePath(file);
    bool keep = false;
    for (const Kept& k : kept) {
      keep = k.folder ? IsBelowFolder(normalized, k.path) : EqualsIgnoreCase(normalized, k.path);
      if (keep) break;
    }
    if (keep) {
      ctx.log.Step("uninstall: keeps " + file);
    } else {
      result.push_back(file);
    }
  }
  return result;
}

}  // namespace qmb
