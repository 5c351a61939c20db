// MD5 as text, through the crypto interface.
#include "base/digest.h"

#include "base/crypto.h"

namespace qmb {

std::string Md5Hex(std::string_view data) {
  uint8_t digest[crypto::DigestSize(crypto::DigestKind::kMd5)];
  if (!crypto::Digest(crypto::DigestKind::kMd5, data.data(), data.size(), digest)) return {};
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string hex;
  hex.reserve(32);
  for (unsigned char b : digest) {
    hex.push_back(kDigits[b >> 4]);
    hex.push_back(kDigits[b & 0xF]);
  }
  return hex;
}

}  // namespace qmb
