// The progress line and the summary.
#include "progress_line.h"

namespace qmb::mkpackage {
namespace {

std::string Size(uint64_t bytes) {
  char text[32];
  if (bytes < 1024) {
    std::snprintf(text, sizeof text, "%llu bytes", static_cast<unsigned long long>(bytes));
  } else if (bytes < 1024 * 1024) {
    std::snprintf(text, sizeof text, "%.1f KiB", static_cast<double>(bytes) / 1024);
  } else {
    std::snprintf(text, sizeof text, "%.1f MiB", static_cast<double>(bytes) / (1024 * 1024));
  }
  return text;
}

}  // namespace

void ProgressLine::Update(int percent) {
  if (in_place_) {
    if (percent == shown_) return;
    std::fprintf(out_, "\r%s %3d%%", label_.c_str(), percent);
  } else {
    const int step = percent / 10 * 10;  // a log gets a line per tenth, not per percent
    if (step <= shown_) return;
    percent = step;
    std::fprintf(out_, "%s %d%%\n", label_.c_str(), percent);
  }
  shown_ = percent;
  std::fflush(out_);
}

void ProgressLine::Finish() {
  if (in_place_ && shown_ >= 0) std::fputc('\n', out_);
  shown_ = -1;
}

std::string FormatSummary(const PackageSummary& s, double seconds) {
  char ratio[64] = "";
  if (s.payload_size > 0)
    std::snprintf(ratio, sizeof ratio, " (%.1f %%)",
                  100.0 * static_cast<double>(s.payload_archive) / static_cast<double>(s.payload_size));
  char time[32];
  std::snprintf(time, sizeof time, "%.1f s", seconds);
  return "package " + Size(s.package_size) + ", payload " + Size(s.payload_size) + " packed to " +
         Size(s.payload_archive) + ratio + ", " + time;
}

}  // namespace qmb::mkpackage
