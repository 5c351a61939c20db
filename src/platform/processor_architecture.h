// Which native processor architectures mean a 64-bit Windows. A 32-bit program on any of them runs
// under WOW64: it sees a 64-bit registry view and reaches the real System32 through "Sysnative".
#pragma once

#include <cstdint>

namespace qmb {

// The values GetNativeSystemInfo reports in wProcessorArchitecture.
inline constexpr uint16_t kArchitectureIa64 = 6;
inline constexpr uint16_t kArchitectureAmd64 = 9;
// ARM64 Windows runs x86 programs under WOW64 too, so it counts as 64-bit as well.
inline constexpr uint16_t kArchitectureArm64 = 12;

constexpr bool Is64BitArchitecture(uint16_t architecture) {
  return architecture == kArchitectureAmd64 || architecture == kArchitectureIa64 ||
         architecture == kArchitectureArm64;
}

}  // namespace qmb
