// The chart legend: what it lists, its layout (one column beside the chart
// or rows of columns above or below it), drawing its items and symbols,
// and which item lies under the mouse.
#include <algorithm>
#include <cmath>

#include "chart/Chart.h"
#include "chart/ZezIdazi.h"

namespace qv {

// ---- symbol ---------------------------------------------------------------------------------

void TLegendSymbol::Changed() {
  if (legend_) legend_->Changed();
}

#define QV_SYMBOL_SETTER(Name, field, type) \
  void TLegendSymbol::Set##Name(type v) {   \
    if (v == field) return;                 \
    field = v;                              \
    Changed();                              \
  }
QV_SYMBOL_SETTER(Continuous, continuous_, bool)
QV_SYMBOL_SETTER(Position, position_, TLegendSymbolPosition)
QV_SYMBOL_SETTER(Width, width_, int)
QV_SYMBOL_SETTER(WidthUnits, widthUnits_, TLegendSymbolSize)
#undef QV_SYMBOL_SETTER

int TLegendSymbol::CalcWidth(int referenceWidth) const {
  if (widthUnits_ == lcsPixels) return width_;
  return RoundInt(width_ * referenceWidth * 0.01);
}

void TLegendSymbol::Assign(const TLegendSymbol& s) {
  continuous_ = s.continuous_;
  position_ = s.position_;
  width_ = s.width_;
  widthUnits_ = s.widthUnits_;
  Changed();
}

TChartLegendGradient::TChartLegendGradient(TPlotChangeEvent onChange)
    : TPlotGradient(std::move(onChange)) {
  SetDirection(gdRightLeft);
  SetStartColor(clSilver);
  SetEndColor(clWhite);
}

// ---- settings ---------------------------------------------------------------------------------

TChartLegend::TChartLegend(TCustomChart* chart)
    : TPlotCustomShapePosition(chart), chart_(chart), dividingLines_([this] { Changed(); }) {
  SetShadowColor(clBlack);
}

void TChartLegend::Changed() { Repaint(); }

void TChartLegend::Assign(const TPlotCustomShapeBrushPen& source) {
  if (auto* l = dynamic_cast<const TChartLegend*>(&source); l && l != this) {
    alignment_ = l->alignment_;
    checkBoxes_ = l->checkBoxes_;
    currentPage_ = l->currentPage_;
    dividingLines_.Assign(l->dividingLines_);
    firstValue_ = l->firstValue_;
    fontSeriesColor_ = l->fontSeriesColor_;
    horizMargin_ = l->horizMargin_;
    inverted_ = l->inverted_;
    legendStyle_ = l->legendStyle_;
    maxNumRows_ = l->maxNumRows_;
    resizeChart_ = l->resizeChart_;
    // A series of another chart cannot be listed here.
    series_ = l->series_ && l->series_->ParentChart() == chart_ ? l->series_ : nullptr;
    symbol_.Assign(l->symbol_);
    textStyle_ = l->textStyle_;
    topPos_ = l->topPos_;
    vertMargin_ = l->vertMargin_;
    vertSpacing_ = l->vertSpacing_;
  }
  TPlotCustomShapePosition::Assign(source);
}

#define QV_LEGEND_SETTER(Name, field, type) \
  void TChartLegend::Set##Name(type v) {    \
    if (v == field) return;                 \
    field = v;                              \
    Changed();                              \
  }
QV_LEGEND_SETTER(Alignment, alignment_, TLegendAlignment)
QV_LEGEND_SETTER(CheckBoxes, checkBoxes_, bool)
QV_LEGEND_SETTER(CurrentPage, currentPage_, bool)
QV_LEGEND_SETTER(FontSeriesColor, fontSeriesColor_, bool)
QV_LEGEND_SETTER(HorizMargin, horizMargin_, int)
QV_LEGEND_SETTER(Inverted, inverted_, bool)
QV_LEGEND_SETTER(LegendStyle, legendStyle_, TLegendStyle)
QV_LEGEND_SETTER(MaxNumRows, maxNumRows_, int)
QV_LEGEND_SETTER(ResizeChart, resizeChart_, bool)
QV_LEGEND_SETTER(Series, series_, TChartSeries*)
QV_LEGEND_SETTER(TextStyle, textStyle_, TLegendTextStyle)
QV_LEGEND_SETTER(TopPos, topPos_, int)
QV_LEGEND_SETTER(VertMargin, vertMargin_, int)
QV_LEGEND_SETTER(VertSpacing, vertSpacing_, int)
#undef QV_LEGEND_SETTER

