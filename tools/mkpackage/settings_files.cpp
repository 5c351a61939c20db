// Settings file conversion. Order matters: a text is brought to GBK before it is enciphered, and the
// registry text before it is compressed, because the runtime deciphers or inflates first and then
// reads GBK.
#include "settings_files.h"

#include <algorithm>
#include <cstdio>

#include "base/compressed_form.h"
#include "base/data_cipher.h"
#include "base/gbk_codec.h"
#include "base/ini.h"
#include "base/text.h"
#include "file_io.h"

namespace qmb::mkpackage {
namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16Bom = "\xFF\xFE";
constexpr std::string_view kCompressedMagic{"\x0D\x0F\x3E\x03", 4};

std::string Lower(std::string_view text) {
  std::string out(text);
  std::transform(out.begin(), out.end(), out.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return out;
}

bool IsAscii(std::string_view text) {
  return std::all_of(text.begin(), text.end(),
                     [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// The runtime splits its texts at CR LF (the script's blocks and sections, the assignment list, the
// wizard's multi-line records, the licence); an author on Linux writes LF. "var_data.ini" is left
// alone: its records carry resource data, which may be any bytes.
bool ReadByLines(const std::string& lower_name) {
  return lower_name != "var_data.ini" && (EndsWith(lower_name, ".ini") || EndsWith(lower_name, ".txt"));
}

// The key of a file that the runtime deciphers, or empty.
std::string_view CipherKeyFor(const std::string& lower_name) {
  if (lower_name == "guitext.ini") return kGuiTextKey;
  if (lower_name == "except.ini") return kExceptKey;
  if (lower_name == "choolantern.ini") return kScriptKey;
  return {};
}

std::string Hex(uint32_t value) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "U+%04X", value);
  return buffer;
}

// Where the first character without a GBK form stands: "line N: "X" (U+XXXX)". The text is
// UTF-16 units or UTF-8 bytes; only the failing path pays for the walk.
std::string FirstUnmappable(const std::u16string& text) {
  int line = 1;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'\n') ++line;
    const size_t n = (text[i] >= 0xD800 && text[i] < 0xDC00 && i + 1 < text.size()) ? 2 : 1;
    const std::u16string one = text.substr(i, n);
    if (GbkToUtf16(Utf16ToGbk(one)) != one) {
      const uint32_t code = n == 2 ? 0x10000 + ((one[0] - 0xD800) << 10) + (one[1] - 0xDC00) : one[0];
      return "line " + std::to_string(line) + ": " + Hex(code);  // shown as its code alone
    }
    i += n - 1;
  }
  return "";
}

std::string FirstUnmappable(std::string_view utf8) {
  int line = 1;
  for (size_t i = 0; i < utf8.size();) {
    const unsigned char lead = static_cast<unsigned char>(utf8[i]);
    const size_t n = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    const std::string_view one = utf8.substr(i, n);
    if (lead == '\n') ++line;
    if (GbkToUtf8(Utf8ToGbk(one)) != one) {
      uint32_t code = n == 1 ? lead : lead & (0xFF >> (n + 1));
      for (size_t k = 1; k < one.size(); ++k) code = code << 6 | (one[k] & 0x3F);
      return "line " + std::to_string(line) + ": \"" + std::string(one) + "\" (" + Hex(code) + ")";
    }
    i += n;
  }
  return "";
}

}  // namespace

std::optional<std::string> TextToGbk(std::string_view name, std::string data, std::string& error) {
  std::string gbk;
  bool exact = true;
  std::string where;  // the first character GBK cannot hold
  if (data.starts_with(kUtf16Bom)) {
    const std::u16string text =
        Utf16FromLittleEndian(std::string_view(data).substr(kUtf16Bom.size()));
    gbk = Utf16ToGbk(text);
    exact = GbkToUtf16(gbk) == text;
    if (!exact) where = FirstUnmappable(text);
  } else {
    // A UTF-8 byte order mark would be read as part of the first line.
    if (data.starts_with(kUtf8Bom)) data.erase(0, kUtf8Bom.size());
    if (IsAscii(data) || !IsValidUtf8(data)) return data;
    gbk = Utf8ToGbk(data);
    exact = GbkToUtf8(gbk) == data;
    if (!exact) where = FirstUnmappable(std::string_view(data));
  }
  if (!exact) {
    error = std::string(name) + (where.empty() ? "" : " " + where) +
            ": GBK cannot represent this character";
    return std::nullopt;
  }
  return gbk;
}

