#include "base/digest.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace qmb {
namespace {

TEST(DigestTest, Md5Hex) {
  EXPECT_EQ(Md5Hex(""), "d41d8cd98f00b204e9800998ecf8427e");
  EXPECT_EQ(Md5Hex("The quick brown fox jumps over the lazy dog"), "9e107d9d372bb6826bd81d3542a419d6");
  // GBK bytes, not UTF-8: the literal is converted at compile time.
  EXPECT_EQ(Md5Hex("表"), Md5Hex(std::string("\xB1\xED")));
}

TEST(DigestTest, FirstUseFromManyThreads) {
  std::vector<std::string> results(4);
  std::vector<std::thread> threads;
  for (size_t i = 0; i < results.size(); ++i)
    threads.emplace_back([&results, i] { results[i] = Md5Hex("abc"); });
  for (auto& t : threads) t.join();
  for (const auto& r : results) EXPECT_EQ(r, "900150983cd24fb0d6963f7d28e17f72");
}

}  // namespace
}  // namespace qmb
