// A canvas that draws nothing, for benchmarks that measure the work of a
// painter rather than of a drawing engine.
#pragma once

#include <span>
#include <string>

#include "platform/core/Canvas.h"

namespace qv::bench {

class TNullCanvas : public TCanvas {
 public:
  explicit TNullCanvas(TFontService& fonts) : fonts_(fonts) {}
  void LineTo(int, int) override {}
  void Polyline(std::span<const TPoint>) override {}
  void PolyBezier(std::span<const TPoint>) override {}
  void Polygon(std::span<const TPoint>) override {}
  void Rectangle(int, int, int, int) override {}
  void RoundRect(int, int, int, int, int, int) override {}
  void Ellipse(int, int, int, int) override {}
  void Arc(int, int, int, int, int, int, int, int) override {}
  void Pie(int, int, int, int, int, int, int, int) override {}
  void Chord(int, int, int, int, int, int, int, int) override {}
  void FillRect(const TRect&) override {}
  void DrawFocusRect(const TRect&) override {}
  void SetPixel(int, int, TColor) override {}
  void TextOut(int, int, const std::string&) override {}
  void ExtTextOut(int, int, unsigned, const TRect*, const std::string&, const int*) override {}
  void Draw(int, int, const TImage&) override {}
  void StretchDraw(const TRect&, const TImage&) override {}
  void BeginPath() override {}
  void EndPath() override {}
  void AbortPath() override {}
  void CloseFigure() override {}
  void StrokePath() override {}
  void FillPath() override {}
  void StrokeAndFillPath() override {}
  void WidenPath() override {}
  void SelectClipPath(TRegionMode) override {}
  void IntersectClipRect(const TRect&) override {}
  void ExcludeClipRect(const TRect&) override {}
  void SelectClipRegion(const TRegion&, TRegionMode) override {}
  bool GetClipRegion(TRegion&) const override { return false; }
  TRect ClipBox() const override { return TRect(0, 0, 1920, 1080); }
  void PushClip() override {}
  void PopClip() override {}
  TFontService& Fonts() override { return fonts_; }

 private:
  TFontService& fonts_;
};

}  // namespace qv::bench
