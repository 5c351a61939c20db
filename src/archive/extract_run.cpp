// The extraction run behind SevenZipRun.
#include "archive/extract_run.h"

#include <algorithm>
#include <cstring>
#include <thread>

#include "archive/archive_reader.h"
#include "archive/entry_pattern.h"
#include "base/gbk_codec.h"
#include "base/text.h"

namespace qmb::sevenzip {

namespace {

constexpr uint64_t kReportEvery = 1 << 20;     // progress at least every MiB
// Small files are gathered into one write; the reader's full 1 MiB pieces go to the file as they
// are, without a second copy (under Wine, writes of 64 KiB to 4 MiB took the same time).
constexpr size_t kWriteBuffer = 1 << 20;
constexpr uint64_t kLargeFile = 0xFFFFFFFFull;  // sizes from here on are reported in thousandths

bool IsSeparator(char16_t c) { return c == u'/' || c == u'\\'; }

char16_t AsciiUpper(char16_t c) { return (c >= u'a' && c <= u'z') ? c - 0x20 : c; }

// CON, PRN, AUX, NUL, COM1-9, LPT1-9, with or without an extension: Windows opens the device.
bool IsDeviceName(std::u16string_view part) {
  std::u16string base;
  for (char16_t c : part.substr(0, part.find(u'.'))) base.push_back(AsciiUpper(c));
  while (!base.empty() && base.back() == u' ') base.pop_back();
  if (base == u"CON" || base == u"PRN" || base == u"AUX" || base == u"NUL") return true;
  return base.size() == 4 && (base.starts_with(u"COM") || base.starts_with(u"LPT")) &&
         base[3] >= u'1' && base[3] <= u'9';
}

RunResult FromStatus(Status status) {
  switch (status) {
    case Status::kOk: return RunResult::kOk;
    case Status::kNotArchive: return RunResult::kNotArchive;
    case Status::kUnsupportedMethod: return RunResult::kUnsupportedMethod;
    case Status::kCrcError: return RunResult::kCrcError;
    case Status::kWrongPassword:
    case Status::kPasswordRequired: return RunResult::kWrongPassword;
    case Status::kTooLarge: return RunResult::kTooLarge;
    case Status::kCancelled: return RunResult::kCancelled;
    case Status::kWriteError: return RunResult::kWriteError;
    case Status::kDataError:
    case Status::kUnexpectedEnd: break;
  }
  return RunResult::kDataError;
}

RunOutcome Failure(RunResult result, std::string message) { return {result, std::move(message)}; }

RunOutcome FromError(const Error& error) {
  return Failure(FromStatus(error.status),
                 error.message.empty() ? "archive error" : error.message);
}

// Copies GBK text into a fixed record field, cut at a character boundary.
void CopyName(char (&field)[513], std::string_view text) {
  size_t n = 0;
  while (n < text.size()) {
    size_t step = IsGbkLead(static_cast<unsigned char>(text[n])) && n + 1 < text.size() ? 2 : 1;
    if (n + step > sizeof(field) - 1) break;
    n += step;
  }
  std::memcpy(field, text.data(), n);
  field[n] = '\0';
}

std::u16string JoinRelative(const std::vector<std::u16string>& parts) {
  std::u16string out;
  for (size_t i = 0; i < parts.size(); ++i) {
    if (i) out.push_back(u'/');
    out += parts[i];
  }
  return out;
}

// The output folder as reported: "\" between components and one trailing "\".
std::string ReportFolder(std::string_view folder) {
  std::string out;
  for (size_t i = 0; i < folder.size(); ++i) {
    bool lead = IsGbkLead(static_cast<unsigned char>(folder[i])) && i + 1 < folder.size();
    if (lead) {
      out.append(folder.substr(i, 2));
      ++i;
    } else {
      out.push_back(folder[i] == '/' ? '\\' : folder[i]);
    }
  }
  if (out.empty() || FindLastCharGbk(out, '\\') != out.size() - 1) out.push_back('\\');
  return out;
}

std::string ReportPath(std::u16string_view relative) {
  std::u16string windows(relative);
  std::replace(windows.begin(), windows.end(), u'/', u'\\');
  return Utf16ToGbk(windows);
}

FileMetadata MetadataOf(const Entry& e) { return {e.mtime, e.ctime, e.atime, e.attributes}; }

// Where each entry goes; an empty target means the entry is not written.
struct Plan {
  std::vector<bool> selected;
  std::vector<std::u16string> target;
};

// Selects the entries and checks every selected one before anything is written.
std::optional<RunOutcome> MakePlan(const CommandLine& cmd, const std::vector<Entry>& entries,
                                   Plan& plan) {
  EntrySelection selection(cmd.patterns, cmd.exclusions);
  plan.selected.assign(entries.size(), false);
  plan.target.assign(entries.size(), {});
  for (size_t i = 0; i < entries.size(); ++i) {
    const Entry& e = entries[i];
    if (e.is_anti || !selection.Selects(e.name)) continue;
    if (e.is_dir && !cmd.keep_folders) continue;
    auto parts = SafeRelativePath(e.name);
    if (!parts || (parts->empty() && !e.is_dir))
      return Failure(RunResult::kRefusedEntry, "unsafe entry path refused: " + ReportPath(e.name));
    if (parts->empty()) continue;  // a folder that is the output folder itself
    plan.selected[i] = true;
    plan.target[i] = cmd.keep_folders ? JoinRelative(*parts) : parts->back();
  }
  return std::nullopt;
}

// Receives the decoded entries and writes them, reporting progress.
class WritingSink : public ExtractSink {
 public:
  WritingSink(ArchiveFileSystem& fs, const std::vector<Entry>& entries, const Plan& plan,
              std::string report_folder, const ProgressReport& report, ExtractingInfo& info)
      : fs_(fs), entries_(entries), plan_(plan), folder_(std::move(report_folder)),
        report_(report), info_(info) {}

