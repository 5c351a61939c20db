// The package's look on the wizard window: the GUItext texts, fonts and colours, the page frame
// colours, the space labels, the page images and the locked folder box. It owns the fonts, brushes
// and GDI+ images it makes; the window asks it for the colours of its controls.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/win32/windows_include.h"
#include "platform/win32/image_box.h"

namespace qmb {

struct Context;

class WizardSkin {
 public:
  using Finder = std::function<HWND(const char* name)>;

  explicit WizardSkin(Context& ctx) : ctx_(ctx) {}
  ~WizardSkin();
  WizardSkin(const WizardSkin&) = delete;
  WizardSkin& operator=(const WizardSkin&) = delete;

  // Applies the look to the controls that named finds; window is the wizard window itself.
  void Apply(HWND window, const Finder& named);
  // The small header image on a box made after Apply (the header of a support DLL's page).
  void ShowHeaderImage(HWND box);
  // The installing-time image takes the place of the details list; false when there is none.
  bool ShowInstallImage(const Finder& named);
  // The space labels again, for the folder the box holds now (a drive of its own has its own space).
  void UpdateSpace(const Finder& named);

  // WM_CTLCOLOR* of a child: true with *brush set when the package gave it colours.
  bool ControlColour(HWND child, HDC dc, HBRUSH* brush) const;

 private:
  struct Colours {
    COLORREF text = 0;
    COLORREF back = 0;
    bool has_text = false;
    HBRUSH brush = nullptr;
  };

  // A PNG fills the box, blended over what lies beneath; another image shows at its own size.
  bool Bind(HWND box, const std::string& bytes);
  HBRUSH Brush(COLORREF colour);
  HFONT Font(const std::string& face, int size, bool bold);
  void ApplyFrameColours(const Finder& named);
  void ApplyImages(const Finder& named);
  void ShowSpace(const Finder& named);
  COLORREF ColourBeneath(const Finder& named, const char* frame) const;

  Context& ctx_;
  std::map<HWND, Colours> colours_;
  std::map<COLORREF, HBRUSH> brushes_;
  std::vector<HFONT> fonts_;
  std::vector<HWND> image_boxes_;
};

// The page container's fill (its frame "外形框I_n"): the brush it erases with, if any.
HBRUSH PageFill(HWND page);

}  // namespace qmb
