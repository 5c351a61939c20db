// Progress of the install runs and the installed-files log.
#include "extract/install_progress.h"

#include <cstring>

#include "base/text.h"
#include "context/context.h"

namespace qmb {
namespace {

// The library's callback carries no user data: the context of the run in progress is published
// here for the length of one SevenZip call (see ActiveProgressContext).
Context* g_active_context = nullptr;

constexpr uint32_t kHugeFileSize = 0xFFFFFFFFu;

}  // namespace

ActiveProgressContext::ActiveProgressContext(Context& ctx) : previous_(g_active_context) {
  g_active_context = &ctx;
}

ActiveProgressContext::~ActiveProgressContext() { g_active_context = previous_; }

int QMB_STDCALL OnArchiveProgress(void*, unsigned, unsigned state, void* info) {
  if (g_active_context == nullptr) return 1;
  return HandleArchiveProgress(*g_active_context, state,
                               static_cast<const sevenzip::ExtractingInfo*>(info))
             ? 1
             : 0;
}

int32_t RecordPercent(uint32_t file_size, uint32_t written) {
  if (file_size == 0) return 0;
  const double w = static_cast<double>(written);
  const double percent = file_size == kHugeFileSize ? w / 10.0 : w / file_size * 100.0;
  return static_cast<int32_t>(percent);
}

bool HandleArchiveProgress(Context& ctx, unsigned state, const sevenzip::ExtractingInfo* info) {
  // A confirmed Cancel stops the run at the next notification; the install driver undoes it.
  if (ctx.outcome.cancel_requested && state != sevenzip::kStateRunEnd) return false;
  const ProgressSink& sink = ctx.progress.current_sink;
  if (state == sevenzip::kStateRunEnd) {
    if (sink) sink("", 100);
    return true;
  }
  if (info == nullptr) return true;
  // The name is NUL-terminated inside its field; never read past the field.
  const char* field = info->szDestFileName;
  const std::string name(field, strnlen(field, sizeof(info->szDestFileName)));
  // A file begins before the library makes it: a file of that name is kept aside first, and one
  // that cannot be is not overwritten.
  if (state == sevenzip::kStateFileBegin && !ctx.journal.PrepareFile(name)) return false;
  if (sink) sink(name, RecordPercent(info->dwFileSize, info->dwWriteSize));
  return !ctx.outcome.cancel_requested;
}

std::string FormatProgressLine(const Context& ctx, size_t n, const std::string& value) {
  const std::vector<std::string>& templates = ctx.wizard.progress_templates;
  if (n == 0 || n > templates.size()) return "";
  return ReplaceFirst(templates[n - 1], "%Default%", value);
}

void ReportInstallProgress(Context& ctx, const std::string& name, int32_t percent) {
  ProgressState& progress = ctx.progress;
  // The first file of the install opens the log; it gets no line of its own.
  if (progress.last_name.empty() && !progress.log_started && !name.empty()) {
    progress.last_name = name;
    progress.installed_files = name + "\r\n";
    progress.log_started = true;
  }
  if (!name.empty() && name != progress.last_name) {
    progress.last_name = name;
    const std::string relative = ReplaceFirst(name, ctx.wizard.install_folder + "\\", "");
    progress.installed_files += name + "\r\n";
    ShowProgressLine(ctx, FormatProgressLine(ctx, 1, relative));
  }

  const int32_t groups = ctx.extract.group_count;
  double overall = percent;
  if (groups != 0) {
    overall = (ctx.extract.current_step - 1) / static_cast<double>(groups + 1) * 100.0 +
              percent / static_cast<double>(groups + 1);
  }
  const int32_t p = static_cast<int32_t>(overall);
  if (p <= progress.last_percent) return;
  if (progress.view != nullptr) progress.taskbar_percent = progress.view->SetProgress(p);
  if (!progress.callbacks.empty() && progress.callbacks[0]) progress.callbacks[0](p);
  progress.last_percent = p;
}

void ShowProgressLine(Context& ctx, const std::string& line) {
  ctx.platform.dialogs.ProcessPendingMessages();
  ProgressState& progress = ctx.progress;
  if (progress.line_display) {
    progress.line_display(line);
    return;
  }
  if (progress.view != nullptr) {
    progress.view->SetStatusLine(line);
    if (progress.details_list_mode != 2) progress.view->AddDetailLine(line);
  }
  if (progress.callbacks.size() >= 2 && progress.callbacks[1]) {
    progress.callbacks[1](reinterpret_cast<intptr_t>(line.c_str()));
  }
  ctx.log.Step("progress line: " + line);
}

}  // namespace qmb
