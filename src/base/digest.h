// Digests as the settings layer writes them.
#pragma once

#include <string>
#include <string_view>

namespace qmb {

// MD5 of the bytes as 32 lower-case hexadecimal digits; empty only if the system's hash fails.
std::string Md5Hex(std::string_view data);

}  // namespace qmb
