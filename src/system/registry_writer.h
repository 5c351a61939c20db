// Writing one registry value or running one registry script, each in the view the package asks
// for. Failures are logged and reported to the caller, which goes on with the next record.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "context/context.h"

namespace qmb {

// 1 for "REG_SZ", 3 for "REG_BINARY", 4 for "REG_DWORD"; 0 for any other type text.
uint32_t RegistryTypeCode(std::string_view type);

// The view text "64" asks for the 64-bit view; any other text for the 32-bit one (on 32-bit Windows
// both are the one registry).
RegView RegistryViewOf(std::string_view view_text);

// The bytes stored for a value: REG_DWORD as the 32-bit little-endian form of its decimal text,
// every other type as given (strings get their terminating zero from the registry port).
std::string RegistryValueBytes(uint32_t type, std::string_view value);

// Creates the key when missing and sets the value; true when it was set.
bool WriteRegistryValue(Context& ctx, RegRoot root, const std::string& key,
                        const std::string& name, std::string_view value, uint32_t type,
                        std::string_view view_text);

// Writes script (GBK registry-file text) to "QMB.reg" in the temp folder, runs it with
// "regedit /s", waits for regedit and removes the file again. True when regedit ran.
bool RunRegistryScript(Context& ctx, std::string_view script);

// The file bytes regedit gets for a script: a version-5 script that holds more than ASCII becomes
// UTF-16 with a byte order mark, so that its Chinese text never depends on the machine's ANSI code
// page; any other script is written as it is.
std::string RegistryScriptFile(std::string_view script);

}  // namespace qmb
