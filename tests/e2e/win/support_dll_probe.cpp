// A support DLL for the end-to-end tests. It appends a line for every call to the file that
// PROBE_LOG names (GBK, CR LF): its start exports' parameters, every message with its first three
// arguments, the progress callbacks it hands over. It answers 1 once to each message that
// PROBE_VETO names by code (and first argument), comma-separated ("1003,1002:3"), 0 to every other.
// Its start export "Start" drives the installer through the message entry routine, whose address
// it reads from the message window's caption: it adds "skip.txt" to the exclusion list, reads the
// install folder and, when PROBE_INSTALL is set, starts the installation with its own progress
// callbacks (request 1009, sent to the message window). It also makes and destroys a window of
// the installer's class "CometLoadDialog", which the installer registers for its support DLLs.
// With PROBE_WIZARD set it works the wizard through the page requests: at its start it looks at the
// wizard's buttons and page frames and adds a page with its own header; Next on the welcome page
// leads to that page the first time (switching topmost on and off on the way), and Next or Back
// there back to the welcome page; Next on the folder page reads the install folder (1011) and
// replaces the install script (1012) with one that leaves "dropped.txt" out of the unpacking.
// In the wizard it also reads the page table and the page-shown flags by address (1001, 1002),
// hands over a cdecl page-change callback (1006), puts three components of its own into the tree
// (1012, then the fill routine of entry 1010) and, when the components page shows, ticks one of
// them itself on the tree view. Its percentage callback is stdcall and its line callback cdecl:
// the installer's calls must leave the stack right for both. It also looks the message window
// up the way a DLL built for the ANSI functions does, whatever the machine's code page. With PROBE_INSTALL_AT_FOLDER set,
// Next on the folder page is vetoed and the probe installs through 1009 itself.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

using Entry = intptr_t(__stdcall*)(int code, intptr_t first, intptr_t second);

std::string Env(const char* name) {
  char buffer[512];
  const DWORD n = GetEnvironmentVariableA(name, buffer, sizeof buffer);
  return n > 0 && n < sizeof buffer ? std::string(buffer, n) : std::string();
}

void Log(const std::string& line) {
  const std::string path = Env("PROBE_LOG");
  if (path.empty()) return;
  if (FILE* f = std::fopen(path.c_str(), "ab")) {
    std::fputs((line + "\r\n").c_str(), f);
    std::fclose(f);
  }
}

std::string Text(intptr_t address) {
  return address == 0 ? "(null)" : reinterpret_cast<const char*>(address);
}

struct Found {
  HWND window = nullptr;
  Entry entry = nullptr;
};
Found g_found;  // the message window and the entry routine, once Start found them

BOOL CALLBACK FindChild(HWND window, LPARAM found_address) {
  wchar_t caption[128] = {};
  GetWindowTextW(window, caption, 128);
  const wchar_t prefix[] = L"备用的传递消息I_";
  if (std::wcsncmp(caption, prefix, std::wcslen(prefix)) != 0) return TRUE;
  auto* found = reinterpret_cast<Found*>(found_address);
  found->window = window;
  found->entry = reinterpret_cast<Entry>(
      static_cast<intptr_t>(std::wcstoull(caption + std::wcslen(prefix), nullptr, 10)));
  return FALSE;
}

BOOL CALLBACK FindTop(HWND window, LPARAM found_address) {
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process == GetCurrentProcessId()) EnumChildWindows(window, FindChild, found_address);
  return reinterpret_cast<Found*>(found_address)->entry == nullptr;
}

// The lookup of a DLL built for the ANSI functions: the caption read as bytes, the prefix in GBK.
BOOL CALLBACK FindChildAnsi(HWND window, LPARAM entry) {
  char caption[128] = {};
  GetWindowTextA(window, caption, sizeof caption);
  const char prefix[] = "备用的传递消息I_";
  if (std::strncmp(caption, prefix, std::strlen(prefix)) != 0) return TRUE;
  *reinterpret_cast<intptr_t*>(entry) =
      static_cast<intptr_t>(std::strtoull(caption + std::strlen(prefix), nullptr, 10));
  return FALSE;
}

