// Shared helpers of the SevenZip API tests: temporary folders standing for drive C:, archives
// made with 7zz at test time, and tree comparison against 7zz's own extraction.
#pragma once

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "archive/sevenzip_api.h"

namespace qmb::sevenzip::test {

namespace fs = std::filesystem;

// A fresh folder that stands for drive C: ("C:\x" -> ROOT/C/x) while it lives.
class DriveRoot {
 public:
  DriveRoot() {
    std::string pattern = (fs::temp_directory_path() / "qmb_api_XXXXXX").string();
    root_ = mkdtemp(pattern.data());
    fs::create_directories(root_ / "C");
    std::string root = root_.string();
    SetPathMapper([root](const std::string& windows_path) {
      std::string path = windows_path;
      if (path.size() >= 2 && path[1] == ':') path = root + "/" + path[0] + path.substr(2);
      for (char& c : path)
        if (c == '\\') c = '/';
      return path;
    });
  }
  ~DriveRoot() {
    SetPathMapper(nullptr);
    std::error_code ec;
    fs::remove_all(root_, ec);
  }
  // The host path of C:\<relative> (relative with "/").
  fs::path C(const std::string& relative = "") const { return root_ / "C" / relative; }

 private:
  fs::path root_;
};

inline int Shell(const std::string& command) {
  return std::system(("LANG=C.UTF-8 " + command + " >/dev/null 2>&1").c_str());
}

// 7zz a <archive> <switches> over the contents of folder.
inline void Make7z(const fs::path& archive, const fs::path& folder, const std::string& switches) {
  ASSERT_EQ(Shell("cd '" + folder.string() + "' && 7zz a '" + archive.string() + "' " + switches +
                  " -- *"),
            0)
      << "7zz a " << switches;
}

inline void Extract7z(const fs::path& archive, const fs::path& out, const std::string& switches) {
  ASSERT_EQ(Shell("7zz x -y '-o" + out.string() + "' " + switches + " '" + archive.string() + "'"), 0);
}

inline void WriteFile(const fs::path& path, const std::string& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

inline std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

inline std::string RandomBytes(size_t size, unsigned seed) {
  std::mt19937 gen(seed);
  std::string out(size, '\0');
  for (char& c : out) c = static_cast<char>(gen());
  return out;
}

inline std::string Text(size_t size) {
  std::string out;
  for (int i = 0; out.size() < size; ++i) out += "line " + std::to_string(i) + " of some text\n";
  out.resize(size);
  return out;
}

// Every file and folder below root: relative path -> "dir" or the file's bytes.
inline std::map<std::string, std::string> Tree(const fs::path& root) {
  std::map<std::string, std::string> tree;
  if (!fs::exists(root)) return tree;
  for (auto& e : fs::recursive_directory_iterator(root)) {
    std::string rel = fs::relative(e.path(), root).string();
    tree[rel] = e.is_directory() ? std::string("dir") : ReadFile(e.path());
  }
  return tree;
}

inline int64_t ModifiedSeconds(const fs::path& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 ? static_cast<int64_t>(st.st_mtime) : -1;
}

inline bool OwnerMayWrite(const fs::path& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && (st.st_mode & S_IWUSR);
}

// Our output equals 7zz's byte for byte, with the same modification times; read-only files stay
// read-only.
inline void ExpectSameTree(const fs::path& ours, const fs::path& reference) {
  auto a = Tree(ours), b = Tree(reference);
  EXPECT_EQ(a.size(), b.size());
  for (auto& [name, bytes] : b) {
    auto it = a.find(name);
    if (it == a.end()) {
      ADD_FAILURE() << "missing " << name;
      continue;
    }
    EXPECT_TRUE(it->second == bytes) << "content differs: " << name;
    EXPECT_EQ(ModifiedSeconds(ours / name), ModifiedSeconds(reference / name)) << name;
    if (bytes != "dir") {
      EXPECT_EQ(OwnerMayWrite(ours / name), OwnerMayWrite(reference / name)) << name;
    }
  }
}

// One callback record as the owner's callback saw it.
struct Record {
  unsigned state;
  uint32_t size, written;
  std::string dest;  // GBK
  bool operator==(const Record&) const = default;
};

// The callback is a plain function pointer; it reports into the running test's recorder.
struct Recorder {
  std::vector<Record> records;
  int cancel_after = -1;  // answer FALSE to the report with this index
};
inline Recorder* g_recorder = nullptr;

inline int Record_(void* window, unsigned, unsigned state, void* info) {
  EXPECT_EQ(window, &g_recorder);
  auto* r = static_cast<ExtractingInfo*>(info);
  g_recorder->records.push_back({state, r->dwFileSize, r->dwWriteSize, r->szDestFileName});
  return static_cast<int>(g_recorder->records.size()) - 1 != g_recorder->cancel_after;
}

inline int RunCommand(const std::string& command_line, std::string* message = nullptr) {
  char out[512] = "unset";
  int rc = SevenZipRun(command_line.c_str(), out, sizeof(out));
  if (message) *message = out;
  return rc;
}

}  // namespace qmb::sevenzip::test
