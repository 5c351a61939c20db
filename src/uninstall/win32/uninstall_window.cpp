// The uninstall window's controls and messages.
#include "uninstall/win32/uninstall_window.h"

#include <string>
#include <vector>

#include "platform/win32/windows_include.h"

#include <commctrl.h>

#include "context/context.h"
#include "platform/win32/dpi.h"
#include "platform/win32/image_box.h"
#include "platform/win32/message_window.h"
#include "platform/win32/wide.h"
#include "platform/win32/window_class.h"
#include "uninstall/uninstall_flow.h"
#include "uninstall/uninstall_messages.h"
#include "uninstall/uninstall_texts.h"
#include "uninstall/uninstall_view.h"
#include "uninstall/win32/page_picture.h"

namespace qmb {

namespace {

constexpr wchar_t kClassName[] = L"QmbUninstallWindow";
// The layout in pixels of a 96-DPI screen; the window scales it to the DPI of its screen.
constexpr int kWidth = 500;  // client area
constexpr int kHeight = 360;
constexpr int kBannerHeight = 57;
constexpr int kMargin = 20;
constexpr UINT_PTR kStartTimer = 1;

enum ControlId : int { kActionId = 1, kCancelId = 2, kFirstOptionId = 100 };

struct CreateParams {
  Context* ctx;
  uintptr_t entry_address;
};

class UninstallWindow : public UninstallView {
 public:
  UninstallWindow(HWND window, Context& ctx) : window_(window), ctx_(ctx) {}
  ~UninstallWindow() override {
    for (HGDIOBJ object : {static_cast<HGDIOBJ>(font_), static_cast<HGDIOBJ>(bold_font_),
                           static_cast<HGDIOBJ>(picture_), static_cast<HGDIOBJ>(white_)})
      if (object != nullptr) DeleteObject(object);
    for (HFONT font : dpi_fonts_) DeleteObject(font);
    if (icon_ != nullptr) DestroyIcon(icon_);
    UnbindImage(picture_box_);
  }

  void Create(uintptr_t entry_address) {
    dpi_ = WindowDpi(window_);
    const MessageFonts fonts = CreateMessageFonts();
    font_ = fonts.normal;
    bold_font_ = fonts.bold;
    white_ = CreateSolidBrush(RGB(255, 255, 255));

    const int inner = kWidth - 2 * kMargin;
    heading_ = Control(L"Static", SS_LEFTNOWORDWRAP, 15, 10, 330, 18, 0, bold_font_);
    subheading_ = Control(L"Static", SS_LEFTNOWORDWRAP, 25, 32, 320, 18);
    picture_box_ = Control(L"Static", SS_BITMAP, kWidth, 0, 0, 0);
    Control(L"Static", SS_ETCHEDHORZ, 0, kBannerHeight, kWidth, 2);
    body_ = Control(L"Static", 0, kMargin, 72, inner, 36);
    folder_label_ = Control(L"Static", 0, kMargin, 118, 70, 20);
    SetText(folder_label_, kFolderLabel);
    folder_ = Control(L"Edit", ES_READONLY | ES_AUTOHSCROLL | WS_BORDER, 92, 115, inner - 72, 22);

    status_ = Control(L"Static", SS_LEFTNOWORDWRAP | SS_PATHELLIPSIS, kMargin, 72, inner, 18);
    progress_ = Control(PROGRESS_CLASSW, 0, kMargin, 94, inner, 18);
    log_ = Control(L"ListBox", WS_BORDER | WS_VSCROLL | LBS_NOINTEGRALHEIGHT, kMargin, 120, inner,
                   162);
    for (HWND control : {status_, progress_, log_}) ShowWindow(control, SW_HIDE);

    separator_ = Control(L"Static", SS_LEFTNOWORDWRAP, 10, kHeight - 62, kWidth - 20, 18);
    action_ = Control(L"Button", BS_DEFPUSHBUTTON | WS_TABSTOP, kWidth - 200, kHeight - 38, 85, 26,
                      kActionId);
    SetText(action_, kActionCaption);
    HWND cancel = Control(L"Button", BS_PUSHBUTTON | WS_TABSTOP, kWidth - 105, kHeight - 38, 85, 26,
                          kCancelId);
    SetText(cancel, kCancelCaption);

    const std::string caption = UninstallMessageCaption(entry_address);
    const size_t made = CreateMessageWindows(window_, caption).size();
    ctx_.log.Step("uninstall window: message window " + caption + " (" + std::to_string(made) +
                  " window" + (made == 1 ? ")" : "s)"));
  }

