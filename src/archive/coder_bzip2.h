// BZip2 decoding, one stream or several in a row.
#pragma once

#include "archive/coder.h"
#include "archive/decode_share.h"

namespace qmb::sevenzip {

// With a share, the inverse transforms of blocks ahead run on threads it lends, in blocks held
// with memory from its budget; the bytes and any failure are those of the one-thread run.
std::unique_ptr<Source> MakeBzip2Decoder(std::unique_ptr<Source> input, DecodeShare* share = nullptr);

}  // namespace qmb::sevenzip
