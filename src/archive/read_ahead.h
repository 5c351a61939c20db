// A source read ahead on a thread borrowed from the run's share, so that the costly decoder below a
// cheaper one above it (the main stream under BCJ2) runs beside it rather than in turn with it.
#pragma once

#include "archive/coder.h"
#include "archive/decode_share.h"

namespace qmb::sevenzip {

// Gives `inner`'s bytes and final status unchanged. Until the share lends a thread (and the
// memory of the chunks held ahead), each read goes straight to `inner`; from then on a helper
// reads it, at most a few chunks ahead, and stops when the share stops the run. The helper asks
// `inner` for `read_size` bytes at a time, and drops the bytes of a read that fails: when that is
// what the consumer does itself (a buffered reader of that size), a damaged stream fails at the
// same byte with the helper as without it.
std::unique_ptr<Source> MakeReadAhead(std::unique_ptr<Source> inner, size_t read_size, DecodeShare& share);

}  // namespace qmb::sevenzip
