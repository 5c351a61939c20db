// The install driver over the host platform and the real archive library: the steps' order, the
// outcome and exit code, test mode, the archive override and the signature repair.
#include "extract/install_driver.h"

#include <gtest/gtest.h>

#include "base/marked_section.h"
#include "base/package_layout.h"
#include "base/text.h"
#include "base/value_store.h"
#include "extract/install_outcome.h"
#include "extract/payload_test_support.h"
#include "extract/volume_redirect.h"
#include "extract/wizard_install_view.h"
#include "script/script_test_support.h"
#include "startup/settings_variables.h"
#include "system/created_items.h"
#include "system/uninstaller_file.h"

namespace qmb {
namespace {

constexpr char kPayloadCopy[] = "C:\\Temp\\1A2B.tmp.7zqmb";
constexpr char kPayloadMark[] = "QMB-mark=7zipdataA\x01";

class FinishRecorder : public WizardInstallView {
 public:
  void HideDetailsList(bool) override {}
  void PrepareInstallPage(bool) override {}
  void TakeTreeTicks() override {}
  void StartTaskbarProgress() override {}
  void StopTaskbarProgress() override {}
  void ShowFinishState() override { ++finish_states; }
  int finish_states = 0;
};

class InstallDriverTest : public test::PayloadTest {
 protected:
  void SetUp() override {
    PayloadTest::SetUp();
    MakePayload({{"a.txt", "A"}, {"sub/b.txt", "B"}, {"cfg.ini", "C"}}, "pw");
    ctx_.wizard.install_folder = "C:\\App";
    ctx_.settings.except_text = "%InstallPath%\\conf,-1\r\ncfg.ini,1\r\n";
    ctx_.wizard.tree.Clear();
    ctx_.wizard.tree.Add("main", -1, 0, true);
    ctx_.script.text = test::ScriptBlock("main", "", "\r\n[真]unzip.exe main");
    ctx_.wizard.post_install_runs = {{"真", "post.exe", true, true}};
    ctx_.startup.run_mode = kRunModeBackground;
    // The settings work folder of start-up, still there when the driver removes temporary files.
    ctx_.startup.work_folder = "C:\\Temp\\W1.tmp\\";
    host_.files().CreateDirectory("C:\\Temp\\W1.tmp");
    host_.files().WriteAll("C:\\Temp\\W1.tmp\\data.ini", "");
  }

  // The archive moved behind the payload mark into the temp folder, as the package step copies it.
  void UsePayloadCopy(bool damage_signature) {
    std::string archive = Read(ctx_.startup.archive_path);
    if (damage_signature) archive.replace(0, 2, "xx");
    host_.files().WriteAll(kPayloadCopy, kPayloadMark + archive);
    ctx_.startup.archive_path = kPayloadCopy;
  }

