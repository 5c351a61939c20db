// The install journal: recording before each change, undo in reverse, commit.
#include "system/install_journal.h"

#include <algorithm>

#include "base/path.h"
#include "base/text.h"
#include "extract/folder_path.h"
#include "system/created_items.h"
#include "system/folder_walk.h"

namespace qmb {
namespace {

// True when folder holds nothing but (empty) folders: what an archive's empty folder entries leave.
bool HoldsOnlyFolders(Files& files, const std::string& folder) {
  for (const DirEntry& entry : files.List(folder)) {
    if (!entry.is_dir || !HoldsOnlyFolders(files, JoinPath(folder, entry.name))) return false;
  }
  return true;
}

// Clears the read-only flag of a file so that it can be removed; the attributes it had, if any.
std::optional<uint32_t> MakeRemovable(Files& files, const std::string& path) {
  const std::optional<uint32_t> attributes = files.GetAttributes(path);
  if (attributes && (*attributes & kAttrReadOnly)) files.SetAttributes(path, *attributes & ~kAttrReadOnly);
  return attributes;
}

// Moves from to to, or copies and removes where a rename cannot (another drive).
bool MoveOrCopy(Files& files, const std::string& from, const std::string& to) {
  if (files.MoveFile(from, to)) return true;
  if (!files.CopyFile(from, to)) return false;
  const std::optional<uint32_t> attributes = MakeRemovable(files, from);
  if (files.RemoveFile(from)) return true;
  // The original stays where it was; the copy must not stay as a second one.
  if (attributes) files.SetAttributes(from, *attributes);
  MakeRemovable(files, to);
  files.RemoveFile(to);
  return false;
}

// True when a listing of a folder's names holds name (letters compared without case).
bool IsListed(const JournalEntry& listing, const std::string& name) {
  for (const std::string& listed : listing.listed)
    if (EqualsIgnoreCase(listed, name)) return true;
  return false;
}

// The folders in a listed folder that were not there when it was listed, each followed by every
// folder below it: what the archive library made without a word. The backup folder is passed over.
std::vector<std::string> NewSubfolders(Files& files, const JournalEntry& listing,
                                       const std::string& backup_folder) {
  std::vector<std::string> made;
  for (const DirEntry& item : files.List(listing.path)) {
    if (!item.is_dir || IsListed(listing, item.name)) continue;
    const std::string folder = JoinPath(listing.path, item.name);
    if (EqualsIgnoreCase(folder, backup_folder)) continue;
    made.push_back(folder);
    std::vector<std::string> below = ListSubfolders(files, folder, true, nullptr).paths;
    std::reverse(below.begin(), below.end());  // the walk lists children before their parents
    made.insert(made.end(), below.begin(), below.end());
  }
  return made;
}

JournalEntry Entry(JournalKind kind, std::string path) {
  JournalEntry entry;
  entry.kind = kind;
  entry.path = std::move(path);
  return entry;
}

JournalEntry RegistryEntry(JournalKind kind, RegRoot root, std::string key, RegView view) {
  JournalEntry entry = Entry(kind, std::move(key));
  entry.root = root;
  entry.view = view;
  return entry;
}

}  // namespace

void InstallJournal::Begin(std::string backup_folder) {
  End();
  refused_ = false;
  calls_ = 0;
  backup_folder_ = std::move(backup_folder);
  backups_ = 0;
  recording_ = true;
  log_.Step("journal: recording, backups go to " + backup_folder_);
}

void InstallJournal::RecordMissingFolders(const std::string& folder) {
  // Called for every file written: where the folder is there, so is every level above it, and one
  // look answers what the walk from the drive down would.
  if (files_.IsDirectory(folder)) return;
  const std::optional<std::vector<std::string>> levels = FolderPathLevels(folder);
  if (!levels) return;
  for (const std::string& level : *levels) {
    if (files_.IsDirectory(level)) continue;
    created_folders_.insert(CaseKey(level));
    entries_.push_back(Entry(JournalKind::kFolderCreated, level));
  }
}

bool InstallJournal::Refuse(const std::string& what) {
  if (!refuse_after_ || calls_++ < *refuse_after_) return false;
  log_.Failure("journal: refused (test seam): " + what);
  refused_ = true;
  return true;
}

bool InstallJournal::CreateFolderPath(const std::string& folder) {
  if (recording_ && Refuse(folder)) return false;
  if (recording_) RecordMissingFolders(folder);
  return qmb::CreateFolderPath(files_, folder);
}

void InstallJournal::NoteFolderContents(const std::string& folder) {
  if (!recording_) return;
  JournalEntry entry = Entry(JournalKind::kFolderListed, folder);
  for (const DirEntry& item : files_.List(folder)) entry.listed.push_back(item.name);
  listings_.push_back(entries_.size());
  entries_.push_back(std::move(entry));
}

bool InstallJournal::KeepAside(const std::string& path, std::string& backup) {
  if (!CreateFolderPath(backup_folder_)) {
    log_.Failure("journal: cannot make the backup folder " + backup_folder_);
    return false;
  }
  backup = JoinPath(backup_folder_, std::to_string(++backups_));
  if (!MoveOrCopy(files_, path, backup)) return false;
  // Named in the log: after a crash the backup is where the user finds the file again.
  log_.Step("journal: " + path + " kept aside as " + backup);
  return true;
}

bool InstallJournal::PrepareFile(const std::string& path) {
  if (!recording_) return true;
  if (Refuse(path)) return false;
  // The archive library writes folder by folder: the missing levels of a file's folder are recorded
  // with its first file, which makes them, and the files after it need no look.
  std::string folder = ParentFolder(path);
  if (!EqualsIgnoreCase(folder, folder_recorded_)) {
    RecordMissingFolders(folder);
    folder_is_new_ = InNewFolder(folder);
    folder_recorded_ = std::move(folder);
  }
  JournalEntry entry = Entry(JournalKind::kFileWritten, path);
  // Nothing in a folder this installation made is older than it, so there is nothing to keep aside
  // (a file it writes twice there is removed by undo either way). The look is not free: under
  // Wine, telling that a name is not there reads the whole folder.
  // A folder in the file's place is left alone: the write fails on it, and undo has nothing to do.
  if (!folder_is_new_ && files_.Exists(path) && !files_.IsDirectory(path) &&
      !KeepAside(path, entry.backup)) {
    log_.Failure("journal: cannot keep the existing " + path + " aside; it is not replaced");
    refused_ = true;
    return false;
  }
  entries_.push_back(std::move(entry));
  return true;
}

bool InstallJournal::SetValue(RegRoot root, const std::string& key, const std::string& name,
                              uint32_t type, std::string_view data, RegView view) {
  if (recording_ && Refuse(key + " [" + name + "]")) return false;
  if (recording_) {
    // Every level is recorded: the uninstaller removes each one that ends up empty, deepest first.
    NoteKeysCreated(root, MissingKeys(registry_, root, key, view), view);
    JournalEntry value = RegistryEntry(JournalKind::kValueWritten, root, key, view);
    value.name = name;
    value.old_value = registry_.QueryValue(root, key, name, view);
    entries_.push_back(std::move(value));
  }
  return registry_.SetValue(root, key, name, type, data, view);
}

void InstallJournal::NoteKeysCreated(RegRoot root, const std::vector<std::string>& keys,
                                     RegView view) {
  if (!recording_) return;
  for (const std::string& key : keys)
    entries_.push_back(RegistryEntry(JournalKind::kKeyCreated, root, key, view));
}

bool InstallJournal::InNewFolder(const std::string& folder) const {
  const std::optional<std::vector<std::string>> levels = FolderPathLevels(folder);
  if (!levels) return false;
  for (const std::string& level : *levels) {
    if (CreatedFolder(level)) return true;
    const std::string parent = ParentFolder(level);
    for (const size_t index : listings_) {
      const JournalEntry& listing = entries_[index];
      if (EqualsIgnoreCase(listing.path, parent) && !IsListed(listing, FileNameOf(level))) return true;
    }
  }
  return false;
}

bool InstallJournal::CreatedFolder(std::string_view folder) const {
  return created_folders_.count(CaseKey(folder)) > 0;
}

CreatedItems InstallJournal::Created() const {
  CreatedItems items;
  // The backup folder goes when the install is kept.
  const auto note = [&](const std::string& folder) {
    if (!EqualsIgnoreCase(folder, backup_folder_) && files_.IsDirectory(folder))
      NoteCreatedFolder(items, folder);
  };
  for (const JournalEntry& entry : entries_) {
    switch (entry.kind) {
      case JournalKind::kFolderCreated:
        note(entry.path);
        break;
      case JournalKind::kFolderListed:
        for (const std::string& folder : NewSubfolders(files_, entry, backup_folder_)) note(folder);
        break;
      case JournalKind::kKeyCreated:
        if (registry_.KeyExists(entry.root, entry.path, entry.view))
          NoteCreatedKeys(items, entry.root, {entry.path}, entry.view == RegView::k64 ? "64" : "32");
        break;
      default:
        break;
    }
  }
  return items;
}

void InstallJournal::Failed(RollbackReport& report, const std::string& line) {
  log_.Failure("rollback: " + line);
  report.not_restored.push_back(line);
}

void InstallJournal::UndoFile(const JournalEntry& entry, RollbackReport& report) {
  if (files_.Exists(entry.path) && !files_.IsDirectory(entry.path)) {
    MakeRemovable(files_, entry.path);
    if (!files_.RemoveFile(entry.path)) {
      Failed(report, "cannot remove " + entry.path);
      return;  // the kept file stays in the backup folder rather than over nothing
    }
  }
  if (entry.backup.empty()) return;
  if (!MoveOrCopy(files_, entry.backup, entry.path)) {
    Failed(report, "cannot put back " + entry.path + " (its old content is in " + entry.backup + ")");
  }
}

void InstallJournal::UndoFolder(const JournalEntry& entry, RollbackReport& report) {
  if (!files_.IsDirectory(entry.path)) return;
  if (!HoldsOnlyFolders(files_, entry.path)) {
    log_.Step("rollback: kept " + entry.path + ", it holds files this installation did not make");
    return;
  }
  if (!files_.RemoveTree(entry.path)) Failed(report, "cannot remove the folder " + entry.path);
}

void InstallJournal::UndoValue(const JournalEntry& entry, RollbackReport& report) {
  const std::string where = entry.path + " [" + entry.name + "]";
  if (entry.old_value) {
    if (!registry_.SetValue(entry.root, entry.path, entry.name, entry.old_value->type,
                            entry.old_value->data, entry.view))
      Failed(report, "cannot restore the registry value " + where);
    return;
  }
  if (registry_.QueryValue(entry.root, entry.path, entry.name, entry.view) &&
      !registry_.DeleteValue(entry.root, entry.path, entry.name, entry.view))
    Failed(report, "cannot remove the registry value " + where);
}

void InstallJournal::UndoListing(const JournalEntry& entry, RollbackReport& report) {
  for (const DirEntry& item : files_.List(entry.path)) {
    if (!item.is_dir || IsListed(entry, item.name)) continue;
    UndoFolder(Entry(JournalKind::kFolderCreated, JoinPath(entry.path, item.name)), report);
  }
}

void InstallJournal::Undo(const JournalEntry& entry, RollbackReport& report) {
  switch (entry.kind) {
    case JournalKind::kFileWritten:
      UndoFile(entry, report);
      break;
    case JournalKind::kFolderCreated:
      UndoFolder(entry, report);
      break;
    case JournalKind::kValueWritten:
      UndoValue(entry, report);
      break;
    case JournalKind::kFolderListed:
      UndoListing(entry, report);
      break;
    case JournalKind::kKeyCreated:
      if (registry_.KeyExists(entry.root, entry.path, entry.view) &&
          !registry_.DeleteKey(entry.root, entry.path, entry.view))
        Failed(report, "cannot remove the registry key " + entry.path);
      break;
  }
}

RollbackReport InstallJournal::Rollback() {
  RollbackReport report;
  log_.Step("rollback: undoing " + std::to_string(entries_.size()) + " change(s)");
  for (auto it = entries_.rbegin(); it != entries_.rend(); ++it) Undo(*it, report);
  log_.Step(report.complete() ? "rollback: complete"
                              : "rollback: " + std::to_string(report.not_restored.size()) +
                                    " change(s) could not be undone");
  End();
  return report;
}

void InstallJournal::Commit() {
  if (backups_ > 0 && !files_.RemoveTree(backup_folder_))
    log_.Failure("journal: cannot remove the backups in " + backup_folder_);
  log_.Step("journal: " + std::to_string(entries_.size()) + " change(s) kept");
  End();
}

void InstallJournal::End() {
  entries_.clear();
  folder_recorded_.clear();
  folder_is_new_ = false;
  created_folders_.clear();
  listings_.clear();
  recording_ = false;
}

}  // namespace qmb
