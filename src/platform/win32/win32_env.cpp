// System folders, variables, version and our own image.
#include "platform/win32/win32_env.h"

#include "platform/win32/windows_include.h"

#include <shlobj.h>

#include "platform/win32/wide.h"
#include "platform/win32/wow64.h"

namespace qmb {

namespace {

// Calls a "fill this buffer" query, growing the buffer while the answer does not fit. The query
// returns the length it wrote, or the size it needs when that exceeds the buffer; 0 on failure.
template <typename Query>
std::string BufferQuery(Query query) {
  std::wstring buffer(MAX_PATH, L'\0');
  for (int attempt = 0; attempt < 8; ++attempt) {
    DWORD length = query(buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return {};
    if (length < buffer.size()) return Narrow(std::wstring_view(buffer.data(), length));
    buffer.assign(static_cast<size_t>(length) * 2, L'\0');
  }
  return {};
}

std::optional<std::string> ResourceBytes(const wchar_t* type, const wchar_t* name) {
  HRSRC found = FindResourceW(nullptr, name, type);
  if (!found) return std::nullopt;
  HGLOBAL loaded = ::LoadResource(nullptr, found);
  const void* data = loaded ? LockResource(loaded) : nullptr;
  if (!data) return std::nullopt;
  return std::string(static_cast<const char*>(data), SizeofResource(nullptr, found));
}

}  // namespace

std::string Win32Env::GetSpecialFolder(SpecialFolder folder) {
  int csidl = CSIDL_DESKTOPDIRECTORY;
  if (folder == SpecialFolder::kPrograms) csidl = CSIDL_PROGRAMS;
  if (folder == SpecialFolder::kAppData) csidl = CSIDL_APPDATA;
  wchar_t path[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path))) return {};
  std::wstring text = path;
  if (text.size() > 3 && text.back() == L'\\') text.pop_back();
  return Narrow(text);
}

std::string Win32Env::TempFolder() {
  return BufferQuery([](wchar_t* buffer, DWORD size) { return GetTempPathW(size, buffer); });
}

std::string Win32Env::WindowsFolder() {
  return BufferQuery([](wchar_t* buffer, DWORD size) {
    return static_cast<DWORD>(GetWindowsDirectoryW(buffer, size));
  });
}

std::string Win32Env::GetVariable(const std::string& name) {
  std::wstring wide_name = Wide(name);
  return BufferQuery([&](wchar_t* buffer, DWORD size) {
    return GetEnvironmentVariableW(wide_name.c_str(), buffer, size);
  });
}

std::string Win32Env::UserName() {
  wchar_t name[257] = {};
  DWORD size = 257;
  if (!GetUserNameW(name, &size)) return {};
  return Narrow(name);
}

WindowsVersion Win32Env::GetWindowsVersion() {
  DWORD version = GetVersion();
  return {static_cast<int>(LOBYTE(LOWORD(version))), static_cast<int>(HIBYTE(LOWORD(version)))};
}

bool Win32Env::Is64BitWindows() { return Is64BitWindowsNative(); }

bool Win32Env::RunsUnderWow64() {
  BOOL wow64 = FALSE;
  return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

uint32_t Win32Env::TickCount() { return GetTickCount(); }

std::string Win32Env::ModulePath() {
  return BufferQuery([](wchar_t* buffer, DWORD size) {
    DWORD length = GetModuleFileNameW(nullptr, buffer, size);
    return length >= size ? size : length;  // a cut answer asks for a bigger buffer
  });
}

std::string Win32Env::CommandLine() { return Narrow(GetCommandLineW()); }

std::optional<std::string> Win32Env::LoadResource(const std::string& type, int id) {
  return ResourceBytes(Wide(type).c_str(), MAKEINTRESOURCEW(id));
}

std::optional<std::string> Win32Env::LoadResource(const std::string& type,
                                                  const std::string& name) {
  return ResourceBytes(Wide(type).c_str(), Wide(name).c_str());
}

}  // namespace qmb
