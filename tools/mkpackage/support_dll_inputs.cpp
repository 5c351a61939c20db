// Support-DLL records from the author's description. Every mistake names its section, so that no
// package carries a DLL the installer would pass over.
#include "support_dll_inputs.h"

#include "base/dll_parameters.h"
#include "base/ini.h"
#include "base/text.h"
#include "file_io.h"
#include "settings_files.h"

namespace qmb::mkpackage {
namespace {

namespace fs = std::filesystem;

constexpr char kDescription[] = "support.ini";

std::optional<int> RunKind(std::string_view text) {
  if (text.empty() || EqualsIgnoreCase(text, "installer")) return kRunInInstaller;
  if (EqualsIgnoreCase(text, "uninstaller")) return kRunInUninstaller;
  if (EqualsIgnoreCase(text, "both")) return kRunInBoth;
  return std::nullopt;
}

std::optional<std::string> TypeText(std::string_view text) {
  const std::string t = Trim(text);
  if (EqualsIgnoreCase(t, "text") || t == kDllTypeText) return std::string(kDllTypeText);
  if (EqualsIgnoreCase(t, "bytes") || t == kDllTypeBytes) return std::string(kDllTypeBytes);
  if (EqualsIgnoreCase(t, "integer") || t == kDllTypeInteger) return std::string(kDllTypeInteger);
  return std::nullopt;
}

}  // namespace

std::optional<std::vector<DllRecord>> ParseSupportIni(
    std::string_view text,
    const std::function<std::optional<std::string>(const std::string& name)>& read_file,
    std::string& error) {
  const IniFile ini{std::string(text)};
  std::vector<DllRecord> records;
  for (const std::string& section : ini.SectionNames()) {
    const std::string where = std::string(kDescription) + " [" + section + "]: ";
    DllRecord r;
    const std::string file = ini.Value(section, "file");
    r.export_name = ini.Value(section, "export");
    if (file.empty() || r.export_name.empty()) {
      error = where + "needs a file and an export";
      return std::nullopt;
    }
    const std::optional<int> kind = RunKind(ini.Value(section, "run"));
    if (!kind) {
      error = where + "run is installer, uninstaller or both";
      return std::nullopt;
    }
    r.run_kind = *kind;
    std::vector<DllParameter> parameters;
    for (int n = 1;; ++n) {
      const std::string key = "param" + std::to_string(n);
      const std::string value = ini.Value(section, key);
      if (value.empty()) break;
      const size_t comma = FindCharGbk(value, ',');
      const std::optional<std::string> type =
          TypeText(comma == kNotFound ? value : value.substr(0, comma));
      if (!type) {
        error = where + key + " is \"type,value\" with type text, bytes or integer";
        return std::nullopt;
      }
      parameters.push_back({key, *type, comma == kNotFound ? "" : value.substr(comma + 1)});
    }
    if (parameters.size() > kDllArgumentSlots) {
      error = where + "at most " + std::to_string(kDllArgumentSlots) + " parameters";
      return std::nullopt;
    }
    r.parameters = JoinDllParameters(parameters);
    std::optional<std::string> bytes = read_file(file);
    if (!bytes || bytes->empty()) {
      error = where + "cannot read the DLL file " + file;
      return std::nullopt;
    }
    r.bytes = std::move(*bytes);
    records.push_back(std::move(r));
  }
  return records;
}

std::optional<std::vector<DllRecord>> LoadSupportFolder(const fs::path& folder,
                                                        std::string& error) {
  std::error_code ec;
  if (!fs::exists(folder, ec)) return std::vector<DllRecord>{};
  const fs::path description = folder / kDescription;
  std::optional<std::string> text = ReadWholeFile(description);
  if (!text) {
    error = "cannot read " + description.string();
    return std::nullopt;
  }
  std::optional<std::string> gbk = TextToGbk(kDescription, std::move(*text), error);
  if (!gbk) return std::nullopt;
  auto records = ParseSupportIni(
      *gbk,
      [&folder](const std::string& name) -> std::optional<std::string> {
        // Only files of the folder itself: a name never reaches out of it.
        if (name.find_first_of("/\\") != std::string::npos || name == "." || name == "..")
          return std::nullopt;
        return ReadWholeFile(folder / name);
      },
      error);
  if (!records) error = folder.string() + "/" + error;
  return records;
}

}  // namespace qmb::mkpackage
