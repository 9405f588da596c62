#include "workbook/XLSWorkbook.h"

#include "platform/core/Codepage.h"
#include "platform/core/Services.h"
#include "workbook/DecodeFormula.h"
#include "workbook/XLSReader.h"
#include "workbook/XLSWriter.h"

namespace qv {

LocaleSettings LocaleSettings::EnUS() {
  LocaleSettings l;
  l.Format = TFormatSettings::Invariant();
  l.Format.ShortDateFormat = "M/d/yyyy";
  l.Format.ShortTimeFormat = "h:nn AM/PM";
  l.Format.LongTimeFormat = "h:nn:ss AM/PM";
  l.CountryCode = 1;
  return l;
}

LocaleSettings LocaleSettings::FromSystem() {
  LocaleSettings l;
  l.Format = FormatSettings();
  l.CountryCode = 1;
  return l;
}

void TOptionsDialog::SetUserName(const std::string& v) {
  if (Utf8Length(v) <= 255) {
    userName_ = v;
    return;
  }
  size_t pos = 0;
  for (int i = 0; i < 255; ++i) Utf8Next(v, pos);
  userName_ = v.substr(0, pos);
}

TXLSWorkbook::TXLSWorkbook(const LocaleSettings& locale)
    : Locale(locale),
      Pictures(this),
      AreaNames(this, &NameDefs),
      Palette(DefaultXLSPalette()),
      Sheets(this) {
  Encoder.ListSeparator = Locale.Format.ListSeparator;
  Encoder.DecimalSeparator = Locale.Format.DecimalSeparator;
  Encoder.NameIndex = [this](const std::string& n) { return NameIndexOf(n); };
  Encoder.SheetIndex = [this](const std::string& n) { return SheetIndexOf(n); };
  Encoder.ExternName = [this](const std::string& n, int& es, int& ni) {
    return RegisterExternName(n, es, ni);
  };
  Sheets.Add();
  SetVersion(xvExcel97);
}

TXLSWorkbook::~TXLSWorkbook() {
  Sheets.Clear();
  if (PictureOptions.Contains(poDeleteTempFiles))
    for (int i = 0; i < Pictures.Count(); ++i) Pictures.Item(i).DeleteTempFile();
}

void TXLSWorkbook::SetVersion(TExcelVersion v) {
  version_ = v;
  Sheets.SST.MaxRecordSize = MaxRecordBody(v);
  Encoder.Version = v;
}

void TXLSWorkbook::SetFuncArgSeparator(char c) {
  Encoder.ListSeparator = c == '\0' ? Locale.Format.ListSeparator : c;
}

TXFont* TXLSWorkbook::Font() {
  if (Fonts.Count() == 0) {
    ShowMessage("No Fonts");
    return nullptr;
  }
  return &Fonts.Item(0);
}

void TXLSWorkbook::SetFont(const TXFont& f) {
  if (Fonts.Count() == 0) {
    ShowMessage("No Fonts");
    return;
  }
  Fonts.Item(0).Assign(f);
}

void TXLSWorkbook::ShowMessage(const std::string& text) {
  if (OnMessage)
    OnMessage(text);
  else
    Dialogs().MessageBox(text, "", mtWarning, mbOK);
}

void TXLSWorkbook::Clear() {
  // Sheets first: their pictures refer to the workbook's pictures.
  Sheets.Clear();
  for (int i = 0; i < Pictures.Count(); ++i) {
    TXLSPicture& p = Pictures.Item(i);
    if (PictureOptions.Contains(poDeleteTempFiles)) p.DeleteTempFile();
  }
  Pictures.Clear();
  AreaNames.Clear();
  NotRead = true;
  Palette = DefaultXLSPalette();
  NameDefs.Clear();
  ExtraObjects.Clear();
  Formats.Clear();
  Fonts.Clear();
  Styles.Clear();
  InFileCharts.Clear();
  Date1904 = false;
  IsMac = false;
  FormulaVersion = version_;
  Country = {0, 0};
}

void TXLSWorkbook::Read() { ReadFromBytes(readFileBytes(Filename)); }

void TXLSWorkbook::ReadFromBytes(std::string fileBytes) {
  Clear();
  // The file's fonts fill an empty list.
  Fonts.MakeEmpty();
  TXLSReader reader(*this);
  try {
    reader.ReadBytes(std::move(fileBytes));
  } catch (...) {
    if (Fonts.Count() == 0) Fonts.Clear();
    throw;
  }
  if (Fonts.Count() == 0) Fonts.Clear();
  if (OnAfterRead) OnAfterRead(*this);
}

void TXLSWorkbook::Write() {
  if (version_ == xvExcel21 || version_ == xvExcel30)
    throw EXLSError("Can not write Excel 2.1/3.0 files");
  TXLSWriter w(*this);
  w.Write();
}

std::string TXLSWorkbook::WriteToBytes() {
  if (version_ == xvExcel21 || version_ == xvExcel30)
    throw EXLSError("Can not write Excel 2.1/3.0 files");
  TMemoryStream ms;
  TXLSWriter w(*this);
  w.Write(&ms);
  return std::string(ms.View());
}

int TXLSWorkbook::NoteCount() const {
  int n = 0;
  for (int i = 0; i < Sheets.Count(); ++i) n += Sheets.GetItem(i).Notes.Count();
  return n;
}

int TXLSWorkbook::SheetPictureCount() const {
  int n = 0;
  for (int i = 0; i < Sheets.Count(); ++i) n += Sheets.GetItem(i).SheetPictures.Count();
  return n;
}

int TXLSWorkbook::ChartCount() const {
  int n = 0;
  for (int i = 0; i < Sheets.Count(); ++i)
    n += Sheets.GetItem(i).Charts.Count() + Sheets.GetItem(i).InFileCharts.Count();
  return n;
}

// ---------------------------------------------------------------------------
// Formula services

std::string TXLSWorkbook::DecodeTokens(std::string_view tokens) {
  return DecodeTokens(tokens, xvExcel97, 0, 0);
}

std::string TXLSWorkbook::DecodeTokens(std::string_view tokens, TExcelVersion v, int baseCol,
                                       int baseRow, std::string_view extra) {
  TDecodeOptions o;
  o.ListSeparator = Encoder.ListSeparator;
  o.DecimalSeparator = Locale.Format.DecimalSeparator;
  o.BaseCol = baseCol;
  o.BaseRow = baseRow;
  o.Codepage = Codepage();
  return DecodeFormulaTokens(
      v, tokens,
      [this](int kind, int index, int nameIndex) { return NameText(kind, index, nameIndex); }, o,
      extra);
}

std::string TXLSWorkbook::EncodeText(const std::string& text, size_t capacity) {
  std::string t = text;
  if (!t.empty() && t[0] == '=') t.erase(0, 1);
  return Encoder.Encode(t, capacity);
}

namespace {
std::string quotedSheet(const std::string& name) {
  for (char c : name) {
    bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                 c == '_' || c == '.';
    if (!plain) return "'" + name + "'";
  }
  return name;
}
}  // namespace

std::string TXLSWorkbook::NameText(int kind, int index, int nameIndex) {
  if (kind == 3) {
    if (index >= 0 && index < Sheets.Count()) return quotedSheet(Sheets.GetItem(index).Name());
    return "#REF";
  }
  if (kind == 2 && nameIndex < 1 && index >= 0 &&
      index < static_cast<int>(NameDefs.ExternSheets.size())) {
    const TExternSheet& es = NameDefs.ExternSheets[static_cast<size_t>(index)];
    if (es.SupBook >= 0 && es.SupBook < static_cast<int>(NameDefs.SupBooks.size()) &&
        NameDefs.SupBooks[static_cast<size_t>(es.SupBook)].IsInternal()) {
      if (es.FirstSheet >= 0 && es.FirstSheet < Sheets.Count()) {
        std::string s = quotedSheet(Sheets.GetItem(es.FirstSheet).Name());
        if (es.LastSheet != es.FirstSheet && es.LastSheet >= 0 && es.LastSheet < Sheets.Count())
          s += ":" + quotedSheet(Sheets.GetItem(es.LastSheet).Name());
        return s + "!";
      }
      return "#REF!";
    }
  }
  if (kind == 0 && index > static_cast<int>(NameDefs.Names.size())) {
    int a = index - static_cast<int>(NameDefs.Names.size()) - 1;
    if (a >= 0 && a < AreaNames.Count()) return AreaNames.Item(a).AreaName();
  }
  return NameDefs.GetNameText(kind, index, nameIndex);
}

int TXLSWorkbook::SheetIndexOf(const std::string& name) {
  if (name.size() > 2 && name.front() == '\'' && name.back() == '\'') {
    std::string inner = name.substr(1, name.size() - 2);
    size_t lb = inner.find('['), rb = inner.find(']');
    if (lb == std::string::npos || rb == std::string::npos || rb < lb) return -1;
    std::string path = inner.substr(0, lb) + inner.substr(lb + 1, rb - lb - 1);
    std::string sheet = inner.substr(rb + 1);
    TSupBook b;
    b.FileName = path;
    b.SheetNames.push_back(sheet);
    b.SheetCount = 1;
    NameDefs.SupBooks.push_back(b);
    return NameDefs.AddExternSheet(static_cast<int>(NameDefs.SupBooks.size()) - 1, 0, 0);
  }
  std::string up = AnsiUpperCase(name);
  for (int i = 0; i < Sheets.Count(); ++i) {
    if (AnsiUpperCase(Sheets.GetItem(i).Name()) == up) {
      int sb = NameDefs.InternalSupBookIndex(Sheets.Count());
      return NameDefs.FindOrAddExternSheet(sb, i, i);
    }
  }
  return -1;
}

int TXLSWorkbook::NameIndexOf(const std::string& name) {
  for (size_t i = 0; i < NameDefs.Names.size(); ++i)
    if (AnsiSameText(NameDefs.Names[i].Name, name)) return static_cast<int>(i) + 1;
  int a = AreaNames.Find(name);
  if (a >= 0) return static_cast<int>(NameDefs.Names.size()) + a + 1;
  return 0;
}

bool TXLSWorkbook::RegisterExternName(const std::string& name, int& externSheet, int& nameIndex) {
  NameDefs.InternalSupBookIndex(Sheets.Count());
  int sb = -1;
  for (size_t i = 0; i < NameDefs.SupBooks.size(); ++i)
    if (NameDefs.SupBooks[i].FileName == TNameDefs::AddInSupBook) sb = static_cast<int>(i);
  if (sb < 0) {
    NameDefs.SupBooks.push_back({TNameDefs::AddInSupBook, 1, {}, {}});
    sb = static_cast<int>(NameDefs.SupBooks.size()) - 1;
  }
  auto& names = NameDefs.SupBooks[static_cast<size_t>(sb)].Names;
  int found = -1;
  for (size_t i = 0; i < names.size(); ++i)
    if (AnsiSameText(names[i].Name, name)) found = static_cast<int>(i);
  if (found < 0) {
    names.push_back({0, name, std::string("\x1C\x17", 2)});
    found = static_cast<int>(names.size()) - 1;
  }
  externSheet = NameDefs.FindOrAddExternSheet(sb, 0xFFFE, 0xFFFE);
  nameIndex = found + 1;
  return true;
}

}  // namespace qv
