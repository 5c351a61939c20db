// Drives a window of the program as a user does (the wizard, the uninstall window, their message
// and input boxes) and reports what it shows, as UTF-8 lines for the test scripts. Windows are
// found by their caption.
//   drive_window wait CAPTION [seconds]        waits until the window shows; lists its controls
//   drive_window click CAPTION BUTTON [AWAITED|-] [seconds]
//       clicks the button captioned BUTTON; with AWAITED, waits until a button reads that and
//       lists the controls again
//   drive_window await CAPTION TEXT [seconds]  waits until a visible control reads TEXT; lists
//   drive_window tick CAPTION BOX on|off       sets a check box as a click does
//   drive_window tree CAPTION INDEX            selects tree item INDEX (tree order) and toggles
//                                              its check box with the space key
//   drive_window type CAPTION TEXT             replaces the text of the window's one-line edit box
//   drive_window keys CAPTION KEY...           brings the window to the front and presses keys
//       on the real keyboard (SendInput): tab, shift+tab, enter, esc, space, up, down, alt+LETTER,
//       text:TEXT (typed character by character); then lists the controls
//   drive_window answer TITLE BUTTON [TEXT|-] [seconds]
//       waits for a dialog box titled TITLE, prints its text, types TEXT into its edit box when
//       given, and presses BUTTON (ok, cancel, yes or no; none leaves the box up, to be looked at)
// Exit code 0 on success, 1 when something never came.
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <utility>
#include <vector>
#include <cwchar>
#include <cwctype>

#include "platform/win32/windows_include.h"
#include "console_text.h"

#include <commctrl.h>
#include <shellapi.h>

namespace {

constexpr int kMessageTextId = 0xFFFF;  // the static text of a message box
constexpr int kInputPromptId = 100;     // the input box's prompt and edit box
constexpr int kInputEditId = 101;

// WM_GETTEXT, not GetWindowText: for a window of another process that only gives the caption it
// was made with, not what an edit box holds now.
std::wstring TextOf(HWND window) {
  wchar_t text[4096] = {};
  SendMessageW(window, WM_GETTEXT, 4096, reinterpret_cast<LPARAM>(text));
  return text;
}

std::wstring ClassOf(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  return name;
}

bool IsClass(HWND window, const wchar_t* name) { return _wcsicmp(ClassOf(window).c_str(), name) == 0; }

// A stdcall function, not a lambda: the 32-bit build cannot convert a lambda to WNDENUMPROC.
BOOL CALLBACK AddChild(HWND child, LPARAM list) {
  reinterpret_cast<std::vector<HWND>*>(list)->push_back(child);
  return TRUE;
}

std::vector<HWND> Children(HWND parent) {
  std::vector<HWND> children;
  EnumChildWindows(parent, AddChild, reinterpret_cast<LPARAM>(&children));
  return children;
}

// Really visible: the control and every parent up to the window.
bool Shown(HWND control) { return IsWindowVisible(control) != FALSE; }

// Polls every 100 ms for up to seconds; false when found never turned true.
bool WaitFor(int seconds, const std::function<bool()>& found) {
  for (int tick = 0; tick < seconds * 10; ++tick) {
    if (found()) return true;
    Sleep(100);
  }
  return false;
}

HWND FindShown(const std::function<bool(HWND)>& match, HWND window) {
  for (HWND child : Children(window))
    if (Shown(child) && match(child)) return child;
  return nullptr;
}

bool IsCheckBox(HWND control) {
  const LONG type = GetWindowLongW(control, GWL_STYLE) & BS_TYPEMASK;
  return IsClass(control, L"Button") && (type == BS_AUTOCHECKBOX || type == BS_CHECKBOX);
}

// The text of a tree item, read through a buffer in the window's process: the tree-view's item
// messages carry pointers, which only mean something there.
std::wstring TreeItemText(HWND tree, HTREEITEM item) {
  DWORD process_id = 0;
  GetWindowThreadProcessId(tree, &process_id);
  HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE,
                               process_id);
  if (process == nullptr) return L"?";
  constexpr size_t kChars = 512;
  auto* remote = static_cast<char*>(VirtualAllocEx(process, nullptr, sizeof(TVITEMW) + kChars * 2,
                                                   MEM_COMMIT, PAGE_READWRITE));
  std::wstring text = L"?";
  if (remote != nullptr) {
    TVITEMW query = {};
    query.mask = TVIF_TEXT;
    query.hItem = item;
    query.pszText = reinterpret_cast<wchar_t*>(remote + sizeof(TVITEMW));
    query.cchTextMax = kChars;
    wchar_t buffer[kChars] = {};
    if (WriteProcessMemory(process, remote, &query, sizeof(query), nullptr) &&
        SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(remote)) &&
        ReadProcessMemory(process, remote + sizeof(TVITEMW), buffer, sizeof(buffer) - 2, nullptr))
      text = buffer;
    VirtualFreeEx(process, remote, 0, MEM_RELEASE);
  }
  CloseHandle(process);
  return text;
}

