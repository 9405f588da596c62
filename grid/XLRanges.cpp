#include "grid/XLRanges.h"

#include <algorithm>
#include <climits>

#include "platform/core/Services.h"

namespace qv {

namespace {

// Splits at CR LF, LF or CR; a final line break ends the last line (it
// does not start an empty one).
std::vector<std::string> clipboardLines(const std::string& text) {
  std::vector<std::string> lines;
  std::string cur;
  bool open = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char ch = text[i];
    if (ch == '\r' || ch == '\n') {
      lines.push_back(cur);
      cur.clear();
      open = false;
      if (ch == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      cur += ch;
      open = true;
    }
  }
  if (open) lines.push_back(cur);
  return lines;
}

// The fields of a line: the line with a TAB appended, cut at each TAB.
std::vector<std::string> lineFields(const std::string& line) {
  std::vector<std::string> fields;
  const std::string s = line + '\t';
  std::size_t start = 0;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\t') {
      fields.push_back(s.substr(start, i - start));
      start = i + 1;
    }
  }
  return fields;
}

std::string cleanField(const std::string& text) {
  std::string s = Trim(text);
  for (char& c : s)
    if (c == '\t' || c == '\r' || c == '\n') c = ' ';
  return s;
}

bool isTextCell(const TXLCell* c) {
  return c && c->GetCellClass()->InheritsFrom(&TXLCString::ClassInfo);
}

std::string readClipboardText() {
  try {
    TClipboardData d = Clipboard().GetData();
    return d.Text ? *d.Text : std::string();
  } catch (const std::exception&) {
    throw EXLGridError("Cannot open clipboard");
  }
}

}  // namespace

std::string ColumnLetters(int col) {
  if (col < 0) return {};
  std::string s;
  long long n = static_cast<long long>(col) + 1;
  while (n > 0) {
    --n;
    s.insert(s.begin(), static_cast<char>('A' + n % 26));
    n /= 26;
  }
  return s;
}

int LettersToColumn(std::string_view letters) {
  if (letters.empty()) return -1;
  long long n = 0;
  for (char ch : letters) {
    if (ch >= 'a' && ch <= 'z') ch = static_cast<char>(ch - 'a' + 'A');
    if (ch < 'A' || ch > 'Z') return -1;
    n = n * 26 + (ch - 'A' + 1);
    if (n - 1 > INT_MAX) return -1;
  }
  return static_cast<int>(n - 1);
}

// ---- TXLProRange -----------------------------------------------------------

TXLProRange::TXLProRange() { state_ |= xsStyle; }

TRect TXLProRange::GetSheetRect() const {
  const TXLSection* s = GetSection();
  return s ? s->ToSheetRect(GetRect()) : GetRect();
}

bool TXLProRange::IsSingleCell() const {
  const TRect r = GetRect();
  if (r.Width() == 1 && r.Height() == 1) return true;
  const TXLSection* s = GetSection();
  return s && s->IsUnion(r);
}

bool TXLProRange::HasUnions() const {
  const TXLSection* s = GetSection();
  return s && s->FindUnion(GetRect()) != nullptr;
}

std::string TXLProRange::Caption() const {
  const TRect r = GetSheetRect();
  if (IsSingleCell()) return qv::Format("Cell [%d, %d]", r.Left, r.Top);
  return qv::Format("Cells [%d, %d : %d, %d]", r.Left, r.Top, r.Right - 1, r.Bottom - 1);
}

TXLCell* TXLProRange::TopLeftCell() const {
  const TXLSection* s = GetSection();
  if (!s) return nullptr;
  const TRect r = GetRect();
  return s->FindCell(r.Left, r.Top);
}

TXLCellClassRef TXLProRange::GetCellClass() const {
  if (const TXLCell* c = TopLeftCell()) return c->GetCellClass();
  const TXLSection* s = GetSection();
  return s ? s->BaseStyle().GetCellClass() : &TXLCString::ClassInfo;
}

void TXLProRange::SetCellClass(TXLCellClassRef cls) {
  TXLSection* s = GetSection();
  if (!s || !cls || !cls->Create) return;
  TRect r;
  if (!IntersectRect(r, GetRect(), s->Extent())) return;
  std::string firstError;
  {
    TXLUpdateScope update(*s->Sheet());
    for (int row = r.Top; row < r.Bottom; ++row) {
      for (int col = r.Left; col < r.Right; ++col) {
        try {
          s->SetCellClass(TPoint(col, row), cls);
        } catch (const EVariantError& e) {
          if (firstError.empty()) firstError = e.Message();
        }
      }
    }
  }
  Changed();
  if (!firstError.empty()) throw EVariantTypeCastError(firstError);
}

