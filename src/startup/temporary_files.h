// Removing what the program leaves in the temp folder and the install folder: the copied payload,
// the settings work folder and the volume folder "7ztemp".
#pragma once

#include <string>

namespace qmb {

struct Context;

// True for the payload copy that the package step makes in the temp folder (".7zqmb"): the one
// archive file this program owns, may repair and deletes.
bool IsPayloadCopy(Context& ctx, const std::string& path);

// With delete_payload, the payload copy that the package step made in the temp folder is deleted.
// Then the work folder (unless it is the program's own folder) and install folder + "\7ztemp" are
// removed with everything in them.
void RemoveTemporaryFiles(Context& ctx, bool delete_payload);

}  // namespace qmb
