// The data cipher: AES-256-GCM under the SHA-256 of the key text. The nonce is taken from an HMAC
// of the plain bytes, so the same file enciphers to the same bytes every time (packages build
// reproducibly) while two different files never share a nonce. Layout:
// "QMBC1" + 12-byte nonce + ciphertext + 16-byte tag.
#include "base/data_cipher.h"

#include <gcrypt.h>

#include <algorithm>

#include "base/crypto_init.h"

namespace qmb {

namespace {

constexpr std::string_view kMagic = "QMBC1";
constexpr size_t kKeySize = 32;
constexpr size_t kNonceSize = 12;
constexpr size_t kTagSize = 16;

struct Key {
  unsigned char bytes[kKeySize];
};

Key DeriveKey(std::string_view text) {
  EnsureCryptoReady();
  Key key;
  gcry_md_hash_buffer(GCRY_MD_SHA256, key.bytes, text.data(), text.size());
  return key;
}

bool MakeNonce(const Key& key, std::string_view plain, unsigned char* nonce) {
  gcry_md_hd_t md;
  if (gcry_md_open(&md, GCRY_MD_SHA256, GCRY_MD_FLAG_HMAC) != 0) return false;
  bool ok = gcry_md_setkey(md, key.bytes, kKeySize) == 0;
  if (ok) {
    gcry_md_write(md, plain.data(), plain.size());
    const unsigned char* mac = gcry_md_read(md, GCRY_MD_SHA256);
    ok = mac != nullptr;
    if (ok) std::copy(mac, mac + kNonceSize, nonce);
  }
  gcry_md_close(md);
  return ok;
}

// An AES-256-GCM handle set to key and nonce; closes itself.
class Gcm {
 public:
  Gcm(const Key& key, const unsigned char* nonce) {
    if (gcry_cipher_open(&handle_, GCRY_CIPHER_AES256, GCRY_CIPHER_MODE_GCM, 0) != 0) {
      handle_ = nullptr;
      return;
    }
    if (gcry_cipher_setkey(handle_, key.bytes, kKeySize) != 0 ||
        gcry_cipher_setiv(handle_, nonce, kNonceSize) != 0) {
      gcry_cipher_close(handle_);
      handle_ = nullptr;
    }
  }
  ~Gcm() {
    if (handle_) gcry_cipher_close(handle_);
  }
  Gcm(const Gcm&) = delete;
  Gcm& operator=(const Gcm&) = delete;

  bool ok() const { return handle_ != nullptr; }
  gcry_cipher_hd_t get() const { return handle_; }

 private:
  gcry_cipher_hd_t handle_ = nullptr;
};

unsigned char* Bytes(std::string& s, size_t offset) {
  return reinterpret_cast<unsigned char*>(s.data()) + offset;
}

}  // namespace

std::string Encipher(std::string_view plain, std::string_view key_text) {
  Key key = DeriveKey(key_text);
  std::string out(kMagic);
  out.resize(kMagic.size() + kNonceSize + plain.size() + kTagSize);
  unsigned char* nonce = Bytes(out, kMagic.size());
  if (!MakeNonce(key, plain, nonce)) return {};
  Gcm gcm(key, nonce);
  if (!gcm.ok()) return {};
  size_t body = kMagic.size() + kNonceSize;
  if (gcry_cipher_final(gcm.get()) != 0 ||
      gcry_cipher_encrypt(gcm.get(), Bytes(out, body), plain.size(), plain.data(), plain.size()) != 0 ||
      gcry_cipher_gettag(gcm.get(), Bytes(out, body + plain.size()), kTagSize) != 0)
    return {};
  return out;
}

std::optional<std::string> Decipher(std::string_view data, std::string_view key_text) {
  if (data.size() < kMagic.size() + kNonceSize + kTagSize || data.substr(0, kMagic.size()) != kMagic)
    return std::nullopt;
  Key key = DeriveKey(key_text);
  std::string nonce(data.substr(kMagic.size(), kNonceSize));
  Gcm gcm(key, Bytes(nonce, 0));
  if (!gcm.ok()) return std::nullopt;
  std::string_view cipher = data.substr(kMagic.size() + kNonceSize);
  std::string_view tag = cipher.substr(cipher.size() - kTagSize);
  cipher.remove_suffix(kTagSize);
  std::string plain(cipher.size(), '\0');
  if (gcry_cipher_final(gcm.get()) != 0 ||
      gcry_cipher_decrypt(gcm.get(), Bytes(plain, 0), plain.size(), cipher.data(), cipher.size()) != 0 ||
      gcry_cipher_checktag(gcm.get(), tag.data(), kTagSize) != 0)
    return std::nullopt;
  return plain;
}

}  // namespace qmb
