// The chart's mouse: which part lies under the mouse, the click events,
// zoom by dragging a rectangle (animated when asked, undone by dragging
// towards the upper left), scrolling by dragging and by the wheel.
#include <algorithm>
#include <cmath>

#include "chart/Chart.h"

namespace qv {

TChartClickedPart TCustomChart::CalcClickedPart(int x, int y, bool onlyClickable) {
  TChartClickedPart part;
  if (legend_->Visible()) {
    const int item = legend_->ItemAtPoint(x, y);
    if (item != -1) {
      part.Part = cpLegend;
      part.PointIndex = item;
      return part;
    }
  }
  const std::vector<TChartSeries*>& list = SeriesList();
  for (auto it = list.rbegin(); it != list.rend(); ++it) {
    TChartSeries* s = *it;
    if (!s->Active()) continue;
    if (onlyClickable && !s->OnClick && !s->OnDblClick && !OnClickSeries) continue;
    int index = s->Clicked(x, y);
    if (index != -1) {
      part = {cpSeries, index, s, nullptr};
      return part;
    }
    if (s->Marks().Visible()) {
      index = s->Marks().Clicked(x, y);
      if (index != -1) {
        part = {cpSeriesMarks, index, s, nullptr};
        return part;
      }
    }
  }
  for (TChartAxis* a : Axes())
    if (a->Clicked(x, y)) {
      part.Part = cpAxis;
      part.AAxis = a;
      return part;
    }
  const std::pair<TChartTitle*, TChartClickedPartStyle> titles[] = {{title_.get(), cpTitle},
                                                                    {subTitle_.get(), cpSubTitle},
                                                                    {foot_.get(), cpFoot},
                                                                    {subFoot_.get(), cpSubFoot}};
  for (const auto& [t, style] : titles)
    if (t->Clicked(x, y)) {
      part.Part = style;
      return part;
    }
  if (ChartRect.Contains(x, y) && ActiveSeriesCount() > 0) part.Part = cpChartRect;
  return part;
}

void TCustomChart::BackgroundClick(TMouseButton b, TShiftState s, int x, int y, bool& handled) {
  if (!OnClickBackground) return;
  MouseTaken = true;
  OnClickBackground(this, b, s, x, y);
  handled = MouseTaken;
}

void TCustomChart::StartZoomOrScroll(TMouseButton b, TShiftState s, int x, int y) {
  if (!WallsAllowed()) return;
  bool started = false;
  TPlotZoom& zoom = Zoom();
  if (zoom.Allow && b == zoom.MouseButton && (s & zoom.KeyShift) == zoom.KeyShift) {
    if (zoom.Direction == tzdVertical) x = ChartRect.Left;
    if (zoom.Direction == tzdHorizontal) y = ChartRect.Top;
    zoom.Activate(x, y);
    if (zoom.Direction == tzdVertical) zoom.X1 = ChartRect.Right;
    if (zoom.Direction == tzdHorizontal) zoom.Y1 = ChartRect.Bottom;
    RedrawDragRect();
    started = true;
  }
  if (AllowPanning != pmNone && b == ScrollMouseButton) {
    DragRect.Activate(x, y);
    started = true;
  }
  if (started) SetCursor(crDefault);
}

void TCustomChart::RedrawDragRect() {
  // A window shows the rectangle over the buffered picture; a canvas being
  // drawn on directly gets it in not-XOR (twice restores the picture).
  if (Host())
    Host()->Invalidate();
  else if (canvas_.ReferenceCanvas())
    PaintDragRect();
}

void TCustomChart::MouseDown(TMouseButton b, TShiftState s, int x, int y) {
  TCustomPlotPanel::MouseDown(b, s, x, y);
  if (MouseTaken || Zoom().Active || DragRect.Active) return;
  MouseTaken = false;
  NotifyToolsMouse(cmeDown, b, s, x, y);
  if (MouseTaken) return;
  const TChartClickedPart part = CalcClickedPart(x, y, true);
  bool handled = false;
  bool backgroundClicked = false;
  switch (part.Part) {
    case cpLegend:
      handled = legend_->ToggleCheckBox(x, y);
      if (OnClickLegend) {
        MouseTaken = true;
        OnClickLegend(this, b, s, x, y);
        handled = MouseTaken;
      }
      break;
    case cpAxis:
      if (OnClickAxis) {
        MouseTaken = true;
        OnClickAxis(this, part.AAxis, b, s, x, y);
        handled = MouseTaken;
      }
      if (!handled) StartZoomOrScroll(b, s, x, y);
      break;
    case cpSeries: {
      MouseTaken = false;
      TChartSeries* series = part.ASeries;
      const auto& event = (s & ssDouble) ? series->OnDblClick : series->OnClick;
      if (event) event(series, part.PointIndex, b, s, x, y);
      handled = MouseTaken;
      if (OnClickSeries) {
        MouseTaken = true;
        OnClickSeries(this, series, part.PointIndex, b, s, x, y);
        handled = MouseTaken;
      }
      if (!handled) StartZoomOrScroll(b, s, x, y);
      break;
    }
    case cpTitle:
    case cpSubTitle:
    case cpFoot:
    case cpSubFoot:
      if (OnClickTitle) {
        TChartTitle* t = part.Part == cpTitle      ? title_.get()
                         : part.Part == cpSubTitle ? subTitle_.get()
                         : part.Part == cpFoot     ? foot_.get()
                                                   : subFoot_.get();
        MouseTaken = true;
        OnClickTitle(this, t, b, s, x, y);
        handled = MouseTaken;
      }
      if (!handled) StartZoomOrScroll(b, s, x, y);
      break;
    case cpChartRect:
      BackgroundClick(b, s, x, y, handled);
      backgroundClicked = true;
      if (!handled) StartZoomOrScroll(b, s, x, y);
      break;
    default:
      break;
  }
  // A click that nothing handled reaches the background, once.
  if (!handled && !backgroundClicked) BackgroundClick(b, s, x, y, handled);
  MouseTaken = false;
}

bool TCustomChart::PanAxes(bool horizontal, int newPixel, int oldPixel) {
  const TPanningMode mode = horizontal ? pmHorizontal : pmVertical;
  if (newPixel == oldPixel || (AllowPanning != mode && AllowPanning != pmBoth)) return false;
  for (TChartAxis* a : std::vector<TChartAxis*>(Axes())) {
    if (a->IsDepthAxis() || a->Horizontal() != horizontal) continue;
    const double delta = a->PixelToValue(oldPixel) - a->PixelToValue(newPixel);
    double lo = a->Minimum() + delta, hi = a->Maximum() + delta;
    bool allow = true;
    if (OnAllowScroll) OnAllowScroll(a, lo, hi, allow);
    if (allow) a->SetRange(lo, hi);
  }
  return true;
}

void TCustomChart::MouseMove(TShiftState s, int x, int y) {
  TCustomPlotPanel::MouseMove(s, x, y);
  if (!Designing) NotifyToolsMouse(cmeMove, mbLeft, s, x, y);
  if (MouseTaken) return;
  TPlotZoom& zoom = Zoom();
  if (zoom.Active) {
    if (zoom.Direction == tzdVertical) x = ChartRect.Right;
    if (zoom.Direction == tzdHorizontal) y = ChartRect.Bottom;
    if (x == zoom.X1 && y == zoom.Y1) return;
    if (!Host()) RedrawDragRect();  // erases the old one
    zoom.X1 = x;
    zoom.Y1 = y;
    RedrawDragRect();
    return;
  }
  if (DragRect.Active) {
    if (!ChartRect.Contains(x, y)) {
      DragRect.Active = false;
      return;
    }
    if (x == DragRect.X1 && y == DragRect.Y1) return;
    // X1, Y1 hold the last position the axes followed.
    if (axesNotSaved_) SaveAxes();
    bool moved = PanAxes(true, x, DragRect.X1);
    moved = PanAxes(false, y, DragRect.Y1) || moved;
    DragRect.X1 = x;
    DragRect.Y1 = y;
    if (moved) {
      if (OnScroll) OnScroll(this);
      Invalidate();
    }
    return;
  }
  TCursor cursor = SavedCursor;
  for (TChartSeries* series : SeriesList())
    if (series->Active() && series->Cursor != crDefault && series->Clicked(x, y) != -1) {
      cursor = series->Cursor;
      break;
    }
  if (cursor != Cursor()) SetCursor(cursor);
}

void TCustomChart::MouseUp(TMouseButton b, TShiftState s, int x, int y) {
  MouseTaken = false;
  TCustomPlotPanel::MouseUp(b, s, x, y);
  TPlotZoom& zoom = Zoom();
  if (zoom.Active && b == zoom.MouseButton) {
    zoom.Active = false;
    if (Host())
      Host()->Invalidate();
    else if (canvas_.ReferenceCanvas()) {
      PaintDragRect();  // erased
      canvas_.Ref().Pen.SetMode(pmCopy);
    }
    if (zoom.Direction == tzdVertical) x = ChartRect.Right;
    if (zoom.Direction == tzdHorizontal) y = ChartRect.Bottom;
    zoom.X1 = x;
    zoom.Y1 = y;
    if (std::abs(zoom.X1 - zoom.X0) > zoom.MinimumPixels &&
        std::abs(zoom.Y1 - zoom.Y0) > zoom.MinimumPixels) {
      if (zoom.X0 < zoom.X1 && zoom.Y0 < zoom.Y1)
        ZoomRect(TRect(zoom.X0, zoom.Y0, zoom.X1, zoom.Y1));
      else
        UndoZoom();
      Invalidate();
    }
  }
  DragRect.Active = false;
  NotifyToolsMouse(cmeUp, b, s, x, y);
}

bool TCustomChart::MouseWheel(TShiftState s, int delta, int x, int y) {
  if (delta == 0) return false;
  const int notches = std::max(1, std::abs(delta) / 120);
  bool handled = false;
  for (int i = 0; i < notches; ++i)
    handled = (delta < 0 ? DoMouseWheelDown(s, x, y) : DoMouseWheelUp(s, x, y)) || handled;
  return handled;
}

namespace {
void WheelScrollAxes(TCustomAxisPanel& chart, double sign) {
  for (TChartAxis* a : std::vector<TChartAxis*>(chart.Axes()))
    if (!a->Horizontal()) a->ScrollBy(sign * (a->Maximum() - a->Minimum()) * 3 * 0.01, false);
}
}  // namespace

bool TCustomChart::DoMouseWheelDown(TShiftState /*s*/, int /*x*/, int /*y*/) {
  if (!WheelScroll) return false;
  WheelScrollAxes(*this, 1);
  return true;
}

bool TCustomChart::DoMouseWheelUp(TShiftState /*s*/, int /*x*/, int /*y*/) {
  if (!WheelScroll) return false;
  WheelScrollAxes(*this, -1);
  return true;
}

// ---- zoom -------------------------------------------------------------------------------------

void TCustomChart::SaveAxes() {
  TChartAxis* axes[4] = {&TopAxis(), &LeftAxis(), &RightAxis(), &BottomAxis()};
  for (int i = 0; i < 4; ++i) {
    saved_[i].Automatic = axes[i]->Automatic();
    saved_[i].AutomaticMinimum = axes[i]->AutomaticMinimum();
    saved_[i].AutomaticMaximum = axes[i]->AutomaticMaximum();
    saved_[i].Minimum = axes[i]->Minimum();
    saved_[i].Maximum = axes[i]->Maximum();
  }
  axesNotSaved_ = false;
}

void TCustomChart::ZoomRect(const TRect& rect) {
  TPlotZoom& zoom = Zoom();
  zoom.X0 = rect.Left;
  zoom.Y0 = rect.Top;
  zoom.X1 = rect.Right;
  zoom.Y1 = rect.Bottom;
  zoom.Check();
  ZoomValues(TopAxis().PixelToValue(zoom.X0), TopAxis().PixelToValue(zoom.X1),
             BottomAxis().PixelToValue(zoom.X0), BottomAxis().PixelToValue(zoom.X1),
             LeftAxis().PixelToValue(zoom.Y1), LeftAxis().PixelToValue(zoom.Y0),
             RightAxis().PixelToValue(zoom.Y1), RightAxis().PixelToValue(zoom.Y0));
}

void TCustomChart::ZoomValues(double topMin, double topMax, double bottomMin, double bottomMax,
                              double leftMin, double leftMax, double rightMin, double rightMax) {
  if (axesNotSaved_) SaveAxes();
  TChartAxis* axes[4] = {&LeftAxis(), &RightAxis(), &TopAxis(), &BottomAxis()};
  const double lo[4] = {leftMin, rightMin, topMin, bottomMin};
  const double hi[4] = {leftMax, rightMax, topMax, bottomMax};
  if (Zoom().Animated) {
    // Each step closes a third of the distance, and is shown at once.
    for (int step = 1; step < Zoom().AnimatedSteps; ++step) {
      for (int i = 0; i < 4; ++i) {
        TChartAxis& a = *axes[i];
        a.SetRange(a.Minimum() + (lo[i] - a.Minimum()) / 3,
                   a.Maximum() - (a.Maximum() - hi[i]) / 3);
      }
      Invalidate();
      if (Host()) Host()->Update();
    }
  }
  for (int i = 0; i < 4; ++i) axes[i]->SetRange(lo[i], hi[i]);
  Zoomed = true;
  if (OnZoom) OnZoom(this);
}

void TCustomChart::UndoZoom() {
  if (!axesNotSaved_) {
    TChartAxis* axes[4] = {&TopAxis(), &LeftAxis(), &RightAxis(), &BottomAxis()};
    for (int i = 0; i < 4; ++i) {
      TChartAxis& a = *axes[i];
      const TSavedAxis& s = saved_[i];
      // The range first: setting it clears the automatic flags, which are
      // then restored as they were.
      if (!s.Automatic) a.SetRange(s.Minimum, s.Maximum);
      a.SetAutomatic(s.Automatic);
      a.SetAutomaticMinimum(s.AutomaticMinimum);
      a.SetAutomaticMaximum(s.AutomaticMaximum);
    }
    axesNotSaved_ = true;
  }
  if (OnUndoZoom) OnUndoZoom(this);
  Invalidate();
  Zoomed = false;
}

}  // namespace qv
