// Registry access with 32/64-bit views.
#include "platform/win32/win32_registry.h"

#include <functional>
#include <memory>

#include "platform/win32/wide.h"
#include "platform/win32/wow64.h"

namespace qmb {

namespace {

constexpr DWORD kRegMultiSz = 7;

HKEY RootKey(RegRoot root) {
  switch (root) {
    case RegRoot::kClassesRoot: return HKEY_CLASSES_ROOT;
    case RegRoot::kCurrentConfig: return HKEY_CURRENT_CONFIG;
    case RegRoot::kCurrentUser: return HKEY_CURRENT_USER;
    case RegRoot::kLocalMachine: return HKEY_LOCAL_MACHINE;
    case RegRoot::kUsers: return HKEY_USERS;
  }
  return nullptr;
}

bool IsStringType(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ || type == kRegMultiSz; }

// The key path without leading or trailing backslashes, as UTF-16.
std::wstring KeyPath(const std::string& key) {
  std::wstring path = Wide(key);
  size_t first = path.find_first_not_of(L'\\');
  if (first == std::wstring::npos) return {};
  return path.substr(first, path.find_last_not_of(L'\\') - first + 1);
}

// One access in a view: the 64-bit view of 64-bit Windows switches redirection off meanwhile.
class ViewAccess {
 public:
  ViewAccess(RegView view, bool is_64bit_windows) {
    if (!is_64bit_windows) return;
    if (view == RegView::k64) {
      wow64_ = true;
      redirection_ = std::make_unique<FsRedirectionOff>();
      flag_ = KEY_WOW64_64KEY;
    } else if (view == RegView::k32) {
      flag_ = KEY_WOW64_32KEY;
    }  // the default view is the process's own: 32-bit for the shipped build, 64-bit for x86-64
  }
  // False when the 64-bit view was asked for and redirection could not be switched off.
  bool ok() const { return !wow64_ || redirection_->ok(); }
  REGSAM flag() const { return flag_; }
  bool wow64() const { return wow64_; }