void TChartLegend::SetFirstValue(int v) {
  if (v < 0) throw LegendException(std::string(SLegendFirstValue));
  if (v == firstValue_) return;
  firstValue_ = v;
  Changed();
}

// ---- what is listed ---------------------------------------------------------------------------

TLegendStyle TChartLegend::EffectiveStyle() const {
  if (legendStyle_ != lsAuto) return legendStyle_;
  return !checkBoxes_ && chart_->ActiveSeriesCount() < 2 ? lsValues : lsSeries;
}

TChartSeries* TChartLegend::LegendSeries() const {
  return series_ ? series_ : chart_->ActiveSeriesLegend();
}

TChartSeries* TChartLegend::ListedSeries(int index, bool activeOnly) const {
  for (TChartSeries* s : chart_->SeriesList()) {
    if (!s->ShowInLegend() || (activeOnly && !s->Active())) continue;
    if (index-- == 0) return s;
  }
  return nullptr;
}

int TChartLegend::ItemCount() const { return std::max(0, TotalItems() - firstValue_); }

int TChartLegend::TotalItems() const {
  int n = 0;
  if (EffectiveStyle() == lsValues) {
    const TChartSeries* s = LegendSeries();
    if (s && s->ShowInLegend()) n = s->CountLegendItems();
  } else {
    for (const TChartSeries* s : chart_->SeriesList())
      if (s->ShowInLegend() && (s->Active() || checkBoxes_)) ++n;
  }
  return n;
}

std::string TChartLegend::ItemText(int index) const {
  switch (EffectiveStyle()) {
    case lsValues: {
      TChartSeries* s = LegendSeries();
      return s ? chart_->FormattedValueLegend(s, s->LegendToValueIndex(index)) : std::string();
    }
    case lsLastValues: {
      TChartSeries* s = ListedSeries(index, !checkBoxes_);
      return s && s->Count() > 0 ? chart_->FormattedValueLegend(s, s->Count() - 1) : std::string();
    }
    default: {
      TChartSeries* s = ListedSeries(index, !checkBoxes_);
      return s ? chart_->SeriesTitleOrName(s) : std::string();
    }
  }
}

// ---- layout and drawing -----------------------------------------------------------------------

namespace {
// The two text columns of an item (text after a second separator dropped).
std::pair<std::string, std::string> Columns2(const std::string& text) {
  const std::size_t a = text.find(ChartColumnSeparator);
  if (a == std::string::npos) return {text, {}};
  const std::size_t b = text.find(ChartColumnSeparator, a + 1);
  return {text.substr(0, a), text.substr(a + 1, b == std::string::npos ? b : b - a - 1)};
}
}  // namespace

int TChartLegend::TextWidthOfItems(const std::vector<std::string>& texts, int blank) {
  TPlotCanvas3D& canvas = chart_->Canvas();
  if (AutomaticColumnWidths) {
    ColumnWidths[0] = ColumnWidths[1] = 0;
    for (const std::string& t : texts) {
      const auto [c0, c1] = Columns2(t);
      ColumnWidths[0] = std::max(ColumnWidths[0], canvas.TextWidth(c0));
      ColumnWidths[1] = std::max(ColumnWidths[1], canvas.TextWidth(c1));
    }
  }
  return 2 * blank - 1 + ColumnWidths[0] + ColumnWidths[1];
}

