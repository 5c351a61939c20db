// Console output of the checker programs: Windows text printed as UTF-8 for the test scripts.
#pragma once

#include <cstdio>
#include <string>

#include "base/gbk_codec.h"

#include "platform/win32/windows_include.h"

inline std::string Utf8(const std::wstring& text) {
  int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string out(size > 0 ? size - 1 : 0, '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, out.data(), size, nullptr, nullptr);
  return out;
}

// One output line: a kind word and a GBK text.
inline void Print(const std::string& kind, const std::string& gbk) {
  std::printf("%s %s\n", kind.c_str(), qmb::GbkToUtf8(gbk).c_str());
}
