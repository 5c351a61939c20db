// Unique temporary file names from the tick count.
#include "base/temp_name.h"

#include "base/text.h"

namespace qmb {

std::string TempNamer::Next(const std::string& folder, uint32_t tick_count,
                            const std::function<bool(const std::string&)>& exists) {
  // Bounded so that a broken existence check cannot spin for ever.
  constexpr int kMaxTries = 65536;
  for (int i = 0; i < kMaxTries; ++i) {
    uint32_t number = tick_count + counter_++;  // wraps like the tick count itself
    std::string name = folder + ToHex(number) + ".tmp";
    if (!exists(name)) return name;
  }
  return {};
}

}  // namespace qmb