TXLPersistent* TXLProRange::GetStyle() const {
  const TXLCell* c = TopLeftCell();
  return c ? c->GetStyle() : nullptr;
}

void TXLProRange::SetStyle(TXLStyle* style) {
  TXLSection* s = GetSection();
  if (!s) return;
  const TRect r = GetRect();
  s->GetCell(r.Left, r.Top)->SetStyle(style);
  std::vector<TXLCell*> cells;
  s->ForEachCellIn(r, [&](TXLCell* c) { cells.push_back(c); });
  for (TXLCell* c : cells) c->SetStyle(style);
  Changed();
}

const TXLPersistent* TXLProRange::GetPropSource(TXLProp prop) const {
  if (HasProp(props_, prop)) return this;
  if (const TXLCell* c = TopLeftCell()) return c->GetPropSource(prop);
  const TXLSection* s = GetSection();
  return s ? &s->BaseStyle() : nullptr;
}

void TXLProRange::IncludeProp(TXLProp prop, unsigned mask) {
  if (state_ & xsAssigning) return;
  TXLSection* s = GetSection();
  if (!s) return;
  const TRect r = GetRect();
  std::vector<TXLCell*> cells;
  s->ForEachCellIn(r, [&](TXLCell* c) { cells.push_back(c); });
  switch (prop) {
    case prHint:
      for (TXLCell* c : cells) c->SetHint({});
      break;
    case prFormual:
      for (TXLCell* c : cells) c->SetFormual({});
      break;
    case prFont: {
      // Only the parts that differ from the top-left cell's font travel,
      // so the other font parts of the cells stay.
      const TXLCell* topLeft = TopLeftCell();
      const TFont& cur = topLeft ? topLeft->Font() : s->BaseStyle().Font();
      const TFont& mine = HasOwnFont() ? *look_->Font : Font();
      unsigned m = 0;
      if (mine.Name() != cur.Name()) m |= 16;
      if (mine.Height() != cur.Height()) m |= 32;
      if (mine.Color() != cur.Color()) m |= 64;
      if (mine.Charset() != cur.Charset()) m |= 128;
      m |= (mine.Style().Bits() ^ cur.Style().Bits()) & 15u;
      if (m == 0) break;
      props_ |= PropBit(prFont);
      for (TXLCell* c : cells) {
        c->AssignPersistent(*this, prFont, m);
        c->SetStateFlag(xsReported, true);
      }
      props_ &= TXLProps(~PropBit(prFont));
      break;
    }
    case prControl:
    case prLayout:
      props_ |= PropBit(prop);
      for (TXLCell* c : cells) {
        c->AssignPersistent(*this, prop, mask);
        c->SetStateFlag(xsReported, true);
      }
      props_ &= TXLProps(~PropBit(prop));
      break;
    default:
      break;
  }
  s->Sheet()->SetModified(true);
}

TVariant TXLProRange::GetAsVariant() const {
  const TXLCell* c = TopLeftCell();
  return c ? c->GetAsVariant() : TVariant();
}

void TXLProRange::SetAsVariant(const TVariant& v) {
  TXLSection* s = GetSection();
  if (!s) return;
  const TRect r = GetRect();
  s->GetCell(r.Left, r.Top)->SetAsVariant(v);
}

void TXLProRange::Assign(const TXLPersistent& source) {
  const auto* src = dynamic_cast<const TXLProRange*>(&source);
  if (!src) {
    TXLPersistent::Assign(source);
    return;
  }
  SetRect(src->GetRect());
  if (src->GetSection() != GetSection()) {
    for (int id = 0; id < kXLAttrCount; ++id) {
      bool u = true;
      const std::uint32_t v = src->GetAttr(id, u);
      if (u) SetAttr(id, v);
    }
  }
  // Refresh the font object from the font in effect.
  if (HasOwnFont()) {
    TFont& font = *look_->Font;
    auto saved = std::move(font.OnChange);
    font.OnChange = nullptr;
    font.Assign(Font());
    font.OnChange = std::move(saved);
  }
}

// ---- block commands ----------------------------------------------------------

bool TXLProRange::Merge() {
  TXLSection* s = GetSection();
  if (!s || IsSingleCell()) return false;
  const bool merged = s->Merge(GetRect()) != nullptr;
  Changed();
  return merged;
}

void TXLProRange::MergeRows() {
  TXLSection* s = GetSection();
  if (!s) return;
  const TRect r = GetRect();
  for (int row = r.Top; row < r.Bottom; ++row) s->Merge(TRect(r.Left, row, r.Right, row + 1));
  Changed();
}

