#include "base/format_size.h"

#include <gtest/gtest.h>

namespace qmb {
namespace {

TEST(FormatSizeTest, UnitFollowsDecimalDigits) {
  EXPECT_EQ(FormatSize(0), "0B");
  EXPECT_EQ(FormatSize(999), "999B");
  EXPECT_EQ(FormatSize(1000), "0.98KB");
  EXPECT_EQ(FormatSize(1023), "1KB");
  EXPECT_EQ(FormatSize(1024), "1KB");
  EXPECT_EQ(FormatSize(1536), "1.5KB");
  EXPECT_EQ(FormatSize(999999), "976.56KB");
  EXPECT_EQ(FormatSize(1000000), "0.95MB");
  EXPECT_EQ(FormatSize(999999999), "953.67MB");
  EXPECT_EQ(FormatSize(1000000000), "0.93GB");
  EXPECT_EQ(FormatSize(999999999999), "931.32GB");
  EXPECT_EQ(FormatSize(1000000000000), "0.91TB");
  EXPECT_EQ(FormatSize(INT64_MAX), "8388608TB");
}

TEST(FormatSizeTest, MinusSignCountsAsDigit) {
  EXPECT_EQ(FormatSize(-1), "-1B");
  EXPECT_EQ(FormatSize(-99), "-99B");
  EXPECT_EQ(FormatSize(-100), "-0.1KB");  // four characters: the KB unit
  EXPECT_EQ(FormatSize(-1024), "-1KB");
  EXPECT_EQ(FormatSize(-1536), "-1.5KB");
  EXPECT_EQ(FormatSize(INT64_MIN), "-8388608TB");
}

TEST(FormatSizeTest, RoundsHalfAwayFromZero) {
  EXPECT_EQ(FormatSize(1152, 1), "1.1KB");   // 1.125 -> 1.1
  EXPECT_EQ(FormatSize(1152, 2), "1.13KB");  // 1.125 is exact in binary: away from zero
  EXPECT_EQ(FormatSize(-1152, 2), "-1.13KB");
  EXPECT_EQ(FormatSize(1536, 0), "2KB");
  EXPECT_EQ(FormatSize(2560, 0), "3KB");
  EXPECT_EQ(FormatSize(1000, 4), "0.9766KB");
  EXPECT_EQ(FormatSize(-10, 0), "-10B");
  EXPECT_EQ(FormatSize(-100, 0), "0KB");  // never "-0KB"
}

TEST(FormatSizeTest, FreeSpaceLabel) {
  EXPECT_EQ(FreeSpaceLabel(-1024), "可用空间: -1KB");
  EXPECT_EQ(FreeSpaceLabel(10737418240), "可用空间: 10GB");
}

}  // namespace
}  // namespace qmb
