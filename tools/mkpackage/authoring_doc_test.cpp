// docs/authoring.md against the names the runtime reads: every section, key, record, file, script
// name, variable, switch word and value word it sets in code type must be one the program really
// reads (from the runtime's settings catalogue), so the reference cannot drift from the code.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "base/gbk_codec.h"
#include "base/text.h"
#include "extract/install_outcome.h"
#include "startup/settings_catalogue.h"
#include "startup/settings_resources.h"
#include "startup/startup_state.h"
#include "system/system_settings.h"
#include "uninstall/run_mode.h"

namespace qmb::mkpackage {
namespace {

// The document's code spans (outside fenced blocks), in GBK.
std::vector<std::string> CodeSpans(const std::string& utf8) {
  std::vector<std::string> spans;
  bool fenced = false;
  std::istringstream lines(utf8);
  for (std::string line; std::getline(lines, line);) {
    if (line.starts_with("```")) {
      fenced = !fenced;
      continue;
    }
    if (fenced) continue;
    for (size_t open = line.find('`'); open != std::string::npos;) {
      const size_t close = line.find('`', open + 1);
      if (close == std::string::npos) break;
      spans.push_back(Utf8ToGbk(line.substr(open + 1, close - open - 1)));
      open = line.find('`', close + 1);
    }
  }
  return spans;
}

bool ReadKey(std::string_view name, bool numbered) {
  for (const SettingSection& section : DataIniSections()) {
    if (!section.read) continue;
    for (const SettingKey& key : section.keys)
      if (key.read && key.numbered == numbered && EqualsIgnoreCase(key.name, name)) return true;
  }
  return false;
}

template <typename List>
bool InList(const List& list, std::string_view name) {
  return std::any_of(list.begin(), list.end(), [&](const auto& item) {
    if constexpr (requires { item.read; }) return item.read && item.name == name;
    else return std::string_view(item) == name;
  });
}

bool IsInstallTimeName(std::string_view name) {
  return name == "%InstallPath%" || name == "%ET%" || name == "%AC%" || name == "%Default%" ||
         name == kUninstallerTarget;
}

// Why the span names nothing the runtime reads; empty when it does or when it is no name (a
// command line, a path, a value with separators).
std::string Problem(const std::string& span) {
  if (span.size() > 2 && span.front() == '[' && span.back() == ']') {
    const std::string inner = span.substr(1, span.size() - 2);
    if (inner == "真" || inner == "假" || (inner.starts_with("%") && inner.ends_with("%"))) return {};
    const SettingSection* section = FindDataIniSection(inner);
    return section && section->read ? "" : "no section the runtime reads";
  }
  if (span.size() > 2 && span.front() == '%' && span.back() == '%')
    return InList(BuiltInVariableNames(), span) || IsInstallTimeName(span) ? "" : "no built-in variable";
  if (span.find_first_of(" /\\,*<+=;") != std::string::npos) return {};  // code, not a name
  if (span.size() > 1 && span[0] == '-' && std::isalpha(static_cast<unsigned char>(span[1])))
    return span == kDefaultDirectSwitch || span == kDefaultBackgroundSwitch ||
                   span == kDefaultHideEndSwitch
               ? ""
               : "no switch word";
  const size_t paren = span.find('(');
  if (paren != std::string::npos && paren > 0 && span.back() == ')') {
    const std::string name = span.substr(0, paren);
    if (name == "SXG" || name == "GetReg") return {};  // value forms, not script commands
    return InList(ScriptCommandNames(), name) || InList(ScriptCommandNames(), name + "()")
               ? ""
               : "no script command";
  }
  if (span.find('.') != std::string::npos) {
    const bool settings_file = EndsWith(span, ".ini") || EndsWith(span, ".db") ||
                               EndsWith(span, ".jpg") || EndsWith(span, ".ico");
    return !settings_file || InList(SettingsFileNames(), span) ? "" : "no settings file it opens";
  }
  if (span.size() > 1 && span.back() == 'N' && ReadKey(span.substr(0, span.size() - 1), true))
    return {};
  if (ReadKey(span, false) || InList(DataIniTextRecords(), span) || InList(GuiTextRecords(), span) ||
      InList(ScriptSectionNames(), span) || InList(ScriptCommandNames(), span) ||
      span == kTreeBlock || span == kVariableValueKey)
    return {};
  // Value words the runtime compares with.
  for (const char* word : {"真", "假", kRunModeNormal, kRunModeDirect, kRunModeBackground,
                           kSchemeAfterUnpacking, kSchemeBeforeUnpacking, kModeHidden,
                           kResourcePrefix, kTestModeArgument, "，"})
    if (span == word) return {};
  return "names nothing the runtime reads";
}

// The guide's text (UTF-8); empty when it is missing.
std::string Guide() {
  std::ifstream in(std::filesystem::path(QMB_SOURCE_DIR) / "docs" / "authoring.md");
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

TEST(AuthoringDocTest, EveryNameInTheReferenceIsOneTheRuntimeReads) {
  const std::string guide = Guide();
  ASSERT_FALSE(guide.empty()) << "docs/authoring.md is missing";
  const std::vector<std::string> spans = CodeSpans(guide);
  ASSERT_GT(spans.size(), 100u);
  for (const std::string& span : spans) {
    const std::string problem = Problem(span);
    EXPECT_TRUE(problem.empty()) << "`" << GbkToUtf8(span) << "`: " << problem;
  }
}

TEST(AuthoringDocTest, EveryNameTheRuntimeReadsIsInTheReference) {
  const std::string guide = Guide();
  ASSERT_FALSE(guide.empty()) << "docs/authoring.md is missing";
  const std::vector<std::string> list = CodeSpans(guide);
  const std::set<std::string> spans(list.begin(), list.end());
  const auto documented = [&](const std::string& name) {
    EXPECT_TRUE(spans.count(name)) << "`" << GbkToUtf8(name) << "` is read but not documented";
  };
  for (const SettingSection& section : DataIniSections()) {
    if (!section.read) continue;
    documented("[" + std::string(section.name) + "]");
    for (const SettingKey& key : section.keys)
      if (key.read) documented(std::string(key.name) + (key.numbered ? "N" : ""));
  }
  for (const TextRecordName& r : DataIniTextRecords())
    if (r.read) documented(std::string(r.name));
  for (const SettingsFileName& f : SettingsFileNames())
    if (f.read) documented(std::string(f.name));
  for (std::string_view v : BuiltInVariableNames()) documented(std::string(v));
  for (std::string_view n : ScriptSectionNames()) documented(std::string(n));
}

TEST(AuthoringDocTest, ExitCodesAreTheOnesTheInstallEndsWith) {
  std::ifstream in(std::filesystem::path(QMB_SOURCE_DIR) / "docs" / "authoring.md");
  std::set<uint32_t> documented;
  bool table = false;
  for (std::string line; std::getline(in, line);) {
    if (line.starts_with("| exit code |")) table = true;
    else if (table && !line.starts_with("|")) break;
    else if (table && line.size() > 2 && std::isdigit(static_cast<unsigned char>(line[2])))
      documented.insert(static_cast<uint32_t>(std::stoul(line.substr(2))));
  }
  std::set<uint32_t> runtime;
  for (InstallResult r :
       {InstallResult::kComplete, InstallResult::kNoPackage, InstallResult::kExtractionFailed,
        InstallResult::kNoFolder, InstallResult::kFolderRejected, InstallResult::kTooLittleSpace,
        InstallResult::kPasswordCancelled, InstallResult::kPasswordWrong,
        InstallResult::kUninstallerFailed, InstallResult::kBadProductName,
        InstallResult::kCancelled, InstallResult::kStepFailed, InstallResult::kRollbackIncomplete})
    runtime.insert(ExitCodeOf(r));
  EXPECT_EQ(documented, runtime);
}

TEST(AuthoringDocTest, TheRuleCatchesMisspelledAndUnreadNames) {
  EXPECT_NE(Problem("参数文件明N"), "");   // misspelled numbered key
  EXPECT_NE(Problem("参数文件名"), "");     // numbered key without its number
  EXPECT_NE(Problem("-quiet"), "");
  EXPECT_NE(Problem("%Desktp%"), "");
  EXPECT_NE(Problem("removezap(a)"), "");
  EXPECT_EQ(Problem("[新建快捷方式参数]"), "");
  EXPECT_EQ(Problem("参数文件名N"), "");
}

}  // namespace
}  // namespace qmb::mkpackage
