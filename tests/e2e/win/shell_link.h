// Links read back through the shell's own link object, for the checker programs.
#pragma once

#include <string>

#include "platform/win32/com.h"
#include "platform/win32/windows_include.h"

#include <shlobj.h>

// "target|arguments|description|icon,index|hotkey"; empty when the link cannot be loaded.
inline std::wstring ReadLink(const std::wstring& path) {
  qmb::ComScope com;
  qmb::ComRef<IShellLinkW> link;
  qmb::ComRef<IPersistFile> file;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                              link.put_void())) ||
      FAILED(link->QueryInterface(IID_IPersistFile, file.put_void())) ||
      FAILED(file->Load(path.c_str(), STGM_READ)))
    return L"";
  wchar_t target[MAX_PATH] = {}, arguments[MAX_PATH] = {}, description[MAX_PATH] = {},
          icon[MAX_PATH] = {};
  int icon_index = 0;
  WORD hotkey = 0;
  // The item list keeps the target's names in UTF-16; the plain path may have gone through the
  // ANSI code page (Wine stores it that way), which loses Chinese names under another locale.
  PIDLIST_ABSOLUTE items = nullptr;
  if (FAILED(link->GetIDList(&items)) || items == nullptr || !SHGetPathFromIDListW(items, target)) {
    link->GetPath(target, MAX_PATH, nullptr, SLGP_RAWPATH);
  }
  CoTaskMemFree(items);
  link->GetArguments(arguments, MAX_PATH);
  link->GetDescription(description, MAX_PATH);
  link->GetIconLocation(icon, MAX_PATH, &icon_index);
  link->GetHotkey(&hotkey);
  return std::wstring(target) + L"|" + arguments + L"|" + description + L"|" + icon + L"," +
         std::to_wstring(icon_index) + L"|" + std::to_wstring(hotkey);
}
