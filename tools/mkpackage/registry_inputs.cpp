// Registry records from the author's files. Every mistake is reported with its file and record, so
// that a package never carries a value the installer would pass over in silence.
#include "registry_inputs.h"

#include <algorithm>
#include <cstdint>
#include <initializer_list>

#include "base/gbk_codec.h"
#include "base/ini.h"
#include "base/text.h"
#include "file_io.h"
#include "settings_files.h"

namespace qmb::mkpackage {
namespace {

namespace fs = std::filesystem;

struct RootName {
  std::string_view full;
  std::string_view short_name;
};

constexpr RootName kRoots[] = {
    {"HKEY_CLASSES_ROOT", "HKCR"},  {"HKEY_CURRENT_CONFIG", "HKCC"}, {"HKEY_CURRENT_USER", "HKCU"},
    {"HKEY_LOCAL_MACHINE", "HKLM"}, {"HKEY_USERS", "HKU"},
};

// The path with its root written the way the installer reads it (full name, upper case).
std::optional<std::string> NormalizeRoot(std::string_view path) {
  size_t slash = FindCharGbk(path, '\\');
  std::string_view root = path.substr(0, slash);
  for (const RootName& r : kRoots) {
    if (EqualsIgnoreCase(root, r.full) || EqualsIgnoreCase(root, r.short_name))
      return std::string(r.full) + std::string(slash == kNotFound ? "" : path.substr(slash));
  }
  return std::nullopt;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// A REG_DWORD as the installer stores it: unsigned decimal text. Accepts decimal (negative ones
// down to -2147483648) and 0x hex.
std::optional<std::string> DwordText(std::string_view text) {
  bool negative = false;
  if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
    negative = text[0] == '-';
    text.remove_prefix(1);
  }
  int base = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    text.remove_prefix(2);
  }
  if (text.empty()) return std::nullopt;
  uint64_t value = 0;
  for (char c : text) {
    const int digit = HexDigit(c);
    if (digit < 0 || digit >= base) return std::nullopt;
    value = value * base + digit;
    if (value > 0xFFFFFFFFull) return std::nullopt;
  }
  if (negative) {
    if (base != 10 || value > 0x80000000ull) return std::nullopt;
    value = (0x100000000ull - value) & 0xFFFFFFFFull;
  }
  return std::to_string(value);
}

// "01 02 ff", "01,02,FF" or "0102ff".
std::optional<std::string> ParseHexBytes(std::string_view text) {
  std::string bytes;
  int high = -1;
  for (char c : text) {
    if (c == ' ' || c == ',' || c == '\t') continue;
    const int digit = HexDigit(c);
    if (digit < 0) return std::nullopt;
    if (high < 0) {
      high = digit;
    } else {
      bytes.push_back(static_cast<char>(high << 4 | digit));
      high = -1;
    }
  }
  if (high >= 0) return std::nullopt;
  return bytes;
}

bool IsOneOf(std::string_view text, std::initializer_list<std::string_view> words) {
  return std::any_of(words.begin(), words.end(),
                     [&](std::string_view w) { return EqualsIgnoreCase(text, w); });
}

// "真" for a record removed at uninstall, empty for one that stays.
std::optional<std::string> RemoveFlag(std::string_view text) {
  if (IsOneOf(text, {"", "no", "false", "0", "假"})) return "";
  if (IsOneOf(text, {"yes", "true", "1", "真"})) return "真";
  return std::nullopt;
}

}  // namespace

