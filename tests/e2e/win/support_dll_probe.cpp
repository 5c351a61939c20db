// A support DLL for the end-to-end tests. It appends a line for every call to the file that
// PROBE_LOG names (GBK, CR LF): its start exports' parameters, every message with its first three
// arguments, the progress callbacks it hands over. It answers 1 to the message whose code (and
// first argument) PROBE_VETO names ("1003", "1002:3"), 0 to every other. Its start export "Start"
// drives the installer through the message entry routine, whose address it reads from the message
// window's caption: it adds "skip.txt" to the exclusion list, reads the install folder and, when
// PROBE_INSTALL is set, starts the installation with its own progress callbacks (request 1009,
// sent to the message window). It also makes and destroys a window of the installer's class
// "CometLoadDialog", which the installer registers for its support DLLs.
#include <windows.h>

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

void __stdcall OnPercent(intptr_t percent) { Log("percent " + std::to_string(percent)); }
void __stdcall OnLine(intptr_t line) { Log("line " + Text(line)); }

void DriveInstaller() {
  Found found;
  EnumWindows(FindTop, reinterpret_cast<LPARAM>(&found));
  if (found.entry == nullptr) {
    Log("no message window");
    return;
  }
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
  const std::string veto = Env("PROBE_VETO");
  const std::string code = std::to_string(static_cast<int32_t>(a1));
  const bool match = !veto.empty() && (veto == code || veto == code + ":" +
                                                           std::to_string(static_cast<int32_t>(a2)));
  return match ? 1 : 0;
}
