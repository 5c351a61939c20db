// The support DLLs' request routines over a fake wizard window and a real payload.
#include "wizard/dll_requests.h"

#include <gtest/gtest.h>

#include <map>

#include "archive/sevenzip_api.h"
#include "base/format_size.h"
#include "extract/payload_test_support.h"
#include "script/script_test_support.h"
#include "wizard/dll_request_window.h"

namespace qmb {
namespace {

class FakeWizardWindow : public DllRequestWindow {
 public:
  intptr_t ControlWindow(const std::string& name) override {
    const auto it = controls.find(name);
    return it == controls.end() ? 0 : it->second;
  }
  std::vector<intptr_t> ChildWindows(intptr_t window) override {
    return window == 501 ? std::vector<intptr_t>{601, 602} : std::vector<intptr_t>{};
  }
  void SetTopmost(bool on) override { topmost = on; }
  intptr_t PageTableAddress() override { return 7001; }
  intptr_t PageShownAddress() override { return 7002; }
  intptr_t FinishOptionList() override { return 7003; }
  int PageCount() override { return pages; }
  void SelectPage(int page) override { current = page; }
  void InsertPage(int position, const std::string& caption) override {
    inserted.push_back(std::to_string(position) + caption);
    ++pages;
  }
  intptr_t CloneSpareControl(const std::string& spare, intptr_t parent, ControlRect r,
                             const std::optional<std::string>& text) override {
    clones.push_back(spare + " on " + std::to_string(parent) + "@" + std::to_string(r.left) + "," +
                     std::to_string(r.top) + " " + std::to_string(r.width) + "x" +
                     std::to_string(r.height) + " " + text.value_or("(own text)"));
    return 900 + static_cast<intptr_t>(clones.size());
  }
  void SetVisible(intptr_t window, bool visible) override {
    if (!visible) hidden.push_back(window);
  }
  void SetFolderBox(const std::string& text) override { folder_box = text; }
  void ShowTree() override { ++trees_shown; }

