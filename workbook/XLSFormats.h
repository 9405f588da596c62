// Fonts, cell formats (the extended formats, XF, of BIFF), the table of
// number-format texts, built-in styles and column formats of a workbook.
//
// A cell format keeps its settings packed in the bit layout of the Excel 97
// XF record and converts from and to the XF layouts of Excel 4.0, 5 and 97
// for the reader and writer.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/Graphics.h"
#include "workbook/XLSTypes.h"

namespace qv {

// The BIFF colour index; 64 is the automatic colour.
// clang-format off
enum TExcelColor : uint8_t {
  xc0, xc1, xc2, xc3, xc4, xc5, xc6, xc7,
  xcBlack, xcWhite, xcRed, xcBrightGreen, xcBlue, xcYellow, xcPink, xcTurquoise,
  xcDarkRed, xcGreen, xcDarkBlue, xcBrownGreen, xcViolet, xcBlueGreen, xcGrey25, xcGrey50,
  xc24, xc25, xc26, xc27, xc28, xc29, xc30, xc31,
  xc32, xc33, xc34, xc35, xc36, xc37, xc38, xc39,
  xcSky, xcPaleTurquois, xcPaleGreen, xcLightYellow, xcPaleSky, xcRose, xcLilac, xcLightBrown,
  xcDarkSky, xcDarkTurquois, xcGrass, xcGold, xcLightOrange, xcOrange, xcDarkBlueGrey, xcGrey40,
  xcDarkGreenGrey, xcEmerald, xcDarkGreen, xcOlive, xcBrown, xcCherry, xcIndigo, xcGrey80,
  xcAutomatic
};  // clang-format on

// The 65 colours of the default workbook palette, as TColor values.
using TXLSPalette = std::array<TColor, 65>;
const TXLSPalette& DefaultXLSPalette();

enum TXFontStyle : uint8_t { xfsBold, xfsItalic, xfsStrikeOut };
using TXFontStyles = TSmallSet<TXFontStyle>;
enum TXSubSuperscript : uint8_t { xssNone, xssSuperscript, xssSubscript };
enum TXUnderline : uint8_t { xulNone, xulSingle, xulDouble, xulSingleAccount, xulDoubleAccount };

class TXFont {
 public:
  std::string Name = "Arial";
  uint8_t Charset = 0;
  TExcelColor Color = xcBlack;
  int Size = 10;  // points
  TXFontStyles Style;
  TXSubSuperscript SubSuperScript = xssNone;
  TXUnderline Underline = xulNone;

  void Assign(const TXFont& src) { *this = src; }
  // Sets a drawing font from the item; the colour comes from the palette.
  void AssignToFont(TFont& font, const TXLSPalette& palette) const;
};

// The workbook's fonts. BIFF has no font number 4: the reader adds a
// placeholder there and the writer skips it.
class TXFonts {
 public:
  // Starts with five default fonts.
  TXFonts() { Clear(); }
  int Count() const { return static_cast<int>(items_.size()); }
  TXFont& Item(int i) { return items_.at(static_cast<size_t>(i)); }
  const TXFont& Item(int i) const { return items_.at(static_cast<size_t>(i)); }
  TXFont& Add() {
    items_.emplace_back();
    return items_.back();
  }
  // Back to the five default fonts.
  void Clear() { items_.assign(5, TXFont()); }
  // No fonts at all (the reader fills the list from the file).
  void MakeEmpty() { items_.clear(); }

 private:
  std::vector<TXFont> items_;
};

enum TCellProtection : uint8_t { cpLocked, cpHidden };
using TCellProtections = TSmallSet<TCellProtection>;
// clang-format off
enum TCellHorizAlignment : uint8_t {
  chaGeneral, chaLeft, chaCenter, chaRight, chaFill, chaJustify, chaCenterAcross
};
enum TCellVertAlignment : uint8_t { cvaTop, cvaCenter, cvaBottom, cvaJustify };
enum TCellBorderStyle : uint8_t {
  cbsNone, cbsThin, cbsMedium, cbsDashed, cbsDotted, cbsThick, cbsDouble, cbsHair,
  cbsMediumDashed, cbsDashDot, cbsMediumDashDot, cbsDashDotDot, cbsMediumDashDotDot,
  cbsSlantedDashDot
};
enum TDiagLines : uint8_t { dlNone, dlDown, dlUp, dlBoth };
enum TFormatOption : uint8_t { foWrapText, foShrinkToFit };
using TFormatOptions = TSmallSet<TFormatOption>;
// clang-format on
enum TBorderSide : uint8_t { bsTop, bsLeft, bsRight, bsBottom, bsDiagonal };

class TCellFormats;

// One extended format. Settings live in the Excel 97 XF words below.
class TCellFormat {
 public:
  explicit TCellFormat(TCellFormats* owner = nullptr, int index = 0);

  std::string Name;  // "Format <index>" on creation

