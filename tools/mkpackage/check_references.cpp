// References from the settings to things that must exist: payload files named by shortcuts,
// program runs and finish options; variables defined in variable.ini; resource records of
// var_data.ini.
#include <cctype>
#include <regex>

#include "base/text.h"
#include "base/value_store.h"
#include "check_context.h"
#include "startup/settings_catalogue.h"
#include "startup/settings_resources.h"
#include "system/system_settings.h"

namespace qmb::mkpackage {
namespace {

constexpr char kDataFile[] = "settings/data.ini";
constexpr char kInstallPathPrefix[] = "%InstallPath%\\";

// Names that stand for something at install time without being variables of variable.ini.
constexpr std::string_view kInstallTimeNames[] = {"%InstallPath%", "%ET%", "%AC%",
                                                  kUninstallerTarget, "%Default%"};

// The payload path a value names, or empty when it names something outside the payload (a full
// path, another variable) that only the user's machine can tell.
std::string PayloadPath(std::string value) {
  value = ReplaceAll(Trim(value), "\"", "");
  if (StartsWith(value, kInstallPathPrefix)) value.erase(0, sizeof kInstallPathPrefix - 1);
  if (value.find('%') != std::string::npos || (value.size() > 1 && value[1] == ':') ||
      StartsWith(value, "\\\\"))
    return {};
  while (StartsWith(value, ".\\") || StartsWith(value, "\\")) value.erase(0, value[0] == '.' ? 2 : 1);
  return value;
}

// A command that names a file below the install folder: some leading part of it, cut at a blank,
// is in the payload.
bool CommandInPayload(const CheckContext& c, const std::string& command) {
  const std::string path = PayloadPath(command);
  if (path.empty()) return true;
  for (size_t end = 0; end <= path.size(); ++end) {
    if ((end == path.size() || path[end] == ' ') && c.InPayload(path.substr(0, end))) return true;
  }
  return false;
}

void CheckTarget(CheckContext& c, const IniFile::Entry& e, const std::string& what) {
  const std::string path = PayloadPath(e.value);
  if (e.value == kUninstallerTarget || path.empty() || c.InPayload(path)) return;
  c.Add(Severity::kError, kDataFile, e.line, e.key,
        what + " \"" + e.value + "\" is not in the payload");
}

}  // namespace

void CheckPayloadTargets(CheckContext& c) {
  for (const IniFile::Section& section : c.data.Sections()) {
    const SettingSection* known = FindDataIniSection(section.name);
    if (!known) continue;
    for (const IniFile::Entry& e : section.entries) {
      int number = 0;
      const SettingKey* key = FindDataIniKey(*known, e.key, &number);
      if (!key || e.value.empty()) continue;
      if (key->form == ValueForm::kPayloadFile) CheckTarget(c, e, "the file");
      if (key->form != ValueForm::kCommand) continue;
      // A run that is not external names a program below the install folder.
      const std::string external = c.data.Value(section.name, "是否外部运行" + std::to_string(number));
      if (!IsTrue(external) && !CommandInPayload(c, e.value))
        c.Add(Severity::kError, kDataFile, e.line, e.key,
              "the program \"" + e.value +
                  "\" is not in the payload (set 是否外部运行" + std::to_string(number) +
                  "=真 for a command line of its own)");
    }
  }
}

void CheckVariables(CheckContext& c) {
  std::vector<std::string> defined = c.variables.SectionNames();
  std::vector<std::string> known(defined);
  for (std::string_view name : BuiltInVariableNames()) known.emplace_back(name);
  auto is_defined = [&](const std::string& name) {
    for (std::string_view n : kInstallTimeNames)
      if (name == n) return true;
    for (const std::string& d : defined)
      if (d == name) return true;  // replaced byte for byte, so letter case counts
    return false;
  };
  // The texts the loader expands; the registry data is checked where the registry folder is read.
  const std::regex variable("%[A-Za-z_][A-Za-z0-9_.]*%");
  for (const char* file : {"data.ini", "GUItext.ini", "Except.ini", "QMBDLL_s.ini", "QMBREG.db"}) {
    const std::string* text = c.Settings(file);
    if (!text) continue;
    for (auto it = std::sregex_iterator(text->begin(), text->end(), variable);
         it != std::sregex_iterator(); ++it) {
      const std::string name = it->str();
      if (is_defined(name)) continue;
      bool built_in = false;
      for (std::string_view n : BuiltInVariableNames()) built_in = built_in || name == n;
      c.Add(Severity::kWarning, std::string("settings/") + file,
            LineAt(*text, static_cast<size_t>(it->position())), name,
            built_in ? "is built in, but only variables that variable.ini lists are replaced: "
                       "add a section [" + name + "]"
                     : "is no variable of variable.ini and stays as written" +
                           Suggestion(name, known));
    }
  }
  // Resource references need their record.
  const std::string* records = c.Settings("var_data.ini");
  for (const IniFile::Section& section : c.variables.Sections()) {
    for (const IniFile::Entry& e : section.entries) {
      if (!EqualsIgnoreCase(e.key, kVariableValueKey) || !StartsWith(e.value, kResourcePrefix)) continue;
      if (!records || !StoreFind(*records, e.value))
        c.Add(Severity::kError, "settings/variable.ini", e.line, section.name,
              "the resource reference \"" + e.value +
                  "\" has no record in var_data.ini; it would be replaced by nothing");
    }
  }
}

}  // namespace qmb::mkpackage
