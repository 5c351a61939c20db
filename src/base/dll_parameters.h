// The argument lists of support-DLL calls and messages. A parameter text is a list of items joined
// by "\r\nDLL标记$", each "label$参数，type$参数，value"; the program writes its own messages in a
// readable form ("label，type，value" lines joined by "\r\n" or "……") and converts them first.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

namespace qmb {

// Arguments of a support-DLL call: pointer-sized, so that an address fits on either target. Integer
// arguments are sign-extended 32-bit values.
inline constexpr size_t kDllArgumentSlots = 15;
using DllArguments = std::array<intptr_t, kDllArgumentSlots>;

inline constexpr char kDllItemSeparator[] = "\r\nDLL标记$";
inline constexpr char kDllFieldSeparator[] = "$参数，";
inline constexpr char kDllTypeText[] = "文本型";
inline constexpr char kDllTypeBytes[] = "字节集";
inline constexpr char kDllTypeInteger[] = "整数型";

struct DllParameter {
  std::string label;
  std::string type;
  std::string value;
};

// The readable message form as a parameter text: "……" becomes "\r\n", "，" becomes "$参数，",
// then "\r\n" becomes the item separator.
std::string ConvertMessageText(std::string_view readable);

// Every item of a parameter text (there may be more than the call passes); missing parts are empty.
std::vector<DllParameter> ParseDllParameters(std::string_view text);

// The parameter text of items, the inverse of ParseDllParameters.
std::string JoinDllParameters(const std::vector<DllParameter>& items);

// The argument slots of the first kDllArgumentSlots items: an integer as its 32-bit value, a text
// or byte argument as the address of a NUL-terminated copy appended to kept (which must outlive
// every use of the address, and whose earlier entries never move), anything else 0.
DllArguments BuildDllArguments(const std::vector<DllParameter>& items,
                               std::deque<std::string>& kept);

}  // namespace qmb