  std::vector<std::string> Started() {
    std::vector<std::string> lines;
    for (const StartCall& call : host_.processes().starts()) lines.push_back(call.command_line);
    return lines;
  }
  const std::vector<uint32_t>& Exits() { return host_.processes().exits(); }
};

TEST_F(InstallDriverTest, BackgroundRunInstallsEverythingInOrderAndEndsWithZero) {
  UsePayloadCopy(/*damage_signature=*/true);
  RunInstall(ctx_, "pw");
  EXPECT_EQ(Read("C:\\App\\a.txt"), "A");
  EXPECT_EQ(Read("C:\\App\\sub\\b.txt"), "B");
  EXPECT_EQ(Read("C:\\App\\conf\\cfg.ini"), "C");  // its group, flat
  EXPECT_FALSE(Exists("C:\\App\\cfg.ini"));
  EXPECT_NE(ctx_.progress.installed_files.find("C:\\App\\sub\\b.txt\r\n"), std::string::npos);
  // The payload copy was repaired before it was read, then deleted with the work folder.
  EXPECT_NE(log_.find("signature repair: " + std::string(kPayloadCopy) + " at 19"),
            std::string::npos);
  EXPECT_FALSE(Exists(kPayloadCopy));
  EXPECT_FALSE(Exists("C:\\Temp\\W1.tmp"));
  // The post-install list runs before the components' "Unzip" sections.
  EXPECT_EQ(Started(), (std::vector<std::string>{"post.exe", "unzip.exe main"}));
  EXPECT_EQ(ctx_.outcome.result, InstallResult::kComplete);
  EXPECT_EQ(Exits(), std::vector<uint32_t>{0});
}

TEST_F(InstallDriverTest, FailedExtractionIsUndoneAndEndsNonZero) {
  for (const char* password : {"wrong", "pw"}) {
    if (std::string(password) == "pw") {
      // A damaged payload: the archive's data cut short.
      std::string archive = Read(ctx_.startup.archive_path);
      host_.files().WriteAll(ctx_.startup.archive_path, archive.substr(0, archive.size() / 2));
    }
    log_.clear();
    ctx_.outcome = InstallOutcome();
    const size_t starts_before = host_.processes().starts().size();
    RunInstall(ctx_, password);
    EXPECT_EQ(ctx_.outcome.result, InstallResult::kExtractionFailed) << password;
    EXPECT_NE(log_.find("install: the payload could not be unpacked into C:\\App"),
              std::string::npos) << log_;
    EXPECT_NE(log_.find("end: exit code 2 (the payload could not be unpacked into C:\\App; "
                        "nothing was installed)"),
              std::string::npos) << log_;
    // Nothing of the half-done install stays, and nothing runs after it.
    EXPECT_FALSE(Exists("C:\\App"));
    EXPECT_EQ(host_.processes().starts().size(), starts_before) << password;
    EXPECT_EQ(Exits().back(), 2u);
  }
  // The package file itself is never repaired: it is the user's, not a copy of ours.
  EXPECT_EQ(log_.find("signature repair"), std::string::npos);
}

TEST_F(InstallDriverTest, TestModeInstallsNothing) {
  UsePayloadCopy(false);
  ctx_.startup.arguments = {"test"};
  RunInstall(ctx_, "pw");
  EXPECT_FALSE(Exists("C:\\App"));
  EXPECT_TRUE(Exists(kPayloadCopy));
  EXPECT_TRUE(Started().empty());
  EXPECT_EQ(ctx_.outcome.result, InstallResult::kComplete);
  EXPECT_EQ(Exits(), std::vector<uint32_t>{0});
  // "test" among other arguments is no test mode.
  ctx_.startup.arguments = {"test", "-hp"};
  RunInstall(ctx_, "pw");
  EXPECT_EQ(Read("C:\\App\\a.txt"), "A");
}

TEST_F(InstallDriverTest, UninstallerOnlyWhenThePackageAsksForOne) {
  const std::string entry =
      "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Demo";
  ctx_.settings.data.Set(kMainSection, "禾木软件名称", "Demo");
  ctx_.settings.data.Set(kMainSection, "是否生成卸载程序", "0");
  ctx_.system.shortcuts = {{"Demo", "a.txt", "-x", "C:\\Links", false, "", "the demo", {}}};
  RunInstall(ctx_, "pw");
  EXPECT_NE(host_.shell().FindLink("C:\\Links\\Demo.lnk"), nullptr);
  EXPECT_FALSE(Exists("C:\\App\\uninst.dat"));
  EXPECT_FALSE(Exists("C:\\App\\uninst.exe"));
  EXPECT_FALSE(host_.registry().KeyExists(RegRoot::kLocalMachine, entry, RegView::kDefault));

  ctx_.settings.data.Set(kMainSection, "是否生成卸载程序", "1");
  host_.files().WriteAll("C:\\pkg\\setup.exe", "MZ image" + std::string(1, '\0') +
                                                   std::string(kKindOpenMark) + "\x01qmb-1");
  host_.env().SetResource("UNINST_DAT", 100, "MZ launcher");
  RunInstall(ctx_, "pw");
  EXPECT_TRUE(Exists("C:\\App\\uninst.dat"));
  EXPECT_TRUE(host_.registry().KeyExists(RegRoot::kLocalMachine, entry, RegView::k32));
}

TEST_F(InstallDriverTest, TheRecordListsTheFoldersTheInstallMade) {
  // The user's own folder, empty, where the product goes.
  ASSERT_TRUE(host_.files().CreateDirectory("C:\\App"));
  ASSERT_TRUE(host_.files().CreateDirectory("C:\\App\\mine"));
  ctx_.settings.data.Set(kMainSection, "禾木软件名称", "Demo");
  ctx_.settings.data.Set(kMainSection, "是否生成卸载程序", "1");
  host_.files().WriteAll("C:\\pkg\\setup.exe", "MZ image" + std::string(1, '\0') +
                                                   std::string(kKindOpenMark) + "\x01qmb-1");
  host_.env().SetResource("UNINST_DAT", 100, "MZ launcher");
  MakePayload({{"a.txt", "A"}, {"sub/deep/b.txt", "B"}, {"cfg.ini", "C"}}, "pw");
  RunInstall(ctx_, "pw");
  const std::optional<std::string> record =
      FindSection(Read("C:\\App\\uninst.dat"), kUninstallRecordOpenMark, kUninstallRecordCloseMark);
  ASSERT_TRUE(record);
  std::string folders;
  ASSERT_TRUE(StoreGet(*record, kCreatedFolderListName, folders));
  EXPECT_EQ(folders, "C:\\App\\conf\r\nC:\\App\\sub\r\nC:\\App\\sub\\deep\r\n");
}

TEST_F(InstallDriverTest, AnUninstallerThatCannotBeWrittenFailsTheInstall) {
  ctx_.settings.data.Set(kMainSection, "禾木软件名称", "Demo");
  ctx_.settings.data.Set(kMainSection, "是否生成卸载程序", "1");
  RunInstall(ctx_, "pw");  // our own program carries no package mark here
  EXPECT_EQ(Exits(), std::vector<uint32_t>{8});
}

TEST_F(InstallDriverTest, ArchiveOverrideReplacesThePayload) {
  const std::string package_archive = ctx_.startup.archive_path;
  MakePayload({{"other.txt", "O"}}, "pw", "C:\\pkg\\other.7z");
  ctx_.startup.archive_path = package_archive;
  ctx_.extract.archive_path_override = "C:\\pkg\\other.7z";
  RunInstall(ctx_, "pw");
  EXPECT_EQ(Read("C:\\App\\other.txt"), "O");
  EXPECT_FALSE(Exists("C:\\App\\a.txt"));
  EXPECT_EQ(ctx_.startup.archive_path, "C:\\pkg\\other.7z");
}

TEST_F(InstallDriverTest, SplitVolumesGetTheInstallFolderItself) {
  std::string big(200000, '\0');
  uint32_t x = 7;
  for (char& c : big) c = static_cast<char>((x = x * 1103515245u + 12345u) >> 24);
  MakePayload({{"big.bin", big}, {"a.txt", "A"}}, "pw", "C:\\pkg\\set.7z", "-mx=0 -v80k");
  for (const char* name : {"one.bin", "two.bin", "three.bin"}) {
    const std::string number = std::to_string(ctx_.startup.volume_list.size() + 1);
    std::filesystem::rename(host_.files().HostPath("C:\\pkg\\set.7z.00" + number),
                            host_.files().HostPath(std::string("C:\\pkg\\") + name));
    ctx_.startup.volume_list.push_back(std::string("C:\\pkg\\") + name);
  }
  std::unique_ptr<OpenRedirection> redirect =
      NativeOpenRedirection([this](const std::string& p) { return host_.files().HostPath(p); });
  ctx_.extract.open_redirect = redirect.get();
  ctx_.startup.archive_path.clear();
  ctx_.settings.except_text.clear();
  ctx_.wizard.install_folder = "c:\\App";
  ctx_.wizard.progress_templates = {"unpacked %Default%"};
  RunInstall(ctx_, "pw");
  EXPECT_EQ(Read("C:\\App\\big.bin"), big);
  EXPECT_EQ(ctx_.wizard.install_folder, "C:\\App");
  // Progress lines name the files relative to the install folder.
  EXPECT_NE(log_.find("progress line: unpacked big.bin"), std::string::npos) << log_;
  EXPECT_EQ(log_.find("progress line: unpacked C:"), std::string::npos) << log_;
  EXPECT_EQ(Exits(), std::vector<uint32_t>{0});
}

TEST_F(InstallDriverTest, ProcessEndsOnlyWithoutAFinishPage) {
  FinishRecorder view;
  ctx_.wizard.install_view = &view;
  ctx_.startup.run_mode = kRunModeNormal;
  ctx_.startup.finish_page_switch = 1;
  FinishInstall(ctx_);
  EXPECT_EQ(view.finish_states, 1);
  EXPECT_TRUE(Exits().empty());
  ctx_.startup.finish_page_switch = -1;
  SetOutcome(ctx_, InstallResult::kExtractionFailed, "x");
  FinishInstall(ctx_);
  EXPECT_EQ(view.finish_states, 2);
  EXPECT_EQ(Exits(), std::vector<uint32_t>{2});
  FinishInstall(ctx_);  // the process ends once
  EXPECT_EQ(Exits().size(), 1u);
}

}  // namespace
}  // namespace qmb