// The tree's items in tree order (parents before children), with their depth.
void TreeItems(HWND tree, HTREEITEM first, int depth, std::vector<std::pair<HTREEITEM, int>>* out) {
  for (HTREEITEM item = first; item != nullptr;
       item = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_NEXT,
                                                       reinterpret_cast<LPARAM>(item)))) {
    out->push_back({item, depth});
    TreeItems(tree, reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CHILD,
                                                             reinterpret_cast<LPARAM>(item))),
              depth + 1, out);
  }
}

std::vector<std::pair<HTREEITEM, int>> TreeItemsOf(HWND tree) {
  std::vector<std::pair<HTREEITEM, int>> items;
  TreeItems(tree, reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0)), 0,
            &items);
  return items;
}

bool TreeItemTicked(HWND tree, HTREEITEM item) {
  return (SendMessageW(tree, TVM_GETITEMSTATE, reinterpret_cast<WPARAM>(item),
                       TVIS_STATEIMAGEMASK) >> 12) == 2;
}

// The control that has the keyboard in the window's thread.
HWND FocusOf(HWND window) {
  GUITHREADINFO info = {};
  info.cbSize = sizeof(info);
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info)) return nullptr;
  return info.hwndFocus;
}

// One line per visible control: "button: TEXT", "option: [x] TEXT", "text: TEXT", "edit: TEXT",
// "group: TEXT", "progress: N", "tree:" with "item: INDEX DEPTH [x] TEXT" lines, "log: LINE" for a
// list's lines, "lines: N" after a multi-line box; " (read-only)", " (disabled)" and " (default)"
// follow where they apply, and an "  at" line gives the control's screen rectangle. Last,
// "focus: " and the line of the control that has the keyboard.
void PrintControls(HWND window) {
  std::printf("title: %s\n", Utf8(TextOf(window)).c_str());
  HWND focus = FocusOf(window);
  std::string focus_line;
  for (HWND child : Children(window)) {
    // A progress bar is listed even where its page is gone: the finish page follows the last
    // position of the installing page's bar.
    const bool bar = IsClass(child, PROGRESS_CLASSW);
    if (!Shown(child) && !bar) continue;
    const std::string text = Utf8(TextOf(child));
    std::string line;
    if (IsCheckBox(child)) {
      line = std::string("option: ") +
             (SendMessageW(child, BM_GETCHECK, 0, 0) == BST_CHECKED ? "[x] " : "[ ] ") + text;
    } else if (IsClass(child, L"Button")) {
      const LONG type = GetWindowLongW(child, GWL_STYLE) & BS_TYPEMASK;
      line = (type == BS_GROUPBOX ? "group: " : "button: ") + text;
      if (type == BS_DEFPUSHBUTTON) line += " (default)";
    } else if (IsClass(child, PROGRESS_CLASSW)) {
      line = "progress: " + std::to_string(SendMessageW(child, PBM_GETPOS, 0, 0));
      if (!Shown(child)) line += " (hidden)";
    } else if (IsClass(child, L"Edit")) {
      line = "edit: " + text;
      if (GetWindowLongW(child, GWL_STYLE) & ES_READONLY) line += " (read-only)";
    } else if (IsClass(child, WC_TREEVIEWW)) {
      line = "tree:";
    } else if (IsClass(child, L"ListBox")) {
      line = "list:";
    } else if (!text.empty() && IsClass(child, L"Static")) {
      line = "text: " + text;
    } else {
      continue;  // frames, pictures and the page set
    }
    if (!IsWindowEnabled(child)) line += " (disabled)";
    if (child == focus) focus_line = line;
    RECT r = {};
    GetWindowRect(child, &r);
    std::printf("%s\n  at %ld,%ld %ldx%ld\n", line.c_str(), r.left, r.top, r.right - r.left,
                r.bottom - r.top);
    if (IsClass(child, L"Edit") && (GetWindowLongW(child, GWL_STYLE) & ES_MULTILINE))
      std::printf("lines: %ld\n", static_cast<long>(SendMessageW(child, EM_GETLINECOUNT, 0, 0)));
    if (IsClass(child, WC_TREEVIEWW)) {
      int index = 0;
      for (const auto& [item, depth] : TreeItemsOf(child))
        std::printf("item: %d %d %s %s\n", index++, depth,
                    TreeItemTicked(child, item) ? "[x]" : "[ ]",
                    Utf8(TreeItemText(child, item)).c_str());
    }
    if (IsClass(child, L"ListBox")) {
      const LRESULT count = SendMessageW(child, LB_GETCOUNT, 0, 0);
      for (LRESULT i = 0; i < count; ++i) {
        wchar_t entry[1024] = {};
        if (SendMessageW(child, LB_GETTEXTLEN, i, 0) < 1024)
          SendMessageW(child, LB_GETTEXT, i, reinterpret_cast<LPARAM>(entry));
        std::printf("log: %s\n", Utf8(entry).c_str());
      }
    }
  }
  if (!focus_line.empty()) std::printf("focus: %s\n", focus_line.c_str());
}

