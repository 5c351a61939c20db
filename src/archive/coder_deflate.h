// Deflate decoding (raw inflate through zlib).
#pragma once

#include "archive/coder.h"

namespace qmb::sevenzip {

std::unique_ptr<Source> MakeDeflateDecoder(std::unique_ptr<Source> input);

}  // namespace qmb::sevenzip
