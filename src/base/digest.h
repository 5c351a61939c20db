// Digests through libgcrypt.
#pragma once

#include <string>
#include <string_view>

namespace qmb {

// MD5 of the bytes as 32 lower-case hexadecimal digits.
std::string Md5Hex(std::string_view data);

}  // namespace qmb