 private:
  bool wow64_ = false;
  REGSAM flag_ = 0;
  std::unique_ptr<FsRedirectionOff> redirection_;
};

class KeyHandle {
 public:
  KeyHandle() = default;
  ~KeyHandle() {
    if (key_) RegCloseKey(key_);
  }
  KeyHandle(const KeyHandle&) = delete;
  KeyHandle& operator=(const KeyHandle&) = delete;
  HKEY* put() { return &key_; }
  HKEY get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

LONG DeleteOneKey(HKEY parent, const wchar_t* name, REGSAM view_flag) {
  using DeleteKeyExFn = LONG(WINAPI*)(HKEY, LPCWSTR, REGSAM, DWORD);
  HMODULE advapi = GetModuleHandleW(L"advapi32.dll");
  auto delete_ex = advapi ? reinterpret_cast<DeleteKeyExFn>(reinterpret_cast<void*>(
                                GetProcAddress(advapi, "RegDeleteKeyExW")))
                          : nullptr;
  // Without RegDeleteKeyExW (32-bit Windows before Vista) there is only one view anyway.
  return delete_ex ? delete_ex(parent, name, view_flag, 0) : RegDeleteKeyW(parent, name);
}

// Deletes a key below parent with all its subkeys.
bool DeleteTree(HKEY parent, const std::wstring& name, REGSAM view_flag) {
  {
    KeyHandle key;
    if (RegOpenKeyExW(parent, name.c_str(), 0, KEY_READ | KEY_WRITE | view_flag, key.put()) !=
        ERROR_SUCCESS)
      return false;
    wchar_t child[256];
    for (;;) {
      DWORD length = 256;
      if (RegEnumKeyExW(key.get(), 0, child, &length, nullptr, nullptr, nullptr, nullptr) !=
          ERROR_SUCCESS)
        break;
      if (!DeleteTree(key.get(), child, view_flag)) return false;
    }
  }
  return DeleteOneKey(parent, name.c_str(), view_flag) == ERROR_SUCCESS;
}

using KeyDeleter = std::function<bool(HKEY parent, const std::wstring& name, REGSAM view_flag)>;

// Opens the parent of key in its view and lets remove delete the key below it.
bool DeleteBelowParent(bool is_64bit_windows, RegRoot root, const std::string& key, RegView view,
                       const KeyDeleter& remove) {
  ViewAccess access(view, is_64bit_windows);
  HKEY root_key = RootKey(root);
  std::wstring path = KeyPath(key);
  if (!access.ok() || !root_key || path.empty()) return false;
  size_t split = path.rfind(L'\\');
  std::wstring parent_path = split == std::wstring::npos ? L"" : path.substr(0, split);
  std::wstring name = split == std::wstring::npos ? path : path.substr(split + 1);
  KeyHandle parent;
  if (RegOpenKeyExW(root_key, parent_path.c_str(), 0, KEY_READ | KEY_WRITE | access.flag(),
                    parent.put()) != ERROR_SUCCESS)
    return false;
  if (access.wow64()) DisableReflection(parent.get());
  bool deleted = remove(parent.get(), name, access.flag());
  if (access.wow64()) EnableReflection(parent.get());
  return deleted;
}

}  // namespace

Win32Registry::Win32Registry() : is_64bit_windows_(Is64BitWindowsNative()) {}

std::optional<std::string> Win32Registry::QueryString(RegRoot root, const std::string& key,
                                                      const std::string& name, RegView view) {
  std::optional<RegValue> value = QueryValue(root, key, name, view);
  if (!value) return std::nullopt;
  return RegValueText(*value);
}

std::optional<RegValue> Win32Registry::QueryValue(RegRoot root, const std::string& key,
                                                  const std::string& name, RegView view) {
  ViewAccess access(view, is_64bit_windows_);
  HKEY root_key = RootKey(root);
  if (!access.ok() || !root_key) return std::nullopt;
  KeyHandle handle;
  if (RegOpenKeyExW(root_key, KeyPath(key).c_str(), 0, KEY_QUERY_VALUE | access.flag(),
                    handle.put()) != ERROR_SUCCESS)
    return std::nullopt;
  std::wstring value_name = Wide(name);
  DWORD type = 0;
  DWORD size = 0;
  std::string bytes;
  LONG result = ERROR_MORE_DATA;
  // The value may grow between the two calls; ask again until it fits.
  while (result == ERROR_MORE_DATA) {
    result = RegQueryValueExW(handle.get(), value_name.c_str(), nullptr, &type, nullptr, &size);
    if (result != ERROR_SUCCESS) return std::nullopt;
    bytes.assign(size, '\0');
    result = RegQueryValueExW(handle.get(), value_name.c_str(), nullptr, &type,
                              reinterpret_cast<BYTE*>(bytes.data()), &size);
  }
  if (result != ERROR_SUCCESS) return std::nullopt;
  bytes.resize(size);
  if (IsStringType(type))
    bytes = Narrow(std::wstring_view(reinterpret_cast<const wchar_t*>(bytes.data()), size / 2));
  return RegValue{type, std::move(bytes)};
}

bool Win32Registry::SetValue(RegRoot root, const std::string& key, const std::string& name,
                             uint32_t type, std::string_view data, RegView view) {
  ViewAccess access(view, is_64bit_windows_);
  HKEY root_key = RootKey(root);
  if (!access.ok() || !root_key) return false;
  KeyHandle handle;
  if (RegCreateKeyExW(root_key, KeyPath(key).c_str(), 0, nullptr, 0,
                      KEY_READ | KEY_WRITE | access.flag(), nullptr, handle.put(),
                      nullptr) != ERROR_SUCCESS)
    return false;
  std::string bytes(data);
  if (IsStringType(type)) {
    std::wstring text = Wide(data);
    if (text.empty() || text.back() != L'\0') text.push_back(L'\0');
    bytes.assign(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
  }
  if (access.wow64()) DisableReflection(handle.get());
  LONG result = RegSetValueExW(handle.get(), Wide(name).c_str(), 0, type,
                               reinterpret_cast<const BYTE*>(bytes.data()),
                               static_cast<DWORD>(bytes.size()));
  if (access.wow64()) EnableReflection(handle.get());
  return result == ERROR_SUCCESS;
}

bool Win32Registry::DeleteValue(RegRoot root, const std::string& key, const std::string& name,
                                RegView view) {
  ViewAccess access(view, is_64bit_windows_);
  HKEY root_key = RootKey(root);
  if (!access.ok() || !root_key) return false;
  KeyHandle handle;
  if (RegOpenKeyExW(root_key, KeyPath(key).c_str(), 0, KEY_SET_VALUE | access.flag(),
                    handle.put()) != ERROR_SUCCESS)
    return false;
  if (access.wow64()) DisableReflection(handle.get());
  LONG result = RegDeleteValueW(handle.get(), Wide(name).c_str());
  if (access.wow64()) EnableReflection(handle.get());
  return result == ERROR_SUCCESS;
}

bool Win32Registry::DeleteKey(RegRoot root, const std::string& key, RegView view) {
  return DeleteBelowParent(is_64bit_windows_, root, key, view, DeleteTree);
}

bool Win32Registry::DeleteLeafKey(RegRoot root, const std::string& key, RegView view) {
  // The system's own key deletion refuses a key that still has subkeys.
  return DeleteBelowParent(is_64bit_windows_, root, key, view,
                           [](HKEY parent, const std::wstring& name, REGSAM view_flag) {
                             return DeleteOneKey(parent, name.c_str(), view_flag) == ERROR_SUCCESS;
                           });
}

bool Win32Registry::DeleteEmptyKey(RegRoot root, const std::string& key, RegView view) {
  {
    ViewAccess access(view, is_64bit_windows_);
    HKEY root_key = RootKey(root);
    if (!access.ok() || !root_key) return false;
    KeyHandle handle;
    if (RegOpenKeyExW(root_key, KeyPath(key).c_str(), 0, KEY_READ | access.flag(), handle.put()) !=
        ERROR_SUCCESS)
      return false;
    DWORD subkeys = 0;
    DWORD values = 0;
    if (RegQueryInfoKeyW(handle.get(), nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr,
                         &values, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS ||
        subkeys != 0 || values != 0)
      return false;
  }
  return DeleteLeafKey(root, key, view);
}

bool Win32Registry::KeyExists(RegRoot root, const std::string& key, RegView view) {
  ViewAccess access(view, is_64bit_windows_);
  HKEY root_key = RootKey(root);
  if (!access.ok() || !root_key) return false;
  KeyHandle handle;
  return RegOpenKeyExW(root_key, KeyPath(key).c_str(), 0, KEY_READ | access.flag(),
                       handle.put()) == ERROR_SUCCESS;
}

}  // namespace qmb