struct Args {
  std::vector<std::wstring> list;
  std::wstring at(size_t i) const { return i < list.size() ? list[i] : L""; }
  int seconds(size_t i) const { return i < list.size() ? _wtoi(list[i].c_str()) : 60; }
};

// A visible top-level window with this caption, not a dialog box.
HWND FindWizard(const std::wstring& caption, int seconds) {
  HWND window = nullptr;
  if (WaitFor(seconds, [&] {
        window = nullptr;
        for (HWND w = FindWindowExW(nullptr, nullptr, nullptr, caption.c_str()); w != nullptr;
             w = FindWindowExW(nullptr, w, nullptr, caption.c_str()))
          if (IsWindowVisible(w) && !IsClass(w, L"#32770")) window = w;
        return window != nullptr;
      }))
    return window;
  std::printf("no visible window titled %s\n", Utf8(caption).c_str());
  return nullptr;
}

HWND ButtonCaptioned(HWND window, const std::wstring& caption) {
  return FindShown([&](HWND c) { return IsClass(c, L"Button") && TextOf(c) == caption; }, window);
}

int Click(HWND window, const Args& args) {
  const std::wstring caption = args.at(3);
  const std::wstring awaited = args.at(4) == L"-" ? L"" : args.at(4);
  const int seconds = args.seconds(5);
  HWND button = nullptr;
  if (!WaitFor(seconds, [&] {
        button = ButtonCaptioned(window, caption);
        return button != nullptr && IsWindowEnabled(button);
      })) {
    std::printf("no button %s\n", Utf8(caption).c_str());
    return 1;
  }
  // Posted, not sent: a click may run a whole installation inside the window's thread.
  PostMessageW(button, BM_CLICK, 0, 0);
  std::printf("clicked: %s\n", Utf8(caption).c_str());
  std::fflush(stdout);
  if (awaited.empty()) return 0;
  if (!WaitFor(seconds, [&] {
        HWND done = ButtonCaptioned(window, awaited);
        return done != nullptr && IsWindowEnabled(done);
      })) {
    std::printf("the button never read %s\n", Utf8(awaited).c_str());
    return 1;
  }
  PrintControls(window);
  return 0;
}