BOOL CALLBACK FindTopAnsi(HWND window, LPARAM entry) {
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process == GetCurrentProcessId()) EnumChildWindows(window, FindChildAnsi, entry);
  return *reinterpret_cast<intptr_t*>(entry) == 0;
}

void LookUpThroughAnsi() {
  intptr_t entry = 0;
  EnumWindows(FindTopAnsi, reinterpret_cast<LPARAM>(&entry));
  Log(std::string("ansi lookup (code page ") + std::to_string(GetACP()) + "): " +
      (entry == 0 ? "none" : entry == reinterpret_cast<intptr_t>(g_found.entry) ? "the entry" : "another"));
}

void __stdcall OnPercent(intptr_t percent) { Log("percent " + std::to_string(percent)); }
void __cdecl OnLine(intptr_t line) { Log("line " + Text(line)); }
void __cdecl OnPageChange(intptr_t page) { Log("callback page " + std::to_string(page)); }

intptr_t PageRequest(int code, intptr_t argument) {
  return SendMessageW(g_found.window, static_cast<UINT>(code), static_cast<WPARAM>(argument), 0);
}

// The probe's own page: inserted after the wizard's, with a header made from the spare controls.
constexpr int kOwnPage = 6;
HWND g_own_page_frame = nullptr;
bool g_own_page_seen = false;

// The wizard's windows as the requests hand them out.
void LookAtWizard() {
  int buttons = 0;
  for (int which : {101, 102, 103}) {
    HWND button = reinterpret_cast<HWND>(g_found.entry(1002, which, 0));
    wchar_t cls[16] = {};
    if (IsWindow(button) && GetClassNameW(button, cls, 16) && lstrcmpiW(cls, L"Button") == 0) {
      ++buttons;
    }
  }
  Log("buttons " + std::to_string(buttons));
  // "外形框I_k=frame,child,child...\r\n" for the six page frames, then the work folder.
  const std::string frames = Text(PageRequest(1005, 0));
  int with_children = 0;
  for (size_t line = 0; line < frames.size();) {
    const size_t end = std::min(frames.find("\r\n", line), frames.size());
    const std::string entry = frames.substr(line, end - line);
    const size_t equals = entry.find('=');
    if (equals != std::string::npos && std::strtoull(entry.c_str() + equals + 1, nullptr, 10) != 0 &&
        entry.find(',') != std::string::npos)
      ++with_children;
    line = end + 2;
  }
  Log("page frames with children " + std::to_string(with_children));
}

// The topmost switch (entry 1003), on and off again. Wine does not show the switch in the
// window's extended style, so the installer's log tells whether it arrived.
void SwitchTopmost() {
  g_found.entry(1003, 1, 0);
  g_found.entry(1003, 0, 0);
}

void AddOwnPage() {
  PageRequest(1004, kOwnPage);
  static const char header[] = "探针附加页$，由支持库添加的说明";
  g_own_page_frame = reinterpret_cast<HWND>(PageRequest(1000, reinterpret_cast<intptr_t>(header)));
  ShowWindow(g_own_page_frame, SW_HIDE);
  Log("own page added: pages " + std::to_string(PageRequest(1003, 0)) + ", frame " +
      (g_own_page_frame != nullptr ? "made" : "missing"));
}

// Shows the probe's page instead of the next one (true), or leaves it for the welcome page.
bool TurnPage(intptr_t page, intptr_t direction) {
  if (page == 0 && direction == 1 && !g_own_page_seen) {
    g_own_page_seen = true;
    SwitchTopmost();
    ShowWindow(g_own_page_frame, SW_SHOW);
    PageRequest(1008, kOwnPage);
    Log("own page shown: current " + std::to_string(PageRequest(1007, 0)));
    return true;
  }
  if (page == kOwnPage) {
    ShowWindow(g_own_page_frame, SW_HIDE);
    PageRequest(1008, 0);
    Log("own page left");
    return true;
  }
  return false;
}

// The page table (six {page, shown} records of 32-bit integers) and the six 32-bit shown flags.
void ReadPageTables() {
  const auto* table = reinterpret_cast<const int32_t*>(PageRequest(1001, 0));
  const auto* flags = reinterpret_cast<const int32_t*>(PageRequest(1002, 0));
  if (table == nullptr || flags == nullptr) {
    Log("no page tables");
    return;
  }
  std::string records = "page table", shown = "page flags";
  for (int i = 0; i < 6; ++i) {
    records += " " + std::to_string(table[2 * i]) + ":" + std::to_string(table[2 * i + 1]);
    shown += " " + std::to_string(flags[i]);
  }
  Log(records);
  Log(shown);
}

