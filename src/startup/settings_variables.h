// The built-in variables of the variable table: their values are computed on this machine, and the
// package author's own value for such a name is ignored.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "base/ini.h"
#include "context/context.h"
#include "startup/settings_catalogue.h"

namespace qmb {

// The computed value of a built-in variable name (percent signs included); nullopt for any other
// name. data is the main settings file as unpacked, for the names that come from settings.
std::optional<std::string> BuiltInVariableValue(Context& ctx, std::string_view name,
                                                const IniFile& data);

// Every "\" doubled, the way registry-file strings write it; trail bytes of double-byte
// characters are left alone.
std::string DoubleBackslashes(std::string_view text);

}  // namespace qmb
