// Where the context's install log goes.
#include "context/context.h"

namespace qmb {

void AttachLogFile(Context& ctx) {
  std::string path = ctx.platform.env.GetVariable("SETUP_LOG");
  if (path.empty()) return;
  Files& files = ctx.platform.files;
  // A line that cannot be written is lost; the log has nowhere else to report it.
  ctx.log.SetSink([&files, path](std::string_view line) { files.Append(path, line); });
}

}  // namespace qmb
