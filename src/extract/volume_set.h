// Irregularly named split volumes handed to the archive library as a regular set: one placeholder
// per volume, named base.001, base.002 ... with the real volume's size, in a hidden folder below the
// destination, while file opens of those names are redirected to the real volumes.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace qmb {

struct Context;

// What one prepared run leaves behind to be cleaned up.
struct PreparedVolumes {
  std::string folder;  // destination + "\7ztemp\"
  std::string base;    // the placeholders' base name (hexadecimal digits)
};

// Builds the placeholder set for volumes and starts the redirection (ctx.extract.open_redirect).
// destination's first character (its drive letter) is upper-cased in the caller's text; archive
// becomes the first placeholder. nullopt, with nothing left behind and archive unchanged, when a
// step fails (no folder, an unreadable volume, no redirection).
std::optional<PreparedVolumes> PrepareVolumes(Context& ctx, std::string& archive,
                                              std::string& destination,
                                              const std::vector<std::string>& volumes);

// Stops the redirection; harmless when none was started.
void EndVolumes(Context& ctx);

// Deletes the volume folder of a run with its placeholders.
void RemoveVolumeFolder(Context& ctx, const PreparedVolumes& prepared);

}  // namespace qmb
