// Drive-mapped files for native tests.
#include "platform/host/host_files.h"

#include <cctype>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "base/gbk_codec.h"

namespace qmb {

namespace fs = std::filesystem;

namespace {

constexpr uint64_t kDefaultFreeSpace = 100ull << 30;

std::string AsciiLower(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

// A Windows path split into its drive folder name and its names, all UTF-8.
struct WindowsPath {
  std::string drive;
  std::vector<std::string> names;
};

// Adds the names of a "\"-separated tail, resolving "." and ".." (".." stops at the drive).
void AddNames(std::string_view tail, std::vector<std::string>& names) {
  size_t start = 0;
  while (start <= tail.size()) {
    size_t end = tail.find('\\', start);
    if (end == std::string_view::npos) end = tail.size();
    std::string_view name = tail.substr(start, end - start);
    if (name == "..") {
      if (!names.empty()) names.pop_back();
    } else if (!name.empty() && name != ".") {
      names.emplace_back(name);
    }
    start = end + 1;
  }
}

// Splits a UTF-8 path whose separators are all "\". Paths without a drive take base's.
std::optional<WindowsPath> Split(std::string utf8, const WindowsPath* base) {
  WindowsPath out;
  bool has_drive = utf8.size() >= 2 && utf8[1] == ':' &&
                   ((utf8[0] >= 'a' && utf8[0] <= 'z') || (utf8[0] >= 'A' && utf8[0] <= 'Z'));
  if (has_drive) {
    out.drive = std::string(1, static_cast<char>(utf8[0] & ~0x20));
    std::string_view tail = std::string_view(utf8).substr(2);
    // "C:name" is relative to the current folder when that is on the same drive.
    if (!tail.empty() && tail[0] != '\\' && base && base->drive == out.drive) out.names = base->names;
    AddNames(tail, out.names);
  } else if (utf8.starts_with("\\\\")) {
    out.drive = "UNC";
    AddNames(std::string_view(utf8).substr(2), out.names);
  } else {
    if (!base) return std::nullopt;
    out.drive = base->drive;
    if (!utf8.starts_with("\\")) out.names = base->names;
    AddNames(utf8, out.names);
  }
  return out;
}

std::string ToUtf8WithBackslashes(const std::string& gbk) {
  std::string utf8 = GbkToUtf8(gbk);
  std::replace(utf8.begin(), utf8.end(), '/', '\\');
  return utf8;
}

class HostFileStream : public FileStream {
 public:
  HostFileStream(std::FILE* file, std::shared_ptr<uint64_t> bytes_read)
      : file_(file), bytes_read_(std::move(bytes_read)) {}
  ~HostFileStream() override { std::fclose(file_); }
  size_t Read(void* buffer, size_t size) override {
    const size_t n = std::fread(buffer, 1, size, file_);
    *bytes_read_ += n;
    return n;
  }
  bool Write(const void* data, size_t size) override {
    return std::fwrite(data, 1, size, file_) == size && std::fflush(file_) == 0;
  }
  bool Seek(uint64_t offset) override {
    return fseeko(file_, static_cast<off_t>(offset), SEEK_SET) == 0;
  }
  uint64_t Size() override {
    std::fflush(file_);
    struct stat st;
    return fstat(fileno(file_), &st) == 0 ? static_cast<uint64_t>(st.st_size) : 0;
  }

 private:
  std::FILE* file_;
  std::shared_ptr<uint64_t> bytes_read_;
};

bool IsRegularFile(const std::string& host) {
  std::error_code ec;
  return !host.empty() && fs::is_regular_file(host, ec);
}

bool IsDir(const std::string& host) {
  std::error_code ec;
  return !host.empty() && fs::is_directory(host, ec);
}

bool ExistsOnDisk(const std::string& host) {
  std::error_code ec;
  return !host.empty() && fs::exists(fs::symlink_status(host, ec));
}

}  // namespace

HostFiles::HostFiles(std::string root) : root_(std::move(root)) {
  std::error_code ec;
  fs::create_directories(root_ + "/C", ec);
}

void HostFiles::AddDrive(char letter) {
  std::error_code ec;
  fs::create_directories(root_ + "/" + std::string(1, static_cast<char>(letter & ~0x20)), ec);
}

void HostFiles::SetFreeSpace(char drive, std::optional<uint64_t> bytes) {
  free_space_[std::string(1, static_cast<char>(drive & ~0x20))] = bytes;
}

std::string HostFiles::HostPath(const std::string& windows_path) const {
  if (windows_path.empty()) return {};
  std::optional<WindowsPath> current = Split(ToUtf8WithBackslashes(current_folder_), nullptr);
  std::optional<WindowsPath> path =
      Split(ToUtf8WithBackslashes(windows_path), current ? &*current : nullptr);
  if (!path) return {};
  std::string host = root_ + "/" + path->drive;
  for (const std::string& name : path->names) {
    std::string candidate = host + "/" + name;
    std::error_code ec;
    if (!fs::exists(fs::symlink_status(candidate, ec)) && IsDir(host)) {
      std::string wanted = AsciiLower(name);
      for (const auto& entry : fs::directory_iterator(host, ec)) {
        std::string found = entry.path().filename().string();
        if (AsciiLower(found) == wanted) {
          candidate = host + "/" + found;
          break;
        }
      }
    }
    host = std::move(candidate);
  }
  return host;
}

bool HostFiles::Writable(const std::string& host) const {
  if (host.empty() || IsDir(host)) return false;
  auto it = attributes_.find(host);
  return !(ExistsOnDisk(host) && it != attributes_.end() && (it->second & kAttrReadOnly));
}

void HostFiles::ForgetAttributes(const std::string& host, bool below) {
  attributes_.erase(host);
  if (!below) return;
  std::string prefix = host + "/";
  for (auto it = attributes_.lower_bound(prefix);
       it != attributes_.end() && it->first.starts_with(prefix);)
    it = attributes_.erase(it);
}

std::optional<std::string> HostFiles::ReadAll(const std::string& path) {
  std::string host = HostPath(path);
  if (!IsRegularFile(host)) return std::nullopt;
  std::error_code ec;
  uint64_t size = fs::file_size(host, ec);
  std::ifstream in(host, std::ios::binary);
  if (ec || !in) return std::nullopt;
  std::string data(static_cast<size_t>(size), '\0');
  if (!in.read(data.data(), static_cast<std::streamsize>(data.size()))) return std::nullopt;
  return data;
}

bool HostFiles::WriteAll(const std::string& path, std::string_view data) {
  std::string host = HostPath(path);
  if (!Writable(host)) return false;
  std::ofstream out(host, std::ios::binary | std::ios::trunc);
  out.write(data.data(), static_cast<std::streamsize>(data.size()));
  out.close();
  return static_cast<bool>(out);
}

bool HostFiles::Append(const std::string& path, std::string_view data) {
  std::string host = HostPath(path);
  if (!Writable(host)) return false;
  std::ofstream out(host, std::ios::binary | std::ios::app);
  out.write(data.data(), static_cast<std::streamsize>(data.size()));
  out.close();
  return static_cast<bool>(out);
}

std::unique_ptr<FileStream> HostFiles::OpenRead(const std::string& path) {
  std::string host = HostPath(path);
  if (!IsRegularFile(host)) return nullptr;
  std::FILE* file = std::fopen(host.c_str(), "rb");
  if (!file) return nullptr;
  return std::make_unique<HostFileStream>(file, bytes_read_);
}

std::unique_ptr<FileStream> HostFiles::OpenWrite(const std::string& path, bool create) {
  std::string host = HostPath(path);
  if (!Writable(host) || (!create && !IsRegularFile(host))) return nullptr;
  std::FILE* file = std::fopen(host.c_str(), create ? "w+b" : "r+b");
  if (!file) return nullptr;
  return std::make_unique<HostFileStream>(file, bytes_read_);
}

std::optional<uint64_t> HostFiles::Size(const std::string& path) {
  std::string host = HostPath(path);
  std::error_code ec;
  if (!IsRegularFile(host)) return std::nullopt;
  uint64_t size = fs::file_size(host, ec);
  if (ec) return std::nullopt;
  return size;
}

bool HostFiles::CreateSizedFile(const std::string& path, uint64_t size) {
  std::string host = HostPath(path);
  if (!Writable(host)) return false;
  std::FILE* file = std::fopen(host.c_str(), "wb");
  if (!file) return false;
  const bool sized = ftruncate(fileno(file), static_cast<off_t>(size)) == 0;
  return std::fclose(file) == 0 && sized;
}

bool HostFiles::Exists(const std::string& path) { return ExistsOnDisk(HostPath(path)); }

bool HostFiles::IsDirectory(const std::string& path) { return IsDir(HostPath(path)); }

bool HostFiles::CreateDirectory(const std::string& path) {
  std::string host = HostPath(path);
  if (host.empty()) return false;
  std::error_code ec;
  fs::create_directory(host, ec);
  return IsDir(host);
}

bool HostFiles::RemoveFile(const std::string& path) {
  std::string host = HostPath(path);
  if (!IsRegularFile(host) || !Writable(host)) return false;
  std::error_code ec;
  if (!fs::remove(host, ec)) return false;
  ForgetAttributes(host, false);
  return true;
}

bool HostFiles::RemoveTree(const std::string& path) {
  std::string host = HostPath(path);
  if (host.empty()) return false;
  if (!ExistsOnDisk(host)) return true;
  if (!IsDir(host)) return false;
  std::error_code ec;
  fs::remove_all(host, ec);
  ForgetAttributes(host, true);
  return !ExistsOnDisk(host);
}

bool HostFiles::RemoveFolder(const std::string& path) {
  std::string host = HostPath(path);
  if (host.empty() || !IsDir(host)) return false;
  std::error_code ec;
  if (!fs::remove(host, ec)) return false;  // refuses a folder that holds anything
  ForgetAttributes(host, true);
  return true;
}

bool HostFiles::CopyFile(const std::string& from, const std::string& to) {
  std::string source = HostPath(from);
  std::string target = HostPath(to);
  if (!IsRegularFile(source) || !Writable(target)) return false;
  std::error_code ec;
  if (fs::equivalent(source, target, ec)) return false;
  if (!fs::copy_file(source, target, fs::copy_options::overwrite_existing, ec)) return false;
  // CopyFile carries the attributes over.
  auto it = attributes_.find(source);
  if (it != attributes_.end()) attributes_[target] = it->second;
  else attributes_.erase(target);
  return true;
}

bool HostFiles::MoveFile(const std::string& from, const std::string& to) {
  std::string source = HostPath(from);
  std::string target = HostPath(to);
  if (!IsRegularFile(source) || target.empty() || ExistsOnDisk(target)) return false;
  // Windows renames only within a drive.
  if (std::toupper(static_cast<unsigned char>(from[0])) != std::toupper(static_cast<unsigned char>(to[0])))
    return false;
  std::error_code ec;
  fs::rename(source, target, ec);
  if (ec) return false;
  auto it = attributes_.find(source);
  if (it != attributes_.end()) {
    attributes_[target] = it->second;
    attributes_.erase(source);
  }
  return true;
}

std::optional<uint32_t> HostFiles::GetAttributes(const std::string& path) {
  std::string host = HostPath(path);
  if (!ExistsOnDisk(host)) return std::nullopt;
  bool dir = IsDir(host);
  auto it = attributes_.find(host);
  uint32_t attributes = it != attributes_.end() ? it->second : (dir ? 0u : uint32_t{kAttrArchive});
  attributes &= ~(kAttrDirectory | kAttrNormal);
  if (dir) attributes |= kAttrDirectory;
  return attributes ? attributes : static_cast<uint32_t>(kAttrNormal);
}

bool HostFiles::SetAttributes(const std::string& path, uint32_t attributes) {
  std::string host = HostPath(path);
  if (!ExistsOnDisk(host)) return false;
  attributes_[host] = attributes & ~(kAttrDirectory | kAttrNormal);
  return true;
}

std::vector<DirEntry> HostFiles::List(const std::string& folder) {
  std::vector<DirEntry> entries;
  std::string host = HostPath(folder);
  if (!IsDir(host)) return entries;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(host, ec))
    entries.push_back({Utf8ToGbk(entry.path().filename().string()), entry.is_directory(ec)});
  std::sort(entries.begin(), entries.end(),
            [](const DirEntry& a, const DirEntry& b) { return a.name < b.name; });
  return entries;
}

std::optional<uint64_t> HostFiles::FreeSpace(const std::string& path) {
  std::string host = HostPath(path);
  if (host.empty()) return std::nullopt;
  std::string rest = host.substr(root_.size() + 1);
  std::string drive = rest.substr(0, rest.find('/'));
  if (!IsDir(root_ + "/" + drive)) return std::nullopt;
  auto it = free_space_.find(drive);
  return it != free_space_.end() ? it->second : std::optional<uint64_t>(kDefaultFreeSpace);
}

}  // namespace qmb
