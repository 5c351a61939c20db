// What mkpackage tells the author while it packs: a progress line that is rewritten in place on a
// terminal and printed as plain lines (every tenth percent) elsewhere, and the closing summary.
#pragma once

#include <cstdio>
#include <string>

#include "package_writer.h"

namespace qmb::mkpackage {

class ProgressLine {
 public:
  // out is a terminal when in_place is true.
  ProgressLine(std::FILE* out, bool in_place, std::string label)
      : out_(out), in_place_(in_place), label_(std::move(label)) {}
  void Update(int percent);
  // Ends a line rewritten in place.
  void Finish();

 private:
  std::FILE* out_;
  bool in_place_;
  std::string label_;
  int shown_ = -1;
};

// "package 1.2 MiB, payload 10.0 MiB packed to 1.1 MiB (11.0 %), 2.3 s"
std::string FormatSummary(const PackageSummary& summary, double seconds);

}  // namespace qmb::mkpackage
