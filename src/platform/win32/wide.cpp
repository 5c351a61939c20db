// UTF-16 conversions for the win32 ports.
#include "platform/win32/wide.h"

#include "base/gbk_codec.h"

namespace qmb {

std::wstring Wide(std::string_view gbk) {
  std::u16string utf16 = GbkToUtf16(gbk);
  return std::wstring(utf16.begin(), utf16.end());
}

std::string Narrow(std::wstring_view utf16) {
  return Utf16ToGbk(std::u16string_view(reinterpret_cast<const char16_t*>(utf16.data()),
                                        utf16.size()));
}

}  // namespace qmb
