// data.ini against the runtime's table of sections and keys: unknown or repeated names, values of
// the wrong form, numbered records that do not match their count, and the payload password.
#include <algorithm>
#include <cctype>
#include <map>

#include "base/text.h"
#include "check_context.h"
#include "startup/settings_catalogue.h"
#include "startup/startup_state.h"
#include "uninstall/removal_paths.h"

namespace qmb::mkpackage {
namespace {

constexpr char kFile[] = "settings/data.ini";

bool IsDecimal(std::string_view text, bool allow_sign) {
  if (allow_sign && !text.empty() && text[0] == '-') text.remove_prefix(1);
  return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
    return std::isdigit(static_cast<unsigned char>(c));
  });
}

bool IsSwitch(std::string_view text) { return text.empty() || text == "真" || text == "假"; }

// Why value does not have the form; empty when it does.
std::string FormProblem(ValueForm form, const std::string& value) {
  if (value.empty() || IsExpandedLater(value)) return {};
  switch (form) {
    case ValueForm::kSwitch:
      return IsSwitch(value) ? "" : "is \"" + value + "\"; a switch is \"真\" (on) or \"假\" (off)";
    case ValueForm::kNumber:
      return IsDecimal(value, true) ? "" : "is \"" + value + "\"; a whole number is expected";
    case ValueForm::kCount:
      return IsDecimal(value, false) ? "" : "is \"" + value + "\"; a record count is expected";
    case ValueForm::kRunMode:
      return value == kRunModeNormal || value == kRunModeDirect || value == kRunModeBackground
                 ? ""
                 : "is \"" + value + "\"; the run modes are \"" + kRunModeNormal + "\", \"" +
                       kRunModeDirect + "\" and \"" + kRunModeBackground + "\"";
    case ValueForm::kDigest:
      return value.size() == 32 && std::all_of(value.begin(), value.end(), [](char c) {
               return std::isdigit(static_cast<unsigned char>(c)) || (c >= 'a' && c <= 'f');
             })
                 ? ""
                 : "must be the MD5 digest of the password: 32 lower-case hexadecimal digits";
    case ValueForm::kTickList:
      for (const std::string& entry : Split(value, "，"))
        if (!IsSwitch(Trim(entry)))
          return "entry \"" + entry + "\" is no switch; entries are \"真\" or \"假\" joined by \"，\"";
      return {};
    case ValueForm::kScheme:
      return value == kSchemeAfterUnpacking || value == kSchemeBeforeUnpacking
                 ? ""
                 : "is \"" + value + "\"; it is \"" + kSchemeAfterUnpacking + "\" or \"" +
                       kSchemeBeforeUnpacking + "\" (anything else runs before the unpacking)";
    default:
      return {};
  }
}

// The lines that belong to keyed text records (name 0x01 text name "end"), which may span lines
// and are no INI lines.
std::vector<std::pair<int, int>> RecordLines(std::string_view text) {
  std::vector<std::pair<int, int>> ranges;
  for (size_t pos = text.find('\x01'); pos != std::string_view::npos;
       pos = text.find('\x01', pos + 1)) {
    const size_t line_start = text.rfind('\n', pos) == std::string_view::npos
                                  ? 0
                                  : text.rfind('\n', pos) + 1;
    const std::string name(text.substr(line_start, pos - line_start));
    const size_t end = text.find(name + "end", pos);
    if (name.empty() || end == std::string_view::npos) continue;
    ranges.emplace_back(LineAt(text, pos), LineAt(text, end));
    pos = end;
  }
  return ranges;
}

std::vector<std::string> Names(std::span<const SettingSection> sections) {
  std::vector<std::string> out;
  for (const SettingSection& s : sections) out.emplace_back(s.name);
  return out;
}

std::vector<std::string> Names(std::span<const SettingKey> keys) {
  std::vector<std::string> out;
  for (const SettingKey& k : keys) out.emplace_back(k.name);
  return out;
}

// The numbered records of one section against its count.
void CheckCount(CheckContext& c, const IniFile::Section& section, const SettingSection& known,
                const std::map<int, int>& record_lines) {
  const SettingKey* count_key = nullptr;
  for (const SettingKey& k : known.keys)
    if (k.form == ValueForm::kCount) count_key = &k;
  if (!count_key) return;
  int count_line = section.line;
  std::string count_text;
  for (const IniFile::Entry& e : section.entries) {
    if (EqualsIgnoreCase(e.key, count_key->name)) {
      count_text = e.value;
      count_line = e.line;
      break;
    }
  }
  if (!IsDecimal(count_text, false) && !count_text.empty()) return;  // reported as a form
  const int count = ToInt(count_text);
  for (int n = 1; n <= count; ++n) {
    if (!record_lines.count(n))
      c.Add(Severity::kError, kFile, count_line, std::string(count_key->name),
            "says " + std::to_string(count) + " records, but record " + std::to_string(n) +
                " has no keys");
  }
  for (const auto& [n, line] : record_lines) {
    if (n > count)
      c.Add(Severity::kWarning, kFile, line, std::string(count_key->name),
            "record " + std::to_string(n) + " lies beyond the count " + std::to_string(count) +
                " and is never read");
  }
}

