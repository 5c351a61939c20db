// Files through CreateFileW and friends.
#include "platform/win32/win32_files.h"

#include <algorithm>

#include "platform/win32/wide.h"
#include "platform/win32/windows_include.h"

namespace qmb {

namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
constexpr size_t kMaxChunk = 1u << 30;

class Win32FileStream : public FileStream {
 public:
  explicit Win32FileStream(HANDLE handle) : handle_(handle) {}
  ~Win32FileStream() override { CloseHandle(handle_); }

  size_t Read(void* buffer, size_t size) override {
    auto* out = static_cast<char*>(buffer);
    size_t total = 0;
    while (total < size) {
      DWORD got = 0;
      DWORD chunk = static_cast<DWORD>(std::min(size - total, kMaxChunk));
      if (!ReadFile(handle_, out + total, chunk, &got, nullptr) || got == 0) break;
      total += got;
    }
    return total;
  }

  bool Write(const void* data, size_t size) override {
    auto* in = static_cast<const char*>(data);
    while (size > 0) {
      DWORD written = 0;
      DWORD chunk = static_cast<DWORD>(std::min(size, kMaxChunk));
      if (!WriteFile(handle_, in, chunk, &written, nullptr) || written != chunk) return false;
      in += chunk;
      size -= chunk;
    }
    return true;
  }

  bool Seek(uint64_t offset) override {
    LARGE_INTEGER to;
    to.QuadPart = static_cast<LONGLONG>(offset);
    return SetFilePointerEx(handle_, to, nullptr, FILE_BEGIN) != 0;
  }

  // Makes the current position the file's end.
  bool SetEnd() { return SetEndOfFile(handle_) != 0; }

  uint64_t Size() override {
    LARGE_INTEGER size;
    return GetFileSizeEx(handle_, &size) ? static_cast<uint64_t>(size.QuadPart) : 0;
  }

 private:
  HANDLE handle_;
};

HANDLE Open(const std::string& path, DWORD access, DWORD share, DWORD disposition) {
  return CreateFileW(Wide(path).c_str(), access, share, nullptr, disposition,
                     FILE_ATTRIBUTE_NORMAL, nullptr);
}

// Opens for writing from offset 0 with the old content gone. OPEN_ALWAYS plus truncation rather
// than CREATE_ALWAYS, which refuses an existing hidden or system file.
std::unique_ptr<Win32FileStream> OpenTruncated(const std::string& path, DWORD access) {
  HANDLE handle = Open(path, access, FILE_SHARE_READ, OPEN_ALWAYS);
  if (handle == INVALID_HANDLE_VALUE) return nullptr;
  if (!SetEndOfFile(handle)) {
    CloseHandle(handle);
    return nullptr;
  }
  return std::make_unique<Win32FileStream>(handle);
}

DWORD Attributes(const std::wstring& path) { return GetFileAttributesW(path.c_str()); }

bool IsMissing(DWORD attributes) {
  DWORD error = GetLastError();
  return attributes == INVALID_FILE_ATTRIBUTES &&
         (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND);
}

// "folder\*" without doubling a trailing separator.
std::wstring Pattern(std::wstring folder) {
  if (!folder.empty() && folder.back() != L'\\' && folder.back() != L'/') folder += L'\\';
  return folder + L'*';
}

bool IsDotName(const wchar_t* name) {
  return name[0] == L'.' && (name[1] == 0 || (name[1] == L'.' && name[2] == 0));
}

// Removes everything inside a folder and then the folder; read-only flags do not stop it.
void RemoveTreeW(const std::wstring& folder) {
  WIN32_FIND_DATAW found;
  HANDLE find = FindFirstFileW(Pattern(folder).c_str(), &found);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      if (IsDotName(found.cFileName)) continue;
      std::wstring path = folder + L'\\' + found.cFileName;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_READONLY)
        SetFileAttributesW(path.c_str(), found.dwFileAttributes & ~FILE_ATTRIBUTE_READONLY);
      if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) DeleteFileW(path.c_str());
      else if (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) RemoveDirectoryW(path.c_str());
      else RemoveTreeW(path);
    } while (FindNextFileW(find, &found));
    FindClose(find);
  }
  DWORD attributes = Attributes(folder);
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
    SetFileAttributesW(folder.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
  RemoveDirectoryW(folder.c_str());
}

}  // namespace

std::optional<std::string> Win32Files::ReadAll(const std::string& path) {
  auto stream = OpenRead(path);
  if (!stream) return std::nullopt;
  uint64_t size = stream->Size();
  if (size > SIZE_MAX / 2) return std::nullopt;
  std::string data(static_cast<size_t>(size), '\0');
  if (stream->Read(data.data(), data.size()) != data.size()) return std::nullopt;
  return data;
}

