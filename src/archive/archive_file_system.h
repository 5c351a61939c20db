// What an extraction run needs from the file system: reading the archive by its GBK path, and
// writing below one output folder by UTF-16 paths relative to it (so names GBK cannot hold still
// extract). One implementation per platform: POSIX natively, the W functions in the DLL.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "archive/in_stream.h"

namespace qmb::sevenzip {

// Times are FILETIME values (100 ns since 1601); attributes are Windows attributes.
struct FileMetadata {
  std::optional<uint64_t> mtime, ctime, atime;
  std::optional<uint32_t> attributes;
};

class OutFile {
 public:
  virtual ~OutFile() = default;
  virtual bool Write(const void* data, size_t size) = 0;
  // Sets the file's times and attributes through the open file, after its last write: opening
  // the file a second time by its path costs more than the write of a small file.
  virtual bool SetMetadata(const FileMetadata& meta) = 0;
  // Flushes and closes; false when the data did not reach the disk.
  virtual bool Close() = 0;
};

class ArchiveFileSystem {
 public:
  virtual ~ArchiveFileSystem() = default;

  // Opens an archive or volume file; nullptr when it cannot be opened.
  virtual std::unique_ptr<InStream> OpenRead(const std::string& gbk_path) = 0;

  // Makes folder (GBK, Windows form with a trailing "\" or "/") the output folder, creating it
  // with its parents. All relative paths below are UTF-16, with "/" between their components,
  // already checked to stay inside it.
  virtual bool SetOutputFolder(const std::string& gbk_folder) = 0;
  // Creates the folder with all missing parents; true when it exists afterwards.
  virtual bool CreateFolder(const std::u16string& relative) = 0;
  // Creates or replaces a file (a read-only one too); nullptr on failure. size is the file's final
  // size: its space is reserved up front where the system can, so a large file is laid out in one
  // piece (the visible size still grows with the writes).
  virtual std::unique_ptr<OutFile> CreateOutFile(const std::u16string& relative, uint64_t size) = 0;
  virtual bool SetFolderMetadata(const std::u16string& relative, const FileMetadata& meta) = 0;
  virtual bool RemoveFile(const std::u16string& relative) = 0;
};

// The file system of the platform the library runs on.
ArchiveFileSystem& PlatformFileSystem();

}  // namespace qmb::sevenzip
