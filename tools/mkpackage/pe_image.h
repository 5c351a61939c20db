// Reading a PE image's section table, export names and resource directory: where the image ends
// (so appended data can be told apart), what a DLL exports for whom, and where one resource's bytes
// lie in the file, for patching them in place.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qmb::mkpackage {

struct FileRange {
  uint64_t offset = 0;
  uint64_t size = 0;
};

// The file offset where the last section's raw data ends. error receives the reason on failure.
std::optional<uint64_t> ImageEnd(std::string_view image, std::string& error);

// "PE32" or "PE32+" (the optional header's kind), followed by the processor when it is x86 or
// x86-64. Both kinds are read alike; only the optional header differs.
std::optional<std::string> ImageKind(std::string_view image, std::string& error);

inline constexpr uint32_t kMachineX86 = 0x14C;
inline constexpr uint32_t kMachineX64 = 0x8664;

// What decides whether a support DLL loads into the 32-bit installer and has what it calls.
struct ModuleFacts {
  uint32_t machine = 0;  // the file header's machine: kMachineX86, kMachineX64 ...
  bool dll = false;      // the file header marks the image as a DLL
  std::vector<std::string> exports;  // the exported names, in the table's order
};
std::optional<ModuleFacts> ReadModuleFacts(std::string_view image, std::string& error);

// The file range of resource type_name (a named type, compared case-insensitively like the system
// does) / numeric id / first language.
std::optional<FileRange> FindNamedTypeResource(std::string_view image, std::string_view type_name,
                                               uint32_t id, std::string& error);

}  // namespace qmb::mkpackage
