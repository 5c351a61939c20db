// LZMA2 decoding on several threads. A stream that resets its dictionary now and then (as
// compressors running on several threads write it) is a row of independent pieces: the chunk
// headers give every chunk's packed and unpacked size, so the stream is cut at its resets without
// decoding, and the pieces are decoded side by side while their bytes are handed on in order.
#pragma once

#include "archive/coder.h"
#include "archive/decode_share.h"

namespace qmb::sevenzip {

// Like MakeLzma2Decoder, with threads and memory for pieces ahead taken from `share`. Decodes the
// same bytes and fails with the same status at the same place; a stream without resets, or with
// pieces too large to hold in memory, is decoded as one stream from there on.
std::unique_ptr<Source> MakeLzma2SplitDecoder(const std::vector<uint8_t>& props, std::unique_ptr<Source> input,
                                              uint64_t out_size, DecodeShare& share, Status& status);

}  // namespace qmb::sevenzip
