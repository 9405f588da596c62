// A canvas that records into a placeable Windows metafile (".wmf").
//
// Units are the canvas's pixels at 96 per inch; the placeable header holds
// the bounding box and a checksum, the metafile sets its window origin and
// extent to the box. Pens, brushes and fonts become objects created when the
// state changes before a drawing call (the old one is deleted), so the file
// keeps few objects alive. FillRect becomes a rectangle with the null pen;
// images become stretch-DIB records (24 bpp). The format has no paths and
// no general regions: a path is replayed as its figures when stroked or
// filled, a path or region clip becomes its bounding rectangle, and
// PushClip/PopClip become save/restore records. Text is written 8-bit
// (Windows-1252 for the characters it has, "?" for others).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/core/Canvas.h"

namespace qv {

class TWmfCanvas : public TCanvas {
 public:
  explicit TWmfCanvas(int width, int height);
  ~TWmfCanvas() override;

  // The finished file (EOF record and header sizes filled in).
  std::string Bytes() const;
  void SaveToFile(const std::string& path) const;  // atomic

  void MoveTo(int x, int y) override;
  void LineTo(int x, int y) override;
  void Polyline(std::span<const TPoint> pts) override;
  void PolyBezier(std::span<const TPoint> pts) override;
  void Polygon(std::span<const TPoint> pts) override;
  void Rectangle(int x1, int y1, int x2, int y2) override;
  using TCanvas::Rectangle;
  void RoundRect(int x1, int y1, int x2, int y2, int w, int h) override;
  void Ellipse(int x1, int y1, int x2, int y2) override;
  using TCanvas::Ellipse;
  void Arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) override;
  void Pie(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) override;
  void Chord(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) override;
  void FillRect(const TRect& r) override;
  void DrawFocusRect(const TRect& r) override;
  void SetPixel(int x, int y, TColor c) override;
  void TextOut(int x, int y, const std::string& text) override;
  void ExtTextOut(int x, int y, unsigned options, const TRect* rect, const std::string& text,
                  const int* dx) override;
  void Draw(int x, int y, const TImage& image) override;
  void StretchDraw(const TRect& r, const TImage& image) override;
  void BeginPath() override;
  void EndPath() override;
  void AbortPath() override;
  void CloseFigure() override {}
  void StrokePath() override;
  void FillPath() override;
  void StrokeAndFillPath() override;
  void WidenPath() override {}
  void SelectClipPath(TRegionMode mode) override;
  void IntersectClipRect(const TRect& r) override;
  void ExcludeClipRect(const TRect& r) override;
  void SelectClipRegion(const TRegion& rgn, TRegionMode mode = RGN_COPY) override;
  bool GetClipRegion(TRegion& rgn) const override;
  TRect ClipBox() const override;
  void PushClip() override;
  void PopClip() override;
  int SaveDC() override;
  void RestoreDC(int saved) override;

 protected:
  void MappingChanged() override;

 private:
  struct TEmitted;  // what the file's device context currently holds
  void Record(std::uint16_t function, const std::vector<std::int16_t>& params);
  void Record(std::uint16_t function, const std::vector<std::uint16_t>& params);
  void Sync(bool pen, bool brush, bool font);
  void SelectNullPen();
  int NewObject();
  void FreeObject(int index);
  void PathOrDraw(std::function<void()> op);
  void StretchDib(const TRect& dest, const TImage& image);

  int width_, height_;
  std::vector<std::uint16_t> words_;  // records after the header
  std::uint32_t maxRecord_ = 0;
  std::vector<bool> objects_;  // object table slots in use
  std::unique_ptr<TEmitted> emitted_;
  std::vector<TEmitted> emittedStack_;
  bool inPath_ = false;
  bool pathClosed_ = false;
  std::vector<std::function<void()>> path_;
  bool hasClip_ = false;
  TRegion clip_;
};

}  // namespace qv
