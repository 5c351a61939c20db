// Helpers of the reader tests: a sample tree of text and pseudo-random files, archives made from
// it with 7zz at test time, and extraction through our Archive into memory.
#pragma once

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "archive/archive_reader.h"

namespace qmb::sevenzip::reader_test {

namespace fs = std::filesystem;

// UTF-8 text from a u8 literal (plain literals are GBK in this program).
inline std::string U8(const char8_t* text) { return reinterpret_cast<const char*>(text); }

inline std::string ToUtf8(const std::u16string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    uint32_t c = text[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size()) c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
    if (c < 0x80) {
      out += char(c);
    } else if (c < 0x800) {
      out += char(0xC0 | c >> 6);
      out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += char(0xE0 | c >> 12);
      out += char(0x80 | ((c >> 6) & 0x3F));
      out += char(0x80 | (c & 0x3F));
    } else {
      out += char(0xF0 | c >> 18);
      out += char(0x80 | ((c >> 12) & 0x3F));
      out += char(0x80 | ((c >> 6) & 0x3F));
      out += char(0x80 | (c & 0x3F));
    }
  }
  return out;
}

class TempDir {
 public:
  TempDir() {
    std::string pattern = (fs::temp_directory_path() / "qmb_reader_XXXXXX").string();
    path_ = mkdtemp(pattern.data());
  }
  ~TempDir() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

inline std::string RandomBytes(size_t size, uint32_t seed) {
  std::mt19937 rng(seed);
  std::string s(size, '\0');
  for (auto& c : s) c = static_cast<char>(rng());
  return s;
}

inline std::string Text(size_t size, uint32_t seed) {
  static const char* const kWords[] = {"archive ", "folder ", "stream ", "setup ", "coder ", "\r\n", "value ", "1234 "};
  std::mt19937 rng(seed);
  std::string s;
  while (s.size() < size) s += kWords[rng() % 8];
  s.resize(size);
  return s;
}

// Bytes shaped like machine code: frequent x86 call/jump opcodes and branch-like words of the
// RISC sets, so the branch filters have work to do.
inline std::string CodeLike(size_t size, uint32_t seed) {
  std::mt19937 rng(seed);
  std::string s;
  while (s.size() < size) {
    const uint32_t r = rng();
    switch (r % 6) {
      case 0: s += char(0xE8); s += char(r >> 8); s += char(r >> 16); s += char(0); s += char(0); break;
      case 1: s += char(0xE9); s += char(r >> 8); s += char(0xFF); s += char(0xFF); s += char(0xFF); break;
      case 2: s += char(r >> 8); s += char(r >> 16); s += char(r >> 24); s += char(0xEB); break;   // ARM BL
      case 3: s += char(0x48 | (r & 3)); s += char(r >> 8); s += char(r >> 16); s += char(1); break; // PPC
      case 4: s += char(r >> 8); s += char(0xF0 | (r & 7)); s += char(r >> 16); s += char(0xF8 | (r >> 28)); break;
      default: s += Text(12, r); break;
    }
  }
  s.resize(size);
  return s;
}

// RISC-V-shaped code: JAL calls, AUIPC followed by an instruction based on its register (and
// some on another register), compressed 16-bit instructions and plain words, so the RISC-V filter
// meets both its conversions and the look-alikes it must leave alone.
inline std::string RiscVLike(size_t size, uint32_t seed) {
  std::mt19937 rng(seed);
  std::string s;
  auto put32 = [&s](uint32_t v) {
    for (int i = 0; i < 4; ++i) s += char(v >> (8 * i));
  };
  static const uint32_t kRegisters[] = {1, 5, 6, 10, 0, 2};
  static const uint32_t kUses[] = {0x67, 0x03, 0x13, 0x23};  // JALR, load, ADDI, store
  while (s.size() < size) {
    const uint32_t r = rng();
    switch (r % 8) {
      case 0: {  // JAL ra/t0 (or another rd now and then) with a random target
        const uint32_t rd = r & 0x100 ? (r >> 9) % 32 : kRegisters[(r >> 9) % 2];
        put32((rng() & 0xFFFFF000u) | rd << 7 | 0x6F);
        break;
      }
      case 1:
      case 2: {  // AUIPC rd + an instruction that (mostly) uses rd as its base
        const uint32_t rd = (r >> 8) % 4 == 0 ? (r >> 10) % 32 : kRegisters[(r >> 12) % 6];
        put32((rng() & 0xFFFFF000u) | rd << 7 | 0x17);
        const uint32_t rs1 = (r >> 16) % 5 == 0 ? (r >> 20) % 32 : rd;
        const uint32_t op = (r >> 25) % 5 == 4 ? rng() & 0x7F : kUses[(r >> 25) % 4];
        put32((rng() & 0xFFF00000u) | rs1 << 15 | ((r >> 28) & 7) << 12 | ((r >> 3) & 31) << 7 | op);
        break;
      }
      case 3: s += char(((r >> 8) & 0xFC) | (r >> 16) % 3); s += char(r >> 24); break;  // 16-bit
      case 4: put32(rng() | 3); break;
      default: s += Text(1 + (r >> 8) % 5, r); break;
    }
  }
  s.resize(size);
  return s;
}

// A random block repeated: matches reach back `period` bytes and run as long as an encoder lets
// them.
inline std::string Repeats(size_t size, size_t period, uint32_t seed) {
  const std::string block = RandomBytes(period, seed);
  std::string s;
  while (s.size() < size) s += block;
  s.resize(size);
  return s;
}

struct Tree {
  std::map<std::string, std::string> files;  // UTF-8 path with "/" -> bytes
  std::set<std::string> dirs;                // empty folders
};

inline Tree SampleTree() {
  Tree t;
  t.files["readme.txt"] = Text(150 * 1024, 1);
  t.files["bin/data.bin"] = RandomBytes(120 * 1024, 2);
  t.files["bin/tool.exe"] = CodeLike(100 * 1024, 3);
  t.files["bin/small.txt"] = "tiny";
  t.files["docs/empty.txt"] = "";
  t.dirs.insert("docs/nothing");
  return t;
}

// The sample tree and what the methods beyond LZMA need: RISC-V code, and data whose matches
// lie beyond 32 KiB and run longer than Deflate's 258 bytes.
inline Tree ExtendedTree() {
  Tree t = SampleTree();
  t.files["bin/riscv.so"] = RiscVLike(96 * 1024 + 5, 4);
  t.files["docs/repeats.dat"] = Repeats(400 * 1024, 50000, 5);
  return t;
}

inline int Shell(const std::string& command) {
  return std::system(("LANG=C.UTF-8 " + command + " >/dev/null 2>&1").c_str());
}

inline std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

inline void WriteTree(const fs::path& root, const Tree& tree) {
  for (const auto& [name, bytes] : tree.files) {
    const fs::path path = root / fs::u8path(name);
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
  }
  for (const auto& dir : tree.dirs) fs::create_directories(root / fs::u8path(dir));
}

// Makes <dir>/a.7z from the tree with 7zz and the given switches; returns the archive's path.
inline fs::path Make7z(const TempDir& dir, const Tree& tree, const std::string& switches) {
  const fs::path src = dir.path() / "src";
  fs::remove_all(src);
  WriteTree(src, tree);
  const fs::path archive = dir.path() / "a.7z";
  fs::remove(archive);
  EXPECT_EQ(Shell("cd '" + src.string() + "' && 7zz a '" + archive.string() + "' " + switches + " -- *"), 0)
      << "7zz a " << switches;
  return archive;
}

// Records everything the archive hands to the sink.
class CollectSink : public ExtractSink {
 public:
  bool Begin(size_t index) override {
    current_ = index;
    data[index];
    ++begins;
    return true;
  }
  bool Data(const uint8_t* bytes, size_t size) override {
    data[current_].append(reinterpret_cast<const char*>(bytes), size);
    ++chunks[current_];
    return true;
  }
  bool End(size_t index, Status status) override {
    ends[index] = status;
    return true;
  }
  std::map<size_t, std::string> data;
  std::map<size_t, size_t> chunks;
  std::map<size_t, Status> ends;
  size_t begins = 0;

