// The two names of the system folders under WOW64. A 32-bit program on 64-bit Windows that names
// "<Windows>\System32" reaches SysWOW64 (the folder is redirected), and reaches the real System32
// only as "<Windows>\Sysnative", a name that exists for 32-bit programs alone. A path this program
// hands to a 64-bit one (the uninstall entry, which Windows' installed-programs list runs) must be
// written in the 64-bit program's terms, and a path a 64-bit program hands to this one read in ours.
#pragma once

#include <string>
#include <string_view>

namespace qmb {

// path as a 64-bit program names the same file: "<Windows>\Sysnative\..." becomes
// "<Windows>\System32\...", and "<Windows>\System32\..." (redirected) becomes "<Windows>\SysWOW64\...".
// Any other path is returned as it is. windows_folder is compared without case.
std::string PathFor64BitPrograms(std::string_view path, std::string_view windows_folder);

// path, named by a 64-bit program, as this 32-bit program reaches it: "<Windows>\System32\..."
// becomes "<Windows>\Sysnative\...". Any other path is returned as it is.
std::string PathFrom64BitPrograms(std::string_view path, std::string_view windows_folder);

}  // namespace qmb
