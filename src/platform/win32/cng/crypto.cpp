// The crypto interface over the system's CNG (bcrypt.dll, Windows 7 and later): the runtime image
// and the archive library carry no cryptographic code of their own.
#include "base/crypto.h"

#include <windows.h>
#include <bcrypt.h>

#include <algorithm>
#include <climits>
#include <cstring>

namespace qmb::crypto {
namespace {

bool Ok(NTSTATUS status) { return status >= 0; }

// CNG counts bytes in ULONGs; longer inputs go in pieces of this size.
constexpr size_t kMaxPiece = size_t(1) << 30;

// An algorithm provider; closes itself.
class Provider {
 public:
  Provider(const wchar_t* algorithm, ULONG flags = 0) {
    if (!Ok(BCryptOpenAlgorithmProvider(&handle_, algorithm, nullptr, flags))) handle_ = nullptr;
  }
  ~Provider() {
    if (handle_) BCryptCloseAlgorithmProvider(handle_, 0);
  }
  Provider(const Provider&) = delete;
  Provider& operator=(const Provider&) = delete;

  BCRYPT_ALG_HANDLE get() const { return handle_; }

 private:
  BCRYPT_ALG_HANDLE handle_ = nullptr;
};

// An AES-256 key in one chaining mode, with the provider it came from; destroys both.
class AesKey {
 public:
  AesKey(const wchar_t* chaining_mode, const uint8_t* key) : provider_(BCRYPT_AES_ALGORITHM) {
    if (!provider_.get()) return;
    ULONG mode_size = static_cast<ULONG>((std::wcslen(chaining_mode) + 1) * sizeof(wchar_t));
    if (!Ok(BCryptSetProperty(provider_.get(), BCRYPT_CHAINING_MODE,
                              reinterpret_cast<PUCHAR>(const_cast<wchar_t*>(chaining_mode)), mode_size, 0)))
      return;
    if (!Ok(BCryptGenerateSymmetricKey(provider_.get(), &handle_, nullptr, 0, const_cast<PUCHAR>(key),
                                       kAesKeySize, 0)))
      handle_ = nullptr;
  }
  ~AesKey() {
    if (handle_) BCryptDestroyKey(handle_);
  }
  AesKey(const AesKey&) = delete;
  AesKey& operator=(const AesKey&) = delete;

  BCRYPT_KEY_HANDLE get() const { return handle_; }

 private:
  Provider provider_;
  BCRYPT_KEY_HANDLE handle_ = nullptr;
};

const wchar_t* AlgorithmName(DigestKind kind) {
  return kind == DigestKind::kMd5 ? BCRYPT_MD5_ALGORITHM : BCRYPT_SHA256_ALGORITHM;
}

// A hash object over provider, keyed for HMAC when key is given; destroys itself.
class HashObject {
 public:
  HashObject(const Provider& provider, const uint8_t* key = nullptr, size_t key_size = 0) {
    if (!provider.get() || key_size > ULONG_MAX ||
        !Ok(BCryptCreateHash(provider.get(), &handle_, nullptr, 0, const_cast<PUCHAR>(key),
                             static_cast<ULONG>(key_size), 0)))
      handle_ = nullptr;
  }
  ~HashObject() {
    if (handle_) BCryptDestroyHash(handle_);
  }
  HashObject(const HashObject&) = delete;
  HashObject& operator=(const HashObject&) = delete;

  bool ok() const { return handle_ != nullptr; }
  bool Write(const void* data, size_t size) {
    auto* bytes = static_cast<const uint8_t*>(data);
    bool ok = handle_ != nullptr;
    while (ok && size) {
      ULONG piece = static_cast<ULONG>(std::min(size, kMaxPiece));
      ok = Ok(BCryptHashData(handle_, const_cast<PUCHAR>(bytes), piece, 0));
      bytes += piece;
      size -= piece;
    }
    return ok;
  }
  bool Finish(uint8_t* digest, size_t size) {
    return handle_ && Ok(BCryptFinishHash(handle_, digest, static_cast<ULONG>(size), 0));
  }

