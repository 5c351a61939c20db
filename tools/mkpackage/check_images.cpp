// The settings' images and the wizard texts of GUItext.ini. An image is walked through its
// container (PNG chunks with their checksums, JPEG segments, icon directory, bitmap header), which
// finds truncated and damaged files without decoding the pixels.
#include <zlib.h>

#include <cctype>
#include <cstdint>

#include "base/text.h"
#include "check_context.h"
#include "startup/settings_catalogue.h"

namespace qmb::mkpackage {
namespace {

uint32_t Big32(std::string_view d, size_t at) {
  return static_cast<uint32_t>(static_cast<unsigned char>(d[at])) << 24 |
         static_cast<uint32_t>(static_cast<unsigned char>(d[at + 1])) << 16 |
         static_cast<uint32_t>(static_cast<unsigned char>(d[at + 2])) << 8 |
         static_cast<uint32_t>(static_cast<unsigned char>(d[at + 3]));
}

uint32_t Little(std::string_view d, size_t at, int bytes) {
  uint32_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(d[at + i]);
  return v;
}

std::string PngProblem(std::string_view d) {
  size_t at = 8;
  bool header = false;
  while (at + 12 <= d.size()) {
    const uint32_t length = Big32(d, at);
    if (length > d.size() - at - 12) return "a PNG chunk runs past the end of the file";
    const std::string_view type = d.substr(at + 4, 4);
    const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(d.data() + at + 4), length + 4);
    if (crc != Big32(d, at + 8 + length)) return "a PNG chunk fails its checksum";
    if (at == 8) header = type == "IHDR";
    if (type == "IEND") return header ? "" : "a PNG without its header chunk";
    at += 12 + length;
  }
  return "the PNG ends before its end chunk";
}

std::string JpegProblem(std::string_view d) {
  size_t at = 2;
  bool frame = false;
  while (at + 4 <= d.size()) {
    if (static_cast<unsigned char>(d[at]) != 0xFF) return "a JPEG segment does not start where expected";
    const unsigned char marker = static_cast<unsigned char>(d[at + 1]);
    const size_t length = static_cast<unsigned char>(d[at + 2]) << 8 | static_cast<unsigned char>(d[at + 3]);
    if (length < 2 || at + 2 + length > d.size()) return "a JPEG segment runs past the end of the file";
    frame = frame || (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 &&
                      marker != 0xCC);
    if (marker == 0xDA) {  // image data up to the end marker
      if (!frame) return "a JPEG without a frame header";
      return d.find("\xFF\xD9", at + 2 + length) == std::string_view::npos
                 ? "the JPEG ends before its end marker"
                 : "";
    }
    at += 2 + length;
  }
  return "the JPEG ends before its image data";
}

std::string IconProblem(std::string_view d) {
  const uint32_t count = Little(d, 4, 2);
  if (count == 0 || 6 + 16 * count > d.size()) return "the icon directory is empty or cut short";
  for (uint32_t i = 0; i < count; ++i) {
    const uint32_t size = Little(d, 6 + 16 * i + 8, 4), offset = Little(d, 6 + 16 * i + 12, 4);
    if (size == 0 || offset > d.size() || size > d.size() - offset)
      return "an icon image lies outside the file";
  }
  return {};
}

std::string ImageProblem(std::string_view d) {
  if (d.starts_with("\x89PNG\r\n\x1A\n")) return PngProblem(d);
  if (d.starts_with("\xFF\xD8")) return JpegProblem(d);
  if (d.size() >= 6 && d.starts_with(std::string_view("\0\0\1\0", 4))) return IconProblem(d);
  if (d.starts_with("BM") && d.size() >= 26)
    return Little(d, 2, 4) <= d.size() ? "" : "the bitmap is shorter than its header says";
  return "not a PNG, JPEG, icon or bitmap image";
}

bool IsImageName(std::string name) {
  for (char& ch : name) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  for (const char* ext : {".jpg", ".jpeg", ".png", ".ico", ".bmp"})
    if (EndsWith(name, ext)) return true;
  return false;
}

bool IsDigits(std::string_view text) {
  for (char ch : text)
    if (!std::isdigit(static_cast<unsigned char>(ch))) return false;
  return true;
}

// Empty (the default) or a decimal RGB value.
bool IsColour(std::string_view text) {
  return text.empty() || (IsDigits(text) && text.size() <= 8 && ToInt64(text) <= 0xFFFFFF);
}

// The font tag "<font name,size,bold,text colour,background/>" of a record text.
std::string FontTagProblem(const std::string& text) {
  const size_t open = text.find("<font");
  if (open == std::string::npos) return {};
  const size_t close = text.find("/>", open);
  if (close == std::string::npos) return "the font tag is not closed with \"/>\"";
  const std::vector<std::string> fields = SplitGbk(text.substr(open + 5, close - open - 5), ',');
  if (fields.size() > 5) return "the font tag has more than five fields";
  auto field = [&](size_t i) { return i < fields.size() ? Trim(fields[i]) : std::string(); };
  if (!IsDigits(field(1)))
    return "font size \"" + field(1) + "\" is no whole number";
  if (!field(2).empty() && field(2) != "真" && field(2) != "假")
    return "bold \"" + field(2) + "\" is neither \"真\" nor \"假\"";
  for (size_t i : {3u, 4u})
    if (!IsColour(field(i)))
      return "colour \"" + field(i) + "\" is no decimal RGB value (0 to 16777215)";
  return {};
}

}  // namespace

