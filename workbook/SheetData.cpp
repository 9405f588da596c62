#include "workbook/SheetData.h"

#include <cmath>

#include "platform/core/Codepage.h"
#include "workbook/DecodeFormula.h"
#include "workbook/XLSWorkbook.h"

namespace qv {

// ---------------------------------------------------------------------------
// Print settings

void TPrintSettings::SetHeader(const std::string& v) {
  if (Utf8Length(v) >= 256) {
    if (TXLSWorkbook* wb = sheet_ ? sheet_->Workbook() : nullptr)
      wb->ShowMessage("Header is limited to max 255 characthers");
    return;
  }
  header_ = v;
}

void TPrintSettings::SetFooter(const std::string& v) {
  if (Utf8Length(v) >= 256) {
    if (TXLSWorkbook* wb = sheet_ ? sheet_->Workbook() : nullptr)
      wb->ShowMessage("Footer is limited to max 255 characthers");
    return;
  }
  footer_ = v;
}

void TPrintSettings::setRange(const std::string& v, int& first, int& last) {
  size_t colon = v.find(':');
  if (colon == std::string::npos) throw EXLSError("Invalid value");
  int a, b;
  if (!TryStrToInt(v.substr(0, colon), a) || !TryStrToInt(v.substr(colon + 1), b) || a < -1 ||
      b < -1 || a > b)
    throw EXLSError("Invalid value");
  if (a < 0 || b < 0) a = b = -1;
  first = a;
  last = b;
  recordTitles();
}

void TPrintSettings::recordTitles() {
  TXLSWorkbook* wb = sheet_ ? sheet_->Workbook() : nullptr;
  if (!wb) return;
  int index = sheet_->Index();
  if (index < 0) return;
  wb->NameDefs.SetPrintTitles(index, rowFirst_, rowLast_, colFirst_, colLast_);
}

std::string TPrintSettings::RowsOnEachPage() const { return Format("%d:%d", rowFirst_, rowLast_); }
void TPrintSettings::SetRowsOnEachPage(const std::string& v) { setRange(v, rowFirst_, rowLast_); }
std::string TPrintSettings::ColsOnEachPage() const { return Format("%d:%d", colFirst_, colLast_); }
void TPrintSettings::SetColsOnEachPage(const std::string& v) { setRange(v, colFirst_, colLast_); }

void TPrintSettings::Reset() {
  StartingPage = 1;
  Options = TPrintSetupOptions{psoPortrait};
  HeaderMargin = FooterMargin = 0;
  MarginBottom = MarginLeft = MarginRight = MarginTop = -1;
  Copies = 1;
  ScalingFactor = 100;
  HorizPagebreaks.clear();
  VertPagebreaks.clear();
}

// ---------------------------------------------------------------------------
// Merged cells

bool TMergedCells::Valid(int i) const {
  const TMergedCell& m = Item(i);
  if (m.Col1 > m.Col2 || m.Row1 > m.Row2) return false;
  auto inside = [](const TMergedCell& o, int c, int r) {
    return c >= o.Col1 && c <= o.Col2 && r >= o.Row1 && r <= o.Row2;
  };
  for (int k = 0; k < Count(); ++k) {
    if (k == i) continue;
    const TMergedCell& o = Item(k);
    if (inside(o, m.Col1, m.Row1) || inside(o, m.Col2 - 1, m.Row2 - 1)) return false;
  }
  return true;
}

// ---------------------------------------------------------------------------
// Fractions

std::string FractionText(double value, int maxDenominator) {
  if (!std::isfinite(value)) return FloatToStr(value);
  double whole = std::trunc(value);
  double f = std::fabs(value - whole);
  std::string sign = value < 0 ? "-" : "";
  auto wholeText = [&](double w) { return Format("%.0f", std::fabs(w)); };
  if (f == 0) return sign + wholeText(whole);
  long a = 0, b = 1, c = 1, d = 1;
  long num = -1, den = 1;
  for (;;) {
    long n = b + d;
    if (n > maxDenominator) break;
    long m = a + c;
    double diff = static_cast<double>(n) * f - static_cast<double>(m);
    if (diff > 1e-5 * static_cast<double>(n)) {
      a = m;
      b = n;
    } else if (diff < -1e-5 * static_cast<double>(n)) {
      c = m;
      d = n;
    } else {
      num = m;
      den = n;
      break;
    }
  }
  if (num < 0) {
    if (std::fabs(static_cast<double>(b) * f - static_cast<double>(a)) >=
        std::fabs(static_cast<double>(d) * f - static_cast<double>(c))) {
      num = c;
      den = d;
    } else {
      num = a;
      den = b;
    }
  }
  double w = std::fabs(whole);
  if (num == den) {
    w += 1;
    num = 0;
  }
  if (num == 0) return (w == 0 ? std::string() : sign) + wholeText(w);
  std::string s = sign;
  if (w > 0) s += wholeText(w) + " ";
  return s + Format("%d/%d", num, den);
}

// ---------------------------------------------------------------------------
// Sheet

TSheet::TSheet(TSheets* owner, int collectionId)
    : PrintSettings(this),
      SheetPictures(owner ? owner->Workbook() : nullptr,
                    owner && owner->Workbook() ? &owner->Workbook()->Pictures : nullptr),
      Charts(owner ? owner->Workbook() : nullptr),
      Validations(owner ? owner->Workbook() : nullptr),
      owner_(owner),
      name_("Sheet " + std::to_string(collectionId + 1)) {}

TSheet::~TSheet() = default;

TXLSWorkbook* TSheet::Workbook() const { return owner_ ? owner_->Workbook() : nullptr; }

int TSheet::Index() const { return owner_ ? owner_->IndexOf(this) : -1; }

void TSheet::SetName(const std::string& v) {
  std::string n = v;
  if (!n.empty() && (n[0] == '\0' || n[0] == '\x01')) n.erase(0, 1);
  if (owner_) {
    for (int i = 0; i < owner_->Count(); ++i) {
      if (owner_->GetItem(i).Name() == n) {
        if (TXLSWorkbook* wb = Workbook())
          wb->ShowMessage("Sheet name \"" + n + "\" allready exists");
        return;
      }
    }
  }
  name_ = n;
}

void TSheet::check(int col, int row) const {
  if (col < 0 || col > MaxCellCol || row < 0 || row > MaxCellRow)
    throw EXLSError(Format("Cell outside the worksheet (column %d, row %d)", col + 1, row + 1));
}

void TSheet::PutCell(std::unique_ptr<TCell> cell) {
  widthsValid_ = false;
  uint32_t key = cell->Key;
  Cells.Put(key, std::move(cell));
}

void TSheet::SetBlank(int col, int row, int format) {
  check(col, row);
  NewCell<TBlankCell>(CellKey(col, row), format);
}

void TSheet::SetBoolean(int col, int row, bool value, int format) {
  check(col, row);
  NewCell<TBooleanCell>(CellKey(col, row), format, value ? 1 : 0);
}

void TSheet::SetError(int col, int row, int kind, int format) {
  check(col, row);
  NewCell<TErrorCell>(CellKey(col, row), format, static_cast<uint8_t>(kind));
}

void TSheet::SetFloat(int col, int row, double value, int format) {
  check(col, row);
  NewCell<TFloatCell>(CellKey(col, row), format, value);
}

void TSheet::SetString(int col, int row, const std::string& text, int format) {
  check(col, row);
  TXLSWorkbook* wb = Workbook();
  uint32_t i = owner_->SST.AddString(text, wb && wb->WriteUnicodeStrings);
  NewCell<TStringCell>(CellKey(col, row), format, i);
}

void TSheet::SetWideString(int col, int row, const std::u16string& text, int format) {
  check(col, row);
  uint32_t i = owner_->SST.AddWideString(text);
  NewCell<TStringCell>(CellKey(col, row), format, i);
}

void TSheet::SetSharedString(int col, int row, uint32_t index, int format) {
  check(col, row);
  owner_->SST.AddRef(index);
  NewCell<TStringCell>(CellKey(col, row), format, index);
}

void TSheet::SetFormula(int col, int row, int format, std::string tokens, const TFormulaResult& r) {
  check(col, row);
  uint32_t key = CellKey(col, row);
  switch (r.Type) {
    case ctNumberFormula: {
      NewCell<TNumberFormulaCell>(key, format, std::move(tokens)).Value = r.Number;
      break;
    }
    case ctStringFormula: {
      NewCell<TStringFormulaCell>(key, format, std::move(tokens)).Value = r.Text;
      break;
    }
    case ctBooleanFormula: {
      NewCell<TBooleanFormulaCell>(key, format, std::move(tokens)).Value = r.Value ? 1 : 0;
      break;
    }
    case ctErrorFormula: {
      NewCell<TErrorFormulaCell>(key, format, std::move(tokens)).Value =
          static_cast<uint8_t>(ErrorCodeToIndex(r.Value));
      break;
    }
    default:
      throw EXLSError("Invalid Formula cell type");
  }
}

void TSheet::SetArrayFormula(int col, int row, int format, std::string tokens,
                             std::string arrayTokens, double result) {
  check(col, row);
  NewCell<TArrayFormulaCell>(CellKey(col, row), format, std::move(tokens), std::move(arrayTokens))
      .Value = result;
}

namespace {

std::string numberText(TXLSWorkbook& wb, TSheets& sheets, double v, int format) {
  const TFormatSettings& fs = wb.Locale.Format;
  if (format < 0 || format >= wb.Formats.Count()) return FloatToStr(v, fs);
  int nf = wb.Formats.Item(format).NumberFormatIndex;
  switch (nf) {
    case 11:
      return FloatToStrF(v, ffExponent, 3, 2, fs);
    case 12:
      return FractionText(v, 9);
    case 13:
      return FractionText(v, 99);
    case 14:
    case 20: {
      if (v < 0 || v > 2958465) return FloatToStr(v, fs);
      double dt = wb.Date1904 ? v + 1462 : (v < 60 ? v + 1 : v);
      if (nf == 20) dt -= std::floor(dt);
      return FormatDateTime(nf == 14 ? fs.ShortDateFormat : fs.ShortTimeFormat, dt, fs);
    }
    default:
      break;
  }
  const std::string& mask = wb.Formats.NumberFormatText(nf);
  if (mask.empty()) return FloatToStr(v, fs);
  TExcelMask& m = sheets.Mask;
  m.Settings = fs;
  m.Date1904 = wb.Date1904;
  if (m.Mask() != mask) {
    try {
      m.SetMask(mask);
    } catch (const EXLSError&) {
      return FloatToStr(v, fs);
    }
  }
  return m.FormatNumber(v);
}

}  // namespace

std::string TSheet::CellText(TCell& c) {
  TXLSWorkbook& wb = *Workbook();
  auto formula = [&](const TFormulaCell& f) {
    return wb.DecodeTokens(f.Tokens, wb.Version(), f.Col(), f.Row());
  };
  switch (c.CellType()) {
    case ctBlank:
      return {};
    case ctFloat:
      return numberText(wb, *owner_, static_cast<TFloatCell&>(c).Value, c.FormatIndex);
    case ctString:
      return owner_->SST.GetString(static_cast<TStringCell&>(c).Index);
    case ctBoolean:
      return static_cast<TBooleanCell&>(c).Value ? wb.StrTRUE : wb.StrFALSE;
    case ctError:
      return ErrorIndexToText(static_cast<TErrorCell&>(c).Value);
    case ctNumberFormula: {
      auto& f = static_cast<TNumberFormulaCell&>(c);
      return wb.ShowFormulas ? formula(f) : numberText(wb, *owner_, f.Value, c.FormatIndex);
    }
    case ctArrayFormula: {
      auto& f = static_cast<TArrayFormulaCell&>(c);
      return wb.ShowFormulas ? "{ARRAY FORMULA}" : numberText(wb, *owner_, f.Value, c.FormatIndex);
    }
    case ctStringFormula: {
      auto& f = static_cast<TStringFormulaCell&>(c);
      return wb.ShowFormulas ? formula(f) : f.Value;
    }
    case ctBooleanFormula: {
      auto& f = static_cast<TBooleanFormulaCell&>(c);
      return wb.ShowFormulas ? formula(f) : (f.Value ? wb.StrTRUE : wb.StrFALSE);
    }
    case ctErrorFormula: {
      auto& f = static_cast<TErrorFormulaCell&>(c);
      return wb.ShowFormulas ? formula(f) : ErrorIndexToText(f.Value);
    }
    default:
      return {};
  }
}

std::string TSheet::GetCellText(int col, int row) {
  if (col < 0 || col > MaxCellCol || row < 0 || row > MaxCellRow) return {};
  TCell* c = Cells.Find(CellKey(col, row));
  return c ? CellText(*c) : std::string();
}

void TSheet::CalcDimensions() {
  Cells.CalcBounds();
  FirstCol = Cells.FirstCol() & 0xFFFF;
  LastCol = Cells.LastCol() & 0xFFFF;
  FirstRow = Cells.FirstRow() & 0xFFFF;
  LastRow = Cells.LastRow() & 0xFFFF;
  if (Cells.Count() == 0) FirstCol = LastCol = FirstRow = LastRow = 0;
}

namespace {
TFont fontOf(TXLSWorkbook& wb, int fontIndex) {
  TFont f;
  if (fontIndex >= 0 && fontIndex < wb.Fonts.Count())
    wb.Fonts.Item(fontIndex).AssignToFont(f, wb.Palette);
  else if (wb.Fonts.Count() > 0)
    wb.Fonts.Item(0).AssignToFont(f, wb.Palette);
  else
    TXFont().AssignToFont(f, wb.Palette);
  return f;
}
int charWidth8(TXLSWorkbook& wb) {
  return std::max(1, FontService().TextExtent(fontOf(wb, 0), "8").cx);
}
}  // namespace

void TSheet::measureColumns() {
  TXLSWorkbook& wb = *Workbook();
  widest_.assign(MaxCellCol + 1, -1);
  int selected = 0;
  TFont font = fontOf(wb, 0);
  TFontService& fonts = FontService();
  Cells.ForEach([&](TCell& c) {
    std::string text = CellText(c);
    if (text.empty()) return;
    int fi = 0;
    if (c.FormatIndex >= 0 && c.FormatIndex < wb.Formats.Count())
      fi = wb.Formats.Item(c.FormatIndex).FontIndex;
    if (fi != selected) {
      font = fontOf(wb, fi);
      selected = fi;
    }
    int w = fonts.TextExtent(font, text).cx;
    int& slot = widest_[static_cast<size_t>(c.Col())];
    if (w > slot) slot = w;
  });
  widthsValid_ = true;
}

int TSheet::ColWidthPixels(int col) {
  if (col < 0 || col > MaxCellCol) return 0;
  TXLSWorkbook& wb = *Workbook();
  if (!widthsValid_) measureColumns();
  int w8 = charWidth8(wb);
  int start = DefaultColWidth * w8;
  int widest = std::max(start, widest_[static_cast<size_t>(col)]);
  if (widest != start) {
    TColumnFormat* cf = ColumnFormats.FindExact(col);
    if (!cf) {
      cf = &ColumnFormats.Add();
      cf->SetCol1(col);
      cf->SetCol2(col);
    }
    double units = static_cast<double>(widest + 4) / w8 * 256.0;
    cf->SetWidth(static_cast<int>(std::min(65535.0, std::nearbyint(units))));
    if (wb.OnColumnWidth) wb.OnColumnWidth(*this, col, widest + 4, -1);
  }
  return widest;
}

int TSheet::RowHeightPixels(int row) {
  TXLSWorkbook& wb = *Workbook();
  for (const auto& r : Rows) {
    if (r.Row == row && (r.Height & 0x7FFF) > 0 && (r.Height & 0x7FFF) != 255)
      return std::max(1, static_cast<int>(std::lround((r.Height & 0x7FFF) / 20.0 * 96 / 72)));
  }
  if (DefaultRowHeight > 0)
    return std::max(1, static_cast<int>(std::lround(DefaultRowHeight / 20.0 * 96 / 72)));
  TFont f = fontOf(wb, 0);
  return std::max(1, FontService().GetTextMetrics(f).tmHeight + 4);
}

void TSheet::ComputePictureAnchor(TSheetPicture& p) {
  TXLSWorkbook& wb = *Workbook();
  int w8 = charWidth8(wb);
  int zoom = p.Zoom();
  int pw = 0, ph = 0;
  if (TXLSPicture* pic = p.Picture()) {
    pw = pic->Width * zoom / 100;
    ph = pic->Height * zoom / 100;
  }
  int row = p.Row(), rest = ph;
  while (row < MaxCellRow && rest >= RowHeightPixels(row)) rest -= RowHeightPixels(row++);
  int rowOff = rest * 256 / RowHeightPixels(row);
  auto colWidth = [&](int c) {
    int i = ColumnFormats.FindCol(c);
    int w = i >= 0 ? ColumnFormats.Item(i).Width() * w8 / 256 : DefaultColWidth * w8;
    return std::max(1, w);
  };
  int col = p.Col(), crest = pw;
  while (col < MaxCellCol && crest >= colWidth(col)) crest -= colWidth(col++);
  int colOff = crest * 1024 / colWidth(col);
  TAnchorObject& a = p.Anchor;
  a.RowOffset1 = a.ColOffset1 = 0;
  a.Row2 = row;
  a.Col2 = col;
  a.RowOffset2 = std::min(rowOff, 255);
  a.ColOffset2 = std::min(colOff, 1023);
  p.AnchorComputed = true;
}

void TSheet::Clear() {
  FirstCol = FirstRow = 65535;
  LastCol = LastRow = 0;
  Validations.Clear();
  Hyperlinks.clear();
  MergedCells.Clear();
  SheetPictures.Clear();
  Notes.Clear();
  ColumnFormats.Clear();
  Charts.Clear();
  InFileCharts.Clear();
  Rows.clear();
  PrintSettings.Reset();
  Cells.Clear();
  widthsValid_ = false;
}

// ---------------------------------------------------------------------------
// Sheets

TSheets::TSheets(TXLSWorkbook* workbook) : workbook_(workbook) {}
TSheets::~TSheets() = default;

TSheet& TSheets::Add() {
  items_.push_back(std::make_unique<TSheet>(this, nextId_++));
  return *items_.back();
}

void TSheets::Delete(int i) {
  if (i < 0 || i >= Count()) throw EXLSError(Format("List index out of bounds (%d)", i));
  items_.erase(items_.begin() + i);
  if (items_.empty()) Add();
}

void TSheets::Clear() {
  SST.Clear();
  for (auto& s : items_) s->Clear();
  items_.clear();
  Add();
}

int TSheets::IndexOf(const TSheet* s) const {
  for (size_t i = 0; i < items_.size(); ++i)
    if (items_[i].get() == s) return static_cast<int>(i);
  return -1;
}

}  // namespace qv
