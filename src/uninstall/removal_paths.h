// Which paths the uninstaller may touch. The record is a file anyone can damage, so every path it
// names is checked before anything is deleted: a full path below a drive root that neither climbs
// with "..", nor names a device, a stream or a wildcard. Keep entries are checked as paths below
// the install folder, and the file list is filtered by them.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qmb {

struct Context;

enum class PathProblem {
  kNone,
  kEmpty,
  kRelative,   // not "X:\..." (a full path was expected)
  kAbsolute,   // a drive or a leading "\" (a path below the install folder was expected)
  kClimbs,     // a "." or ".." name (or one Windows reads as such: dots and blanks only)
  kDevice,     // CON, NUL, COM1 ... whatever extension follows
  kDriveRoot,  // "X:\" itself
  kBadName,    // a character Windows forbids in names (":" of a stream, wildcards, controls)
};

std::string_view PathProblemText(PathProblem problem);

// A full path "X:\name[\name...]"; "\" and "/" both separate, empty names between separators are
// allowed (Windows collapses them).
PathProblem CheckFullPath(std::string_view path);

// A path below some folder: "name[\name...]", no drive and no leading separator.
PathProblem CheckRelativePath(std::string_view path);

// One file or folder name that stays inside the folder it is joined to: not empty, no separator,
// no "..", no device, no character Windows forbids.
bool IsSoundName(std::string_view name);

// True when path lies strictly below folder, letters compared without case.
bool IsBelowFolder(std::string_view path, std::string_view folder);

// The file list without the files that a keep entry protects: an entry naming a folder below the
// install folder keeps every file below it, an entry naming anything else keeps the file of exactly
// that path (letters compared without case). Unsound keep entries are logged and keep nothing.
std::vector<std::string> FilterFileList(Context& ctx, const std::vector<std::string>& files);

}  // namespace qmb