void TChartLegend::PaintLegend() {
  TPlotCanvas3D& canvas = chart_->Canvas();
  if (!canvas.ReferenceCanvas()) return;
  const TLegendStyle style = EffectiveStyle();
  itemFirst_ = firstValue_;
  const int perPage = chart_->MaxPointsPerPage();
  const bool paged = style == lsValues && currentPage_ && perPage > 0;
  if (paged) itemFirst_ = (chart_->Page() - 1) * perPage;
  int count = std::max(0, TotalItems() - itemFirst_);
  if (paged) count = std::min(count, perPage);
  const int first = itemFirst_;

  chart_->LegendColor = Color();
  canvas.ApplyFont(Font());
  const int blank = canvas.TextWidth(" ");
  int h = canvas.FontHeight();
  if (HasCheckBoxes()) h = std::max(h, 17);
  h += vertSpacing_;
  if (Vertical() && dividingLines_.Visible()) h += dividingLines_.Width();
  ItemHeight = h;
  int f = Pen().Visible() ? Pen().Width() : 0;
  if (Bevel() != bvNone) f = BevelWidth();
  const bool custom = CustomPosition();
  TRect& b = ShapeBounds;
  const TRect bounds = chart_->ChartBounds;
  std::vector<std::string> texts;
  auto gather = [&] {
    texts.clear();
    for (int i = first; i <= LastValue; ++i) texts.push_back(chart_->FormattedLegend(i));
  };
  int t = 0;
  if (Vertical()) {
    if (!custom) b.Top = bounds.Top + RoundInt(topPos_ * bounds.Height() * 0.01);
    Columns = 1;
    Rows = chart_->ChartRect.Bottom > b.Top && h > 0
               ? std::min((chart_->ChartHeight - 2 * f - b.Top + chart_->ChartRect.Top) / h, count)
               : 0;
    Rows = std::max(0, Rows);
    LastValue = first + std::min(Rows, count) - 1;
    gather();
    t = TextWidthOfItems(texts, blank);
  } else {
    LastValue = first + count - 1;
    gather();
    t = TextWidthOfItems(texts, blank);
    SymbolWidth = symbol_.CalcWidth(t);
    if (!custom) {
      if (alignment_ == laBottom) b.Bottom = chart_->ChartRect.Bottom - ShadowSize() - f - 1;
      if (alignment_ == laTop) b.Top = chart_->ChartRect.Top + f + 1;
    }
    const int w = SymbolWidth + t + 8 + (HasCheckBoxes() ? 27 : 0);
    Columns =
        chart_->ChartRect.Right > 8 ? std::min((chart_->ChartWidth - 2 * f - 8) / w, count) : 0;
    Columns = std::max(0, Columns);
    if (Columns > 0) {
      Rows = count / Columns + (count % Columns != 0 ? 1 : 0);
      Rows = std::min(Rows, maxNumRows_);
    } else {
      Rows = 0;
    }
    LastValue = first + std::min(count, Rows * Columns) - 1;
    // The texts of the items that fit.
    texts.resize(std::max(0, LastValue - first + 1));
  }
  if (first > LastValue) return;

  const int height = Rows * h + 2;
  if (alignment_ == laBottom && !custom)
    b.Top = b.Bottom - height;
  else
    b.Bottom = b.Top + height;
  int checkX = 0, itemX = 0;
  const bool checks = HasCheckBoxes();
  if (Vertical()) {
    SymbolWidth = symbol_.CalcWidth(t + 10);
    const int width = t + 10 + SymbolWidth;
    if (custom || alignment_ == laLeft) {
      if (!custom) b.Left = chart_->ChartRect.Left + (Pen().Visible() ? f + 1 : 0);
    } else {
      b.Right = chart_->ChartRect.Right - ShadowSize() - (Pen().Visible() ? f + 1 : 0);
      b.Left = b.Right - width - (checks ? 15 : 0);
    }
    itemX = b.Left;
    if (checks) {
      checkX = b.Left + 4;
      itemX = checkX + 11;
    }
    b.Right = itemX + width;
  } else {
    int width = (t + SymbolWidth) * Columns + 12 + (Columns - 1) * 6;
    if (checks) width += Columns * 13 + 4;
    width = std::min(width, chart_->ChartWidth);
    const int half = width / 2;
    if (!custom)
      b.Left = RoundInt(topPos_ * (bounds.Width() - 2 * half) * 0.01) + chart_->ChartXCenter - half;
    b.Right = b.Left + 2 * half;
    itemX = b.Left;
    if (checks) {
      checkX = b.Left + 4;
      itemX = b.Left + 15;
    }
  }
  if (chart_->OnGetLegendRect) chart_->OnGetLegendRect(chart_, b);
  PaintShape();

  // The items, each at its position in drawing order.
  canvas.ApplyFont(Font());
  const int n = LastValue - first + 1;
  for (int p = 0; p < n; ++p) {
    const int index = inverted_ ? LastValue - p : first + p;
    int textX, symbolX;
    if (symbol_.Position() == spRight) {
      textX = itemX + 6;
      symbolX = textX + t;
    } else {
      symbolX = itemX + 6;
      textX = symbolX + SymbolWidth + 4;
    }
    DrawItem(index, p, texts[index - first], textX, symbolX, checkX, blank, t);
  }

  // The chart rectangle gives up the legend's room, and a gap beside it.
  TRect& cr = chart_->ChartRect;
  if (resizeChart_ && !custom) {
    switch (alignment_) {
      case laLeft:
        cr.Left = b.Right;
        break;
      case laRight:
        cr.Right = b.Left;
        break;
      case laTop:
        cr.Top = b.Bottom + ShadowSize();
        break;
      case laBottom:
        cr.Bottom = b.Top;
        break;
    }
  }
  if (Vertical()) {
    const int m = horizMargin_ != 0 ? horizMargin_ : MulDiv(3, chart_->ChartWidth, 100);
    if (alignment_ == laRight)
      cr.Right -= m;
    else
      cr.Left += m;
  } else {
    const int m = vertMargin_ != 0 ? vertMargin_ : MulDiv(4, chart_->ChartHeight, 100);
    if (alignment_ == laTop)
      cr.Top += m;
    else
      cr.Bottom -= m;
  }
  chart_->RecalcWidthHeight();
}

