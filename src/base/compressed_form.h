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

// A gzip stream (as `gzip -9` writes it) inflated; nullopt when it is damaged or would inflate to
// more than max_size bytes. The runtime image carries its archive library this way.
std::optional<std::string> DecompressGzip(std::string_view data, size_t max_size);
// A gzip stream as DecompressGzip reads it (compressed as `gzip -9`); empty only when zlib runs out
// of memory.
std::string CompressGzip(std::string_view data);
// Whether the bytes start as a gzip stream does.
bool IsGzip(std::string_view data);
// Bytes that may be carried gzip-compressed: a gzip stream (bytes behind it are ignored) inflated,
// anything else as it stands.
std::optional<std::string> InflateIfGzip(std::string_view data, size_t max_size);

}  // namespace qmb
