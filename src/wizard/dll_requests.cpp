// Requests of support DLLs.
#include "wizard/dll_requests.h"

#include <string>
#include <vector>

#include "base/format_size.h"
#include "base/text.h"
#include "context/context.h"
#include "extract/extract_archive.h"
#include "startup/dll_notifications.h"
#include "startup/settings_loader.h"
#include "startup/support_dlls.h"
#include "wizard/components_model.h"
#include "wizard/dll_request_window.h"
#include "wizard/install_start.h"

namespace qmb {

namespace {

constexpr char kPartSeparator[] = "$，";
constexpr char kExtractSeparator[] = "$-";
constexpr char kInsertedPageCaption[] = "云舟晚渡";

// The header images of the six pages, welcome to finish.
constexpr const char* kPageImages[] = {"图片框1", "图片框6", "图片框2",
                                       "图片框3", "图片框5", "图片框4"};
constexpr const char* kButtons[] = {"上一步_按钮", "下一步_按钮", "取消按钮_主窗口"};

std::string& AppendToList(std::string& list, const std::string& text) {
  list = list.empty() ? text : list + "," + text;
  return list;
}

intptr_t Control(Context& ctx, const std::string& name) {
  DllRequestWindow* window = ctx.support_dlls.window;
  return window ? window->ControlWindow(name) : 0;
}

// The DLL's routines are called through the guarded call, as its exports are.
void SetTreeCallback(Context& ctx, intptr_t which, intptr_t address) {
  WizardState& wizard = ctx.wizard;
  const auto routine = static_cast<uintptr_t>(address);
  if (which == 1) {
    wizard.description_callback =
        routine == 0 ? std::function<void(int)>() : [&ctx, routine](int item) {
          CallDllRoutine(ctx, routine, {item, Control(ctx, "提示")});
        };
  } else if (which == 2) {
    wizard.tree_check_callback =
        routine == 0 ? std::function<std::optional<int>(int, int)>()
                     : [&ctx, routine](int item, int state) -> std::optional<int> {
                         return CallDllRoutine(ctx, routine, {item, state});
                       };
  }
}

// The progress callbacks a DLL hands over with request 1009: a receives each overall percentage,
// b the address of each progress line.
void AddProgressCallbacks(Context& ctx, const std::string& a, const std::string& b) {
  for (const std::string& text : {a, b}) {
    const auto routine = static_cast<uintptr_t>(ToInt64(text));
    if (routine == 0) {
      ctx.progress.callbacks.push_back(nullptr);
    } else {
      ctx.progress.callbacks.push_back(
          [&ctx, routine](intptr_t value) { CallDllRoutine(ctx, routine, {value}); });
    }
  }
}

intptr_t CustomPageHeader(Context& ctx, const std::string& argument) {
  DllRequestWindow* window = ctx.support_dlls.window;
  if (window == nullptr) return 0;
  const std::vector<std::string> parts = Split(argument, kPartSeparator);
  const std::string title = parts.empty() ? std::string() : parts[0];
  const std::string subtitle = parts.size() > 1 ? parts[1] : std::string();
  // The header stands on the background frame, so that the DLL shows and hides its whole page
  // through the one window it is given.
  const intptr_t background = window->CloneSpareControl("备用_外形框1", 0, {0, 0, 999, 999}, "");
  const std::vector<intptr_t> header{
      window->CloneSpareControl("备用_外形框1", background, {0, 0, 501, 53}, ""),
      window->CloneSpareControl("备用_主标题", background, {15, 5, 90, 23}, title),
      window->CloneSpareControl("备用_备注标题", background, {16, 23, 347, 24}, subtitle),
      window->CloneSpareControl("备用_图片框", background, {446, 2, 52, 49}, std::nullopt),
      window->CloneSpareControl("备用_编辑框版权", background, {10, 274, 250, 14}, std::nullopt)};
  if (title == "NO" && subtitle == "NO")
    for (intptr_t control : header) window->SetVisible(control, false);
  ctx.log.Step("support DLL: custom page header \"" + title + "\"");
  return background;
}

// Request 1005: "外形框I_k=handle,child,child..." per page frame, then "工作目录=" the work folder.
std::string PageFrames(Context& ctx) {
  DllRequestWindow* window = ctx.support_dlls.window;
  std::string record;
  for (int k = 1; k <= 6; ++k) {
    const std::string name = "外形框I_" + std::to_string(k);
    const intptr_t frame = window ? window->ControlWindow(name) : 0;
    record += name + "=" + std::to_string(frame);
    if (window && frame)
      for (intptr_t child : window->ChildWindows(frame)) record.append(",").append(std::to_string(child));
    record += "\r\n";
  }
  return record + "工作目录=" + ctx.startup.work_folder;
}

void StoreAddress(intptr_t variable, intptr_t value) {
  if (variable != 0) *reinterpret_cast<intptr_t*>(variable) = value;
}

}  // namespace

intptr_t HandleMessageEntry(Context& ctx, int code, intptr_t first, intptr_t second) {
  DllRequestWindow* window = ctx.support_dlls.window;
  switch (code) {
    case kEntryPageImage:
      return first >= 0 && first < 6 ? Control(ctx, kPageImages[first]) : 0;
    case kEntryButton:
      return first >= 101 && first <= 103 ? Control(ctx, kButtons[first - 101]) : 0;
    case kEntryTopmost:
      if (window) window->SetTopmost(first == 1);
      return 0;
    case kEntryShowWindow:
      ctx.startup.show_window = first == 1;
      ctx.log.Step(std::string("message entry: show window ") +
                   (ctx.startup.show_window ? "on" : "off"));
      return 0;
    case kEntryFinishOptions:
      return window ? window->FinishOptionList() : 0;
    case kEntryInstallFolder:
      return KeepAnswer(ctx, ctx.wizard.install_folder);
    case kEntrySpace:
      if (first == 1) return ctx.startup.show_space ? 1 : 0;
      if (first == 2) return KeepAnswer(ctx, FormatSize(ctx.startup.required_size));
      return 0;
    case kEntryStartMenuName:
      ctx.system.alternative_start_menu_name = DllText(first);
      ctx.log.Step("message entry: start-menu group \"" + DllText(first) + "\"");
      return 0;
    case kEntryFillTree:
      return static_cast<intptr_t>(ctx.support_dlls.fill_tree_routine);
    case kEntryReadScript:
      return KeepAnswer(ctx, ctx.script.text);
    case kEntryReplaceScript:
      ctx.script.text = DllText(first);
      ctx.log.Step("message entry: install script replaced (" +
                   std::to_string(ctx.script.text.size()) + " bytes)");
      return 0;
    case kEntryExtractTo: {
      const std::vector<std::string> parts = Split(DllText(first), kExtractSeparator);
      auto part = [&](size_t i) { return i < parts.size() ? parts[i] : std::string(); };
      ExtractEntriesTo(ctx, part(0), part(1), part(2));
      return 0;
    }
    case kEntryExclude:
      ctx.log.Step("message entry: exclusion list \"" +
                   AppendToList(ctx.extract.exclusion_list, DllText(first)) + "\"");
      return 0;
    case kEntryInclude:
      ctx.log.Step("message entry: inclusion list \"" +
                   AppendToList(ctx.extract.inclusion_list, DllText(first)) + "\"");
      return 0;
    case kEntryArchivePath:
      ctx.extract.archive_path_override = DllText(first);
      ctx.log.Step("message entry: archive " + ctx.extract.archive_path_override);
      return 0;
    case kEntryTreeCallbacks:
      SetTreeCallback(ctx, first, second);
      return 0;
    default:
      ctx.log.Step("message entry: unanswered request " + std::to_string(code));
      return 0;
  }
}

intptr_t HandlePageRequest(Context& ctx, int code, intptr_t argument) {
  DllRequestWindow* window = ctx.support_dlls.window;
  SupportDllState& dlls = ctx.support_dlls;
  switch (code) {
    case kPageCustomHeader:
      return CustomPageHeader(ctx, DllText(argument));
    case kPageTable:
      return window ? window->PageTableAddress() : 0;
    case kPageShownFlags:
      return window ? window->PageShownAddress() : 0;
    case kPageCountOfPages:
      return window ? window->PageCount() : 0;
    case kPageInsert:
      if (window) {
        dlls.suppress_page_notices = true;
        window->InsertPage(static_cast<int>(argument), kInsertedPageCaption);
        dlls.suppress_page_notices = false;
      }
      return 0;
    case kPageFrames:
      return KeepAnswer(ctx, PageFrames(ctx));
    case kPageChangeCallback:
      dlls.page_change_callback = static_cast<uintptr_t>(argument);
      return 0;
    case kPageCurrent:
      return ctx.wizard.pages.current;
    case kPageSelect:
      // Next and Back then lead on from the page the DLL chose.
      if (window && argument >= 0 && argument < window->PageCount()) {
        ctx.wizard.pages.current = static_cast<int>(argument);
        window->SelectPage(static_cast<int>(argument));
      }
      return 0;
    case kPageInstall: {
      const std::vector<std::string> parts = Split(DllText(argument), kPartSeparator);
      auto part = [&](size_t i) { return i < parts.size() ? parts[i] : std::string(); };
      AddProgressCallbacks(ctx, part(1), part(2));
      if (parts.size() > 3) dlls.silent_page_switch = IsTrue(parts[3]);
      ctx.log.Step("support DLL: installation requested");
      return StartInstall(ctx, part(0), true) ? 0 : -1;
    }
    case kPageSetFolder:
      ctx.wizard.install_folder = DllText(argument);
      ctx.wizard.folder_box = ctx.wizard.install_folder;
      if (window) window->SetFolderBox(ctx.wizard.folder_box);
      ctx.log.Step("support DLL: install folder " + ctx.wizard.install_folder);
      return 0;
    case kPageFolderAddress:
      StoreAddress(argument, KeepAnswer(ctx, ctx.wizard.install_folder));
      return 0;
    case kPageListAddresses: {
      const std::vector<std::string> parts = Split(DllText(argument), kPartSeparator);
      if (parts.size() < 2) return 0;
      StoreAddress(static_cast<intptr_t>(ToInt64(parts[0])), KeepAnswer(ctx, ctx.extract.exclusion_list));
      StoreAddress(static_cast<intptr_t>(ToInt64(parts[1])), KeepAnswer(ctx, ctx.extract.inclusion_list));
      return 0;
    }
    case kPageShortcutTexts: {
      std::vector<intptr_t>& table = dlls.kept_tables.emplace_back();
      table = {KeepAnswer(ctx, ctx.system.shortcut_choice_list),
               KeepAnswer(ctx, ctx.wizard.install_folder),
               KeepAnswer(ctx, ReadSetting(ctx, "浏览目录自动添加"))};
      return reinterpret_cast<intptr_t>(table.data());
    }
    default:
      ctx.log.Step("page request: unanswered request " + std::to_string(code));
      return 0;
  }
}

void TellDllsPageChanged(Context& ctx, int page) {
  SupportDllState& dlls = ctx.support_dlls;
  if (!dlls.suppress_page_notices) NotifyPageChanged(ctx, page);
  if (dlls.page_change_callback != 0) CallDllRoutine(ctx, dlls.page_change_callback, {page});
}

bool RefillComponentsTree(Context& ctx) {
  const bool listed = FillComponentsTree(ctx);
  // The user ticks what the tree view shows, and the installation runs what the data holds.
  if (listed && ctx.support_dlls.window) ctx.support_dlls.window->ShowTree();
  return listed;
}

}  // namespace qmb
