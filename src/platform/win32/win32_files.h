// Files through the W functions of kernel32; paths are GBK, converted with code page 936.
#pragma once

#include "platform/files.h"

namespace qmb {

class Win32Files : public Files {
 public:
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
};

}  // namespace qmb
