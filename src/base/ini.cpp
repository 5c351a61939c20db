// INI text over GBK bytes. Lines that are neither sections, comments nor key=value pairs are passed
// over, so data appended behind the INI text (the uninstall record carries such bytes) does no harm.
#include "base/ini.h"

#include "base/text.h"

namespace qmb {

namespace {

std::string Unquote(std::string value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
      value.back() == value.front())
    return value.substr(1, value.size() - 2);
  return value;
}

// Quotes a value that would not read back as itself (surrounding blanks or its own quotes).
std::string QuoteIfNeeded(const std::string& value) {
  if (Unquote(Trim(value)) == value) return value;
  return "\"" + value + "\"";
}

// A line break inside a name or value would start a new line of the file.
std::string OneLine(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c == '\r' || c == '\n') c = ' ';
  return out;
}

}  // namespace

IniFile::IniFile(std::string_view text) {
  Section* current = nullptr;
  size_t pos = 0;
  int line_number = 0;
  while (pos < text.size()) {
    ++line_number;
    size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string line = Trim(text.substr(pos, end - pos));
    pos = end + 1;
    if (line.empty() || line[0] == ';') continue;
    if (line[0] == '[') {
      size_t close = FindCharGbk(line, ']', 1);
      if (close == kNotFound) continue;
      sections_.push_back(
          Section{Trim(std::string_view(line).substr(1, close - 1)), {}, line_number});
      current = &sections_.back();
      continue;
    }
    size_t eq = FindCharGbk(line, '=');
    if (current == nullptr || eq == kNotFound) continue;
    std::string key = Trim(std::string_view(line).substr(0, eq));
    if (key.empty()) continue;
    current->entries.push_back(
        Entry{std::move(key), Unquote(Trim(std::string_view(line).substr(eq + 1))), line_number});
  }
}

const IniFile::Section* IniFile::FindSection(std::string_view name) const {
  return const_cast<IniFile*>(this)->FindSection(name);
}

IniFile::Section* IniFile::FindSection(std::string_view name) {
  for (Section& s : sections_)
    if (EqualsIgnoreCase(s.name, name)) return &s;
  return nullptr;
}

std::optional<std::string> IniFile::Get(std::string_view section, std::string_view key) const {
  const Section* s = FindSection(section);
  if (s == nullptr) return std::nullopt;
  for (const Entry& e : s->entries)
    if (EqualsIgnoreCase(e.key, key)) return e.value;
  return std::nullopt;
}

std::string IniFile::Value(std::string_view section, std::string_view key) const {
  return Get(section, key).value_or(std::string());
}

void IniFile::Set(std::string_view section, std::string_view key, std::string_view value) {
  Section* s = FindSection(section);
  if (s == nullptr) {
    sections_.push_back(Section{OneLine(section), {}});
    s = &sections_.back();
  }
  for (Entry& e : s->entries) {
    if (EqualsIgnoreCase(e.key, key)) {
      e.value = OneLine(value);
      return;
    }
  }
  s->entries.push_back(Entry{OneLine(key), OneLine(value)});
}

std::vector<std::string> IniFile::SectionNames() const {
  std::vector<std::string> names;
  names.reserve(sections_.size());
  for (const Section& s : sections_) names.push_back(s.name);
  return names;
}

std::vector<std::string> IniFile::KeyNames(std::string_view section) const {
  std::vector<std::string> names;
  if (const Section* s = FindSection(section))
    for (const Entry& e : s->entries) names.push_back(e.key);
  return names;
}

std::string IniFile::Serialize() const {
  std::string out;
  for (const Section& s : sections_) {
    out.append("[").append(s.name).append("]\r\n");
    for (const Entry& e : s.entries) out.append(e.key).append("=").append(QuoteIfNeeded(e.value)).append("\r\n");
  }
  return out;
}

}  // namespace qmb
