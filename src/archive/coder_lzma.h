// LZMA and LZMA2 decoders over our LZMA decoder core.
#pragma once

#include "archive/coder.h"

namespace qmb::sevenzip {

// props: the coder's properties from the folder; out_size: the exact decoded size. On failure
// returns null with status set (kUnsupportedMethod for bad properties, kTooLarge for a dictionary
// beyond our bound).
std::unique_ptr<Source> MakeLzmaDecoder(const std::vector<uint8_t>& props, std::unique_ptr<Source> input,
                                        uint64_t out_size, Status& status);
// position: where in the whole stream's output the input starts (a piece after a dictionary reset).
std::unique_ptr<Source> MakeLzma2Decoder(const std::vector<uint8_t>& props, std::unique_ptr<Source> input,
                                         uint64_t out_size, Status& status, uint64_t position = 0);

// LZMA2 dictionary size from its one property byte; false for a byte beyond 40.
bool Lzma2Dictionary(uint8_t prop, uint64_t& dictionary);

}  // namespace qmb::sevenzip
