// The archive library of the runtime image: written from our resource into the temp folder at
// start, and bound from there on the first extraction.
#pragma once

#include <optional>
#include <string>

#include "extract/archive_library.h"

namespace qmb {

struct Context;

// Writes the SEVENZIP_DLL resource to temp folder + "7-zip32.dll" (replacing an older one) and
// makes the temp folder the place the library is loaded from. False when the file could not be
// written (a library already there is then used as it is).
bool InstallArchiveLibrary(Context& ctx);

// Loads temp folder + "7-zip32.dll" and takes its four functions; nullopt on failure.
std::optional<ArchiveLibrary> LoadArchiveLibrary(Context& ctx);
// The same for the library at path (the test programs load the build's DLL).
std::optional<ArchiveLibrary> LoadArchiveLibraryFrom(Context& ctx, const std::string& path);

}  // namespace qmb
