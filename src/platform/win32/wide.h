// GBK text to and from the system's UTF-16, always through code page 936.
#pragma once

#include <string>
#include <string_view>

namespace qmb {

std::wstring Wide(std::string_view gbk);
std::string Narrow(std::wstring_view utf16);

}  // namespace qmb
