// The native file system of the library: Windows paths from command lines go through the path
// mapper (by default "\" becomes "/"), GBK and UTF-16 names become UTF-8 on disk.
#ifndef _WIN32

#include <fcntl.h>
#include <linux/falloc.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <functional>

#include "archive/archive_file_system.h"
#include "archive/sevenzip_api.h"
#include "base/gbk_codec.h"
#include "base/text.h"

namespace qmb::sevenzip {

namespace {

using PathMapper = std::function<std::string(const std::string&)>;

std::string DefaultMapper(const std::string& windows_path) {
  std::string out = windows_path;
  for (size_t i = 0; i < out.size(); ++i) {
    if (IsGbkLead(static_cast<unsigned char>(out[i]))) ++i;
    else if (out[i] == '\\') out[i] = '/';
  }
  return out;
}

PathMapper& Mapper() {
  static PathMapper mapper = DefaultMapper;
  return mapper;
}

// The mapper works on GBK text; the disk holds UTF-8 names.
std::string HostPath(const std::string& windows_path) { return GbkToUtf8(Mapper()(windows_path)); }

std::string Utf16ToUtf8(std::u16string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    uint32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF)
      c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
      out.push_back(static_cast<char>(0xC0 | c >> 6));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | c >> 12));
      out.push_back(static_cast<char>(0x80 | (c >> 6 & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | c >> 18));
      out.push_back(static_cast<char>(0x80 | (c >> 12 & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c >> 6 & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  return out;
}

bool MakeFolders(const std::string& path) {
  struct stat st;
  if (path.empty() || (stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode))) return true;
  size_t slash = path.find_last_of('/');
  if (slash != std::string::npos && slash > 0 && !MakeFolders(path.substr(0, slash))) return false;
  return mkdir(path.c_str(), 0777) == 0 || errno == EEXIST;
}

class FdInStream : public InStream {
 public:
  FdInStream(int fd, uint64_t size) : fd_(fd), size_(size) {}
  ~FdInStream() override { close(fd_); }
  size_t Read(void* buffer, size_t size) override {
    size_t total = 0;
    while (total < size) {
      ssize_t n = read(fd_, static_cast<char*>(buffer) + total, size - total);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      total += static_cast<size_t>(n);
    }
    return total;
  }
  bool Seek(uint64_t offset) override {
    return offset <= size_ && lseek(fd_, static_cast<off_t>(offset), SEEK_SET) >= 0;
  }
  uint64_t Size() const override { return size_; }

 private:
  int fd_;
  uint64_t size_;
};

timespec FromFileTime(uint64_t filetime) {
  // FILETIME counts 100 ns steps from 1601; the epoch is 11644473600 s later.
  constexpr uint64_t kEpoch = 116444736000000000ull;
  timespec ts{};
  if (filetime < kEpoch) return ts;
  ts.tv_sec = static_cast<time_t>((filetime - kEpoch) / 10000000);
  ts.tv_nsec = static_cast<long>((filetime - kEpoch) % 10000000 * 100);
  return ts;
}

// atime and mtime as utimensat and futimens take them; false when the entry has no mtime.
bool TimesOf(const FileMetadata& meta, timespec (&times)[2]) {
  if (!meta.mtime) return false;
  times[0] = FromFileTime(meta.atime ? *meta.atime : *meta.mtime);
  times[1] = FromFileTime(*meta.mtime);
  return true;
}

class FdOutFile : public OutFile {
 public:
  explicit FdOutFile(int fd) : fd_(fd) {}
  ~FdOutFile() override {
    if (fd_ >= 0) close(fd_);
  }
  bool Write(const void* data, size_t size) override {
    // Linux takes page-cache writes of 512 KiB and less several times faster than larger ones
    // (measured with dd on ext4: 1 MiB and 4 MiB blocks 3-4 times slower than 256 KiB ones).
    constexpr size_t kPiece = 256 << 10;
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
      ssize_t n = write(fd_, p, std::min(size, kPiece));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return false;
      p += n;
      size -= static_cast<size_t>(n);
    }
    return true;
  }
  bool SetMetadata(const FileMetadata& meta) override {
    bool ok = true;
    timespec times[2];
    if (TimesOf(meta, times)) ok = futimens(fd_, times) == 0;
    // The read-only attribute takes the write bits away; the archive reader drops Unix modes.
    if (meta.attributes && (*meta.attributes & 0x1)) {
      struct stat st;
      if (fstat(fd_, &st) != 0) return false;
      ok = fchmod(fd_, st.st_mode & 07555) == 0 && ok;
    }
    return ok;
  }
  bool Close() override {
    int fd = fd_;
    fd_ = -1;
    return close(fd) == 0;
  }

 private:
  int fd_;
};

class PosixFileSystem : public ArchiveFileSystem {
 public:
  std::unique_ptr<InStream> OpenRead(const std::string& gbk_path) override {
    int fd = open(HostPath(gbk_path).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return nullptr;
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
      close(fd);
      return nullptr;
    }
    return std::make_unique<FdInStream>(fd, static_cast<uint64_t>(st.st_size));
  }

  bool SetOutputFolder(const std::string& gbk_folder) override {
    root_ = HostPath(gbk_folder);
    while (root_.size() > 1 && root_.back() == '/') root_.pop_back();
    return MakeFolders(root_);
  }

  bool CreateFolder(const std::u16string& relative) override {
    return MakeFolders(Full(relative));
  }

  std::unique_ptr<OutFile> CreateOutFile(const std::u16string& relative, uint64_t size) override {
    // Replacing by a new inode also replaces read-only files and never writes through a link.
    std::string path = Full(relative);
    if (unlink(path.c_str()) != 0 && errno != ENOENT) return nullptr;
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) return nullptr;
    if (size > 0) fallocate(fd, FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(size));  // a hint only
    return std::make_unique<FdOutFile>(fd);
  }

  // Folders keep their mode: a read-only folder would only stop the next run.
  bool SetFolderMetadata(const std::u16string& relative, const FileMetadata& meta) override {
    timespec times[2];
    return !TimesOf(meta, times) || utimensat(AT_FDCWD, Full(relative).c_str(), times, 0) == 0;
  }

  bool RemoveFile(const std::u16string& relative) override {
    return unlink(Full(relative).c_str()) == 0;
  }

 private:
  std::string Full(const std::u16string& relative) const {
    return root_ + "/" + Utf16ToUtf8(relative);
  }

  std::string root_;
};

}  // namespace

ArchiveFileSystem& PlatformFileSystem() {
  static PosixFileSystem fs;
  return fs;
}

void SetPathMapper(std::function<std::string(const std::string& windows_path)> mapper) {
  Mapper() = mapper ? std::move(mapper) : PathMapper(DefaultMapper);
}

}  // namespace qmb::sevenzip

#endif  // _WIN32