  bool Begin(size_t index) override {
    const Entry& e = entries_[index];
    const std::u16string& target = plan_.target[index];
    if (e.is_dir) {
      if (!fs_.CreateFolder(target)) return Fail(RunResult::kWriteError, "cannot create folder: ", target);
      folders_.push_back(index);
      return true;
    }
    index_ = index;
    written_ = 0;
    unreported_ = 0;
    buffer_.clear();
    CopyName(info_.szSourceFileName, ReportPath(e.name));
    CopyName(info_.szDestFileName, folder_ + ReportPath(target));
    // Reported before anything is made for the file, so that the caller can still keep aside a
    // file of that name, or stop the run.
    if (!Report(kStateFileBegin)) return false;
    // Files come folder by folder: the parent made for the previous file needs no second look.
    size_t slash = target.rfind(u'/');
    if (slash != std::u16string::npos) {
      std::u16string_view parent(target.data(), slash);
      if (parent != last_parent_) {
        if (!fs_.CreateFolder(std::u16string(parent)))
          return Fail(RunResult::kWriteError, "cannot create folder: ", parent);
        last_parent_ = parent;
      }
    }
    file_ = fs_.CreateOutFile(target, e.size);
    if (!file_) return Fail(RunResult::kWriteError, "cannot create file: ", target);
    return true;
  }

  bool Data(const uint8_t* data, size_t size) override {
    if (!file_) return Fail(RunResult::kDataError, "data outside a file", {});
    if (buffer_.empty() && size >= kWriteBuffer) {
      if (!file_->Write(data, size)) return Fail(RunResult::kWriteError, "cannot write: ", Target());
    } else {
      buffer_.insert(buffer_.end(), data, data + size);
      if (buffer_.size() >= kWriteBuffer && !Flush()) return false;
    }
    written_ += size;
    unreported_ += size;
    if (unreported_ >= kReportEvery) {
      unreported_ = 0;
      return Report(kStateInProgress);
    }
    return true;
  }

  bool End(size_t index, Status status) override {
    const Entry& e = entries_[index];
    if (e.is_dir) return true;
    if (!file_) return false;
    bool written = Flush();
    if (status == Status::kOk && written) file_->SetMetadata(MetadataOf(e));
    bool closed = file_->Close();
    file_.reset();
    if (status != Status::kOk || !written || !closed) {
      fs_.RemoveFile(plan_.target[index]);
      if (written && !closed) Fail(RunResult::kWriteError, "cannot write: ", plan_.target[index]);
      return written && closed;
    }
    return Report(kStateInProgress);
  }

  // After the reader stopped: drops a file left half-written and restores the folders' times and
  // attributes, deepest last-listed first, now that their files are in place.
  void Finish() {
    if (file_) {
      file_->Close();
      file_.reset();
      fs_.RemoveFile(plan_.target[index_]);
    }
    for (auto it = folders_.rbegin(); it != folders_.rend(); ++it)
      fs_.SetFolderMetadata(plan_.target[*it], MetadataOf(entries_[*it]));
  }

  // A failure of our own (write, cancel) overrides the status the reader gives back.
  const std::optional<RunOutcome>& failure() const { return failure_; }

 private:
  const std::u16string& Target() const { return plan_.target[index_]; }

  bool Flush() {
    if (buffer_.empty()) return true;
    bool ok = file_->Write(buffer_.data(), buffer_.size());
    buffer_.clear();
    return ok || Fail(RunResult::kWriteError, "cannot write: ", Target());
  }

  bool Report(unsigned state) {
    SetReportedSizes(info_, entries_[index_].size, written_);
    if (!report_ || report_(state, info_)) return true;
    return Fail(RunResult::kCancelled, "cancelled", {});
  }

  bool Fail(RunResult result, std::string text, std::u16string_view path) {
    if (!failure_) failure_ = Failure(result, text + ReportPath(path));
    return false;
  }

