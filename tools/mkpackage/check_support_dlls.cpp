// The support DLLs of support/support.ini as the installer will meet them: a DLL the installer
// cannot load (one built for another processor than the runtime's, a file that is no PE image),
// one that lacks "kaye_msg" or the start export its section names, and integer parameters that
// are no numbers or do not fit in 32 bits. The installer would pass over each of them in silence.
#include <filesystem>
#include <limits>

#include "base/dll_parameters.h"
#include "base/gbk_codec.h"
#include "base/ini.h"
#include "base/text.h"
#include "check_context.h"
#include "file_io.h"
#include "pe_image.h"
#include "settings_files.h"
#include "startup/support_dlls.h"

namespace qmb::mkpackage {
namespace {

namespace fs = std::filesystem;

constexpr char kFile[] = "support/support.ini";

const IniFile::Entry* FindEntry(const IniFile::Section& section, std::string_view key) {
  for (const IniFile::Entry& e : section.entries)
    if (EqualsIgnoreCase(e.key, key)) return &e;
  return nullptr;
}

// Optional sign and decimal digits, nothing else: what reads as the number it shows.
bool IsDecimalInteger(std::string_view text) {
  size_t i = text.starts_with('+') || text.starts_with('-') ? 1 : 0;
  if (i == text.size()) return false;
  for (; i < text.size(); ++i)
    if (text[i] < '0' || text[i] > '9') return false;
  return true;
}

bool IsIntegerType(std::string_view type) {
  const std::string t = Trim(type);
  return EqualsIgnoreCase(t, "integer") || t == kDllTypeInteger;
}

void CheckIntegerParameters(CheckContext& c, const IniFile::Section& section) {
  for (int n = 1;; ++n) {
    const std::string key = "param" + std::to_string(n);
    const IniFile::Entry* entry = FindEntry(section, key);
    if (entry == nullptr || entry->value.empty()) return;
    const size_t comma = FindCharGbk(entry->value, ',');
    if (comma == kNotFound || !IsIntegerType(entry->value.substr(0, comma))) continue;
    const std::string value = Trim(entry->value.substr(comma + 1));
    // A variable's value is only known on the user's machine.
    if (IsExpandedLater(value)) continue;
    const std::string where = "[" + section.name + "] " + key;
    if (!IsDecimalInteger(value)) {
      c.Add(Severity::kError, kFile, entry->line, where,
            "\"" + value + "\" is no integer; the DLL would get 0");
    } else if (const int64_t number = ToInt64(value);
               number > std::numeric_limits<int32_t>::max() ||
               number < std::numeric_limits<int32_t>::min()) {
      c.Add(Severity::kWarning, kFile, entry->line, where,
            value + " does not fit in 32 bits; the DLL gets " + std::to_string(ToInt(value)));
    }
  }
}

// The DLL file of a section: loadable by the 32-bit installer, with both exports it calls.
void CheckDllFile(CheckContext& c, const IniFile::Section& section, const fs::path& folder) {
  const IniFile::Entry* file = FindEntry(section, "file");
  if (file == nullptr || file->value.empty()) {
    c.Add(Severity::kError, kFile, section.line, "[" + section.name + "]", "names no DLL file");
    return;
  }
  const std::string where = "[" + section.name + "] file";
  const std::string& name = file->value;
  const std::optional<std::string> bytes =
      name.find_first_of("/\\") == std::string::npos ? ReadWholeFile(folder / name) : std::nullopt;
  if (!bytes) {
    c.Add(Severity::kError, kFile, file->line, where,
          "cannot read " + name + " (a file of the support folder itself)");
    return;
  }
  std::string error;
  const std::optional<ModuleFacts> facts = ReadModuleFacts(*bytes, error);
  if (!facts || !facts->dll) {
    c.Add(Severity::kError, kFile, file->line, where,
          name + " is no DLL" + (facts ? std::string(" (an executable program)") : " (" + error + ")"));
    return;
  }
  if (facts->machine != c.installer_machine) {
    const bool wide_installer = c.installer_machine == kMachineX64;
    const std::string kind = facts->machine == kMachineX64 ? " is an x86-64 DLL"
                             : facts->machine == kMachineX86 ? " is an x86 DLL"
                             : wide_installer                ? " is no x86-64 DLL"
                                                             : " is no x86 DLL";
    c.Add(Severity::kError, kFile, file->line, where,
          name + kind + "; the installer is " +
              (wide_installer ? "an x86-64 program" : "a 32-bit program") + " and cannot load it");
    return;
  }
  const IniFile::Entry* start = FindEntry(section, "export");
  std::vector<std::pair<std::string, int>> wanted = {{kDllMessageExport, file->line}};
  if (start != nullptr && !start->value.empty()) wanted.emplace_back(start->value, start->line);
  for (const auto& [export_name, line] : wanted) {
    bool found = false;
    for (const std::string& e : facts->exports) found = found || e == export_name;
    if (!found)
      c.Add(Severity::kError, kFile, line, "[" + section.name + "] " + export_name,
            name + " exports no " + export_name + " (undecorated: link with --kill-at or a .def file)");
  }
}

}  // namespace

void CheckSupportDlls(CheckContext& c) {
  const fs::path folder = c.project / "support";
  std::optional<std::string> text = ReadWholeFile(folder / "support.ini");
  if (!text) return;  // no support DLLs, or the packing reports the missing description
  std::string error;
  const std::optional<std::string> gbk = TextToGbk("support.ini", std::move(*text), error);
  if (!gbk) {
    c.Add(Severity::kError, kFile, 0, "", Utf8ToGbk(error));
    return;
  }
  const IniFile ini(*gbk);
  for (const IniFile::Section& section : ini.Sections()) {
    CheckDllFile(c, section, folder);
    CheckIntegerParameters(c, section);
  }
}

}  // namespace qmb::mkpackage
