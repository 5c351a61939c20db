// Decoding ahead of the reader only fills cores the reader's own work leaves free: a thread doing
// such work runs behind the others of the process, and comes forward again once the reader waits on
// it. A request the system refuses leaves the thread as it was.
#pragma once

namespace qmb::sevenzip {

// Moves the calling thread behind the process's other threads (true) or back to their level.
void RunBehind(bool behind);

}  // namespace qmb::sevenzip
