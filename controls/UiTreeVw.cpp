#include "controls/UiTreeVw.h"

namespace qv {

TUiCustomTreeView::TUiCustomTreeView() {
  selectionFramePen_.SetColor(clBtnShadow);
  selectionFramePen_.SetStyle(psSolid);
  selectionFramePen_.OnChange = [this](TGraphicsObject*) { Invalidate(); };
}

TUiCustomTreeView::~TUiCustomTreeView() {
  selectionFramePen_.OnChange = nullptr;
  OnRepaintFrame = nullptr;
}

void TUiCustomTreeView::RepaintFrame() {
  if (loading_) return;
  if (OnRepaintFrame) OnRepaintFrame();
  Invalidate();
}

void TUiCustomTreeView::SetEnabled(bool v) {
  TCustomTreeView::SetEnabled(v);
  UpdateColors();
}

void TUiCustomTreeView::Loaded() {
  loading_ = false;
  UpdateColors();
  UpdateFrame(false, false);
}

void TUiCustomTreeView::FocusIn() {
  TCustomTreeView::FocusIn();
  UpdateFrame(false, true);
}

void TUiCustomTreeView::FocusOut() {
  TCustomTreeView::FocusOut();
  UpdateFrame(false, false);
}

void TUiCustomTreeView::MouseMove(TShiftState shift, int x, int y) {
  if (!MouseOver()) {
    UpdateFrame(true, true);
    if (OnMouseEnter) OnMouseEnter();
  }
  TCustomTreeView::MouseMove(shift, x, y);
}

void TUiCustomTreeView::MouseLeave() {
  if (!MouseOver()) return;
  UpdateFrame(true, false);
  if (OnMouseLeave) OnMouseLeave();
}

bool TUiCustomTreeView::MouseWheel(TShiftState, int delta, int, int) {
  ScrollBy(0, -(delta / 120) * WheelScrollLines);
  return true;
}

void TUiCustomTreeView::Resize(int width, int height) {
  TCustomTreeView::Resize(width, height);
  if (FrameVisible() && !UseThemedFrame()) RepaintFrame();
}

void TUiCustomTreeView::ContextMenu(int x, int y, bool fromKeyboard) {
  TTreeNode* node = nullptr;
  TPoint pt(x, y);
  if (fromKeyboard) {
    node = Selected();
    pt = {0, 0};
    if (node) {
      const TRect r = node->DisplayRect(true);
      pt = {(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2};
    }
  } else {
    node = GetNodeAt(x, y);
    if (!node) node = Selected();
  }
  if (!node || !host_) {
    TCustomTreeView::ContextMenu(x, y, fromKeyboard);
    return;
  }
  TPopupMenuRef menu = PopupMenu;
  if (OnItemContextMenu) OnItemContextMenu(*node, pt, menu);
  if (menu) menu->Popup(*host_, *this, pt.X, pt.Y);
}

void TUiCustomTreeView::PaintOver(TCanvas& c) {
  TTreeNode* node = Selected();
  if (HideSelection() || Focused() || !node) return;
  const TRect r = node->DisplayRect(true);
  if (r.IsEmpty()) return;
  c.Pen.Assign(selectionFramePen_);
  c.Pen.SetWidth(1);
  c.Brush.SetStyle(bsClear);
  c.Rectangle(r);
  c.Brush.SetStyle(bsSolid);
}

}  // namespace qv
