// The location text of a shortcut record and the file name of its links. The shortcut step and
// the uninstall record both read them here, so the record names exactly the links that were made.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qmb {

// Full-width commas become ASCII commas, then every "%AC%" becomes a literal full-width comma.
std::string NormalizeLocationText(std::string_view locations);

// The folders of a location text in order, blanks trimmed. Empty pieces ("a,,b", a trailing
// comma) are dropped: they name no folder, and a link "\name.lnk" would land in a drive's root.
std::vector<std::string> SplitLocations(std::string_view locations);

// True when name contains ".lnk" anywhere, in any case: such a name is taken as a link's whole
// file name.
bool HasLinkExtension(std::string_view name);
// name as it is when HasLinkExtension, else name + ".lnk".
std::string LinkFileName(std::string_view name);

}  // namespace qmb
