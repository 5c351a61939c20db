// The notices as log lines; the DLL store plugs the delivery in here.
#include "wizard/support_dll_notices.h"

#include <string>

#include "context/context.h"

namespace qmb {

bool NoticePageStep(Context& ctx, int current_page, int direction) {
  ctx.log.Step("wizard: notice 1002 page " + std::to_string(current_page) + " direction " +
               std::to_string(direction));
  return false;
}

void NoticeInstallDone(Context& ctx, int installing_page) {
  ctx.log.Step("wizard: notice 1002 installation done on page " + std::to_string(installing_page));
}

void NoticePageChanged(Context& ctx, int page) {
  ctx.log.Step("wizard: notice 1001 page " + std::to_string(page));
}

bool NoticeExitAnswer(Context& ctx, bool user_said_yes) {
  ctx.log.Step(std::string("wizard: notice 1003 ") + (user_said_yes ? "1" : "0"));
  return false;
}

void NoticeWindowState(Context& ctx, int state) {
  ctx.log.Step("wizard: notice 1004 window state " + std::to_string(state));
}

void NoticeInstallFinished(Context& ctx) { ctx.log.Step("wizard: notice 1005"); }

}  // namespace qmb
