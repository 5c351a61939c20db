// look/look.ini to the wizard's text records and page image files.
#include "look_inputs.h"

#include <strings.h>

#include "base/gbk_codec.h"
#include "base/ini.h"
#include "base/text.h"
#include "base/value_store.h"
#include "file_io.h"

namespace qmb::mkpackage {

namespace fs = std::filesystem;

namespace {

constexpr char kImages[] = "images";

struct ImageName {
  const char* key;
  const char8_t* stored;  // the name the installer reads it by, whatever the image's format
};
// File names in the settings archive are UTF-8 like the names on disk, not GBK like texts.
const ImageName kImageNames[] = {{"page", u8"界面图片.jpg"},
                                 {"header", u8"界面小图片.jpg"},
                                 {"installing", u8"界面安装时图像.jpg"},
                                 {"uninstall", u8"界面大图片.jpg"}};

// A colour field as the decimal COLORREF value the installer reads.
std::optional<std::string> ColourField(const std::string& section, const std::string& value,
                                       std::string& error) {
  if (value.empty()) return value;
  if (EqualsIgnoreCase(value, "button-face")) return std::string("15790320");
  if (value[0] == '#' && value.size() == 7 &&
      value.find_first_not_of("0123456789abcdefABCDEF", 1) == std::string::npos) {
    const unsigned long rgb = std::stoul(value.substr(1), nullptr, 16);
    const unsigned long colorref = ((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF);
    return std::to_string(colorref);
  }
  if (value.find_first_not_of("0123456789") == std::string::npos && value.size() <= 8 &&
      std::stoul(value) <= 0xFFFFFF)
    return value;
  error = "look.ini [" + section + "]: \"" + value + "\" is no colour (decimal, #RRGGBB or button-face)";
  return std::nullopt;
}

bool HasFile(const std::vector<SettingsFile>& files, std::string_view name) {
  for (const SettingsFile& f : files)
    if (strcasecmp(f.name.c_str(), std::string(name).c_str()) == 0) return true;
  return false;
}

}  // namespace

std::optional<std::string> GuiTextRecords(std::string_view look_ini, std::string& error) {
  const IniFile ini(look_ini);
  std::string records;
  for (const std::string& section : ini.SectionNames()) {
    if (EqualsIgnoreCase(section, kImages)) continue;
    for (const std::string& key : ini.KeyNames(section)) {
      static const char* const kKnown[] = {"text", "font", "size", "bold", "colour", "color", "background"};
      bool known = false;
      for (const char* k : kKnown) known = known || EqualsIgnoreCase(key, k);
      if (!known) {
        error = "look.ini [" + section + "]: unknown key \"" + key + "\"";
        return std::nullopt;
      }
    }
    std::string text = ReplaceAll(ini.Value(section, "text"), "\\n", "\r\n");
    const std::string size = ini.Value(section, "size");
    if (!size.empty() && (size.find_first_not_of("0123456789") != std::string::npos || size.size() > 3)) {
      error = "look.ini [" + section + "]: size \"" + size + "\" is no point size";
      return std::nullopt;
    }
    const std::string bold = ini.Value(section, "bold");
    std::optional<std::string> colour = ColourField(
        section, ini.Get(section, "colour").value_or(ini.Value(section, "color")), error);
    if (!colour) return std::nullopt;
    std::optional<std::string> background = ColourField(section, ini.Value(section, "background"), error);
    if (!background) return std::nullopt;
    const std::string face = ini.Value(section, "font");
    if (!face.empty() || !size.empty() || !bold.empty() || !colour->empty() || !background->empty()) {
      const bool is_bold = EqualsIgnoreCase(bold, "yes") || bold == "真";
      text += "<font" + face + "," + size + "," + (is_bold ? "真" : "") + "," + *colour + "," +
              *background + "/>";
    }
    StoreAppendTo(records, section, text);
  }
  return records;
}

bool AddLookFiles(const fs::path& folder, std::vector<SettingsFile>& files, std::string& error) {
  std::error_code ec;
  if (!fs::is_directory(folder, ec)) return true;
  const fs::path ini_path = folder / "look.ini";
  auto bytes = ReadWholeFile(ini_path);
  if (!bytes) {
    error = "cannot read " + ini_path.string();
    return false;
  }
  // Image names stay UTF-8, as the files are named on disk, whatever GBK can hold; only the texts
  // are converted. A file in UTF-16 or GBK is read through GBK.
  std::string utf8 = *bytes;
  if (utf8.starts_with("\xEF\xBB\xBF")) utf8.erase(0, 3);
  if (!IsValidUtf8(utf8)) {
    auto gbk = TextToGbk("look.ini", std::move(*bytes), error);
    if (!gbk) return false;
    utf8 = GbkToUtf8(*gbk);
  }
  const IniFile ini(utf8);
  IniFile texts;
  for (const std::string& section : ini.SectionNames())
    if (!EqualsIgnoreCase(section, kImages))
      for (const std::string& key : ini.KeyNames(section)) texts.Set(section, key, ini.Value(section, key));
  auto gbk = TextToGbk("look.ini", texts.Serialize(), error);
  if (!gbk) return false;
  auto records = GuiTextRecords(*gbk, error);
  if (!records) return false;
  std::vector<SettingsFile> added;
  if (!records->empty()) {
    auto stored = ConvertSettingsFile("GUItext.ini", std::move(*records), error);
    if (!stored) return false;
    added.push_back({"GUItext.ini", std::move(*stored)});
  }
  for (const std::string& key : ini.KeyNames(kImages)) {
    const ImageName* image = nullptr;
    for (const ImageName& known : kImageNames)
      if (EqualsIgnoreCase(key, known.key)) image = &known;
    if (image == nullptr) {
      error = "look.ini [images]: unknown image \"" + key + "\" (page, header, installing, uninstall)";
      return false;
    }
    const std::string file = ini.Value(kImages, key);
    if (file.empty() || file.find('/') != std::string::npos || file.find("..") != std::string::npos) {
      error = "look.ini [images]: " + key + " must name a file beside look.ini";
      return false;
    }
    auto data = ReadWholeFile(folder / file);
    if (!data) {
      error = "cannot read " + (folder / file).string();
      return false;
    }
    added.push_back({reinterpret_cast<const char*>(image->stored), std::move(*data)});
  }
  for (SettingsFile& f : added) {
    if (HasFile(files, f.name)) {
      error = "settings/" + f.name + " and the look folder both give it; keep one";
      return false;
    }
    files.push_back(std::move(f));
  }
  return true;
}

}  // namespace qmb::mkpackage
