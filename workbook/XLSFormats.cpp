#include "workbook/XLSFormats.h"

#include "platform/core/SysUtils.h"
#include "workbook/ExcelMask.h"
#include "workbook/XLSStream.h"

namespace qv {

namespace {
constexpr TColor rgb(unsigned r, unsigned g, unsigned b) { return r | (g << 8) | (b << 16); }
}  // namespace

const TXLSPalette& DefaultXLSPalette() {
  static const TXLSPalette p = [] {
    static const unsigned kRGB[56] = {
        0x000000, 0xFFFFFF, 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0xFF00FF, 0x00FFFF,
        0x800000, 0x008000, 0x000080, 0x808000, 0x800080, 0x008080, 0xC0C0C0, 0x808080,
        0x9999FF, 0x993366, 0xFFFFCC, 0xCCFFFF, 0x660066, 0xFF8080, 0x0066CC, 0xCCCCFF,
        0x000080, 0xFF00FF, 0xFFFF00, 0x00FFFF, 0x800080, 0x800000, 0x008080, 0x0000FF,
        0x00CCFF, 0xCCFFFF, 0xCCFFCC, 0xFFFF99, 0x99CCFF, 0xFF99CC, 0xCC99FF, 0xFFCC99,
        0x3366FF, 0x33CCCC, 0x99CC00, 0xFFCC00, 0xFF9900, 0xFF6600, 0x666699, 0x969696,
        0x003366, 0x339966, 0x003300, 0x333300, 0x993300, 0x993366, 0x333399, 0x333333};
    TXLSPalette a{};
    for (int i = 0; i < 56; ++i) {
      unsigned v = kRGB[i];
      a[static_cast<size_t>(i + 8)] = rgb(v >> 16, (v >> 8) & 0xFF, v & 0xFF);
    }
    for (int i = 0; i < 8; ++i) a[static_cast<size_t>(i)] = a[static_cast<size_t>(i + 8)];
    a[64] = clBlack;
    return a;
  }();
  return p;
}

void TXFont::AssignToFont(TFont& font, const TXLSPalette& palette) const {
  font.SetCharset(Charset);
  font.SetName(Name);
  font.SetSize(Size);
  TFontStyles st;
  if (Style.Contains(xfsBold)) st.Include(fsBold);
  if (Style.Contains(xfsItalic)) st.Include(fsItalic);
  if (Style.Contains(xfsStrikeOut)) st.Include(fsStrikeOut);
  if (Underline != xulNone) st.Include(fsUnderline);
  font.SetStyle(st);
  font.SetColor(palette[static_cast<size_t>(Color) < palette.size() ? Color : 8]);
}

// ---------------------------------------------------------------------------

TCellFormat::TCellFormat(TCellFormats* owner, int index)
    : Name("Format " + std::to_string(index)), owner_(owner) {}

TCellProtections TCellFormat::Protection() const {
  return TCellProtections::FromBits(ProtectionWord & 3);
}
void TCellFormat::SetProtection(TCellProtections v) {
  ProtectionWord = static_cast<uint16_t>((ProtectionWord & ~3u) | (v.Bits() & 3));
}

TCellHorizAlignment TCellFormat::HorizAlignment() const {
  return static_cast<TCellHorizAlignment>(std::min(AlignmentWord & 7, 6));
}
void TCellFormat::SetHorizAlignment(TCellHorizAlignment v) {
  AlignmentWord = static_cast<uint16_t>((AlignmentWord & ~7u) | (v & 7));
  updateAlignUsed();
}
TCellVertAlignment TCellFormat::VertAlignment() const {
  return static_cast<TCellVertAlignment>(std::min((AlignmentWord >> 4) & 7, 3));
}
void TCellFormat::SetVertAlignment(TCellVertAlignment v) {
  AlignmentWord = static_cast<uint16_t>((AlignmentWord & ~0x70u) | ((v & 7) << 4));
  updateAlignUsed();
}
int TCellFormat::Indent() const { return IndentWord & 0x0F; }
void TCellFormat::SetIndent(int v) {
  IndentWord = static_cast<uint16_t>((IndentWord & ~0x0Fu) | (static_cast<unsigned>(v) & 0x0F));
}

int TCellFormat::Rotation() const {
  int r = AlignmentWord >> 8;
  if (r > 90 && r != 255) return 90 - r;
  return r;
}
void TCellFormat::SetRotation(int v) {
  int r;
  if (v >= 255)
    r = 255;
  else if (v > 90)
    r = 90;
  else if (v < -90)
    r = 180;
  else if (v < 0)
    r = 90 - v;
  else
    r = v;
  AlignmentWord = static_cast<uint16_t>((AlignmentWord & 0x00FF) | (r << 8));
}

TFormatOptions TCellFormat::FormatOptions() const {
  TFormatOptions o;
  if (AlignmentWord & 0x08) o.Include(foWrapText);
  if (IndentWord & 0x10) o.Include(foShrinkToFit);
  return o;
}
void TCellFormat::SetFormatOptions(TFormatOptions v) {
  AlignmentWord =
      static_cast<uint16_t>((AlignmentWord & ~0x08u) | (v.Contains(foWrapText) ? 0x08 : 0));
  IndentWord =
      static_cast<uint16_t>((IndentWord & ~0x10u) | (v.Contains(foShrinkToFit) ? 0x10 : 0));
  updateAlignUsed();
}

void TCellFormat::updateAlignUsed() {
  bool used = HorizAlignment() != chaGeneral || (AlignmentWord & 0x08) || VertAlignment() != cvaTop;
  IndentWord = static_cast<uint16_t>(used ? IndentWord | 0x1000 : IndentWord & ~0x1000u);
}

void TCellFormat::updateBorderUsed() {
  bool used = BorderStyles != 0 || ((BorderColors2 >> 21) & 0x0F) != 0;
  IndentWord = static_cast<uint16_t>(used ? IndentWord | 0x2000 : IndentWord & ~0x2000u);
}

TExcelColor TCellFormat::FillPatternForeColor() const {
  return static_cast<TExcelColor>(std::min(PatternColors & 0x7F, 64));
}
TExcelColor TCellFormat::FillPatternBackColor() const {
  return static_cast<TExcelColor>(std::min((PatternColors >> 7) & 0x7F, 64));
}
namespace {
void patternUsed(uint16_t& indentWord, uint16_t patternColors) {
  bool automatic = (patternColors & 0x7F) == 64 && ((patternColors >> 7) & 0x7F) == 64;
  indentWord = static_cast<uint16_t>(automatic ? indentWord & ~0x4000u : indentWord | 0x4000);
}
}  // namespace
void TCellFormat::SetFillPatternForeColor(TExcelColor c) {
  PatternColors = static_cast<uint16_t>((PatternColors & ~0x7Fu) | (c & 0x7F));
  if ((c & 0x7F) != 64) {
    SetFillPatternPattern(1);
    PatternColors = static_cast<uint16_t>((PatternColors & ~(0x7Fu << 7)) | (9u << 7));
    BackColor = 9;
  }
  patternUsed(IndentWord, PatternColors);
}
void TCellFormat::SetFillPatternBackColor(TExcelColor c) {
  PatternColors = static_cast<uint16_t>((PatternColors & ~(0x7Fu << 7)) | ((c & 0x7Fu) << 7));
  BackColor = static_cast<uint8_t>(c & 0x7F);
  patternUsed(IndentWord, PatternColors);
}
int TCellFormat::FillPatternPattern() const { return static_cast<int>(BorderColors2 >> 26); }
void TCellFormat::SetFillPatternPattern(int v) {
  BorderColors2 = (BorderColors2 & 0x03FFFFFFu) | ((static_cast<uint32_t>(v) & 0x3F) << 26);
  IndentWord = static_cast<uint16_t>(v != 0 ? IndentWord | 0x4000 : IndentWord & ~0x4000u);
}

TCellBorderStyle TCellFormat::BorderStyle(TBorderSide side) const {
  switch (side) {
    case bsLeft:
      return static_cast<TCellBorderStyle>(BorderStyles & 0x0F);
    case bsRight:
      return static_cast<TCellBorderStyle>((BorderStyles >> 4) & 0x0F);
    case bsTop:
      return static_cast<TCellBorderStyle>((BorderStyles >> 8) & 0x0F);
    case bsBottom:
      return static_cast<TCellBorderStyle>((BorderStyles >> 12) & 0x0F);
    case bsDiagonal:
      return static_cast<TCellBorderStyle>((BorderColors2 >> 21) & 0x0F);
  }
  return cbsNone;
}
void TCellFormat::SetBorderStyle(TBorderSide side, TCellBorderStyle v) {
  unsigned b = v & 0x0F;
  switch (side) {
    case bsLeft:
      BorderStyles = static_cast<uint16_t>((BorderStyles & ~0x000Fu) | b);
      break;
    case bsRight:
      BorderStyles = static_cast<uint16_t>((BorderStyles & ~0x00F0u) | (b << 4));
      break;
    case bsTop:
      BorderStyles = static_cast<uint16_t>((BorderStyles & ~0x0F00u) | (b << 8));
      break;
    case bsBottom:
      BorderStyles = static_cast<uint16_t>((BorderStyles & ~0xF000u) | (b << 12));
      break;
    case bsDiagonal:
      BorderColors2 = (BorderColors2 & ~(0x0Fu << 21)) | (b << 21);
      break;
  }
  updateBorderUsed();
}
TExcelColor TCellFormat::BorderColor(TBorderSide side) const {
  unsigned c = 0;
  switch (side) {
    case bsLeft:
      c = BorderColors1 & 0x7F;
      break;
    case bsRight:
      c = (BorderColors1 >> 7) & 0x7F;
      break;
    case bsTop:
      c = BorderColors2 & 0x7F;
      break;
    case bsBottom:
      c = (BorderColors2 >> 7) & 0x7F;
      break;
    case bsDiagonal:
      c = (BorderColors2 >> 14) & 0x7F;
      break;
  }
  return static_cast<TExcelColor>(std::min(c, 64u));
}
void TCellFormat::SetBorderColor(TBorderSide side, TExcelColor color) {
  unsigned c = color & 0x7F;
  switch (side) {
    case bsLeft:
      BorderColors1 = static_cast<uint16_t>((BorderColors1 & ~0x7Fu) | c);
      break;
    case bsRight:
      BorderColors1 = static_cast<uint16_t>((BorderColors1 & ~(0x7Fu << 7)) | (c << 7));
      break;
    case bsTop:
      BorderColors2 = (BorderColors2 & ~0x7Fu) | c;
      break;
    case bsBottom:
      BorderColors2 = (BorderColors2 & ~(0x7Fu << 7)) | (c << 7);
      break;
    case bsDiagonal:
      BorderColors2 = (BorderColors2 & ~(0x7Fu << 14)) | (c << 14);
      break;
  }
}
TDiagLines TCellFormat::BorderDiagLines() const {
  return static_cast<TDiagLines>((BorderColors1 >> 14) & 3);
}
void TCellFormat::SetBorderDiagLines(TDiagLines v) {
  BorderColors1 = static_cast<uint16_t>((BorderColors1 & 0x3FFF) | ((v & 3u) << 14));
}

std::string TCellFormat::NumberFormat() const {
  if (NumberFormatIndex < 0 || !owner_) return {};
  return owner_->NumberFormatText(NumberFormatIndex);
}

void TCellFormat::SetNumberFormat(const std::string& text) {
  TExcelMask check;
  check.SetMask(text);
  if (text.empty()) {
    NumberFormatIndex = -1;
    return;
  }
  if (!owner_) return;
  int i = owner_->FindNumberFormat(text);
  if (i < 0) i = owner_->AddNumberFormat(text);
  NumberFormatIndex = i;
}

void TCellFormat::FromXF8(const uint8_t* b) {
  FontIndex = readLE<uint16_t>(b);
  NumberFormatIndex = readLE<uint16_t>(b + 2);
  ProtectionWord = readLE<uint16_t>(b + 4);
  AlignmentWord = readLE<uint16_t>(b + 6);
  IndentWord = readLE<uint16_t>(b + 8);
  BorderStyles = readLE<uint16_t>(b + 10);
  BorderColors1 = readLE<uint16_t>(b + 12);
  BorderColors2 = readLE<uint32_t>(b + 14);
  PatternColors = readLE<uint16_t>(b + 18);
  BackColor = static_cast<uint8_t>((PatternColors >> 7) & 0x7F);
}

void TCellFormat::ToXF8(uint8_t* b) const {
  writeLE<uint16_t>(b, static_cast<uint16_t>(FontIndex));
  writeLE<uint16_t>(b + 2, static_cast<uint16_t>(NumberFormatIndex < 0 ? 0 : NumberFormatIndex));
  writeLE<uint16_t>(b + 4, ProtectionWord);
  writeLE<uint16_t>(b + 6, AlignmentWord);
  writeLE<uint16_t>(b + 8, IndentWord);
  writeLE<uint16_t>(b + 10, BorderStyles);
  writeLE<uint16_t>(b + 12, BorderColors1);
  writeLE<uint32_t>(b + 14, BorderColors2);
  writeLE<uint16_t>(b + 18, PatternColors);
}

namespace {
int orientationToRotation(int o) {
  switch (o) {
    case 1:
      return 255;
    case 2:
      return 90;
    case 3:
      return 180;
    default:
      return 0;
  }
}
int rotationToOrientation(int r) {
  if (r == 255) return 1;
  if (r >= 136 && r <= 254) return 3;
  if (r >= 46 && r <= 135) return 2;
  return 0;
}
}  // namespace

// Excel 5 XF: font(2) format(2) protection(2) alignment(1)
// orientation+used(1) pattern/bottom(4) borders(4).
void TCellFormat::FromXF5(const uint8_t* b) {
  FontIndex = readLE<uint16_t>(b);
  NumberFormatIndex = readLE<uint16_t>(b + 2);
  ProtectionWord = readLE<uint16_t>(b + 4);
  uint8_t align = b[6];
  uint8_t orientUsed = b[7];
  uint32_t d1 = readLE<uint32_t>(b + 8);
  uint32_t d2 = readLE<uint32_t>(b + 12);
  int rot = orientationToRotation(orientUsed & 3);
  AlignmentWord = static_cast<uint16_t>((align & 0x7F) | (rot << 8));
  IndentWord = static_cast<uint16_t>((orientUsed & 0xFC) << 8);
  unsigned fore = d1 & 0x7F, back = (d1 >> 7) & 0x7F, pattern = (d1 >> 16) & 0x3F;
  unsigned bottomStyle = (d1 >> 22) & 7, bottomColor = (d1 >> 25) & 0x7F;
  unsigned topStyle = d2 & 7, leftStyle = (d2 >> 3) & 7, rightStyle = (d2 >> 6) & 7;
  unsigned topColor = (d2 >> 9) & 0x7F, leftColor = (d2 >> 16) & 0x7F,
           rightColor = (d2 >> 23) & 0x7F;
  PatternColors = static_cast<uint16_t>(fore | (back << 7));
  BackColor = static_cast<uint8_t>(back);
  BorderStyles =
      static_cast<uint16_t>(leftStyle | (rightStyle << 4) | (topStyle << 8) | (bottomStyle << 12));
  BorderColors1 = static_cast<uint16_t>(leftColor | (rightColor << 7));
  BorderColors2 = topColor | (bottomColor << 7) | (64u << 14) | (pattern << 26);
}

void TCellFormat::ToXF5(uint8_t* b) const {
  writeLE<uint16_t>(b, static_cast<uint16_t>(FontIndex));
  writeLE<uint16_t>(b + 2, static_cast<uint16_t>(NumberFormatIndex < 0 ? 0 : NumberFormatIndex));
  writeLE<uint16_t>(b + 4, ProtectionWord);
  b[6] = static_cast<uint8_t>(AlignmentWord & 0x7F);
  b[7] =
      static_cast<uint8_t>(rotationToOrientation(AlignmentWord >> 8) | ((IndentWord >> 8) & 0xFC));
  unsigned fore = PatternColors & 0x7F, back = (PatternColors >> 7) & 0x7F;
  unsigned pattern = BorderColors2 >> 26;
  auto style3 = [](unsigned s) { return s > 7 ? 1u : s; };
  unsigned left = style3(BorderStyles & 0x0F), right = style3((BorderStyles >> 4) & 0x0F);
  unsigned top = style3((BorderStyles >> 8) & 0x0F), bottom = style3((BorderStyles >> 12) & 0x0F);
  unsigned leftC = BorderColors1 & 0x7F, rightC = (BorderColors1 >> 7) & 0x7F;
  unsigned topC = BorderColors2 & 0x7F, bottomC = (BorderColors2 >> 7) & 0x7F;
  writeLE<uint32_t>(b + 8, fore | (back << 7) | (pattern << 16) | (bottom << 22) | (bottomC << 25));
  writeLE<uint32_t>(
      b + 12, top | (left << 3) | (right << 6) | (topC << 9) | (leftC << 16) | (rightC << 23));
}

// Excel 3.0/4.0 XF: font(1) format(1) protection(2) alignment(1) used(1)
// pattern(2) borders(4).
void TCellFormat::FromXF4(const uint8_t* b, int numberFormatBase) {
  FontIndex = b[0];
  NumberFormatIndex = b[1] + numberFormatBase;
  ProtectionWord = readLE<uint16_t>(b + 2);
  uint8_t align = b[4];
  uint8_t used = b[5];
  int rot = orientationToRotation((align >> 6) & 3);
  AlignmentWord = static_cast<uint16_t>((align & 0x0F) | ((align & 0x30)) | (rot << 8));
  IndentWord = static_cast<uint16_t>((used & 0xFC) << 8);
  if (used & 0x40) {
    uint16_t p = readLE<uint16_t>(b + 6);
    BorderColors2 = (BorderColors2 & 0x03FFFFFFu) | (static_cast<uint32_t>(p & 0x3F) << 26);
    PatternColors = static_cast<uint16_t>(((p >> 6) & 0x1F) | (((p >> 11) & 0x1F) << 7));
    BackColor = static_cast<uint8_t>((p >> 11) & 0x1F);
  }
  uint32_t br = readLE<uint32_t>(b + 8);
  unsigned top = br & 7, left = (br >> 8) & 7, bottom = (br >> 16) & 7, right = (br >> 24) & 7;
  BorderStyles = static_cast<uint16_t>(left | (right << 4) | (top << 8) | (bottom << 12));
}

void TCellFormat::ToXF4(uint8_t* b) const {
  b[0] = static_cast<uint8_t>(FontIndex > 255 ? 0 : FontIndex);
  b[1] = static_cast<uint8_t>(NumberFormatIndex < 0 || NumberFormatIndex > 255 ? 0
                                                                               : NumberFormatIndex);
  writeLE<uint16_t>(b + 2, ProtectionWord);
  unsigned vert = std::min<unsigned>((AlignmentWord >> 4) & 7u, 2u);
  b[4] = static_cast<uint8_t>((AlignmentWord & 0x0F) | (vert << 4) |
                              (rotationToOrientation(AlignmentWord >> 8) << 6));
  b[5] = static_cast<uint8_t>((IndentWord >> 8) & 0xFC);
  auto c5 = [](unsigned c) { return c > 31 ? 0u : c; };
  unsigned pattern = BorderColors2 >> 26;
  unsigned fore = PatternColors & 0x7F, back = (PatternColors >> 7) & 0x7F;
  uint16_t p = static_cast<uint16_t>((pattern & 0x3F) | (c5(fore) << 6) | (c5(back) << 11));
  if ((IndentWord & 0x4000) == 0) p = 0xCE00;
  writeLE<uint16_t>(b + 6, p);
  auto style3 = [](unsigned s) { return s > 7 ? 1u : s; };
  uint32_t br = style3((BorderStyles >> 8) & 0x0F) | (style3(BorderStyles & 0x0F) << 8) |
                (style3((BorderStyles >> 12) & 0x0F) << 16) |
                (style3((BorderStyles >> 4) & 0x0F) << 24);
  writeLE<uint32_t>(b + 8, br);
}

// ---------------------------------------------------------------------------

namespace {
const std::vector<std::string>& builtinFormats() {
  static const std::vector<std::string> f = [] {
    std::vector<std::string> v = {"",
                                  "0",
                                  "0.00",
                                  "#,##0",
                                  "#,##0.00",
                                  "_($#,##0_);($#,##0)",
                                  "_($#,##0_);[Red]($#,##0)",
                                  "_($#,##0.00_);($#,##0.00)",
                                  "_($#,##0.00_);[Red]($#,##0.00)",
                                  "0%",
                                  "0.00%",
                                  "0.00E+00",
                                  "# ?/?",
                                  "# ?"
                                  "?/?"
                                  "?",
                                  "m/d/yy",
                                  "d-mmm-y",
                                  "d-mmm",
                                  "mmmm-yy",
                                  "h:mm AM/PM",
                                  "h:mm:ss AM/PM",
                                  "h:mm",
                                  "h:mm:SS",
                                  "m/d/yy h:mm"};
    v.resize(37);
    for (const char* s : {"#,##0_);(#,##0)", "#,##0_);[Red](#,##0)", "#,##0.00_);(#,##0.00)",
                          "#,##0.00_);[Red](#,##0.00)", "_(* #,##0_);_(* (#,##0);_(* \"-\"_);_(@_)",
                          "_($* #,##0_);_($* (#,##0);_($* \"-\"_);_(@_)",
                          "_(* #,##0.00_);_(* (#,##0.00);_(* \"-\"??_);_(@_)",
                          "_($* #,##0.00_);_($* (#,##0.00);_($* \"-\"??_);_(@_)", "mm:ss",
                          "[h]:mm:ss", "mm:ss.0", "# #0.0E+0", "@"})
      v.emplace_back(s);
    return v;
  }();
  return f;
}
}  // namespace

const std::string& TCellFormats::BuiltinNumberFormat(int index) {
  static const std::string empty;
  const auto& b = builtinFormats();
  if (index < 0 || index >= static_cast<int>(b.size())) return empty;
  return b[static_cast<size_t>(index)];
}

TCellFormats::TCellFormats() { Clear(); }

TCellFormat& TCellFormats::Add() {
  items_.push_back(std::make_unique<TCellFormat>(this, Count()));
  return *items_.back();
}

void TCellFormats::Delete(int i) { items_.erase(items_.begin() + i); }

void TCellFormats::Clear() {
  items_.clear();
  numberFormats_ = builtinFormats();
}

const std::string& TCellFormats::NumberFormatText(int index) const {
  static const std::string empty;
  if (index < 0 || index >= NumberFormatCount()) return empty;
  return numberFormats_[static_cast<size_t>(index)];
}

int TCellFormats::AddNumberFormat(const std::string& text) {
  numberFormats_.push_back(text == "General" ? "@" : text);
  return NumberFormatCount() - 1;
}

void TCellFormats::SetNumberFormat(int index, const std::string& text) {
  if (index < 0) return;
  if (index >= NumberFormatCount()) numberFormats_.resize(static_cast<size_t>(index) + 1);
  numberFormats_[static_cast<size_t>(index)] = text;
}

int TCellFormats::FindNumberFormat(const std::string& text) const {
  for (int i = 0; i < NumberFormatCount(); ++i)
    if (numberFormats_[static_cast<size_t>(i)] == text) return i;
  return -1;
}

// ---------------------------------------------------------------------------

namespace {
void checkRange(int v, int lo, int hi) {
  if (v < lo || v > hi) throw EXLSError("Invalid value");
}
}  // namespace

void TColumnFormat::SetCol1(int v) {
  checkRange(v, 0, 65535);
  col1_ = v;
}
void TColumnFormat::SetCol2(int v) {
  checkRange(v, 0, 65535);
  col2_ = v;
}
void TColumnFormat::SetWidth(int v) {
  checkRange(v, 0, 65535);
  width_ = v;
}
void TColumnFormat::SetFormatIndex(int v) {
  checkRange(v, 0, 65535);
  formatIndex_ = v;
}
void TColumnFormat::SetOutlineLevel(int v) {
  checkRange(v, 0, 16);
  outlineLevel_ = v;
}

TColumnFormat& TColumnFormats::Add() {
  items_.push_back(std::make_unique<TColumnFormat>());
  return *items_.back();
}

TColumnFormat* TColumnFormats::FindExact(int col) {
  for (auto& c : items_)
    if (c->Col1() == col && c->Col2() == col) return c.get();
  return nullptr;
}

int TColumnFormats::FindCol(int col) const {
  for (int i = 0; i < Count(); ++i) {
    const auto& c = *items_[static_cast<size_t>(i)];
    if (col >= c.Col1() && col <= c.Col2()) return i;
  }
  return -1;
}

}  // namespace qv
