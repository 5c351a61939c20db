// The package's look applied to the wizard window.
#include "wizard/win32/wizard_skin.h"

#include <commctrl.h>

#include "context/context.h"
#include "platform/win32/wide.h"
#include "wizard/wizard_look.h"

namespace qmb {

namespace {

constexpr wchar_t kPageFillProp[] = L"QmbPageFill";

// Each picture box and the frame it stands on, whose colour its transparent pixels show.
struct PictureSpot {
  const char* box;
  const char* frame;
};
const PictureSpot kLargeBoxes[] = {{"图片框1", "外形框1"}, {"图片框4", "外形框2"}};
const PictureSpot kSmallBoxes[] = {{"图片框2", "外形框3"}, {"图片框3", "外形框4"},
                                   {"图片框5", "外形框5"}, {"图片框6", "外形框6"},
                                   {"备用_图片框", "备用_外形框1"}};
constexpr char kInstallBox[] = "图片框_界面安装时图片";

void SetText(HWND control, const std::string& gbk) { SetWindowTextW(control, Wide(gbk).c_str()); }

// Box classes whose text the package's records replace; a tree takes only font and colours.
bool IsTree(HWND control) {
  wchar_t cls[32] = {};
  GetClassNameW(control, cls, 32);
  return lstrcmpiW(cls, WC_TREEVIEWW) == 0;
}

}  // namespace

HBRUSH PageFill(HWND page) { return static_cast<HBRUSH>(GetPropW(page, kPageFillProp)); }

WizardSkin::~WizardSkin() {
  for (HWND box : image_boxes_) UnbindImage(box);
  for (auto& [box, unused] : colours_) RemovePropW(box, kPageFillProp);
  for (auto& [colour, brush] : brushes_) DeleteObject(brush);
  for (HFONT font : fonts_) DeleteObject(font);
}

HBRUSH WizardSkin::Brush(COLORREF colour) {
  auto found = brushes_.find(colour);
  if (found != brushes_.end()) return found->second;
  HBRUSH brush = CreateSolidBrush(colour);
  brushes_[colour] = brush;
  return brush;
}

HFONT WizardSkin::Font(const std::string& face, int size, bool bold) {
  NONCLIENTMETRICSW metrics = {};
  metrics.cbSize = sizeof(metrics);
  SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
  LOGFONTW font = metrics.lfMessageFont;
  HDC screen = GetDC(nullptr);
  font.lfHeight = -MulDiv(size, GetDeviceCaps(screen, LOGPIXELSY), 72);
  ReleaseDC(nullptr, screen);
  font.lfWidth = 0;
  font.lfWeight = bold ? FW_BOLD : FW_NORMAL;
  if (!face.empty()) {
    const std::wstring wide = Wide(face);
    lstrcpynW(font.lfFaceName, wide.c_str(), LF_FACESIZE);
  }
  HFONT made = CreateFontIndirectW(&font);
  if (made != nullptr) fonts_.push_back(made);
  return made;
}

void WizardSkin::Apply(HWND window, const Finder& named) {
  const WizardLook look = ReadWizardLook(ctx_, GetSysColor(COLOR_BTNFACE));
  if (look.caption) SetText(window, *look.caption);
  for (const ControlLook& control : look.controls) {
    HWND box = named(control.control.c_str());
    if (box == nullptr) continue;
    if (HFONT font = Font(control.font.face, control.font.size, control.font.bold))
      SendMessageW(box, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    if (IsTree(box)) {
      SendMessageW(box, TVM_SETTEXTCOLOR, 0, control.text_colour);
      SendMessageW(box, TVM_SETBKCOLOR, 0, control.back_colour);
    } else {
      colours_[box] = {control.text_colour, control.back_colour, true, Brush(control.back_colour)};
    }
    if (control.text) SetText(box, *control.text);
    InvalidateRect(box, nullptr, TRUE);
  }
  if (look.frame_colours) {
    for (int i = 0; i < kFrameColourCount; ++i) {
      HWND frame = named(kColouredFrames[i]);
      const std::optional<uint32_t>& given = (*look.frame_colours)[i];
      if (frame == nullptr || !given) continue;
      const COLORREF colour = *given;
      colours_[frame] = {0, colour, false, Brush(colour)};
      if (i % 2 == 1) SetPropW(frame, kPageFillProp, Brush(colour));  // 外形框I_n: a page itself
      InvalidateRect(frame, nullptr, TRUE);
    }
  }
  if (FolderLocked(ctx_)) {
    // Read-only rather than disabled, so the folder stays readable and selectable.
    SendMessageW(named("安装路径_编辑框"), EM_SETREADONLY, TRUE, 0);
    EnableWindow(named("浏览目录"), FALSE);
  }
  ApplyImages(named);
  ShowSpace(named);
}

COLORREF WizardSkin::ColourBeneath(const Finder& named, const char* frame) const {
  auto found = colours_.find(named(frame));
  return found != colours_.end() ? found->second.back : GetSysColor(COLOR_BTNFACE);
}

void WizardSkin::ApplyImages(const Finder& named) {
  const std::string& large = ctx_.wizard.page_image;
  const std::string& small = ctx_.system.small_picture;
  // A PNG fills its box with its transparency blended over what lies beneath; another image shows
  // at its own size in the corner, as a plain picture would.
  auto bind = [&](const PictureSpot& spot, const std::string& bytes) {
    HWND box = named(spot.box);
    if (!bytes.empty() && Bind(box, bytes)) return;
    if (!bytes.empty()) ctx_.log.Failure(std::string("wizard: image of ") + spot.box + " cannot be shown");
    // An empty box takes the colour of its frame rather than covering it with the dialog face.
    const COLORREF beneath = ColourBeneath(named, spot.frame);
    if (box != nullptr) colours_[box] = {0, beneath, false, Brush(beneath)};
  };
  for (const PictureSpot& spot : kLargeBoxes) bind(spot, large);
  for (const PictureSpot& spot : kSmallBoxes) bind(spot, small);
}

bool WizardSkin::Bind(HWND box, const std::string& bytes) {
  const ImagePlacement placement = IsPngImage(bytes) ? ImagePlacement::kStretched : ImagePlacement::kOwnSize;
  if (!BindImage(box, bytes, placement)) return false;
  image_boxes_.push_back(box);
  return true;
}

void WizardSkin::ShowHeaderImage(HWND box) {
  const std::string& bytes = ctx_.system.small_picture;
  if (!bytes.empty() && !Bind(box, bytes))
    ctx_.log.Failure("wizard: the header image of a support DLL's page cannot be shown");
}

bool WizardSkin::ShowInstallImage(const Finder& named) {
  const std::string& bytes = ctx_.wizard.install_image;
  if (bytes.empty()) return false;
  HWND box = named(kInstallBox);
  if (!Bind(box, bytes)) ctx_.log.Failure("wizard: the installing-time image cannot be shown");
  ShowWindow(box, SW_SHOW);
  return true;
}

void WizardSkin::ShowSpace(const Finder& named) {
  if (!ctx_.startup.show_space) return;
  UpdateSpace(named);
  for (const char* name : {"外形框_显示空间", "标签_所需空间", "标签_可用空间"})
    ShowWindow(named(name), SW_SHOW);
}

void WizardSkin::UpdateSpace(const Finder& named) {
  if (!ctx_.startup.show_space) return;
  const SpaceLabels labels = SpaceLabelsFor(ctx_);
  SetText(named("标签_所需空间"), labels.required);
  SetText(named("标签_可用空间"), labels.free);
}

bool WizardSkin::ControlColour(HWND child, HDC dc, HBRUSH* brush) const {
  auto found = colours_.find(child);
  if (found == colours_.end()) return false;
  if (found->second.has_text) SetTextColor(dc, found->second.text);
  SetBkColor(dc, found->second.back);
  *brush = found->second.brush;
  return true;
}

}  // namespace qmb
