// Loads 7-zip32.dll the way the setup runtime does and runs the engine's command lines on an
// archive made by the test script:
//   sevenzip_dll_check.exe [--dll PATH] ARCHIVE VOLUME_001 OUTPUT_FOLDER
// ARCHIVE holds a.txt, b\c.txt, b\d.txt and 数据\表格.txt (password "secret"); VOLUME_001 is the
// first file of a volume set of the same files. Prints one line per check and a summary; the exit
// code is the number of failed checks.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

using HARC = HGLOBAL;
using ARCHIVERPROC = BOOL(CALLBACK*)(HWND, UINT, UINT, LPVOID);
using SevenZipFn = int(WINAPI*)(HWND, LPCSTR, LPSTR, DWORD);
using OpenFn = HARC(WINAPI*)(HWND, LPCSTR, DWORD);
using CloseFn = int(WINAPI*)(HARC);
using SetOwnerFn = BOOL(WINAPI*)(HWND, ARCHIVERPROC*);

struct Record {
  UINT state;
  DWORD size, written;
  std::string dest;
};

// The leading fields of the extracting-info record.
struct Info {
  DWORD dwFileSize;
  DWORD dwWriteSize;
  char szSourceFileName[513];
  char pad1[3];
  char szDestFileName[513];
  char pad2[3];
};

std::vector<Record> g_records;  // what the callback received during the current run
int g_failures = 0;

BOOL CALLBACK OnProgress(HWND, UINT, UINT state, LPVOID info) {
  auto* r = static_cast<const Info*>(info);
  g_records.push_back({state, r->dwFileSize, r->dwWriteSize, r->szDestFileName});
  return TRUE;
}

void Check(bool ok, const std::string& what) {
  std::printf("%s %s\n", ok ? "ok  " : "FAIL", what.c_str());
  if (!ok) ++g_failures;
}

std::wstring Wide(const std::string& gbk) {
  int n = MultiByteToWideChar(936, 0, gbk.c_str(), -1, nullptr, 0);
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(936, 0, gbk.c_str(), -1, out.data(), n);
  out.resize(static_cast<size_t>(n > 0 ? n - 1 : 0));
  return out;
}

bool FileExists(const std::string& gbk_path) {
  DWORD a = GetFileAttributesW(Wide(gbk_path).c_str());
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

template <class Fn>
Fn Export(HMODULE dll, const char* name) {
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(dll, name)));
}

int CountState(UINT state) {
  int n = 0;
  for (const Record& r : g_records) n += r.state == state;
  return n;
}

