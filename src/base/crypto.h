// The digests and ciphers the program uses, behind one small interface. The native build takes
// them from libgcrypt; the Windows build from the system's own CNG (bcrypt.dll), so that the
// runtime image every package carries holds no cryptographic library of its own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace qmb::crypto {

enum class DigestKind { kMd5, kSha256 };

constexpr size_t DigestSize(DigestKind kind) { return kind == DigestKind::kMd5 ? 16 : 32; }

inline constexpr size_t kAesKeySize = 32;  // AES-256 only
inline constexpr size_t kAesBlockSize = 16;
inline constexpr size_t kGcmNonceSize = 12;
inline constexpr size_t kGcmTagSize = 16;

// A digest over bytes written in any number of pieces.
class Hash {
 public:
  explicit Hash(DigestKind kind);
  ~Hash();
  Hash(const Hash&) = delete;
  Hash& operator=(const Hash&) = delete;

  bool ok() const { return state_ != nullptr; }
  void Write(const void* data, size_t size);
  // Writes DigestSize bytes; the hash takes no more writes afterwards. False on failure.
  bool Finish(uint8_t* digest);

  struct State;

 private:
  DigestKind kind_;
  std::unique_ptr<State> state_;
};

// One-shot digest; false on failure.
bool Digest(DigestKind kind, const void* data, size_t size, uint8_t* digest);
// HMAC-SHA-256 of data under key (32 bytes out); false on failure.
bool HmacSha256(const uint8_t* key, size_t key_size, const void* data, size_t size, uint8_t* mac);

// AES-256 in CBC mode, deciphering whole blocks in place; the chain carries over from one call
// to the next, so a stream may be fed in pieces of any multiple of the block size.
class AesCbcDecryptor {
 public:
  AesCbcDecryptor();
  ~AesCbcDecryptor();
  AesCbcDecryptor(const AesCbcDecryptor&) = delete;
  AesCbcDecryptor& operator=(const AesCbcDecryptor&) = delete;

  bool Init(const uint8_t* key, const uint8_t* iv);
  // size must be a multiple of kAesBlockSize.
  bool Decrypt(uint8_t* data, size_t size);

  struct State;

 private:
  std::unique_ptr<State> state_;
};

// AES-256-GCM with a 12-byte nonce and a 16-byte tag, no associated data. out holds size bytes.
bool AesGcmEncrypt(const uint8_t* key, const uint8_t* nonce, const uint8_t* in, size_t size, uint8_t* out,
                   uint8_t* tag);
// False when the tag does not match (damaged data or another key) or on failure.
bool AesGcmDecrypt(const uint8_t* key, const uint8_t* nonce, const uint8_t* in, size_t size, uint8_t* out,
                   const uint8_t* tag);

}  // namespace qmb::crypto
