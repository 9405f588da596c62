// Drawing values shared by every subsystem that paints: colours, points and
// rectangles, and the pen, brush and font objects a canvas holds.
//
// Colours are 32-bit values 0x00BBGGRR. Two markers sit outside the RGB
// range: clNone (no colour) and clDefault (the owner's default colour).
// System colours are 0x800000nn, nn being the Windows system colour index;
// ColorToRGB resolves them through one table (SetSysColor changes an entry,
// tests use it to pin a scheme).
//
// Pens, brushes and fonts are plain state objects: a setter that changes a
// value calls OnChange, so a canvas (or a chart option object deriving from
// them) can react. They carry no platform handles; the canvas realises them.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>

namespace qv {

using TColor = std::uint32_t;

// ---- colours -------------------------------------------------------------

constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clDefault = 0x20000000;

constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clOlive = 0x008080;
constexpr TColor clNavy = 0x800000;
constexpr TColor clPurple = 0x800080;
constexpr TColor clTeal = 0x808000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clLtGray = 0xC0C0C0;
constexpr TColor clDkGray = 0x808080;
constexpr TColor clMoneyGreen = 0xC0DCC0;
constexpr TColor clSkyBlue = 0xF0CAA6;
constexpr TColor clCream = 0xF0FBFF;
constexpr TColor clMedGray = 0xA4A0A0;

constexpr TColor clSystemColor = 0x80000000;
constexpr TColor clScrollBar = clSystemColor | 0;
constexpr TColor clBackground = clSystemColor | 1;
constexpr TColor clActiveCaption = clSystemColor | 2;
constexpr TColor clInactiveCaption = clSystemColor | 3;
constexpr TColor clMenu = clSystemColor | 4;
constexpr TColor clWindow = clSystemColor | 5;
constexpr TColor clWindowFrame = clSystemColor | 6;
constexpr TColor clMenuText = clSystemColor | 7;
constexpr TColor clWindowText = clSystemColor | 8;
constexpr TColor clCaptionText = clSystemColor | 9;
constexpr TColor clActiveBorder = clSystemColor | 10;
constexpr TColor clInactiveBorder = clSystemColor | 11;
constexpr TColor clAppWorkSpace = clSystemColor | 12;
constexpr TColor clHighlight = clSystemColor | 13;
constexpr TColor clHighlightText = clSystemColor | 14;
constexpr TColor clBtnFace = clSystemColor | 15;
constexpr TColor clBtnShadow = clSystemColor | 16;
constexpr TColor clGrayText = clSystemColor | 17;
constexpr TColor clBtnText = clSystemColor | 18;
constexpr TColor clInactiveCaptionText = clSystemColor | 19;
constexpr TColor clBtnHighlight = clSystemColor | 20;
constexpr TColor cl3DDkShadow = clSystemColor | 21;
constexpr TColor cl3DLight = clSystemColor | 22;
constexpr TColor clInfoText = clSystemColor | 23;
constexpr TColor clInfoBk = clSystemColor | 24;
constexpr TColor clHotLight = clSystemColor | 26;
constexpr TColor clGradientActiveCaption = clSystemColor | 27;
constexpr TColor clGradientInactiveCaption = clSystemColor | 28;
constexpr TColor clMenuHighlight = clSystemColor | 29;
constexpr TColor clMenuBar = clSystemColor | 30;

constexpr int SysColorCount = 31;

constexpr bool IsSysColor(TColor c) { return (c & 0xFF000000u) == clSystemColor; }
// The RGB value of a colour: system colours through the table; any other
// value (including clNone and clDefault) is returned unchanged.
TColor ColorToRGB(TColor c);
TColor GetSysColor(int index);  // 0 for an index outside the table
void SetSysColor(int index, TColor rgb);
void ResetSysColors();  // back to the built-in scheme

constexpr TColor RGB(int r, int g, int b) {
  return TColor(r & 0xFF) | (TColor(g & 0xFF) << 8) | (TColor(b & 0xFF) << 16);
}
constexpr int GetRValue(TColor c) { return int(c & 0xFF); }
constexpr int GetGValue(TColor c) { return int((c >> 8) & 0xFF); }
constexpr int GetBValue(TColor c) { return int((c >> 16) & 0xFF); }

// ---- geometry ------------------------------------------------------------

struct TPoint {
  int X = 0;
  int Y = 0;
  constexpr TPoint() = default;
  constexpr TPoint(int x, int y) : X(x), Y(y) {}
  friend constexpr bool operator==(const TPoint&, const TPoint&) = default;
};

struct TSize {
  int cx = 0;
  int cy = 0;
  friend constexpr bool operator==(const TSize&, const TSize&) = default;
};

// Rectangles exclude their right and bottom edge when painted or tested.
struct TRect {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;
  constexpr TRect() = default;
  constexpr TRect(int l, int t, int r, int b) : Left(l), Top(t), Right(r), Bottom(b) {}
  constexpr int Width() const { return Right - Left; }
  constexpr int Height() const { return Bottom - Top; }
  constexpr TPoint TopLeft() const { return {Left, Top}; }
  constexpr TPoint BottomRight() const { return {Right, Bottom}; }
  constexpr bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
  constexpr bool Contains(int x, int y) const {
    return x >= Left && x < Right && y >= Top && y < Bottom;
  }
  friend constexpr bool operator==(const TRect&, const TRect&) = default;
};

constexpr TPoint Point(int x, int y) { return {x, y}; }
constexpr TRect Rect(int l, int t, int r, int b) { return {l, t, r, b}; }
constexpr TRect Bounds(int l, int t, int w, int h) { return {l, t, l + w, t + h}; }
constexpr bool PtInRect(const TRect& r, const TPoint& p) { return r.Contains(p.X, p.Y); }
constexpr bool IsRectEmpty(const TRect& r) { return r.IsEmpty(); }
// Intersection; false (and an all-zero result) when the rectangles do not overlap.
bool IntersectRect(TRect& dst, const TRect& a, const TRect& b);
// Union; an empty rectangle does not count.
bool UnionRect(TRect& dst, const TRect& a, const TRect& b);
void InflateRect(TRect& r, int dx, int dy);
void OffsetRect(TRect& r, int dx, int dy);
TRect NormalizedRect(const TRect& r);  // Left <= Right, Top <= Bottom

// (a * b) / c rounded to nearest, -1 when c is 0, as the Windows routine.
int MulDiv(int a, int b, int c);

// ---- styles --------------------------------------------------------------

enum TPenStyle : std::uint8_t {
  psSolid,
  psDash,
  psDot,
  psDashDot,
  psDashDotDot,
  psClear,
  psInsideFrame
};
// Raster modes (the binary raster operations, in the class library's order).
enum TPenMode : std::uint8_t {
  pmBlack,
  pmWhite,
  pmNop,
  pmNot,
  pmCopy,
  pmNotCopy,
  pmMergePenNot,
  pmMaskPenNot,
  pmMergeNotPen,
  pmMaskNotPen,
  pmMerge,
  pmNotMerge,
  pmMask,
  pmNotMask,
  pmXor,
  pmNotXor
};
enum TPenEndCap : std::uint8_t { pecRound, pecSquare, pecFlat };
enum TPenJoin : std::uint8_t { pjRound, pjBevel, pjMiter };
enum TBrushStyle : std::uint8_t {
  bsSolid,
  bsClear,
  bsHorizontal,
  bsVertical,
  bsFDiagonal,
  bsBDiagonal,
  bsCross,
  bsDiagCross
};

enum TFontStyle : std::uint8_t { fsBold, fsItalic, fsUnderline, fsStrikeOut };
// A set of font styles; the bit of a style is 1 << style (bold 1, italic 2,
// underline 4, strike-out 8), so Bits() indexes 16-entry style tables.
class TFontStyles {
 public:
  constexpr TFontStyles() = default;
  constexpr TFontStyles(std::initializer_list<TFontStyle> l) {
    for (TFontStyle s : l) bits_ |= std::uint8_t(1u << s);
  }
  static constexpr TFontStyles FromBits(unsigned b) {
    TFontStyles s;
    s.bits_ = std::uint8_t(b & 15);
    return s;
  }
  constexpr unsigned Bits() const { return bits_; }
  constexpr bool Contains(TFontStyle s) const { return (bits_ >> s) & 1u; }
  constexpr bool Empty() const { return bits_ == 0; }
  constexpr TFontStyles& Include(TFontStyle s) {
    bits_ |= std::uint8_t(1u << s);
    return *this;
  }
  constexpr TFontStyles& Exclude(TFontStyle s) {
    bits_ &= std::uint8_t(~(1u << s));
    return *this;
  }
  friend constexpr TFontStyles operator+(TFontStyles a, TFontStyles b) {
    return FromBits(a.bits_ | b.bits_);
  }
  friend constexpr TFontStyles operator-(TFontStyles a, TFontStyles b) {
    return FromBits(a.bits_ & ~b.bits_);
  }
  friend constexpr TFontStyles operator*(TFontStyles a, TFontStyles b) {
    return FromBits(a.bits_ & b.bits_);
  }
  friend constexpr bool operator==(TFontStyles, TFontStyles) = default;

