// BZip2 decoding, one stream or several in a row.
#pragma once

#include "archive/coder.h"

namespace qmb::sevenzip {

std::unique_ptr<Source> MakeBzip2Decoder(std::unique_ptr<Source> input);

}  // namespace qmb::sevenzip
