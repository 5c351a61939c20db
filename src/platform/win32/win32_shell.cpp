// Shell execution, links and taskbar verbs.
#include "platform/win32/win32_shell.h"

#include "platform/win32/windows_include.h"

#include <shellapi.h>
#include <shldisp.h>
#include <shlobj.h>

#include <cctype>
#include <cwchar>

#include "base/text.h"
#include "platform/win32/com.h"
#include "platform/win32/wide.h"

namespace qmb {

namespace {

// Shell32's display names of the taskbar verbs, so the match works in every language.
constexpr UINT kPinToTaskbarText = 5386;
constexpr UINT kUnpinFromTaskbarText = 5387;

int ShowCommand(ShowMode show) { return show == ShowMode::kHidden ? SW_HIDE : SW_SHOWNORMAL; }

// nullptr for an empty text, as the shell expects for "none".
const wchar_t* OrNull(const std::wstring& text) { return text.empty() ? nullptr : text.c_str(); }

// "file,index" into its parts; a text without a numeric index after its last comma is all file.
void SplitIcon(const std::string& icon, std::string& file, int& index) {
  file = icon;
  index = 0;
  size_t comma = icon.rfind(',');
  if (comma == std::string::npos) return;
  std::string number = Trim(icon.substr(comma + 1));
  size_t digits = number.find_first_not_of('-');
  if (number.empty() || digits == std::string::npos ||
      number.find_first_not_of("0123456789", digits) != std::string::npos)
    return;
  file = icon.substr(0, comma);
  index = ToInt(number);
}

// "Ctrl+Alt+X" in the scripting shell's form as the word IShellLink stores; 0 when not understood.
WORD ParseHotkey(const std::string& text) {
  BYTE modifiers = 0;
  BYTE key = 0;
  for (const std::string& raw : Split(text, "+")) {
    std::string part = Trim(raw);
    if (EqualsIgnoreCase(part, "ctrl")) modifiers |= HOTKEYF_CONTROL;
    else if (EqualsIgnoreCase(part, "alt")) modifiers |= HOTKEYF_ALT;
    else if (EqualsIgnoreCase(part, "shift")) modifiers |= HOTKEYF_SHIFT;
    else if (part.size() == 1 && std::isalnum(static_cast<unsigned char>(part[0])))
      key = static_cast<BYTE>(std::toupper(static_cast<unsigned char>(part[0])));
    else if (part.size() >= 2 && (part[0] == 'F' || part[0] == 'f') && ToInt(part.substr(1)) >= 1 &&
             ToInt(part.substr(1)) <= 24)
      key = static_cast<BYTE>(VK_F1 + ToInt(part.substr(1)) - 1);
    else
      return 0;
  }
  return key ? MAKEWORD(key, modifiers) : 0;
}

}  // namespace

bool Win32Shell::Open(const std::string& file, const std::string& parameters,
                      const std::string& directory, ShowMode show) {
  std::wstring wide_parameters = Wide(parameters);
  std::wstring wide_directory = Wide(directory);
  HINSTANCE result = ShellExecuteW(nullptr, nullptr, Wide(file).c_str(), OrNull(wide_parameters),
                                   OrNull(wide_directory), ShowCommand(show));
  return reinterpret_cast<INT_PTR>(result) > 32;
}

bool Win32Shell::Execute(const std::string& verb, const std::string& file,
                         const std::string& parameters, const std::string& directory,
                         ShowMode show, bool wait) {
  ComScope com;
  std::wstring wide_verb = Wide(verb);
  std::wstring wide_file = Wide(file);
  std::wstring wide_parameters = Wide(parameters);
  std::wstring wide_directory = Wide(directory);
  SHELLEXECUTEINFOW info{};
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_INVOKEIDLIST | SEE_MASK_FLAG_NO_UI;
  info.lpVerb = OrNull(wide_verb);
  info.lpFile = wide_file.c_str();
  info.lpParameters = OrNull(wide_parameters);
  info.lpDirectory = OrNull(wide_directory);
  info.nShow = ShowCommand(show);
  if (!ShellExecuteExW(&info)) {
    // Wine refuses the item-list mask when no item list is given; the plain call does the same job.
    info.fMask &= ~SEE_MASK_INVOKEIDLIST;
    if (!ShellExecuteExW(&info)) return false;
  }
  if (info.hProcess) {
    if (wait) WaitForSingleObject(info.hProcess, INFINITE);
    CloseHandle(info.hProcess);
  }
  return true;
}

bool Win32Shell::CreateLink(const LinkSpec& link_spec) {
  ComScope com;
  ComRef<IShellLinkW> link;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                              link.put_void())))
    return false;
  if (FAILED(link->SetPath(Wide(link_spec.target).c_str()))) return false;
  link->SetWorkingDirectory(Wide(link_spec.working_dir).c_str());
  link->SetArguments(Wide(link_spec.arguments).c_str());
  link->SetDescription(Wide(link_spec.description).c_str());
  if (!link_spec.icon.empty()) {
    std::string icon_file;
    int icon_index = 0;
    SplitIcon(link_spec.icon, icon_file, icon_index);
    link->SetIconLocation(Wide(icon_file).c_str(), icon_index);
  }
  // A style of 0 means the default, a normal window.
  link->SetShowCmd(link_spec.window_style ? link_spec.window_style : SW_SHOWNORMAL);
  if (WORD hotkey = ParseHotkey(link_spec.hotkey)) link->SetHotkey(hotkey);
  ComRef<IPersistFile> file;
  if (FAILED(link->QueryInterface(IID_IPersistFile, file.put_void()))) return false;
  return SUCCEEDED(file->Save(Wide(link_spec.link_path).c_str(), TRUE));
}

