// The 64-bit rule of the Windows port, tested here because it needs no Windows.
#include "platform/processor_architecture.h"

#include <gtest/gtest.h>

namespace qmb {
namespace {

TEST(ProcessorArchitecture, WowArchitecturesAre64Bit) {
  EXPECT_TRUE(Is64BitArchitecture(9));    // x64
  EXPECT_TRUE(Is64BitArchitecture(6));    // IA-64
  EXPECT_TRUE(Is64BitArchitecture(12));   // ARM64
  EXPECT_FALSE(Is64BitArchitecture(0));   // x86
  EXPECT_FALSE(Is64BitArchitecture(5));   // ARM (32-bit)
  EXPECT_FALSE(Is64BitArchitecture(0xFFFF));  // unknown
}

}  // namespace
}  // namespace qmb