// The script's component list replaced by one with three components of the probe's, whose
// sections keep a file each out of the unpacking unless ticked; then the tree filled again.
void OwnComponents() {
  const std::string script = Text(g_found.entry(1011, 0, 0));
  static std::string replaced;
  const std::string tail = "\r\n}\r\nUnzip(){\r\n}\r\nfinish(){\r\n}\r\ndescribe(){\r\n}\r\n｝\r\n\r\n";
  replaced = "Treelists\r\n｛\r\nInstall(){\r\n主程序$,-1$,1$,真$,$,1\r\n探针组件$,0$,0$,$,\r\n"
             "支持库组件$,0$,0$,$,\r\n未选组件$,0$,0$,$," + tail +
             "探针组件\r\n｛\r\nInstall(){\r\n[假]removezip(probe_pick.txt)" + tail +
             "支持库组件\r\n｛\r\nInstall(){\r\n[假]removezip(dll_pick.txt)" + tail +
             "未选组件\r\n｛\r\nInstall(){\r\n[假]removezip(unpicked.txt)" + tail + script;
  g_found.entry(1012, reinterpret_cast<intptr_t>(replaced.c_str()), 0);
  using Fill = int(__stdcall*)();
  const auto fill = reinterpret_cast<Fill>(g_found.entry(1010, 0, 0));
  Log("tree filled " + std::to_string(fill != nullptr ? fill() : -1));
}

BOOL CALLBACK FindTreeChild(HWND child, LPARAM found) {
  wchar_t cls[32] = {};
  GetClassNameW(child, cls, 32);
  if (lstrcmpiW(cls, WC_TREEVIEWW) != 0) return TRUE;
  *reinterpret_cast<HWND*>(found) = child;
  return FALSE;
}

HWND FindTree() {
  HWND tree = nullptr;
  EnumChildWindows(GetParent(g_found.window), FindTreeChild, reinterpret_cast<LPARAM>(&tree));
  return tree;
}

// Ticks the tree item of that text on the tree view itself, as a DLL that holds its handle may.
void TickOnTheView(const wchar_t* text) {
  HWND tree = FindTree();
  for (HTREEITEM item = TreeView_GetRoot(tree); item != nullptr;) {
    wchar_t buffer[64] = {};
    TVITEMW data = {};
    data.mask = TVIF_TEXT;
    data.hItem = item;
    data.pszText = buffer;
    data.cchTextMax = 64;
    SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&data));
    if (lstrcmpW(buffer, text) == 0) {
      TreeView_SetCheckState(tree, item, TRUE);
      Log("ticked on the view");
      return;
    }
    HTREEITEM next = TreeView_GetChild(tree, item);
    if (next == nullptr) next = TreeView_GetNextSibling(tree, item);
    if (next == nullptr) next = TreeView_GetNextSibling(tree, TreeView_GetParent(tree, item));
    item = next;
  }
  Log("no tree item to tick");
}

// Before the installation: the install folder through its address, and a script of the probe's
// making in place of the package's.
void ChangeScript() {
  const char* folder = nullptr;
  PageRequest(1011, reinterpret_cast<intptr_t>(&folder));
  Log("folder by address " + Text(reinterpret_cast<intptr_t>(folder)));
  const std::string script = Text(g_found.entry(1011, 0, 0));
  const std::string mark = "setstartmenu()";
  const size_t at = script.find(mark);
  if (at == std::string::npos) {
    Log("script without " + mark);
    return;
  }
  static std::string replaced;
  replaced = script;
  replaced.insert(at + mark.size(), "\r\n[真]removezip(dropped.txt)");
  g_found.entry(1012, reinterpret_cast<intptr_t>(replaced.c_str()), 0);
  Log("script replaced: " + std::to_string(script.size()) + " -> " +
      std::to_string(Text(g_found.entry(1011, 0, 0)).size()) + " bytes");
}

