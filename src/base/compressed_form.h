// The compressed file form of the settings: bytes 0D 0F 3E 03, the uncompressed length as 32-bit
// little-endian, then a zlib stream.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qmb {

// nullopt for empty, short, wrong-magic, corrupt or length-mismatched input.
std::optional<std::string> DecompressForm(std::string_view data);
// Empty only when zlib runs out of memory.
std::string CompressForm(std::string_view data);

}  // namespace qmb
