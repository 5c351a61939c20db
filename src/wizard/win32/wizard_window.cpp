// The wizard window's controls and events.
#include "wizard/win32/wizard_window.h"

#include <algorithm>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <commctrl.h>
#include <shlobj.h>
#include <shobjidl.h>

#include "base/text.h"
#include "context/context.h"
#include "extract/install_view.h"
#include "extract/wizard_install_view.h"
#include "platform/win32/com.h"
#include "platform/win32/dialog_keys.h"
#include "platform/win32/dpi.h"
#include "platform/win32/wide.h"
#include "platform/win32/window_class.h"
#include "startup/dll_notifications.h"
#include "startup/settings_loader.h"
#include "wizard/built_in_texts.h"
#include "wizard/components_model.h"
#include "wizard/dll_request_window.h"
#include "wizard/finish_options.h"
#include "wizard/win32/wizard_controls.h"
#include "wizard/win32/wizard_skin.h"
#include "wizard/wizard_flow.h"
#include "wizard/wizard_view.h"

namespace qmb {

namespace {

constexpr wchar_t kPageClass[] = L"QmbWizardPage";
constexpr int kPageWidth = 497;
constexpr int kPageHeight = 290;
constexpr UINT_PTR kDirectTimer = 1;    // 时钟1
constexpr UINT_PTR kTaskbarTimer = 2;
constexpr UINT kDirectInterval = 1;
constexpr UINT kTaskbarInterval = 80;
constexpr UINT kTreeTickMessage = WM_APP + 1;  // the tree's own toggle has happened by then
constexpr int kFirstOptionId = 3000;
constexpr char kStatusLine[] = "解压_标签";  // the installing page's status line
constexpr char kPageSetText[] = "备用_选择夹窗口";
constexpr char kBrowseTitle[] = "请选择安装目录";
const char* const kPageCaptions[kPageCount] = {"欢迎使用", "自述界面", "选择组件",
                                               "浏览文件夹", "解压界面", "完成安装"};
const char* const kPageFrames[kPageCount] = {"外形框I_1", "外形框I_2", "外形框I_3",
                                             "外形框I_4", "外形框I_5", "外形框I_6"};

// Page containers hand their children's notifications and colour questions to the wizard window,
// and fill themselves with the package's page colour when it gave one.
LRESULT CALLBACK PageProc(HWND page, UINT message, WPARAM w, LPARAM l) {
  switch (message) {
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORLISTBOX:
    case WM_NEXTDLGCTL:  // a multi-line box passes Tab and Enter on to its parent
    case DM_GETDEFID:
      return SendMessageW(GetAncestor(page, GA_ROOT), message, w, l);
    case WM_CLOSE:
      // Esc in a multi-line box closes its parent: for a page that is the wizard's Cancel, and a
      // page must never be destroyed on its own.
      return SendMessageW(GetAncestor(page, GA_ROOT), WM_COMMAND, IDCANCEL, 0);
    case WM_ERASEBKGND:
      if (HBRUSH fill = PageFill(page)) {
        RECT client;
        GetClientRect(page, &client);
        FillRect(reinterpret_cast<HDC>(w), &client, fill);
        return 1;
      }
      return DefWindowProcW(page, message, w, l);
    default:
      return DefWindowProcW(page, message, w, l);
  }
}

void SetText(HWND control, const std::string& gbk) { SetWindowTextW(control, Wide(gbk).c_str()); }

// A stdcall function, not a lambda: the 32-bit build cannot convert a lambda to WNDENUMPROC.
BOOL CALLBACK AddChildWindow(HWND child, LPARAM list) {
  reinterpret_cast<std::vector<intptr_t>*>(list)->push_back(reinterpret_cast<intptr_t>(child));
  return TRUE;
}

std::string TextOf(HWND control) {
  std::wstring text(static_cast<size_t>(GetWindowTextLengthW(control)) + 1, L'\0');
  text.resize(static_cast<size_t>(GetWindowTextW(control, text.data(), static_cast<int>(text.size()))));
  return Narrow(text);
}

}  // namespace

class WizardWindow : public WizardView,
                     public WizardInstallView,
                     public InstallView,
                     public DllRequestWindow {
 public:
  WizardWindow(HWND window, Context& ctx) : window_(window), ctx_(ctx), skin_(ctx) {}
  WizardWindow(const WizardWindow&) = delete;
  WizardWindow& operator=(const WizardWindow&) = delete;
  ~WizardWindow() {
    // No request may reach the window once it is going.
    if (ctx_.support_dlls.window == this) ctx_.support_dlls.window = nullptr;
    KillTimer(window_, kTaskbarTimer);
    if (taskbar_ != nullptr) taskbar_->Release();
    for (HFONT font : {font_, bold_font_})
      if (font != nullptr) DeleteObject(font);
    for (HFONT font : dpi_fonts_) DeleteObject(font);
    if (ctx_.wizard.install_view == this) ctx_.wizard.install_view = nullptr;
    if (ctx_.progress.view == this) ctx_.progress.view = nullptr;
  }

  void Open() {
    dpi_ = WindowDpi(window_);
    const MessageFonts fonts = CreateMessageFonts();
    font_ = fonts.normal;
    bold_font_ = fonts.bold;
    RegisterWindowClass(kPageClass, PageProc);  // false when already registered: that is fine
    MakePageSet();
    MakeControls();
    ApplyModel();
    MakeTree();
    MakeFinishBoxes();
    skin_.Apply(window_, [this](const char* name) { return Named(name); });
    ctx_.wizard.install_view = this;
    ctx_.progress.view = this;
    ctx_.support_dlls.window = this;
    EnableDialogKeys(window_);
  }

  void ShowFirst() { ShowFirstPage(ctx_, *this); }

  void ArmDirectInstall() { SetTimer(window_, kDirectTimer, kDirectInterval, nullptr); }

  bool Handle(UINT message, WPARAM w, LPARAM l, LRESULT* result) {
    switch (message) {
      case WM_COMMAND:
        *result = 0;
        // Enter without a default button, and Esc: the dialog keys' commands, from no control.
        if (l == 0 && (LOWORD(w) == IDOK || LOWORD(w) == IDCANCEL)) {
          if (LOWORD(w) == IDCANCEL) PressCancel();
          return true;
        }
        return OnCommand(LOWORD(w), HIWORD(w));
      case WM_NEXTDLGCTL:
        *result = 0;
        MoveFocus(LOWORD(l) ? reinterpret_cast<HWND>(w)
                            : GetNextDlgTabItem(window_, GetFocus(), w != 0));
        return true;
      case DM_GETDEFID:
        *result = DefaultButtonId();
        return true;
      case WM_DPICHANGED:
        // Moved to a screen of another DPI: the whole layout and its fonts follow.
        RescaleWindowTree(window_, dpi_, LOWORD(w), *reinterpret_cast<const RECT*>(l), &dpi_fonts_);
        dpi_ = LOWORD(w);
        *result = 0;
        return true;
      case kDialogKeyTaken:
        *result = 0;
        MarkDefaultButton();
        return true;
      case WM_ACTIVATE:
        // The focus goes back where it was when the wizard is active again (after a message box).
        if (LOWORD(w) == WA_INACTIVE) {
          HWND focus = GetFocus();
          if (focus != nullptr && IsChild(window_, focus)) focus_ = focus;
        }
        return false;
      case WM_SETFOCUS:
        *result = 0;
        MoveFocus(focus_ != nullptr && IsUsable(focus_) ? focus_ : FirstFocus());
        return true;
      case WM_NOTIFY:
        *result = 0;
        return OnNotify(*reinterpret_cast<NMHDR*>(l));
      case kTreeTickMessage:
        OnTreeTick(static_cast<int>(w));
        *result = 0;
        return true;
      case WM_TIMER:
        *result = 0;
        return OnTimer(w);
      case WM_CTLCOLORSTATIC:
      case WM_CTLCOLOREDIT:
      case WM_CTLCOLORBTN:
      case WM_CTLCOLORLISTBOX: {
        HBRUSH brush = nullptr;
        if (!skin_.ControlColour(reinterpret_cast<HWND>(l), reinterpret_cast<HDC>(w), &brush)) return false;
        *result = reinterpret_cast<LRESULT>(brush);
        return true;
      }
      case WM_CLOSE:
        *result = 0;
        Exit();
        return true;
      case WM_SIZE:
        if (w == SIZE_MINIMIZED || w == SIZE_MAXIMIZED || w == SIZE_RESTORED)
          NotifyWindowEvent(ctx_, static_cast<int>(w));
        return false;
      default:
        return false;
    }
  }

  // WizardView
  void SetBackButton(const ButtonLook& look) override { ApplyButton(Named("上一步_按钮"), look); }
  void SetNextButton(const ButtonLook& look, bool default_button) override {
    HWND next = Named("下一步_按钮");
    ApplyButton(next, look);
    next_default_ = default_button;
    SendMessageW(next, BM_SETSTYLE, default_button ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
  }
  void SetCancelButton(const ButtonLook& look) override {
    ApplyButton(Named("取消按钮_主窗口"), look);
  }
  bool IsAgreementTicked() override {
    return SendMessageW(Named("选择框_条款"), BM_GETCHECK, 0, 0) == BST_CHECKED;
  }
  void SelectPage(int page) override {
    ShowPageSetPage(page);
    // A control on the page that went away cannot keep the keyboard.
    HWND focus = GetFocus();
    if (GetActiveWindow() == window_ && (focus == nullptr || !IsUsable(focus))) MoveFocus(FirstFocus());
    OnPageChanged(ctx_, *this, page);
  }
  void SetWelcomeFrameVisible(bool visible) override {
    ShowWindow(Named("外形框1"), visible ? SW_SHOW : SW_HIDE);
  }
  void TakeFinishTicks() override {
    std::vector<FinishOption>& options = ctx_.wizard.finish_options;
    for (size_t i = 0; i < option_boxes_.size() && i < options.size(); ++i)
      options[i].checked = SendMessageW(option_boxes_[i], BM_GETCHECK, 0, 0) == BST_CHECKED;
  }
  void ShowInstallFailure(const std::string& title, const std::string& text) override {
    SetText(Named("编辑框_完成0"), title);
    SetText(Named("编辑框_完成1"), text);
    for (HWND box : option_boxes_) ShowWindow(box, SW_HIDE);
  }

  // WizardInstallView
  void HideDetailsList(bool show_details_button) override {
    ShowWindow(Named("超级列表框"), SW_HIDE);
    if (show_details_button) ShowWindow(Named("按钮_显示细节"), SW_SHOW);
  }
  void PrepareInstallPage(bool bring_forward) override {
    if (skin_.ShowInstallImage([this](const char* name) { return Named(name); }))
      ShowWindow(Named("超级列表框"), SW_HIDE);
    if (bring_forward) EnterInstallingPage(ctx_, *this);
  }
  void TakeTreeTicks() override {
    ComponentsTree& model = ctx_.wizard.tree;
    for (int i = 0; i < model.Count() && i < static_cast<int>(items_.size()); ++i)
      model.Item(i).ticked = TreeViewTick(i);
  }
  void StartTaskbarProgress() override {
    if (taskbar_ == nullptr) {
      ITaskbarList3* list = nullptr;
      if (FAILED(CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_ITaskbarList3, reinterpret_cast<void**>(&list))) ||
          FAILED(list->HrInit())) {
        if (list != nullptr) list->Release();
        ctx_.log.Failure("wizard: no taskbar list; no taskbar progress");
        return;
      }
      taskbar_ = list;
    }
    SetTimer(window_, kTaskbarTimer, kTaskbarInterval, nullptr);
  }
  void StopTaskbarProgress() override {
    KillTimer(window_, kTaskbarTimer);
    if (taskbar_ == nullptr) return;
    taskbar_->SetProgressValue(window_, 100, 100);
    taskbar_->SetProgressState(window_, TBPF_NOPROGRESS);
  }
  void ShowFinishState() override {
    const WizardPages& pages = ctx_.wizard.pages;
    SetNextButton({pages.captions[kCaptionFinish], true, true}, true);
    ShowWindow(Named("上一步_按钮"), SW_HIDE);
    ShowWindow(Named("取消按钮_主窗口"), SW_HIDE);
  }

  // InstallView
  void SetStatusLine(const std::string& line) override { SetText(Named(kStatusLine), line); }
  void AddDetailLine(const std::string& line) override {
    HWND list = Named("超级列表框");
    const LRESULT at = SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(line).c_str()));
    if (at >= 0) SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(at), 0);
  }
  int32_t SetProgress(int32_t percent) override {
    HWND bar = Named("进度条1");
    SendMessageW(bar, PBM_SETPOS, static_cast<WPARAM>(percent), 0);
    return static_cast<int32_t>(SendMessageW(bar, PBM_GETPOS, 0, 0));
  }

  // DllRequestWindow (SelectPage is the one above: a DLL's choice runs the same event)
  intptr_t ControlWindow(const std::string& name) override {
    return reinterpret_cast<intptr_t>(Named(name.c_str()));
  }
  std::vector<intptr_t> ChildWindows(intptr_t window) override {
    std::vector<intptr_t> children;
    EnumChildWindows(reinterpret_cast<HWND>(window), AddChildWindow,
                     reinterpret_cast<LPARAM>(&children));
    return children;
  }
  void SetTopmost(bool on) override {
    if (!SetWindowPos(window_, on ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                      SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE))
      ctx_.log.Failure("wizard: cannot switch topmost " + std::string(on ? "on" : "off"));
    ctx_.log.Step("wizard: topmost " + std::string(on ? "on" : "off"));
  }
  intptr_t PageTableAddress() override {
    return reinterpret_cast<intptr_t>(ctx_.wizard.pages.records.data());
  }
  intptr_t PageShownAddress() override {
    return reinterpret_cast<intptr_t>(ctx_.wizard.pages.shown.data());
  }
  intptr_t FinishOptionList() override {
    return option_boxes_.empty() ? 0 : reinterpret_cast<intptr_t>(option_boxes_.data());
  }
  int PageCount() override { return static_cast<int>(pages_.size()); }
  void InsertPage(int position, const std::string& caption) override {
    // The wizard's walk knows its pages by number: a page before them would renumber them.
    const int at = std::clamp(position, kPageCount, PageCount());
    if (at != position)
      ctx_.log.Step("wizard: page for position " + std::to_string(position) + " inserted at " +
                    std::to_string(at));
    AddPage(at, caption, caption);
  }
  intptr_t CloneSpareControl(const std::string& spare_name, intptr_t parent, ControlRect rect,
                             const std::optional<std::string>& text) override {
    HWND spare = Named(spare_name.c_str());
    if (spare == nullptr) return 0;
    wchar_t cls[64] = {};
    GetClassNameW(spare, cls, 64);
    const DWORD style = static_cast<DWORD>(GetWindowLongW(spare, GWL_STYLE)) | WS_VISIBLE |
                        WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
    const DWORD ex_style = static_cast<DWORD>(GetWindowLongW(spare, GWL_EXSTYLE));
    HWND on = parent != 0 ? reinterpret_cast<HWND>(parent) : page_set_;
    HWND clone = CreateWindowExW(ex_style, cls, text ? Wide(*text).c_str() : nullptr, style,
                                 S(rect.left), S(rect.top), S(rect.width), S(rect.height), on, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
    if (clone == nullptr) {
      ctx_.log.Failure("wizard: cannot copy " + spare_name);
      return 0;
    }
    if (!text) SetText(clone, TextOf(spare));
    SendMessageW(clone, WM_SETFONT, SendMessageW(spare, WM_GETFONT, 0, 0), FALSE);
    // The spare image box shows the package's header image through the skin, not as a bitmap of
    // its own; the copy gets it the same way.
    if (spare_name == "备用_图片框") skin_.ShowHeaderImage(clone);
    // Above the page containers, which cover the whole page set.
    SetWindowPos(clone, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    return reinterpret_cast<intptr_t>(clone);
  }
  void SetVisible(intptr_t window, bool visible) override {
    ShowWindow(reinterpret_cast<HWND>(window), visible ? SW_SHOW : SW_HIDE);
  }
  void ShowTree() override { MakeTree(); }
  void SetFolderBox(const std::string& text) override { SetText(Named("安装路径_编辑框"), text); }

 private:
  // A length of the 96-DPI layout on this window's screen.
  int S(int length) const { return ScaleToDpi(length, dpi_); }

  HWND Named(const char* name) const {
    auto found = controls_.find(name);
    return found == controls_.end() ? nullptr : found->second;
  }

  // The page set shows one page; nothing else changes.
  void ShowPageSetPage(int page) {
    SendMessageW(page_set_, TCM_SETCURSEL, static_cast<WPARAM>(page), 0);
    for (size_t i = 0; i < pages_.size(); ++i)
      ShowWindow(pages_[i], static_cast<int>(i) == page ? SW_SHOW : SW_HIDE);
    UpdateWindow(window_);
  }

  // The page set: a tab control with the six pages, each page a container that covers the whole
  // control, so the tab strip is never seen and never clicked.
  void MakePageSet() {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    // Control parents, so that Tab and the underlined letters reach the controls on the pages.
    page_set_ = CreateWindowExW(WS_EX_CONTROLPARENT, WC_TABCONTROLW, Wide(kPageSetText).c_str(),
                                WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, 0, 0,
                                S(kPageWidth), S(kPageHeight), window_, nullptr, instance, nullptr);
    controls_["选择夹1"] = page_set_;
    for (int i = 0; i < kPageCount; ++i)
      controls_[kPageFrames[i]] = AddPage(i, kPageCaptions[i], kPageFrames[i]);
  }

  // A tab of the page set at position at, and the hidden container that is its page.
  HWND AddPage(int at, const std::string& caption, const std::string& container_text) {
    std::wstring tab = Wide(caption);
    TCITEMW item = {};
    item.mask = TCIF_TEXT;
    item.pszText = tab.data();
    SendMessageW(page_set_, TCM_INSERTITEMW, static_cast<WPARAM>(at), reinterpret_cast<LPARAM>(&item));
    HWND page = CreateWindowExW(WS_EX_CONTROLPARENT, kPageClass, Wide(container_text).c_str(),
                                WS_CHILD | WS_CLIPSIBLINGS, 0, 0, S(kPageWidth), S(kPageHeight),
                                page_set_, nullptr, GetModuleHandleW(nullptr), nullptr);
    pages_.insert(pages_.begin() + at, page);
    return page;
  }

  void MakeControls() {
    size_t count = 0;
    const ControlEntry* entries = WizardControls(&count);
    for (size_t i = 0; i < count; ++i) {
      const ControlEntry& entry = entries[i];
      HWND parent = entry.page == kWindowControl ? window_ : pages_[entry.page];
      HWND control = Make(entry, parent, kFirstControlId + static_cast<int>(i));
      controls_[entry.name] = control;
      ids_[kFirstControlId + static_cast<int>(i)] = entry.name;
    }
  }

  HWND Make(const ControlEntry& entry, HWND parent, int id) {
    const wchar_t* cls = L"Static";
    DWORD style = WS_CHILD | (entry.hidden ? 0 : WS_VISIBLE);
    DWORD ex_style = 0;
    switch (entry.kind) {
      case ControlKind::kFrame: break;
      case ControlKind::kLabel:
      case ControlKind::kTitle: style |= SS_LEFT | SS_NOPREFIX; break;
      case ControlKind::kPicture: style |= SS_BITMAP; break;
      case ControlKind::kLine: style |= SS_ETCHEDHORZ; break;
      case ControlKind::kText:
        cls = L"Edit";
        style |= ES_MULTILINE | ES_READONLY | WS_VSCROLL | WS_TABSTOP;
        ex_style = WS_EX_CLIENTEDGE;
        break;
      case ControlKind::kEdit:
        cls = L"Edit";
        style |= ES_AUTOHSCROLL | WS_TABSTOP;
        ex_style = WS_EX_CLIENTEDGE;
        break;
      case ControlKind::kButton: cls = L"Button"; style |= BS_PUSHBUTTON | WS_TABSTOP; break;
      case ControlKind::kCheck: cls = L"Button"; style |= BS_AUTOCHECKBOX | WS_TABSTOP; break;
      case ControlKind::kGroup: cls = L"Button"; style |= BS_GROUPBOX; break;
      case ControlKind::kTree:
        cls = WC_TREEVIEWW;
        style |= TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT | TVS_SHOWSELALWAYS | WS_TABSTOP;
        ex_style = WS_EX_CLIENTEDGE;
        break;
      case ControlKind::kList:
        cls = L"ListBox";
        style |= WS_VSCROLL | LBS_NOINTEGRALHEIGHT | LBS_NOTIFY;
        ex_style = WS_EX_CLIENTEDGE;
        break;
      case ControlKind::kProgress: cls = PROGRESS_CLASSW; break;
    }
    // The installing page's status line names each file as it goes: it stays one line above the
    // progress bar, and a long path is shortened in its middle instead of wrapping under the bar.
    if (std::string_view(entry.name) == kStatusLine) style |= SS_PATHELLIPSIS;
    // The built-in texts name the product and its publisher before the package's texts come.
    const std::string text = FillPlaceholders(ctx_, CompanyLine(ctx_, entry.text));
    HWND control = CreateWindowExW(ex_style, cls, Wide(text).c_str(), style, S(entry.x), S(entry.y),
                                   S(entry.width), S(entry.height), parent,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                   GetModuleHandleW(nullptr), nullptr);
    if (control == nullptr) {
      ctx_.log.Failure(std::string("wizard: cannot make ") + entry.name);
      return nullptr;
    }
    HFONT font = entry.kind == ControlKind::kTitle ? bold_font_ : font_;
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return control;
  }

  // The model's texts that the window shows before the look of the package is applied.
  void ApplyModel() {
    const WizardState& wizard = ctx_.wizard;
    if (!wizard.window_caption.empty()) SetText(window_, wizard.window_caption);
    SetText(Named("备用_编辑框版权"), ReadSetting(ctx_, "公司名称"));
    const std::string product = ReadSetting(ctx_, "禾木软件名称");
    if (!product.empty()) SetText(Named("编辑框_安装1"), "“" + product + "”正在安装，请稍后…");
    SetText(Named("编辑框4"), LicenceText(ctx_));
    SetText(Named("安装路径_编辑框"), wizard.folder_box);
    ShowWindow(Named("选择框_条款"), wizard.pages.agreement_in_use ? SW_SHOW : SW_HIDE);
    SendMessageW(Named("进度条1"), PBM_SETRANGE32, 0, 100);
  }

  // The tree-view mirrors ctx.wizard.tree; its check boxes are switched on after creation, as the
  // control only makes their images then.
  // Also a rebuild: a DLL may fill the tree again (request 1010) while the window lives.
  void MakeTree() {
    HWND tree = Named("树型框1");
    SendMessageW(tree, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
    SetWindowLongW(tree, GWL_STYLE, GetWindowLongW(tree, GWL_STYLE) | TVS_CHECKBOXES);
    if (const auto& g = ctx_.wizard.tree_geometry)
      MoveWindow(tree, S(g->left), S(g->top), S(g->width), S(g->height), TRUE);
    const ComponentsTree& model = ctx_.wizard.tree;
    items_.clear();
    for (int i = 0; i < model.Count(); ++i) {
      const TreeItem& item = model.Item(i);
      std::wstring text = Wide(item.text);
      TVINSERTSTRUCTW insert = {};
      insert.hParent = item.parent >= 0 && item.parent < i ? items_[item.parent] : TVI_ROOT;
      insert.hInsertAfter = TVI_LAST;
      insert.item.mask = TVIF_TEXT | TVIF_PARAM;
      insert.item.pszText = text.data();
      insert.item.lParam = i;
      items_.push_back(reinterpret_cast<HTREEITEM>(
          SendMessageW(tree, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert))));
    }
    SyncTreeTicks();
    for (int i = 0; i < model.Count(); ++i)
      if (model.Item(i).expanded)
        SendMessageW(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(items_[i]));
  }

  void SyncTreeTicks() {
    HWND tree = Named("树型框1");
    const ComponentsTree& model = ctx_.wizard.tree;
    for (int i = 0; i < model.Count() && i < static_cast<int>(items_.size()); ++i) {
      TVITEMW item = {};
      item.mask = TVIF_STATE;
      item.hItem = items_[i];
      item.stateMask = TVIS_STATEIMAGEMASK;
      item.state = INDEXTOSTATEIMAGEMASK(model.Item(i).ticked ? 2 : 1);
      SendMessageW(tree, TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item));
    }
  }

  int TreeIndex(HTREEITEM handle) const {
    for (size_t i = 0; i < items_.size(); ++i)
      if (items_[i] == handle) return static_cast<int>(i);
    return -1;
  }

  bool TreeViewTick(int index) {
    const UINT state = static_cast<UINT>(SendMessageW(Named("树型框1"), TVM_GETITEMSTATE,
        reinterpret_cast<WPARAM>(items_[index]), TVIS_STATEIMAGEMASK)) >> 12;
    return state == 2;
  }

  // The view's ticks are taken first, so that ticks a DLL set on the items itself are kept; when
  // the DLL's check callback takes the decision, the ticks it set stand as the view shows them.
  void OnTreeTick(int index) {
    if (index < 0 || index >= static_cast<int>(items_.size())) return;
    TakeTreeTicks();
    if (OnTreeTickChanged(ctx_, index, TreeViewTick(index) ? 1 : 0)) {
      TakeTreeTicks();
    } else {
      SyncTreeTicks();
    }
  }

  void MakeFinishBoxes() {
    const std::vector<FinishOption>& options = ctx_.wizard.finish_options;
    const std::vector<int> tops = FinishBoxTops(options, ctx_.wizard.finish_base_y);
    RECT box = {};
    HWND model = Named("初始化的选择框");
    GetWindowRect(model, &box);
    MapWindowPoints(nullptr, pages_[kPageFinish], reinterpret_cast<POINT*>(&box), 2);
    for (size_t i = 0; i < options.size(); ++i) {
      const FinishOption& option = options[i];
      HWND check = CreateWindowExW(
          0, L"Button", Wide(option.title).c_str(),
          WS_CHILD | WS_TABSTOP | BS_AUTOCHECKBOX | (option.visible ? WS_VISIBLE : 0), box.left,
          S(tops[i]), box.right - box.left, box.bottom - box.top, pages_[kPageFinish],
          reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFirstOptionId + i)),
          GetModuleHandleW(nullptr), nullptr);
      SendMessageW(check, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
      SendMessageW(check, BM_SETCHECK, option.checked ? BST_CHECKED : BST_UNCHECKED, 0);
      option_boxes_.push_back(check);
    }
  }

  // Shown with every parent and enabled: a control the keyboard may reach.
  static bool IsUsable(HWND control) {
    return IsWindowVisible(control) && IsWindowEnabled(control);
  }

  static bool IsPushButton(HWND control) {
    wchar_t cls[16] = {};
    GetClassNameW(control, cls, 16);
    const LONG type = GetWindowLongW(control, GWL_STYLE) & BS_TYPEMASK;
    return lstrcmpiW(cls, L"Button") == 0 && (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON);
  }

  // Where the keyboard starts on a page: Next when it can be pressed, else the page's first stop.
  HWND FirstFocus() const {
    HWND next = Named("下一步_按钮");
    if (IsUsable(next)) return next;
    return GetNextDlgTabItem(window_, nullptr, FALSE);
  }

  void MoveFocus(HWND control) {
    if (control == nullptr || !IsUsable(control)) return;
    SetFocus(control);
    focus_ = control;
    // A one-line box entered by the keyboard has its text selected, so that typing replaces it.
    if ((SendMessageW(control, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL) &&
        !(GetWindowLongW(control, GWL_STYLE) & ES_MULTILINE))
      SendMessageW(control, EM_SETSEL, 0, -1);
  }

  // Enter presses the push button that has the focus, else Next while it is the default button.
  LRESULT DefaultButtonId() const {
    HWND focus = GetFocus();
    HWND pressed = focus != nullptr && IsChild(window_, focus) && IsPushButton(focus) ? focus : nullptr;
    // Not Next's style: the dialog keys move the default mark to whichever button has the focus.
    if (pressed == nullptr && next_default_) pressed = Named("下一步_按钮");
    if (pressed == nullptr || !IsUsable(pressed)) return 0;
    return MAKELRESULT(GetDlgCtrlID(pressed), DC_HASDEFID);
  }

  // The default-button mark on the button Enter presses now (none on the licence page).
  void MarkDefaultButton() {
    const LRESULT id = DefaultButtonId();
    for (const auto& [name, control] : controls_) {
      if (!IsPushButton(control)) continue;
      const bool mark = HIWORD(id) == DC_HASDEFID && GetDlgCtrlID(control) == LOWORD(id);
      const bool marked = (GetWindowLongW(control, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
      if (mark != marked) SendMessageW(control, BM_SETSTYLE, mark ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
    }
  }

  // Esc asks to cancel only while the Cancel button is offered.
  void PressCancel() {
    if (IsUsable(Named("取消按钮_主窗口"))) Exit();
  }

  void ApplyButton(HWND button, const ButtonLook& look) {
    SetText(button, look.caption);
    EnableWindow(button, look.enabled);
    ShowWindow(button, look.visible ? SW_SHOW : SW_HIDE);
  }

  bool OnCommand(int id, int code) {
    if (id >= kFirstOptionId && id < kFirstOptionId + static_cast<int>(option_boxes_.size())) {
      const size_t i = static_cast<size_t>(id - kFirstOptionId);
      ctx_.wizard.finish_options[i].checked =
          SendMessageW(option_boxes_[i], BM_GETCHECK, 0, 0) == BST_CHECKED;
      return true;
    }
    auto named = ids_.find(id);
    if (named == ids_.end()) return false;
    const std::string& name = named->second;
    if (name == "安装路径_编辑框") {
      if (code == EN_CHANGE) {
        ctx_.wizard.folder_box = TextOf(Named("安装路径_编辑框"));
        skin_.UpdateSpace([this](const char* name) { return Named(name); });
      }
      return true;
    }
    if (code != BN_CLICKED) return false;
    if (name == "上一步_按钮") {
      StepPage(ctx_, *this, -1);
    } else if (name == "下一步_按钮") {
      StepPage(ctx_, *this, +1);
    } else if (name == "取消按钮_主窗口") {
      Exit();
    } else if (name == "浏览目录") {
      BrowseInstallFolder();
    } else if (name == "选择框_条款") {
      OnAgreementClicked(ctx_, *this);
    } else if (name == "按钮_显示细节") {
      ShowWindow(Named("按钮_显示细节"), SW_HIDE);
      ShowWindow(Named("超级列表框"), SW_SHOW);
    } else {
      return false;
    }
    return true;
  }

  bool OnNotify(const NMHDR& header) {
    if (header.hwndFrom != Named("树型框1")) return false;
    HWND tree = header.hwndFrom;
    if (header.code == TVN_SELCHANGEDW) {
      const auto& changed = reinterpret_cast<const NMTREEVIEWW&>(header);
      DescribeTreeItem(ctx_, TreeIndex(changed.itemNew.hItem),
                       [this](const std::string& text) { SetText(Named("提示"), text); });
      return true;
    }
    HTREEITEM toggled = nullptr;
    if (header.code == NM_CLICK) {
      TVHITTESTINFO hit = {};
      GetCursorPos(&hit.pt);
      ScreenToClient(tree, &hit.pt);
      SendMessageW(tree, TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit));
      if (hit.flags & TVHT_ONITEMSTATEICON) toggled = hit.hItem;
    } else if (header.code == TVN_KEYDOWN &&
               reinterpret_cast<const NMTVKEYDOWN&>(header).wVKey == VK_SPACE) {
      toggled = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
    }
    if (toggled != nullptr) PostMessageW(window_, kTreeTickMessage, TreeIndex(toggled), 0);
    return toggled != nullptr;
  }

  bool OnTimer(WPARAM timer) {
    if (timer == kDirectTimer) {
      KillTimer(window_, kDirectTimer);
      ctx_.log.Step("wizard: direct install");
      ShowPage(ctx_, *this, ctx_.wizard.pages.records[kPageInstalling].page);
      return true;
    }
    if (timer == kTaskbarTimer && taskbar_ != nullptr) {
      taskbar_->SetProgressValue(window_, static_cast<ULONGLONG>(ctx_.progress.taskbar_percent), 100);
      return true;
    }
    return false;
  }

  void Exit() {
    if (ConfirmExit(ctx_)) CancelWizard(ctx_);
  }

  void BrowseInstallFolder() {
    const std::wstring title = Wide(kBrowseTitle);
    BROWSEINFOW info = {};
    info.hwndOwner = window_;
    info.lpszTitle = title.c_str();
    info.ulFlags = BIF_NEWDIALOGSTYLE | BIF_RETURNONLYFSDIRS;
    PIDLIST_ABSOLUTE chosen = SHBrowseForFolderW(&info);
    if (chosen == nullptr) return;
    wchar_t path[MAX_PATH] = {};
    const bool has_path = SHGetPathFromIDListW(chosen, path);
    CoTaskMemFree(chosen);
    if (!has_path) return;
    if (std::optional<std::string> box = TakeBrowsedFolder(ctx_, Narrow(path)))
      SetText(Named("安装路径_编辑框"), *box);
  }

  ComScope com_;  // the taskbar list and the folder dialog are COM objects
  HWND window_;
  Context& ctx_;
  HFONT font_ = nullptr;
  HFONT bold_font_ = nullptr;
  HWND page_set_ = nullptr;
  std::vector<HWND> pages_;  // in the page set's order: the six wizard pages, then DLLs' pages
  std::map<std::string, HWND> controls_;
  std::map<int, std::string> ids_;
  std::vector<HTREEITEM> items_;
  std::vector<HWND> option_boxes_;
  ITaskbarList3* taskbar_ = nullptr;
  HWND focus_ = nullptr;
  int dpi_ = kDesignDpi;
  std::vector<HFONT> dpi_fonts_;  // the fonts a move to another DPI made
  bool next_default_ = true;  // what the page wants of Next; Enter presses it  // the control that had the keyboard when the wizard was last active
  WizardSkin skin_;  // after the controls' map: its finder looks them up
};

void WizardWindowDelete::operator()(WizardWindow* wizard) const { delete wizard; }

WizardWindowPtr OpenWizardWindow(HWND host, Context& ctx) {
  WizardWindowPtr wizard(new WizardWindow(host, ctx));
  wizard->Open();
  return wizard;
}

void ShowWizardFirstPage(WizardWindow& wizard) { wizard.ShowFirst(); }

void ArmDirectInstallTimer(WizardWindow& wizard) { wizard.ArmDirectInstall(); }

bool HandleWizardMessage(WizardWindow& wizard, UINT message, WPARAM w, LPARAM l, LRESULT* result) {
  return wizard.Handle(message, w, l, result);
}

}  // namespace qmb
