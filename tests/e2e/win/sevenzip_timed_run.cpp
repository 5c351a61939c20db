// Times one SevenZip call of 7-zip32.dll for the bench, without Wine's start-up around it:
//   sevenzip_timed_run.exe DLL "COMMAND LINE"
// Prints the call's wall-clock seconds; the exit code is the call's result (or 100 when the DLL
// cannot be loaded).
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

using SevenZipFn = int(WINAPI*)(HWND, LPCSTR, LPSTR, DWORD);

std::wstring Wide(const char* text) {
  int n = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text, -1, out.data(), n);
  out.resize(static_cast<size_t>(n > 0 ? n - 1 : 0));
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: sevenzip_timed_run DLL \"COMMAND LINE\"\n");
    return 100;
  }
  HMODULE dll = LoadLibraryW(Wide(argv[1]).c_str());
  auto sevenzip = dll ? reinterpret_cast<SevenZipFn>(reinterpret_cast<void*>(GetProcAddress(dll, "SevenZip")))
                      : nullptr;
  if (!sevenzip) {
    std::fprintf(stderr, "cannot load SevenZip from %s (error %lu)\n", argv[1], GetLastError());
    return 100;
  }
  char message[512] = "";
  LARGE_INTEGER frequency, start, end;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&start);
  int result = sevenzip(nullptr, argv[2], message, sizeof message);
  QueryPerformanceCounter(&end);
  std::printf("%.3f\n", double(end.QuadPart - start.QuadPart) / double(frequency.QuadPart));
  if (result != 0) std::fprintf(stderr, "SevenZip returned %d: %s\n", result, message);
  return result;
}
