// Byte counts as size texts. The unit follows the count's number of decimal digits.
#pragma once

#include <cstdint>
#include <string>

namespace qmb {

std::string FormatSize(int64_t bytes, int decimals = 2);
// "可用空间: " + the size of the free bytes (a failed query passes -1024).
std::string FreeSpaceLabel(int64_t free_bytes);

}  // namespace qmb