std::optional<std::string> ConvertSettingsFile(std::string_view file_name, std::string data,
                                               std::string& error) {
  const std::string lower = Lower(file_name);
  const bool compressed_kind = lower == "qmbreg.db" || lower == "qmbdll.db";
  if (compressed_kind) {
    if (data.starts_with(kCompressedMagic)) return data;
    // The registry data is text the runtime reads as GBK; the DLL store is binary.
    if (lower == "qmbreg.db" && data.find('\0') == std::string::npos) {
      auto gbk = TextToGbk(file_name, std::move(data), error);
      if (!gbk) return std::nullopt;
      data = std::move(*gbk);
    }
    return CompressForm(data);
  }
  if (!EndsWith(lower, ".ini") && !EndsWith(lower, ".txt")) return data;  // images, databases
  const std::string_view key = CipherKeyFor(lower);
  if (!key.empty()) {
    if (auto plain = Decipher(data, key)) {  // enciphered already
      std::string normal = WithCrLf(*plain);
      return normal == *plain ? data : Encipher(normal, key);
    }
  }
  auto gbk = TextToGbk(file_name, std::move(data), error);
  if (!gbk) return std::nullopt;
  if (ReadByLines(lower)) *gbk = WithCrLf(std::move(*gbk));
  if (key.empty()) return gbk;
  return Encipher(*gbk, key);
}

std::string WithCrLf(std::string text) {
  std::string out;
  out.reserve(text.size() + text.size() / 16);
  for (size_t i = 0; i < text.size(); ++i) {
    // 0x0A is never the second byte of a GBK character, so a byte-wise look is safe.
    if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) out += '\r';
    out += text[i];
  }
  return out;
}

std::string WithUnpackedSize(std::string data_ini, uint64_t size) {
  constexpr std::string_view kSection = "禾木软件安装配置";
  constexpr std::string_view kKey = "压缩原大小";
  if (!IniFile(data_ini).Value(kSection, kKey).empty()) return data_ini;
  // After the section's header line, so that it is the section's first match.
  for (size_t pos = 0; pos < data_ini.size();) {
    size_t end = data_ini.find('\n', pos);
    if (end == std::string::npos) end = data_ini.size();
    const std::string line = Trim(std::string_view(data_ini).substr(pos, end - pos));
    const size_t close = FindCharGbk(line, ']');
    if (line.starts_with("[") && close != kNotFound &&
        EqualsIgnoreCase(Trim(std::string_view(line).substr(1, close - 1)), kSection)) {
      std::string entry = std::string(kKey) + "=" + std::to_string(size) + "\r\n";
      if (end == data_ini.size()) entry.insert(0, "\r\n");
      data_ini.insert(std::min(end + 1, data_ini.size()), entry);
      return data_ini;
    }
    pos = end + 1;
  }
  return data_ini;
}

std::optional<std::vector<SettingsFile>> LoadSettingsFolder(const std::filesystem::path& folder,
                                                            std::string& error) {
  std::error_code ec;
  if (!std::filesystem::is_directory(folder, ec)) {
    error = "settings folder not found: " + folder.string();
    return std::nullopt;
  }
  std::vector<SettingsFile> files;
  for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
    const std::string name = entry.path().filename().string();
    if (!entry.is_regular_file()) {
      error = "settings folder may hold files only: " + entry.path().string();
      return std::nullopt;
    }
    auto bytes = ReadWholeFile(entry.path());
    if (!bytes) {
      error = "cannot read " + entry.path().string();
      return std::nullopt;
    }
    auto converted = ConvertSettingsFile(name, std::move(*bytes), error);
    if (!converted) return std::nullopt;
    files.push_back({name, std::move(*converted)});
  }
  if (ec) {
    error = "cannot list " + folder.string() + ": " + ec.message();
    return std::nullopt;
  }
  std::sort(files.begin(), files.end(),
            [](const SettingsFile& a, const SettingsFile& b) { return a.name < b.name; });
  return files;
}

}  // namespace qmb::mkpackage
