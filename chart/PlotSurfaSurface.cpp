// Surface and waterfall series: cells drawn back to front, frames, sides,
// curtains, and the cell under the mouse.
#include <cmath>

#include "chart/PlotSurfa.h"
#include "chart/ZezIdazi.h"

namespace qv {

TSurfaceSeries::TSurfaceSeries()
    : waterLines_([this] { Changed(); }), sideBrush_([this] { Changed(); }) {
  sideBrush_.SetStyle(bsClear);
  CellDX = CellDZ = -1;
}

void TSurfaceSeries::Assign(const TCustomChartElement& source) {
  if (const auto* s = dynamic_cast<const TSurfaceSeries*>(&source); s && s != this) {
    dotFrame_ = s->dotFrame_;
    sideBrush_.Assign(s->sideBrush_);
    smoothPalette_ = s->smoothPalette_;
    waterFall_ = s->waterFall_;
    waterLines_.Assign(s->waterLines_);
    wireFrame_ = s->wireFrame_;
  }
  TCustom3DGridSeries::Assign(source);
}

void TSurfaceSeries::SetDotFrame(bool v) {
  if (v == dotFrame_) return;
  dotFrame_ = v;
  if (v) {
    pen_.SetVisible(true);
    wireFrame_ = false;
  }
  Repaint();
}

void TSurfaceSeries::SetWireFrame(bool v) {
  if (v == wireFrame_) return;
  wireFrame_ = v;
  if (v) {
    pen_.SetVisible(true);
    dotFrame_ = false;
  }
  Repaint();
}

void TSurfaceSeries::SetSmoothPalette(bool v) {
  if (v == smoothPalette_) return;
  smoothPalette_ = v;
  Repaint();
}

void TSurfaceSeries::SetWaterFall(bool v) {
  if (v == waterFall_) return;
  waterFall_ = v;
  Repaint();
}

// -- gallery

std::vector<std::string> TSurfaceSeries::SubGalleryStyles() const {
  std::vector<std::string> styles = TCustom3DGridSeries::SubGalleryStyles();
  for (std::string_view s : {SStyleWireframe, SStyleDotFrame, SStyleSides, SStyleNoBorder})
    styles.emplace_back(s);
  return styles;
}

void TSurfaceSeries::ApplySubGalleryStyle(int index) {
  switch (index) {
    case 2:
      SetWireFrame(true);
      break;
    case 3:
      SetDotFrame(true);
      break;
    case 4:
      sideBrush_.SetStyle(bsSolid);
      break;
    case 5:
      pen_.SetVisible(false);
      break;
    default:
      TCustom3DGridSeries::ApplySubGalleryStyle(index);
  }
}

void TSurfaceSeries::PrepareForGallery(bool enabled) {
  TCustom3DGridSeries::PrepareForGallery(enabled);
  CreateSampleGrid(10);
}

std::vector<std::string> TWaterFallSeries::SubGalleryStyles() const {
  std::vector<std::string> styles = TSurfaceSeries::SubGalleryStyles();
  styles.emplace_back(SStyleNoLines);
  return styles;
}

void TWaterFallSeries::ApplySubGalleryStyle(int index) {
  if (index == 6)
    waterLines_.SetVisible(false);
  else
    TSurfaceSeries::ApplySubGalleryStyle(index);
}

TWaterFallSeries::TWaterFallSeries() { waterFall_ = true; }

void TWaterFallSeries::ApplyGallery3D(bool is3D) {
  TSurfaceSeries::ApplyGallery3D(is3D);
  if (parentChart_) parentChart_->SetView3D(is3D);
}

// -- drawing

TPoint TSurfaceSeries::CellPoint(int index) const {
  return TPoint{CalcXPos(index), CalcYPos(index)};
}

void TSurfaceSeries::DrawAllValues() {
  if (Count() == 0 || !parentChart_ || !parentChart_->Canvas().ReferenceCanvas()) return;
  TPlotCanvas3D& canvas = parentChart_->Canvas();
  TCanvas& device = canvas.Ref();
  if (!pen_.Visible() && !wireFrame_ && !dotFrame_)
    device.Pen.SetStyle(psClear);
  else
    canvas.ApplyPen(pen_);
  canvas.ApplyBrush(brush_, SeriesColor());
  sameBrush_ = !((UseColorRange() || UsePalette()) && !brush_.HasImage());
  if (wireFrame_ || dotFrame_) device.Brush.SetStyle(bsClear);

  // Back to front: each column from the far row to the near one, the
  // columns from the side away from the viewer.
  const TChartAxis* horizontal = HorizAxisObject();
  CellDX = horizontal && horizontal->Inverted() ? 1 : -1;
  CellDZ = parentChart_->DepthAxis().Inverted() ? 1 : -1;
  const int nx = NumXValues(), nz = NumZValues();
  const int zFirst = CellDZ == -1 ? nz : 1;
  const int zLast = CellDZ == -1 ? (waterFall_ ? 1 : 2) : (waterFall_ ? nz : nz - 1);
  const int xFirst = CellDX == -1 ? 2 : nx - 1;
  const int xLast = CellDX == -1 ? nx : 1;
  for (int x = xFirst; CellDX == -1 ? x <= xLast : x >= xLast; x -= CellDX)
    for (int z = zFirst; CellDZ == -1 ? z >= zLast : z <= zLast; z += CellDZ) DrawCell(x, z);

  if (sideBrush_.Style() != bsClear) DrawSides();
}

void TSurfaceSeries::DrawCell(int x, int z) {
  int corners[4];
  int n;
  if (!waterFall_) {
    if (!ExistFourGridIndex(x, z)) return;
    for (int k = 0; k < 4; ++k) corners[k] = CellIndex(k);
    n = 4;
  } else {
    corners[0] = GetGridIndex(x, z);
    corners[1] = GetGridIndex(x + CellDX, z);
    if (corners[0] < 0 || corners[1] < 0) return;
    n = 2;
  }
  // A corner without a value leaves the cell open.
  double sum = 0;
  for (int k = 0; k < n; ++k) {
    const double y = GetYValue(corners[k]);
    if (!std::isfinite(y)) return;
    sum += y;
  }
  TColor color = GetValueColor(corners[0]);
  if (color == clNone) return;
  TPlotCanvas3D& canvas = parentChart_->Canvas();
  TCanvas& device = canvas.Ref();
  const int z0 = CalcZPosValue(GetZValue(corners[0]));
  if (!sameBrush_) {
    if (smoothPalette_) color = GetValueColorValue(sum / n);
    const TColor rgb = canvas.Monochrome() ? (wireFrame_ ? clBlack : clWhite) : ColorToRGB(color);
    if (wireFrame_)
      device.Pen.SetColor(rgb);
    else
      device.Brush.SetColor(rgb);
  }
  TPoint p[4];
  for (int k = 0; k < n; ++k) p[k] = CellPoint(corners[k]);

  if (!waterFall_) {
    const int z1 = CalcZPosValue(GetZValue(corners[2]));
    if (!dotFrame_) {
      canvas.QuadAcrossDepth(p, z0, z1);
      return;
    }
    for (int k = 0; k < 4; ++k)
      canvas.PixelAtDepth(p[k].X, p[k].Y, k < 2 ? z0 : z1, ColorToRGB(GetValueColor(corners[k])));
    return;
  }

  // Waterfall: the curtain below the row's line, then the line.
  const int bottom = VertAxisObject() ? VertAxisObject()->EndPixel : parentChart_->ChartRect.Bottom;
  const TPen linePen = device.Pen;
  if (!wireFrame_) {
    device.Pen.SetStyle(psClear);
    const TPoint curtain[4] = {p[0], p[1], TPoint{p[1].X, bottom}, TPoint{p[0].X, bottom}};
    canvas.PolygonAtDepth(curtain, z0);
    device.Pen.Assign(linePen);
  }
  canvas.LineAtDepth(p[0].X, p[0].Y, p[1].X, p[1].Y, z0);
  if (waterLines_.Visible()) {
    canvas.ApplyPen(waterLines_);
    canvas.VerticalLine3D(p[0].X, p[0].Y, bottom, z0);
    canvas.VerticalLine3D(p[1].X, p[1].Y, bottom, z0);
    device.Pen.Assign(linePen);
  }
}

void TSurfaceSeries::DrawSides() {
  TPlotCanvas3D& canvas = parentChart_->Canvas();
  TCanvas& device = canvas.Ref();
  const TChartAxis* horizontal = HorizAxisObject();
  const TChartAxis* vertical = VertAxisObject();
  const int nx = NumXValues(), nz = NumZValues();
  const int edgeX = horizontal && horizontal->Inverted() ? 1 : nx;
  const int edgeZ = parentChart_->DepthAxis().Inverted() ? nz : 1;
  const bool upsideDown = vertical && vertical->Inverted();
  const int bottom =
      CalcYPosValue(upsideDown ? YValues().MaximumValue() : YValues().MinimumValue());
  auto usable = [this](int index) { return index >= 0 && std::isfinite(GetYValue(index)); };

  const TColor sideColor = sideBrush_.Color();
  canvas.ApplyBrush(sideBrush_, sideColor == clDefault ? SeriesColor() : sideColor);
  device.Pen.SetStyle(psClear);
  // The edge column: one face between each two rows.
  for (int z = 1; z < nz; ++z) {
    const int a = GetGridIndex(edgeX, z), b = GetGridIndex(edgeX, z + 1);
    if (!usable(a) || !usable(b)) continue;
    const TPoint pa = CellPoint(a), pb = CellPoint(b);
    const TPoint face[4] = {pa, TPoint{pa.X, bottom}, TPoint{pb.X, bottom}, pb};
    canvas.QuadAcrossDepth(face, CalcZPosValue(GetZValue(a)), CalcZPosValue(GetZValue(b)));
  }
  // The edge row: one face between each two columns, at the row's depth.
  for (int x = 1; x < nx; ++x) {
    const int a = GetGridIndex(x, edgeZ), b = GetGridIndex(x + 1, edgeZ);
    if (!usable(a) || !usable(b)) continue;
    const TPoint pa = CellPoint(a), pb = CellPoint(b);
    const TPoint face[4] = {pa, pb, TPoint{pb.X, bottom}, TPoint{pa.X, bottom}};
    canvas.PolygonAtDepth(face, CalcZPosValue(GetZValue(a)));
  }
  // A line down the corner where the two meet.
  const int corner = GetGridIndex(edgeX, edgeZ);
  if (usable(corner) && pen_.Visible()) {
    canvas.ApplyPen(pen_);
    const TPoint pc = CellPoint(corner);
    canvas.VerticalLine3D(pc.X, pc.Y, bottom, CalcZPosValue(GetZValue(corner)));
  }
}

int TSurfaceSeries::Clicked(int x, int y) {
  if (Count() == 0 || NumXValues() < 2 || !parentChart_) return -1;
  TPlotCanvas3D& canvas = parentChart_->Canvas();
  CellDX = CellDZ = -1;
  const TPoint mouse{x, y};
  for (int gx = 2; gx <= NumXValues(); ++gx)
    for (int gz = 2; gz <= NumZValues(); ++gz) {
      if (!ExistFourGridIndex(gx, gz)) continue;
      TPoint quad[4];
      for (int k = 0; k < 4; ++k) {
        const int i = CellIndex(k);
        quad[k] = canvas.ProjectPoint(CalcXPos(i), CalcYPos(i), CalcZPosValue(GetZValue(i)));
      }
      if (PointInsidePolygon(mouse, quad)) return CellIndex(0);
    }
  return -1;
}

}  // namespace qv
