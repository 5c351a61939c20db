// The install script text: loading it from the settings and finding one component's section.
// A component block is the component's name, "\r\n｛", the sections "Install(){", "Unzip(){",
// "finish(){" and "describe(){" each closed by "\r\n}", and "\r\n｝\r\n\r\n".
#pragma once

#include <string>
#include <string_view>

#include "context/context.h"

namespace qmb {

// Deciphers "choolantern.ini" of the work folder into ctx.script.text (empty when it is missing
// or does not decipher).
void LoadScriptText(Context& ctx);

struct ScriptSection {
  bool found = false;  // the component has a block
  std::string body;    // the section's body; the whole block when no section was asked for
};

// The lookup searches for name + "\r\n｛" anywhere in the script, so a name that ends another
// component's name finds that block when it comes first.
ScriptSection FindScriptSection(std::string_view script, std::string_view component,
                                std::string_view section);

}  // namespace qmb