  void SetTexts(const UninstallTexts& texts) override {
    SetWindowTextW(window_, Wide(texts.title).c_str());
    SetText(heading_, texts.heading);
    SetText(subheading_, texts.subheading);
    SetText(body_, texts.body);
    SetText(separator_, texts.separator);
    SetText(folder_, texts.folder);
  }
  void SetIcon(const std::string& icon_path) override {
    icon_ = static_cast<HICON>(LoadImageW(nullptr, Wide(icon_path).c_str(), IMAGE_ICON, 0, 0,
                                          LR_LOADFROMFILE | LR_DEFAULTSIZE));
    if (icon_ == nullptr) return;  // the window keeps the class icon
    SendMessageW(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
    SendMessageW(window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_));
  }
  void SetPicture(const std::string& image) override {
    if (IsPngImage(image)) {
      // A PNG keeps its transparency over the white banner, fitted into the banner's corner.
      SetWindowPos(picture_box_, nullptr, S(kWidth - kBannerHeight), 0, S(kBannerHeight),
                   S(kBannerHeight), SWP_NOZORDER);
      if (!BindImage(picture_box_, image, ImagePlacement::kFitted))
        ctx_.log.Failure("uninstall window: the page picture does not decode");
      return;
    }
    picture_ = DecodePicture(image);
    if (picture_ == nullptr) {
      if (!image.empty()) ctx_.log.Failure("uninstall window: the page picture does not decode");
      return;
    }
    BITMAP bitmap = {};
    GetObjectW(picture_, sizeof(bitmap), &bitmap);
    // Its pixels count as pixels of the 96-DPI layout: resampled once to the screen's DPI.
    if (HBITMAP scaled = ScaleBitmap(picture_, S(bitmap.bmWidth), S(bitmap.bmHeight))) {
      DeleteObject(picture_);
      picture_ = scaled;
    }
    const int height = bitmap.bmHeight < kBannerHeight ? bitmap.bmHeight : kBannerHeight;
    SendMessageW(picture_box_, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(picture_));
    SetWindowPos(picture_box_, nullptr, S(kWidth - bitmap.bmWidth), S(kBannerHeight - height) / 2,
                 S(bitmap.bmWidth), S(height), SWP_NOZORDER);
  }
  void AddOptionBox(const OptionBox& box) override {
    const int id = kFirstOptionId + static_cast<int>(options_.size());
    HWND check = Control(L"Button", BS_AUTOCHECKBOX | WS_TABSTOP, box.left, box.top,
                         kWidth - box.left - kMargin, 20, id);
    SetText(check, box.caption);
    SendMessageW(check, BM_SETCHECK, box.ticked ? BST_CHECKED : BST_UNCHECKED, 0);
    if (!box.visible) ShowWindow(check, SW_HIDE);
    options_.push_back(check);
  }
  bool IsOptionTicked(size_t index) override {
    return index < options_.size() &&
           SendMessageW(options_[index], BM_GETCHECK, 0, 0) == BST_CHECKED;
  }
  void SetOptionTicked(size_t index, bool ticked) override {
    if (index < options_.size())
      SendMessageW(options_[index], BM_SETCHECK, ticked ? BST_CHECKED : BST_UNCHECKED, 0);
  }
  void SetVisible(bool visible) override {
    ShowWindow(window_, visible ? SW_SHOWNORMAL : SW_HIDE);
    if (visible) UpdateWindow(window_);
  }
  void StartRemovalSoon() override { SetTimer(window_, kStartTimer, 1, nullptr); }

  void ShowProgressPage() override {
    for (HWND control : {body_, folder_label_, folder_}) ShowWindow(control, SW_HIDE);
    for (HWND control : options_) ShowWindow(control, SW_HIDE);
    for (HWND control : {status_, progress_, log_}) ShowWindow(control, SW_SHOW);
  }
  void SetHeading(const std::string& heading, const std::string& subheading) override {
    SetText(heading_, heading);
    SetText(subheading_, subheading);
  }
  void SetActionButton(const std::string& caption, bool enabled) override {
    SetText(action_, caption);
    EnableWindow(action_, enabled);
  }
  void SetStatusLine(const std::string& line) override { SetText(status_, line); }
  void AddLogLine(const std::string& line) override {
    const std::wstring text = Wide(line);
    const LRESULT index =
        SendMessageW(log_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    if (index >= 0) SendMessageW(log_, LB_SETCURSEL, index, 0);
  }
  void SelectLastLogLine() override {
    const LRESULT count = SendMessageW(log_, LB_GETCOUNT, 0, 0);
    if (count > 0) SendMessageW(log_, LB_SETCURSEL, count - 1, 0);
  }
  void SetProgress(int32_t percent) override { SendMessageW(progress_, PBM_SETPOS, percent, 0); }

  // The window goes; nothing may call it afterwards.
  void Detach() {
    if (ctx_.uninstall.view == this) ctx_.uninstall.view = nullptr;
  }

  LRESULT Handle(UINT message, WPARAM w, LPARAM l) {
    switch (message) {
      case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window_, &paint);
        RECT banner = {0, 0, S(kWidth), S(kBannerHeight)};
        FillRect(dc, &banner, white_);
        EndPaint(window_, &paint);
        return 0;
      }
      case WM_CTLCOLORSTATIC: {
        HWND control = reinterpret_cast<HWND>(l);
        HDC dc = reinterpret_cast<HDC>(w);
        if (control == heading_ || control == subheading_ || control == picture_box_) {
          SetBkColor(dc, RGB(255, 255, 255));
          return reinterpret_cast<LRESULT>(white_);
        }
        if (control == separator_) SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
        break;
      }
      case WM_TIMER:
        if (w == kStartTimer) {
          KillTimer(window_, kStartTimer);
          RunRemoval(ctx_);
        }
        return 0;
      case WM_COMMAND:
        if (HIWORD(w) == BN_CLICKED && LOWORD(w) == kActionId) {
          RunRemoval(ctx_);
          return 0;
        }
        if (HIWORD(w) == BN_CLICKED && LOWORD(w) == kCancelId) {
          Cancel();
          return 0;
        }
        break;
      case WM_DPICHANGED:
        // Moved to a screen of another DPI: the whole layout and its fonts follow.
        RescaleWindowTree(window_, dpi_, LOWORD(w), *reinterpret_cast<const RECT*>(l), &dpi_fonts_);
        dpi_ = LOWORD(w);
        return 0;
      case WM_CLOSE:
        Cancel();
        return 0;
      case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
      default:
        break;
    }
    return DefWindowProcW(window_, message, w, l);
  }

