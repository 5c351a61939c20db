// The wizard's own texts as a user reads them: the window is made with texts that stand for the
// product ("禾木软件"), the product with its version ("禾木软件版本") and the publisher's line
// ("禾木公司版权所有"); they are filled in from data.ini before anything shows, so that a package
// that leaves a text of GUItext.ini out still names itself.
#pragma once

#include <string>

namespace qmb {

struct Context;

// A built-in text with the product's name and version in place of the placeholders.
std::string FillPlaceholders(const Context& ctx, const std::string& text);

// The header's publisher line: every "禾木公司版权所有" becomes the company name, which may be empty.
std::string CompanyLine(const Context& ctx, const std::string& text);

}  // namespace qmb
