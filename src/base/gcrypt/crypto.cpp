// The crypto interface over libgcrypt, for the native build (the packaging tool and the tests).
#include "base/crypto.h"
#include "base/gcrypt/gcrypt_ready.h"

#include <gcrypt.h>

#include <cstring>

namespace qmb::crypto {

// libgcrypt wants its version check before any other call; a function-local static runs it
// exactly once even when threads race for it.
void EnsureGcryptReady() {
  static const bool ready = [] {
    gcry_check_version(nullptr);
    // Nothing here keeps long-lived secrets, so the locked secure-memory pool is not needed.
    gcry_control(GCRYCTL_DISABLE_SECMEM, 0);
    gcry_control(GCRYCTL_INITIALIZATION_FINISHED, 0);
    return true;
  }();
  (void)ready;
}

namespace {

int Algorithm(DigestKind kind) { return kind == DigestKind::kMd5 ? GCRY_MD_MD5 : GCRY_MD_SHA256; }

// An AES-256 handle in the given mode; closes itself.
class Cipher {
 public:
  Cipher(int mode, const uint8_t* key, const uint8_t* iv, size_t iv_size) {
    EnsureGcryptReady();
    if (gcry_cipher_open(&handle_, GCRY_CIPHER_AES256, mode, 0) != 0) {
      handle_ = nullptr;
      return;
    }
    if (gcry_cipher_setkey(handle_, key, kAesKeySize) != 0 || gcry_cipher_setiv(handle_, iv, iv_size) != 0) {
      gcry_cipher_close(handle_);
      handle_ = nullptr;
    }
  }
  ~Cipher() {
    if (handle_) gcry_cipher_close(handle_);
  }
  Cipher(const Cipher&) = delete;
  Cipher& operator=(const Cipher&) = delete;

  gcry_cipher_hd_t get() const { return handle_; }

 private:
  gcry_cipher_hd_t handle_ = nullptr;
};

}  // namespace

struct Hash::State {
  gcry_md_hd_t md = nullptr;
  ~State() { gcry_md_close(md); }
};

Hash::Hash(DigestKind kind) : kind_(kind) {
  EnsureGcryptReady();
  auto state = std::make_unique<State>();
  if (gcry_md_open(&state->md, Algorithm(kind), 0) == 0) state_ = std::move(state);
}

Hash::~Hash() = default;

void Hash::Write(const void* data, size_t size) {
  if (state_) gcry_md_write(state_->md, data, size);
}

bool Hash::Finish(uint8_t* digest) {
  if (!state_) return false;
  const unsigned char* result = gcry_md_read(state_->md, Algorithm(kind_));
  if (result) std::memcpy(digest, result, DigestSize(kind_));
  state_.reset();
  return result != nullptr;
}

bool Digest(DigestKind kind, const void* data, size_t size, uint8_t* digest) {
  EnsureGcryptReady();
  gcry_md_hash_buffer(Algorithm(kind), digest, data, size);
  return true;
}

bool HmacSha256(const uint8_t* key, size_t key_size, const void* data, size_t size, uint8_t* mac) {
  EnsureGcryptReady();
  gcry_md_hd_t md;
  if (gcry_md_open(&md, GCRY_MD_SHA256, GCRY_MD_FLAG_HMAC) != 0) return false;
  bool ok = gcry_md_setkey(md, key, key_size) == 0;
  if (ok) {
    gcry_md_write(md, data, size);
    const unsigned char* result = gcry_md_read(md, GCRY_MD_SHA256);
    ok = result != nullptr;
    if (ok) std::memcpy(mac, result, DigestSize(DigestKind::kSha256));
  }
  gcry_md_close(md);
  return ok;
}

struct AesCbcDecryptor::State {
  Cipher cipher;
};

AesCbcDecryptor::AesCbcDecryptor() = default;
AesCbcDecryptor::~AesCbcDecryptor() = default;

bool AesCbcDecryptor::Init(const uint8_t* key, const uint8_t* iv) {
  state_.reset(new State{Cipher(GCRY_CIPHER_MODE_CBC, key, iv, kAesBlockSize)});
  if (!state_->cipher.get()) state_.reset();
  return state_ != nullptr;
}

bool AesCbcDecryptor::Decrypt(uint8_t* data, size_t size) {
  if (!state_ || size % kAesBlockSize) return false;
  return size == 0 || gcry_cipher_decrypt(state_->cipher.get(), data, size, nullptr, 0) == 0;
}

bool AesGcmEncrypt(const uint8_t* key, const uint8_t* nonce, const uint8_t* in, size_t size, uint8_t* out,
                   uint8_t* tag) {
  Cipher gcm(GCRY_CIPHER_MODE_GCM, key, nonce, kGcmNonceSize);
  return gcm.get() && gcry_cipher_final(gcm.get()) == 0 &&
         gcry_cipher_encrypt(gcm.get(), out, size, in, size) == 0 &&
         gcry_cipher_gettag(gcm.get(), tag, kGcmTagSize) == 0;
}

bool AesGcmDecrypt(const uint8_t* key, const uint8_t* nonce, const uint8_t* in, size_t size, uint8_t* out,
                   const uint8_t* tag) {
  Cipher gcm(GCRY_CIPHER_MODE_GCM, key, nonce, kGcmNonceSize);
  return gcm.get() && gcry_cipher_final(gcm.get()) == 0 &&
         gcry_cipher_decrypt(gcm.get(), out, size, in, size) == 0 &&
         gcry_cipher_checktag(gcm.get(), tag, kGcmTagSize) == 0;
}

}  // namespace qmb::crypto
