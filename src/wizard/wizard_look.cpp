// The package's look of the wizard from its GUItext records.
#include "wizard/wizard_look.h"

#include "base/format_size.h"
#include "base/text.h"
#include "base/value_store.h"
#include "context/context.h"
#include "startup/settings_catalogue.h"
#include "startup/settings_loader.h"

namespace qmb {

const char* const kColouredFrames[kFrameColourCount] = {
    "外形框1", "外形框I_1", "外形框6", "外形框I_2", "外形框3", "外形框I_3",
    "外形框4", "外形框I_4", "外形框5", "外形框I_5", "外形框2", "外形框I_6"};

namespace {

constexpr char kFontOpen[] = "<font";
constexpr char kFontClose[] = "/>";
constexpr char kDefault[] = "%Default%";

// How a record reaches its control: it may set the text, and a few records only style it.
enum class TextUse { kText, kStyleOnly, kSpaceLabels, kWaiting };

struct RecordTarget {
  const char* record;
  const char* control;
  TextUse use;
};

// In the order the records are applied; a later record may style a control an earlier one set.
const RecordTarget kRecords[] = {
    {"欢迎0", "编辑框_欢迎0", TextUse::kText},   {"欢迎1", "编辑框_欢迎1", TextUse::kText},
    {"协议0", "编辑框_协议0", TextUse::kText},   {"协议1", "编辑框_协议1", TextUse::kText},
    {"协议2", "编辑框_协议2", TextUse::kText},   {"协议3", "编辑框_协议3", TextUse::kText},
    {"组件0", "编辑框_组件0", TextUse::kText},   {"组件1", "编辑框_组件1", TextUse::kText},
    {"组件2", "编辑框_组件2", TextUse::kText},   {"组件3", "编辑框_组件3", TextUse::kText},
    {"目录0", "编辑框_目录0", TextUse::kText},   {"目录1", "编辑框_目录1", TextUse::kText},
    {"目录2", "编辑框_目录2", TextUse::kText},   {"安装0", "编辑框_安装0", TextUse::kText},
    {"安装1", "编辑框_安装1", TextUse::kText},   {"完成0", "编辑框_完成0", TextUse::kText},
    {"完成1", "编辑框_完成1", TextUse::kText},   {"组件4", "编辑框_组件4", TextUse::kText},
    {"目录3", "编辑框_目录3", TextUse::kText},   {"树框", "树型框1", TextUse::kStyleOnly},
    {"组件5", "提示", TextUse::kStyleOnly},      {"目录4", "浏览目录", TextUse::kText},
    {"协议4", "选择框_条款", TextUse::kText},    {"目录5", "标签_所需空间", TextUse::kSpaceLabels},
    {"安装2", "按钮_显示细节", TextUse::kText},  {"安装s", "解压_标签", TextUse::kWaiting},
};

// A colour field: empty gives the fallback, the button-face mark the system's colour.
uint32_t Colour(const std::string& field, uint32_t fallback, uint32_t button_face) {
  const std::string value = Trim(field);
  if (value.empty()) return fallback;
  const uint32_t colour = static_cast<uint32_t>(ToInt64(value)) & 0xFFFFFF;
  return colour == kButtonFaceMark ? button_face : colour;
}

std::optional<std::string> Record(const Context& ctx, const char* key) {
  std::optional<std::string> record = StoreFind(ctx.settings.gui_text, key);
  if (record && *record == kStoreEmptyValue) record->clear();
  return record;
}

}  // namespace

std::string ReadFontTag(const std::string& record, uint32_t button_face, ControlLook& look) {
  look.font = FontLook{};
  look.text_colour = 0;
  look.back_colour = kWhite;
  const size_t open = record.find(kFontOpen);
  const size_t close = open == std::string::npos ? open : record.find(kFontClose, open);
  if (close == std::string::npos) return record;
  std::vector<std::string> fields =
      SplitGbk(std::string_view(record).substr(open + 5, close - open - 5), ',');
  fields.resize(5);
  look.font.face = Trim(fields[0]);
  const int size = ToInt(Trim(fields[1]));
  look.font.size = size > 0 ? size : 9;
  look.font.bold = IsTrue(Trim(fields[2]));
  look.text_colour = Colour(fields[3], 0, button_face);
  look.back_colour = Colour(fields[4], kWhite, button_face);
  return record.substr(0, open) + record.substr(close + 2);
}

FrameColourList FrameColours(const std::string& record, uint32_t button_face) {
  const std::string list = ReplaceAll(record, std::to_string(kButtonFaceMark), std::to_string(button_face));
  std::vector<std::string> entries = SplitGbk(list, ',');
  FrameColourList colours{};
  for (size_t i = 0; i < colours.size() && i < entries.size(); ++i) {
    const std::string entry = Trim(entries[i]);
    if (!entry.empty()) colours[i] = static_cast<uint32_t>(ToInt64(entry)) & 0xFFFFFF;
  }
  return colours;
}

std::vector<std::string> SpaceTemplates(const Context& ctx) {
  std::optional<std::string> record = Record(ctx, "目录5");
  if (!record) return {"所需空间: %Default%", "可用空间: %Default%"};
  ControlLook unused;
  std::vector<std::string> templates = Split(ReadFontTag(*record, 0, unused), "\r\n");
  templates.resize(2);
  return templates;
}

WizardLook ReadWizardLook(const Context& ctx, uint32_t button_face) {
  WizardLook look;
  look.space_templates = SpaceTemplates(ctx);
  if (ctx.settings.gui_text.empty()) return look;
  if (std::optional<std::string> caption = Record(ctx, "窗口标题")) {
    ControlLook unused;
    look.caption = ReadFontTag(*caption, button_face, unused);
  }
  for (const RecordTarget& target : kRecords) {
    std::optional<std::string> record = Record(ctx, target.record);
    if (!record) continue;
    ControlLook control;
    control.control = target.control;
    std::string text = ReadFontTag(*record, button_face, control);
    switch (target.use) {
      case TextUse::kText: control.text = std::move(text); break;
      case TextUse::kStyleOnly: break;
      case TextUse::kWaiting: control.text = "Waiting……"; break;
      case TextUse::kSpaceLabels: {
        ControlLook free = control;
        free.control = "标签_可用空间";
        look.controls.push_back(control);
        control = free;
        break;
      }
    }
    look.controls.push_back(std::move(control));
  }
  if (std::optional<std::string> background = Record(ctx, "背景"))
    look.frame_colours = FrameColours(*background, button_face);
  return look;
}

SpaceLabels FormatSpaceLabels(const std::vector<std::string>& templates, int64_t required_bytes,
                              std::optional<uint64_t> free_bytes) {
  const std::string required = templates.size() > 0 ? templates[0] : "";
  const std::string free = templates.size() > 1 ? templates[1] : "";
  const int64_t free_count = free_bytes ? static_cast<int64_t>(*free_bytes) : -1024;
  return {ReplaceAll(required, kDefault, FormatSize(required_bytes)),
          ReplaceAll(free, kDefault, FormatSize(free_count))};
}

SpaceLabels SpaceLabelsFor(Context& ctx) {
  // The drive is the first character of what the box holds now, as the install will take it.
  const std::string& folder = ctx.wizard.folder_box;
  const std::optional<uint64_t> free =
      folder.empty() ? std::nullopt : ctx.platform.files.FreeSpace(folder.substr(0, 1) + ":\\");
  return FormatSpaceLabels(SpaceTemplates(ctx), ctx.startup.required_size, free);
}

bool FolderLocked(const Context& ctx) {
  const std::string lock = ReadSettingIn(ctx, kPathRulesSection, "fb");
  return lock == "e" || (lock == "s" && ctx.wizard.previous_location_found);
}

}  // namespace qmb
