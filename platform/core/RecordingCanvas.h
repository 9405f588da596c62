// A canvas that draws nothing and logs every call with the state it was
// made in, and a font service with fixed cell metrics: layout and painting
// of the cores are asserted with them without a display.
//
//   TFakeFontService fonts(8, 16);           // every character 8 x 16
//   TRecordingCanvas c(Rect(0, 0, 200, 100), &fonts);
//   core.Paint(c);
//   EXPECT_EQ(c.Count("TextOut"), 3);
//   const TCanvasCall* t = c.First("ExtTextOut");
//   EXPECT_EQ(t->State.TextColor, clRed);
//   std::cout << c.Log();                    // one line per call
//
// Logged operation names are the canvas member names ("LineTo", "Polygon",
// "FillRect", "ExtTextOut", "SelectClipRegion", "PushClip", ...). Args hold
// the integer arguments in declaration order (rectangles as four values,
// ExtTextOut: x, y, options, then the rectangle when given); Points the
// point lists; Text the text; Dx the advances. Measuring calls (TextExtent,
// GetTextMetrics, ...) are not logged.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/core/Canvas.h"

namespace qv {

class TFakeFontService : public TFontService {
 public:
  // Every character cellWidth wide; lines cellHeight high with the base
  // line ascent pixels below the top (default: cellHeight * 13 / 16).
  explicit TFakeFontService(int cellWidth = 8, int cellHeight = 16, int ascent = -1);
  // Width of one character, making the font proportional.
  void SetCharWidth(char32_t ch, int width) { widths_[ch] = width; }
  // With scaling, cells grow with |font height| relative to 16 pixels.
  void SetScaleWithHeight(bool v) { scale_ = v; }

  TTextMetric GetTextMetrics(const TFont& font) override;
  TSize TextExtent(const TFont& font, const std::string& text) override;
  bool GetCharABCWidths(const TFont& font, char32_t ch, TABC& abc) override;
  bool IsFixedPitch(const TFont&) override { return widths_.empty(); }
  std::string ResolvedFamily(const TFont& font) override { return ResolveFontFamily(font.Name()); }

 private:
  int Scaled(const TFont& font, int v) const;
  int cellW_, cellH_, ascent_;
  bool scale_ = false;
  std::map<char32_t, int> widths_;
};

struct TCanvasState {
  TColor PenColor = clBlack;
  int PenWidth = 1;
  TPenStyle PenStyle = psSolid;
  TPenMode PenMode = pmCopy;
  TPenEndCap PenEndCap = pecRound;
  TPenJoin PenJoin = pjRound;
  TColor BrushColor = clWhite;
  TBrushStyle BrushStyle = bsSolid;
  bool BrushBitmap = false;
  std::string FontName;
  int FontHeight = 0;
  TFontStyles FontStyle;
  TColor FontColor = clBlack;
  int FontEscapement = 0;
  TColor TextColor = clBlack;
  TColor BkColor = clWhite;
  int BkMode = OPAQUE;
  unsigned TextAlign = 0;
  bool InPath = false;
};

struct TCanvasCall {
  std::string Op;
  std::vector<int> Args;
  std::vector<TPoint> Points;
  std::string Text;
  std::vector<int> Dx;
  TCanvasState State;
  std::string ToString() const;  // "FillRect(0,0,10,10) brush=FFFFFF/0"
};

class TRecordingCanvas : public TCanvas {
 public:
  explicit TRecordingCanvas(const TRect& bounds = Rect(0, 0, 1024, 768),
                            TFontService* fonts = nullptr);

  const std::vector<TCanvasCall>& Calls() const { return calls_; }
  void Clear() { calls_.clear(); }
  std::vector<const TCanvasCall*> Find(const std::string& op) const;
  const TCanvasCall* First(const std::string& op) const;  // null when absent
  int Count(const std::string& op) const;
  std::string Log() const;
  TCanvasState State() const;
  const TRect& Bounds() const { return bounds_; }

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
  void FrameRect(const TRect& r) override;
  void DrawFocusRect(const TRect& r) override;
  void SetPixel(int x, int y, TColor c) override;
  void TextOut(int x, int y, const std::string& text) override;
  void ExtTextOut(int x, int y, unsigned options, const TRect* rect, const std::string& text,
                  const int* dx) override;
  void TextRect(const TRect& r, int x, int y, const std::string& text) override;
  TFontService& Fonts() override { return *fonts_; }
  void Draw(int x, int y, const TImage& image) override;
  void StretchDraw(const TRect& r, const TImage& image) override;
  void BeginPath() override;
  void EndPath() override;
  void AbortPath() override;
  void CloseFigure() override;
  void StrokePath() override;
  void FillPath() override;
  void StrokeAndFillPath() override;
  void WidenPath() override;
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
  void SetTextColor(TColor c) override;
  void SetBkColor(TColor c) override;
  void SetBkMode(int mode) override;
  void SetTextAlign(unsigned flags) override;

 private:
  TCanvasCall& Add(const char* op, std::vector<int> args = {});
  TRect bounds_;
  TFontService* fonts_;
  std::vector<TCanvasCall> calls_;
  bool inPath_ = false;
  bool hasClip_ = false;
  TRegion clip_;
};

}  // namespace qv
