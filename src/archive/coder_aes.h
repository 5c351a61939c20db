// 7zAES decryption: the key is derived from the password by repeated SHA-256, the data is
// AES-256 in CBC mode.
#pragma once

#include <array>
#include <map>
#include <mutex>
#include <tuple>

#include "archive/coder.h"

namespace qmb::sevenzip {

// The key derivation is costly (2^19 hash rounds by default) and every folder of an archive
// usually shares its parameters, so keys are remembered per archive. Folders decoded on several
// threads share one cache: a key is derived once, the others wait for it.
class AesKeyCache {
 public:
  using Key = std::array<uint8_t, 32>;
  const Key& Get(unsigned cycles_power, const std::vector<uint8_t>& salt, const std::u16string& password);

 private:
  std::mutex mutex_;
  std::map<std::tuple<unsigned, std::vector<uint8_t>, std::u16string>, Key> keys_;
};

// Highest key-derivation cost we accept (2^24 rounds); more only serves to stall the reader.
inline constexpr unsigned kMaxAesCyclesPower = 24;

// Fails with kUnsupportedMethod for malformed properties and kTooLarge for a cost beyond the bound.
std::unique_ptr<Source> MakeAesDecoder(const std::vector<uint8_t>& props, std::unique_ptr<Source> input,
                                       const std::u16string& password, AesKeyCache& keys, Status& status);

}  // namespace qmb::sevenzip
