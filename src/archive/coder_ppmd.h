// PPMd decoding (variant H with 7z's range coder).
#pragma once

#include "archive/coder.h"

namespace qmb::sevenzip {

// props: the model order (2..64) and the model's memory size (32-bit little-endian). On failure
// returns null with status set: kUnsupportedMethod for bad properties, kTooLarge for a model
// beyond our bound or one whose memory cannot be had.
std::unique_ptr<Source> MakePpmdDecoder(const std::vector<uint8_t>& props, std::unique_ptr<Source> input,
                                        Status& status);

}  // namespace qmb::sevenzip