 private:
  std::uint8_t bits_ = 0;
};

enum TFontPitch : std::uint8_t { fpDefault, fpVariable, fpFixed };
enum TFontQuality : std::uint8_t { fqDefault, fqDraft, fqProof, fqNonAntialiased, fqAntialiased };

constexpr std::uint8_t ANSI_CHARSET = 0;
constexpr std::uint8_t DEFAULT_CHARSET = 1;
constexpr std::uint8_t SYMBOL_CHARSET = 2;
constexpr std::uint8_t SHIFTJIS_CHARSET = 128;
constexpr std::uint8_t OEM_CHARSET = 255;

// Text alignment flags (the reference point of TextOut).
constexpr unsigned TA_NOUPDATECP = 0;
constexpr unsigned TA_UPDATECP = 1;
constexpr unsigned TA_LEFT = 0;
constexpr unsigned TA_RIGHT = 2;
constexpr unsigned TA_CENTER = 6;
constexpr unsigned TA_TOP = 0;
constexpr unsigned TA_BOTTOM = 8;
constexpr unsigned TA_BASELINE = 24;
constexpr unsigned TA_HORZMASK = 6;
constexpr unsigned TA_VERTMASK = 24;

// ExtTextOut options.
constexpr unsigned ETO_OPAQUE = 2;
constexpr unsigned ETO_CLIPPED = 4;

// Background modes.
constexpr int TRANSPARENT = 1;
constexpr int OPAQUE = 2;

// Region combine modes.
enum TRegionMode : std::uint8_t {
  RGN_AND = 1,
  RGN_OR = 2,
  RGN_XOR = 3,
  RGN_DIFF = 4,
  RGN_COPY = 5
};

// DrawEdge: edges and borders.
constexpr unsigned BDR_RAISEDOUTER = 1;
constexpr unsigned BDR_SUNKENOUTER = 2;
constexpr unsigned BDR_RAISEDINNER = 4;
constexpr unsigned BDR_SUNKENINNER = 8;
constexpr unsigned EDGE_RAISED = BDR_RAISEDOUTER | BDR_RAISEDINNER;
constexpr unsigned EDGE_SUNKEN = BDR_SUNKENOUTER | BDR_SUNKENINNER;
constexpr unsigned EDGE_ETCHED = BDR_SUNKENOUTER | BDR_RAISEDINNER;
constexpr unsigned EDGE_BUMP = BDR_RAISEDOUTER | BDR_SUNKENINNER;
constexpr unsigned BF_LEFT = 1;
constexpr unsigned BF_TOP = 2;
constexpr unsigned BF_RIGHT = 4;
constexpr unsigned BF_BOTTOM = 8;
constexpr unsigned BF_RECT = 15;
constexpr unsigned BF_MIDDLE = 0x800;
constexpr unsigned BF_ADJUST = 0x2000;

// Mapping modes (logical to device coordinates).
enum TMapMode : std::uint8_t { MM_TEXT = 1, MM_ISOTROPIC = 7, MM_ANISOTROPIC = 8 };

// Pixels per inch assumed for layout, images and font sizes.
constexpr int ScreenPixelsPerInch = 96;

class TImage;

// ---- state objects -------------------------------------------------------

class TGraphicsObject {
 public:
  virtual ~TGraphicsObject() = default;
  // Called after any value changed; the sender is this object.
  std::function<void(TGraphicsObject*)> OnChange;

