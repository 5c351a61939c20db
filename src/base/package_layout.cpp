// The settings key derivation, kept beside the layout it belongs to.
#include "base/package_layout.h"

#include "base/digest.h"

namespace qmb {

std::string SettingsKeyFrom(std::string_view key_bytes) { return Md5Hex(key_bytes); }

}  // namespace qmb