void TXLProRange::MergeCols() {
  TXLSection* s = GetSection();
  if (!s) return;
  const TRect r = GetRect();
  for (int col = r.Left; col < r.Right; ++col) s->Merge(TRect(col, r.Top, col + 1, r.Bottom));
  Changed();
}

void TXLProRange::Split() {
  if (TXLSection* s = GetSection()) s->Split(GetRect());
  Changed();
}

void TXLProRange::Clear() {
  if (TXLSection* s = GetSection()) s->ClearRect(GetRect());
  Changed();
}

void TXLProRange::ClearFormual() {
  if (TXLSection* s = GetSection()) s->ClearFormuals(GetRect());
  Changed();
}

// ---- text clipboard ----------------------------------------------------------

std::string TXLProRange::ClipboardText() const {
  const TXLSection* s = GetSection();
  if (!s) return {};
  const TRect r = GetRect();
  const TXLSheet& sheet = *s->Sheet();
  std::string out;
  for (int row = r.Top; row < r.Bottom; ++row) {
    for (int col = r.Left; col < r.Right; ++col) {
      if (col > r.Left) out += '\t';
      const TPoint p = s->ToSheetPoint(TPoint(col, row));
      out += cleanField(sheet.GetCellText(p.X, p.Y));
    }
    out += "\r\n";
  }
  return out;
}

void TXLProRange::CopyToClipboard() {
  const std::string text = ClipboardText();
  try {
    Clipboard().SetText(text);
  } catch (const std::exception&) {
    throw EXLGridError("Cannot open clipboard");
  }
}

bool TXLProRange::GrowTo(int col, int row) {
  TXLSection* s = GetSection();
  if (s->Contains(col, row)) return true;
  if (s->Kind() != skClient || col < 0 || row < 0) return false;
  TXLSheet& sheet = *s->Sheet();
  while (row >= sheet.RowCount()) {
    const int r = sheet.RowCount();
    sheet.SetRowCount(r + 1);
    if (sheet.TitleCols() > 0) sheet.SetCellInteger(-1, r, r + 1);
  }
  while (col >= sheet.ColCount()) {
    const int c = sheet.ColCount();
    sheet.SetColCount(c + 1);
    if (sheet.TitleRows() > 0) sheet.SetCellText(c, -1, ColumnLetters(c));
  }
  return true;
}

void TXLProRange::PasteField(int col, int row, const std::string& field) {
  TXLSection* s = GetSection();
  TXLSheet& sheet = *s->Sheet();
  const TPoint p = s->ToSheetPoint(TPoint(col, row));
  TXLCell* cell = sheet.FindCell(p.X, p.Y);
  if (isTextCell(cell)) cell->SetAsString({});
  if (field.empty()) return;
  cell = sheet.GetCell(p.X, p.Y);
  try {
    cell->SetAsString(field);
  } catch (const EVariantError&) {
    // A text that the cell's type cannot hold: the cell becomes a text cell
    // rather than lose the pasted text.
    TPoint local;
    if (TXLSection* sec = sheet.FindSection(p.X, p.Y, local))
      sec->SetCellClass(local, &TXLCString::ClassInfo)->SetAsString(field);
  }
}

void TXLProRange::PasteFromClipboard(int& col, int& row) {
  PasteText(readClipboardText(), col, row);
}

void TXLProRange::PasteText(const std::string& text, int& col, int& row) {
  TXLSection* s = GetSection();
  const TRect r = GetRect();
  col = r.Left;
  row = r.Top;
  if (!s) return;
  const std::vector<std::string> lines = clipboardLines(text);
  if (lines.empty()) return;
  TXLSheet& sheet = *s->Sheet();
  TXLUpdateScope update(sheet);
  int lastCol = r.Left;
  int lastRow = r.Top;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const int y = r.Top + static_cast<int>(i);
    const std::vector<std::string> fields = lineFields(lines[i]);
    lastCol = r.Left;
    for (std::size_t k = 0; k < fields.size(); ++k) {
      const int x = r.Left + static_cast<int>(k);
      if (!GrowTo(x, y)) continue;
      PasteField(x, y, fields[k]);
      lastCol = x + 1;
    }
    if (s->Contains(r.Left, y)) lastRow = y + 1;
  }
  col = lastCol;
  row = lastRow;
  Changed();
}

void TXLProRange::PasteReversed(int& col, int& row) {
  PasteTextReversed(readClipboardText(), col, row);
}

