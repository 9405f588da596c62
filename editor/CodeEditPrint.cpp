#include "editor/CodeEditPrint.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "editor/CodeEdit.h"
#include "editor/CodeEditMiscProcs.h"
#include "platform/core/RecordingCanvas.h"
#include "platform/core/SysUtils.h"

namespace qv {

namespace {

int Round(double v) { return int(std::lround(v)); }

std::u32string ToU32(const std::string& s) { return UTF8ToCodePoints(s); }
std::string ToU8(std::u32string_view s) { return CodePointsToUTF8(s); }

bool IsBreakChar(char32_t c, const std::u32string& breakChars) {
  return breakChars.find(c) != std::u32string::npos;
}

// WrapText on code points.
bool WrapCodePoints(const std::u32string& Line, const std::u32string& BreakChars, int MaxLen,
                    std::vector<int>& List) {
  const int len = int(Line.size());
  if (MaxLen < 1) return len == 0;
  const size_t added = List.size();
  int start = 0;
  while (len - start > MaxLen) {
    int pos = 0;
    for (int i = start + MaxLen; i > start; --i)
      if (IsBreakChar(Line[size_t(i - 1)], BreakChars)) {
        pos = i;
        break;
      }
    if (pos == 0) {
      List.resize(added);
      return false;
    }
    List.push_back(pos);
    start = pos;
  }
  return true;
}

}  // namespace

// ---- printer info ------------------------------------------------------------

void TCodeEditPrinterInfo::UpdatePrinter(const TPrinterService* Printer) {
  updated_ = true;
  if (!Printer || !Printer->Available()) {
    *this = TCodeEditPrinterInfo();
    updated_ = true;
    return;
  }
  physicalWidth_ = Printer->PhysicalWidth();
  physicalHeight_ = Printer->PhysicalHeight();
  printableWidth_ = Printer->PageWidth();
  printableHeight_ = Printer->PageHeight();
  leftGutter_ = Printer->OffsetX();
  topGutter_ = Printer->OffsetY();
  rightGutter_ = physicalWidth_ - printableWidth_ - leftGutter_;
  bottomGutter_ = physicalHeight_ - printableHeight_ - topGutter_;
  xPixPrInch_ = std::max(1, Printer->DpiX());
  yPixPrInch_ = std::max(1, Printer->DpiY());
  xPixPrmm_ = xPixPrInch_ / 25.4;
  yPixPrmm_ = yPixPrInch_ / 25.4;
}

int TCodeEditPrinterInfo::PixFromLeft(double mm) const {
  return Round(mm * xPixPrmm_ - leftGutter_);
}
int TCodeEditPrinterInfo::PixFromRight(double mm) const {
  return Round(mm * xPixPrmm_ - rightGutter_);
}
int TCodeEditPrinterInfo::PixFromTop(double mm) const { return Round(mm * yPixPrmm_ - topGutter_); }
int TCodeEditPrinterInfo::PixFromBottom(double mm) const {
  return Round(mm * yPixPrmm_ - bottomGutter_);
}

// ---- margins -------------------------------------------------------------------

double TCodeEditPrintMargins::FromMM(double mm) const {
  switch (unitSystem_) {
    case usCM:
      return mm / 10;
    case usInch:
      return mm / 25.4;
    case muThousandthsOfInches:
      return mm * 1000 / 25.4;
    case usMM:
      break;
  }
  return mm;
}

double TCodeEditPrintMargins::ToMM(double Value) const {
  switch (unitSystem_) {
    case usCM:
      return Value * 10;
    case usInch:
      return Value * 25.4;
    case muThousandthsOfInches:
      return Value * 25.4 / 1000;
    case usMM:
      break;
  }
  return Value;
}

void TCodeEditPrintMargins::Assign(const TCodeEditPrintMargins& Source) {
  unitSystem_ = Source.unitSystem_;
  left_ = Source.left_;
  right_ = Source.right_;
  top_ = Source.top_;
  bottom_ = Source.bottom_;
  header_ = Source.header_;
  footer_ = Source.footer_;
  leftHFTextIndent_ = Source.leftHFTextIndent_;
  rightHFTextIndent_ = Source.rightHFTextIndent_;
  hfInternalMargin_ = Source.hfInternalMargin_;
  gutter_ = Source.gutter_;
  mirrorMargins_ = Source.mirrorMargins_;
}

void TCodeEditPrintMargins::InitPage(TCanvas& ACanvas, int PageNum,
                                     const TCodeEditPrinterInfo& PrinterInfo, bool LineNumbers,
                                     bool LineNumbersInMargin, int MaxLineNum) {
  if (mirrorMargins_ && PageNum % 2 == 0) {
    PLeft = PrinterInfo.PixFromLeft(right_);
    PRight = PrinterInfo.PrintableWidth() - PrinterInfo.PixFromRight(left_ + gutter_);
  } else {
    PLeft = PrinterInfo.PixFromLeft(left_ + gutter_);
    PRight = PrinterInfo.PrintableWidth() - PrinterInfo.PixFromRight(right_);
  }
  if (LineNumbers && !LineNumbersInMargin) PLeft += ACanvas.TextWidth(IntToStr(MaxLineNum) + ": ");
  PTop = PrinterInfo.PixFromTop(top_);
  PBottom = PrinterInfo.PrintableHeight() - PrinterInfo.PixFromBottom(bottom_);
  PHeader = PrinterInfo.PixFromTop(header_);
  PFooter = PrinterInfo.PrintableHeight() - PrinterInfo.PixFromBottom(footer_);
  PLeftHFTextIndent = PLeft + Round(PrinterInfo.XPixPrmm() * leftHFTextIndent_);
  PRightHFTextIndent = PRight - Round(PrinterInfo.XPixPrmm() * rightHFTextIndent_);
  PHFInternalMargin = Round(PrinterInfo.YPixPrmm() * hfInternalMargin_);
  PGutter = Round(PrinterInfo.XPixPrmm() * gutter_);
}

// ---- helpers -------------------------------------------------------------------

std::string IntToRoman(int Value) {
  static const std::pair<int, const char*> table[] = {
      {1000, "M"}, {900, "CM"}, {500, "D"}, {400, "CD"}, {100, "C"}, {90, "XC"}, {50, "L"},
      {40, "XL"},  {10, "X"},   {9, "IX"},  {5, "V"},    {4, "IV"},  {1, "I"}};
  std::string r;
  for (const auto& [v, s] : table)
    while (Value >= v) {
      r += s;
      Value -= v;
    }
  return r;
}

bool WrapText(const std::string& Line, const std::string& BreakChars, int MaxLen,
              std::vector<int>& List) {
  return WrapCodePoints(ToU32(Line), ToU32(BreakChars), MaxLen, List);
}

TFont PrinterFont(const TFont& Font, int Dpi) {
  TFont f;
  f.Assign(Font);
  int h = Font.Height() == 0 ? TFont::DefaultHeight : Font.Height();
  f.SetHeight(Round(double(h) * Dpi / ScreenPixelsPerInch));
  return f;
}

// ---- header and footer -------------------------------------------------------

std::string THeaderFooterItem::GetText(int NumPages, int PageNum, bool Roman,
                                       const std::string& Title, const std::string& ATime,
                                       const std::string& ADate) const {
  std::string r;
  size_t i = 0;
  while (true) {
    const size_t open = Text.find('$', i);
    if (open == std::string::npos) {
      r.append(Text, i, std::string::npos);
      break;
    }
    r.append(Text, i, open - i);
    const size_t close = Text.find('$', open + 1);
    if (close == std::string::npos) {
      r.append(Text, open, std::string::npos);
      break;
    }
    const std::string word = UpperCase(Text.substr(open + 1, close - open - 1));
    std::string value;
    bool macro = true;
    if (word == "PAGENUM")
      value = Roman ? IntToRoman(PageNum) : IntToStr(PageNum);
    else if (word == "PAGECOUNT")
      value = IntToStr(NumPages);
    else if (word == "TITLE")
      value = Title;
    else if (word == "DATE")
      value = ADate;
    else if (word == "TIME")
      value = ATime;
    else if (word == "DATETIME")
      value = ADate + " " + ATime;
    else if (word == "TIMEDATE")
      value = ATime + " " + ADate;
    else
      macro = false;
    if (macro) {
      r += value;
      i = close + 1;
    } else {
      // Not a macro: copied, and its closing "$" may open the next one.
      r.append(Text, open, close - open);
      i = close;
    }
  }
  return r;
}

THeaderFooter::THeaderFooter(THeaderFooterType AType) : type_(AType) {
  defaultFont_.SetName("Arial");
  defaultFont_.SetSize(10);
  defaultFont_.SetColor(clBlack);
}

int THeaderFooter::Add(const std::string& Text, const TFont* Font, THeaderFooterAlign Alignment,
                       int LineNumber) {
  THeaderFooterItem item;
  item.Text = Text;
  item.Font.Assign(Font ? *Font : defaultFont_);
  item.Alignment = Alignment;
  item.LineNumber = LineNumber;
  items_.push_back(std::move(item));
  return Count() - 1;
}

void THeaderFooter::Delete(int Index) {
  if (Index >= 0 && Index < Count()) items_.erase(items_.begin() + Index);
}

void THeaderFooter::Assign(const THeaderFooter& Source) {
  if (&Source == this) return;
  type_ = Source.type_;
  items_.clear();
  for (const THeaderFooterItem& s : Source.items_) {
    THeaderFooterItem item;
    item.Text = s.Text;
    item.Font.Assign(s.Font);
    item.LineNumber = s.LineNumber;
    item.Alignment = s.Alignment;
    items_.push_back(std::move(item));
  }
  frameTypes_ = Source.frameTypes_;
  shadedColor_ = Source.shadedColor_;
  lineColor_ = Source.lineColor_;
  defaultFont_.Assign(Source.defaultFont_);
  romanNumbers_ = Source.romanNumbers_;
  mirrorPosition_ = Source.mirrorPosition_;
}

void THeaderFooter::InitPrint(TCanvas& ACanvas, int NumPages, const std::string& Title,
                              const TCodeEditPrintMargins* Margins, int FontDpi) {
  const TDateTime now = Now();
  date_ = FormatDateTime(FormatSettings().ShortDateFormat, now);
  time_ = FormatDateTime(FormatSettings().ShortTimeFormat, now);
  numPages_ = NumPages;
  title_ = Title;
  margins_ = Margins;
  fontDpi_ = FontDpi;
  std::stable_sort(items_.begin(), items_.end(),
                   [](const THeaderFooterItem& a, const THeaderFooterItem& b) {
                     return a.LineNumber < b.LineNumber;
                   });
  // Lines numbered 1, 2, ... without gaps.
  int line = 0, last = 0;
  for (size_t i = 0; i < items_.size(); ++i) {
    if (i == 0 || items_[i].LineNumber != last) ++line;
    last = items_[i].LineNumber;
    items_[i].LineNumber = line;
  }
  CalcHeight(ACanvas);
}

void THeaderFooter::CalcHeight(TCanvas& ACanvas) {
  lineInfo_.clear();
  frameHeight_ = 0;
  if (items_.empty()) return;
  const int saved = ACanvas.SaveDC();
  lineInfo_.resize(size_t(items_.back().LineNumber));
  for (const THeaderFooterItem& item : items_) {
    ACanvas.Font.Assign(PrinterFont(item.Font, fontDpi_));
    const int h = ACanvas.TextHeight("W");
    const int base = h - ACanvas.GetTextMetrics().tmDescent;
    TLineInfo& li = lineInfo_[size_t(item.LineNumber - 1)];
    li.LineHeight = std::max(li.LineHeight, h);
    li.MaxBaseDist = std::max(li.MaxBaseDist, base);
  }
  ACanvas.RestoreDC(saved);
  for (const TLineInfo& li : lineInfo_) frameHeight_ += li.LineHeight;
  frameHeight_ += 2 * (margins_ ? margins_->PHFInternalMargin : 0);
}

void THeaderFooter::DrawFrame(TCanvas& ACanvas) {
  if (!margins_) return;
  const TCodeEditPrintMargins& m = *margins_;
  if (frameTypes_ & (ftBox | ftShaded)) {
    const TRect r = type_ == hftHeader
                        ? TRect(m.PLeft, m.PHeader - frameHeight_, m.PRight, m.PHeader)
                        : TRect(m.PLeft, m.PFooter, m.PRight, m.PFooter + frameHeight_);
    if (frameTypes_ & ftShaded) {
      ACanvas.Brush.SetStyle(bsSolid);
      ACanvas.Brush.SetColor(shadedColor_);
    } else {
      ACanvas.Brush.SetStyle(bsClear);
    }
    if (frameTypes_ & ftBox) {
      ACanvas.Pen.SetStyle(psSolid);
      ACanvas.Pen.SetColor(lineColor_);
    } else {
      ACanvas.Pen.SetStyle(psClear);
    }
    ACanvas.Rectangle(r);
  }
  if (frameTypes_ & ftLine) {
    ACanvas.Pen.SetStyle(psSolid);
    ACanvas.Pen.SetColor(lineColor_);
    const int y = type_ == hftHeader ? m.PHeader : m.PFooter;
    ACanvas.MoveTo(m.PLeft, y);
    ACanvas.LineTo(m.PRight, y);
  }
}

void THeaderFooter::Print(TCanvas& ACanvas, int PageNum) {
  if (items_.empty() || !margins_ || lineInfo_.empty()) return;
  const TCodeEditPrintMargins& m = *margins_;
  const int saved = ACanvas.SaveDC();
  DrawFrame(ACanvas);
  ACanvas.SetBkMode(TRANSPARENT);
  ACanvas.SetTextAlign(TA_BASELINE | TA_LEFT);
  int top = (type_ == hftHeader ? m.PHeader - frameHeight_ : m.PFooter) + m.PHFInternalMargin;
  size_t item = 0;
  for (size_t line = 0; line < lineInfo_.size(); ++line) {
    const int y = top + lineInfo_[line].MaxBaseDist;
    for (; item < items_.size() && items_[item].LineNumber == int(line) + 1; ++item) {
      const THeaderFooterItem& it = items_[item];
      const std::string text = it.GetText(numPages_, PageNum, romanNumbers_, title_, time_, date_);
      if (Trim(text).empty()) continue;
      ACanvas.Font.Assign(PrinterFont(it.Font, fontDpi_));
      THeaderFooterAlign align = it.Alignment;
      if (mirrorPosition_ && PageNum % 2 == 0) {
        if (align == hfaLeft)
          align = hfaRight;
        else if (align == hfaRight)
          align = hfaLeft;
      }
      const int width = ACanvas.TextWidth(text);
      int x = m.PLeftHFTextIndent;
      if (align == hfaRight)
        x = m.PRightHFTextIndent - width;
      else if (align == hfaCenter)
        x = (m.PLeftHFTextIndent + m.PRightHFTextIndent - width) / 2;
      ACanvas.TextOut(x, y, text);
    }
    top += lineInfo_[line].LineHeight;
  }
  ACanvas.RestoreDC(saved);
}

// ---- the print component -------------------------------------------------------

TCodeEditPrint::TCodeEditPrint() {
  font_.SetName("Courier New");
  font_.SetSize(10);
  font_.SetColor(clBlack);
}

TPrinterService* TCodeEditPrint::GetPrinter() const { return printer_ ? printer_ : Printer(); }

void TCodeEditPrint::SetCodeEdit(TCustomCodeEdit& Editor) {
  SetHighlighter(Editor.Highlighter());
  SetFont(Editor.Font());
  tabWidth_ = Editor.TabWidth();
  SetLines(Editor.Lines());
  const TPoint b = Editor.CaretToDisplayColumn(Editor.BlockBegin());
  const TPoint e = Editor.CaretToDisplayColumn(Editor.BlockEnd());
  SetSelection(Editor.SelAvail(), b, e, Editor.SelectionMode());
}

void TCodeEditPrint::SetLines(const TStrings& Value) {
  const TConvertTabsProc convert = GetBestConvertTabsProc(tabWidth_);
  lines_.Clear();
  for (int i = 0; i < Value.Count(); ++i) {
    bool hasTabs = false;
    std::string s = convert(Value.Get(i), tabWidth_, hasTabs);
    if (hasTabs) std::replace(s.begin(), s.end(), '\t', ' ');
    lines_.Add(s);
  }
  rangesValid_ = false;
}

void TCodeEditPrint::SetHighlighter(TCodeCustomHighlighter* Value) {
  if (Value == highlighter_) return;
  highlighter_ = Value;
  rangesValid_ = false;
}

void TCodeEditPrint::SetSelection(bool Available, TPoint Start, TPoint End,
                                  TCodeSelectionMode Mode) {
  selAvail_ = Available;
  if (End.Y < Start.Y || (End.Y == Start.Y && End.X < Start.X)) std::swap(Start, End);
  selStart_ = Start;
  selEnd_ = End;
  selMode_ = Mode;
}

bool TCodeEditPrint::UseHighlighter() const {
  return highlight_ && highlighter_ && lines_.Count() > 0;
}

int TCodeEditPrint::MaxLineNumber() const { return lines_.Count() + lineOffset_; }

void TCodeEditPrint::InitRanges() {
  if (rangesValid_ || !highlighter_ || lines_.Count() == 0) return;
  TCodeCustomHighlighter& hl = *highlighter_;
  ranges_.assign(size_t(lines_.Count()), 0);
  hl.ResetRange();
  ranges_[0] = hl.GetRange();
  for (int i = 1; i < lines_.Count(); ++i) {
    hl.SetRange(ranges_[size_t(i - 1)]);
    hl.SetLine(lines_.Get(i - 1), i - 1);
    hl.NextToEol();
    ranges_[size_t(i)] = hl.GetRange();
  }
  rangesValid_ = true;
}

TCodeEditPrint::TSegment TCodeEditPrint::LineSegment(int Line) const {
  TSegment seg;
  const int len = int(UTF8CharCount(lines_.Get(Line)));
  seg.To = len;
  if (!selectedOnly_ || !selAvail_) return seg;
  const int y = Line + 1;
  if (y < selStart_.Y || y > selEnd_.Y) {
    seg.Skip = true;
    return seg;
  }
  switch (selMode_) {
    case smLine:
      break;
    case smColumn: {
      const int a = std::min(selStart_.X, selEnd_.X), b = std::max(selStart_.X, selEnd_.X);
      seg.From = std::clamp(a - 1, 0, len);
      seg.To = std::clamp(b - 1, 0, len);
      break;
    }
    case smNormal:
      // A stream: from the start column on the first line to the end column
      // on the last, whole lines between.
      if (y == selEnd_.Y) {
        if (selEnd_.X <= 1 && selEnd_.Y > selStart_.Y) {
          seg.Skip = true;
          return seg;
        }
        seg.To = std::clamp(selEnd_.X - 1, 0, len);
      }
      if (y == selStart_.Y) seg.From = std::clamp(selStart_.X - 1, 0, len);
      seg.To = std::max(seg.To, seg.From);
      break;
  }
  return seg;
}

std::vector<int> TCodeEditPrint::RowEnds(const std::u32string& Segment) const {
  const int len = int(Segment.size());
  if (len <= maxCol_) return {len};
  if (!wrap_) return {maxCol_};
  std::vector<int> ends;
  if (!WrapCodePoints(Segment, U"\t ,-", maxCol_, ends) &&
      !WrapCodePoints(Segment, U").;", maxCol_, ends)) {
    for (int p = maxCol_; p < len; p += maxCol_) ends.push_back(p);
  }
  ends.push_back(len);
  return ends;
}

void TCodeEditPrint::UpdatePages(TCanvas& ACanvas) {
  printerInfo_.UpdatePrinter(GetPrinter());
  printFont_ = PrinterFont(font_, printerInfo_.YPixPrInch());
  ACanvas.Font.Assign(printFont_);
  const TTextMetric tm = ACanvas.GetTextMetrics();
  charWidth_ = std::max(1, tm.tmAveCharWidth);
  margins_.InitPage(ACanvas, 1, printerInfo_, lineNumbers_, lineNumbersInMargin_, MaxLineNumber());
  CalcPages(ACanvas);
  header_.InitPrint(ACanvas, int(pages_.size()), title_, &margins_, printerInfo_.YPixPrInch());
  footer_.InitPrint(ACanvas, int(pages_.size()), title_, &margins_, printerInfo_.YPixPrInch());
  ACanvas.Font.Assign(printFont_);
}

void TCodeEditPrint::CalcPages(TCanvas& ACanvas) {
  // The widest run of "W" that stays inside the text area, less one.
  const int textWidth = margins_.PRight - margins_.PLeft;
  const int w = std::max(1, ACanvas.TextWidth("W"));
  int n = std::max(0, (textWidth - 1) / w);
  while (n > 0 && ACanvas.TextWidth(std::string(size_t(n), 'W')) >= textWidth) --n;
  while (ACanvas.TextWidth(std::string(size_t(n + 1), 'W')) < textWidth) ++n;
  // Too narrow a page still prints one character per row.
  maxCol_ = std::max(1, n - 1);
  const TTextMetric tm = ACanvas.GetTextMetrics();
  lineHeight_ = std::max(1, tm.tmHeight + tm.tmExternalLeading);

  pages_.assign(1, TPageStart{});
  int y = margins_.PTop;
  for (int i = 0; i < lines_.Count(); ++i) {
    const TSegment seg = LineSegment(i);
    if (seg.Skip) continue;
    const std::u32string text =
        ToU32(lines_.Get(i)).substr(size_t(seg.From), size_t(seg.To - seg.From));
    const int rows = int(RowEnds(text).size());
    for (int r = 0; r < rows; ++r) {
      // Each row that would pass the bottom starts a page, also a wrapped
      // piece of a line begun on the page before.
      if (y + lineHeight_ > margins_.PBottom && y > margins_.PTop) {
        pages_.push_back(TPageStart{i, r});
        y = margins_.PTop;
      }
      y += lineHeight_;
    }
  }
}

int TCodeEditPrint::PageCount() {
  if (!printing_) {
    // Laid out with the font service only; nothing is drawn.
    TRecordingCanvas measure;
    UpdatePages(measure);
  }
  return int(pages_.size());
}

void TCodeEditPrint::DoPrintStatus(TCodeEditPrintStatus Status, int PageNumber, bool& Abort) {
  Abort = false;
  if (OnPrintStatus) OnPrintStatus(this, Status, PageNumber, Abort);
  if (Abort && printing_ && jobPrinter_) jobPrinter_->Abort();
}

void TCodeEditPrint::DoPrintLine(int LineNumber, int PageNumber) {
  if (OnPrintLine) OnPrintLine(this, LineNumber, PageNumber);
}

void TCodeEditPrint::WriteRun(TCanvas& ACanvas, int X, int Y, const std::u32string& Text,
                              TFontStyles Style, TColor Fg, TColor Bg) {
  if (Text.empty()) return;
  ACanvas.Font.Assign(printFont_);
  ACanvas.Font.SetStyle(Style);
  ACanvas.Font.SetColor(Fg);
  ACanvas.SetTextColor(Fg);
  if (Bg == color_) {
    ACanvas.SetBkMode(TRANSPARENT);
  } else {
    ACanvas.SetBkMode(OPAQUE);
    ACanvas.SetBkColor(Bg);
  }
  if (advances_.size() < Text.size()) advances_.resize(Text.size());
  std::fill(advances_.begin(), advances_.begin() + std::ptrdiff_t(Text.size()), charWidth_);
  ACanvas.ExtTextOut(X, Y, 0, nullptr, ToU8(Text), advances_.data());
}

void TCodeEditPrint::PrintLineRows(TCanvas& ACanvas, int Line, int FirstRow, int LastRow) {
  const TSegment seg = LineSegment(Line);
  const std::string line8 = lines_.Get(Line);
  const std::u32string line = ToU32(line8);
  const std::vector<int> ends = RowEnds(line.substr(size_t(seg.From), size_t(seg.To - seg.From)));
  LastRow = std::min(LastRow, int(ends.size()));

  std::vector<TCodeTokenRun> runs;
  if (UseHighlighter()) {
    InitRanges();
    runs = HighlightLine(*highlighter_, line8, ranges_[size_t(Line)], Line).Runs;
  }
  const TColor fontColor = printFont_.Color();
  for (int r = FirstRow; r < LastRow; ++r) {
    const int a = seg.From + (r == 0 ? 0 : ends[size_t(r - 1)]);
    const int b = seg.From + ends[size_t(r)];
    if (r == 0 && lineNumbers_) {
      const std::string num = IntToStr(Line + 1 + lineOffset_) + ": ";
      ACanvas.Font.Assign(printFont_);
      ACanvas.Font.SetStyle(TFontStyles());
      ACanvas.Font.SetColor(clBlack);
      ACanvas.SetTextColor(clBlack);
      ACanvas.SetBkMode(TRANSPARENT);
      ACanvas.TextOut(margins_.PLeft - ACanvas.TextWidth(num), yPos_, num);
    }
    if (runs.empty()) {
      WriteRun(ACanvas, margins_.PLeft, yPos_, line.substr(size_t(a), size_t(b - a)),
               printFont_.Style(), fontColor, color_);
    } else {
      for (const TCodeTokenRun& run : runs) {
        const int start = run.Pos;
        const int stop = start + int(UTF8CharCount(run.Text));
        const int from = std::max(start, a), to = std::min(stop, b);
        if (from >= to) continue;
        TFontStyles style = printFont_.Style();
        TColor fg = fontColor, bg = color_;
        if (const TCodeHighlighterAttributes* attr = run.Attribute) {
          style = attr->Style();
          if (colors_) {
            if (attr->Foreground() != clNone) fg = attr->Foreground();
            if (attr->Background() != clNone) bg = attr->Background();
          }
        }
        WriteRun(ACanvas, margins_.PLeft + (from - a) * charWidth_, yPos_,
                 line.substr(size_t(from), size_t(to - from)), style, fg, bg);
      }
    }
    yPos_ += lineHeight_;
  }
}

void TCodeEditPrint::PrintPage(TCanvas& ACanvas, int Num) {
  bool abort = false;
  DoPrintStatus(psNewPage, Num, abort);
  if (abort) {
    abort_ = true;
    return;
  }
  ACanvas.Font.Assign(printFont_);
  margins_.InitPage(ACanvas, Num, printerInfo_, lineNumbers_, lineNumbersInMargin_,
                    MaxLineNumber());
  ACanvas.Brush.SetStyle(bsSolid);
  ACanvas.Brush.SetColor(color_);
  ACanvas.FillRect(TRect(margins_.PLeft, margins_.PTop, margins_.PRight, margins_.PBottom));
  header_.Print(ACanvas, Num + pageOffset_);

  ACanvas.SetTextAlign(TA_LEFT | TA_TOP);
  yPos_ = margins_.PTop;
  const TPageStart from = pages_[size_t(Num - 1)];
  const TPageStart to =
      size_t(Num) < pages_.size() ? pages_[size_t(Num)] : TPageStart{lines_.Count(), 0};
  for (int i = from.Line; i < lines_.Count() && (i < to.Line || (i == to.Line && to.Piece > 0));
       ++i) {
    if (LineSegment(i).Skip) continue;
    const int first = i == from.Line ? from.Piece : 0;
    const int last = i == to.Line ? to.Piece : INT32_MAX;
    PrintLineRows(ACanvas, i, first, last);
    if (i != to.Line) DoPrintLine(i + 1, Num);
  }
  footer_.Print(ACanvas, Num + pageOffset_);
}

void TCodeEditPrint::PrintRange(int StartPage, int EndPage) {
  if (selectedOnly_ && !selAvail_) return;
  TPrinterService* printer = GetPrinter();
  if (!printer || !printer->Available()) throw EPrinter();
  printer->SetTitle(docTitle_.empty() ? title_ : docTitle_);
  if (!printer->BeginDoc()) throw EPrinter();
  printing_ = true;
  abort_ = false;
  jobPrinter_ = printer;
  struct TJobEnd {
    TCodeEditPrint& P;
    ~TJobEnd() {
      // A failure half way through leaves no job open.
      if (P.printing_ && P.jobPrinter_ && P.jobPrinter_->Printing()) P.jobPrinter_->Abort();
      P.printing_ = false;
      P.jobPrinter_ = nullptr;
    }
  } jobEnd{*this};

  bool abort = false;
  DoPrintStatus(psBegin, StartPage, abort);
  if (abort) return;
  UpdatePages(printer->Canvas());
  const int count = int(pages_.size());
  const int last = EndPage < 0 ? count : std::min(EndPage, count);
  const int first = std::max(1, StartPage);
  const int copies = std::max(1, copies_);
  for (int copy = 1; copy <= copies; ++copy) {
    for (int page = first; page <= last; ++page) {
      PrintPage(printer->Canvas(), page);
      if (abort_) {
        if (printer->Printing()) printer->Abort();
        return;
      }
      if (page != last || copy != copies) printer->NewPage();
    }
  }
  DoPrintStatus(psEnd, last, abort);
  if (abort) return;
  printer->EndDoc();
}

}  // namespace qv