 protected:
  void Changed() {
    if (OnChange) OnChange(this);
  }
};

class TPen : public TGraphicsObject {
 public:
  TColor Color() const { return color_; }
  void SetColor(TColor v) {
    if (v != color_) {
      color_ = v;
      Changed();
    }
  }
  int Width() const { return width_; }
  void SetWidth(int v) {
    if (v < 0) v = 0;
    if (v != width_) {
      width_ = v;
      Changed();
    }
  }
  TPenStyle Style() const { return style_; }
  void SetStyle(TPenStyle v) {
    if (v != style_) {
      style_ = v;
      Changed();
    }
  }
  TPenMode Mode() const { return mode_; }
  void SetMode(TPenMode v) {
    if (v != mode_) {
      mode_ = v;
      Changed();
    }
  }
  TPenEndCap EndCap() const { return cap_; }
  void SetEndCap(TPenEndCap v) {
    if (v != cap_) {
      cap_ = v;
      Changed();
    }
  }
  TPenJoin Join() const { return join_; }
  void SetJoin(TPenJoin v) {
    if (v != join_) {
      join_ = v;
      Changed();
    }
  }
  // Copies every value (one OnChange when something differs).
  virtual void Assign(const TPen& src);
  bool SameAs(const TPen& o) const {
    return color_ == o.color_ && width_ == o.width_ && style_ == o.style_ && mode_ == o.mode_ &&
           cap_ == o.cap_ && join_ == o.join_;
  }

