// The install journal: every change the installation makes to the machine (files written or
// replaced, folders made, links, registry values and keys, the uninstall entry and files), recorded
// just before it is made, so that a failed or cancelled installation can be undone in reverse. A
// file or link that already exists is moved into a backup folder of the install's own first, and
// moved back on undo; success drops the journal and the backups.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "base/install_log.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "system/created_items.h"

namespace qmb {

enum class JournalKind {
  kFolderCreated,  // path: a folder that did not exist
  kFileWritten,    // path: a file or link; backup: where the one it replaces waits (or empty)
  kKeyCreated,     // root, view, path: a registry key that did not exist, with all below it
  kValueWritten,   // root, view, path (the key), name; old_value: what stood there before
  kFolderListed,   // path: a folder something unpacks into; listed: the names it held before
};

struct JournalEntry {
  JournalKind kind = JournalKind::kFolderCreated;
  std::string path;
  std::string backup;
  RegRoot root = RegRoot::kLocalMachine;
  RegView view = RegView::kDefault;
  std::string name;
  std::optional<RegValue> old_value;
  std::vector<std::string> listed;
};

// What an undo could not put back, one line per change ("restore C:\x\a.dll: ...").
struct RollbackReport {
  std::vector<std::string> not_restored;
  bool complete() const { return not_restored.empty(); }
};

class InstallJournal {
 public:
  InstallJournal(Files& files, Registry& registry, InstallLog& log)
      : files_(files), registry_(registry), log_(log) {}
  InstallJournal(const InstallJournal&) = delete;
  InstallJournal& operator=(const InstallJournal&) = delete;

  // Starts recording. Replaced files are kept in backup_folder, made when the first one is needed;
  // it should lie on the drive of the files it keeps, so that keeping one is a rename.
  void Begin(std::string backup_folder);
  bool recording() const { return recording_; }

  // Called before path (a file or a link) is created or replaced: its missing parent folders are
  // recorded as made (whoever writes the file makes them), and a file already there is moved into
  // the backup folder. False when that file cannot be kept aside (held open, refused): the caller
  // must then not write. Without recording, nothing happens and the answer is true.
  bool PrepareFile(const std::string& path);

  // Creates folder with its missing parents, recording each folder it makes; true when the whole
  // path exists afterwards. Refuses a path that is not below a drive, or holds "." or "..".
  bool CreateFolderPath(const std::string& folder);

  // Notes what folder holds before the archive library unpacks into it: the library makes the
  // archive's empty folders on its own, without a word, and undo removes those that are new and
  // still hold no file.
  void NoteFolderContents(const std::string& folder);

  // Sets a registry value, recording each key it has to create (parents first) and the value it
  // replaces.
  bool SetValue(RegRoot root, const std::string& key, const std::string& name, uint32_t type,
                std::string_view data, RegView view);

  // Records the keys of keys (parents first) as created in view: a program the install ran, such
  // as regedit with the package's script, made them.
  void NoteKeysCreated(RegRoot root, const std::vector<std::string>& keys, RegView view);

  // True when folder is one this installation created.
  bool CreatedFolder(std::string_view folder) const;
  // What this installation created and is still there, parents first: the folders it recorded, the
  // new folders (with all below them) of the folders the archive library unpacked into, and the
  // keys. The uninstall record's lists.
  CreatedItems Created() const;

  // Undoes the recorded changes, last first, going on past each one that fails; ends recording.
  RollbackReport Rollback();
  // Keeps the changes: drops the backups and the journal; ends recording.
  void Commit();

  // The changes so far, oldest first.
  const std::vector<JournalEntry>& entries() const { return entries_; }
  // Whether a change was refused since Begin (a file that could not be kept aside, or the seam
  // below): the installation is then incomplete and is to be rolled back.
  bool refused() const { return refused_; }

  // A test seam: every call above after the first calls changes fails as the system would refuse it.
  void RefuseAfter(size_t calls) { refuse_after_ = calls; }

 private:
  bool KeepAside(const std::string& path, std::string& backup);
  void RecordMissingFolders(const std::string& folder);
  // True when folder is, or lies in, a folder this installation made, or one that was not there
  // when its parent was listed before unpacking into it.
  bool InNewFolder(const std::string& folder) const;
  void Undo(const JournalEntry& entry, RollbackReport& report);
  void UndoFile(const JournalEntry& entry, RollbackReport& report);
  void UndoFolder(const JournalEntry& entry, RollbackReport& report);
  void UndoValue(const JournalEntry& entry, RollbackReport& report);
  void UndoListing(const JournalEntry& entry, RollbackReport& report);
  void Failed(RollbackReport& report, const std::string& line);
  bool Refuse(const std::string& what);
  void End();

  Files& files_;
  Registry& registry_;
  InstallLog& log_;
  bool recording_ = false;
  std::string backup_folder_;
  std::string folder_recorded_;  // the folder of the last file prepared
  bool folder_is_new_ = false;   // whether that folder is one this installation made
  int backups_ = 0;
  bool refused_ = false;
  size_t calls_ = 0;
  std::optional<size_t> refuse_after_;
  std::vector<JournalEntry> entries_;
  // Looked up for every folder files go into: the folders recorded as made (by their case keys)
  // and where the listings stand among the entries.
  std::unordered_set<std::string> created_folders_;
  std::vector<size_t> listings_;
};

}  // namespace qmb
