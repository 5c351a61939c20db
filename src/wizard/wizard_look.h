// The package's look of the wizard, decided apart from the window: the GUItext records with their
// font tags and colours in the order the window applies them, the twelve page frame colours, the
// space labels and the path lock. The window only creates fonts and brushes from this.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qmb {

struct Context;

// The decimal colour value that stands for the system's button-face colour.
inline constexpr uint32_t kButtonFaceMark = 15790320;
inline constexpr uint32_t kWhite = 16777215;

struct FontLook {
  std::string face;  // empty: the window's own message font face
  int size = 9;      // points
  bool bold = false;
};

// One GUItext record as it styles one control (colours are COLORREF values, 0x00BBGGRR).
struct ControlLook {
  std::string control;              // the control's name in the window's table
  std::optional<std::string> text;  // the text to set; none for records that only style
  FontLook font;
  uint32_t text_colour = 0;
  uint32_t back_colour = kWhite;
};

// The frames whose fill colours the "背景" list gives, in the list's order.
inline constexpr int kFrameColourCount = 12;
extern const char* const kColouredFrames[kFrameColourCount];

// One fill colour per frame; none where the list leaves the entry out or empty, so that the frame
// keeps the window's own colour instead of turning black.
using FrameColourList = std::array<std::optional<uint32_t>, kFrameColourCount>;

struct WizardLook {
  std::optional<std::string> caption;  // "窗口标题"
  std::vector<ControlLook> controls;   // in the order the records are applied
  std::optional<FrameColourList> frame_colours;  // "背景"
  std::vector<std::string> space_templates;  // "目录5": required, free
};

// A record's font tag "<font" face "," size "," bold "," text colour "," back colour "/>" read into
// look (the tag may be absent: size 9, black on white) and cut out of the returned text.
std::string ReadFontTag(const std::string& record, uint32_t button_face, ControlLook& look);

// "背景": every "15790320" becomes button_face, then twelve entries.
FrameColourList FrameColours(const std::string& record, uint32_t button_face);

// The GUItext records of ctx.settings.gui_text; button_face is the system's button-face colour.
WizardLook ReadWizardLook(const Context& ctx, uint32_t button_face);

// The space labels with every "%Default%" replaced: the required size of the payload and the free
// space of the install folder's drive (nullopt when it cannot be read).
struct SpaceLabels {
  std::string required, free;
};
SpaceLabels FormatSpaceLabels(const std::vector<std::string>& templates, int64_t required_bytes,
                              std::optional<uint64_t> free_bytes);

// "目录5" split into its two space-label templates (required, free); built-in ones without it.
std::vector<std::string> SpaceTemplates(const Context& ctx);

// The space labels for the folder box as it stands: the payload's size and the free space of the
// drive the box's first character names. Asked again whenever the folder changes.
SpaceLabels SpaceLabelsFor(Context& ctx);

// The folder box and the browse button are locked: "ml"/"fb" "e" always, "s" when a previous or
// default install folder was found.
bool FolderLocked(const Context& ctx);

}  // namespace qmb
