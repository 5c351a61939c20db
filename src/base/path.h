// Windows path helpers over GBK text.
#pragma once

#include <string>
#include <string_view>

namespace qmb {

// First character upper-cased, one trailing "\" removed.
std::string NormalizePath(std::string_view path);
// Folder part before the last "\" (GBK-aware); empty when there is none.
std::string ParentFolder(std::string_view path);
// Text after the last "\" (GBK-aware); the whole text when there is none.
std::string FileNameOf(std::string_view path);
// True for a folder below a drive root, "X:\name[\name...]": no empty, "." or ".." name and no
// character that Windows forbids in names (< > : " / | ? * and control characters). Such a folder
// can be handed on in quoted command lines and never climbs out of itself.
bool IsFolderBelowDrive(std::string_view path);
// a + "\" + b, without doubling a "\" that a already ends with; b alone when a is empty.
std::string JoinPath(std::string_view a, std::string_view b);

// name made usable as one file or folder name: every character Windows refuses in a name
// (\ / : * ? " < > | and control characters) and every trailing dot or blank becomes "_"; an
// empty name becomes "_". Keeps a name from reaching outside the folder it is joined to.
std::string SafeFileName(std::string_view name);

}  // namespace qmb
