// Support DLLs over registered stand-in libraries: written once per distinct bytes, started per
// run kind with their exact arguments, messages to every loaded DLL, and DLLs that fail.
#include "startup/support_dlls.h"

#include <gtest/gtest.h>

#include "base/dll_store.h"
#include "context/host_context_fixture.h"
#include "startup/dll_notifications.h"

namespace qmb {
namespace {

const std::string kDllA = "MZ support A";
const std::string kDllB = "MZ support B";

class SupportDllsTest : public ::testing::Test, public test::HostContextFixture {
 protected:
  SupportDllsTest() {
    ctx.startup.work_folder = "C:\\Temp\\work\\";
    ctx.startup.package_result = 1;
    host.files().CreateDirectory("C:\\Temp\\work");
  }

  void Store(const std::vector<DllRecord>& records) {
    const DllStoreFiles files = BuildDllStore(records);
    host.files().WriteAll("C:\\Temp\\work\\QMBDLL.db", files.db);
    ctx.settings.dll_settings = files.settings;
  }

  // A library whose exports record their calls under their names.
  void Library(const std::string& bytes, std::map<std::string, int32_t> answers) {
    std::map<std::string, HostModules::Export> exports;
    for (const auto& [name, answer] : answers) {
      exports[name] = [this, name = name, answer = answer, bytes](const DllArguments& a) {
        calls.push_back({bytes, name, a});
        return answer;
      };
    }
    host.modules().Register(bytes, std::move(exports));
  }

  struct Call {
    std::string library;
    std::string name;
    DllArguments arguments;
  };
  std::vector<Call> calls;
};

TEST_F(SupportDllsTest, SameBytesAreWrittenAndLoadedOnceAndRunKindsChooseTheRecords) {
  Library(kDllA, {{"start", 5}, {"again", 6}, {"kaye_msg", 0}});
  Library(kDllB, {{"start", 7}, {"kaye_msg", 0}});
  Store({{"start", kRunInInstaller, "名$参数，文本型$参数，演示\r\nDLL标记$$参数，整数型$参数，-3", kDllA},
         {"again", kRunInBoth, "$参数，字节集$参数，ab", kDllA},
         {"start", kRunInUninstaller, "", kDllB}});
  StartSupportDlls(ctx);

  // One load: the second record found the DLL in the loaded list (the stand-in loads a file only
  // when it holds the registered bytes, so the file was written under that name).
  EXPECT_EQ(host.modules().loads(), 1);
  EXPECT_EQ(host.modules().load_attempts(), 1);
  ASSERT_EQ(ctx.support_dlls.loaded.size(), 1u);
  EXPECT_EQ(ctx.support_dlls.loaded[0].path,
            "C:\\Temp\\qmb_dll\\" + SupportDllFileName(kDllA));
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].name, "start");
  EXPECT_STREQ(reinterpret_cast<const char*>(calls[0].arguments[0]), "演示");
  EXPECT_EQ(calls[0].arguments[1], -3);
  EXPECT_EQ(calls[0].arguments[2], 0);
  EXPECT_EQ(calls[1].name, "again");
  EXPECT_STREQ(reinterpret_cast<const char*>(calls[1].arguments[0]), "ab");
  EXPECT_TRUE(Logged("record 3 (run kind 1) is not for this program"));

  // The uninstaller starts the records of kinds 1 and 2.
  HostPlatform host2;
  Context uninstaller(host2.platform());
  calls.clear();
  host2.modules().Register(kDllA, {{"again", [&](const DllArguments&) { calls.push_back({kDllA, "again", {}}); return 0; }}});
  host2.modules().Register(kDllB, {{"start", [&](const DllArguments&) { calls.push_back({kDllB, "start", {}}); return 0; }}});
  host2.files().CreateDirectory("C:\\Temp\\work");
  host2.files().WriteAll("C:\\Temp\\work\\QMBDLL.db", host.files().ReadAll("C:\\Temp\\work\\QMBDLL.db").value());
  uninstaller.startup.work_folder = "C:\\Temp\\work\\";
  uninstaller.startup.package_result = 2;
  uninstaller.settings.dll_settings = ctx.settings.dll_settings;
  StartSupportDlls(uninstaller);
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].library + calls[0].name, kDllA + "again");
  EXPECT_EQ(calls[1].library + calls[1].name, kDllB + "start");
}