// The line of the main section's key, or 0 when it is not there.
int KeyLine(const CheckContext& c, std::string_view key) {
  for (const IniFile::Section& section : c.data.Sections()) {
    if (section.name != kMainSection) continue;
    for (const IniFile::Entry& e : section.entries)
      if (e.key == key) return e.line;
  }
  return 0;
}

void CheckSection(CheckContext& c, const IniFile::Section& section, const SettingSection& known) {
  std::map<std::string, int> first_line;
  std::map<int, int> record_lines;  // record number -> first line
  for (const IniFile::Entry& e : section.entries) {
    std::string lower = e.key;
    for (char& ch : lower) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    if (auto [it, fresh] = first_line.emplace(lower, e.line); !fresh) {
      c.Add(Severity::kWarning, kFile, e.line, e.key,
            "repeated; the runtime reads only the first, on line " + std::to_string(it->second));
      continue;
    }
    int number = 0;
    const SettingKey* key = FindDataIniKey(known, e.key, &number);
    if (!key) {
      c.Add(Severity::kWarning, kFile, e.line, e.key,
            "unknown key in [" + std::string(known.name) + "]; the runtime never reads it" +
                Suggestion(e.key, Names(known.keys)));
      continue;
    }
    if (key->numbered && number < 1) {
      c.Add(Severity::kWarning, kFile, e.line, e.key, "record numbers start at 1");
      continue;
    }
    if (key->numbered) record_lines.emplace(number, e.line);
    const std::string problem = FormProblem(key->form, e.value);
    if (!problem.empty()) c.Add(Severity::kError, kFile, e.line, e.key, problem);
  }
  CheckCount(c, section, known, record_lines);
}

}  // namespace

void CheckDataIni(CheckContext& c) {
  const std::string* text = c.Settings("data.ini");
  if (!text) {
    c.Add(Severity::kError, "settings/", 0, "data.ini", "is missing: every package needs it");
    return;
  }
  const auto records = RecordLines(*text);
  auto in_record = [&](int line) {
    return std::any_of(records.begin(), records.end(),
                       [line](const auto& r) { return line >= r.first && line <= r.second; });
  };
  std::map<std::string, int> seen;
  bool main_found = false;
  for (const IniFile::Section& section : c.data.Sections()) {
    std::string lower = section.name;
    for (char& ch : lower) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    if (auto [it, fresh] = seen.emplace(lower, section.line); !fresh) {
      c.Add(Severity::kWarning, kFile, section.line, section.name,
            "section repeated; the runtime reads only the first, on line " +
                std::to_string(it->second));
      continue;
    }
    IniFile::Section own = section;
    std::erase_if(own.entries, [&](const IniFile::Entry& e) { return in_record(e.line); });
    const SettingSection* known = FindDataIniSection(section.name);
    if (!known) {
      if (!own.entries.empty())
        c.Add(Severity::kWarning, kFile, section.line, section.name,
              "unknown section; the runtime never reads it" +
                  Suggestion(section.name, Names(DataIniSections())));
      continue;
    }
    main_found = main_found || known->name == kMainSection;
    CheckSection(c, own, *known);
  }
  if (!main_found) {
    c.Add(Severity::kError, kFile, 0, kMainSection, "the main section is missing");
    return;
  }
  if (c.data.Value(kMainSection, "safe").empty())
    c.Add(Severity::kError, kFile, 0, "safe",
          "the payload password is missing: the payload archive is always password-protected");
  const std::string product = c.data.Value(kMainSection, "禾木软件名称");
  const bool uninstaller = ToInt(c.data.Value(kMainSection, "是否生成卸载程序")) == 1;
  if (uninstaller && !IsSoundName(product)) {
    // The installer refuses such a package, and the uninstaller refuses such a record.
    c.Add(Severity::kError, kFile, KeyLine(c, "禾木软件名称"), "禾木软件名称",
          "the product name \"" + product +
              "\" cannot name the uninstaller's folder, links and uninstall entry: it must be one "
              "file name (no \\ / : * ? \" < > |, no device name such as CON, not empty)");
  } else if (product.empty()) {
    c.Add(Severity::kWarning, kFile, 0, "禾木软件名称",
          "no product name: captions, the uninstall entry and the start-menu group go without one");
  }
}

}  // namespace qmb::mkpackage