bool Reported(const std::string& dest, DWORD size) {
  for (const Record& r : g_records)
    if (r.state == 1 && r.dest == dest && r.size == size && r.written == size) return true;
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  int first = 1;
  std::wstring dll_path;
  if (argc > 2 && std::string(argv[1]) == "--dll") {
    dll_path = Wide(argv[2]);
    first = 3;
  } else {
    wchar_t self[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, self, MAX_PATH);
    dll_path.assign(self, n);
    dll_path = dll_path.substr(0, dll_path.find_last_of(L'\\') + 1) + L"7-zip32.dll";
  }
  if (argc - first != 3) {
    std::fprintf(stderr, "usage: sevenzip_dll_check [--dll PATH] ARCHIVE VOLUME_001 OUTPUT_FOLDER\n");
    return 100;
  }
  const std::string archive = argv[first], volume = argv[first + 1];
  const std::string out = std::string(argv[first + 2]) + "\\";

  HMODULE dll = LoadLibraryW(dll_path.c_str());
  if (!dll) {
    std::printf("FAIL LoadLibraryW error %lu\n", GetLastError());
    return 101;
  }
  auto sevenzip = Export<SevenZipFn>(dll, "SevenZip");
  auto open = Export<OpenFn>(dll, "SevenZipOpenArchive");
  auto close = Export<CloseFn>(dll, "SevenZipCloseArchive");
  auto set_owner = Export<SetOwnerFn>(dll, "SevenZipSetOwnerWindowEx");
  Check(sevenzip && open && close && set_owner, "the four undecorated exports are found");
  if (!sevenzip || !open || !close || !set_owner) return 102;

  // As the engine does it: the callback's own address, then open and close, then the run.
  Check(set_owner(nullptr, reinterpret_cast<ARCHIVERPROC*>(&OnProgress)), "owner callback set");
  HARC handle = open(nullptr, archive.c_str(), 0);
  Check(handle != nullptr, "SevenZipOpenArchive gives a handle");
  Check(close(handle) == 0, "SevenZipCloseArchive");

  auto run = [&](const std::string& cmd) {
    g_records.clear();
    char message[256] = "";
    int rc = sevenzip(nullptr, cmd.c_str(), message, sizeof(message));
    std::printf("     rc=%d %s <- %s\n", rc, message, cmd.c_str());
    return rc;
  };
  const std::string q = "\"";
  const std::string gbk_file = "\xCA\xFD\xBE\xDD\\\xB1\xED\xB8\xF1.txt";  // 数据\表格.txt

  // Everything, keeping folders.
  std::string full = out + "full\\";
  Check(run("x " + q + archive + q + " -hide -y " + q + full + q + " * -p" + q + "secret" + q) == 0,
        "x with every entry");
  Check(FileExists(full + "a.txt") && FileExists(full + "b\\c.txt") && FileExists(full + gbk_file),
        "files written, the GBK name through UTF-16");
  Check(CountState(2) == 1 && g_records.back().state == 2, "one end report, last");
  Check(Reported(full + "a.txt", 6) && Reported(full + gbk_file, 9),
        "records carry sizes and GBK destination names");

  // Items only.
  std::string items = out + "items\\";
  Check(run("x " + q + archive + q + " -hide -y " + q + items + q + " " + q + "a.txt" + q + " " + q +
            "b\\c.txt" + q + "  -p" + q + "secret" + q) == 0,
        "x with two items");
  Check(FileExists(items + "a.txt") && FileExists(items + "b\\c.txt") &&
            !FileExists(items + "b\\d.txt") && !FileExists(items + gbk_file),
        "only the items are written");

  // Exclusions, in the engine's form.
  std::string excl = out + "excl\\";
  Check(run("x " + q + archive + q + " -hide -y " + q + excl + q + " " + q + "a.txt" + q + " " + q +
            "b\\c.txt" + q + "  -p" + q + "secret" + q + " * -x!" + q + "a.txt" + q + "  * -x!" + q +
            "b\\c.txt" + q + " ") == 0,
        "x with two exclusions");
  Check(!FileExists(excl + "a.txt") && !FileExists(excl + "b\\c.txt") &&
            FileExists(excl + "b\\d.txt") && FileExists(excl + gbk_file),
        "everything but the exclusions is written");

  // Flat.
  std::string flat = out + "flat\\";
  Check(run("e " + q + archive + q + " -hide -y " + q + flat + q + " * -p" + q + "secret" + q) == 0,
        "e with every entry");
  Check(FileExists(flat + "c.txt") && FileExists(flat + "\xB1\xED\xB8\xF1.txt") &&
            !FileExists(flat + "b\\c.txt"),
        "e writes every file straight into the folder");

  // A volume set, opened through CreateFileW one volume after the other.
  std::string vol = out + "vol\\";
  Check(run("x " + q + volume + q + " -hide -y " + q + vol + q + " * -p" + q + "secret" + q) == 0,
        "x over a .001 volume set");
  Check(FileExists(vol + "b\\d.txt") && FileExists(vol + "big.bin"), "volume set extracted");

  // The pointer-to-callback form of the owner registration, and a wrong password.
  ARCHIVERPROC proc = OnProgress;
  Check(set_owner(nullptr, &proc), "owner callback set through a pointer");
  std::string wrong = out + "wrong\\";
  Check(run("x " + q + archive + q + " -hide -y " + q + wrong + q + " * -p" + q + "guess" + q) != 0,
        "a wrong password fails");
  Check(!FileExists(wrong + "a.txt"), "nothing written with a wrong password");
  Check(CountState(2) == 1, "the pointer form reaches the callback too");

  std::printf("%s: %d check(s) failed\n", g_failures ? "FAILED" : "PASSED", g_failures);
  FreeLibrary(dll);
  return g_failures;
}
