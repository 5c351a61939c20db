// Conversions between GBK (code page 936), UTF-16 and UTF-8. Always code page 936, never the
// machine's ANSI code page, so the program behaves alike on every Windows language.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qmb {

std::u16string GbkToUtf16(std::string_view gbk);
// UTF-16 text from its little-endian bytes, as files and the conversions hold it (an odd last
// byte is dropped).
std::u16string Utf16FromLittleEndian(std::string_view bytes);
// Characters that GBK cannot hold become "?".
std::string Utf16ToGbk(std::u16string_view utf16);
std::string GbkToUtf8(std::string_view gbk);
std::string Utf8ToGbk(std::string_view utf8);
// True when the bytes form valid UTF-8.
bool IsValidUtf8(std::string_view text);

}  // namespace qmb
