#include "base/path.h"

#include <gtest/gtest.h>

namespace qmb {
namespace {

TEST(PathTest, NormalizePath) {
  EXPECT_EQ(NormalizePath("c:\\Program Files\\"), "C:\\Program Files");
  EXPECT_EQ(NormalizePath("d:\\a\\\\"), "D:\\a\\");  // only one backslash goes
  EXPECT_EQ(NormalizePath("C:\\表"), "C:\\表");
  // The trailing 5C of "昞" is part of the character, not a separator.
  EXPECT_EQ(NormalizePath("c:\\昞"), "C:\\昞");
  EXPECT_EQ(NormalizePath("c:\\昞\\"), "C:\\昞");
  EXPECT_EQ(NormalizePath("表\\"), "表");  // a double-byte first character is left alone
  EXPECT_EQ(NormalizePath("\\"), "");
  EXPECT_EQ(NormalizePath(""), "");
}

TEST(PathTest, ParentAndFileName) {
  EXPECT_EQ(ParentFolder("C:\\a\\b.txt"), "C:\\a");
  EXPECT_EQ(FileNameOf("C:\\a\\b.txt"), "b.txt");
  EXPECT_EQ(ParentFolder("C:\\昞"), "C:");
  EXPECT_EQ(FileNameOf("C:\\昞"), "昞");
  EXPECT_EQ(ParentFolder("name"), "");
  EXPECT_EQ(FileNameOf("name"), "name");
  EXPECT_EQ(FileNameOf("C:\\dir\\"), "");
}

TEST(PathTest, JoinPath) {
  EXPECT_EQ(JoinPath("C:\\a", "b"), "C:\\a\\b");
  EXPECT_EQ(JoinPath("C:\\a\\", "b"), "C:\\a\\b");
  EXPECT_EQ(JoinPath("C:\\昞", "b"), "C:\\昞\\b");
  EXPECT_EQ(JoinPath("", "b"), "b");
}

TEST(PathTest, SafeFileNameStaysOneName) {
  EXPECT_EQ(SafeFileName("演示 软件 2.0"), "演示 软件 2.0");
  EXPECT_EQ(SafeFileName("..\\..\\Windows"), ".._.._Windows");
  EXPECT_EQ(SafeFileName("a/b:c*?\"<>|\t"), "a_b_c_______");
  EXPECT_EQ(SafeFileName(".."), "__");
  EXPECT_EQ(SafeFileName("x. "), "x__");
  EXPECT_EQ(SafeFileName(""), "_");
  EXPECT_EQ(SafeFileName("昞"), "昞");  // its trail byte 5C is no separator
}

}  // namespace
}  // namespace qmb
