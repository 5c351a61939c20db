// What the install progress display takes from the loaded settings: the progress-line templates of
// "GUItext.ini" and the details-list mode of "data.ini". Loaded with the settings, so that every
// line the install shows, logs and hands to a controlling module is a real one.
#pragma once

#include "context/context.h"

namespace qmb {

// The templates become the "安装3" record split at "," (built-in ones when there is no record);
// the details-list mode becomes the integer of "安装过程_列表".
void LoadProgressSettings(Context& ctx);

}  // namespace qmb