void TChartLegend::DrawItem(int index, int position, const std::string& text, int textX,
                            int symbolX, int checkX, int blank, int textWidth) {
  TPlotCanvas3D& canvas = chart_->Canvas();
  const TRect& b = ShapeBounds;
  const TLegendStyle style = EffectiveStyle();
  const bool checks = HasCheckBoxes();
  int row = position, column = 0;
  if (!Vertical() && Columns > 0) {
    row = position / Columns;
    column = position % Columns;
  }
  const int shift = column * (textWidth + SymbolWidth + (checks ? 21 : 6));
  int x = textX + shift, y = b.Top + 1 + ItemHeight * row + vertSpacing_ / 2;
  int sx = symbolX + shift;
  if (chart_->OnGetLegendPos) chart_->OnGetLegendPos(chart_, index, x, y, sx);

  // The series of the item (series styles), or the listed value.
  TChartSeries* series = nullptr;
  int valueIndex = -1;
  if (style == lsValues) {
    series = LegendSeries();
    if (series) valueIndex = series->LegendToValueIndex(index);
  } else {
    series = ListedSeries(index, !checkBoxes_);
    if (style == lsLastValues && series && series->Count() > 0) valueIndex = series->Count() - 1;
  }
  TFont& font = canvas.Ref().Font;
  if (fontSeriesColor_ && series) {
    const TColor c = style == lsValues && valueIndex >= 0 ? series->LegendItemColor(valueIndex)
                                                          : series->SeriesColor();
    font.SetColor(ColorToRGB(c));
  } else {
    font.SetColor(ColorToRGB(Font().Color()));
  }
  canvas.Ref().Brush.SetStyle(bsClear);
  canvas.SetBackMode(TRANSPARENT);
  const auto [c0, c1] = Columns2(text);
  const std::string cols[2] = {c0, c1};
  const bool rightAligned[2] = {
      style != lsSeries &&
          (textStyle_ == ltsLeftValue || textStyle_ == ltsLeftPercent || textStyle_ == ltsXValue ||
           textStyle_ == ltsValue || textStyle_ == ltsPercent || textStyle_ == ltsXAndValue ||
           textStyle_ == ltsXAndPercent),
      style != lsSeries && (textStyle_ == ltsRightValue || textStyle_ == ltsRightPercent ||
                            textStyle_ == ltsXAndValue || textStyle_ == ltsXAndPercent)};
  int cx = x;
  const int ty = y + (checks ? 1 : 0);
  for (int k = 0; k < 2; ++k) {
    if (rightAligned[k]) {
      canvas.SetTextAlign(TA_RIGHT);
      canvas.TextOut(cx + ColumnWidths[k], ty, cols[k]);
    } else {
      canvas.SetTextAlign(TA_LEFT);
      canvas.TextOut(cx, ty, cols[k]);
    }
    cx += ColumnWidths[k] + blank;
  }
  canvas.SetTextAlign(TA_LEFT | TA_TOP);

  // The symbol: continuous symbols touch their neighbours.
  const int last = LastValue - itemFirst_;
  TRect r(sx, y, sx + SymbolWidth, y + ItemHeight + 1);
  if (!(symbol_.Continuous() && position > 0)) r.Top += 2;
  if (!(symbol_.Continuous() && position < last)) r.Bottom -= vertSpacing_ + 3;
  if (style != lsValues) {
    if (checks) {
      TChartSeries* s = ListedSeries(index, false);
      const int cy = y + (ItemHeight - vertSpacing_ - 11) / 2 - 1;
      if (s) {
        canvas.ApplyBrush(Brush(), Color());
        DrawCheckMark(checkX + shift, cy, canvas.Ref(), s->Active());
      }
      series = s;
    }
    if (series && SymbolWidth > 0) series->DrawLegend(-1, r);
  } else if (SymbolWidth > 0) {
    if (series && valueIndex >= 0) {
      series->DrawLegend(valueIndex, r);
    } else {
      TCanvas& dev = canvas.Ref();
      dev.Brush.SetBitmap(nullptr);
      dev.Brush.SetStyle(bsSolid);
      dev.Brush.SetColor(clWhite);
      canvas.Rectangle(r.Left, r.Top, r.Right, r.Bottom);
    }
  }
  canvas.ApplyFont(Font());

  // Dividing lines between items.
  if (position > 0 && dividingLines_.Visible()) {
    canvas.ApplyPen(dividingLines_);
    canvas.SetBackMode(TRANSPARENT);
    if (Vertical()) {
      canvas.HorizontalLine(b.Left, b.Right, y - vertSpacing_ / 2);
    } else if (column > 0) {
      const int lx = b.Left + shift + 2;
      canvas.VerticalLine(lx, b.Top, b.Bottom);
    }
  }
}