  TCellProtections Protection() const;
  void SetProtection(TCellProtections v);
  TCellHorizAlignment HorizAlignment() const;
  void SetHorizAlignment(TCellHorizAlignment v);
  TCellVertAlignment VertAlignment() const;
  void SetVertAlignment(TCellVertAlignment v);
  int Indent() const;
  void SetIndent(int v);  // 0-15
  // -90..90 degrees, or 255 for vertical text.
  int Rotation() const;
  void SetRotation(int v);
  TFormatOptions FormatOptions() const;
  void SetFormatOptions(TFormatOptions v);
  int FontIndex = 0;
  TExcelColor FillPatternForeColor() const;
  void SetFillPatternForeColor(TExcelColor c);
  TExcelColor FillPatternBackColor() const;
  void SetFillPatternBackColor(TExcelColor c);
  int FillPatternPattern() const;
  void SetFillPatternPattern(int v);  // 0-63
  TCellBorderStyle BorderStyle(TBorderSide side) const;
  void SetBorderStyle(TBorderSide side, TCellBorderStyle v);
  TExcelColor BorderColor(TBorderSide side) const;
  void SetBorderColor(TBorderSide side, TExcelColor c);
  TDiagLines BorderDiagLines() const;
  void SetBorderDiagLines(TDiagLines v);

  // The number-format text; setting checks it with the mask (raising for
  // more than 255 characters), adds it to the owner's list when absent and
  // keeps its index; an empty text means none (-1).
  std::string NumberFormat() const;
  void SetNumberFormat(const std::string& text);
  int NumberFormatIndex = -1;

  // Record conversions. Body layouts: Excel 97 20 bytes, Excel 5 16
  // bytes, Excel 4.0 12 bytes (font and format index one byte each).
  void FromXF8(const uint8_t* body);
  void ToXF8(uint8_t* body) const;
  void FromXF5(const uint8_t* body);
  void ToXF5(uint8_t* body) const;
  // numberFormatBase is added to the one-byte format index.
  void FromXF4(const uint8_t* body, int numberFormatBase);
  void ToXF4(uint8_t* body) const;

  // The raw words, as the Excel 97 XF record holds them.
  uint16_t ProtectionWord = 0x0001;
  uint16_t AlignmentWord = 0x0020;
  uint16_t IndentWord = 0;
  uint16_t BorderStyles = 0;
  uint16_t BorderColors1 = 0x2040;
  uint32_t BorderColors2 = 0x00102040;
  uint16_t PatternColors = 0x20C0;
  uint8_t BackColor = 64;

 private:
  void updateBorderUsed();
  void updateAlignUsed();
  TCellFormats* owner_;
};

// The cell formats and the number-format list (index = BIFF format index).
class TCellFormats {
 public:
  TCellFormats();
  TCellFormats(const TCellFormats&) = delete;
  TCellFormats& operator=(const TCellFormats&) = delete;

  int Count() const { return static_cast<int>(items_.size()); }
  TCellFormat& Item(int i) { return *items_.at(static_cast<size_t>(i)); }
  const TCellFormat& Item(int i) const { return *items_.at(static_cast<size_t>(i)); }
  TCellFormat& Add();
  void Delete(int i);
  // Empties the formats and puts the 50 built-in number formats back.
  void Clear();

  // The number-format list.
  int NumberFormatCount() const { return static_cast<int>(numberFormats_.size()); }
  const std::string& NumberFormatText(int index) const;  // "" outside
  // Appends a text ("General" is stored as "@"); returns its index.
  int AddNumberFormat(const std::string& text);
  // Stores a text at an index, filling the list with empty entries.
  void SetNumberFormat(int index, const std::string& text);
  // The index of a text, -1 when absent.
  int FindNumberFormat(const std::string& text) const;
  // The built-in text at an index below 50 ("" for others).
  static const std::string& BuiltinNumberFormat(int index);

 private:
  std::vector<std::unique_ptr<TCellFormat>> items_;
  std::vector<std::string> numberFormats_;
};

// STYLE record bodies (4 bytes each), kept as read.
class TStyles {
 public:
  int Count() const { return static_cast<int>(items_.size()); }
  const std::string& Item(int i) const { return items_.at(static_cast<size_t>(i)); }
  void Add(std::string body) { items_.push_back(std::move(body)); }
  void Clear() { items_.clear(); }

 private:
  std::vector<std::string> items_;
};

// The format of a range of columns. Setters raise EXLSError "Invalid
// value" for Col1, Col2, Width and FormatIndex outside 0..65535 and for
// OutlineLevel outside 0..16; the value stays then.
class TColumnFormat {
 public:
  int Col1() const { return col1_; }
  void SetCol1(int v);
  int Col2() const { return col2_; }
  void SetCol2(int v);
  int Width() const { return width_; }  // 1/256 of a character
  void SetWidth(int v);
  int FormatIndex() const { return formatIndex_; }
  void SetFormatIndex(int v);
  int OutlineLevel() const { return outlineLevel_; }
  void SetOutlineLevel(int v);
  bool Hidden = false;
  bool CollapsedOutline = false;

 private:
  int col1_ = 0, col2_ = 0, width_ = 2500, formatIndex_ = 0, outlineLevel_ = 0;
};

class TColumnFormats {
 public:
  int Count() const { return static_cast<int>(items_.size()); }
  TColumnFormat& Item(int i) { return *items_.at(static_cast<size_t>(i)); }
  const TColumnFormat& Item(int i) const { return *items_.at(static_cast<size_t>(i)); }
  TColumnFormat& Add();
  void Clear() { items_.clear(); }
  // The item whose first and last column both equal col, or null.
  TColumnFormat* FindExact(int col);
  // The index of the first item whose range holds col, or -1.
  int FindCol(int col) const;

 private:
  std::vector<std::unique_ptr<TColumnFormat>> items_;
};

}  // namespace qv