 private:
  BCRYPT_HASH_HANDLE handle_ = nullptr;
};

// GCM's nonce and tag travel in the authenticated-mode record.
BCRYPT_AUTHENTICATED_CIPHER_MODE_INFO GcmInfo(const uint8_t* nonce, const uint8_t* tag) {
  BCRYPT_AUTHENTICATED_CIPHER_MODE_INFO info;
  BCRYPT_INIT_AUTH_MODE_INFO(info);
  info.pbNonce = const_cast<PUCHAR>(nonce);
  info.cbNonce = kGcmNonceSize;
  info.pbTag = const_cast<PUCHAR>(tag);
  info.cbTag = kGcmTagSize;
  return info;
}

// BCryptEncrypt and BCryptDecrypt take the same arguments; GCM writes or checks the tag in info.
using CipherCall = NTSTATUS(WINAPI*)(BCRYPT_KEY_HANDLE, PUCHAR, ULONG, VOID*, PUCHAR, ULONG, PUCHAR, ULONG,
                                     ULONG*, ULONG);

bool RunGcm(CipherCall call, const uint8_t* key, const uint8_t* nonce, const uint8_t* in, size_t size,
            uint8_t* out, const uint8_t* tag) {
  AesKey gcm(BCRYPT_CHAIN_MODE_GCM, key);
  if (!gcm.get() || size > ULONG_MAX) return false;
  auto info = GcmInfo(nonce, tag);
  ULONG written = 0;
  return Ok(call(gcm.get(), const_cast<PUCHAR>(in), static_cast<ULONG>(size), &info, nullptr, 0, out,
                 static_cast<ULONG>(size), &written, 0)) &&
         written == size;
}

}  // namespace

struct Hash::State {
  Provider provider;
  HashObject object;
  bool ok = true;
  explicit State(DigestKind kind) : provider(AlgorithmName(kind)), object(provider) {}
};

Hash::Hash(DigestKind kind) : kind_(kind), state_(std::make_unique<State>(kind)) {
  if (!state_->object.ok()) state_.reset();
}

Hash::~Hash() = default;

void Hash::Write(const void* data, size_t size) {
  if (state_ && !state_->object.Write(data, size)) state_->ok = false;
}

bool Hash::Finish(uint8_t* digest) {
  if (!state_) return false;
  bool ok = state_->ok && state_->object.Finish(digest, DigestSize(kind_));
  state_.reset();
  return ok;
}

bool Digest(DigestKind kind, const void* data, size_t size, uint8_t* digest) {
  Hash hash(kind);
  hash.Write(data, size);
  return hash.Finish(digest);
}

bool HmacSha256(const uint8_t* key, size_t key_size, const void* data, size_t size, uint8_t* mac) {
  Provider provider(BCRYPT_SHA256_ALGORITHM, BCRYPT_ALG_HANDLE_HMAC_FLAG);
  HashObject hmac(provider, key, key_size);
  return hmac.Write(data, size) && hmac.Finish(mac, DigestSize(DigestKind::kSha256));
}

struct AesCbcDecryptor::State {
  AesKey key;
  // The chain value: the IV, then the last cipher block of the previous call. Kept here rather than
  // trusting CNG to update the caller's IV buffer.
  uint8_t chain[kAesBlockSize];
  State(const uint8_t* key_bytes, const uint8_t* iv) : key(BCRYPT_CHAIN_MODE_CBC, key_bytes) {
    std::memcpy(chain, iv, kAesBlockSize);
  }
};

AesCbcDecryptor::AesCbcDecryptor() = default;
AesCbcDecryptor::~AesCbcDecryptor() = default;

bool AesCbcDecryptor::Init(const uint8_t* key, const uint8_t* iv) {
  state_ = std::make_unique<State>(key, iv);
  if (!state_->key.get()) state_.reset();
  return state_ != nullptr;
}

bool AesCbcDecryptor::Decrypt(uint8_t* data, size_t size) {
  if (!state_ || size % kAesBlockSize) return false;
  while (size) {
    ULONG piece = static_cast<ULONG>(std::min(size, kMaxPiece));
    uint8_t iv[kAesBlockSize];
    std::memcpy(iv, state_->chain, kAesBlockSize);
    std::memcpy(state_->chain, data + piece - kAesBlockSize, kAesBlockSize);
    ULONG written = 0;
    if (!Ok(BCryptDecrypt(state_->key.get(), data, piece, nullptr, iv, kAesBlockSize, data, piece, &written, 0)) ||
        written != piece)
      return false;
    data += piece;
    size -= piece;
  }
  return true;
}

bool AesGcmEncrypt(const uint8_t* key, const uint8_t* nonce, const uint8_t* in, size_t size, uint8_t* out,
                   uint8_t* tag) {
  return RunGcm(BCryptEncrypt, key, nonce, in, size, out, tag);
}

bool AesGcmDecrypt(const uint8_t* key, const uint8_t* nonce, const uint8_t* in, size_t size, uint8_t* out,
                   const uint8_t* tag) {
  // A tag that does not match gives STATUS_AUTH_TAG_MISMATCH, a failure status.
  return RunGcm(BCryptDecrypt, key, nonce, in, size, out, tag);
}

}  // namespace qmb::crypto