TEST_F(SupportDllsTest, AFileThatIsNoDllOrLacksTheExportIsLoggedAndTheRestGoesOn) {
  Library(kDllB, {{"start", 1}});
  Store({{"start", kRunInInstaller, "", "not a DLL at all"},
         {"missing", kRunInInstaller, "", kDllB},
         {"start", kRunInInstaller, "", kDllB}});
  StartSupportDlls(ctx);
  // The non-DLL is tried a bounded number of times, then given up.
  EXPECT_EQ(host.modules().load_attempts(), kDllLoadAttempts + 1);
  EXPECT_EQ(host.processes().sleeps().size(), static_cast<size_t>(kDllLoadAttempts - 1));
  EXPECT_TRUE(Logged("does not load after"));
  EXPECT_TRUE(Logged("no export missing"));
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(ctx.support_dlls.loaded.size(), 1u);
  EXPECT_EQ(CallDllExport(ctx, kDllB, "missing", "", 0), -1);
}

TEST_F(SupportDllsTest, MessagesReachEveryLoadedDllAndAnyOneVetoes) {
  // No DLL: nothing is ever vetoed.
  EXPECT_FALSE(PageChangeVetoed(ctx, 0, 1));
  EXPECT_FALSE(ExitVetoed(ctx, true));

  Library(kDllA, {{"start", 0}, {"kaye_msg", 0}});
  Library(kDllB, {{"start", 0}, {"kaye_msg", 1}});
  Store({{"start", kRunInInstaller, "", kDllA}, {"start", kRunInInstaller, "", kDllB}});
  StartSupportDlls(ctx);
  calls.clear();

  EXPECT_TRUE(PageChangeVetoed(ctx, 3, -1));
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].library, kDllA);  // load order
  EXPECT_EQ(calls[1].library, kDllB);
  EXPECT_EQ(calls[0].arguments[0], 1002);
  EXPECT_EQ(calls[0].arguments[1], 3);
  EXPECT_EQ(calls[0].arguments[2], -1);

  EXPECT_EQ(SendDllMessage(ctx, "，整数型，1005"), (std::vector<int32_t>{0, 1}));
  EXPECT_TRUE(ExitVetoed(ctx, true));
  EXPECT_FALSE(ExitVetoed(ctx, false));  // "no" cannot be overruled into quitting
  EXPECT_EQ(calls.back().arguments[0], 1003);
  EXPECT_EQ(calls.back().arguments[1], 0);
  EXPECT_TRUE(RemovalTakenOver(ctx, 2));
  EXPECT_EQ(calls.back().arguments[0], 2000);
  EXPECT_EQ(calls.back().arguments[1], 2);
  EXPECT_TRUE(DllResultsContain({0, -1, 1}, 1));
  EXPECT_FALSE(DllResultsContain({}, 1));
}

TEST_F(SupportDllsTest, ADamagedStoreStartsNothing) {
  host.files().WriteAll("C:\\Temp\\work\\QMBDLL.db", "neither plain nor compressed");
  StartSupportDlls(ctx);
  EXPECT_TRUE(ctx.support_dlls.loaded.empty());
  EXPECT_TRUE(Logged("is neither plain nor compressed"));
  // The folder is made only for a DLL to write: a package without one leaves nothing behind.
  EXPECT_FALSE(host.files().Exists("C:\\Temp\\qmb_dll"));
}

TEST_F(SupportDllsTest, MoreThanFifteenParametersAreCutAndLogged) {
  Library(kDllA, {{"start", 0}});
  std::string parameters;
  for (int i = 1; i <= 17; ++i)
    parameters += (i > 1 ? "\r\nDLL标记$" : "") + std::string("$参数，整数型$参数，") + std::to_string(i);
  Store({{"start", kRunInInstaller, parameters, kDllA}});
  StartSupportDlls(ctx);
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].arguments[14], 15);
  EXPECT_TRUE(Logged("17 parameters for start; only the first 15 are passed"));
}

}  // namespace
}  // namespace qmb