  ArchiveFileSystem& fs_;
  const std::vector<Entry>& entries_;
  const Plan& plan_;
  std::string folder_;
  const ProgressReport& report_;
  ExtractingInfo& info_;
  std::unique_ptr<OutFile> file_;
  size_t index_ = 0;
  uint64_t written_ = 0;
  uint64_t unreported_ = 0;
  std::vector<uint8_t> buffer_;
  std::vector<size_t> folders_;
  std::u16string last_parent_;
  std::optional<RunOutcome> failure_;
};

// The machine's cores unless the command line names a count; a few cores already decode faster
// than most disks take the files.
unsigned DecodingThreads(unsigned requested) {
  constexpr unsigned kMaxAutomatic = 8;
  if (requested) return requested;
  return std::clamp(std::thread::hardware_concurrency(), 1u, kMaxAutomatic);
}

RunOutcome Extract(const CommandLine& cmd, ArchiveFileSystem& fs, const ProgressReport& report,
                   ExtractingInfo& info) {
  std::unique_ptr<InStream> stream = OpenArchiveStream(fs, cmd.archive);
  if (!stream) return Failure(RunResult::kCannotOpen, "cannot open archive: " + cmd.archive);
  Error error;
  auto archive = Archive::Open(std::move(stream), GbkToUtf16(cmd.password), error);
  if (!archive) return FromError(error);
  const std::vector<Entry>& entries = archive->entries();
  Plan plan;
  if (auto refused = MakePlan(cmd, entries, plan)) return *refused;
  if (!fs.SetOutputFolder(cmd.output_folder))
    return Failure(RunResult::kWriteError, "cannot create output folder: " + cmd.output_folder);
  WritingSink sink(fs, entries, plan, ReportFolder(cmd.output_folder), report, info);
  error = archive->Extract(plan.selected, sink, DecodingThreads(cmd.threads));
  sink.Finish();
  if (sink.failure()) return *sink.failure();
  return error.ok() ? RunOutcome{} : FromError(error);
}

}  // namespace

std::optional<std::vector<std::u16string>> SafeRelativePath(std::u16string_view entry_name) {
  if (entry_name.empty() || IsSeparator(entry_name[0])) return std::nullopt;
  if (entry_name.find(u':') != std::u16string_view::npos ||
      entry_name.find(u'\0') != std::u16string_view::npos)
    return std::nullopt;
  std::vector<std::u16string> parts;
  size_t start = 0;
  while (start <= entry_name.size()) {
    size_t end = start;
    while (end < entry_name.size() && !IsSeparator(entry_name[end])) ++end;
    std::u16string_view part = entry_name.substr(start, end - start);
    start = end + 1;
    if (part.empty() || part == u".") continue;
    if (part == u"..") {
      if (parts.empty()) return std::nullopt;
      parts.pop_back();
      continue;
    }
    // Windows drops trailing dots and blanks: "..." or ". ." would name a folder above.
    if (part.find_first_not_of(u". ") == std::u16string_view::npos || IsDeviceName(part))
      return std::nullopt;
    parts.emplace_back(part);
  }
  return parts;
}

void SetReportedSizes(ExtractingInfo& info, uint64_t size, uint64_t written) {
  if (size >= kLargeFile) {
    info.dwFileSize = static_cast<uint32_t>(kLargeFile);
    constexpr uint64_t kExact = UINT64_MAX / 1000;  // beyond ~18 PB the share is approximated
    uint64_t share = written >= size      ? 1000
                     : written <= kExact ? written * 1000 / size
                                         : written / (size / 1000);
    info.dwWriteSize = static_cast<uint32_t>(share);
  } else {
    info.dwFileSize = static_cast<uint32_t>(size);
    info.dwWriteSize = static_cast<uint32_t>(written);
  }
}

std::string VolumeName(std::string_view first_volume, int index) {
  std::string number = std::to_string(index);
  if (number.size() < 3) number.insert(0, 3 - number.size(), '0');
  return std::string(first_volume.substr(0, first_volume.size() - 3)) + number;
}

std::unique_ptr<InStream> OpenArchiveStream(ArchiveFileSystem& fs, const std::string& path) {
  std::unique_ptr<InStream> first = fs.OpenRead(path);
  if (!first || !EndsWith(path, ".001")) return first;
  std::vector<std::unique_ptr<InStream>> parts;
  parts.push_back(std::move(first));
  for (int i = 2;; ++i) {
    std::unique_ptr<InStream> next = fs.OpenRead(VolumeName(path, i));
    if (!next) break;
    parts.push_back(std::move(next));
  }
  return ConcatStream(std::move(parts));
}

RunOutcome RunExtraction(const CommandLine& cmd, ArchiveFileSystem& fs,
                         const ProgressReport& report) {
  ExtractingInfo info;
  std::memset(&info, 0, sizeof(info));
  RunOutcome outcome = Extract(cmd, fs, report, info);
  if (report) report(kStateRunEnd, info);
  return outcome;
}

}  // namespace qmb::sevenzip
