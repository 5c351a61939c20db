// Size texts. The unit is chosen by the number of decimal digits of the count (a minus sign counts
// as a digit), not by binary thresholds, so 1000 bytes already show as 0.98KB.
#include "base/format_size.h"

#include <cmath>
#include <cstdio>

namespace qmb {

namespace {

// Half away from zero; the small nudge makes values such as 0.125 that land a hair below the half
// in binary round up as they do in decimal.
double RoundHalfAway(double value, int decimals) {
  double scale = std::pow(10.0, decimals);
  double scaled = std::fabs(value) * scale + 1e-12;
  double whole = std::floor(scaled);
  if (scaled - whole >= 0.5) whole += 1.0;
  return std::copysign(whole / scale, value);
}

}  // namespace

std::string FormatSize(int64_t bytes, int decimals) {
  std::string count = std::to_string(bytes);
  size_t digits = count.size();
  if (digits <= 3) return count + "B";

  struct Unit {
    size_t min_digits;
    double divisor;
    const char* name;
  };
  static constexpr Unit kUnits[] = {
      {13, 1099511627776.0, "TB"}, {10, 1073741824.0, "GB"}, {7, 1048576.0, "MB"}, {4, 1024.0, "KB"}};
  const Unit* unit = &kUnits[3];
  for (const Unit& u : kUnits) {
    if (digits >= u.min_digits) {
      unit = &u;
      break;
    }
  }
  if (decimals < 0) decimals = 0;
  if (decimals > 15) decimals = 15;
  double value = RoundHalfAway(static_cast<double>(bytes) / unit->divisor, decimals);
  if (value == 0.0) value = 0.0;  // no "-0" for tiny negative quotients
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.13g", value);
  return std::string(buf) + unit->name;
}

std::string FreeSpaceLabel(int64_t free_bytes) { return "可用空间: " + FormatSize(free_bytes); }

}  // namespace qmb
