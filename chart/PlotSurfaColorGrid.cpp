// Colour grid series: the grid as a picture of one pixel per cell,
// stretched over the X and Z ranges, with grid lines.
#include <algorithm>
#include <cmath>

#include "chart/PlotSurfa.h"
#include "chart/ZezIdazi.h"

namespace qv {

TColorGridSeries::TColorGridSeries() = default;

std::vector<std::string> TColorGridSeries::SubGalleryStyles() const {
  std::vector<std::string> styles = TCustom3DGridSeries::SubGalleryStyles();
  styles.emplace_back(SStyleNoGrid);
  return styles;
}

void TColorGridSeries::ApplySubGalleryStyle(int index) {
  if (index == 2)
    pen_.SetVisible(false);
  else
    TCustom3DGridSeries::ApplySubGalleryStyle(index);
}

void TColorGridSeries::PrepareForGallery(bool enabled) {
  TCustom3DGridSeries::PrepareForGallery(enabled);
  CreateSampleValues(8, 4);
}

void TColorGridSeries::ApplyGallery3D(bool /*is3D*/) {
  if (!parentChart_) return;
  parentChart_->SetView3D(false);
  parentChart_->SetClipPoints(true);
}

double TColorGridSeries::MaxYValue() { return ZValues().MaximumValue(); }
double TColorGridSeries::MinYValue() { return ZValues().MinimumValue(); }

void TColorGridSeries::DrawAllValues() {
  if (Count() == 0 || !parentChart_ || !parentChart_->Canvas().ReferenceCanvas()) return;
  const int nx = NumXValues(), nz = NumZValues();
  if (nx < 2 || nz < 2) return;
  TPlotCanvas3D& canvas = parentChart_->Canvas();

  // The target: from the X minimum to the X maximum across, from the Z
  // minimum to the Z maximum up the vertical axis. The picture is laid out
  // as it appears: Z grows upwards unless the vertical axis is inverted.
  const int xMin = CalcXPosValue(XValues().MinimumValue());
  const int xMax = CalcXPosValue(XValues().MaximumValue());
  const int zMin = CalcYPosValue(ZValues().MinimumValue());
  const int zMax = CalcYPosValue(ZValues().MaximumValue());
  const bool flipX = xMin > xMax, flipZ = zMin > zMax;
  const int w = nx - 1, h = nz - 1;
  bitmap_.SetSize(w, h, ColorToRGB(parentChart_->PanelBackColor()));
  for (int z = 1; z <= h; ++z) {
    const int row = flipZ ? h - z : z - 1;
    for (int x = 1; x <= w; ++x) {
      const int i = GetGridIndex(x, z);
      if (i < 0) continue;
      const TColor c = GetValueColor(i);
      if (c == clNone) continue;
      bitmap_.SetPixel(flipX ? w - x : x - 1, row, ColorToRGB(c));
    }
  }
  TRect target(std::min(xMin, xMax), std::min(zMin, zMax), std::max(xMin, xMax),
               std::max(zMin, zMax));
  const bool is3D = parentChart_->View3D();
  if (is3D) {
    const TRect r = canvas.ProjectRect(target, StartZ);
    canvas.StretchDraw(TRect(std::min(r.Left, r.Right), std::min(r.Top, r.Bottom),
                             std::max(r.Left, r.Right), std::max(r.Top, r.Bottom)),
                       &bitmap_);
  } else {
    canvas.StretchDraw(target, &bitmap_);
  }

  if (!pen_.Visible()) return;
  canvas.ApplyPen(pen_);
  canvas.SetBackMode(TRANSPARENT);
  // A row or column whose first cell is empty has no line position.
  for (int z = 2; z < nz; ++z) {
    const int i = GetGridIndex(1, z);
    if (i < 0) continue;
    const int y = CalcYPosValue(GetZValue(i));
    if (is3D)
      canvas.HorizontalLine3D(target.Left, target.Right, y, StartZ);
    else
      canvas.HorizontalLine(target.Left, target.Right, y);
  }
  for (int x = 2; x < nx; ++x) {
    const int i = GetGridIndex(x, 1);
    if (i < 0) continue;
    const int px = CalcXPosValue(GetXValue(i));
    if (is3D)
      canvas.VerticalLine3D(px, target.Top, target.Bottom, StartZ);
    else
      canvas.VerticalLine(px, target.Top, target.Bottom);
  }
}

int TColorGridSeries::Clicked(int x, int y) {
  const TChartAxis* horizontal = HorizAxisObject();
  const TChartAxis* vertical = VertAxisObject();
  if (Count() == 0 || !horizontal || !vertical || !parentChart_) return -1;
  if (parentChart_->View3D()) parentChart_->Canvas().ScreenToWorld(x, y, StartZ);
  const double xv = horizontal->PixelToValue(x);
  const double zv = vertical->PixelToValue(y);
  int column, row;
  if (!IrregularGrid()) {
    const double dx = xv - gridMinX_, dz = zv - gridMinZ_;
    if (!(dx >= 0 && dz >= 0)) return -1;
    if (dx >= NumXValues() - 1 || dz >= NumZValues() - 1) return -1;
    column = int(std::trunc(dx)) + 1;
    row = int(std::trunc(dz)) + 1;
  } else {
    // The cell whose first value is the last one not above the pixel's.
    auto cellOf = [](const std::vector<double>& values, double v) {
      const auto at = std::upper_bound(values.begin(), values.end(), v);
      const int position = int(at - values.begin());
      return position >= 1 && position < int(values.size()) ? position : 0;
    };
    column = cellOf(gridX_, xv);
    row = cellOf(gridZ_, zv);
    if (column == 0 || row == 0) return -1;
  }
  return GetGridIndex(column, row);
}

}  // namespace qv
