// The SevenZip entry points over the extraction run. The library keeps one piece of state across
// calls, as its callers expect: the owner window and callback registered with SevenZipSetOwner.
#include "archive/sevenzip_api.h"

#include <algorithm>
#include <cstring>

#include "archive/archive_reader.h"
#include "archive/extract_run.h"

namespace qmb::sevenzip {

namespace {

struct OwnerRegistration {
  void* window = nullptr;
  ArchiverProc callback = nullptr;
};

OwnerRegistration& Owner() {
  static OwnerRegistration owner;
  return owner;
}

void WriteMessage(const std::string& message, char* out, uint32_t out_size) {
  if (!out || out_size == 0) return;
  size_t n = std::min<size_t>(message.size(), out_size - 1);
  std::memcpy(out, message.data(), n);
  out[n] = '\0';
}

// What SevenZipOpen hands out: the opened archive, kept until SevenZipClose.
struct OpenedArchive {
  std::unique_ptr<Archive> archive;
};

}  // namespace

int SevenZipRun(const char* command_line, char* out, uint32_t out_size) {
  std::string error;
  auto cmd = ParseCommandLine(command_line ? command_line : "", error);
  if (!cmd) {
    WriteMessage(error, out, out_size);
    return static_cast<int>(RunResult::kBadCommandLine);
  }
  OwnerRegistration owner = Owner();
  ProgressReport report;
  if (owner.callback) {
    report = [owner](unsigned state, const ExtractingInfo& info) {
      ExtractingInfo copy = info;  // the callee may scribble on its record
      return owner.callback(owner.window, 0, state, &copy) != 0;
    };
  }
  RunOutcome outcome = RunExtraction(*cmd, PlatformFileSystem(), report);
  WriteMessage(outcome.result == RunResult::kOk ? "" : outcome.message, out, out_size);
  return static_cast<int>(outcome.result);
}

ArchiveHandle SevenZipOpen(const char* archive_path, uint32_t /*mode*/) {
  if (!archive_path) return nullptr;
  std::unique_ptr<InStream> stream = OpenArchiveStream(PlatformFileSystem(), archive_path);
  if (!stream) return nullptr;
  Error error;
  auto archive = Archive::Open(std::move(stream), u"", error);
  // An archive whose headers need a password is still an archive; it opens for real in the run.
  if (!archive && error.status != Status::kPasswordRequired &&
      error.status != Status::kWrongPassword)
    return nullptr;
  return new OpenedArchive{std::move(archive)};
}

int SevenZipClose(ArchiveHandle handle) {
  if (!handle) return -1;
  delete static_cast<OpenedArchive*>(handle);
  return 0;
}

int SevenZipSetOwner(void* window, ArchiverProc callback) {
  Owner() = {window, callback};
  return 1;
}

}  // namespace qmb::sevenzip
