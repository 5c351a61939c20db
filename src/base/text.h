// GBK text helpers. Text is std::string holding GBK bytes; positions and lengths count bytes.
// Searches for a single ASCII byte never match the trail byte of a double-byte character.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qmb {

inline constexpr size_t kNotFound = std::string::npos;

// Byte-exact, case-sensitive replace of every occurrence (an empty pattern changes nothing).
std::string ReplaceAll(std::string_view text, std::string_view from, std::string_view to);
// Like ReplaceAll, but a match must start at a character boundary: a double-byte pattern such as
// "，" never matches the trail byte of one character and the lead byte of the next.
std::string ReplaceAllGbk(std::string_view text, std::string_view from, std::string_view to);
std::string ReplaceFirst(std::string_view text, std::string_view from, std::string_view to);
// Text after the first occurrence of opening up to the first occurrence of closing after it; empty
// when opening is missing or closing does not follow. An empty opening starts at the beginning, an
// empty closing takes the rest.
std::string TextBetween(std::string_view text, std::string_view opening, std::string_view closing);
// Splits at every occurrence of a separator of any length (byte-exact). An empty text gives no
// pieces; "a,,b" gives three.
std::vector<std::string> Split(std::string_view text, std::string_view separator);
// Splits at a single ASCII byte, skipping trail bytes of double-byte characters.
std::vector<std::string> SplitGbk(std::string_view text, char separator);
// First / last position of an ASCII byte that is not a trail byte; kNotFound when none. from must
// be the start of a character (0, or just after an ASCII byte).
size_t FindCharGbk(std::string_view text, char c, size_t from = 0);
size_t FindLastCharGbk(std::string_view text, char c);
// Trims spaces, tabs, CR and LF on both ends.
std::string Trim(std::string_view text);
// Integer value of the leading sign and digits after leading blanks; non-numeric text reads as 0.
int32_t ToInt(std::string_view text);
int64_t ToInt64(std::string_view text);
bool StartsWith(std::string_view text, std::string_view prefix);
bool EndsWith(std::string_view text, std::string_view suffix);
// ASCII case-insensitive comparison (double-byte characters compare exactly).
bool EqualsIgnoreCase(std::string_view a, std::string_view b);
// text with its ASCII letters lowered and double-byte characters as they stand: a key under which
// texts that EqualsIgnoreCase holds equal are one.
std::string CaseKey(std::string_view text);
// Length in bytes (1 or 2) of the character that starts at position i of text.
size_t GbkCharLength(std::string_view text, size_t i);
// True when c can be the lead byte of a GBK double-byte character (0x81..0xFE).
bool IsGbkLead(unsigned char c);
// The setting text "真" means true; anything else is false.
bool IsTrue(std::string_view text);
// Lower-case hexadecimal text of a number.
std::string ToHex(uint64_t value);

}  // namespace qmb
