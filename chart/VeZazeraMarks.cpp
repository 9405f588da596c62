// Series marks: the settings object, its positions and drawing of one
// mark, and the series' side: mark texts and drawing the marks of the
// visible points.
#include <algorithm>
#include <cmath>

#include "chart/Chart.h"
#include "chart/VeZazera.h"
#include "chart/ZezIdazi.h"

namespace qv {

bool TSeriesMarks::ArrowContrast = false;

TSeriesMarksGradient::TSeriesMarksGradient(TPlotChangeEvent onChange)
    : TPlotGradient(std::move(onChange)) {
  SetDirection(gdRightLeft);
  SetEndColor(clWhite);
  SetStartColor(clSilver);
}

TSeriesMarks::TSeriesMarks(TChartSeries* series)
    : TPlotCustomShape(nullptr), series_(series), arrow_([this] { Changed(); }) {
  SetColor(clInfoBk);
  SetShadowSize(1);
  SetShadowColor(clGray);
  SetVisible(false);
}

void TSeriesMarks::Changed() {
  if (series_) series_->Repaint();
}

void TSeriesMarks::Assign(const TPlotCustomShapeBrushPen& source) {
  if (auto* m = dynamic_cast<const TSeriesMarks*>(&source)) {
    angle_ = m->angle_;
    arrow_.Assign(m->arrow_);
    arrowLength_ = m->arrowLength_;
    clip_ = m->clip_;
    drawEvery_ = m->drawEvery_;
    style_ = m->style_;
    multiLine_ = m->multiLine_;
  }
  TPlotCustomShape::Assign(source);
}

#define QV_MARKS_SETTER(Name, field, type) \
  void TSeriesMarks::Set##Name(type v) {   \
    if (v == field) return;                \
    field = v;                             \
    Changed();                             \
  }
QV_MARKS_SETTER(ArrowLength, arrowLength_, int)
QV_MARKS_SETTER(Clip, clip_, bool)
QV_MARKS_SETTER(MultiLine, multiLine_, bool)
QV_MARKS_SETTER(Style, style_, TSeriesMarksStyle)
#undef QV_MARKS_SETTER

void TSeriesMarks::SetAngle(int v) {
  v = ((v % 360) + 360) % 360;
  if (v == angle_) return;
  angle_ = v;
  Changed();
}

void TSeriesMarks::SetDrawEvery(int v) {
  // Every point at least: a step below 1 would divide by zero.
  v = std::max(1, v);
  if (v == drawEvery_) return;
  drawEvery_ = v;
  Changed();
}

TSeriesMarksPositions& TSeriesMarks::Positions() { return series_->MarkPositions(); }

void TSeriesMarks::ApplyArrowLength(TSeriesMarkPosition& p) const {
  p.TopLeft.Y -= arrowLength_;
  p.ArrowEnd.Y -= arrowLength_;
}

void TSeriesMarks::StorePosition(int index, TSeriesMarkPosition& position) {
  TSeriesMarkPosition& stored = Positions().Ensure(index);
  if (stored.IsCustom) {
    const TPoint start = position.ArrowStart;
    const bool fixed = position.ArrowFixed;
    position = stored;
    if (fixed) position.ArrowStart = start;
  } else {
    stored = position;
  }
}

int TSeriesMarks::Clicked(int x, int y) {
  if (TCustomAxisPanel* chart = series_->ParentChart())
    chart->Canvas().ScreenToWorld(x, y, ZPosition);
  TSeriesMarksPositions& list = Positions();
  for (int i = 0; i < list.Count(); i += drawEvery_)
    if (const TSeriesMarkPosition* p = list.Position(i); p && p->BoundsRect().Contains(x, y))
      return i;
  return -1;
}

void TSeriesMarks::DrawItem(int index, TColor color, TSeriesMarkPosition& position,
                            const std::string& text) {
  TCustomAxisPanel* chart = series_->ParentChart();
  if (!chart || !chart->Canvas().ReferenceCanvas()) return;
  TPlotCanvas3D& canvas = chart->Canvas();
  TCanvas& dev = canvas.Ref();
  const bool is3D = chart->View3D() && !TPlotCanvas3D::SupportsFullRotation();
  StorePosition(index, position);
  // The arrow from the point to the box.
  if (arrow_.Visible()) {
    dev.Brush.SetStyle(bsClear);
    TColor c = arrow_.Color();
    const TColor back = chart->PanelBackColor();
    if (ArrowContrast && (c == color || c == back)) c = ColorToRGB(back) == 0 ? clWhite : clBlack;
    canvas.ApplyPenColor(arrow_, c);
    if (chart->View3D())
      canvas.LineAtDepth(position.ArrowStart.X, position.ArrowStart.Y, position.ArrowEnd.X,
                         position.ArrowEnd.Y, ZPosition);
    else
      canvas.Line(position.ArrowStart.X, position.ArrowStart.Y, position.ArrowEnd.X,
                  position.ArrowEnd.Y);
  }
  // In 3-D the box moves with the projected arrow end.
  TRect box = position.BoundsRect();
  if (is3D) {
    const TPoint p = canvas.ProjectPoint(position.ArrowEnd.X, position.ArrowEnd.Y, ZPosition);
    OffsetRect(box, p.X - position.ArrowEnd.X, p.Y - position.ArrowEnd.Y);
  }
  // The box, flat where the projection already placed it.
  if (is3D) canvas.BeginFlat();
  if (Transparency() > 0) {
    TPlotBlend blend(canvas, box);
    DrawShapeRotated(box, angle_, 0);
    blend.MixBack(Transparency());
  } else {
    DrawShapeRotated(box, angle_, 0);
  }
  // The text lines, centred, from 2 pixels below the box top.
  dev.Brush.SetStyle(bsClear);
  canvas.SetBackMode(TRANSPARENT);
  canvas.SetTextAlign(TA_CENTER);
  const int h = canvas.FontHeight() + (Pen().Visible() ? Pen().Width() : 0);
  const int cx = (box.Left + box.Right) / 2;
  const std::vector<std::string> lines = SplitChartText(text);
  for (std::size_t i = 0; i < lines.size(); ++i) {
    int x = cx, y = box.Top + 2 + int(i) * h;
    if (angle_ != 0) {
      // The line origin turns about the box centre with the box.
      double s, c;
      SineCosine(angle_ * M_PI / 180.0, s, c);
      const int cy = (box.Top + box.Bottom) / 2;
      const double dx = x - cx, dy = y - cy;
      x = cx + RoundInt(dx * c + dy * s);
      y = cy + RoundInt(-dx * s + dy * c);
      if (angle_ == 90) x += 2;
      canvas.TextOutRotated(x, y, lines[i], angle_);
    } else {
      canvas.TextOut(x, y, lines[i]);
    }
  }
  canvas.SetTextAlign(TA_LEFT | TA_TOP);
  if (is3D) canvas.EndFlat();
}

