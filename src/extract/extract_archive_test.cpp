// The extraction engine against the real archive library and the host platform: command lines,
// folder creation, the assignment pass and the main run.
#include "extract/extract_archive.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <utility>

#include "base/text.h"
#include "context/context.h"
#include "extract/recording_view.h"
#include "extract/folder_path.h"
#include "extract/install_progress.h"
#include "extract/payload_test_support.h"
#include "platform/host/host_platform.h"
#include "script/script_runner.h"

namespace qmb {
namespace {

namespace fs = std::filesystem;

TEST(BuildExtractCommandLine, ItemsExclusionsAndPassword) {
  // Nothing to narrow: every entry.
  EXPECT_EQ(BuildExtractCommandLine("C:\\a.7z", "C:\\out\\", false, "pw", "", ""),
            "x  \"C:\\a.7z\" -hide -y \"C:\\out\\\" * -p\"pw\"");
  // Items only, flat.
  EXPECT_EQ(BuildExtractCommandLine("C:\\a.7z", "D:\\g\\", true, "pw", "x.txt,sub\\y.txt", ""),
            "e  \"C:\\a.7z\" -hide -y \"D:\\g\\\" \"x.txt\" \"sub\\y.txt\"  -p\"pw\"");
  // Exclusions only: the excluded names stand as patterns and are taken away after "*".
  EXPECT_EQ(BuildExtractCommandLine("C:\\a.7z", "C:\\o\\", false, "pw", "", "a,b"),
            "x  \"C:\\a.7z\" -hide -y \"C:\\o\\\" \"a\" \"b\"  -p\"pw\" * -x!\"a\"  * -x!\"b\" ");
  // Both: the exclusion items replace the inclusion items.
  EXPECT_EQ(BuildExtractCommandLine("C:\\a.7z", "C:\\o\\", false, "pw", "i1,i2", "a,"),
            "x  \"C:\\a.7z\" -hide -y \"C:\\o\\\" \"a\"  -p\"pw\" * -x!\"a\" ");
  // The password switch stays for an empty password.
  EXPECT_EQ(BuildExtractCommandLine("C:\\a.7z", "C:\\o\\", false, "", "", ""),
            "x  \"C:\\a.7z\" -hide -y \"C:\\o\\\" * -p\"\"");
}

TEST(CreateFolderPath, WalksFromTheDrive) {
  HostPlatform host;
  Files& files = host.files();
  EXPECT_TRUE(CreateFolderPath(files, "C:\\one\\two\\three"));
  EXPECT_TRUE(files.IsDirectory("C:\\one\\two\\three"));
  EXPECT_TRUE(CreateFolderPath(files, "C:\\one\\two"));  // existing folders are fine
  // A doubled "\" refuses the whole path before anything is made.
  EXPECT_FALSE(CreateFolderPath(files, "C:\\made\\\\never"));
  EXPECT_FALSE(files.Exists("C:\\made"));
  EXPECT_FALSE(files.Exists("C:\\never"));
  EXPECT_FALSE(CreateFolderPath(files, "relative\\folder"));
  EXPECT_FALSE(CreateFolderPath(files, "C:"));
  EXPECT_FALSE(CreateFolderPath(files, "C:\\a\\..\\..\\escape"));
  EXPECT_FALSE(CreateFolderPath(files, "C:\\a\\.\\b"));
}

using ExtractRunTest = test::PayloadTest;

TEST_F(ExtractRunTest, AssignmentPassThenMainRun) {
  MakePayload({{"a.txt", "A"}, {"d.txt", "D"}, {"sub/b.txt", "B"}, {"sub/c.txt", "C"},
               {"e.txt", std::string(300000, 'e')}, {"r.txt", "R"}},
              "secret");
  ctx_.wizard.install_folder = "C:\\Prog\\App";
  // The script's "removezip" and the assignment pass fill the same exclusion list.
  ctx_.wizard.tree.Item(0).ticked = true;
  RunScriptSection(ctx_, "\r\n[真]removezip(r.txt)", ctx_.wizard.tree.Item(0).text);
  ctx_.settings.except_text =
      "%InstallPath%\\g1,-1\r\nd.txt,1\r\n%InstallPath%\\deep\\g2,-1\r\nsub\\c.txt,1\r\ne.txt,1\r\n";
  std::vector<std::pair<int32_t, int32_t>> steps;  // (current step, overall percent)
  ctx_.progress.callbacks.push_back(
      [&](intptr_t p) { steps.emplace_back(ctx_.extract.current_step, static_cast<int32_t>(p)); });

  ExtractAssignedFiles(ctx_, "secret");
  EXPECT_EQ(ctx_.extract.group_count, 2);
  EXPECT_EQ(ctx_.extract.current_step, 3);
  EXPECT_EQ(ctx_.extract.exclusion_list, "r.txt,d.txt,sub\\c.txt,e.txt,");
  EXPECT_NE(ctx_.settings.except_text.find("C:\\Prog\\App\\g1,-1"), std::string::npos);
  // Assigned entries land flat in their group's folder.
  EXPECT_EQ(Read("C:\\Prog\\App\\g1\\d.txt"), "D");
  EXPECT_EQ(Read("C:\\Prog\\App\\deep\\g2\\c.txt"), "C");
  EXPECT_EQ(Read("C:\\Prog\\App\\deep\\g2\\e.txt").size(), 300000u);
  EXPECT_FALSE(host_.files().Exists("C:\\Prog\\App\\deep\\g2\\sub"));

  std::string archive = ctx_.startup.archive_path;
  std::string destination = ctx_.wizard.install_folder;
  EXPECT_TRUE(ExtractArchive(ctx_, archive, destination, false, "secret",
                             [&](const std::string& n, int32_t p) { ReportInstallProgress(ctx_, n, p); },
                             ctx_.extract.inclusion_list, ctx_.extract.exclusion_list, {}));
  EXPECT_EQ(Read("C:\\Prog\\App\\a.txt"), "A");
  EXPECT_EQ(Read("C:\\Prog\\App\\sub\\b.txt"), "B");
  EXPECT_FALSE(host_.files().Exists("C:\\Prog\\App\\d.txt"));
  EXPECT_FALSE(host_.files().Exists("C:\\Prog\\App\\sub\\c.txt"));
  EXPECT_FALSE(host_.files().Exists("C:\\Prog\\App\\e.txt"));
  EXPECT_FALSE(host_.files().Exists("C:\\Prog\\App\\r.txt"));

  // One scale over three runs: 0-33, 33-66, 66-100, always forward, ending at 100.
  ASSERT_FALSE(steps.empty());
  int32_t previous = 0;
  for (const auto& [step, percent] : steps) {
    EXPECT_GT(percent, previous);
    EXPECT_GE(percent, (step - 1) * 100 / 3) << "step " << step;
    EXPECT_LE(percent, step * 100 / 3 + (step == 3 ? 1 : 0)) << "step " << step;
    previous = percent;
  }
  EXPECT_EQ(steps.front().first, 1);
  EXPECT_EQ(steps.back(), std::make_pair(3, 100));
  for (int step = 1; step <= 3; ++step) {
    EXPECT_TRUE(std::any_of(steps.begin(), steps.end(), [&](auto& s) { return s.first == step; }));
  }
  // Every extracted file is in the installed-files log once.
  for (const char* name : {"C:\\Prog\\App\\g1\\d.txt", "C:\\Prog\\App\\deep\\g2\\c.txt",
                           "C:\\Prog\\App\\a.txt", "C:\\Prog\\App\\sub\\b.txt"}) {
    EXPECT_NE(ctx_.progress.installed_files.find(std::string(name) + "\r\n"), std::string::npos)
        << name;
  }
}

TEST_F(ExtractRunTest, ThreeFilesGiveThreeLogLinesAndTwoProgressLines) {
  MakePayload({{"one.txt", "1"}, {"two.txt", "22"}, {"three.txt", "333"}}, "pw");
  RecordingView view;
  ctx_.progress.view = &view;
  ctx_.wizard.install_folder = "C:\\App";
  ctx_.wizard.progress_templates = {"正在解压 %Default%", "link %Default%"};
  std::string archive = ctx_.startup.archive_path;
  std::string destination = "C:\\App";
  ASSERT_TRUE(ExtractArchive(ctx_, archive, destination, false, "pw",
                             [&](const std::string& n, int32_t p) { ReportInstallProgress(ctx_, n, p); },
                             "", "", {}));
  EXPECT_EQ(Split(ctx_.progress.installed_files, "\r\n").size(), 4u);  // three lines + the end
  ASSERT_EQ(view.details.size(), 2u);
  EXPECT_TRUE(StartsWith(view.details[0], "正在解压 "));
  EXPECT_EQ(view.details[0].find("C:\\App"), std::string::npos);  // relative to the install folder
  EXPECT_EQ(view.status, view.details[1]);
  EXPECT_EQ(view.bar.back(), 100);
  EXPECT_EQ(ctx_.progress.taskbar_percent, 100);
}

TEST_F(ExtractRunTest, WrongPasswordAndBadDestinationFail) {
  MakePayload({{"x.txt", "x"}}, "right");
  std::string archive = ctx_.startup.archive_path;
  std::string destination = "C:\\Out\\";
  EXPECT_FALSE(ExtractArchive(ctx_, archive, destination, false, "wrong", nullptr, "", "", {}));
  EXPECT_NE(log_.find("extract: the archive library returned"), std::string::npos) << log_;
  // A destination without a drive is never handed to the library.
  std::string relative = "just\\relative";
  EXPECT_FALSE(ExtractArchive(ctx_, archive, relative, false, "right", nullptr, "", "", {}));
  EXPECT_FALSE(fs::exists(fs::current_path() / "just"));
  // A volume list without a way to redirect opens fails with a message.
  EXPECT_FALSE(ExtractArchive(ctx_, archive, destination, false, "right", nullptr, "", "",
                              {"C:\\pkg\\a.7z", "C:\\pkg\\b.7z"}));
  EXPECT_NE(log_.find("volumes: no open redirection"), std::string::npos);
  // Test mode asks for nothing.
  ctx_.startup.arguments = {"test"};
  ExtractEntriesTo(ctx_, "x.txt", "C:\\Req", "right");
  EXPECT_FALSE(host_.files().Exists("C:\\Req"));
  ctx_.startup.arguments.clear();
  ExtractEntriesTo(ctx_, "x.txt", "C:\\Req,C:\\NoEntry", "right");
  EXPECT_EQ(Read("C:\\Req\\x.txt"), "x");
  EXPECT_FALSE(host_.files().Exists("C:\\NoEntry"));
}

}  // namespace
}  // namespace qmb
