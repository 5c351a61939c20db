#include "base/data_cipher.h"

#include <gtest/gtest.h>

namespace qmb {
namespace {

TEST(DataCipherTest, RoundTripsAndIsReproducible) {
  std::string plain = "[界面文字]\r\n标题=安装向导\r\n";
  plain.append(std::string("\x00\x01\xff", 3));
  std::string sealed = Encipher(plain, kGuiTextKey);
  EXPECT_EQ(sealed.substr(0, 5), "QMBC1");
  EXPECT_EQ(sealed.size(), 5 + 12 + plain.size() + 16);
  EXPECT_EQ(sealed.find("界面文字"), std::string::npos);
  EXPECT_EQ(Decipher(sealed, kGuiTextKey), plain);
  EXPECT_EQ(Encipher(plain, kGuiTextKey), sealed);  // same input, same bytes
  EXPECT_EQ(Decipher(Encipher("", kExceptKey), kExceptKey), "");
  // Different texts under one key never share a nonce.
  EXPECT_NE(Encipher("a", kScriptKey).substr(5, 12), Encipher("b", kScriptKey).substr(5, 12));
}

TEST(DataCipherTest, RejectsPlainWrongKeyAndDamage) {
  std::string sealed = Encipher("[s]\r\nk=v\r\n", kScriptKey);
  EXPECT_EQ(Decipher("[s]\r\nk=v\r\n", kScriptKey), std::nullopt);
  EXPECT_EQ(Decipher("", kScriptKey), std::nullopt);
  EXPECT_EQ(Decipher(sealed, kGuiTextKey), std::nullopt);
  EXPECT_EQ(Decipher(sealed.substr(0, 32), kScriptKey), std::nullopt);
  EXPECT_EQ(Decipher(sealed.substr(0, 20), kScriptKey), std::nullopt);
  for (size_t i = 0; i < sealed.size(); ++i) {
    std::string damaged = sealed;
    damaged[i] ^= 0x01;
    EXPECT_EQ(Decipher(damaged, kScriptKey), std::nullopt) << "byte " << i;
  }
}

}  // namespace
}  // namespace qmb
