// What the checks of one project share: the settings files in the form the runtime reads them
// (GBK, deciphered, inflated), the payload's names and the findings so far.
#pragma once

#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <string_view>

#include "base/ini.h"
#include "project_check.h"
#include "wizard/components_tree.h"

namespace qmb::mkpackage {

struct CheckContext {
  std::filesystem::path project;
  uint32_t installer_machine = 0;  // the runtime's processor, a PE machine value
  // Settings file name (as on disk, UTF-8) -> its plain GBK bytes.
  std::map<std::string, std::string> settings;
  // Every file and folder below payload/, GBK, "\" separated, ASCII letters lower-case.
  std::set<std::string> payload;
  IniFile data;       // data.ini as the runtime parses it
  IniFile variables;  // variable.ini
  std::vector<Finding> findings;

  void Add(Severity severity, std::string file, int line, std::string key, std::string reason) {
    findings.push_back({severity, std::move(file), line, std::move(key), std::move(reason)});
  }
  // The plain text of a settings file (the name compared as Windows does); nullptr when absent.
  const std::string* Settings(std::string_view name) const;
  // A payload path (GBK, either separator, any case) names a file or folder of the payload.
  bool InPayload(std::string_view relative) const;
};

// " (did you mean X?)" when a nearest name exists, else empty.
std::string Suggestion(std::string_view name, const std::vector<std::string>& candidates);
// 1-based line of a byte position.
int LineAt(std::string_view text, size_t pos);
// A value that holds a variable or a resource reference: its final form is only known on the
// user's machine, so its form is not checked.
bool IsExpandedLater(std::string_view value);

void CheckDataIni(CheckContext& c);
void CheckPayloadTargets(CheckContext& c);
void CheckVariables(CheckContext& c);
void CheckScript(CheckContext& c);
void CheckImages(CheckContext& c);
void CheckGuiText(CheckContext& c);
void CheckSupportDlls(CheckContext& c);
// A program line (script line, data.ini command) that starts with an unquoted folder variable;
// quote is how the file writes a double quote ("\"" in the script, "**" in data.ini).
void CheckProgramLine(CheckContext& c, const std::string& file, int line, std::string_view text,
                      std::string_view quote);
void CheckDataIniProgramLines(CheckContext& c);
void CheckPages(CheckContext& c);
// The tree items the runtime would show: the Treelists block's, else the built-in ones.
ComponentsTree ReadTree(const std::string& script);

}  // namespace qmb::mkpackage
