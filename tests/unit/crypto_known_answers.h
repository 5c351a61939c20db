// Published test vectors for every operation of base/crypto.h (RFC 1321, FIPS 180-2, RFC 4231,
// SP 800-38A F.2.6, the GCM paper's cases 13 and 15). The native unit test runs them against
// libgcrypt and a Windows test program against the system's CNG, so both sides are held to the
// same answers.
#pragma once

#include <cstring>
#include <string>
#include <vector>

#include "base/crypto.h"

namespace qmb::crypto_test {

inline std::vector<uint8_t> Hex(const char* text) {
  std::vector<uint8_t> bytes;
  for (size_t i = 0; text[i] && text[i + 1]; i += 2)
    bytes.push_back(static_cast<uint8_t>(std::stoi(std::string(text + i, 2), nullptr, 16)));
  return bytes;
}

// The names of the checks that failed; empty when every answer is right.
inline std::vector<std::string> KnownAnswerFailures() {
  using namespace crypto;
  std::vector<std::string> failed;
  auto check = [&](bool ok, const char* what) {
    if (!ok) failed.push_back(what);
  };
  auto equal = [](const uint8_t* got, const std::vector<uint8_t>& want) {
    return std::memcmp(got, want.data(), want.size()) == 0;
  };

  uint8_t out[64];
  check(Digest(DigestKind::kMd5, "abc", 3, out) && equal(out, Hex("900150983cd24fb0d6963f7d28e17f72")), "MD5 abc");
  check(Digest(DigestKind::kMd5, "", 0, out) && equal(out, Hex("d41d8cd98f00b204e9800998ecf8427e")), "MD5 empty");
  const auto sha_abc = Hex("ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  check(Digest(DigestKind::kSha256, "abc", 3, out) && equal(out, sha_abc), "SHA-256 abc");
  {
    // Written in pieces, as the 7zAES key derivation writes its rounds.
    Hash hash(DigestKind::kSha256);
    hash.Write("a", 1);
    hash.Write("", 0);
    hash.Write("bc", 2);
    check(hash.Finish(out) && equal(out, sha_abc), "SHA-256 in pieces");
    check(!hash.Finish(out), "SHA-256 finished twice");
  }
  const char* jefe = "what do ya want for nothing?";
  check(HmacSha256(reinterpret_cast<const uint8_t*>("Jefe"), 4, jefe, std::strlen(jefe), out) &&
            equal(out, Hex("5bdcc146bf60754e6a042426089575c75a003f089d2739839dec58b964ec3843")),
        "HMAC-SHA-256 RFC 4231 case 2");

  const auto cbc_key = Hex("603deb1015ca71be2b73aef0857d77811f352c073b6108d72d9810a30914dff4");
  const auto cbc_iv = Hex("000102030405060708090a0b0c0d0e0f");
  const auto cbc_cipher = Hex("f58c4c04d6e5f1ba779eabfb5f7bfbd69cfc4e967edb808d679f777bc6702c7d"
                              "39f23369a9d9bacfa530e26304231461b2eb05e2c39be9fcda6c19078c6a9d1b");
  const auto cbc_plain = Hex("6bc1bee22e409f96e93d7e117393172aae2d8a571e03ac9c9eb76fac45af8e51"
                             "30c81c46a35ce411e5fbc1191a0a52eff69f2445df4f9b17ad2b417be66c3710");
  {
    std::vector<uint8_t> whole(cbc_cipher);
    AesCbcDecryptor cbc;
    check(cbc.Init(cbc_key.data(), cbc_iv.data()) && cbc.Decrypt(whole.data(), whole.size()) &&
              whole == cbc_plain,
          "AES-256-CBC in one call");
  }
  {
    // The chain carries over: one block, then three, give the same plain text.
    std::vector<uint8_t> pieces(cbc_cipher);
    AesCbcDecryptor cbc;
    check(cbc.Init(cbc_key.data(), cbc_iv.data()) && cbc.Decrypt(pieces.data(), 16) &&
              cbc.Decrypt(pieces.data() + 16, 48) && pieces == cbc_plain,
          "AES-256-CBC in pieces");
    check(!cbc.Decrypt(pieces.data(), 15), "AES-256-CBC refuses a part block");
  }

  const auto zero_key = Hex("0000000000000000000000000000000000000000000000000000000000000000");
  const auto zero_nonce = Hex("000000000000000000000000");
  uint8_t tag[kGcmTagSize];
  check(AesGcmEncrypt(zero_key.data(), zero_nonce.data(), nullptr, 0, out, tag) &&
            equal(tag, Hex("530f8afbc74536b9a963b4f1c4cb738b")),
        "AES-256-GCM case 13 (empty)");
  const auto gcm_key = Hex("feffe9928665731c6d6a8f9467308308feffe9928665731c6d6a8f9467308308");
  const auto gcm_nonce = Hex("cafebabefacedbaddecaf888");
  const auto gcm_plain = Hex("d9313225f88406e5a55909c5aff5269a86a7a9531534f7da2e4c303d8a318a72"
                             "1c3c0c95956809532fcf0e2449a6b525b16aedf5aa0de657ba637b391aafd255");
  const auto gcm_cipher = Hex("522dc1f099567d07f47f37a32a84427d643a8cdcbfe5c0c97598a2bd2555d1aa"
                              "8cb08e48590dbb3da7b08b1056828838c5f61e6393ba7a0abcc9f662898015ad");
  const auto gcm_tag = Hex("b094dac5d93471bdec1a502270e3cc6c");
  uint8_t sealed[64];
  check(AesGcmEncrypt(gcm_key.data(), gcm_nonce.data(), gcm_plain.data(), 64, sealed, tag) &&
            equal(sealed, gcm_cipher) && equal(tag, gcm_tag),
        "AES-256-GCM case 15 encrypt");
  uint8_t opened[64];
  check(AesGcmDecrypt(gcm_key.data(), gcm_nonce.data(), gcm_cipher.data(), 64, opened, gcm_tag.data()) &&
            equal(opened, gcm_plain),
        "AES-256-GCM case 15 decrypt");
  auto bad_tag = gcm_tag;
  bad_tag[15] ^= 1;
  check(!AesGcmDecrypt(gcm_key.data(), gcm_nonce.data(), gcm_cipher.data(), 64, opened, bad_tag.data()),
        "AES-256-GCM refuses a wrong tag");
  auto bad_cipher = gcm_cipher;
  bad_cipher[0] ^= 0x80;
  check(!AesGcmDecrypt(gcm_key.data(), gcm_nonce.data(), bad_cipher.data(), 64, opened, gcm_tag.data()),
        "AES-256-GCM refuses damaged data");
  return failed;
}

}  // namespace qmb::crypto_test
