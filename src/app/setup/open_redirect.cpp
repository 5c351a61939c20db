// The replacement of CreateFileW while placeholder volumes are being read.
#include "app/setup/open_redirect.h"

#include "base/gbk_codec.h"
#include "platform/win32/wide.h"
#include "platform/win32/windows_include.h"

namespace qmb {
namespace {

constexpr char kModule[] = "kernel32.dll";
constexpr char kFunction[] = "CreateFileW";

// What the replacement redirects. The replacement is called by address, with no way to hand it
// an object, so the installed table is the one process-wide variable of this module; it is only
// read while the patch is in place.
struct RedirectTable {
  FunctionPatch* patch = nullptr;
  std::string base;
  std::vector<std::string> volumes;
};
RedirectTable g_table;

HANDLE WINAPI OpenRedirect(LPCWSTR name, DWORD access, DWORD share,
                           LPSECURITY_ATTRIBUTES security, DWORD disposition, DWORD flags,
                           HANDLE template_file) {
  RedirectTable& table = g_table;
  table.patch->Pause(kModule, kFunction);
  std::wstring real;
  if (name != nullptr) {
    const std::string gbk = Utf16ToGbk(reinterpret_cast<const char16_t*>(name));
    if (std::optional<size_t> index = PlaceholderIndex(table.base, table.volumes.size(), gbk)) {
      real = Wide(table.volumes[*index]);
    }
  }
  HANDLE handle = CreateFileW(real.empty() ? name : real.c_str(), access, share, security,
                              disposition, flags, template_file);
  // Keep the caller's error code across Resume.
  const DWORD error = GetLastError();
  table.patch->Resume(kModule, kFunction);
  SetLastError(error);
  return handle;
}

}  // namespace

bool CreateFileRedirection::Install(const std::string& base,
                                    const std::vector<std::string>& volumes) {
  Remove();
  g_table = {&patch_, base, volumes};
  return patch_.Install(kModule, kFunction, reinterpret_cast<const void*>(&OpenRedirect));
}

void CreateFileRedirection::Remove() {
  patch_.Remove(kModule, kFunction);
}

}  // namespace qmb