 private:
  // A length of the 96-DPI layout on the window's screen.
  int S(int length) const { return ScaleToDpi(length, dpi_); }
  // A control at a place of the 96-DPI layout.
  HWND Control(const wchar_t* window_class, DWORD style, int x, int y, int width, int height,
               int id = 0, HFONT font = nullptr) {
    HWND control = CreateWindowExW(
        0, window_class, L"", WS_CHILD | WS_VISIBLE | style, S(x), S(y), S(width), S(height),
        window_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr),
        nullptr);
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font ? font : font_), FALSE);
    return control;
  }
  static void SetText(HWND control, const std::string& text) {
    SetWindowTextW(control, Wide(text).c_str());
  }
  // Ends the program without removing anything, except while the removal runs.
  void Cancel() {
    if (MayClose(ctx_)) FinishUninstall(ctx_);
  }

  HWND window_;
  Context& ctx_;
  int dpi_ = kDesignDpi;
  std::vector<HFONT> dpi_fonts_;  // the fonts a move to another DPI made
  HFONT font_ = nullptr;
  HFONT bold_font_ = nullptr;
  HBRUSH white_ = nullptr;
  HBITMAP picture_ = nullptr;
  HICON icon_ = nullptr;
  HWND heading_ = nullptr, subheading_ = nullptr, picture_box_ = nullptr;
  HWND body_ = nullptr, folder_label_ = nullptr, folder_ = nullptr, separator_ = nullptr;
  HWND status_ = nullptr, progress_ = nullptr, log_ = nullptr, action_ = nullptr;
  std::vector<HWND> options_;
};

LRESULT CALLBACK UninstallProc(HWND window, UINT message, WPARAM w, LPARAM l) {
  auto* self = reinterpret_cast<UninstallWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (message == WM_CREATE) {
    const auto* params =
        static_cast<const CreateParams*>(reinterpret_cast<CREATESTRUCTW*>(l)->lpCreateParams);
    Context& ctx = *params->ctx;
    self = new UninstallWindow(window, ctx);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    self->Create(params->entry_address);
    ctx.uninstall.view = self;
    ctx.uninstall.window_handle = reinterpret_cast<uintptr_t>(window);
    StartUninstall(ctx);
    return 0;
  }
  if (self == nullptr) return DefWindowProcW(window, message, w, l);
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    self->Detach();
    delete self;
    return DefWindowProcW(window, message, w, l);
  }
  return self->Handle(message, w, l);
}

}  // namespace

bool CreateUninstallWindow(Context& ctx, uintptr_t entry_address) {
  INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  HINSTANCE instance = GetModuleHandleW(nullptr);
  if (!RegisterWindowClass(kClassName, UninstallProc)) {
    ctx.log.Failure("uninstall window: cannot register the window class");
    return false;
  }
  const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
  const int dpi = WindowDpi(nullptr);
  RECT frame = {0, 0, ScaleToDpi(kWidth, dpi), ScaleToDpi(kHeight, dpi)};
  AdjustWindowRectEx(&frame, style, FALSE, 0);
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  const int x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
  const int y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
  CreateParams params{&ctx, entry_address};
  if (CreateWindowExW(0, kClassName, L"", style, x, y, width, height, nullptr, nullptr, instance,
                      &params) == nullptr) {
    ctx.log.Failure("uninstall window: cannot create the window");
    return false;
  }
  return true;
}

}  // namespace qmb
