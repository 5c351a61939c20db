// The stdcall exports of 7-zip32.dll over the portable SevenZip API. Undecorated names come from
// 7-zip32.def with --kill-at.
#include <windows.h>

#include "archive/sevenzip_api.h"

using HARC = HGLOBAL;
using ARCHIVERPROC = BOOL(CALLBACK*)(HWND, UINT, UINT, LPVOID);

namespace {

// The callback at proc: proc itself when it points into code, else the pointer stored there when
// that memory is readable, else none.
ARCHIVERPROC CallbackAt(ARCHIVERPROC* proc) {
  MEMORY_BASIC_INFORMATION info;
  if (!proc || !VirtualQuery(proc, &info, sizeof(info)) || info.State != MEM_COMMIT) return nullptr;
  if (info.Protect & (PAGE_EXECUTE | PAGE_EXECUTE_READ | PAGE_EXECUTE_READWRITE |
                      PAGE_EXECUTE_WRITECOPY))
    return reinterpret_cast<ARCHIVERPROC>(proc);
  if (info.Protect & (PAGE_READONLY | PAGE_READWRITE | PAGE_WRITECOPY)) return *proc;
  return nullptr;
}

}  // namespace

extern "C" {

int WINAPI SevenZip(HWND, LPCSTR command_line, LPSTR out, DWORD size) {
  return qmb::sevenzip::SevenZipRun(command_line, out, size);
}

HARC WINAPI SevenZipOpenArchive(HWND, LPCSTR path, DWORD mode) {
  return static_cast<HARC>(qmb::sevenzip::SevenZipOpen(path, mode));
}

int WINAPI SevenZipCloseArchive(HARC archive) {
  return qmb::sevenzip::SevenZipClose(archive);
}

// The parameter is declared as a pointer to the callback, but callers commonly pass the callback
// itself; both forms are accepted.
BOOL WINAPI SevenZipSetOwnerWindowEx(HWND window, ARCHIVERPROC* proc) {
  return qmb::sevenzip::SevenZipSetOwner(
      window, reinterpret_cast<qmb::sevenzip::ArchiverProc>(CallbackAt(proc)));
}

}  // extern "C"
