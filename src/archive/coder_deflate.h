// Deflate decoding (raw inflate through zlib) and Deflate64 (our own inflate with the larger
// window and codes, which zlib does not have).
#pragma once

#include "archive/coder.h"

namespace qmb::sevenzip {

std::unique_ptr<Source> MakeDeflateDecoder(std::unique_ptr<Source> input);
std::unique_ptr<Source> MakeDeflate64Decoder(std::unique_ptr<Source> input);

}  // namespace qmb::sevenzip
