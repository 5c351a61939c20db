// What the support-DLL requests ask of the wizard window. The window implements it; without a
// window (the background mode) the requests that need one answer 0.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qmb {

struct ControlRect {
  int left = 0, top = 0, width = 0, height = 0;
};

class DllRequestWindow {
 public:
  virtual ~DllRequestWindow() = default;
  // The window handle of a control of the wizard window by its name (`下一步_按钮`, `图片框1`,
  // `外形框I_1` ...); 0 when there is none.
  virtual intptr_t ControlWindow(const std::string& name) = 0;
  virtual std::vector<intptr_t> ChildWindows(intptr_t window) = 0;
  // Keeps the wizard window above all others, or not (request 1003 of the entry routine).
  virtual void SetTopmost(bool on) = 0;
  // Addresses of the wizard's page table and page-shown flags (layout in wizard_pages.h).
  virtual intptr_t PageTableAddress() = 0;
  virtual intptr_t PageShownAddress() = 0;
  // The address of the finish options' check-box list.
  virtual intptr_t FinishOptionList() = 0;
  virtual int PageCount() = 0;
  // Makes a page current through the page set, so that its page-changed event runs.
  virtual void SelectPage(int page) = 0;
  // A new page in the page set. The wizard's own six pages keep their numbers: a position among
  // them puts the page after them.
  virtual void InsertPage(int position, const std::string& caption) = 0;
  // A copy of one of the spare `备用_` controls, on parent (0: the page set's window) at rect,
  // with text (none: the spare's own text); its window handle.
  virtual intptr_t CloneSpareControl(const std::string& spare_name, intptr_t parent,
                                     ControlRect rect, const std::optional<std::string>& text) = 0;
  virtual void SetVisible(intptr_t window, bool visible) = 0;
  // The tree view `树型框1` rebuilt from ctx.wizard.tree: its items, ticks, expansion and place.
  virtual void ShowTree() = 0;
  // The folder box `安装路径_编辑框` gets text.
  virtual void SetFolderBox(const std::string& text) = 0;
};

}  // namespace qmb