 private:
  TColor color_ = clBlack;
  int width_ = 1;
  TPenStyle style_ = psSolid;
  TPenMode mode_ = pmCopy;
  TPenEndCap cap_ = pecRound;
  TPenJoin join_ = pjRound;
};

class TBrush : public TGraphicsObject {
 public:
  TColor Color() const { return color_; }
  void SetColor(TColor v);  // a colour on a clear brush makes it solid
  TBrushStyle Style() const { return style_; }
  void SetStyle(TBrushStyle v) {
    if (v != style_) {
      style_ = v;
      Changed();
    }
  }
  // Pattern bitmap: while set, fills repeat it (Style is ignored).
  const std::shared_ptr<const TImage>& Bitmap() const { return bitmap_; }
  void SetBitmap(std::shared_ptr<const TImage> v) {
    bitmap_ = std::move(v);
    Changed();
  }
  virtual void Assign(const TBrush& src);
  bool SameAs(const TBrush& o) const {
    return color_ == o.color_ && style_ == o.style_ && bitmap_ == o.bitmap_;
  }

 private:
  TColor color_ = clWhite;
  TBrushStyle style_ = bsSolid;
  std::shared_ptr<const TImage> bitmap_;
};

// Height follows the Windows rule: negative = character height (em size)
// in pixels, positive = cell height (character height + internal leading).
// Size is in points at ScreenPixelsPerInch: Height = -MulDiv(Size, 96, 72).
class TFont : public TGraphicsObject {
 public:
  static constexpr const char* DefaultName = "MS Sans Serif";
  static constexpr int DefaultHeight = -11;  // 8 points