 private:
  size_t current_ = 0;
};

struct Extracted {
  Error open_error;
  Error extract_error;
  std::vector<Entry> entries;
  std::map<std::string, std::string> files;  // by UTF-8 name
  std::set<std::string> dirs;

  Status status() const { return open_error.ok() ? extract_error.status : open_error.status; }
};

inline Extracted ExtractAll(std::unique_ptr<InStream> stream, const std::u16string& password = u"") {
  Extracted out;
  auto archive = Archive::Open(std::move(stream), password, out.open_error);
  if (!archive) return out;
  out.entries = archive->entries();
  CollectSink sink;
  out.extract_error = archive->Extract(std::vector<bool>(out.entries.size(), true), sink);
  for (const auto& [index, bytes] : sink.data) {
    const Entry& e = out.entries[index];
    if (e.is_dir)
      out.dirs.insert(ToUtf8(e.name));
    else
      out.files[ToUtf8(e.name)] = bytes;
  }
  return out;
}

inline Extracted ExtractAll(const std::string& bytes, const std::u16string& password = u"") {
  return ExtractAll(MemoryStream(bytes), password);
}

// Our extraction holds exactly the tree's files (and its folders among the directories).
inline void ExpectTree(const Extracted& got, const Tree& tree) {
  ASSERT_TRUE(got.open_error.ok()) << got.open_error.message;
  ASSERT_TRUE(got.extract_error.ok()) << got.extract_error.message;
  ASSERT_EQ(got.files.size(), tree.files.size());
  for (const auto& [name, bytes] : tree.files) {
    auto it = got.files.find(name);
    ASSERT_NE(it, got.files.end()) << name;
    EXPECT_TRUE(it->second == bytes) << name << ": " << it->second.size() << " bytes, want " << bytes.size();
  }
  for (const auto& dir : tree.dirs) EXPECT_TRUE(got.dirs.count(dir)) << dir;
}

}  // namespace qmb::sevenzip::reader_test