  std::map<std::string, intptr_t> controls{{"图片框1", 11}, {"图片框4", 14}, {"下一步_按钮", 102},
                                           {"提示", 77},    {"外形框I_1", 501}};
  bool topmost = false;
  int pages = 6;
  int current = 0;
  std::vector<std::string> inserted, clones;
  std::vector<intptr_t> hidden;
  std::string folder_box;
  int trees_shown = 0;
};

// What the DLL's routines receive; they are called through the module port's guarded call.
std::vector<intptr_t> g_percentages;
std::vector<std::string> g_lines;
std::vector<intptr_t> g_pages;
intptr_t g_described[2];

intptr_t Text(const std::string& text) { return reinterpret_cast<intptr_t>(text.c_str()); }
std::string At(intptr_t address) { return reinterpret_cast<const char*>(address); }

class DllRequestsTest : public test::PayloadTest {
 protected:
  void SetUp() override {
    PayloadTest::SetUp();
    ctx_.support_dlls.window = &window_;
    ctx_.wizard.folder_box = "C:\\App";
    g_percentages.clear();
    g_lines.clear();
    g_pages.clear();
    HostModules& modules = host_.modules();
    on_percent_ = modules.AddRoutine([](const DllArguments& a) {
      g_percentages.push_back(a[0]);
      return 0;
    });
    on_line_ = modules.AddRoutine([](const DllArguments& a) {
      g_lines.emplace_back(reinterpret_cast<const char*>(a[0]));
      return 0;
    });
    on_page_ = modules.AddRoutine([](const DllArguments& a) {
      g_pages.push_back(a[0]);
      return 0;
    });
    on_describe_ = modules.AddRoutine([](const DllArguments& a) {
      g_described[0] = a[0];
      g_described[1] = a[1];
      return 0;
    });
    on_check_ = modules.AddRoutine([](const DllArguments& a) {
      return static_cast<int32_t>(a[0] == 2 && a[1] == 1);
    });
  }
  FakeWizardWindow window_;
  uintptr_t on_percent_ = 0, on_line_ = 0, on_page_ = 0, on_describe_ = 0, on_check_ = 0;
};

TEST_F(DllRequestsTest, InstallRequestHonoursExclusionsAndFeedsTheDllsCallbacks) {
  MakePayload({{"a.txt", "A"}, {"skip.txt", "S"}, {"b.txt", "B"}}, "pw");
  ctx_.wizard.progress_templates = {"解压 %Default%"};
  const std::string skip = "skip.txt";
  HandleMessageEntry(ctx_, kEntryExclude, Text(skip), 0);
  EXPECT_EQ(ctx_.extract.exclusion_list, "skip.txt");
  const std::string request = "pw$，" + std::to_string(on_percent_) +
                              "$，" + std::to_string(on_line_) + "$，真";
  ctx_.settings.data.Set("禾木软件安装配置", "safe", "pw");
  EXPECT_EQ(HandlePageRequest(ctx_, kPageInstall, Text(request)), 0);
  EXPECT_TRUE(ctx_.support_dlls.silent_page_switch);
  EXPECT_EQ(Read("C:\\App\\a.txt"), "A");
  EXPECT_EQ(Read("C:\\App\\b.txt"), "B");
  EXPECT_FALSE(Exists("C:\\App\\skip.txt"));
  ASSERT_FALSE(g_percentages.empty());
  EXPECT_EQ(g_percentages.back(), 100);
  for (size_t i = 1; i < g_percentages.size(); ++i) EXPECT_GE(g_percentages[i], g_percentages[i - 1]);
  // One line per file after the first (which opens the installed-files log), none for skip.txt.
  ASSERT_FALSE(g_lines.empty());
  for (const std::string& line : g_lines) {
    EXPECT_TRUE(line == "解压 a.txt" || line == "解压 b.txt");
  }

  // A refused start answers -1.
  ctx_.wizard.folder_box = "no folder";
  EXPECT_EQ(HandlePageRequest(ctx_, kPageInstall, Text(std::string("pw$，0$，0"))), -1);
}

TEST_F(DllRequestsTest, EntryRoutineReadsAndChangesTheState) {
  EXPECT_EQ(HandleMessageEntry(ctx_, kEntryPageImage, 5, 0), 14);
  EXPECT_EQ(HandleMessageEntry(ctx_, kEntryPageImage, 6, 0), 0);
  EXPECT_EQ(HandleMessageEntry(ctx_, kEntryButton, 102, 0), 102);
  EXPECT_EQ(HandleMessageEntry(ctx_, kEntryButton, 104, 0), 0);
  HandleMessageEntry(ctx_, kEntryTopmost, 1, 0);
  EXPECT_TRUE(window_.topmost);
  HandleMessageEntry(ctx_, kEntryShowWindow, 2, 0);
  EXPECT_FALSE(ctx_.startup.show_window);
  HandleMessageEntry(ctx_, kEntryShowWindow, 1, 0);
  EXPECT_TRUE(ctx_.startup.show_window);
  EXPECT_EQ(HandleMessageEntry(ctx_, kEntryFinishOptions, 0, 0), 7003);

  ctx_.wizard.install_folder = "C:\\演示";
  const intptr_t folder = HandleMessageEntry(ctx_, kEntryInstallFolder, 0, 0);
  ctx_.wizard.install_folder = "C:\\changed later";
  EXPECT_EQ(At(folder), "C:\\演示");  // the answer is a kept copy

  ctx_.startup.show_space = true;
  ctx_.startup.required_size = 3 * 1024 * 1024;
  EXPECT_EQ(HandleMessageEntry(ctx_, kEntrySpace, 1, 0), 1);
  EXPECT_EQ(At(HandleMessageEntry(ctx_, kEntrySpace, 2, 0)), FormatSize(3 * 1024 * 1024));

  const std::string group = "我的程序组";
  HandleMessageEntry(ctx_, kEntryStartMenuName, Text(group), 0);
  EXPECT_EQ(ctx_.system.alternative_start_menu_name, group);

  ctx_.script.text = "[Install]\r\nold";
  EXPECT_EQ(At(HandleMessageEntry(ctx_, kEntryReadScript, 0, 0)), "[Install]\r\nold");
  const std::string script = "[Install]\r\nnew";
  HandleMessageEntry(ctx_, kEntryReplaceScript, Text(script), 0);
  EXPECT_EQ(ctx_.script.text, script);

  const std::string a = "a.dat", b = "b.dat", archive = "D:\\other.7z";
  HandleMessageEntry(ctx_, kEntryInclude, Text(a), 0);
  HandleMessageEntry(ctx_, kEntryInclude, Text(b), 0);
  EXPECT_EQ(ctx_.extract.inclusion_list, "a.dat,b.dat");
  HandleMessageEntry(ctx_, kEntryArchivePath, Text(archive), 0);
  EXPECT_EQ(ctx_.extract.archive_path_override, archive);

  ctx_.support_dlls.fill_tree_routine = 4242;
  EXPECT_EQ(HandleMessageEntry(ctx_, kEntryFillTree, 0, 0), 4242);
  HandleMessageEntry(ctx_, kEntryTreeCallbacks, 1, static_cast<intptr_t>(on_describe_));
  HandleMessageEntry(ctx_, kEntryTreeCallbacks, 2, static_cast<intptr_t>(on_check_));
  ctx_.wizard.description_callback(3);
  EXPECT_EQ(g_described[0], 3);
  EXPECT_EQ(g_described[1], 77);  // the description box
  EXPECT_EQ(ctx_.wizard.tree_check_callback(2, 1), 1);
  EXPECT_EQ(ctx_.wizard.tree_check_callback(1, 1), 0);
  EXPECT_EQ(HandleMessageEntry(ctx_, 4711, 1, 2), 0);
}

TEST_F(DllRequestsTest, EntryRoutineExtractsEntriesUnlessInTestMode) {
  MakePayload({{"x.txt", "X"}, {"y.txt", "Y"}}, "pw");
  const std::string request = "y.txt$-C:\\Req$-pw";
  ctx_.startup.arguments = {"test"};
  HandleMessageEntry(ctx_, kEntryExtractTo, Text(request), 0);
  EXPECT_FALSE(Exists("C:\\Req\\y.txt"));
  ctx_.startup.arguments.clear();
  HandleMessageEntry(ctx_, kEntryExtractTo, Text(request), 0);
  EXPECT_EQ(Read("C:\\Req\\y.txt"), "Y");
  EXPECT_FALSE(Exists("C:\\Req\\x.txt"));
}

TEST_F(DllRequestsTest, CustomPageHeaderFromTheSpareControls) {
  const std::string texts = "附加页$，附加页的说明";
  EXPECT_EQ(HandlePageRequest(ctx_, kPageCustomHeader, Text(texts)), 901);
  ASSERT_EQ(window_.clones.size(), 6u);
  // The background frame stands on the page set; the header on it, the image and the company
  // line keeping what the spares show.
  EXPECT_EQ(window_.clones[0], "备用_外形框1 on 0@0,0 999x999 ");
  EXPECT_EQ(window_.clones[1], "备用_外形框1 on 901@0,0 501x53 ");
  EXPECT_EQ(window_.clones[2], "备用_主标题 on 901@15,5 90x23 附加页");
  EXPECT_EQ(window_.clones[3], "备用_备注标题 on 901@16,23 347x24 附加页的说明");
  EXPECT_EQ(window_.clones[4], "备用_图片框 on 901@446,2 52x49 (own text)");
  EXPECT_EQ(window_.clones[5], "备用_编辑框版权 on 901@10,274 250x14 (own text)");
  EXPECT_TRUE(window_.hidden.empty());
  // "NO" twice: only the background frame stays visible.
  const std::string no = "NO$，NO";
  EXPECT_EQ(HandlePageRequest(ctx_, kPageCustomHeader, Text(no)), 907);
  EXPECT_EQ(window_.hidden, (std::vector<intptr_t>{908, 909, 910, 911, 912}));
}

TEST_F(DllRequestsTest, PageRequests) {
  EXPECT_EQ(HandlePageRequest(ctx_, kPageTable, 0), 7001);
  EXPECT_EQ(HandlePageRequest(ctx_, kPageShownFlags, 0), 7002);
  HandlePageRequest(ctx_, kPageInsert, 2);
  EXPECT_EQ(window_.inserted, std::vector<std::string>{"2云舟晚渡"});
  EXPECT_EQ(HandlePageRequest(ctx_, kPageCountOfPages, 0), 7);
  HandlePageRequest(ctx_, kPageSelect, 6);
  EXPECT_EQ(HandlePageRequest(ctx_, kPageCurrent, 0), 6);
  EXPECT_EQ(ctx_.wizard.pages.current, 6);
  HandlePageRequest(ctx_, kPageSelect, 7);  // no such page
  HandlePageRequest(ctx_, kPageSelect, -1);
  EXPECT_EQ(window_.current, 6);
  EXPECT_EQ(ctx_.wizard.pages.current, 6);

  ctx_.startup.work_folder = "C:\\Temp\\5.tmp\\";
  const std::string frames = At(HandlePageRequest(ctx_, kPageFrames, 0));
  EXPECT_EQ(frames.substr(0, frames.find("\r\n")), "外形框I_1=501,601,602");
  EXPECT_NE(frames.find("外形框I_6=0\r\n工作目录=C:\\Temp\\5.tmp\\"), std::string::npos);

  HandlePageRequest(ctx_, kPageChangeCallback, static_cast<intptr_t>(on_page_));
  TellDllsPageChanged(ctx_, 4);
  EXPECT_EQ(g_pages, std::vector<intptr_t>{4});

  const std::string folder = "D:\\Games\\演示";
  HandlePageRequest(ctx_, kPageSetFolder, Text(folder));
  EXPECT_EQ(ctx_.wizard.install_folder, folder);
  EXPECT_EQ(window_.folder_box, folder);
  intptr_t folder_address = 0;
  HandlePageRequest(ctx_, kPageFolderAddress, reinterpret_cast<intptr_t>(&folder_address));
  EXPECT_EQ(At(folder_address), folder);

  ctx_.extract.exclusion_list = "x";
  ctx_.extract.inclusion_list = "y,z";
  intptr_t x = 0, y = 0;
  const std::string addresses = std::to_string(reinterpret_cast<intptr_t>(&x)) + "$，" +
                                std::to_string(reinterpret_cast<intptr_t>(&y));
  HandlePageRequest(ctx_, kPageListAddresses, Text(addresses));
  EXPECT_EQ(At(x), "x");
  EXPECT_EQ(At(y), "y,z");

  ctx_.settings.data.Set("禾木软件安装配置", "浏览目录自动添加", "演示");
  const std::string choices = "1$，0$，1";
  ctx_.system.shortcut_choice_list = choices;
  // The request has no argument: whatever a DLL passes along changes nothing.
  const std::string stray = "not a choice list";
  const auto* table = reinterpret_cast<const intptr_t*>(
      HandlePageRequest(ctx_, kPageShortcutTexts, Text(stray)));
  EXPECT_EQ(ctx_.system.shortcut_choice_list, choices);
  EXPECT_EQ(At(table[0]), choices);
  EXPECT_EQ(At(table[1]), folder);
  EXPECT_EQ(At(table[2]), "演示");
}

TEST_F(DllRequestsTest, TheFillRoutineRebuildsTheVisibleTreeFromTheReplacedScript) {
  const std::string script = test::ScriptBlock("Treelists", "\r\n新组件$,-1$,0$,$,\r\n子组件$,0$,1$,$,");
  HandleMessageEntry(ctx_, kEntryReplaceScript, Text(script), 0);
  EXPECT_TRUE(RefillComponentsTree(ctx_));
  ASSERT_EQ(ctx_.wizard.tree.Count(), 2);
  EXPECT_EQ(ctx_.wizard.tree.Item(0).text, "新组件");
  EXPECT_TRUE(ctx_.wizard.tree.Item(1).ticked);
  EXPECT_EQ(window_.trees_shown, 1);
  // A script without components leaves the tree, and the view, as they are.
  HandleMessageEntry(ctx_, kEntryReplaceScript, Text(std::string("no blocks")), 0);
  EXPECT_FALSE(RefillComponentsTree(ctx_));
  EXPECT_EQ(ctx_.wizard.tree.Count(), 2);
  EXPECT_EQ(window_.trees_shown, 1);
}

TEST_F(DllRequestsTest, WithoutAWindowTheWindowRequestsAnswerZero) {
  ctx_.support_dlls.window = nullptr;
  EXPECT_EQ(HandleMessageEntry(ctx_, kEntryButton, 101, 0), 0);
  EXPECT_EQ(HandlePageRequest(ctx_, kPageCustomHeader, Text(std::string("a$，b"))), 0);
  EXPECT_EQ(HandlePageRequest(ctx_, kPageCountOfPages, 0), 0);
  HandlePageRequest(ctx_, kPageInsert, 1);
}

}  // namespace
}  // namespace qmb
