#include "editor/CodeEditTextDrawer.h"

#include <algorithm>
#include <cstdio>

#include "editor/CodeEditMiscProcs.h"

namespace qv {

namespace {

// Weights of the two bold states of a variant.
constexpr int kWeights[2] = {400, 700};

}  // namespace

// ---- the cache ----------------------------------------------------------------------------

TheFontsInfoManager::~TheFontsInfoManager() {
  // Entries still held once belong to drawers that outlive the program's
  // end; they go with the list.
  entries_.clear();
}

std::string TheFontsInfoManager::FontKey(const TFont& Font, const TFontService& Fonts) {
  // The variant bits other than bold are not part of the key: every
  // variant is made from the same entry.
  char service[32];
  std::snprintf(service, sizeof service, "%p", static_cast<const void*>(&Fonts));
  std::string key = Font.Name();
  key += '|';
  key += std::to_string(Font.Height());
  key += '|';
  key += std::to_string(kWeights[Font.Style().Contains(fsBold) ? 1 : 0]);
  key += '|';
  key += std::to_string(int(Font.Charset()));
  key += '|';
  key += std::to_string(int(Font.Pitch()));
  key += '|';
  key += std::to_string(int(Font.Quality()));
  key += '|';
  key += std::to_string(Font.Escapement());
  key += '|';
  key += service;
  return key;
}

TheSharedFontsInfo* TheFontsInfoManager::GetFontsInfo(const TFont& Font, TFontService& Fonts) {
  const std::string key = FontKey(Font, Fonts);
  for (const auto& e : entries_)
    if (e->Key == key) {
      ++e->RefCount;
      return e.get();
    }
  auto e = std::make_unique<TheSharedFontsInfo>();
  e->RefCount = 1;
  e->BaseFont.Assign(Font);
  e->Key = key;
  e->Fonts = &Fonts;
  e->IsDBCSFont = Font.Charset() == SHIFTJIS_CHARSET;
  entries_.push_back(std::move(e));
  return entries_.back().get();
}

void TheFontsInfoManager::ReleaseFontsInfo(TheSharedFontsInfo* Entry) {
  if (!Entry) return;
  if (Entry->LockCount >= Entry->RefCount)
    throw EheFontStockException("Call DeactivateFontsInfo before calling this.");
  if (--Entry->RefCount > 0) return;
  entries_.erase(std::remove_if(entries_.begin(), entries_.end(),
                                [Entry](const auto& e) { return e.get() == Entry; }),
                 entries_.end());
}

void TheFontsInfoManager::LockFontsInfo(TheSharedFontsInfo* Entry) {
  if (Entry) ++Entry->LockCount;
}

void TheFontsInfoManager::UnlockFontsInfo(TheSharedFontsInfo* Entry) {
  if (!Entry || Entry->LockCount == 0) return;
  if (--Entry->LockCount == 0)
    for (TheStockFontRecord& r : Entry->FontsData) r = TheStockFontRecord();
}

TheFontsInfoManager& GetFontsInfoManager() {
  static TheFontsInfoManager manager;
  return manager;
}

// ---- the stock ----------------------------------------------------------------------------

TheFontStock::TheFontStock(const TFont& InitialFont, TFontService& Fonts) : fonts_(&Fonts) {
  SetBaseFont(&InitialFont);
}

TheFontStock::~TheFontStock() {
  try {
    ReleaseFontsInfo();
  } catch (...) {
    // A destructor never raises; the entry's counts are consistent by
    // construction here.
  }
}

void TheFontStock::ReleaseFontsInfo() {
  if (!info_) return;
  if (usingFontHandles_) {
    GetFontsInfoManager().UnlockFontsInfo(info_);
    usingFontHandles_ = false;
  }
  TheSharedFontsInfo* info = info_;
  info_ = nullptr;
  current_ = nullptr;
  GetFontsInfoManager().ReleaseFontsInfo(info);
}

void TheFontStock::UseFont(const TFont& Font) {
  TheFontsInfoManager& manager = GetFontsInfoManager();
  TheSharedFontsInfo* info = manager.GetFontsInfo(Font, *fonts_);
  if (info == info_) {
    manager.ReleaseFontsInfo(info);  // the extra reference
  } else {
    ReleaseFontsInfo();
    info_ = info;
  }
  // A style change always selects a record, so the current one follows the
  // entry.
  current_ = nullptr;
  SetStyle(Font.Style());
}

void TheFontStock::SetBaseFont(const TFont* Value) {
  if (!Value) throw EheFontStockException("SetBaseFont: 'Value' must be specified.");
  UseFont(*Value);
}

void TheFontStock::SetFontService(TFontService& Fonts) {
  if (&Fonts == fonts_) return;
  fonts_ = &Fonts;
  TFont base;
  base.Assign(info_->BaseFont);
  base.SetStyle(style_);
  UseFont(base);
}

void TheFontStock::SetStyle(TFontStyles Value) {
  if (!usingFontHandles_) {
    GetFontsInfoManager().LockFontsInfo(info_);
    usingFontHandles_ = true;
  }
  style_ = Value;
  current_ = &GetFontData(int(Value.Bits() & 15u));
}

TheStockFontRecord& TheFontStock::GetFontData(int StyleBits) {
  TheStockFontRecord& r = info_->FontsData[size_t(StyleBits)];
  if (!r.Created) {
    r.Font.Assign(info_->BaseFont);
    TFontStyles st;
    if (StyleBits & 1) st.Include(fsBold);
    if (StyleBits & 2) st.Include(fsItalic);
    if (StyleBits & 4) st.Include(fsUnderline);
    if (StyleBits & 8) st.Include(fsStrikeOut);
    r.Font.SetStyle(st);
    CalcFontAdvance(r);
    r.Created = true;
  }
  return r;
}

void TheFontStock::CalcFontAdvance(TheStockFontRecord& Rec) {
  const TTextMetric tm = fonts_->GetTextMetrics(Rec.Font);
  TABC abc;
  if (!fonts_->GetCharABCWidths(Rec.Font, U'M', abc)) {
    abc.abcA = 0;
    abc.abcB = tm.tmAveCharWidth;
    abc.abcC = 0;
  }
  Rec.CharAdvance = abc.abcA + abc.abcB + abc.abcC + tm.tmOverhang;
  Rec.CharHeight = std::abs(tm.tmHeight);
  Rec.DBCharAdvance = INT_MAX;
  if (info_->IsDBCSFont) {
    // Two full-width characters of the charset: equal and at least one and
    // a half cells wide.
    TABC a, b;
    if (fonts_->GetCharABCWidths(Rec.Font, U'\u3001', a) &&
        fonts_->GetCharABCWidths(Rec.Font, U'\u3042', b)) {
      const int wa = a.abcA + a.abcB + a.abcC, wb = b.abcA + b.abcB + b.abcC;
      if (wa == wb && wa * 2 >= Rec.CharAdvance * 3) Rec.DBCharAdvance = wa;
    }
  }
}

// ---- the drawer ---------------------------------------------------------------------------

TheTextDrawer::TheTextDrawer(TFontStyles CalcExtentBaseStyle, const TFont& BaseFont,
                             TFontService& Fonts)
    : stock_(std::make_unique<TheFontStock>(BaseFont, Fonts)),
      calcExtentBaseStyle_(CalcExtentBaseStyle) {
  SetBaseFont(&BaseFont);
}

TheTextDrawer::~TheTextDrawer() = default;

int TheTextDrawer::GetCharWidth() const { return baseCharWidth_ + charExtra_; }

int TheTextDrawer::GetCharHeight() const { return baseCharHeight_; }

void TheTextDrawer::ReadBaseExtent() {
  const TFontStyles style = stock_->Style();
  stock_->SetStyle(calcExtentBaseStyle_);
  baseCharWidth_ = stock_->CharAdvance();
  baseCharHeight_ = stock_->CharHeight();
  stock_->SetStyle(style);
}

void TheTextDrawer::SetBaseFont(const TFont* Value) {
  if (!Value) throw EheTextDrawerException("SetBaseFont: 'Value' must be specified.");
  ReleaseETODist();
  stock_->SetBaseFont(Value);
  ReadBaseExtent();
  SetStyle(Value->Style());
  // The font's own colour is not the drawer's: it keeps its colours.
}

void TheTextDrawer::SetBaseStyle(TFontStyles Value) {
  if (Value == calcExtentBaseStyle_) return;
  calcExtentBaseStyle_ = Value;
  ReleaseETODist();
  ReadBaseExtent();
}

void TheTextDrawer::SetFontService(TFontService& Fonts) {
  if (&Fonts == &stock_->Fonts()) return;
  ReleaseETODist();
  stock_->SetFontService(Fonts);
  ReadBaseExtent();
  AfterStyleSet();
}

void TheTextDrawer::SetStyle(TFontStyles Value) {
  stock_->SetStyle(Value);
  AfterStyleSet();
}

void TheTextDrawer::AfterStyleSet() {
  if (!dc_) return;
  // Selecting a font sets the canvas's text colour to the font's; the
  // drawer's colour wins.
  dc_->Font.Assign(stock_->FontHandle());
  dc_->SetTextColor(color_);
}

void TheTextDrawer::ApplyColors() {
  dc_->SetTextColor(color_);
  dc_->SetBkColor(bkColor_);
  dc_->SetTextCharacterExtra(charExtra_);
}

void TheTextDrawer::BeginDrawing(TCanvas& DC) {
  if (dc_ == &DC) {
    ++drawingCount_;
    return;
  }
  if (dc_) throw EheTextDrawerException("BeginDrawing: another canvas is being drawn on.");
  dc_ = &DC;
  savedDC_ = DC.SaveDC();
  drawingCount_ = 1;
  DC.Font.Assign(stock_->FontHandle());
  DC.SetBkMode(OPAQUE);
  ApplyColors();
}

void TheTextDrawer::EndDrawing() {
  if (!dc_ || --drawingCount_ > 0) return;
  TCanvas* dc = dc_;
  dc_ = nullptr;
  dc->RestoreDC(savedDC_);
  savedDC_ = 0;
}

void TheTextDrawer::TextOut(int X, int Y, const std::u32string& Text) {
  if (!dc_) return;
  utf8_ = Utf32ToUtf8(Text);
  dc_->TextOut(X, Y, utf8_);
}

void TheTextDrawer::ExtTextOut(int X, int Y, unsigned Options, const TRect* Rect,
                               const char32_t* Text, int Length) {
  if (!dc_) return;
  Length = std::max(0, Length);
  if (int(advances_.size()) < Length) {
    // Grows in steps of 64; every entry is one cell.
    advances_.assign(size_t(Length / 64 * 64 + 64), GetCharWidth());
  }
  utf8_.clear();
  for (int i = 0; i < Length; ++i) UTF8AppendChar(utf8_, Text[i]);
  dc_->ExtTextOut(X, Y, Options, Rect, utf8_, advances_.data());
}

void TheTextDrawer::SetForeColor(TColor Value) {
  if (color_ == Value) return;
  color_ = Value;
  if (dc_) dc_->SetTextColor(Value);
}

void TheTextDrawer::SetBackColor(TColor Value) {
  if (bkColor_ == Value) return;
  bkColor_ = Value;
  if (dc_) dc_->SetBkColor(Value);
}

void TheTextDrawer::SetCharExtra(int Value) {
  if (charExtra_ == Value) return;
  charExtra_ = Value;
  ReleaseETODist();
  if (dc_) dc_->SetTextCharacterExtra(Value);
}

}  // namespace qv
