// 7zAES: properties hold the cost (log2 of the hash rounds), salt and IV. The key is SHA-256 over
// the rounds of salt + UTF-16LE password + 8-byte round counter; cost 0x3F means no hashing, the
// key being salt and password themselves. The crypto interface does the hashing and the AES.
#include "archive/coder_aes.h"

#include <algorithm>
#include <cstring>

#include "base/crypto.h"

namespace qmb::sevenzip {
namespace {

constexpr unsigned kNoHashing = 0x3F;

AesKeyCache::Key DeriveKey(unsigned cycles_power, const std::vector<uint8_t>& salt,
                           const std::u16string& password) {
  std::vector<uint8_t> unit(salt);
  for (char16_t c : password) {
    unit.push_back(static_cast<uint8_t>(c));
    unit.push_back(static_cast<uint8_t>(c >> 8));
  }
  AesKeyCache::Key key{};
  if (cycles_power == kNoHashing) {
    std::copy_n(unit.begin(), std::min<size_t>(unit.size(), key.size()), key.begin());
    return key;
  }
  // Hash many rounds per call: one round alone is too small for the hash's call overhead.
  const size_t unit_size = unit.size() + 8;
  const uint64_t rounds = uint64_t(1) << cycles_power;
  const size_t batch = static_cast<size_t>(std::min<uint64_t>(rounds, std::max<size_t>(1, 65536 / unit_size)));
  std::vector<uint8_t> block(batch * unit_size);
  for (size_t i = 0; i < batch; ++i) std::memcpy(block.data() + i * unit_size, unit.data(), unit.size());
  crypto::Hash sha(crypto::DigestKind::kSha256);
  for (uint64_t round = 0; round < rounds;) {
    size_t n = static_cast<size_t>(std::min<uint64_t>(batch, rounds - round));
    for (size_t i = 0; i < n; ++i, ++round) {
      uint8_t* counter = block.data() + i * unit_size + unit.size();
      for (int b = 0; b < 8; ++b) counter[b] = static_cast<uint8_t>(round >> (8 * b));
    }
    sha.Write(block.data(), n * unit_size);
  }
  // A failed hash leaves the key zero: the data then fails its CRC check, as with a wrong password.
  if (!sha.Finish(key.data())) key.fill(0);
  return key;
}

class AesDecoder final : public Source {
 public:
  explicit AesDecoder(std::unique_ptr<Source> input) : in_(std::move(input)), buffer_(1 << 17) {}
  bool Init(const AesKeyCache::Key& key, const uint8_t (&iv)[16]) { return cipher_.Init(key.data(), iv); }

  Status Read(uint8_t* data, size_t size, size_t& got) override {
    got = 0;
    if (pos_ == end_) {
      // Whole blocks only; a stream whose length is no multiple of 16 is damaged, except that
      // the declared unpack size cuts the padding off above us.
      size_t n = 0;
      Status status = ReadFull(*in_, buffer_.data(), buffer_.size(), n);
      if (status != Status::kOk) return status;
      n &= ~size_t(15);
      if (!cipher_.Decrypt(buffer_.data(), n)) return Status::kDataError;
      pos_ = 0;
      end_ = n;
    }
    got = std::min(size, end_ - pos_);
    std::memcpy(data, buffer_.data() + pos_, got);
    pos_ += got;
    return Status::kOk;
  }

 private:
  std::unique_ptr<Source> in_;
  std::vector<uint8_t> buffer_;
  size_t pos_ = 0;
  size_t end_ = 0;
  crypto::AesCbcDecryptor cipher_;
};

}  // namespace

const AesKeyCache::Key& AesKeyCache::Get(unsigned cycles_power, const std::vector<uint8_t>& salt,
                                         const std::u16string& password) {
  auto id = std::make_tuple(cycles_power, salt, password);
  std::lock_guard lock(mutex_);
  auto it = keys_.find(id);
  if (it == keys_.end()) it = keys_.emplace(id, DeriveKey(cycles_power, salt, password)).first;
  return it->second;
}

std::unique_ptr<Source> MakeAesDecoder(const std::vector<uint8_t>& props, std::unique_ptr<Source> input,
                                       const std::u16string& password, AesKeyCache& keys, Status& status) {
  status = Status::kUnsupportedMethod;
  if (props.empty()) return nullptr;
  const uint8_t b0 = props[0];
  const unsigned cycles_power = b0 & 0x3F;
  std::vector<uint8_t> salt;
  uint8_t iv[16] = {};
  if (b0 & 0xC0) {
    if (props.size() < 2) return nullptr;
    const size_t salt_size = ((b0 >> 7) & 1) + (props[1] >> 4);
    const size_t iv_size = ((b0 >> 6) & 1) + (props[1] & 0x0F);
    if (props.size() != 2 + salt_size + iv_size) return nullptr;
    salt.assign(props.begin() + 2, props.begin() + 2 + salt_size);
    std::copy_n(props.begin() + 2 + salt_size, iv_size, iv);
  } else if (props.size() != 1) {
    return nullptr;
  }
  if (cycles_power != kNoHashing && cycles_power > kMaxAesCyclesPower) {
    status = Status::kTooLarge;
    return nullptr;
  }
  if (password.empty()) {
    status = Status::kPasswordRequired;
    return nullptr;
  }
  auto decoder = std::make_unique<AesDecoder>(std::move(input));
  if (!decoder->Init(keys.Get(cycles_power, salt, password), iv)) {
    status = Status::kDataError;
    return nullptr;
  }
  status = Status::kOk;
  return decoder;
}

}  // namespace qmb::sevenzip
