// The framed tree view: the tree view core with a custom non-client frame
// (TUiFramedControl), colours by focus and enabled state, a frame
// controller link, wheel scrolling, per-node context menus and a frame
// around the selected node while the control is not focused. The shell
// tree derives from it.
#pragma once

#include <functional>

#include "controls/UiCommon.h"
#include "platform/core/TreeView.h"

namespace qv {

class TUiCustomTreeView : public TCustomTreeView, public TUiFramedControl {
 public:
  TUiCustomTreeView();
  ~TUiCustomTreeView() override;
  using TUiFramedControl::Color;

  // The pen of the frame drawn around the selected node while the control
  // is not focused (and the selection is shown); changes repaint.
  TPen& SelectionFramePen() { return selectionFramePen_; }

  void SetEnabled(bool v) override;
  void Loaded();
  void PaintNonClient(TCanvas& canvas, int width, int height) { PaintFrame(canvas, width, height); }

  // May move the point (client pixels) or choose another menu.
  std::function<void(TTreeNode&, TPoint& point, TPopupMenuRef& menu)> OnItemContextMenu;
  std::function<void()> OnMouseEnter;
  std::function<void()> OnMouseLeave;
  std::function<void()> OnRepaintFrame;

  void FocusIn() override;
  void FocusOut() override;
  void MouseMove(TShiftState shift, int x, int y) override;
  void MouseLeave() override;
  bool MouseWheel(TShiftState shift, int delta, int x, int y) override;
  void Resize(int width, int height) override;

  static constexpr int WheelScrollLines = 3;

 protected:
  void ContextMenu(int x, int y, bool fromKeyboard) override;
  void PaintOver(TCanvas& canvas) override;

  bool FrameFocused() const override { return Focused(); }
  bool FrameEnabled() const override { return Enabled(); }
  bool FrameLoading() const override { return loading_; }
  void RepaintFrame() override;
  void ApplyColor(TColor color) override { SetBackColor(color); }

 private:
  TPen selectionFramePen_;
  bool loading_ = false;
};

}  // namespace qv
