// MD5 through libgcrypt.
#include "base/digest.h"

#include <gcrypt.h>

#include "base/crypto_init.h"

namespace qmb {

std::string Md5Hex(std::string_view data) {
  EnsureCryptoReady();
  unsigned char digest[16];
  gcry_md_hash_buffer(GCRY_MD_MD5, digest, data.data(), data.size());
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
