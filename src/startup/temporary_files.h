// Removing what the program leaves in the temp folder and the install folder: the copied payload,
// the settings work folder and the volume folder "7ztemp".
#pragma once

namespace qmb {

struct Context;

// With delete_payload, the payload copy that the package step made in the temp folder is deleted.
// Then the work folder (unless it is the program's own folder) and install folder + "\7ztemp" are
// removed with everything in them.
void RemoveTemporaryFiles(Context& ctx, bool delete_payload);

}  // namespace qmb
