// INI text over GBK bytes with the private-profile rules: section and key names compare
// case-insensitively (ASCII), the first match wins, blanks around names and values are trimmed, and
// a value in matching quotes loses them.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qmb {

class IniFile {
 public:
  IniFile() = default;
  explicit IniFile(std::string_view text);

  std::optional<std::string> Get(std::string_view section, std::string_view key) const;
  // Missing values read as the empty text.
  std::string Value(std::string_view section, std::string_view key) const;
  // Sets a value, adding the section or key at the end when missing.
  void Set(std::string_view section, std::string_view key, std::string_view value);
  std::vector<std::string> SectionNames() const;  // in file order
  std::vector<std::string> KeyNames(std::string_view section) const;
  std::string Serialize() const;  // CR LF line ends

  // The file as read, with the line (1-based) each name stands on, for tools that report where.
  struct Entry {
    std::string key;
    std::string value;
    int line = 0;
  };
  struct Section {
    std::string name;
    std::vector<Entry> entries;
    int line = 0;
  };
  const std::vector<Section>& Sections() const { return sections_; }

 private:
  const Section* FindSection(std::string_view name) const;
  Section* FindSection(std::string_view name);
  std::vector<Section> sections_;
};

}  // namespace qmb
