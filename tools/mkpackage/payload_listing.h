// The payload's files as the package carries them: the payload archive read in place, opened with
// the package's own "safe" password through our archive library.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace qmb::mkpackage {

struct PayloadFile {
  std::string name;  // UTF-8, "/" between folders
  bool folder = false;
  uint64_t size = 0;
};

// The entries of the archive that lies at [offset, offset + size) of the file, in archive order.
std::optional<std::vector<PayloadFile>> ListPayload(const std::filesystem::path& package,
                                                    uint64_t offset, uint64_t size,
                                                    const std::string& password_gbk,
                                                    std::string& error);

}  // namespace qmb::mkpackage