std::optional<std::vector<RegistryRecord>> ParseRegistryIni(std::string_view file_name,
                                                            std::string_view text,
                                                            std::string& error) {
  const IniFile ini(text);
  std::vector<RegistryRecord> records;
  std::vector<std::string> seen;
  for (const std::string& section : ini.SectionNames()) {
    const std::string where = std::string(file_name) + " [" + GbkToUtf8(section) + "]: ";
    auto fail = [&](const std::string& message) {
      error = where + message;
      return std::nullopt;
    };
    if (std::any_of(seen.begin(), seen.end(),
                    [&](const std::string& s) { return EqualsIgnoreCase(s, section); }))
      return fail("the record is named twice");
    seen.push_back(section);
    for (const std::string& key : ini.KeyNames(section)) {
      if (!IsOneOf(key, {"path", "name", "type", "data", "view", "remove"}))
        return fail("unknown key \"" + GbkToUtf8(key) +
                    "\" (known: path, name, type, data, view, remove)");
    }
    RegistryRecord record;
    auto path = NormalizeRoot(ini.Value(section, "path"));
    if (!path) return fail("path must begin with a root such as HKEY_LOCAL_MACHINE or HKCU");
    record.path = *path;
    record.name = ini.Value(section, "name");
    const std::string type = ini.Value(section, "type");
    const std::string data = ini.Value(section, "data");
    if (EqualsIgnoreCase(type, kRegSzType)) {
      record.type = kRegSzType;
      record.data = data;
    } else if (EqualsIgnoreCase(type, kRegDwordType)) {
      auto number = DwordText(data);
      if (!number)
        return fail("REG_DWORD data must be a 32-bit number: \"" + GbkToUtf8(data) + "\"");
      record.type = kRegDwordType;
      record.data = *number;
    } else if (EqualsIgnoreCase(type, kRegBinaryType)) {
      auto bytes = ParseHexBytes(data);
      if (!bytes) return fail("REG_BINARY data must be hex bytes such as \"01 02 ff\"");
      record.type = kRegBinaryType;
      record.data = *bytes;
    } else {
      return fail("type must be REG_SZ, REG_DWORD or REG_BINARY (other types go in a .reg file)");
    }
    const std::string view = ini.Value(section, "view");
    if (view != "" && view != "32" && view != "64") return fail("view must be 64 or 32");
    record.ws = view.empty() ? "32" : view;
    auto remove = RemoveFlag(ini.Value(section, "remove"));
    if (!remove) return fail("remove must be yes or no");
    record.off = *remove;
    records.push_back(std::move(record));
  }
  return records;
}

std::optional<RegistryRecord> RegistryScriptRecord(std::string_view file_name, std::string text,
                                                   std::string& error) {
  const std::string first_line = Trim(text.substr(0, text.find('\n')));
  if (first_line != "REGEDIT4" && first_line != "Windows Registry Editor Version 5.00") {
    error = std::string(file_name) +
            " is no registry script: its first line must be \"Windows Registry Editor Version "
            "5.00\" or \"REGEDIT4\"";
    return std::nullopt;
  }
  // regedit reads the script by lines as Windows writes them.
  return RegistryRecord{"", kRegScriptType, WithCrLf(std::move(text)), "", "", ""};
}

std::optional<std::vector<RegistryRecord>> LoadRegistryFolder(const fs::path& folder,
                                                              std::string& error) {
  std::vector<RegistryRecord> records;
  std::error_code ec;
  if (!fs::exists(folder, ec)) return records;
  std::vector<fs::path> inis, scripts;
  for (const auto& entry : fs::directory_iterator(folder, ec)) {
    const std::string ext = entry.path().extension().string();
    if (entry.is_regular_file() && EqualsIgnoreCase(ext, ".ini"))
      inis.push_back(entry.path());
    else if (entry.is_regular_file() && EqualsIgnoreCase(ext, ".reg"))
      scripts.push_back(entry.path());
    else {
      error =
          entry.path().string() + ": the registry folder holds only .ini records and .reg scripts";
      return std::nullopt;
    }
  }
  if (ec) {
    error = "cannot list " + folder.string() + ": " + ec.message();
    return std::nullopt;
  }
  std::sort(inis.begin(), inis.end());
  std::sort(scripts.begin(), scripts.end());
  auto text_of = [&](const fs::path& path) -> std::optional<std::string> {
    auto bytes = ReadWholeFile(path);
    if (!bytes) {
      error = "cannot read " + path.string();
      return std::nullopt;
    }
    return TextToGbk(path.filename().string(), std::move(*bytes), error);
  };
  for (const fs::path& path : inis) {
    auto text = text_of(path);
    if (!text) return std::nullopt;
    auto more = ParseRegistryIni(path.filename().string(), *text, error);
    if (!more) return std::nullopt;
    records.insert(records.end(), more->begin(), more->end());
  }
  for (const fs::path& path : scripts) {
    auto text = text_of(path);
    if (!text) return std::nullopt;
    auto record = RegistryScriptRecord(path.filename().string(), std::move(*text), error);
    if (!record) return std::nullopt;
    records.push_back(std::move(*record));
  }
  return records;
}

}  // namespace qmb::mkpackage