int Await(HWND window, const Args& args) {
  const std::wstring text = args.at(3);
  if (!WaitFor(args.seconds(4), [&] {
        return FindShown([&](HWND c) { return TextOf(c) == text; }, window) != nullptr;
      })) {
    std::printf("nothing ever read %s\n", Utf8(text).c_str());
    PrintControls(window);
    return 1;
  }
  PrintControls(window);
  return 0;
}

int Tick(HWND window, const Args& args) {
  HWND box = FindShown([&](HWND c) { return IsCheckBox(c) && TextOf(c) == args.at(3); }, window);
  if (box == nullptr) {
    std::printf("no check box %s\n", Utf8(args.at(3)).c_str());
    return 1;
  }
  const bool want = args.at(4) != L"off";
  if ((SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED) != want)
    SendMessageW(box, BM_CLICK, 0, 0);
  std::printf("ticked: %s %s\n", Utf8(args.at(3)).c_str(), want ? "on" : "off");
  return 0;
}

int Tree(HWND window, const Args& args) {
  HWND tree = FindShown([](HWND c) { return IsClass(c, WC_TREEVIEWW); }, window);
  const auto items = tree ? TreeItemsOf(tree) : std::vector<std::pair<HTREEITEM, int>>();
  const size_t index = static_cast<size_t>(_wtoi(args.at(3).c_str()));
  if (index >= items.size()) {
    std::printf("no tree item %zu\n", index);
    return 1;
  }
  SetForegroundWindow(window);
  SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(items[index].first));
  SetFocus(tree);
  PostMessageW(tree, WM_KEYDOWN, VK_SPACE, 0x00390001);
  PostMessageW(tree, WM_KEYUP, VK_SPACE, 0xC0390001);
  Sleep(300);  // the toggle and the spreading it causes run in the window's thread
  PrintControls(window);
  return 0;
}

int Type(HWND window, const Args& args) {
  HWND edit = FindShown(
      [](HWND c) {
        return IsClass(c, L"Edit") && !(GetWindowLongW(c, GWL_STYLE) & (ES_MULTILINE | ES_READONLY));
      },
      window);
  if (edit == nullptr) {
    std::printf("no edit box\n");
    return 1;
  }
  SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(args.at(3).c_str()));
  std::printf("typed: %s\n", Utf8(args.at(3)).c_str());
  return 0;
}

void AddKey(std::vector<INPUT>* inputs, WORD key, bool up, wchar_t unicode = 0) {
  INPUT input = {};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = unicode ? 0 : key;
  input.ki.wScan = unicode;
  input.ki.dwFlags = (up ? KEYEVENTF_KEYUP : 0) | (unicode ? KEYEVENTF_UNICODE : 0);
  inputs->push_back(input);
}

// The key presses of one KEY word; false for a word this driver does not know.
bool KeyInputs(const std::wstring& word, std::vector<INPUT>* inputs) {
  if (word.rfind(L"text:", 0) == 0) {
    for (wchar_t c : word.substr(5)) {
      AddKey(inputs, 0, false, c);
      AddKey(inputs, 0, true, c);
    }
    return true;
  }
  std::vector<WORD> held;
  std::wstring key = word;
  for (const auto& [prefix, modifier] : {std::pair<const wchar_t*, WORD>{L"shift+", VK_SHIFT},
                                         {L"alt+", VK_MENU}, {L"ctrl+", VK_CONTROL}}) {
    if (key.rfind(prefix, 0) == 0) {
      held.push_back(modifier);
      key = key.substr(wcslen(prefix));
    }
  }
  WORD vk = 0;
  if (key == L"tab") vk = VK_TAB;
  else if (key == L"enter") vk = VK_RETURN;
  else if (key == L"esc") vk = VK_ESCAPE;
  else if (key == L"space") vk = VK_SPACE;
  else if (key == L"up") vk = VK_UP;
  else if (key == L"down") vk = VK_DOWN;
  else if (key.size() == 1 && iswalnum(key[0])) vk = static_cast<WORD>(towupper(key[0]));
  if (vk == 0) return false;
  for (WORD modifier : held) AddKey(inputs, modifier, false);
  AddKey(inputs, vk, false);
  AddKey(inputs, vk, true);
  for (auto it = held.rbegin(); it != held.rend(); ++it) AddKey(inputs, *it, true);
  return true;
}

