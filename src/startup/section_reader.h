// The readers that find a marked section in the package file, one scanning from the front and one
// from the end, in fixed blocks so a package of any size is never held whole; and the repair of an
// archive signature that the package stores altered.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace qmb {

struct Context;

inline constexpr uint64_t kSectionBlockSize = 0xF00000;  // 15,728,640 bytes

// Receives the integer percentage of the file read so far.
using SectionProgress = std::function<void(int percent)>;

// A fresh name in the system temp folder (tick count and counter, ".tmp"); empty when none is free.
// The payload file and the settings work folder are named with it.
std::string NewTempName(Context& ctx);

// Finds the first opening mark + 0x01 and the first closing mark + 0x01 after it. Memory mode
// returns the bytes between them (empty when a mark is missing). File mode returns nothing: it makes
// the payload file (a new temp name + ".7zqmb", holding one 0x00 byte until something is copied),
// makes it the archive path, and copies into it the opening mark, everything after it, and the rest
// of the block in which the closing mark is found. A mark cut by a block boundary is not found.
std::string ReadSectionForward(Context& ctx, const std::string& path, std::string_view open_mark,
                               std::string_view close_mark, const SectionProgress& progress,
                               bool file_mode, uint64_t block_size = kSectionBlockSize);

// Finds the last closing mark + 0x01, then the last opening mark + 0x01 before it, scanning blocks
// from the end; returns the bytes between them, empty when a mark is missing.
std::string ReadSectionBackward(Context& ctx, const std::string& path, std::string_view close_mark,
                                std::string_view open_mark, uint64_t block_size = kSectionBlockSize);

// Writes "7z" at offset unless a 7z signature with major version 0 stands at offset 0 or 1.
// False when the file cannot be read or written.
bool RepairArchiveSignature(Context& ctx, const std::string& path, uint64_t offset);

}  // namespace qmb
