// The install journal over the host platform: an install of a few files, folders, a link and
// registry values, refused after every number of changes, is undone to the state before it; a
// kept install drops its backups.
#include "system/install_journal.h"

#include <gtest/gtest.h>

#include <map>

#include "base/path.h"
#include "extract/folder_path.h"
#include "platform/host/host_platform.h"

namespace qmb {
namespace {

constexpr char kKey[] = "SOFTWARE\\Vendor\\Product";

class InstallJournalTest : public ::testing::Test {
 protected:
  InstallJournalTest() : journal_(host_.files(), host_.registry(), log_) {
    // The user's things, some with the product's names.
    Files& files = host_.files();
    files.CreateDirectory("C:\\App");
    files.WriteAll("C:\\App\\readme.txt", "user's readme");
    files.WriteAll("C:\\App\\notes.txt", "user's notes");
    files.SetAttributes("C:\\App\\readme.txt", kAttrReadOnly);
    files.CreateDirectory("C:\\App\\conf");
    files.WriteAll("C:\\App\\conf\\user.cfg", "user's settings");
    host_.registry().SetValue(RegRoot::kCurrentUser, "SOFTWARE\\Vendor", "Keep", kRegSz, "mine",
                              RegView::k32);
    host_.registry().SetValue(RegRoot::kCurrentUser, "SOFTWARE\\Vendor", "Path", kRegSz, "old",
                              RegView::k32);
  }

  // The host tree: every file and folder with its attributes and content.
  std::map<std::string, std::string> Tree(const std::string& folder = "C:") {
    std::map<std::string, std::string> tree;
    for (const DirEntry& entry : host_.files().List(folder + "\\")) {
      const std::string path = folder + "\\" + entry.name;
      const std::string attributes = std::to_string(host_.files().GetAttributes(path).value_or(0));
      if (entry.is_dir) {
        tree[path] = "<dir>";
        for (auto& item : Tree(path)) tree.insert(item);
      } else {
        tree[path] = attributes + ":" + host_.files().ReadAll(path).value_or("<unreadable>");
      }
    }
    return tree;
  }

  std::map<std::string, std::string> Values() {
    std::map<std::string, std::string> values;
    qmb::Registry& registry = host_.registry();
    for (const char* name : {"Keep", "Path", "New"})
      values[std::string("Vendor:") + name] =
          registry.QueryString(RegRoot::kCurrentUser, "SOFTWARE\\Vendor", name, RegView::k32)
              .value_or("<none>");
    values["Product"] = registry.KeyExists(RegRoot::kCurrentUser, kKey, RegView::k32) ? "key" : "";
    values["Product\\Sub"] =
        registry.KeyExists(RegRoot::kCurrentUser, std::string(kKey) + "\\Sub", RegView::k32) ? "key"
                                                                                              : "";
    return values;
  }

  // What an install does, each step through the journal; false at the first refused change.
  bool Install() {
    Files& files = host_.files();
    auto write = [&](const std::string& path, const std::string& data) {
      // As the archive library does: the parents after the notification, then the file.
      return journal_.PrepareFile(path) && CreateFolderPath(files, ParentFolder(path)) &&
             files.WriteAll(path, data);
    };
    journal_.NoteFolderContents("C:\\App");
    return journal_.CreateFolderPath("C:\\App\\bin\\x") && write("C:\\App\\bin\\a.dll", "A") &&
           write("C:\\App\\readme.txt", "new readme") && write("C:\\App\\lib\\deep\\b.dat", "B") &&
           write("C:\\App\\notes.txt", "new notes") &&
           write("C:\\App\\notes.txt", "newer notes") &&  // the same file twice
           write("C:\\App\\lib\\deep\\b.dat", "B2") &&  // twice in a folder the install made
           files.CreateDirectory("C:\\App\\made") &&      // the library's own, after the listing
           write("C:\\App\\made\\c.dat", "C") && write("C:\\App\\made\\c.dat", "C2") &&
           write("C:\\App\\conf\\user.cfg", "product settings") &&  // the user's folder and file
           write("C:\\Users\\Desktop\\App.lnk", "link") &&
           journal_.SetValue(RegRoot::kCurrentUser, "SOFTWARE\\Vendor", "Path", kRegSz, "new",
                             RegView::k32) &&
           journal_.SetValue(RegRoot::kCurrentUser, "SOFTWARE\\Vendor", "New", kRegDword,
                             std::string("\1\0\0\0", 4), RegView::k32) &&
           journal_.SetValue(RegRoot::kCurrentUser, std::string(kKey) + "\\Sub", "v", kRegSz, "1",
                             RegView::k32);
  }

