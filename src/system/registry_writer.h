// Writing one registry value or running one registry script, each in the view the package asks
// for. Failures are logged and reported to the caller, which goes on with the next record.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include <vector>

#include "context/context.h"
#include "system/registry_path.h"

namespace qmb {

// 1 for "REG_SZ", 3 for "REG_BINARY", 4 for "REG_DWORD"; 0 for any other type text.
uint32_t RegistryTypeCode(std::string_view type);

// Creates the key when missing (noting every key it creates) and sets the value; true when it was
// set. The view text "64" asks
// for the 64-bit view, any other text for the 32-bit one (on 32-bit Windows both are the one
// registry). A REG_DWORD value is its decimal text; other values are their bytes.
bool WriteRegistryValue(Context& ctx, RegRoot root, const std::string& key, const std::string& name,
                        std::string_view value, uint32_t type, std::string_view view_text);

// Writes script (GBK registry-file text) to "QMB.reg" in the temp folder, runs it with
// "regedit /s", waits for regedit and removes the file again. True when regedit ran. A version-5
// script with Chinese text is written as UTF-16, so that regedit never reads it through the
// machine's ANSI code page. The keys the script's key lines name that did not exist before and do
// afterwards (in either view) go to the install journal as created. Values the script writes into
// keys that were there are not recorded.
bool RunRegistryScript(Context& ctx, std::string_view script);

// The keys a registry script's key lines name ("[HKEY_...\key]"; a "[-HKEY_...]" line deletes and
// names none), in order, for a script in GBK or in UTF-16 with its byte order mark, with lines
// ending in LF or CR LF. Lines of an unknown root are passed over.
std::vector<RegistryPath> RegistryScriptKeys(std::string_view script);

}  // namespace qmb
