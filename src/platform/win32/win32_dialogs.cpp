// Dialog boxes and the pending-message pump.
#include "platform/win32/win32_dialogs.h"

#include <vector>

#include "platform/win32/dialog_keys.h"
#include "platform/win32/wide.h"
#include "platform/win32/windows_include.h"

namespace qmb {

namespace {

constexpr WORD kPromptId = 100;
constexpr WORD kEditId = 101;

// Builds a DLGTEMPLATE with its items in memory (all parts WORD-sized, items DWORD-aligned).
class DialogTemplate {
 public:
  DialogTemplate(const std::wstring& title, short width, short height, WORD item_count) {
    AddDword(DS_MODALFRAME | DS_CENTER | DS_SETFONT | WS_POPUP | WS_CAPTION | WS_SYSMENU);
    AddDword(0);  // extended style
    words_.push_back(item_count);
    for (short v : {short{0}, short{0}, width, height}) words_.push_back(static_cast<WORD>(v));
    words_.push_back(0);  // no menu
    words_.push_back(0);  // the default dialog class
    AddText(title);
    words_.push_back(9);  // point size of the font below
    AddText(L"MS Shell Dlg");
  }

  // atom: 0x0080 button, 0x0081 edit, 0x0082 static.
  void AddItem(DWORD style, short x, short y, short cx, short cy, WORD id, WORD atom,
               const std::wstring& text) {
    if (words_.size() % 2) words_.push_back(0);
    AddDword(style | WS_CHILD | WS_VISIBLE);
    AddDword(0);
    for (short v : {x, y, cx, cy}) words_.push_back(static_cast<WORD>(v));
    words_.push_back(id);
    words_.push_back(0xFFFF);
    words_.push_back(atom);
    AddText(text);
    words_.push_back(0);  // no creation data
  }

  const DLGTEMPLATE* get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

 private:
  void AddDword(DWORD value) {
    words_.push_back(LOWORD(value));
    words_.push_back(HIWORD(value));
  }
  void AddText(const std::wstring& text) {
    for (wchar_t c : text) words_.push_back(static_cast<WORD>(c));
    words_.push_back(0);
  }
  std::vector<WORD> words_;  // std::vector<WORD> keeps the start DWORD-aligned
};

struct InputState {
  std::wstring prompt;
  std::wstring title;
  std::wstring answer;
};

INT_PTR CALLBACK InputProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrW(dialog, DWLP_USER, lparam);
    auto* state = reinterpret_cast<InputState*>(lparam);
    SetWindowTextW(dialog, state->title.c_str());
    SetDlgItemTextW(dialog, kPromptId, state->prompt.c_str());
    return TRUE;
  }
  if (message != WM_COMMAND) return FALSE;
  WORD id = LOWORD(wparam);
  if (id == IDOK) {
    auto* state = reinterpret_cast<InputState*>(GetWindowLongPtrW(dialog, DWLP_USER));
    HWND edit = GetDlgItem(dialog, kEditId);
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(edit)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(edit, text.data(), static_cast<int>(text.size()))));
    state->answer = text;
    EndDialog(dialog, IDOK);
    return TRUE;
  }
  if (id == IDCANCEL) {
    EndDialog(dialog, IDCANCEL);
    return TRUE;
  }
  return FALSE;
}

}  // namespace

int Win32Dialogs::MessageBox(const std::string& text, const std::string& title, uint32_t flags) {
  return MessageBoxW(GetActiveWindow(), Wide(text).c_str(), Wide(title).c_str(), flags);
}

std::optional<std::string> Win32Dialogs::InputBox(const std::string& prompt,
                                                  const std::string& title, bool password) {
  InputState state{Wide(prompt), Wide(title), {}};
  DialogTemplate dialog(state.title, 240, 80, 4);
  dialog.AddItem(SS_LEFT, 7, 7, 226, 24, kPromptId, 0x0082, L"");
  dialog.AddItem(ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP | (password ? ES_PASSWORD : 0), 7, 34, 226,
                 12, kEditId, 0x0081, L"");
  dialog.AddItem(BS_DEFPUSHBUTTON | WS_TABSTOP, 126, 56, 50, 14, IDOK, 0x0080, L"OK");
  dialog.AddItem(BS_PUSHBUTTON | WS_TABSTOP, 183, 56, 50, 14, IDCANCEL, 0x0080, L"Cancel");
  INT_PTR result = DialogBoxIndirectParamW(GetModuleHandleW(nullptr), dialog.get(),
                                           GetActiveWindow(), InputProc,
                                           reinterpret_cast<LPARAM>(&state));
  if (result != IDOK) return std::nullopt;
  return Narrow(state.answer);
}

void Win32Dialogs::ProcessPendingMessages() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      // The main loop must still see the quit request.
      PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    if (HandleDialogKey(message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

}  // namespace qmb
