// Entry counts of numbered settings lists.
#include "startup/list_count.h"

#include "base/text.h"

namespace qmb {

int ListCount(Context& ctx, const std::string& text, const std::string& list_name) {
  int count = ToInt(text);
  if (count < 0) return 0;
  if (count > kMaxListEntries) {
    ctx.log.Failure(list_name + ": count " + std::to_string(count) + " cut to " +
                    std::to_string(kMaxListEntries));
    return kMaxListEntries;
  }
  return count;
}

}  // namespace qmb
