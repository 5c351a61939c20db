#include "startup/waiting_progress.h"

#include "context/context.h"

namespace qmb {

WaitingTexts WaitingTextsFor(int percent) {
  const std::string p = std::to_string(percent);
  return {p, "Please wait while Setup is\r\n\r\n   upacking data: " + p + "%",
          "unpacking data: " + p + "%"};
}

void WaitingProgress(Context& ctx, int percent) {
  const WaitingView& view = ctx.startup.waiting;
  if (!view.is_open || percent == 0 || !view.update) return;
  view.update(WaitingTextsFor(percent));
}

}  // namespace qmb
