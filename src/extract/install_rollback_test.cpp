// A whole install over the host platform and the real archive library that fails after every
// number of changes, or is cancelled during the unpacking, leaves the host tree and the registry
// as they were, the user's overwritten files and values included, and ends with its exit code.
#include <gtest/gtest.h>

#include <map>

#include "base/package_layout.h"
#include "base/registry_store.h"
#include "extract/install_driver.h"
#include "extract/install_outcome.h"
#include "extract/payload_test_support.h"
#include "startup/settings_catalogue.h"

namespace qmb {
namespace {

constexpr char kUserKey[] = "SOFTWARE\\Demo";

class InstallRollbackTest : public test::PayloadTest {
 protected:
  void SetUp() override {
    PayloadTest::SetUp();
    MakePayload({{"a.txt", "A"}, {"sub/b.txt", "B"}, {"sub/deeper/c.txt", "C"},
                 {"keep.txt", "new keep"}, {"cfg.ini", "cfg"}},
                "pw");
    Files& files = host_.files();
    // The user's things: an install folder that already holds a file of the payload (read-only),
    // one the payload does not have, a link of the product's name and registry values.
    files.CreateDirectory("C:\\App");
    files.WriteAll("C:\\App\\keep.txt", "user's keep");
    files.SetAttributes("C:\\App\\keep.txt", kAttrReadOnly);
    files.WriteAll("C:\\App\\mine.txt", "mine");
    files.CreateDirectory("C:\\Links");
    files.WriteAll("C:\\Links\\Demo.lnk", "user's link");
    host_.registry().SetValue(RegRoot::kCurrentUser, kUserKey, "Path", kRegSz, "user's",
                              RegView::k32);
    ctx_.wizard.install_folder = "C:\\App";
    ctx_.settings.except_text = "%InstallPath%\\conf,-1\r\ncfg.ini,1\r\n";
    ctx_.settings.data.Set(kMainSection, "禾木软件名称", "Demo");
    ctx_.settings.data.Set(kMainSection, "是否生成卸载程序", "1");
    ctx_.settings.registry_data = BuildRegistryStore({
        {"HKEY_CURRENT_USER\\SOFTWARE\\Demo", "REG_SZ", "%InstallPath%", "", "Path", "32"},
        {"HKEY_CURRENT_USER\\SOFTWARE\\Demo\\New", "REG_SZ", "x", "", "Made", "32"},
    });
    ctx_.system.shortcuts = {{"Demo", "a.txt", "", "C:\\Links,C:\\Menu\\Demo", false, "", ""}};
    ctx_.wizard.post_install_runs = {{"真", "post.exe", true, true}};
    ctx_.startup.run_mode = kRunModeBackground;
    // The program image and launcher the uninstaller is made of.
    files.WriteAll("C:\\pkg\\setup.exe", "MZ image" + std::string(1, '\0') +
                                               std::string(kKindOpenMark) + "\x01qmb-1");
    host_.env().SetResource("UNINST_DAT", 100, "MZ launcher");
  }

  void Tree(const std::string& folder, std::map<std::string, std::string>& tree) {
    for (const DirEntry& entry : host_.files().List(folder + "\\")) {
      const std::string path = folder + "\\" + entry.name;
      if (path == "C:\\pkg") continue;  // the package is read, never written
      const uint32_t attributes = host_.files().GetAttributes(path).value_or(0);
      if (entry.is_dir) {
        tree[path] = "<dir>";
        Tree(path, tree);
      } else {
        tree[path] = std::to_string(attributes) + ":" + Read(path);
      }
    }
  }

  void Keys(RegRoot root, const std::string& key, std::map<std::string, std::string>& values) {
    const HostRegistry& registry = host_.registry();
    for (RegView view : {RegView::k32, RegView::k64}) {
      const std::string where = std::to_string(static_cast<int>(root)) + ":" +
                                std::to_string(static_cast<int>(view)) + ":" + key;
      values[where] = "<key>";
      for (const std::string& name : registry.ValueNames(root, key, view))
        values[where + "[" + name + "]"] =
            host_.registry().QueryString(root, key, name, view).value_or("?");
      for (const std::string& sub : registry.SubKeys(root, key, view)) {
        if (view == RegView::k32) Keys(root, key.empty() ? sub : key + "\\" + sub, values);
      }
    }
  }

