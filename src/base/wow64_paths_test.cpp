// Tests of the system folders' names for 32-bit and 64-bit programs.
#include "base/wow64_paths.h"

#include <gtest/gtest.h>

namespace qmb {
namespace {

TEST(Wow64PathsTest, A64BitProgramNamesTheRealSystemFolderSystem32AndTheRedirectedOneSysWow64) {
  EXPECT_EQ(PathFor64BitPrograms("C:\\windows\\Sysnative\\演示\\uninst.exe", "C:\\Windows"),
            "C:\\Windows\\System32\\演示\\uninst.exe");
  EXPECT_EQ(PathFor64BitPrograms("c:\\WINDOWS\\sysnative", "C:\\Windows\\"), "C:\\Windows\\System32");
  // What this 32-bit program names System32 is, for Windows, SysWOW64.
  EXPECT_EQ(PathFor64BitPrograms("C:\\Windows\\System32\\x", "C:\\Windows"),
            "C:\\Windows\\SysWOW64\\x");
  for (const char* other : {"C:\\Windows\\SysnativeX\\a", "C:\\Windows\\SysWOW64\\a",
                            "D:\\Windows\\Sysnative\\a", "C:\\Program Files\\Sysnative", ""})
    EXPECT_EQ(PathFor64BitPrograms(other, "C:\\Windows"), other);
}

TEST(Wow64PathsTest, WhatA64BitProgramNamesSystem32IsReachedThroughSysnative) {
  EXPECT_EQ(PathFrom64BitPrograms("C:\\WINDOWS\\system32\\演示", "C:\\Windows"),
            "C:\\Windows\\Sysnative\\演示");
  EXPECT_EQ(PathFrom64BitPrograms("C:\\Windows\\SysWOW64\\a", "C:\\Windows"), "C:\\Windows\\SysWOW64\\a");
  EXPECT_EQ(PathFrom64BitPrograms("C:\\Windows\\System32x", "C:\\Windows"), "C:\\Windows\\System32x");
  // There and back: the entry written for 64-bit programs leads this program to the same folder.
  const std::string folder = "C:\\Windows\\Sysnative\\演示";
  EXPECT_EQ(PathFrom64BitPrograms(PathFor64BitPrograms(folder, "C:\\Windows"), "C:\\Windows"), folder);
}

}  // namespace
}  // namespace qmb
