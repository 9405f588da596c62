// The chart: its walls, titles, legend placement, the 3-D depth of the
// chart rectangle, and the drawing steps the axis panel leaves to it.
#include <algorithm>
#include <cmath>

#include "chart/Chart.h"

namespace qv {

// ---- walls ----------------------------------------------------------------------------------

TCustomChartWall::TCustomChartWall(TCustomPlotPanel* parent, TColor color)
    : TPlotCustomShape(parent), defaultColor_(color) {
  TPlotCustomShape::SetColor(color);
}

void TCustomChartWall::Assign(const TPlotCustomShapeBrushPen& source) {
  if (auto* w = dynamic_cast<const TCustomChartWall*>(&source)) {
    dark3D_ = w->dark3D_;
    size_ = w->size_;
  }
  TPlotCustomShape::Assign(source);
}

void TCustomChartWall::SetDark3D(bool v) {
  if (v == dark3D_) return;
  dark3D_ = v;
  Repaint();
}

void TCustomChartWall::SetSize(int v) {
  if (v == size_) return;
  size_ = v;
  Repaint();
}

bool TCustomChartWall::DarkSides() {
  return Brush().Style() != bsClear && !Brush().HasImage() && dark3D_;
}

TChartBackWall::TChartBackWall(TCustomPlotPanel* parent) : TChartWall(parent, clSilver) {
  transparent_ = true;
}

TChartRightWall::TChartRightWall(TCustomPlotPanel* parent) : TChartWall(parent, clSilver) {
  SetVisible(false);
}

// ---- titles ---------------------------------------------------------------------------------

void TPlotCustomShapePosition::Assign(const TPlotCustomShapeBrushPen& source) {
  TPlotCustomShape::Assign(source);
  if (auto* s = dynamic_cast<const TPlotCustomShapePosition*>(&source)) {
    customPosition_ = s->customPosition_;
    if (customPosition_) {
      ShapeBounds.Left = s->ShapeBounds.Left;
      ShapeBounds.Top = s->ShapeBounds.Top;
    }
  }
}

void TPlotCustomShapePosition::SetCustomPosition(bool v) {
  if (v == customPosition_) return;
  customPosition_ = v;
  Repaint();
}

void TPlotCustomShapePosition::SetLeft(int v) {
  customPosition_ = true;
  const int w = ShapeBounds.Width();
  ShapeBounds.Left = v;
  ShapeBounds.Right = v + w;
  Repaint();
}

void TPlotCustomShapePosition::SetTop(int v) {
  customPosition_ = true;
  const int h = ShapeBounds.Height();
  ShapeBounds.Top = v;
  ShapeBounds.Bottom = v + h;
  Repaint();
}

TChartTitle::TChartTitle(TCustomPlotPanel* parent) : TPlotCustomShapePosition(parent) {
  transparent_ = true;
  Font().SetColor(clBlue);
  Font().BaseColor = clBlue;
  text_.OnChange = [this] { Repaint(); };
}

TChartFootTitle::TChartFootTitle(TCustomPlotPanel* parent) : TChartTitle(parent) {
  onTop_ = false;
  Font().SetColor(clRed);
  Font().BaseColor = clRed;
  TFontStyles italic;
  italic.Include(fsItalic);
  Font().SetStyle(italic);
  Font().BaseStyle = italic;
}

void TChartTitle::Assign(const TPlotCustomShapeBrushPen& source) {
  if (auto* t = dynamic_cast<const TChartTitle*>(&source)) {
    adjustFrame_ = t->adjustFrame_;
    alignment_ = t->alignment_;
    text_.Assign(t->text_);
  }
  TPlotCustomShapePosition::Assign(source);
}

void TChartTitle::SetAdjustFrame(bool v) {
  if (v == adjustFrame_) return;
  adjustFrame_ = v;
  Repaint();
}

void TChartTitle::SetAlignment(TAlignment v) {
  if (v == alignment_) return;
  alignment_ = v;
  Repaint();
}

void TChartTitle::DrawTitle() {
  TCustomPlotPanel* chart = parent_;
  if (!Visible() || text_.Count() == 0 || !chart || !chart->Canvas().ReferenceCanvas()) return;
  TPlotCanvas3D& canvas = chart->Canvas();
  int f = Pen().Visible() && Pen().Color() != clDefault ? Pen().Width() : 0;
  if (Bevel() != bvNone) f = BevelWidth();
  const bool custom = CustomPosition();
  TRect& b = ShapeBounds;
  if (!custom) {
    b = chart->ChartRect;
    if (onTop_) b.Top += f;
  }
  canvas.ApplyFont(Font());
  canvas.SetBackMode(TRANSPARENT);
  const int h = canvas.FontHeight();
  const int n = text_.Count();
  if (onTop_ || custom)
    b.Bottom = b.Top + h * n;
  else
    b.Top = b.Bottom - h * n;
  if (!custom) InflateRect(b, f, f);
  const int wW = canvas.TextWidth("W");
  if (adjustFrame_) {
    int m = 0;
    for (int i = 0; i < n; ++i) m = std::max(m, canvas.TextWidth(text_[i]));
    const int t = m + wW + f;
    switch (alignment_) {
      case taLeftJustify:
        b.Right = b.Left + t;
        break;
      case taRightJustify:
        b.Left = b.Right - t;
        break;
      case taCenter: {
        if (custom) b.Right = b.Left + t;
        const int c = (b.Left + b.Right) / 2;
        b.Left = c - t / 2;
        b.Right = c + t / 2;
        break;
      }
    }
  }
  PaintShape();
  canvas.ApplyFont(Font());
  canvas.Ref().Brush.SetStyle(bsClear);
  canvas.SetBackMode(TRANSPARENT);
  canvas.SetTextAlign(TA_LEFT | TA_TOP);
  for (int i = 0; i < n; ++i) {
    const std::string line = text_[i];
    const int tw = canvas.TextWidth(line);
    const int y = onTop_ ? b.Top + f + i * h : b.Bottom - h - f - i * h;
    int x;
    switch (alignment_) {
      case taRightJustify:
        x = b.Right - tw - wW / 2;
        break;
      case taCenter:
        x = (b.Left + b.Right) / 2 - tw / 2;
        break;
      default:
        x = b.Left + wW / 2;
        break;
    }
    canvas.TextOut(x, y, line);
  }
  if (custom) return;
  int g = 5 + f;
  if (!Transparent()) g += ShadowSize();
  if (onTop_)
    chart->ChartRect.Top = b.Bottom + g;
  else
    chart->ChartRect.Bottom = b.Bottom - g - n * h;
  chart->RecalcWidthHeight();
}

// ---- the chart ------------------------------------------------------------------------------

bool TCustomChart::WheelScroll = true;

TCustomChart::TCustomChart() {
  AutoRepaint = false;
  title_ = std::make_unique<TChartTitle>(this);
  subTitle_ = std::make_unique<TChartTitle>(this);
  foot_ = std::make_unique<TChartFootTitle>(this);
  subFoot_ = std::make_unique<TChartFootTitle>(this);
  backWall_ = std::make_unique<TChartBackWall>(this);
  leftWall_ = std::make_unique<TChartWall>(this, 0x80FFFF);
  legend_ = std::make_unique<TChartLegend>(this);
  bottomWall_ = std::make_unique<TChartWall>(this, clWhite);
  rightWall_ = std::make_unique<TChartRightWall>(this);
  AutoRepaint = true;
}

TCustomChart::~TCustomChart() {
  AutoRepaint = false;
  Destroying = true;
}

void TCustomChart::Assign(const TCustomPlotPanel& source) {
  if (auto* c = dynamic_cast<const TCustomChart*>(&source); c && c != this) {
    backWall_->Assign(*c->backWall_);
    bottomWall_->Assign(*c->bottomWall_);
    foot_->Assign(*c->foot_);
    leftWall_->Assign(*c->leftWall_);
    legend_->Assign(*c->legend_);
    rightWall_->Assign(*c->rightWall_);
    ScrollMouseButton = c->ScrollMouseButton;
    subFoot_->Assign(*c->subFoot_);
    subTitle_->Assign(*c->subTitle_);
    title_->Assign(*c->title_);
  }
  TCustomAxisPanel::Assign(source);
}

TColor TCustomChart::PanelBackColor() const {
  return backWall_->Transparent() ? Color() : backWall_->Color();
}

bool TCustomChart::IsFreeSeriesColor(TColor color, bool checkBackground) const {
  for (const TChartSeries* s : SeriesList())
    if (s->SeriesColor() == color) return false;
  return !(checkBackground && (color == Color() || color == backWall_->Color()));
}

std::string TCustomChart::FormattedValueLegend(TChartSeries* series, int valueIndex) {
  if (!series || valueIndex == -1) return {};
  std::string text = series->LegendString(valueIndex, legend_->TextStyle());
  std::replace(text.begin(), text.end(), ChartLineSeparator, ' ');
  return text;
}

std::string TCustomChart::FormattedLegend(int index) {
  std::string text = legend_->ItemText(index);
  if (OnGetLegendText) OnGetLegendText(this, legend_->EffectiveStyle(), index, text);
  return text;
}

void TCustomChart::SeriesEvent(TCustomChartSeries* series, TSeriesEventKind kind) {
  // A series that leaves the chart is no longer the legend's.
  if (kind == TSeriesEventKind::Removed && legend_ && legend_->Series() == series)
    legend_->SetSeries(nullptr);
  TCustomAxisPanel::SeriesEvent(series, kind);
}

TChartSeries* TCustomChart::ActiveSeriesLegend() const {
  for (TChartSeries* s : SeriesList())
    if (s->Active()) return s;
  return nullptr;
}

bool TCustomChart::WallsAllowed() const {
  bool anyActive = false;
  for (TChartSeries* s : SeriesList()) {
    if (!s->Active()) continue;
    anyActive = true;
    if (s->UsesAxes()) return true;
  }
  return !anyActive;
}

void TCustomChart::ReadBackColor(TColor color) {
  backWall_->SetColor(color);
  if (Host() && !Loading) backWall_->Brush().SetStyle(bsSolid);
}

// ---- drawing steps --------------------------------------------------------------------------

void TCustomChart::CalcDepth3D() {
  CalcSize3D();
  if (View3D() && View3DOptions().Orthogonal()) {
    const int w = WallsAllowed() ? backWall_->Size() : 0;
    const int d = std::abs(Width3D) + w;
    if (View3DOptions().OrthoAngle() < 91) {
      ChartRect.Right -= d;
      if (rightWall_->Visible()) ChartRect.Right -= rightWall_->Size() + 1;
    } else {
      ChartRect.Left += d;
      if (leftWall_->Visible()) ChartRect.Left += leftWall_->Size() + 1;
    }
    ChartRect.Top += w + std::abs(Height3D);
  }
  RecalcWidthHeight();
}

int TCustomChart::CalcWallSize(const TChartAxis& axis) const {
  if (!View3D() || !View3DWalls()) return 0;
  if (&axis == &const_cast<TCustomChart*>(this)->LeftAxis()) return leftWall_->Size();
  if (&axis == &const_cast<TCustomChart*>(this)->BottomAxis()) return bottomWall_->Size();
  return 0;
}

bool TCustomChart::LeftWallInFront() const {
  const TView3DOptions& v = const_cast<TCustomChart*>(this)->View3DOptions();
  return v.Orthogonal() ? v.OrthoAngle() > 90 : v.Rotation() < 270;
}

bool TCustomChart::RightWallInFront() {
  const int b = CalcWallSize(BottomAxis());
  const TPoint a = canvas_.ProjectPoint(ChartRect.Right, ChartRect.Top, 0);
  const TPoint c =
      canvas_.ProjectPoint(ChartRect.Right, ChartRect.Bottom + b, Width3D + backWall_->Size());
  return a.X <= c.X;
}

void TCustomChart::DrawTitlesAndLegend(bool beforeSeries) {
  const bool legendShown =
      legend_->Visible() && (legend_->HasCheckBoxes() || ActiveSeriesCount() > 0);
  TChartTitle* titles[] = {title_.get(), subTitle_.get(), foot_.get(), subFoot_.get()};
  auto drawTitles = [&](bool custom) {
    for (TChartTitle* t : titles)
      if (t->CustomPosition() == custom) t->DrawTitle();
  };
  canvas_.BeginFlat();
  if (beforeSeries) {
    if (!legend_->CustomPosition() && legendShown) {
      if (legend_->Vertical()) {
        legend_->PaintLegend();
        drawTitles(false);
      } else {
        drawTitles(false);
        legend_->PaintLegend();
      }
    } else {
      drawTitles(false);
    }
  } else {
    if (legend_->CustomPosition() && legendShown) legend_->PaintLegend();
    drawTitles(true);
  }
  canvas_.EndFlat();
  if (beforeSeries || !WallsAllowed() || !View3D() || !View3DWalls()) return;
  if (rightWall_->Visible() && RightWallInFront()) DrawRightWall();
  if (leftWall_->Visible() && LeftWallInFront()) {
    DrawLeftWall();
    if (AxisVisible() && IsAxisVisible(LeftAxis())) {
      LeftAxis().InFront = true;
      LeftAxis().Draw(true);
      LeftAxis().InFront = false;
    }
  }
}

void TCustomChart::DrawWall(TCustomChartWall& wall, const std::function<void()>& draw,
                            const TPoint (&quad)[4]) {
  canvas_.ApplyPen(wall.Pen());
  if (wall.Transparent()) {
    canvas_.Ref().Brush.SetStyle(bsClear);
  } else {
    canvas_.ApplyBrush(wall.Brush(), wall.Color());
    if (wall.GradientVisible()) {
      // The gradient fills the projected face; the face is then outlined.
      std::vector<TPoint> face(4);
      for (int i = 0; i < 4; ++i) face[i] = quad[i];
      TRect box(face[0].X, face[0].Y, face[0].X, face[0].Y);
      for (const TPoint& p : face) {
        box.Left = std::min(box.Left, p.X);
        box.Top = std::min(box.Top, p.Y);
        box.Right = std::max(box.Right, p.X);
        box.Bottom = std::max(box.Bottom, p.Y);
      }
      if (ClipAllowed()) canvas_.ClipToPolygon(face);
      wall.Gradient().PaintInto(canvas_, box);
      if (ClipAllowed()) canvas_.RemoveClip();
      canvas_.ApplyPen(wall.Pen());
      canvas_.Ref().Brush.SetStyle(bsClear);
    }
  }
  draw();
}

void TCustomChart::DrawLeftWall() {
  TCustomChartWall& w = *leftWall_;
  const TRect r = ChartRect;
  const int b = CalcWallSize(BottomAxis());
  const TPoint quad[4] = {canvas_.ProjectPoint(r.Left, r.Top, 0),
                          canvas_.ProjectPoint(r.Left, r.Top, Width3D),
                          canvas_.ProjectPoint(r.Left, r.Bottom + b, Width3D),
                          canvas_.ProjectPoint(r.Left, r.Bottom + b, 0)};
  DrawWall(
      w,
      [&] {
        if (w.Size() < 1)
          canvas_.SideRect3D(r.Left, r.Top, r.Bottom + b, 0, Width3D);
        else
          canvas_.Box3D(r.Left - w.Size(), r.Left, r.Top, r.Bottom + b, 0, Width3D, w.DarkSides());
      },
      quad);
}

void TCustomChart::DrawRightWall() {
  TCustomChartWall& w = *rightWall_;
  const TRect r = ChartRect;
  const int b = CalcWallSize(BottomAxis());
  const TPoint quad[4] = {canvas_.ProjectPoint(r.Right, r.Top, 0),
                          canvas_.ProjectPoint(r.Right, r.Top, Width3D + 1),
                          canvas_.ProjectPoint(r.Right, r.Bottom + b, Width3D + 1),
                          canvas_.ProjectPoint(r.Right, r.Bottom + b, 0)};
  DrawWall(
      w,
      [&] {
        if (w.Size() < 1)
          canvas_.SideRect3D(r.Right, r.Top, r.Bottom + b, 0, Width3D + 1);
        else
          canvas_.Box3D(r.Right, r.Right + w.Size(), r.Top, r.Bottom + b, 0,
                        Width3D + backWall_->Size(), w.DarkSides());
      },
      quad);
}

void TCustomChart::DrawBottomWall() {
  TCustomChartWall& w = *bottomWall_;
  const TRect r = ChartRect;
  const int y = r.Bottom + (TPlotCanvas3D::SupportsFullRotation() ? 1 : 0);
  const TPoint quad[4] = {canvas_.ProjectPoint(r.Left, y, 0), canvas_.ProjectPoint(r.Right, y, 0),
                          canvas_.ProjectPoint(r.Right, y, Width3D),
                          canvas_.ProjectPoint(r.Left, y, Width3D)};
  DrawWall(
      w,
      [&] {
        if (w.Size() < 1)
          canvas_.FloorRect3D(r.Left, y, r.Right, 0, Width3D);
        else
          canvas_.Box3D(r.Left, r.Right, y, y + w.Size(), 0, Width3D, w.DarkSides());
      },
      quad);
}

void TCustomChart::DrawBackWall() {
  TChartBackWall& w = *backWall_;
  if (!View3D()) {
    TRect r = ChartRect;
    ++r.Bottom;
    canvas_.ApplyPen(w.Pen());
    if (w.Transparent())
      canvas_.Ref().Brush.SetStyle(bsClear);
    else
      canvas_.ApplyBrush(w.Brush(), w.Color());
    auto draw = [&] {
      if (!w.Transparent() && w.GradientVisible()) {
        w.Gradient().PaintInto(canvas_, r);
        canvas_.ApplyPen(w.Pen());
        canvas_.Ref().Brush.SetStyle(bsClear);
      }
      canvas_.Rectangle(r.Left, r.Top, r.Right, r.Bottom);
    };
    if (w.Transparency() > 0) {
      TPlotBlend blend(canvas_, r);
      draw();
      blend.MixBack(w.Transparency());
    } else {
      draw();
    }
  } else if (View3DWalls()) {
    const TRect r = ChartRect;
    int t = w.Size();
    if (Width3D < 0) t = -t;
    if (w.Size() < 1) {
      const TPoint quad[4] = {canvas_.ProjectPoint(r.Left, r.Top, Width3D),
                              canvas_.ProjectPoint(r.Right, r.Top, Width3D),
                              canvas_.ProjectPoint(r.Right, r.Bottom, Width3D),
                              canvas_.ProjectPoint(r.Left, r.Bottom, Width3D)};
      DrawWall(
          w, [&] { canvas_.RectAtDepth(r, Width3D); }, quad);
    } else {
      const int bottom = r.Bottom + CalcWallSize(BottomAxis());
      const TPoint quad[4] = {canvas_.ProjectPoint(r.Left, r.Top, Width3D),
                              canvas_.ProjectPoint(r.Right, r.Top, Width3D),
                              canvas_.ProjectPoint(r.Right, bottom, Width3D),
                              canvas_.ProjectPoint(r.Left, bottom, Width3D)};
      DrawWall(
          w,
          [&] {
            canvas_.Box3D(r.Left, r.Right, r.Top, bottom, Width3D, Width3D + t, w.DarkSides());
          },
          quad);
    }
  }
  if (HasBackImage() && BackImageInside()) {
    TRect r = ChartRect;
    if (w.Pen().Visible()) OffsetRect(r, 1, 1);
    PaintBackImage(r, View3D() ? Width3D : 0);
  }
}

void TCustomChart::DrawWalls() {
  if (!WallsAllowed()) return;
  if (rightWall_->Visible() && View3D() && View3DWalls() && !RightWallInFront()) DrawRightWall();
  if (backWall_->Visible()) DrawBackWall();
  if (View3D() && View3DWalls()) {
    if (leftWall_->Visible() && !LeftWallInFront()) DrawLeftWall();
    if (bottomWall_->Visible()) DrawBottomWall();
  }
}

void TCustomChart::Paint(TCanvas& c, const TRect& r) {
  TCustomPlotPanel::Paint(c, r);
  if (Zoom().Active && canvas_.BufferedDrawing() && !PrintingNow) {
    canvas_.SetReferenceCanvas(&c);
    PaintDragRect();
    canvas_.SetReferenceCanvas(nullptr);
  }
}

}  // namespace qv
