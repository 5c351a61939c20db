// The file-system port: whole-file and ranged access, folders, walks and attributes. Paths are
// Windows paths in GBK ("C:\Program Files\x"); each implementation maps them to its own system.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qmb {

// A file opened for sequential or positioned access.
class FileStream {
 public:
  virtual ~FileStream() = default;
  // Reads up to size bytes at the current position; returns the count read (0 at the end or on error).
  virtual size_t Read(void* buffer, size_t size) = 0;
  // Writes all bytes at the current position; false on error.
  virtual bool Write(const void* data, size_t size) = 0;
  virtual bool Seek(uint64_t offset) = 0;
  virtual uint64_t Size() = 0;
};

struct DirEntry {
  std::string name;  // the entry's own name, GBK
  bool is_dir = false;
};

enum FileAttribute : uint32_t {
  kAttrReadOnly = 0x1,
  kAttrHidden = 0x2,
  kAttrSystem = 0x4,
  kAttrDirectory = 0x10,
  kAttrArchive = 0x20,
  kAttrNormal = 0x80,
  kAttrReparsePoint = 0x400,  // a junction or link: its content lives elsewhere
};

class Files {
 public:
  virtual ~Files() = default;

  virtual std::optional<std::string> ReadAll(const std::string& path) = 0;
  // Creates or replaces the file.
  virtual bool WriteAll(const std::string& path, std::string_view data) = 0;
  virtual bool Append(const std::string& path, std::string_view data) = 0;
  virtual std::unique_ptr<FileStream> OpenRead(const std::string& path) = 0;
  // Opens for writing at offset 0; create makes a new empty file (replacing one).
  virtual std::unique_ptr<FileStream> OpenWrite(const std::string& path, bool create) = 0;

  virtual std::optional<uint64_t> Size(const std::string& path) = 0;
  // Creates or replaces a file of exactly size bytes by setting its end: nothing is written, so a
  // large file costs no copying (its content reads as zeros).
  virtual bool CreateSizedFile(const std::string& path, uint64_t size) = 0;
  virtual bool Exists(const std::string& path) = 0;  // file or folder
  virtual bool IsDirectory(const std::string& path) = 0;
  // Creates one folder whose parent exists; true when it exists afterwards.
  virtual bool CreateDirectory(const std::string& path) = 0;
  virtual bool RemoveFile(const std::string& path) = 0;
  // Removes a folder with everything in it; false when something stays. A folder that is itself a
  // junction or link loses only the link, never what it points to.
  virtual bool RemoveTree(const std::string& path) = 0;
  // Removes one empty folder; false when it holds anything or is no folder.
  virtual bool RemoveFolder(const std::string& path) = 0;
  virtual bool CopyFile(const std::string& from, const std::string& to) = 0;
  // Renames a file (a read-only one too) on its drive, keeping its attributes; false when to exists,
  // when the file is held open without sharing, or across drives.
  virtual bool MoveFile(const std::string& from, const std::string& to) = 0;
  virtual std::optional<uint32_t> GetAttributes(const std::string& path) = 0;
  virtual bool SetAttributes(const std::string& path, uint32_t attributes) = 0;
  // Entries of one folder, without "." and "..".
  virtual std::vector<DirEntry> List(const std::string& folder) = 0;
  // Bytes free to the caller on the drive that holds path; nullopt when the query fails.
  virtual std::optional<uint64_t> FreeSpace(const std::string& path) = 0;
};

}  // namespace qmb
