// The data cipher of the settings layer, keyed by a text. Shared by the runtime (deciphering) and the
// packaging tool (enciphering), so both sides always agree.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qmb {

// Keys of the enciphered settings files.
inline constexpr std::string_view kGuiTextKey = "kvo";
inline constexpr std::string_view kExceptKey = "q";
inline constexpr std::string_view kScriptKey = "lantern";

// Deterministic: the same plain bytes and key give the same output. Empty only if the cipher fails.
std::string Encipher(std::string_view plain, std::string_view key);
// nullopt when the data is not enciphered with this key or has been damaged.
std::optional<std::string> Decipher(std::string_view data, std::string_view key);

}  // namespace qmb
