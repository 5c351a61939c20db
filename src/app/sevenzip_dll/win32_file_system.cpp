// The Windows file system of 7-zip32.dll: W functions only, GBK converted with code page 936.
// Archive and volume files are opened with CreateFileW from kernel32, called plainly through the
// import table: the runtime redirects split-volume opens by patching that very function.
#include <windows.h>

#include "archive/archive_file_system.h"
#include "base/gbk_codec.h"

namespace qmb::sevenzip {

namespace {

constexpr DWORD kChunk = 1 << 30;  // ReadFile and WriteFile take 32-bit sizes

const wchar_t* W(const std::u16string& text) { return reinterpret_cast<const wchar_t*>(text.c_str()); }

std::u16string WindowsPath(std::u16string path) {
  for (char16_t& c : path)
    if (c == u'/') c = u'\\';
  return path;
}

bool IsFolder(const std::u16string& path) {
  DWORD attributes = GetFileAttributesW(W(path));
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Creates every missing folder of path; a drive ("C:") or a share root is taken as existing.
bool MakeFolders(const std::u16string& path) {
  if (path.empty() || IsFolder(path)) return true;
  size_t slash = path.find_last_of(u'\\');
  if (slash != std::u16string::npos && slash > 0 && path[slash - 1] != u':' &&
      path[slash - 1] != u'\\' && !MakeFolders(path.substr(0, slash)))
    return false;
  return CreateDirectoryW(W(path), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

class HandleInStream : public InStream {
 public:
  HandleInStream(HANDLE handle, uint64_t size) : handle_(handle), size_(size) {}
  ~HandleInStream() override { CloseHandle(handle_); }
  size_t Read(void* buffer, size_t size) override {
    size_t total = 0;
    while (total < size) {
      DWORD want = size - total > kChunk ? kChunk : static_cast<DWORD>(size - total);
      DWORD got = 0;
      if (!ReadFile(handle_, static_cast<char*>(buffer) + total, want, &got, nullptr) || got == 0)
        break;
      total += got;
    }
    return total;
  }
  bool Seek(uint64_t offset) override {
    LARGE_INTEGER to;
    to.QuadPart = static_cast<LONGLONG>(offset);
    return offset <= size_ && SetFilePointerEx(handle_, to, nullptr, FILE_BEGIN);
  }
  uint64_t Size() const override { return size_; }

 private:
  HANDLE handle_;
  uint64_t size_;
};

// Times and attributes in one call on an open handle; a zero field leaves that value as it is.
bool SetBasicInfo(HANDLE handle, const FileMetadata& meta, bool is_folder) {
  constexpr DWORD kKept = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM |
                          FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
  FILE_BASIC_INFO info{};
  info.CreationTime.QuadPart = static_cast<LONGLONG>(meta.ctime.value_or(0));
  info.LastAccessTime.QuadPart = static_cast<LONGLONG>(meta.atime.value_or(0));
  info.LastWriteTime.QuadPart = static_cast<LONGLONG>(meta.mtime.value_or(0));
  if (meta.attributes) {
    info.FileAttributes = *meta.attributes & kKept;
    if (info.FileAttributes == 0 && !is_folder) info.FileAttributes = FILE_ATTRIBUTE_NORMAL;
  }
  return SetFileInformationByHandle(handle, FileBasicInfo, &info, sizeof info) != 0;
}

class HandleOutFile : public OutFile {
 public:
  explicit HandleOutFile(HANDLE handle) : handle_(handle) {}
  ~HandleOutFile() override {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  }
  bool Write(const void* data, size_t size) override {
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
      DWORD want = size > kChunk ? kChunk : static_cast<DWORD>(size);
      DWORD done = 0;
      if (!WriteFile(handle_, p, want, &done, nullptr) || done == 0) return false;
      p += done;
      size -= done;
    }
    return true;
  }
  bool SetMetadata(const FileMetadata& meta) override {
    return SetBasicInfo(handle_, meta, false);
  }
  bool Close() override {
    HANDLE handle = handle_;
    handle_ = INVALID_HANDLE_VALUE;
    return CloseHandle(handle) != 0;
  }

 private:
  HANDLE handle_;
};

class Win32FileSystem : public ArchiveFileSystem {
 public:
  std::unique_ptr<InStream> OpenRead(const std::string& gbk_path) override {
    std::u16string path = WindowsPath(GbkToUtf16(gbk_path));
    HANDLE handle = ::CreateFileW(W(path), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return nullptr;
    LARGE_INTEGER size;
    if (!GetFileSizeEx(handle, &size)) {
      CloseHandle(handle);
      return nullptr;
    }
    return std::make_unique<HandleInStream>(handle, static_cast<uint64_t>(size.QuadPart));
  }

  bool SetOutputFolder(const std::string& gbk_folder) override {
    root_ = WindowsPath(GbkToUtf16(gbk_folder));
    while (root_.size() > 3 && root_.back() == u'\\') root_.pop_back();
    return MakeFolders(root_);
  }

  bool CreateFolder(const std::u16string& relative) override { return MakeFolders(Full(relative)); }

  std::unique_ptr<OutFile> CreateOutFile(const std::u16string& relative, uint64_t size) override {
    std::u16string path = Full(relative);
    HANDLE handle = Create(path);
    if (handle == INVALID_HANDLE_VALUE && GetLastError() == ERROR_ACCESS_DENIED) {
      // A read-only, hidden or system file refuses CREATE_ALWAYS until its attributes are reset.
      SetFileAttributesW(W(path), FILE_ATTRIBUTE_NORMAL);
      handle = Create(path);
    }
    if (handle == INVALID_HANDLE_VALUE) return nullptr;
    if (size > 0) {  // a hint only: the file system may refuse and the writes still work
      FILE_ALLOCATION_INFO allocation{};
      allocation.AllocationSize.QuadPart = static_cast<LONGLONG>(size);
      SetFileInformationByHandle(handle, FileAllocationInfo, &allocation, sizeof allocation);
    }
    return std::make_unique<HandleOutFile>(handle);
  }

  bool SetFolderMetadata(const std::u16string& relative, const FileMetadata& meta) override {
    if (!meta.mtime && !meta.ctime && !meta.atime && !meta.attributes) return true;
    HANDLE handle = ::CreateFileW(W(Full(relative)), FILE_WRITE_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return false;
    bool ok = SetBasicInfo(handle, meta, true);
    CloseHandle(handle);
    return ok;
  }

  bool RemoveFile(const std::u16string& relative) override {
    std::u16string path = Full(relative);
    SetFileAttributesW(W(path), FILE_ATTRIBUTE_NORMAL);
    return DeleteFileW(W(path)) != 0;
  }

 private:
  std::u16string Full(const std::u16string& relative) const {
    std::u16string path = root_;
    if (path.empty() || path.back() != u'\\') path.push_back(u'\\');
    return path + WindowsPath(relative);
  }

  static HANDLE Create(const std::u16string& path) {
    return ::CreateFileW(W(path), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                       nullptr);
  }

  std::u16string root_;
};

}  // namespace

ArchiveFileSystem& PlatformFileSystem() {
  static Win32FileSystem fs;
  return fs;
}

}  // namespace qmb::sevenzip