void Win32Shell::InvokeTaskbarVerb(const std::string& folder, const std::string& file, bool pin) {
  wchar_t wanted[256] = {};
  if (HMODULE shell32 = LoadLibraryW(L"shell32.dll")) {
    LoadStringW(shell32, pin ? kPinToTaskbarText : kUnpinFromTaskbarText, wanted, 256);
    FreeLibrary(shell32);
  }
  if (!wanted[0]) return;

  ComScope com;
  ComRef<IShellDispatch> shell;
  if (FAILED(CoCreateInstance(CLSID_Shell, nullptr, CLSCTX_INPROC_SERVER, IID_IShellDispatch,
                              shell.put_void())))
    return;
  VARIANT folder_name;
  VariantInit(&folder_name);
  folder_name.vt = VT_BSTR;
  folder_name.bstrVal = SysAllocString(Wide(folder).c_str());
  ComRef<Folder> shell_folder;
  HRESULT found = shell->NameSpace(folder_name, shell_folder.put());
  VariantClear(&folder_name);
  if (FAILED(found) || !shell_folder) return;
  BSTR file_name = SysAllocString(Wide(file).c_str());
  ComRef<FolderItem> item;
  found = shell_folder->ParseName(file_name, item.put());
  SysFreeString(file_name);
  if (FAILED(found) || !item) return;
  ComRef<FolderItemVerbs> verbs;
  long count = 0;
  if (FAILED(item->Verbs(verbs.put())) || !verbs || FAILED(verbs->get_Count(&count))) return;
  // Every verb with the wanted name runs; the collection counts from 0.
  for (long i = 0; i < count; ++i) {
    VARIANT index;
    VariantInit(&index);
    index.vt = VT_I4;
    index.lVal = i;
    ComRef<FolderItemVerb> verb;
    if (FAILED(verbs->Item(index, verb.put())) || !verb) continue;
    BSTR name = nullptr;
    if (SUCCEEDED(verb->get_Name(&name)) && name && std::wcscmp(name, wanted) == 0) verb->DoIt();
    SysFreeString(name);
  }
}

}  // namespace qmb
