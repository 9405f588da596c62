// The editor's text output on a fixed character grid, and the font cache
// that the editors share.
//
// Every character the editor paints occupies one cell as wide as the "M" of
// its font, whatever the font and the style: TheTextDrawer writes runs of
// characters with an explicit advance per character, so a proportional
// font still lines up with the caret and the selection.
//
// Fonts are realised once per base font and shared: TheFontsInfoManager
// (one per process, see GetFontsInfoManager) keeps one entry per distinct
// base font and font service, each with up to 16 style variants (bold 1,
// italic 2, underline 4, strike-out 8) made and measured on first use.
// TheFontStock is one drawer's view on an entry. A "device context" here is
// a TCanvas: BeginDrawing selects the current font and colours into it, and
// EndDrawing puts the canvas state back.
//
// Everything runs on the UI thread; the manager has no locks.
#pragma once

#include <array>
#include <climits>
#include <memory>
#include <string>
#include <vector>

#include "platform/core/Canvas.h"
#include "platform/core/SysUtils.h"

namespace qv {

class EheFontStockException : public Exception {
 public:
  using Exception::Exception;
};

class EheTextDrawerException : public Exception {
 public:
  using Exception::Exception;
};

// One style variant of a cached font.
struct TheStockFontRecord {
  bool Created = false;         // the variant has been made and measured
  TFont Font;                   // the base font with the variant's style
  int CharAdvance = 0;          // advance of "M"
  int DBCharAdvance = INT_MAX;  // advance of a double-byte character; INT_MAX: none
  int CharHeight = 0;
};

// One cache entry: a base font and its style variants. The key is the base
// font without its colour and without the italic, underline and strike-out
// bits (which only the variants carry), plus the service that measures it.
struct TheSharedFontsInfo {
  int RefCount = 0;
  int LockCount = 0;
  TFont BaseFont;
  std::string Key;
  TFontService* Fonts = nullptr;
  bool IsDBCSFont = false;  // Shift-JIS charset with double-width glyphs
  std::array<TheStockFontRecord, 16> FontsData;
};

// The process-wide list of cache entries.
class TheFontsInfoManager {
 public:
  TheFontsInfoManager() = default;
  // Releases every entry still held by exactly one reference.
  ~TheFontsInfoManager();
  TheFontsInfoManager(const TheFontsInfoManager&) = delete;
  TheFontsInfoManager& operator=(const TheFontsInfoManager&) = delete;

  // The entry of Font measured by Fonts, found by key or created; its
  // reference count grows by one.
  TheSharedFontsInfo* GetFontsInfo(const TFont& Font, TFontService& Fonts);
  // Drops one reference; the last one removes the entry. Raises
  // EheFontStockException when the entry is locked more often than it is
  // referenced.
  void ReleaseFontsInfo(TheSharedFontsInfo* Entry);
  void LockFontsInfo(TheSharedFontsInfo* Entry);
  // The last unlock deletes the entry's realised variants.
  void UnlockFontsInfo(TheSharedFontsInfo* Entry);
  int Count() const { return int(entries_.size()); }

  static std::string FontKey(const TFont& Font, const TFontService& Fonts);

 private:
  std::vector<std::unique_ptr<TheSharedFontsInfo>> entries_;
};

TheFontsInfoManager& GetFontsInfoManager();

// One drawer's view on a cache entry: the current style and its record.
class TheFontStock {
 public:
  TheFontStock(const TFont& InitialFont, TFontService& Fonts);
  virtual ~TheFontStock();
  TheFontStock(const TheFontStock&) = delete;
  TheFontStock& operator=(const TheFontStock&) = delete;

  // Null raises EheFontStockException.
  virtual void SetBaseFont(const TFont* Value);
  // Measuring service of the fonts taken from now on (the entry is fetched
  // again for it).
  void SetFontService(TFontService& Fonts);
  virtual void SetStyle(TFontStyles Value);
  TFontStyles Style() const { return style_; }
  // The current variant.
  const TFont& FontHandle() const { return current_->Font; }
  int CharAdvance() const { return current_->CharAdvance; }
  int CharHeight() const { return current_->CharHeight; }
  int DBCharAdvance() const { return current_->DBCharAdvance; }
  const TheSharedFontsInfo* FontsInfo() const { return info_; }
  TFontService& Fonts() const { return *fonts_; }