void CheckImages(CheckContext& c) {
  for (const auto& [name, data] : c.settings) {
    if (!IsImageName(name)) continue;
    const std::string problem = ImageProblem(data);
    if (!problem.empty())
      c.Add(Severity::kError, "settings/" + name, 0, "", "does not decode: " + problem);
  }
}

// The fill colours "背景" lists: the side frames and pages of the six wizard pages.
constexpr size_t kFrameColours = 12;

void CheckGuiText(CheckContext& c) {
  const std::string* text = c.Settings("GUItext.ini");
  if (!text) return;
  std::vector<std::string> known;
  for (const TextRecordName& r : GuiTextRecords()) known.emplace_back(r.name);
  // Records back to back: name 0x01 text name "end".
  for (size_t pos = 0; pos < text->size();) {
    const size_t mark = text->find('\x01', pos);
    if (mark == std::string::npos) break;
    const std::string name = Trim(std::string_view(*text).substr(pos, mark - pos));
    const size_t end = text->find(name + "end", mark + 1);
    const int line = LineAt(*text, pos);
    if (name.empty() || end == std::string::npos) {
      c.Add(Severity::kError, "settings/GUItext.ini", line, name,
            "a record is name, the byte 01, its text, then the name followed by \"end\"");
      break;
    }
    const std::string value = text->substr(mark + 1, end - mark - 1);
    pos = end + name.size() + 3;
    bool listed = false;
    for (const std::string& k : known) listed = listed || k == name;
    if (!listed) {
      c.Add(Severity::kWarning, "settings/GUItext.ini", line, name,
            "unknown record; nothing shows it" + Suggestion(name, known));
      continue;
    }
    std::string problem = FontTagProblem(value);
    if (name == "背景") {
      const std::vector<std::string> entries = SplitGbk(ReplaceAll(value, "\r\n", ""), ',');
      for (const std::string& entry : entries)
        if (!IsColour(Trim(entry))) problem = "colour \"" + entry + "\" is no decimal RGB value";
      if (problem.empty() && entries.size() < kFrameColours)
        c.Add(Severity::kWarning, "settings/GUItext.ini", line, name,
              std::to_string(entries.size()) + " of the " + std::to_string(kFrameColours) +
                  " page frame colours; the others keep the wizard's own colours");
    }
    if (!problem.empty()) c.Add(Severity::kError, "settings/GUItext.ini", line, name, problem);
  }
}

}  // namespace qmb::mkpackage