  // Everything a user could see: files with attributes and content, every key and value.
  std::map<std::string, std::string> Machine() {
    std::map<std::string, std::string> machine;
    Tree("C:", machine);
    for (RegRoot root : {RegRoot::kCurrentUser, RegRoot::kLocalMachine}) Keys(root, "", machine);
    return machine;
  }
};

TEST_F(InstallRollbackTest, AFailureAfterEveryChangeLeavesTheMachineAsItWas) {
  const auto before = Machine();
  size_t n = 0;
  for (;; ++n) {
    ASSERT_LT(n, 200u) << "the install never completes";
    ctx_.outcome = InstallOutcome();
    ctx_.journal.RefuseAfter(n);
    log_.clear();
    RunInstall(ctx_, "pw");
    if (ctx_.outcome.result == InstallResult::kComplete) break;
    EXPECT_TRUE(ctx_.outcome.result == InstallResult::kExtractionFailed ||
                ctx_.outcome.result == InstallResult::kUninstallerFailed ||
                ctx_.outcome.result == InstallResult::kStepFailed)
        << n << "\n" << log_;
    EXPECT_NE(ctx_.outcome.reason.find("nothing was installed"), std::string::npos) << n;
    EXPECT_EQ(Machine(), before) << "refused after " << n << " change(s)\n" << log_;
    EXPECT_TRUE(host_.processes().starts().empty()) << "no post-install program after a failure";
    EXPECT_EQ(host_.processes().exits().back(), ExitCodeOf(ctx_.outcome.result));
  }
  // Enough changes to reach every kind: files, folders, the link, values and the uninstaller.
  EXPECT_GT(n, 15u);
  EXPECT_EQ(Read("C:\\App\\keep.txt"), "new keep");
  EXPECT_EQ(Read("C:\\App\\conf\\cfg.ini"), "cfg");
  EXPECT_TRUE(Exists("C:\\App\\uninst.exe"));
  EXPECT_FALSE(Exists("C:\\App\\~setup-backup"));  // the kept files go with success
  EXPECT_EQ(host_.processes().exits().back(), 0u);
}

TEST_F(InstallRollbackTest, CancelDuringTheUnpackingStopsAndUndoes) {
  const auto before = Machine();
  int files_seen = 0;
  // The user confirms Cancel while the second file is written.
  ctx_.progress.callbacks = {[&](intptr_t) {
    if (++files_seen == 2) ctx_.outcome.cancel_requested = true;
  }};
  RunInstall(ctx_, "pw");
  EXPECT_EQ(ctx_.outcome.result, InstallResult::kCancelled);
  EXPECT_EQ(host_.processes().exits(), std::vector<uint32_t>{10});
  EXPECT_EQ(Machine(), before) << log_;
  EXPECT_TRUE(host_.processes().starts().empty());
  EXPECT_NE(log_.find("end: exit code 10 (cancelled by the user; nothing was installed)"),
            std::string::npos)
      << log_;
}

TEST_F(InstallRollbackTest, TheBackupsOfAnInstallCutShortStay) {
  // An earlier install was killed after keeping the user's file aside: its backup folder holds the
  // only copy. Installing again, with success and with a failure, leaves that folder untouched.
  Files& files = host_.files();
  files.CreateDirectory("C:\\App\\~setup-backup");
  files.WriteAll("C:\\App\\~setup-backup\\1", "the user's only copy");
  const auto before = Machine();
  ctx_.journal.RefuseAfter(12);
  RunInstall(ctx_, "pw");
  ASSERT_NE(ctx_.outcome.result, InstallResult::kComplete);
  EXPECT_EQ(Machine(), before) << log_;

  ctx_.outcome = InstallOutcome();
  ctx_.journal.RefuseAfter(1000);
  RunInstall(ctx_, "pw");
  ASSERT_EQ(ctx_.outcome.result, InstallResult::kComplete) << log_;
  EXPECT_EQ(Read("C:\\App\\~setup-backup\\1"), "the user's only copy");
  EXPECT_EQ(files.List("C:\\App\\~setup-backup\\").size(), 1u);
  EXPECT_FALSE(Exists("C:\\App\\~setup-backup.2"));
  EXPECT_NE(log_.find("journal: C:\\App\\keep.txt kept aside as C:\\App\\~setup-backup.2\\1"),
            std::string::npos)
      << log_;
}

TEST_F(InstallRollbackTest, AnUndoThatCannotRestoreSaysSoWithItsOwnCode) {
  // The uninstaller cannot be written, and the kept copy of the user's file has gone meanwhile.
  ctx_.settings.registry_data.clear();
  host_.files().CreateDirectory("C:\\App\\uninst.exe");
  const std::string kept = "C:\\App\\~setup-backup\\1";
  ctx_.progress.callbacks = {nullptr, [&](intptr_t) {
                               if (!Exists(kept)) return;
                               host_.files().SetAttributes(kept, kAttrNormal);
                               host_.files().RemoveFile(kept);
                             }};
  RunInstall(ctx_, "pw");
  EXPECT_EQ(ctx_.outcome.result, InstallResult::kRollbackIncomplete) << log_;
  EXPECT_NE(ctx_.outcome.reason.find("could not undo: cannot put back C:\\App\\keep.txt"),
            std::string::npos)
      << ctx_.outcome.reason;
  EXPECT_EQ(host_.processes().exits(), std::vector<uint32_t>{12});
  EXPECT_FALSE(Exists("C:\\App\\a.txt"));
}

}  // namespace
}  // namespace qmb