 protected:
  // The record of Style, made and measured when it is not yet.
  virtual TheStockFontRecord& GetFontData(int StyleBits);
  virtual void CalcFontAdvance(TheStockFontRecord& Rec);

 private:
  void ReleaseFontsInfo();
  void UseFont(const TFont& Font);
  TFontService* fonts_;
  TheSharedFontsInfo* info_ = nullptr;
  bool usingFontHandles_ = false;  // the entry is locked by this stock
  TheStockFontRecord* current_ = nullptr;
  TFontStyles style_;
};

// Text output on the character grid. Colours are applied to the canvas at
// once while drawing; between BeginDrawing and EndDrawing the canvas holds
// the drawer's font, colours and character extra.
class TheTextDrawer {
 public:
  // CalcExtentBaseStyle: the style whose "M" gives the cell width.
  TheTextDrawer(TFontStyles CalcExtentBaseStyle, const TFont& BaseFont,
                TFontService& Fonts = FontService());
  virtual ~TheTextDrawer();
  TheTextDrawer(const TheTextDrawer&) = delete;
  TheTextDrawer& operator=(const TheTextDrawer&) = delete;

  // Cell width: the advance of the calculation style plus the character
  // extra; cell height of the calculation style.
  int GetCharWidth() const;
  int GetCharHeight() const;
  // Nested calls with the same canvas only count; another canvas while one
  // is active raises EheTextDrawerException.
  void BeginDrawing(TCanvas& DC);
  void EndDrawing();
  bool Drawing() const { return dc_ != nullptr; }
  TCanvas* Canvas() const { return dc_; }
  // Text at (X, Y) with the font's own advances.
  void TextOut(int X, int Y, const std::u32string& Text);
  // Length characters of Text, each one cell wide; Options and Rect as
  // TCanvas::ExtTextOut (ETO_OPAQUE fills Rect with the back colour,
  // ETO_CLIPPED clips to it).
  void ExtTextOut(int X, int Y, unsigned Options, const TRect* Rect, const char32_t* Text,
                  int Length);
  void ExtTextOut(int X, int Y, unsigned Options, const TRect* Rect, const std::u32string& Text) {
    ExtTextOut(X, Y, Options, Rect, Text.data(), int(Text.size()));
  }
  // Null raises EheTextDrawerException.
  void SetBaseFont(const TFont* Value);
  void SetBaseStyle(TFontStyles Value);
  TFontStyles BaseStyle() const { return calcExtentBaseStyle_; }
  void SetStyle(TFontStyles Value);
  TFontStyles Style() const { return stock_->Style(); }
  // The font of the current style.
  const TFont& CurrentFont() const { return stock_->FontHandle(); }
  void SetForeColor(TColor Value);
  void SetBackColor(TColor Value);
  TColor ForeColor() const { return color_; }
  TColor BackColor() const { return bkColor_; }
  void SetCharExtra(int Value);
  int CharExtra() const { return charExtra_; }
  // Measuring service of the fonts (follows the editor's window).
  void SetFontService(TFontService& Fonts);
  TFontService& Fonts() const { return stock_->Fonts(); }
  TheFontStock& FontStock() const { return *stock_; }
  // Entries of the advance array; it grows in steps of 64 and is reused.
  int AdvanceCapacity() const { return int(advances_.size()); }

 private:
  void ReleaseETODist() { advances_.clear(); }
  void AfterStyleSet();
  void ApplyColors();
  void ReadBaseExtent();

  TCanvas* dc_ = nullptr;
  int savedDC_ = 0;
  std::unique_ptr<TheFontStock> stock_;
  TFontStyles calcExtentBaseStyle_;
  int baseCharWidth_ = 0;
  int baseCharHeight_ = 0;
  std::vector<int> advances_;
  TColor color_ = clWindowText;
  TColor bkColor_ = clWindow;
  int charExtra_ = 0;
  int drawingCount_ = 0;
  std::string utf8_;  // output buffer, reused
};

}  // namespace qv
