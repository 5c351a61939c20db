// Unique names for files the program makes: the tick count plus a running counter in lower-case
// hexadecimal, then ".tmp", counting up while such a file exists.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace qmb {

class TempNamer {
 public:
  // folder ends with "\"; exists tells whether a path is taken. Empty when 65536 names in a row
  // are taken.
  std::string Next(const std::string& folder, uint32_t tick_count,
                   const std::function<bool(const std::string&)>& exists);

 private:
  uint32_t counter_ = 0;
};

}  // namespace qmb