bool Win32Files::WriteAll(const std::string& path, std::string_view data) {
  auto stream = OpenTruncated(path, GENERIC_WRITE);
  return stream && stream->Write(data.data(), data.size());
}

bool Win32Files::Append(const std::string& path, std::string_view data) {
  HANDLE handle = Open(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_ALWAYS);
  if (handle == INVALID_HANDLE_VALUE) return false;
  return Win32FileStream(handle).Write(data.data(), data.size());
}

std::unique_ptr<FileStream> Win32Files::OpenRead(const std::string& path) {
  HANDLE handle = Open(path, GENERIC_READ, kShareAll, OPEN_EXISTING);
  if (handle == INVALID_HANDLE_VALUE) return nullptr;
  return std::make_unique<Win32FileStream>(handle);
}

std::unique_ptr<FileStream> Win32Files::OpenWrite(const std::string& path, bool create) {
  if (create) return OpenTruncated(path, GENERIC_READ | GENERIC_WRITE);
  HANDLE handle = Open(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, OPEN_EXISTING);
  if (handle == INVALID_HANDLE_VALUE) return nullptr;
  return std::make_unique<Win32FileStream>(handle);
}

std::optional<uint64_t> Win32Files::Size(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(Wide(path).c_str(), GetFileExInfoStandard, &data) ||
      (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
    return std::nullopt;
  return (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

bool Win32Files::CreateSizedFile(const std::string& path, uint64_t size) {
  // Moving the end allocates the file without writing it.
  auto stream = OpenTruncated(path, GENERIC_WRITE);
  if (!stream || !stream->Seek(size)) return false;
  return stream->SetEnd();
}

bool Win32Files::Exists(const std::string& path) {
  return !path.empty() && Attributes(Wide(path)) != INVALID_FILE_ATTRIBUTES;
}

bool Win32Files::IsDirectory(const std::string& path) {
  DWORD attributes = path.empty() ? INVALID_FILE_ATTRIBUTES : Attributes(Wide(path));
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool Win32Files::CreateDirectory(const std::string& path) {
  return CreateDirectoryW(Wide(path).c_str(), nullptr) || IsDirectory(path);
}

bool Win32Files::RemoveFile(const std::string& path) { return DeleteFileW(Wide(path).c_str()); }

bool Win32Files::RemoveTree(const std::string& path) {
  if (path.empty()) return false;
  std::wstring folder = Wide(path);
  while (folder.size() > 3 && (folder.back() == L'\\' || folder.back() == L'/')) folder.pop_back();
  DWORD attributes = Attributes(folder);
  if (attributes == INVALID_FILE_ATTRIBUTES) return IsMissing(attributes);
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
  // A junction put in the folder's place leads elsewhere: only the junction itself goes.
  if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return RemoveDirectoryW(folder.c_str());
  RemoveTreeW(folder);
  return Attributes(folder) == INVALID_FILE_ATTRIBUTES;
}

bool Win32Files::RemoveFolder(const std::string& path) {
  // The system refuses to remove a folder that holds anything.
  return !path.empty() && RemoveDirectoryW(Wide(path).c_str());
}

bool Win32Files::CopyFile(const std::string& from, const std::string& to) {
  return CopyFileW(Wide(from).c_str(), Wide(to).c_str(), FALSE);
}

bool Win32Files::MoveFile(const std::string& from, const std::string& to) {
  // No copy across drives and no replacing: the caller wants a rename it can undo.
  return MoveFileExW(Wide(from).c_str(), Wide(to).c_str(), 0);
}

std::optional<uint32_t> Win32Files::GetAttributes(const std::string& path) {
  DWORD attributes = Attributes(Wide(path));
  if (attributes == INVALID_FILE_ATTRIBUTES) return std::nullopt;
  return attributes;
}

bool Win32Files::SetAttributes(const std::string& path, uint32_t attributes) {
  return SetFileAttributesW(Wide(path).c_str(), attributes);
}

std::vector<DirEntry> Win32Files::List(const std::string& folder) {
  std::vector<DirEntry> entries;
  WIN32_FIND_DATAW found;
  HANDLE find = FindFirstFileW(Pattern(Wide(folder)).c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return entries;
  do {
    if (IsDotName(found.cFileName)) continue;
    entries.push_back({Narrow(found.cFileName), (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0});
  } while (FindNextFileW(find, &found));
  FindClose(find);
  return entries;
}

std::optional<uint64_t> Win32Files::FreeSpace(const std::string& path) {
  // The drive's root answers even when the folder itself does not exist yet.
  std::string where = path.size() >= 2 && path[1] == ':' ? path.substr(0, 2) + "\\" : path;
  ULARGE_INTEGER available;
  if (!GetDiskFreeSpaceExW(Wide(where).c_str(), &available, nullptr, nullptr)) return std::nullopt;
  return available.QuadPart;
}

}  // namespace qmb
