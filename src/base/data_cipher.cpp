// The data cipher: AES-256-GCM under the SHA-256 of the key text. The nonce is taken from an HMAC
// of the plain bytes, so the same file enciphers to the same bytes every time (packages build
// reproducibly) while two different files never share a nonce. Layout:
// "QMBC1" + 12-byte nonce + ciphertext + 16-byte tag.
#include "base/data_cipher.h"

#include <algorithm>

#include "base/crypto.h"

namespace qmb {

namespace {

constexpr std::string_view kMagic = "QMBC1";
using crypto::kAesKeySize;
using crypto::kGcmNonceSize;
using crypto::kGcmTagSize;

struct Key {
  uint8_t bytes[kAesKeySize];
  bool ok;
};

Key DeriveKey(std::string_view text) {
  Key key;
  key.ok = crypto::Digest(crypto::DigestKind::kSha256, text.data(), text.size(), key.bytes);
  return key;
}

uint8_t* Bytes(std::string& s, size_t offset) { return reinterpret_cast<uint8_t*>(s.data()) + offset; }

const uint8_t* Bytes(std::string_view s, size_t offset) {
  return reinterpret_cast<const uint8_t*>(s.data()) + offset;
}

}  // namespace

std::string Encipher(std::string_view plain, std::string_view key_text) {
  Key key = DeriveKey(key_text);
  if (!key.ok) return {};
  std::string out(kMagic);
  out.resize(kMagic.size() + kGcmNonceSize + plain.size() + kGcmTagSize);
  uint8_t* nonce = Bytes(out, kMagic.size());
  uint8_t mac[crypto::DigestSize(crypto::DigestKind::kSha256)];
  if (!crypto::HmacSha256(key.bytes, kAesKeySize, plain.data(), plain.size(), mac)) return {};
  std::copy(mac, mac + kGcmNonceSize, nonce);
  size_t body = kMagic.size() + kGcmNonceSize;
  if (!crypto::AesGcmEncrypt(key.bytes, nonce, Bytes(plain, 0), plain.size(), Bytes(out, body),
                             Bytes(out, body + plain.size())))
    return {};
  return out;
}

std::optional<std::string> Decipher(std::string_view data, std::string_view key_text) {
  if (data.size() < kMagic.size() + kGcmNonceSize + kGcmTagSize || data.substr(0, kMagic.size()) != kMagic)
    return std::nullopt;
  Key key = DeriveKey(key_text);
  if (!key.ok) return std::nullopt;
  std::string_view cipher = data.substr(kMagic.size() + kGcmNonceSize);
  std::string_view tag = cipher.substr(cipher.size() - kGcmTagSize);
  cipher.remove_suffix(kGcmTagSize);
  std::string plain(cipher.size(), '\0');
  if (!crypto::AesGcmDecrypt(key.bytes, Bytes(data, kMagic.size()), Bytes(cipher, 0), cipher.size(),
                             Bytes(plain, 0), Bytes(tag, 0)))
    return std::nullopt;
  return plain;
}

}  // namespace qmb
