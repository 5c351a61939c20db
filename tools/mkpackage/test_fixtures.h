// Fixtures for the packaging tool's tests: runtime images made with the mingw resource compiler
// (so the resource tree is the one a real build produces), project folders and small file helpers.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "file_io.h"
#include "sevenzip_tool.h"

namespace qmb::mkpackage::testing {

namespace fs = std::filesystem;

inline void WriteBytes(const fs::path& path, std::string_view data) {
  fs::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary);
  out.write(data.data(), static_cast<std::streamsize>(data.size()));
}

inline std::string Bytes(const fs::path& path) { return ReadWholeFile(path).value_or(""); }

// A tiny Windows program whose resources are rc_text; empty rc_text gives one without resources.
inline fs::path BuildRuntime(const fs::path& dir, const std::string& name,
                             const std::string& rc_text,
                             const std::string& target = "i686-w64-mingw32") {
  fs::create_directories(dir);
  const fs::path c = dir / (name + ".c");
  WriteBytes(c, "int main(void) { return 0; }\n");
  std::string command = target + "-gcc -s -o '" + (dir / (name + ".exe")).string() +
                        "' '" + c.string() + "'";
  if (!rc_text.empty()) {
    WriteBytes(dir / (name + ".rc"), rc_text);
    const fs::path obj = dir / (name + ".res.o");
    const std::string rc = target + "-windres '" + (dir / (name + ".rc")).string() +
                           "' -O coff -o '" + obj.string() + "'";
    EXPECT_EQ(std::system(rc.c_str()), 0) << rc;
    command += " '" + obj.string() + "'";
  }
  EXPECT_EQ(std::system(command.c_str()), 0) << command;
  return dir / (name + ".exe");
}

// A DLL for target exporting each name of exports as an undecorated stdcall function.
inline fs::path BuildDll(const fs::path& dir, const std::string& name,
                         const std::vector<std::string>& exports,
                         const std::string& target = "i686-w64-mingw32") {
  fs::create_directories(dir);
  const fs::path c = dir / (name + ".c");
  std::string source;
  for (const std::string& e : exports)
    source += "__declspec(dllexport) int __stdcall " + e + "(int a) { return a; }\n";
  WriteBytes(c, source);
  const fs::path dll = dir / (name + ".dll");
  const std::string command = target + "-gcc -s -shared -Wl,--kill-at -o '" + dll.string() +
                              "' '" + c.string() + "'";
  EXPECT_EQ(std::system(command.c_str()), 0) << command;
  return dll;
}

// A project with a data.ini (UTF-8) holding the given safe line, and a small payload.
inline fs::path MakeProject(const fs::path& dir, const std::string& safe_line = "safe=pw 1\"x") {
  WriteBytes(dir / "settings" / "data.ini",
             "[禾木软件安装配置]\r\n禾木软件名称=演示\r\n" + safe_line + "\r\n");
  WriteBytes(dir / "settings" / "GUItext.ini", "窗口标题\x01安装窗口标题end");
  WriteBytes(dir / "settings" / "pic.jpg", std::string("\xFF\xD8\xFF\xE0\x00\x10JFIF", 10));
  WriteBytes(dir / "payload" / "readme.txt", "hello\r\n");
  WriteBytes(dir / "payload" / "文档" / "说明.txt", "说明\r\n");
  return dir;
}

// A fresh folder for one test.
class TempDirTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(folder_.ok()); }
  const fs::path& dir() const { return folder_.path(); }

 private:
  TempFolder folder_{fs::temp_directory_path()};
};

}  // namespace qmb::mkpackage::testing
