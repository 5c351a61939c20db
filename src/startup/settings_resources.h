// Resource references: a variable value that begins with "#资源数据_" stands for the data of its
// record in "var_data.ini". The references are replaced once all variables are expanded, in a
// single left-to-right pass, so data that holds another reference's text is never replaced again.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qmb {

inline constexpr char kResourcePrefix[] = "#资源数据_";

struct ResourceReference {
  std::string text;  // the reference as it stands in the settings
  std::string data;  // what replaces it
};

// The reference's data from the resource records: empty when there is no record; nullopt when the
// record holds the empty placeholder, so that the reference stays in the settings.
std::optional<std::string> ResourceData(std::string_view records, std::string_view reference);

// Replaces every occurrence of every reference in one pass over the text.
std::string ReplaceReferences(std::string_view text, const std::vector<ResourceReference>& refs);

}  // namespace qmb