// ---- hit tests --------------------------------------------------------------------------------

int TChartLegend::ItemAtPoint(int x, int y) const {
  const TRect& b = ShapeBounds;
  if (!b.Contains(x, y) || LastValue < itemFirst_) return -1;
  auto rowAt = [&](int ih) {
    for (int r = 0; r < Rows; ++r) {
      const int top = b.Top + 1 + ih * r;
      if (y >= top && y <= top + ih) return inverted_ ? Rows - r - 1 : r;
    }
    return -1;
  };
  if (Vertical()) {
    if (Rows < 1) return -1;
    const int row = rowAt((b.Bottom - b.Top) / Rows);
    return row < 0 ? -1 : itemFirst_ + row;
  }
  if (Columns < 1) return -1;
  const int cw = (b.Right - b.Left) / Columns;
  const int row = rowAt(std::max(1, ItemHeight));
  if (row < 0) return -1;
  for (int c = 0; c < Columns; ++c) {
    const int left = b.Left + 1 + c * cw;
    if (x < left || x > left + cw) continue;
    const int index = Columns * row + (inverted_ ? Columns - c - 1 : c);
    return index > LastValue - itemFirst_ ? -1 : itemFirst_ + index;
  }
  return -1;
}

bool TChartLegend::ToggleCheckBox(int x, int y) {
  if (!HasCheckBoxes()) return false;
  const int index = ItemAtPoint(x, y);
  if (index < 0) return false;
  TChartSeries* s = ListedSeries(index, false);
  if (!s) return false;
  s->SetActive(!s->Active());
  return true;
}

}  // namespace qv