bool Vetoed(const std::string& code, const std::string& first) {
  static std::string vetoes = Env("PROBE_VETO") + ",";
  for (const std::string& key : {code + ":" + first + ",", code + ","}) {
    const size_t at = ("," + vetoes).find("," + key);
    if (at == std::string::npos) continue;
    vetoes.erase(at, key.size());  // once
    return true;
  }
  return false;
}

void DriveInstaller() {
  Found& found = g_found;
  EnumWindows(FindTop, reinterpret_cast<LPARAM>(&found));
  if (found.entry == nullptr) {
    Log("no message window");
    return;
  }
  if (!Env("PROBE_WIZARD").empty()) {
    LookAtWizard();
    AddOwnPage();
    ReadPageTables();
    PageRequest(1006, reinterpret_cast<intptr_t>(&OnPageChange));
    OwnComponents();
  }
  LookUpThroughAnsi();
  static const char exclusion[] = "skip.txt";
  found.entry(1021, reinterpret_cast<intptr_t>(exclusion), 0);
  Log("folder " + Text(found.entry(1006, 0, 0)));
  Log("unknown " + std::to_string(found.entry(4711, 1, 2)));
  if (Env("PROBE_INSTALL").empty()) return;
  static std::string request;
  request = "$，" + std::to_string(reinterpret_cast<intptr_t>(&OnPercent)) + "$，" +
            std::to_string(reinterpret_cast<intptr_t>(&OnLine));
  Log("install request");
  const LRESULT result =
      SendMessageW(found.window, 1009, reinterpret_cast<WPARAM>(request.c_str()), 0);
  Log("install request answered " + std::to_string(result));
}

}  // namespace

// Declares three of the fifteen arguments: the caller's stack must survive that.
extern "C" __declspec(dllexport) int __stdcall Start(intptr_t text, intptr_t integer,
                                                     intptr_t bytes) {
  Log("start text=" + Text(text) + " integer=" + std::to_string(static_cast<int32_t>(integer)) +
      " bytes=" + Text(bytes));
  HWND window = CreateWindowExW(0, L"CometLoadDialog", L"probe", WS_POPUP, 0, 0, 50, 50, nullptr,
                                nullptr, GetModuleHandleW(nullptr), nullptr);
  Log(window != nullptr ? "CometLoadDialog window made" : "no CometLoadDialog class");
  if (window != nullptr) DestroyWindow(window);
  DriveInstaller();
  return 0;
}

extern "C" __declspec(dllexport) int __stdcall Again(intptr_t integer) {
  Log("again integer=" + std::to_string(static_cast<int32_t>(integer)));
  return 0;
}

extern "C" __declspec(dllexport) int __stdcall kaye_msg(intptr_t a1, intptr_t a2, intptr_t a3,
                                                        intptr_t, intptr_t, intptr_t, intptr_t,
                                                        intptr_t, intptr_t, intptr_t, intptr_t,
                                                        intptr_t, intptr_t, intptr_t, intptr_t) {
  const std::string line = "message " + std::to_string(static_cast<int32_t>(a1)) + " " +
                           std::to_string(static_cast<int32_t>(a2)) + " " +
                           std::to_string(static_cast<int32_t>(a3));
  Log(line);
  const int32_t code = static_cast<int32_t>(a1);
  if (Vetoed(std::to_string(code), std::to_string(static_cast<int32_t>(a2)))) {
    Log("vetoed " + line.substr(8));
    return 1;
  }
  if (code == 1002 && g_found.window != nullptr && !Env("PROBE_WIZARD").empty()) {
    if (TurnPage(static_cast<int32_t>(a2), static_cast<int32_t>(a3))) return 1;
    if (a2 == 3 && a3 == 1) ChangeScript();
  }
  if (code == 1001 && a2 == 2 && !Env("PROBE_WIZARD").empty()) TickOnTheView(L"支持库组件");
  if (code == 1002 && a2 == 3 && a3 == 1 && !Env("PROBE_INSTALL_AT_FOLDER").empty()) {
    static const char request[] = "$，0$，0";
    Log("folder install answered " +
        std::to_string(SendMessageW(g_found.window, 1009, reinterpret_cast<WPARAM>(request), 0)));
    return 1;
  }
  return 0;
}