void TXLProRange::PasteTextReversed(const std::string& text, int& col, int& row) {
  TXLSection* s = GetSection();
  const TRect r = GetRect();
  col = r.Left;
  row = r.Top;
  if (!s) return;
  std::vector<std::vector<std::string>> table;
  std::size_t height = 0;
  for (const std::string& line : clipboardLines(text)) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= line.size(); ++i) {
      if (i == line.size() || line[i] == '\t') {
        fields.push_back(line.substr(start, i - start));
        start = i + 1;
      }
    }
    height = std::max(height, fields.size());
    table.push_back(std::move(fields));
  }
  if (table.empty()) return;
  TXLSheet& sheet = *s->Sheet();
  TXLUpdateScope update(sheet);
  const int right = r.Left + static_cast<int>(table.size());
  const int bottom = r.Top + static_cast<int>(height);
  GrowTo(right - 1, bottom - 1);
  for (std::size_t i = 0; i < table.size(); ++i) {
    for (std::size_t j = 0; j < table[i].size(); ++j) {
      const int x = r.Left + static_cast<int>(i), y = r.Top + static_cast<int>(j);
      if (s->Contains(x, y)) PasteField(x, y, table[i][j]);
    }
  }
  col = std::min(right, s->ColCount());
  row = std::min(bottom, s->RowCount());
  Changed();
}

// ---- cell clipboard ----------------------------------------------------------

void CopySectionBlock(const TXLSection& from, const TRect& rect, TXLSection& to,
                      const TPoint& offset) {
  auto copyOne = [&](const TRect& src, const TXLCell* cell) {
    TRect dst(src.Left + offset.X, src.Top + offset.Y, src.Right + offset.X, src.Bottom + offset.Y);
    if (!IntersectRect(dst, dst, to.Extent())) return;
    if (src.Width() > 1 || src.Height() > 1)
      to.Merge(dst);
    else
      to.Split(dst);
    bool u = true;
    to.SetAttr(dst, xaColor, from.GetAttr(src, xaColor, u));
    to.SetAttr(dst, xaStyles, from.GetAttr(src, xaStyles, u));
    for (int id : {int(sLeft), int(sTop), int(sRight), int(sBottom), int(sBias1), int(sBias2),
                   xaFrame, xaLayout}) {
      bool uniform = true;
      const std::uint32_t v = from.GetAttr(src, id, uniform);
      if (uniform) to.SetAttr(dst, id, v);
    }
    if (cell) to.AssignCell(dst.TopLeft(), cell);
  };
  for (const auto& u : from.Unions()) {
    TRect x;
    if (IntersectRect(x, u->Rect, rect)) copyOne(u->Rect, u->Origin);
  }
  std::vector<const TXLCell*> cells;
  from.ForEachCellIn(rect, [&](TXLCell* c) {
    if (!from.UnionAt(c->Col(), c->RowIndex())) cells.push_back(c);
  });
  for (const TXLCell* c : cells) copyOne(c->GetRect(), c);
}

void TXLProRange::Copy() {
  const TXLSection* s = GetSection();
  if (!s) return;
  TRect r;
  if (!IntersectRect(r, GetRect(), s->Extent())) return;
  TXLSheet& clip = ClipboardSheet();
  TXLUpdateScope update(clip);
  clip.ClearSections();
  clip.SetStyler(s->Sheet()->Styler());
  clip.SetColCount(r.Width());
  clip.SetRowCount(r.Height());
  CopySectionBlock(*s, r, clip.Section(skClient), TPoint(-r.Left, -r.Top));
  clip.SetModified(false);
}

void TXLProRange::Cut() {
  Copy();
  Clear();
}

bool TXLProRange::CanPaste() const {
  if (!HasClipboardSheet()) return false;
  const TXLSection* s = GetSection();
  if (!s) return false;
  const TXLSheet& clip = ClipboardSheet();
  if (clip.ColCount() < 1 || clip.RowCount() < 1) return false;
  const TRect r = GetRect();
  TRect placed(r.Left, r.Top, r.Left + clip.ColCount(), r.Top + clip.RowCount()), x;
  return IntersectRect(x, placed, s->Extent());
}

void TXLProRange::Paste() {
  if (!CanPaste()) return;
  TXLSection* s = GetSection();
  TXLSheet& clip = ClipboardSheet();
  const TRect r = GetRect();
  TRect target(r.Left, r.Top, r.Left + clip.ColCount(), r.Top + clip.RowCount());
  IntersectRect(target, target, s->Extent());
  SetRect(target);
  {
    TXLUpdateScope update(*s->Sheet());
    s->Split(target);
    const TXLSection& from = clip.Section(skClient);
    CopySectionBlock(from, from.Extent(), *s, TPoint(r.Left, r.Top));
  }
  Changed();
}

}  // namespace qv
