// One extraction run of a parsed command line: opens the archive (a whole volume set for
// "name.001"), selects entries, refuses any entry that would land outside the output folder,
// writes the files through the platform's file system and reports each file's progress.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "archive/archive_file_system.h"
#include "archive/command_line.h"
#include "archive/sevenzip_api.h"

namespace qmb::sevenzip {

// Results of SevenZipRun; 0 is success, everything else a failure.
enum class RunResult : int {
  kOk = 0,
  kBadCommandLine = 1,
  kCannotOpen = 2,
  kNotArchive = 3,
  kWrongPassword = 4,
  kDataError = 5,
  kCrcError = 6,
  kUnsupportedMethod = 7,
  kRefusedEntry = 8,
  kWriteError = 9,
  kCancelled = 10,
  kTooLarge = 11,
};

struct RunOutcome {
  RunResult result = RunResult::kOk;
  std::string message;  // short, ASCII or GBK; empty on success
};

// Receives every report with its state; false cancels the run (the end report's answer is ignored).
using ProgressReport = std::function<bool(unsigned state, const ExtractingInfo& info)>;

// The output path of an entry as folder components below the output folder, with "." and
// harmless ".." resolved; nullopt when the name is absolute, names a drive or a stream (":"),
// climbs out with "..", holds a NUL, a dots-only component or a device name.
std::optional<std::vector<std::u16string>> SafeRelativePath(std::u16string_view entry_name);

// "name.001" with the suffix 1 -> "name.001", 12 -> "name.012", 1000 -> "name.1000".
std::string VolumeName(std::string_view first_volume, int index);

// Opens the archive; a name ending in ".001" opens .001, .002, ... up to the first missing one as
// one stream. nullptr when the (first) file cannot be opened.
std::unique_ptr<InStream> OpenArchiveStream(ArchiveFileSystem& fs, const std::string& path);

// Fills the record's sizes: plain byte counts below 0xFFFFFFFF; from there on (files of 4 GiB and
// one byte less) dwFileSize is 0xFFFFFFFF and dwWriteSize counts thousandths of the file.
void SetReportedSizes(ExtractingInfo& info, uint64_t size, uint64_t written);

// Runs the command; the end report (state 2) is sent once whatever the outcome.
RunOutcome RunExtraction(const CommandLine& cmd, ArchiveFileSystem& fs,
                         const ProgressReport& report);

}  // namespace qmb::sevenzip