  HostPlatform host_;
  InstallLog log_;
  InstallJournal journal_;
};

TEST_F(InstallJournalTest, RefusedAfterEveryNumberOfChangesRollsBackToTheStateBefore) {
  const auto tree_before = Tree();
  const auto registry_before = Values();
  bool completed = false;
  for (size_t n = 0; !completed; ++n) {
    ASSERT_LT(n, 100u) << "the install never completes";
    journal_.Begin("C:\\App\\~backup");
    journal_.RefuseAfter(n);
    completed = Install();
    if (completed) {
      EXPECT_FALSE(journal_.refused());
      // Undo of a whole install, the most entries there can be.
    } else {
      EXPECT_TRUE(journal_.refused()) << n;
    }
    const RollbackReport report = journal_.Rollback();
    EXPECT_TRUE(report.complete()) << n;
    EXPECT_EQ(Tree(), tree_before) << "after " << n << " changes";
    EXPECT_EQ(Values(), registry_before) << "after " << n << " changes";
    EXPECT_FALSE(journal_.recording());
  }
}

TEST_F(InstallJournalTest, CommitKeepsTheChangesAndDropsTheBackups) {
  journal_.Begin("C:\\App\\~backup");
  ASSERT_TRUE(Install());
  EXPECT_TRUE(host_.files().Exists("C:\\App\\~backup\\1"));  // the old readme waits there
  journal_.Commit();
  EXPECT_FALSE(host_.files().Exists("C:\\App\\~backup"));
  EXPECT_EQ(host_.files().ReadAll("C:\\App\\readme.txt"), "new readme");
  EXPECT_EQ(host_.files().ReadAll("C:\\App\\notes.txt"), "newer notes");
  EXPECT_EQ(Values()["Vendor:Path"], "new");
  EXPECT_EQ(Values()["Product\\Sub"], "key");
  // Without recording the journal changes nothing on its own and records nothing.
  EXPECT_TRUE(journal_.PrepareFile("C:\\App\\readme.txt"));
  EXPECT_EQ(host_.files().ReadAll("C:\\App\\readme.txt"), "new readme");
  EXPECT_TRUE(journal_.entries().empty());
}

TEST_F(InstallJournalTest, RecordsEachChangeBeforeItWithWhatItReplaces) {
  journal_.Begin("C:\\App\\~backup");
  ASSERT_TRUE(journal_.PrepareFile("C:\\App\\lib\\b.dat"));
  ASSERT_TRUE(journal_.PrepareFile("C:\\App\\notes.txt"));
  ASSERT_TRUE(journal_.SetValue(RegRoot::kCurrentUser, "SOFTWARE\\Vendor", "Path", kRegSz, "new",
                                RegView::k32));
  ASSERT_TRUE(journal_.SetValue(RegRoot::kCurrentUser, kKey, "", kRegSz, "d", RegView::k32));
  std::vector<std::string> lines;
  for (const JournalEntry& e : journal_.entries())
    lines.push_back(std::to_string(static_cast<int>(e.kind)) + " " + e.path + " " + e.backup +
                    (e.old_value ? " was " + RegValueText(*e.old_value) : ""));
  EXPECT_EQ(lines, (std::vector<std::string>{
                       "0 C:\\App\\lib ",
                       "1 C:\\App\\lib\\b.dat ",
                       "0 C:\\App\\~backup ",
                       "1 C:\\App\\notes.txt C:\\App\\~backup\\1",
                       "3 SOFTWARE\\Vendor  was old",
                       "2 SOFTWARE\\Vendor\\Product ",
                       "3 SOFTWARE\\Vendor\\Product ",
                   }));
  journal_.Rollback();
}

TEST_F(InstallJournalTest, RollbackGoesOnPastWhatItCannotUndoAndReportsIt) {
  journal_.Begin("C:\\App\\~backup");
  ASSERT_TRUE(journal_.PrepareFile("C:\\App\\notes.txt"));
  host_.files().WriteAll("C:\\App\\notes.txt", "new");
  ASSERT_TRUE(journal_.PrepareFile("C:\\App\\new.txt"));
  host_.files().WriteAll("C:\\App\\new.txt", "new");
  // Someone takes the kept file away before the undo.
  host_.files().RemoveFile("C:\\App\\~backup\\1");
  const RollbackReport report = journal_.Rollback();
  ASSERT_EQ(report.not_restored.size(), 1u);
  EXPECT_NE(report.not_restored[0].find("C:\\App\\notes.txt"), std::string::npos);
  EXPECT_FALSE(host_.files().Exists("C:\\App\\new.txt"));  // the walk went on
  EXPECT_FALSE(host_.files().Exists("C:\\App\\~backup"));
}

TEST_F(InstallJournalTest, AFolderMadeByTheInstallKeepsAUsersFileAndEmptyFoldersGo) {
  journal_.Begin("C:\\App\\~backup");
  ASSERT_TRUE(journal_.CreateFolderPath("C:\\App\\data"));
  ASSERT_TRUE(journal_.CreateFolderPath("C:\\Other"));
  // Folders the archive library made below them on its own (empty folder entries), and a file a
  // user saved meanwhile.
  host_.files().CreateDirectory("C:\\App\\data\\empty");
  host_.files().CreateDirectory("C:\\Other\\empty");
  host_.files().WriteAll("C:\\Other\\empty\\user.txt", "u");
  EXPECT_TRUE(journal_.Rollback().complete());
  EXPECT_FALSE(host_.files().Exists("C:\\App\\data"));
  EXPECT_EQ(host_.files().ReadAll("C:\\Other\\empty\\user.txt"), "u");
}

// The uninstall record's lists: what the install made and is still there, parents first, with
// the folders the archive library made on its own; never the user's folder or the backups.
TEST_F(InstallJournalTest, WhatTheInstallCreatedIsListedParentsFirst) {
  journal_.Begin("C:\\App\\~backup");
  host_.files().CreateDirectory("C:\\App\\mine");
  journal_.NoteFolderContents("C:\\App");
  ASSERT_TRUE(journal_.CreateFolderPath("C:\\App\\bin\\x"));
  ASSERT_TRUE(journal_.PrepareFile("C:\\App\\notes.txt"));  // kept aside in the backup folder
  host_.files().CreateDirectory("C:\\App\\empty");
  host_.files().CreateDirectory("C:\\App\\empty\\inner");
  ASSERT_TRUE(journal_.SetValue(RegRoot::kCurrentUser, std::string(kKey) + "\\Sub", "v", kRegSz,
                                "1", RegView::k32));
  ASSERT_TRUE(journal_.CreateFolderPath("C:\\Gone"));
  host_.files().RemoveFolder("C:\\Gone");  // made and gone again
  const CreatedItems created = journal_.Created();
  EXPECT_EQ(created.folders, (std::vector<std::string>{"C:\\App\\bin", "C:\\App\\bin\\x",
                                                       "C:\\App\\empty", "C:\\App\\empty\\inner"}));
  EXPECT_EQ(KeyListText(created),
            "HKEY_CURRENT_USER\\SOFTWARE\\Vendor\\Product$,32\r\n"
            "HKEY_CURRENT_USER\\SOFTWARE\\Vendor\\Product\\Sub$,32\r\n");
  EXPECT_TRUE(journal_.CreatedFolder("c:\\app\\BIN"));
  EXPECT_FALSE(journal_.CreatedFolder("C:\\App\\mine"));
  journal_.Rollback();
}

}  // namespace
}  // namespace qmb
