// Tests of the paths the uninstaller accepts and of the keep list.
#include "uninstall/removal_paths.h"

#include <gtest/gtest.h>

#include "context/context.h"
#include "platform/host/host_platform.h"

namespace qmb {
namespace {

TEST(RemovalPaths, FullPathsBelowADriveOnly) {
  const std::pair<const char*, PathProblem> cases[] = {
      {"C:\\App\\a.txt", PathProblem::kNone},
      {"d:/App/sub/a.txt", PathProblem::kNone},
      {"C:\\App\\\\a.txt", PathProblem::kNone},    // Windows collapses the doubled separator
      {"C:\\App\\乗", PathProblem::kNone},          // ends in a trail byte 0x5C, not a separator
      {"C:\\App\\a.b.txt", PathProblem::kNone},
      {"", PathProblem::kEmpty},
      {"App\\a.txt", PathProblem::kRelative},
      {"\\App\\a.txt", PathProblem::kRelative},
      {"C:App\\a.txt", PathProblem::kRelative},
      {"\\\\server\\share\\a.txt", PathProblem::kRelative},
      {"\\\\?\\C:\\a.txt", PathProblem::kRelative},
      {"\\\\.\\PhysicalDrive0", PathProblem::kRelative},
      {"C:\\", PathProblem::kDriveRoot},
      {"C:/\\", PathProblem::kDriveRoot},
      {"C:\\App\\..\\Windows\\win.ini", PathProblem::kClimbs},
      {"C:\\App/../Windows", PathProblem::kClimbs},
      {"C:\\App\\.. \\x", PathProblem::kClimbs},  // Windows drops the blank
      {"C:\\App\\...\\x", PathProblem::kClimbs},
      {"C:\\App\\.\\x", PathProblem::kClimbs},
      {"C:\\乗\\..\\x", PathProblem::kClimbs},
      {"C:\\App\\NUL", PathProblem::kDevice},
      {"C:\\App\\com1.txt", PathProblem::kDevice},
      {"C:\\App\\Lpt9", PathProblem::kDevice},
      {"C:\\App\\aux .log", PathProblem::kDevice},
      {"C:\\App\\console.txt", PathProblem::kNone},
      {"C:\\App\\com10", PathProblem::kNone},
      {"C:\\App\\a.txt:stream", PathProblem::kBadName},
      {"C:\\App\\*.txt", PathProblem::kBadName},
      {"C:\\App\\a\x01.txt", PathProblem::kBadName},
  };
  for (const auto& [path, problem] : cases)
    EXPECT_EQ(CheckFullPath(path), problem) << path << ": " << PathProblemText(CheckFullPath(path));
}

TEST(RemovalPaths, RelativePathsAndNames) {
  EXPECT_EQ(CheckRelativePath("data"), PathProblem::kNone);
  EXPECT_EQ(CheckRelativePath("data\\sub\\"), PathProblem::kNone);
  EXPECT_EQ(CheckRelativePath("乗\\a.txt"), PathProblem::kNone);
  EXPECT_EQ(CheckRelativePath(""), PathProblem::kEmpty);
  EXPECT_EQ(CheckRelativePath("\\"), PathProblem::kAbsolute);
  EXPECT_EQ(CheckRelativePath("C:\\data"), PathProblem::kAbsolute);
  EXPECT_EQ(CheckRelativePath("C:data"), PathProblem::kAbsolute);
  EXPECT_EQ(CheckRelativePath("..\\other"), PathProblem::kClimbs);
  EXPECT_EQ(CheckRelativePath("data\\..\\.."), PathProblem::kClimbs);
  EXPECT_EQ(CheckRelativePath("CON"), PathProblem::kDevice);

  EXPECT_TRUE(IsSoundName("演示产品 1.0"));
  EXPECT_TRUE(IsSoundName("乗"));
  for (const char* name : {"", "..", "a\\b", "a/b", "C:", "NUL", "a*"})
    EXPECT_FALSE(IsSoundName(name)) << name;
}

TEST(RemovalPaths, BelowAFolder) {
  EXPECT_TRUE(IsBelowFolder("C:\\App\\data\\a.txt", "C:\\App\\data"));
  EXPECT_TRUE(IsBelowFolder("c:\\app\\DATA\\a.txt", "C:\\App\\data\\"));
  EXPECT_FALSE(IsBelowFolder("C:\\App\\data", "C:\\App\\data"));
  EXPECT_FALSE(IsBelowFolder("C:\\App\\database.txt", "C:\\App\\data"));
  EXPECT_FALSE(IsBelowFolder("C:\\App\\data2\\a.txt", "C:\\App\\data"));
  EXPECT_FALSE(IsBelowFolder("C:\\x", ""));
}

class KeepListTest : public ::testing::Test {
 protected:
  KeepListTest() : ctx(host.platform()) {
    ctx.uninstall.install_folder = "C:\\App";
    for (const char* folder : {"C:\\App", "C:\\App\\saves", "C:\\App\\saves\\old", "C:\\App\\save2"})
      host.files().CreateDirectory(folder);
  }
  std::vector<std::string> Filter(std::vector<std::string> keep) {
    ctx.uninstall.keep_list = std::move(keep);
    return FilterFileList(ctx, files);
  }
  HostPlatform host;
  Context ctx;
  const std::vector<std::string> files = {
      "C:\\App\\app.exe",          "C:\\App\\saves\\1.sav", "C:\\App\\saves\\old\\0.sav",
      "C:\\App\\save2\\x.sav",     "C:\\App\\savesx.txt",   "C:\\App\\Config.ini",
      "D:\\Shared\\app\\plug.dll",
  };
};

TEST_F(KeepListTest, AFolderKeepsEverythingBelowItAndAFileOnlyItself) {
  EXPECT_EQ(Filter({"saves", "config.INI"}),
            (std::vector<std::string>{"C:\\App\\app.exe", "C:\\App\\save2\\x.sav",
                                      "C:\\App\\savesx.txt", "D:\\Shared\\app\\plug.dll"}));
  // A trailing separator names the same folder; a file that is not there keeps nothing else.
  EXPECT_EQ(Filter({"saves\\old\\", "gone.txt"}).size(), files.size() - 1);
}

TEST_F(KeepListTest, UnsoundEntriesKeepNothing) {
  // ".." would name the folder above the install folder and keep every file in it; an absolute
  // entry names another place; an empty entry would be the install folder itself.
  EXPECT_EQ(Filter({"..", "..\\App", "C:\\App\\saves", "\\saves", "", "NUL"}), files);
}

}  // namespace
}  // namespace qmb
