// Progress of the install runs: the library's per-file notifications become one forward-moving
// percentage over the assignment groups and the main run, one details line per file and the
// installed-files log.
#pragma once

#include <cstdint>
#include <string>

#include "archive/sevenzip_api.h"

namespace qmb {

struct Context;

// The callback registered with the library. The library passes no user data, so it reaches the
// context of the run in progress that ExtractArchive publishes (ActiveProgressContext below).
int QMB_STDCALL OnArchiveProgress(void* window, unsigned message, unsigned state, void* info);

// What OnArchiveProgress does for one notification, given the context: the end of a run reports
// ("", 100); otherwise the record's destination name and the file's percentage. Returns true.
bool HandleArchiveProgress(Context& ctx, unsigned state, const sevenzip::ExtractingInfo* info);

// The percentage a record stands for: written / size * 100, or written / 10 for files of 4 GiB and
// more (size 0xFFFFFFFF); a size of 0 gives 0.
int32_t RecordPercent(uint32_t file_size, uint32_t written);

// The progress sink of the install runs.
void ReportInstallProgress(Context& ctx, const std::string& name, int32_t percent);

// Shows one line on the installing page (status line and, unless the details-list mode is 2, the
// details list) and hands it to the second registered progress callback. A process that set
// ctx.progress.line_display (the uninstaller) shows it there instead.
void ShowProgressLine(Context& ctx, const std::string& line);

// The n-th (1-based) progress-line template (ctx.wizard.progress_templates) with its first
// "%Default%" replaced by value; empty when the package has no such template.
std::string FormatProgressLine(const Context& ctx, size_t n, const std::string& value);

// Publishes the context whose run is in progress for the length of one library call.
class ActiveProgressContext {
 public:
  explicit ActiveProgressContext(Context& ctx);
  ~ActiveProgressContext();
  ActiveProgressContext(const ActiveProgressContext&) = delete;
  ActiveProgressContext& operator=(const ActiveProgressContext&) = delete;

 private:
  Context* previous_;
};

}  // namespace qmb
