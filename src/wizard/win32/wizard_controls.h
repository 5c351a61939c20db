// The wizard window's named controls in one table: name, kind, page, built-in text and position.
// The window makes them from this table and finds them by name.
#pragma once

#include <cstddef>

namespace qmb {

enum class ControlKind {
  kFrame,     // a plain background frame
  kLabel,     // static text
  kTitle,     // static text in bold
  kText,      // read-only multi-line edit box with a scroll bar (the licence)
  kEdit,      // single-line edit box
  kButton,
  kCheck,     // automatic check box
  kGroup,     // group box
  kPicture,   // picture box
  kTree,      // tree-view with check boxes
  kList,      // details list
  kProgress,  // progress bar
  kLine,      // etched horizontal rule
};

// Page numbers 0..5; the bottom row and the spare controls stand on the window itself.
inline constexpr int kWindowControl = -1;

struct ControlEntry {
  const char* name;  // GBK
  ControlKind kind;
  int page;
  const char* text;  // GBK built-in text
  int x, y, width, height;
  bool hidden;       // made invisible
};

// The whole table; every control's id is 1000 + its index.
const ControlEntry* WizardControls(size_t* count);

inline constexpr int kFirstControlId = 1000;

}  // namespace qmb
