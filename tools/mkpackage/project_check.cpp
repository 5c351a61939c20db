// Reading a project for the checks: the settings folder through the same conversion the packing
// uses, the registry folder, the payload's names; then every check, findings sorted by place.
#include "project_check.h"

#include <strings.h>

#include <algorithm>
#include <cctype>

#include "base/compressed_form.h"
#include "base/data_cipher.h"
#include "base/gbk_codec.h"
#include "base/text.h"
#include "check_context.h"
#include "licence_input.h"
#include "nearest_name.h"
#include "registry_inputs.h"
#include "settings_files.h"
#include "startup/settings_catalogue.h"

namespace qmb::mkpackage {
namespace {

namespace fs = std::filesystem;

std::string PayloadKey(std::string_view gbk_path) {
  std::string key = ReplaceAll(gbk_path, "/", "\\");
  for (char& ch : key)
    if (ch >= 'A' && ch <= 'Z') ch = static_cast<char>(ch - 'A' + 'a');
  while (EndsWith(key, "\\")) key.pop_back();
  return key;
}

// The file as the runtime holds it after unpacking: deciphered, inflated.
std::string PlainForm(const std::string& name, std::string data) {
  std::string lower = name;
  for (char& ch : lower) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  std::string_view key;
  if (lower == "guitext.ini") key = kGuiTextKey;
  if (lower == "except.ini") key = kExceptKey;
  if (lower == "choolantern.ini") key = kScriptKey;
  if (!key.empty()) return Decipher(data, key).value_or(std::string());
  if (lower == "qmbreg.db") return DecompressForm(data).value_or(std::string());
  return data;
}

void ReadPayload(CheckContext& c) {
  const fs::path folder = c.project / "payload";
  std::error_code ec;
  if (!fs::is_directory(folder, ec)) {
    c.Add(Severity::kError, "payload/", 0, "", "the payload folder is missing");
    return;
  }
  for (auto it = fs::recursive_directory_iterator(folder, ec); !ec && it != fs::end(it);
       it.increment(ec)) {
    const std::string relative = fs::relative(it->path(), folder, ec).string();
    const std::string gbk = Utf8ToGbk(relative);
    // The runtime names every file in GBK: a name it cannot hold is logged with "?" and can
    // never be found again by the uninstaller.
    if (!IsValidUtf8(relative) || GbkToUtf8(gbk) != relative)
      c.Add(Severity::kError, "payload/" + relative, 0, "",
            "the name holds characters that GBK cannot hold: the installer cannot name the file "
            "and the uninstaller could never remove it");
    c.payload.insert(PayloadKey(gbk));
  }
}

void CheckSettingsFileNames(CheckContext& c) {
  std::vector<std::string> known;
  for (const SettingsFileName& f : SettingsFileNames()) known.emplace_back(f.name);
  for (const auto& [name, data] : c.settings) {
    const std::string gbk = Utf8ToGbk(name);
    const bool listed = std::any_of(known.begin(), known.end(), [&](const std::string& k) {
      return EqualsIgnoreCase(k, gbk);
    });
    if (!listed)
      c.Add(Severity::kWarning, "settings/" + name, 0, "",
            "the runtime opens no file of this name" + Suggestion(gbk, known));
  }
}

bool ReadSettings(CheckContext& c) {
  std::string error;
  auto files = LoadSettingsFolder(c.project / "settings", error);
  if (!files) {
    c.Add(Severity::kError, "settings/", 0, "", Utf8ToGbk(error));
    return false;
  }
  if (!AddLicence(c.project, *files, error))
    c.Add(Severity::kError, kLicenceFile, 0, "", Utf8ToGbk(error));
  auto records = LoadRegistryFolder(c.project / "registry", error);
  if (!records) c.Add(Severity::kError, "registry/", 0, "", Utf8ToGbk(error));
  for (SettingsFile& f : *files) c.settings[f.name] = PlainForm(f.name, std::move(f.data));
  if (const std::string* data = c.Settings("data.ini")) c.data = IniFile(*data);
  if (const std::string* variables = c.Settings("variable.ini")) c.variables = IniFile(*variables);
  return true;
}

}  // namespace

const std::string* CheckContext::Settings(std::string_view name) const {
  for (const auto& [file, data] : settings)
    if (strcasecmp(file.c_str(), std::string(name).c_str()) == 0) return &data;
  return nullptr;
}

bool CheckContext::InPayload(std::string_view relative) const {
  std::string key = PayloadKey(relative);
  while (StartsWith(key, ".\\")) key.erase(0, 2);
  return payload.count(key) > 0;
}

std::string Suggestion(std::string_view name, const std::vector<std::string>& candidates) {
  const std::string nearest = NearestName(name, candidates);
  return nearest.empty() ? std::string() : " (did you mean \"" + nearest + "\"?)";
}

int LineAt(std::string_view text, size_t pos) {
  return 1 + static_cast<int>(std::count(text.begin(), text.begin() + std::min(pos, text.size()), '\n'));
}

bool IsExpandedLater(std::string_view value) {
  return value.find('%') != std::string_view::npos || value.find("#资源数据_") != std::string_view::npos;
}

int CheckResult::Errors() const {
  return static_cast<int>(std::count_if(findings.begin(), findings.end(), [](const Finding& f) {
    return f.severity == Severity::kError;
  }));
}

int CheckResult::Warnings() const { return static_cast<int>(findings.size()) - Errors(); }

CheckResult CheckProject(const fs::path& project, uint32_t installer_machine) {
  CheckContext c;
  c.project = project;
  c.installer_machine = installer_machine;
  ReadPayload(c);
  if (ReadSettings(c)) {
    CheckSettingsFileNames(c);
    CheckDataIni(c);
    CheckPayloadTargets(c);
    CheckDataIniProgramLines(c);
    CheckVariables(c);
    CheckScript(c);
    CheckPages(c);
    CheckImages(c);
    CheckGuiText(c);
  }
  CheckSupportDlls(c);
  std::stable_sort(c.findings.begin(), c.findings.end(), [](const Finding& a, const Finding& b) {
    return a.file != b.file ? a.file < b.file : a.line < b.line;
  });
  return CheckResult{std::move(c.findings)};
}

std::string FormatFinding(const Finding& f) {
  std::string out = f.file;
  if (f.line > 0) out.append(":").append(std::to_string(f.line));
  out.append(f.severity == Severity::kError ? ": error: " : ": warning: ");
  if (!f.key.empty()) out.append(GbkToUtf8(f.key)).append(": ");
  return out.append(GbkToUtf8(f.reason));
}

}  // namespace qmb::mkpackage