// ---- the series' side --------------------------------------------------------------------

std::string TChartSeries::GetMarkText(int index) {
  const TSeriesMarks& m = *marks_;
  const std::string sep = m.MultiLine() ? std::string(1, ChartLineSeparator) : " ";
  const std::string label = GetLabel(index);
  auto labelOrValue = [&] { return label.empty() ? ValueText(index) : label; };
  auto percent = [&] { return FormatFloat(percentFormat_, MarkPercent(index)); };
  auto percentTotal = [&] {
    return Format(m.MultiLine() ? SValueOfSeriesMultiLine : SValueOfSeries, percent(),
                  FormatFloat(valueFormat_, mandatory_->AbsoluteSum()));
  };
  std::string text;
  switch (m.Style()) {
    case smsValue:
      text = ValueText(index);
      break;
    case smsPercent:
      text = percent();
      break;
    case smsLabel:
      text = labelOrValue();
      break;
    case smsLabelPercent:
      text = labelOrValue() + sep + percent();
      break;
    case smsLabelValue:
      text = labelOrValue() + sep + ValueText(index);
      break;
    case smsLegend:
      if (parentChart_) text = parentChart_->FormattedValueLegend(this, index);
      break;
    case smsPercentTotal:
      text = percentTotal();
      break;
    case smsLabelPercentTotal:
      text = labelOrValue() + sep + percentTotal();
      break;
    case smsXValue:
      text = XText(index);
      break;
    case smsXY:
      text = XText(index) + sep + ValueText(index);
      break;
  }
  if (OnGetMarkText) OnGetMarkText(this, index, text);
  return text;
}

int TChartSeries::MaxMarkWidth() {
  if (!parentChart_ || !parentChart_->Canvas().ReferenceCanvas()) return 0;
  TPlotCanvas3D& canvas = parentChart_->Canvas();
  canvas.ApplyFont(marks_->Font());
  int widest = 0;
  for (int i = 0; i < Count(); ++i)
    for (const std::string& line : SplitChartText(GetMarkText(i)))
      widest = std::max(widest, canvas.TextWidth(line));
  return widest;
}

void TChartSeries::DrawMark(int index, const std::string& text, TSeriesMarkPosition& position) {
  marks_->DrawItem(index, GetValueColor(index), position, text);
}

void TChartSeries::DrawMarks() {
  if (!parentChart_ || firstVisible_ < 0 || !parentChart_->Canvas().ReferenceCanvas()) return;
  TPlotCanvas3D& canvas = parentChart_->Canvas();
  TSeriesMarks& m = *marks_;
  TPlotFont& font = m.Font();
  // Zoomed 3-D charts zoom the mark text with the picture.
  const TView3DOptions& view = parentChart_->View3DOptions();
  const bool zoomFont = parentChart_->View3D() && !TPlotCanvas3D::SupportsFullRotation() &&
                        view.ZoomText() && view.Zoom() != 100;
  for (int i = firstVisible_; i <= lastVisible_; ++i) {
    if (i % m.DrawEvery() != 0 || IsNull(i)) continue;
    const std::string text = GetMarkText(i);
    if (text.empty()) continue;
    canvas.ApplyFont(font);
    if (zoomFont)
      canvas.Ref().Font.SetSize(std::max(1, RoundInt(font.Size() * view.Zoom() * 0.01)));
    int lines = 0;
    int width = parentChart_->MultiLineTextWidth(text, lines) + canvas.TextWidth("W");
    int height = canvas.FontHeight() * lines;
    if (m.Pen().Visible()) {
      width += 2 * m.Pen().Width();
      height += 2 * m.Pen().Width();
    } else {
      ++height;
    }
    TSeriesMarkPosition p;
    p.ArrowEnd = {CalcXPos(i), CalcYPos(i)};
    p.ArrowStart = p.ArrowEnd;
    p.TopLeft = {p.ArrowEnd.X - width / 2, p.ArrowEnd.Y - height + 1};
    p.Width = width;
    p.Height = height;
    DrawMark(i, text, p);
  }
}

}  // namespace qv