int Keys(HWND window, const Args& args) {
  SetForegroundWindow(window);
  if (!WaitFor(5, [&] { return GetForegroundWindow() == window; })) {
    std::printf("the window never came to the front\n");
    return 1;
  }
  for (size_t i = 3; i < args.list.size(); ++i) {
    std::vector<INPUT> inputs;
    if (!KeyInputs(args.list[i], &inputs)) {
      std::printf("unknown key %s\n", Utf8(args.list[i]).c_str());
      return 2;
    }
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    std::printf("pressed: %s\n", Utf8(args.list[i]).c_str());
    Sleep(200);  // the window's thread takes each key before the next comes
  }
  std::fflush(stdout);
  Sleep(300);
  PrintControls(window);
  return 0;
}

int Answer(const Args& args) {
  const std::wstring title = args.at(2);
  const std::wstring button = args.at(3);
  const bool typing = args.list.size() > 4 && args.at(4) != L"-";
  HWND box = nullptr;
  // The box exists before its text is filled in; it shows once it is complete.
  if (!WaitFor(args.seconds(5), [&] {
        box = FindWindowW(L"#32770", title.c_str());
        return box != nullptr && IsWindowVisible(box);
      })) {
    std::printf("no dialog box titled %s\n", Utf8(title).c_str());
    return 1;
  }
  wchar_t text[1024] = {};
  if (!GetDlgItemTextW(box, kMessageTextId, text, 1024)) GetDlgItemTextW(box, kInputPromptId, text, 1024);
  std::printf("text: %s\n", Utf8(text).c_str());
  if (typing) SetDlgItemTextW(box, kInputEditId, args.at(4).c_str());
  if (button == L"none") return 0;
  const int id = button == L"yes" ? IDYES : button == L"no" ? IDNO : button == L"cancel" ? IDCANCEL : IDOK;
  std::fflush(stdout);
  PostMessageW(box, WM_COMMAND, id, 0);
  return 0;
}

}  // namespace

int main() {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  Args args;
  for (int i = 0; argv != nullptr && i < argc; ++i) args.list.push_back(argv[i]);
  // A caller that must tell a driver that never started from one that failed asks for this line.
  if (GetEnvironmentVariableW(L"QMB_DRIVER_MARK", nullptr, 0) != 0) {
    std::printf("drive_window: started\n");
    std::fflush(stdout);
  }
  const std::wstring command = args.at(1);
  if (args.list.size() < 3) {
    std::printf("usage: drive_window wait|click|await|tick|tree|type|keys CAPTION ... | answer TITLE "
                "BUTTON [TEXT]\n");
    return 2;
  }
  if (command == L"answer") return Answer(args);
  const int wait_seconds = command == L"wait" ? args.seconds(3) : 60;
  HWND window = FindWizard(args.at(2), wait_seconds);
  if (window == nullptr) return 1;
  if (command == L"wait") {
    PrintControls(window);
    return 0;
  }
  if (command == L"click") return Click(window, args);
  if (command == L"await") return Await(window, args);
  if (command == L"tick") return Tick(window, args);
  if (command == L"tree") return Tree(window, args);
  if (command == L"type") return Type(window, args);
  if (command == L"keys") return Keys(window, args);
  std::printf("unknown command\n");
  return 2;
}
