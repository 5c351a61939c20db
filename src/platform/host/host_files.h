// Files over real folders: a root folder stands for the drives, so "C:\x\y" lives at ROOT/C/x/y.
// Names are GBK on the Windows side and UTF-8 on disk. Linux knows no hidden or read-only flags, so
// those attributes are kept in a table beside the files; read-only is honoured by writes and deletes.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>

#include "platform/files.h"

namespace qmb {

class HostFiles : public Files {
 public:
  explicit HostFiles(std::string root);

  // The host path of a Windows path. Drive letters are upper-cased, "\" and "/" both separate, "."
  // and ".." are resolved (never above the drive), a path without a drive resolves against the
  // current folder, "\\server\share" maps to ROOT/UNC/server/share, and each existing name is found
  // case-insensitively as on Windows. An empty path gives "" (every operation on it fails).
  std::string HostPath(const std::string& windows_path) const;
  // The folder that paths without a drive resolve against (default "C:\").
  void SetCurrentFolder(const std::string& windows_folder) { current_folder_ = windows_folder; }
  // Makes a drive exist (C: always does).
  void AddDrive(char letter);
  // Free bytes reported for a drive; nullopt makes the query fail. Default: 100 GiB.
  void SetFreeSpace(char drive, std::optional<uint64_t> bytes);
  const std::string& root() const { return root_; }
  // Bytes read so far through the streams this object opened: what a reader really reads.
  uint64_t bytes_read() const { return *bytes_read_; }

  std::optional<std::string> ReadAll(const std::string& path) override;
  bool WriteAll(const std::string& path, std::string_view data) override;
  bool Append(const std::string& path, std::string_view data) override;
  std::unique_ptr<FileStream> OpenRead(const std::string& path) override;
  std::unique_ptr<FileStream> OpenWrite(const std::string& path, bool create) override;
  std::optional<uint64_t> Size(const std::string& path) override;
  bool CreateSizedFile(const std::string& path, uint64_t size) override;
  bool Exists(const std::string& path) override;
  bool IsDirectory(const std::string& path) override;
  bool CreateDirectory(const std::string& path) override;
  bool RemoveFile(const std::string& path) override;
  bool RemoveTree(const std::string& path) override;
  bool RemoveFolder(const std::string& path) override;
  bool CopyFile(const std::string& from, const std::string& to) override;
  bool MoveFile(const std::string& from, const std::string& to) override;
  std::optional<uint32_t> GetAttributes(const std::string& path) override;
  bool SetAttributes(const std::string& path, uint32_t attributes) override;
  std::vector<DirEntry> List(const std::string& folder) override;
  std::optional<uint64_t> FreeSpace(const std::string& path) override;

 private:
  // A host path that may be written: an existing regular file that is not read-only, or a new name.
  bool Writable(const std::string& host) const;
  void ForgetAttributes(const std::string& host, bool below);

  std::string root_;
  std::string current_folder_ = "C:\\";
  std::map<std::string, uint32_t> attributes_;  // by host path; files without an entry are "archive"
  std::map<std::string, std::optional<uint64_t>> free_space_;  // by drive folder name ("C", "UNC")
  // Shared with the streams, which may outlive this object.
  std::shared_ptr<uint64_t> bytes_read_ = std::make_shared<uint64_t>(0);
};

}  // namespace qmb
