// The message windows and the caption their ANSI lookup reads.
#include "platform/win32/message_window.h"

#include <optional>

#include "platform/win32/wide.h"

namespace qmb {
namespace {

constexpr DWORD kMessageWindowExStyle = 0x20;      // transparent
constexpr DWORD kMessageWindowStyle = 0x54000000;  // child, visible, clip siblings
constexpr UINT kGbkCodePage = 936;

HWND MakeWindow(HWND parent, const std::wstring& caption) {
  return CreateWindowExW(kMessageWindowExStyle, L"Static", caption.c_str(), kMessageWindowStyle,
                         -999, -999, 0, 0, parent, nullptr, GetModuleHandleW(nullptr), nullptr);
}

// The caption whose ANSI reading on this machine is exactly the GBK bytes; none when the ANSI code
// page is GBK (the one window serves both) or cannot carry every byte of them back.
std::optional<std::wstring> AnsiReadableCaption(const std::string& gbk) {
  if (GetACP() == kGbkCodePage || gbk.empty()) return std::nullopt;
  const int size = static_cast<int>(gbk.size());
  std::wstring wide(static_cast<size_t>(size), L'\0');
  wide.resize(static_cast<size_t>(
      MultiByteToWideChar(CP_ACP, 0, gbk.data(), size, wide.data(), size)));
  if (wide.empty()) return std::nullopt;
  std::string back(gbk.size() * 2, '\0');
  back.resize(static_cast<size_t>(WideCharToMultiByte(CP_ACP, 0, wide.data(),
                                                      static_cast<int>(wide.size()), back.data(),
                                                      static_cast<int>(back.size()), nullptr,
                                                      nullptr)));
  if (back != gbk) return std::nullopt;
  return wide;
}

}  // namespace

std::vector<HWND> CreateMessageWindows(HWND parent, const std::string& caption) {
  std::vector<HWND> windows;
  if (HWND window = MakeWindow(parent, Wide(caption))) windows.push_back(window);
  if (const std::optional<std::wstring> ansi = AnsiReadableCaption(caption))
    if (HWND twin = MakeWindow(parent, *ansi)) windows.push_back(twin);
  return windows;
}

}  // namespace qmb