  const std::string& Name() const { return name_; }
  void SetName(const std::string& v) {
    if (v != name_ && !v.empty()) {
      name_ = v;
      Changed();
    }
  }
  int Height() const { return height_; }
  void SetHeight(int v) {
    if (v != height_) {
      height_ = v;
      Changed();
    }
  }
  int Size() const;  // points; negative for a cell-height font
  void SetSize(int points);
  TFontStyles Style() const { return style_; }
  void SetStyle(TFontStyles v) {
    if (v != style_) {
      style_ = v;
      Changed();
    }
  }
  TColor Color() const { return color_; }
  void SetColor(TColor v) {
    if (v != color_) {
      color_ = v;
      Changed();
    }
  }
  std::uint8_t Charset() const { return charset_; }
  void SetCharset(std::uint8_t v) {
    if (v != charset_) {
      charset_ = v;
      Changed();
    }
  }
  TFontPitch Pitch() const { return pitch_; }
  void SetPitch(TFontPitch v) {
    if (v != pitch_) {
      pitch_ = v;
      Changed();
    }
  }
  // Rotation of the base line, tenths of a degree counter-clockwise.
  int Escapement() const { return escapement_; }
  void SetEscapement(int v) {
    if (v != escapement_) {
      escapement_ = v;
      Changed();
    }
  }
  TFontQuality Quality() const { return quality_; }
  void SetQuality(TFontQuality v) {
    if (v != quality_) {
      quality_ = v;
      Changed();
    }
  }
  virtual void Assign(const TFont& src);
  bool SameAs(const TFont& o) const;  // every value but the colour
 private:
  std::string name_ = DefaultName;
  int height_ = DefaultHeight;
  TFontStyles style_;
  TColor color_ = clWindowText;
  std::uint8_t charset_ = DEFAULT_CHARSET;
  TFontPitch pitch_ = fpDefault;
  int escapement_ = 0;
  TFontQuality quality_ = fqDefault;
};

// The font's metrics as the Windows text metric record gives them, in pixels.
struct TTextMetric {
  int tmHeight = 0;  // ascent + descent
  int tmAscent = 0;
  int tmDescent = 0;
  int tmInternalLeading = 0;
  int tmExternalLeading = 0;
  int tmAveCharWidth = 0;
  int tmMaxCharWidth = 0;
  int tmWeight = 400;
  int tmOverhang = 0;
  bool tmItalic = false;
  bool tmUnderlined = false;
  bool tmStruckOut = false;
  bool tmFixedPitch = false;  // true for a fixed-pitch font (Windows has the bit reversed)
  std::uint8_t tmCharSet = 0;
};

// A, B and C widths of one character: advance = A + B + C.
struct TABC {
  int abcA = 0;
  int abcB = 0;
  int abcC = 0;
};

// Measures fonts without a device. The Qt implementation uses the real
// fonts; tests use TFakeFontService (RecordingCanvas.h) with fixed cells.
class TFontService {
 public:
  virtual ~TFontService() = default;
  virtual TTextMetric GetTextMetrics(const TFont& font) = 0;
  // Extent of a UTF-8 text on one line (no rotation).
  virtual TSize TextExtent(const TFont& font, const std::string& text) = 0;
  // Widths of one Unicode character; false when the font has no such glyph.
  virtual bool GetCharABCWidths(const TFont& font, char32_t ch, TABC& abc) = 0;
  virtual int CharWidth(const TFont& font, char32_t ch);
  virtual bool IsFixedPitch(const TFont& font) { return GetTextMetrics(font).tmFixedPitch; }
  // The installed face that a font name resolves to.
  virtual std::string ResolvedFamily(const TFont& font);
};

// The process-wide font service (set by the Qt layer or by tests). Never
// null: without one installed, a fake with 8x16 cells answers.
TFontService& FontService();
void SetFontService(TFontService* service);  // null restores the fallback

// The face name used on Linux for a Windows font name: "Arial",
// "Courier New" and "Times New Roman" map to the Liberation fonts, every
// other name to DejaVu (Sans, or Sans Mono for fixed-pitch names).
std::string ResolveFontFamily(const std::string& windowsName);

// UTF-8 helpers used by text output with per-character advances.
std::u32string Utf8ToUtf32(const std::string& s);
std::string Utf32ToUtf8(const std::u32string& s);

}  // namespace qv
