// The chart panel: settings, layout rectangles and repaint requests.
#include <algorithm>
#include <cmath>

#include "platform/core/BmpWriter.h"

#include "chart/DovOrara.h"
#include "chart/ZezIdazi.h"

namespace qv {

TCustomPlotPanel::TCustomPlotPanel() : view3DOptions_(std::make_unique<TView3DOptions>(this)) {}

TCustomPlotPanel::~TCustomPlotPanel() { Destroying = true; }

void TCustomPlotPanel::Invalidate() {
  if (!AutoRepaint) return;
  ++invalidateCount_;
}

void TCustomPlotPanel::SetBounds(int width, int height) {
  if (width == width_ && height == height_) return;
  width_ = width;
  height_ = height;
  Invalidate();
}

#define QV_PANEL_SETTER(Name, field, type) \
  void TCustomPlotPanel::Set##Name(type v) { \
    if (v == field) return;                  \
    field = v;                               \
    Invalidate();                            \
  }
QV_PANEL_SETTER(BorderWidth, borderWidth_, int)
QV_PANEL_SETTER(Color, color_, TColor)
QV_PANEL_SETTER(MarginLeft, marginLeft_, int)
QV_PANEL_SETTER(MarginTop, marginTop_, int)
QV_PANEL_SETTER(MarginRight, marginRight_, int)
QV_PANEL_SETTER(MarginBottom, marginBottom_, int)
#undef QV_PANEL_SETTER

void TCustomPlotPanel::SetChart3DPercent(int v) {
  if (v < 1 || v > 100) throw ChartException(Format(SChart3DPercentRange, 1, 100));
  if (v == chart3DPercent_) return;
  chart3DPercent_ = v;
  Invalidate();
}

void TCustomPlotPanel::SetView3D(bool v) {
  if (v == view3D_) return;
  view3D_ = v;
  Invalidate();
}

void TCustomPlotPanel::RecalcWidthHeight() {
  ChartRect.Left = std::max(ChartRect.Left, ChartBounds.Left);
  ChartRect.Top = std::max(ChartRect.Top, ChartBounds.Top);
  if (ChartRect.Left > ChartRect.Right)
    ChartRect.Right = ChartRect.Left + 1;
  else if (ChartRect.Left == ChartRect.Right)
    ChartRect.Right = ChartRect.Left + width_;
  if (ChartRect.Top > ChartRect.Bottom)
    ChartRect.Bottom = ChartRect.Top + 1;
  else if (ChartRect.Top == ChartRect.Bottom)
    ChartRect.Bottom = ChartRect.Top + height_;
  ChartWidth = ChartRect.Width();
  ChartHeight = ChartRect.Height();
  ChartXCenter = (ChartRect.Left + ChartRect.Right) / 2;
  ChartYCenter = (ChartRect.Top + ChartRect.Bottom) / 2;
}

void TCustomPlotPanel::DrawInto(TCanvas& userCanvas, const TRect& userRect) {
  ChartBounds = canvas_.BeginDrawing(userCanvas, view3DOptions_.get(), color_, view3D_, userRect);
  const int w = ChartBounds.Width(), h = ChartBounds.Height(), b = borderWidth_;
  ChartRect = TRect(ChartBounds.Left + b + MulDiv(marginLeft_, w, 100), ChartBounds.Top + b + MulDiv(marginTop_, h, 100),
                    ChartBounds.Right - b - MulDiv(marginRight_, w, 100),
                    ChartBounds.Bottom - b - MulDiv(marginBottom_, h, 100));
  RecalcWidthHeight();
  InternalDraw(ChartBounds);
  canvas_.PresentBuffer(userCanvas, &userCanvas, userRect);
}

void TCustomPlotPanel::InternalDraw(const TRect& rect) {
  if (color_ == clNone || PrintingNow) return;
  TCanvas& c = canvas_.Ref();
  c.Brush.SetBitmap(nullptr);
  c.Brush.SetStyle(bsSolid);
  c.Brush.SetColor(ColorToRGB(color_));
  c.FillRect(rect);
}

std::unique_ptr<TImage> TCustomPlotPanel::RenderToBitmap(TColor backColor, const TRect& rect) {
  auto image = std::make_unique<TImage>(std::max(1, rect.Width()), std::max(1, rect.Height()));
  image->Fill(ColorToRGB(backColor == clNone ? clWhite : backColor));
  const bool buffered = canvas_.BufferedDrawing();
  canvas_.SetBufferedDrawing(false);
  try {
    DrawInto(image->Canvas(), TRect(0, 0, rect.Width(), rect.Height()));
  } catch (...) {
    canvas_.SetBufferedDrawing(buffered);
    throw;
  }
  canvas_.SetBufferedDrawing(buffered);
  image->CloseCanvas();
  return image;
}

void TCustomPlotPanel::SaveToBitmapFile(const std::string& fileName) {
  auto image = RenderToBitmap(clWhite, ChartExtent());
  SaveBmpToFile(*image, fileName);
}

bool TCustomPlotPanel::IsPrintMarginsStored() const {
  for (int m : PrintMargins)
    if (m != 15) return true;
  return false;
}

void TCustomPlotPanel::CalcProportionalMargins(int pageWidth, int pageHeight, double pixelRatio) {
  const TRect e = ChartExtent();
  const int w = e.Width(), h = e.Height();
  if (w <= 0 || h <= 0 || pageWidth <= 0 || pageHeight <= 0) return;
  auto margin = [pixelRatio](double a, double b, double q) {
    return int(std::nearbyint(100.0 * (b - a * (1 - 40 * 0.01) * q * pixelRatio) / b)) / 2;
  };
  if (w > h) {
    const int m = margin(pageWidth, pageHeight, double(h) / w);
    PrintMargins[0] = 15;
    PrintMargins[1] = m;
    PrintMargins[2] = 15;
    PrintMargins[3] = m;
  } else {
    const int m = margin(pageHeight, pageWidth, double(w) / h);
    PrintMargins[0] = m;
    PrintMargins[1] = 15;
    PrintMargins[2] = m;
    PrintMargins[3] = 15;
  }
}

TRect TCustomPlotPanel::PrintArea(int pageWidth, int pageHeight, double pixelRatio) {
  if (KeepPrintAspect) CalcProportionalMargins(pageWidth, pageHeight, pixelRatio);
  auto r = [](double v) { return int(std::nearbyint(v)); };
  return TRect(r(PrintMargins[0] * 0.01 * pageWidth), r(PrintMargins[1] * 0.01 * pageHeight),
               pageWidth - r(PrintMargins[2] * 0.01 * pageWidth), pageHeight - r(PrintMargins[3] * 0.01 * pageHeight));
}

TCustomPlotPanelExtended::TCustomPlotPanelExtended() = default;
TCustomPlotPanelExtended::~TCustomPlotPanelExtended() = default;

}  // namespace qv
