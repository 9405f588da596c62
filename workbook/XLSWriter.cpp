#include "workbook/XLSWriter.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>

#include "platform/core/Codepage.h"
#include "workbook/DecodeFormula.h"
#include "workbook/MSODrawing.h"
#include "workbook/XLSRecordBuilder.h"
#include "workbook/XLSRecords.h"
#include "workbook/XLSStrings.h"
#include "workbook/XLSWorkbook.h"

namespace qv {

namespace {

// The default XF records of a new workbook, as the versions write them.
const char* const kXF97[] = {
    "00000000F5FF200000000000000000000000C020", "01000000F5FF200000F40000000000000000C020",
    "02000000F5FF200000F40000000000000000C020", "00000000F5FF200000F40000000000000000C020",
    "000000000100200000000000000000000000C020", "00002A00F5FF200000000000000000000000C020",
    "00002B00F5FF200000000000000000000000C020", "00002C00F5FF200000000000000000000000C020",
    "00002D00F5FF200000000000000000000000C020", "00000900F5FF200000000000000000000000C020"};
const char* const kXF5[] = {"00000000F5FF2000C020000000000000", "01000000F5FF20F4C020000000000000",
                            "02000000F5FF20F4C020000000000000", "00000000F5FF20F4C020000000000000",
                            "0000000001002000C020000000000000", "00002A00F5FF20F8C020000000000000",
                            "00002B00F5FF20F8C020000000000000", "00002C00F5FF20F8C020000000000000",
                            "00002D00F5FF20F8C020000000000000", "00000900F5FF20F8C020000000000000"};
const char* const kXF4[] = {"0000F5FF200000CE00000000", "0100F5FF20F400CE00000000",
                            "0200F5FF20F400CE00000000", "0000F5FF20F400CE00000000",
                            "00000100200000CE00000000", "0008F5FF20F800CE00000000",
                            "0006F5FF20F800CE00000000", "000CF5FF20F800CE00000000",
                            "000AF5FF20F800CE00000000", "000DF5FF20F800CE00000000"};

std::string hexBytes(const char* hex) {
  std::string out;
  int hi = -1;
  for (const char* p = hex; *p; ++p) {
    int v;
    char c = *p;
    if (c >= '0' && c <= '9')
      v = c - '0';
    else if (c >= 'A' && c <= 'F')
      v = c - 'A' + 10;
    else
      continue;
    if (hi < 0) {
      hi = v;
    } else {
      out += static_cast<char>(hi * 16 + v);
      hi = -1;
    }
  }
  return out;
}

// The XF table rows by default XF index: 0; 1, 2; 3, 4; 5-14; 15; 16-20.
int defaultRow(int xf) {
  if (xf == 0) return 0;
  if (xf <= 2) return 1;
  if (xf <= 4) return 2;
  if (xf <= 14) return 3;
  if (xf == 15) return 4;
  return 5 + (xf - 16);
}

// Token forms that differ: Excel 97, Excel 5, Excel 2.1-4.0.
int tokenFamily(TExcelVersion v) { return v >= xvExcel97 ? 2 : v == xvExcel50 ? 1 : 0; }

}  // namespace

class TXLSWriter::TImpl {
 public:
  TImpl(TXLSWorkbook& wb, TExcelVersion v) : wb_(wb), v_(v) {}

  void Write(const std::string& fileName, TStream* target);

 private:
  bool b8() const { return v_ >= xvExcel97; }
  void rec(uint16_t id, const TRecordBuilder& b = {}) { s_.WriteRecord(id, b.Str()); }
  void word(uint16_t id, unsigned v) { s_.WriteWordRecord(id, static_cast<uint16_t>(v)); }
  void boolean(uint16_t id, bool v) { word(id, v ? 1 : 0); }
  void bof(uint16_t type);
  // An 8-bit text for Excel 4.0 and 5 in the file's code page, cut to
  // max bytes; characters the page lacks are counted.
  std::string text8(const std::string& utf8, size_t max) {
    std::string b = EncodeCodepage(codepage_, utf8, &replaced_);
    if (b.size() > max) b.resize(max);
    return b;
  }
  // A cell text or string result of Excel 4.0 and 5, which hold at most
  // 255 characters; longer ones are cut there and counted.
  std::string cellText8(const std::string& utf8) {
    std::string b = text8(utf8, 0xFFFF);
    if (b.size() > 255) {
      b.resize(255);
      ++cutTexts_;
    }
    return b;
  }
  // A counted string as the version writes it.
  void counted(TRecordBuilder& b, const std::string& t, bool count16) {
    if (b8()) {
      AppendBIFF8String(b.Str(), t, count16, wb_.WriteUnicodeStrings);
    } else {
      std::string x = text8(t, count16 ? 0xFFFF : 0xFF);
      if (count16)
        b.U16(static_cast<unsigned>(x.size()));
      else
        b.U8(static_cast<unsigned>(x.size()));
      b.Bytes(x);
    }
  }
  int cellXF(int format) const;
  int columnXF(int format) const;
  // The sheets the version writes (Excel 4.0: the first only).
  int sheetsWritten() const {
    return v_ <= xvExcel40 ? std::min(1, wb_.Sheets.Count()) : wb_.Sheets.Count();
  }
  void checkRows();
  void chooseCodepage();
  std::string formulaText(const TFormulaCell& c);
  unsigned fontCharset(unsigned charset) const;

  void globals();
  void fonts();
  void formats();
  void xfs();
  void styles();
  void names();
  void window1(int chartSheets);
  void calcSettings(const TSheet& sh);
  void gridSettings(const TSheet& sh);
  void wsbool(const TSheet& sh);
  void pageSetup(const TPrintSettings& ps);
  void dimensions(const TSheet& sh);
  void window2(const TSheet& sh, bool first);
  void selection();
  void sheetStart(TSheet& sh, int index);
  void cells(TSheet& sh);
  void formulaCell(TFormulaCell& c);
  void stringRecord(const std::string& text);
  void sheetEnd(TSheet& sh, int index);
  void drawings(TSheet& sh);
  void validations(TSheet& sh);
  void mergedCells(TSheet& sh);
  void hyperlinks(TSheet& sh);
  void excel4();

  TXLSWorkbook& wb_;
  TExcelVersion v_;
  TXLSStream s_;
  bool readRoad_ = false;              // the XF records read stand in the collection
  std::vector<int64_t> sheetOffsets_;  // BOUNDSHEET offset fields of the sheets
  std::vector<int64_t> chartOffsets_;
  int nextDrawing_ = 0;
  std::vector<uint32_t> shapeBases_;
  std::vector<int> objectsPerSheet_;
  // The code page of 8-bit texts (Excel 4.0 and 5) and the characters it
  // could not hold.
  int codepage_ = 1252;
  size_t replaced_ = 0;
  int cutTexts_ = 0;  // cell texts cut to 255 characters
  // Formula texts decoded while choosing the code page, for encoding the
  // formulas anew in this version's form.
  std::unordered_map<const TFormulaCell*, std::string> formulaTexts_;
};

void TXLSWriter::TImpl::bof(uint16_t type) {
  if (v_ <= xvExcel40) {
    s_.WriteRecord(biff::BOF4, TRecordBuilder().U16(0).U16(type).U16(6319).Str());
  } else if (v_ == xvExcel50) {
    s_.WriteRecord(biff::BOF8, TRecordBuilder().U16(0x0500).U16(type).U16(3515).U16(1998).Str());
  } else {
    s_.WriteRecord(biff::BOF8, TRecordBuilder()
                                   .U16(0x0600)
                                   .U16(type)
                                   .U16(6319)
                                   .U16(1997)
                                   .U32(wb_.IsMac ? 0x10 : 0)
                                   .U32(262)
                                   .Str());
  }
}

int TXLSWriter::TImpl::cellXF(int format) const {
  if (format < 0 || format >= wb_.Formats.Count()) return 15;
  return readRoad_ ? format : format + 21;
}

int TXLSWriter::TImpl::columnXF(int format) const {
  if (format < 0) return 15;
  if (readRoad_) return format < wb_.Formats.Count() ? format : 15;
  return format < wb_.Formats.Count() ? format + 21 : 15;
}

// Rows the version can hold: a write never makes a file that its version
// cannot hold, so a sheet with rows past the limit (cells or row records)
// is refused before anything is written, naming the sheet and the limit.
void TXLSWriter::TImpl::checkRows() {
  const int limit = MaxRows(v_);
  for (int i = 0; i < sheetsWritten(); ++i) {
    TSheet& sh = wb_.Sheets.GetItem(i);
    sh.CalcDimensions();
    int last = sh.Cells.Count() > 0 ? sh.LastRow : -1;
    for (const TRowRecord& r : sh.Rows) last = std::max(last, r.Row);
    if (last >= limit) throw EXLSError(TooManyRowsMessage(sh.Name(), last + 1, v_));
  }
}

// Text of a formula whose tokens are written anew for this version.
std::string TXLSWriter::TImpl::formulaText(const TFormulaCell& c) {
  auto it = formulaTexts_.find(&c);
  if (it != formulaTexts_.end()) return it->second;
  return wb_.DecodeTokens(c.Tokens, wb_.FormulaVersion, c.Col(), c.Row(), c.Extra);
}

// Excel 4.0 and 5 store 8-bit text in the code page that their CODEPAGE
// record names: the one that holds every character of the texts written
// (1252 when it does), else 1252 and the characters it lacks become "?"
// (counted, and reported once the file is written).
void TXLSWriter::TImpl::chooseCodepage() {
  codepage_ = 1252;
  replaced_ = 0;
  cutTexts_ = 0;
  formulaTexts_.clear();
  if (b8()) return;
  TCodepageChooser chooser;
  chooser.Add(wb_.UserName);
  for (int i = 0; i < wb_.Fonts.Count(); ++i) chooser.Add(wb_.Fonts.Item(i).Name);
  for (int i = 0; i < wb_.Formats.NumberFormatCount(); ++i)
    chooser.Add(wb_.Formats.NumberFormatText(i));
  const bool reencode = tokenFamily(wb_.FormulaVersion) != tokenFamily(v_);
  for (int i = 0; i < sheetsWritten(); ++i) {
    TSheet& sh = wb_.Sheets.GetItem(i);
    if (v_ > xvExcel40) chooser.Add(sh.Name());
    chooser.Add(sh.PrintSettings.Header());
    chooser.Add(sh.PrintSettings.Footer());
    sh.Cells.ForEach([&](TCell& c) {
      const int type = c.CellType();
      if (type == ctString) {
        chooser.Add(wb_.Sheets.SST.GetString(static_cast<TStringCell&>(c).Index));
      } else if (type >= ctNumberFormula) {
        if (type == ctStringFormula) chooser.Add(static_cast<TStringFormulaCell&>(c).Value);
        if (reencode && type != ctArrayFormula) {
          auto& f = static_cast<TFormulaCell&>(c);
          std::string text = formulaText(f);
          chooser.Add(text);
          formulaTexts_.emplace(&f, std::move(text));
        }
      }
    });
  }
  codepage_ = chooser.Choose().Codepage;
}

void TXLSWriter::TImpl::Write(const std::string& fileName, TStream* target) {
  readRoad_ = !wb_.NotRead && wb_.Formats.Count() >= 16;
  checkRows();
  chooseCodepage();
  s_.TargetStream = target;
  s_.ExtraObjects = wb_.PreserveMacros ? &wb_.ExtraObjects : nullptr;
  s_.OpenWrite(fileName, v_);
  size_t estimate = 65536;
  for (int i = 0; i < wb_.Sheets.Count(); ++i)
    estimate += static_cast<size_t>(wb_.Sheets.GetItem(i).Cells.Count()) * 20;
  s_.Reserve(estimate + wb_.Sheets.SST.PoolSize() +
             static_cast<size_t>(wb_.Sheets.SST.Count()) * 4);
  wb_.Sheets.SST.MaxRecordSize = MaxRecordBody(v_);
  try {
    if (v_ <= xvExcel40) {
      excel4();
    } else {
      globals();
      // Chart sheets kept from reading (Excel 97 only).
      if (b8()) {
        for (int i = 0; i < wb_.InFileCharts.Count(); ++i) {
          s_.PatchLong(chartOffsets_[static_cast<size_t>(i)], static_cast<uint32_t>(s_.Position()));
          bof(biff::stChart);
          wb_.InFileCharts.Item(i).WriteAll(s_);
          rec(biff::EOF_);
        }
      }
      for (int i = 0; i < wb_.Sheets.Count(); ++i) {
        TSheet& sh = wb_.Sheets.GetItem(i);
        sh.CalcDimensions();
        s_.PatchLong(sheetOffsets_[static_cast<size_t>(i)], static_cast<uint32_t>(s_.Position()));
        sheetStart(sh, i);
        cells(sh);
        sheetEnd(sh, i);
      }
    }
  } catch (...) {
    wb_.Sheets.SST.MaxRecordSize = wb_.MaxRecordSize();
    s_.Abandon();
    throw;
  }
  wb_.Sheets.SST.MaxRecordSize = wb_.MaxRecordSize();
  s_.Close();
  if (cutTexts_ > 0)
    wb_.ShowMessage(Format("%d text(s) longer than 255 characters were cut to 255 in the %s file",
                           cutTexts_, VersionName(v_)));
  if (replaced_ > 0)
    wb_.ShowMessage(Format(
        "%d character(s) fit no single Windows code page and were written as \"?\" (code page "
        "1252)",
        static_cast<int>(replaced_)));
}

// ---------------------------------------------------------------------------
// Workbook globals

void TXLSWriter::TImpl::globals() {
  const int sheets = wb_.Sheets.Count();
  const int chartSheets = b8() ? wb_.InFileCharts.Count() : 0;
  const bool extra = wb_.PreserveMacros && wb_.ExtraObjects.Count() > 0;
  bof(biff::stGlobals);

  // WRITEACCESS: 112 bytes filled with blanks.
  {
    std::string body(112, ' ');
    TRecordBuilder u;
    if (b8()) {
      bool wide = !FitsLatin1(wb_.UserName);
      size_t n = 0;
      std::string chars;
      n = AppendBIFF8Chars(chars, wb_.UserName, wide, wide ? 54 : 109);
      u.U16(static_cast<unsigned>(n)).Bytes(chars);
    } else {
      std::string t = text8(wb_.UserName, 111);
      u.U8(static_cast<unsigned>(t.size())).Bytes(t);
    }
    std::memcpy(body.data(), u.Str().data(), std::min<size_t>(u.Size(), body.size()));
    s_.WriteRecord(biff::WRITEACCESS, body);
  }
  // Excel 97 strings are Unicode; older files carry 8-bit text in the
  // code page chosen for their texts.
  word(biff::CODEPAGE, b8() ? 1200 : static_cast<unsigned>(codepage_));
  if (b8()) {
    word(biff::DSF, 0);
    TRecordBuilder tab;
    for (int i = 1; i <= sheets + chartSheets; ++i) tab.U16(static_cast<unsigned>(i));
    rec(biff::TABID, tab);
    if (extra) {
      rec(biff::OBJPROJ);
      TRecordBuilder cn;
      cn.U16(12).U8(0).Bytes("ThisWorkbook");
      rec(biff::CODENAME, cn);
      word(biff::FNGROUPCOUNT, 14);
    }
  }
  boolean(biff::WINDOWPROTECT, wb_.BookProtected);
  bool anyProtected = false;
  for (int i = 0; i < sheets; ++i)
    anyProtected |= wb_.Sheets.GetItem(i).Options.Contains(soProtected);
  if (anyProtected) word(biff::PROTECT, 1);
  word(biff::PASSWORD, 0);
  if (b8()) {
    boolean(biff::PROT4REV, wb_.Prot4Rev);
    word(biff::PROT4REVPASS, 0);
  }
  window1(chartSheets);
  boolean(biff::BACKUP, wb_.Backup);
  word(biff::HIDEOBJ, wb_.OptionsDialog.ShowObjects);
  boolean(biff::DATEMODE, wb_.Date1904);
  word(biff::PRECISION, wb_.OptionsDialog.PrecisionAsDisplayed ? 0 : 1);
  boolean(biff::REFRESHALL, wb_.RefreshAll);
  boolean(biff::BOOKBOOL, wb_.OptionsDialog.SaveExtLinkVal);
  fonts();
  formats();
  xfs();
  styles();
  if (v_ == xvExcel50) {
    TRecordBuilder p;
    p.U16(56);
    for (int i = 8; i < 64; ++i) p.U32(wb_.Palette[static_cast<size_t>(i)] & 0xFFFFFF);
    rec(biff::PALETTE, p);
  }
  if (b8()) word(biff::USESELFS, 0);

  // BOUNDSHEET: offsets are patched when each substream starts.
  auto boundSheet = [&](const std::string& name, unsigned options) {
    TRecordBuilder b;
    b.U32(0).U16(options);
    if (b8()) {
      std::string chars;
      size_t n = AppendBIFF8Chars(chars, name, wb_.WriteUnicodeStrings, 255);
      b.U8(static_cast<unsigned>(n)).Bytes(chars);
    } else {
      std::string t = text8(name, 255);
      b.U8(static_cast<unsigned>(t.size())).Bytes(t);
    }
    int64_t at = s_.Position() + 4;
    rec(biff::BOUNDSHEET, b);
    return at;
  };
  chartOffsets_.clear();
  sheetOffsets_.clear();
  for (int i = 0; i < chartSheets; ++i)
    chartOffsets_.push_back(boundSheet(wb_.InFileCharts.Item(i).Name, 0x0200));
  for (int i = 0; i < sheets; ++i)
    sheetOffsets_.push_back(boundSheet(wb_.Sheets.GetItem(i).Name(), 0));

  if (b8()) {
    if (wb_.NotRead)
      rec(biff::COUNTRY,
          TRecordBuilder().U16(1).U16(static_cast<unsigned>(wb_.Locale.CountryCode)));
    else
      rec(biff::COUNTRY, TRecordBuilder()
                             .U16(static_cast<unsigned>(wb_.Country[0]))
                             .U16(static_cast<unsigned>(wb_.Country[1])));
    names();
    // The drawing group, when any sheet has notes, pictures or charts.
    objectsPerSheet_.assign(static_cast<size_t>(sheets), 0);
    std::vector<int> perDrawing;
    for (int i = 0; i < sheets; ++i) {
      TSheet& sh = wb_.Sheets.GetItem(i);
      int n = sh.Notes.Count() + sh.SheetPictures.Count() + sh.Charts.Count();
      for (int k = 0; k < sh.InFileCharts.Count(); ++k)
        if (!sh.InFileCharts.Item(k).Records.empty()) ++n;
      objectsPerSheet_[static_cast<size_t>(i)] = n;
      if (n > 0) perDrawing.push_back(n);
    }
    shapeBases_ = TMSOWriteDrawing::ShapeIdBases(perDrawing);
    nextDrawing_ = 0;
    if (!perDrawing.empty()) {
      std::string group = TMSOWriteDrawing::WriteGroup(perDrawing, wb_.Pictures);
      s_.BeginContinueRecord(8224);
      s_.WriteHeader(biff::MSODRAWINGGROUP, 0);
      s_.WriteData(group);
      s_.EndContinueRecord();
    }
    wb_.Sheets.SST.Write(s_);
  }
  rec(biff::EOF_);
}

// The character set of an Excel 5 font: readers take a font's character
// set for the code page of the texts in its cells, so an ANSI font says the
// set of the file's code page when that is not 1252.
unsigned TXLSWriter::TImpl::fontCharset(unsigned charset) const {
  if (b8() || charset != 0) return charset;
  switch (codepage_) {
    case 1250:
      return 238;
    case 1251:
      return 204;
    case 1253:
      return 161;
    case 1254:
      return 162;
    case 1255:
      return 177;
    case 1256:
      return 178;
    case 1257:
      return 186;
    case 1258:
      return 163;
    case 874:
      return 222;
    default:
      return 0;
  }
}

void TXLSWriter::TImpl::fonts() {
  for (int i = 0; i < wb_.Fonts.Count(); ++i) {
    if (i == 4) continue;  // BIFF has no font number 4
    const TXFont& f = wb_.Fonts.Item(i);
    TRecordBuilder b;
    b.U16(static_cast<unsigned>(std::clamp(f.Size, 1, 409) * 20));
    if (v_ <= xvExcel40) {
      unsigned o = 0;
      if (f.Style.Contains(xfsBold)) o |= 1;
      if (f.Style.Contains(xfsItalic)) o |= 2;
      if (f.Underline != xulNone) o |= 4;
      if (f.Style.Contains(xfsStrikeOut)) o |= 8;
      b.U16(o).U16(f.Color);
      counted(b, f.Name, false);
      rec(biff::FONT3, b);
      continue;
    }
    unsigned o = 0;
    if (f.Style.Contains(xfsItalic)) o |= 2;
    if (f.Style.Contains(xfsStrikeOut)) o |= 8;
    static const unsigned kUnderline[] = {0, 1, 2, 0x21, 0x22};
    b.U16(o)
        .U16(f.Color)
        .U16(f.Style.Contains(xfsBold) ? 700 : 400)
        .U16(f.SubSuperScript)
        .U8(kUnderline[f.Underline])
        .U8(0)
        .U8(fontCharset(f.Charset))
        .U8(0);
    counted(b, f.Name, false);
    rec(biff::FONT, b);
  }
}

void TXLSWriter::TImpl::formats() {
  const TCellFormats& cf = wb_.Formats;
  for (int i = 0; i < cf.NumberFormatCount(); ++i) {
    const std::string& t = cf.NumberFormatText(i);
    TRecordBuilder b;
    if (v_ <= xvExcel40) {
      // Excel 4.0 numbers its formats by position: the whole list goes.
      std::string x = text8(t.empty() ? "General" : t, 255);
      b.U16(0).U8(static_cast<unsigned>(x.size())).Bytes(x);
      rec(biff::FORMAT, b);
      continue;
    }
    if (t.empty() || (i < 50 && t == TCellFormats::BuiltinNumberFormat(i))) continue;
    b.U16(static_cast<unsigned>(i));
    if (b8()) {
      AppendBIFF8String(b.Str(), t, true, false);
    } else {
      std::string x = text8(t, 255);
      b.U8(static_cast<unsigned>(x.size())).Bytes(x);
    }
    rec(biff::FORMAT, b);
  }
}

void TXLSWriter::TImpl::xfs() {
  const uint16_t id = v_ <= xvExcel40 ? biff::XF4 : biff::XF;
  if (!readRoad_) {
    const char* const* table = b8() ? kXF97 : v_ == xvExcel50 ? kXF5 : kXF4;
    for (int i = 0; i < 21; ++i) s_.WriteRecord(id, hexBytes(table[defaultRow(i)]));
  }
  for (int i = 0; i < wb_.Formats.Count(); ++i) {
    const TCellFormat& f = wb_.Formats.Item(i);
    uint8_t b[20] = {};
    if (b8()) {
      f.ToXF8(b);
      s_.WriteRecord(id, b, 20);
    } else if (v_ == xvExcel50) {
      f.ToXF5(b);
      s_.WriteRecord(id, b, 16);
    } else {
      f.ToXF4(b);
      s_.WriteRecord(id, b, 12);
    }
  }
}

void TXLSWriter::TImpl::styles() {
  if (readRoad_) {
    for (int i = 0; i < wb_.Styles.Count(); ++i) s_.WriteRecord(biff::STYLE, wb_.Styles.Item(i));
    return;
  }
  static const char* const kStyles[] = {"108003FF", "118006FF", "128004FF",
                                        "138007FF", "008000FF", "148005FF"};
  for (const char* st : kStyles) s_.WriteRecord(biff::STYLE, hexBytes(st));
}

void TXLSWriter::TImpl::names() {
  TNameDefs& nd = wb_.NameDefs;
  const int sheets = wb_.Sheets.Count();
  // Charts refer to the workbook's own sheets through the internal SUPBOOK.
  if (wb_.ChartCount() > 0) {
    int sb = nd.InternalSupBookIndex(sheets);
    nd.FindOrAddExternSheet(sb, 0, 0);
  }
  bool pendingArea = false;
  for (int i = 0; i < wb_.AreaNames.Count(); ++i)
    pendingArea |= wb_.AreaNames.Item(i).LinkedName < 0;
  if (pendingArea) nd.InternalSupBookIndex(sheets);
  for (const TSupBook& b : nd.SupBooks) {
    TRecordBuilder r;
    if (b.IsInternal()) {
      r.U16(
          static_cast<unsigned>(b.FileName == TNameDefs::InternalSupBook ? sheets : b.SheetCount));
      r.Bytes(b.FileName);
    } else {
      r.U16(static_cast<unsigned>(b.SheetNames.size()));
      AppendBIFF8String(r.Str(), b.FileName, true, false);
      for (const std::string& n : b.SheetNames) AppendBIFF8String(r.Str(), n, true, false);
    }
    rec(biff::SUPBOOK, r);
    for (const TExternName& en : b.Names) {
      TRecordBuilder e;
      e.U16(en.Options).U16(0).U16(0);
      std::string chars;
      size_t n = AppendBIFF8Chars(chars, en.Name, false, 255);
      e.U8(static_cast<unsigned>(n)).Bytes(chars);
      if (en.Options < 2) e.U16(static_cast<unsigned>(en.Tokens.size())).Bytes(en.Tokens);
      rec(biff::EXTERNNAME, e);
    }
  }
  if (!nd.SupBooks.empty()) word(biff::EXTERNCOUNT, static_cast<unsigned>(nd.SupBooks.size()));
  if (!nd.ExternSheets.empty()) {
    TRecordBuilder e;
    e.U16(static_cast<unsigned>(nd.ExternSheets.size()));
    for (const TExternSheet& x : nd.ExternSheets)
      e.U16(static_cast<unsigned>(x.SupBook))
          .U16(static_cast<unsigned>(x.FirstSheet))
          .U16(static_cast<unsigned>(x.LastSheet));
    rec(biff::EXTERNSHEET, e);
  }
  auto name = [&](uint16_t options, uint8_t shortcut, int ixals, int tab, const std::string& text,
                  const std::string& tokens) {
    std::string chars;
    size_t n = AppendBIFF8Chars(chars, text, false, 255);
    TRecordBuilder r;
    r.U16(options)
        .U8(shortcut)
        .U8(static_cast<unsigned>(n))
        .U16(static_cast<unsigned>(tokens.size()))
        .U16(static_cast<unsigned>(ixals))
        .U16(static_cast<unsigned>(tab))
        .U32(0)
        .Bytes(chars)
        .Bytes(tokens);
    rec(biff::NAME, r);
  };
  for (const TWorkbookName& n : nd.Names)
    name(n.Options, n.Shortcut, n.ExternSheet, n.TabIndex, n.Name, n.Tokens);
  for (int i = 0; i < wb_.AreaNames.Count(); ++i) {
    const TAreaName& a = wb_.AreaNames.Item(i);
    if (a.LinkedName < 0) name(a.Options, 0, 0, a.TabIndex, a.AreaName(), a.Tokens);
  }
}

// ---------------------------------------------------------------------------
// Sheets

// WINDOW1: Excel 4.0 has position, size and a hidden flag; later versions
// add the options and the tabs (the selected tab after the chart sheets).
void TXLSWriter::TImpl::window1(int chartSheets) {
  const TWorkbookData& w = wb_.Workbook;
  TRecordBuilder b;
  b.U16(static_cast<unsigned>(w.Left))
      .U16(static_cast<unsigned>(w.Top))
      .U16(static_cast<unsigned>(w.Width))
      .U16(static_cast<unsigned>(w.Height));
  if (v_ <= xvExcel40) {
    rec(biff::WINDOW1, b.U8(w.Options.Contains(woHidden) ? 1 : 0));
    return;
  }
  unsigned o = 0;
  if (w.Options.Contains(woHidden)) o |= 0x01;
  if (w.Options.Contains(woIconized)) o |= 0x02;
  if (w.Options.Contains(woHScroll)) o |= 0x08;
  if (w.Options.Contains(woVScroll)) o |= 0x10;
  if (w.Options.Contains(woTabs)) o |= 0x20;
  rec(biff::WINDOW1,
      b.U16(o).U16(static_cast<unsigned>(w.SelectedTab + chartSheets)).U16(0).U16(1).U16(600));
}

// The calculation settings of a sheet: CALCMODE to SAVERECALC.
void TXLSWriter::TImpl::calcSettings(const TSheet& sh) {
  const TCalcMode cm = wb_.OptionsDialog.CalcMode;
  word(biff::CALCMODE, cm == cmManual ? 0 : cm == cmAutomatic ? 1 : 0xFFFF);
  word(biff::CALCCOUNT, static_cast<unsigned>(sh.CalcCount));
  word(biff::REFMODE, sh.Options.Contains(soR1C1Mode) ? 0 : 1);
  boolean(biff::ITERATION, sh.Options.Contains(soIteration));
  rec(biff::DELTA, TRecordBuilder().F64(sh.Delta));
  boolean(biff::SAVERECALC, wb_.SaveRecalc);
}

// PRINTHEADERS to DEFAULTROWHEIGHT.
void TXLSWriter::TImpl::gridSettings(const TSheet& sh) {
  const TPrintSettings& ps = sh.PrintSettings;
  boolean(biff::PRINTHEADERS, ps.Options.Contains(psoRowColHeading));
  boolean(biff::PRINTGRIDLINES, ps.Options.Contains(psoGridlines));
  word(biff::GRIDSET, static_cast<unsigned>(sh.GridSet));
  rec(biff::GUTS, TRecordBuilder()
                      .U16(static_cast<unsigned>(sh.Guts[0]))
                      .U16(static_cast<unsigned>(sh.Guts[1]))
                      .U16(static_cast<unsigned>(sh.Guts[2]))
                      .U16(static_cast<unsigned>(sh.Guts[3])));
  if (sh.DefaultRowHeight != 0)
    rec(biff::DEFAULTROWHEIGHT,
        TRecordBuilder().U16(1).U16(static_cast<unsigned>(sh.DefaultRowHeight)));
  else
    rec(biff::DEFAULTROWHEIGHT, TRecordBuilder().U16(0).U16(255));
}

void TXLSWriter::TImpl::wsbool(const TSheet& sh) {
  unsigned o = 0;
  const TWorkspaceOptions& w = sh.WorkspaceOptions;
  if (w.Contains(woShowAutoBreaks)) o |= 0x0001;
  if (w.Contains(woApplyStyles)) o |= 0x0020;
  if (w.Contains(woRowSumsBelow)) o |= 0x0040;
  if (w.Contains(woFitToPage)) o |= 0x0100;
  if (w.Contains(woOutlineSymbols)) o |= 0x0600;
  word(biff::WSBOOL, o);
}

// HEADER, FOOTER, HCENTER, VCENTER, the margins that are set and SETUP.
void TXLSWriter::TImpl::pageSetup(const TPrintSettings& ps) {
  for (int k = 0; k < 2; ++k) {
    const std::string& t = k == 0 ? ps.Header() : ps.Footer();
    TRecordBuilder b;
    if (!t.empty()) counted(b, t, b8());
    rec(k == 0 ? biff::HEADER : biff::FOOTER, b);
  }
  boolean(biff::HCENTER, ps.Options.Contains(psoHorizCenter));
  boolean(biff::VCENTER, ps.Options.Contains(psoVertCenter));
  if (ps.MarginLeft >= 0) rec(biff::LEFTMARGIN, TRecordBuilder().F64(ps.MarginLeft));
  if (ps.MarginRight >= 0) rec(biff::RIGHTMARGIN, TRecordBuilder().F64(ps.MarginRight));
  if (ps.MarginTop >= 0) rec(biff::TOPMARGIN, TRecordBuilder().F64(ps.MarginTop));
  if (ps.MarginBottom >= 0) rec(biff::BOTTOMMARGIN, TRecordBuilder().F64(ps.MarginBottom));
  unsigned o = 0;
  if (ps.Options.Contains(psoLeftToRight)) o |= 0x01;
  if (ps.Options.Contains(psoPortrait)) o |= 0x02;
  if (ps.Options.Contains(psoNoColor)) o |= 0x08;
  if (ps.Options.Contains(psoDraftQuality)) o |= 0x10;
  if (ps.Options.Contains(psoNotes)) o |= 0x20;
  rec(biff::SETUP, TRecordBuilder()
                       .U16(static_cast<unsigned>(ps.PaperSize))
                       .U16(static_cast<unsigned>(ps.ScalingFactor))
                       .U16(static_cast<unsigned>(ps.StartingPage))
                       .U16(1)
                       .U16(1)
                       .U16(o)
                       .U16(static_cast<unsigned>(ps.Resolution))
                       .U16(static_cast<unsigned>(ps.Resolution))
                       .F64(ps.HeaderMargin)
                       .F64(ps.FooterMargin)
                       .U16(static_cast<unsigned>(ps.Copies)));
}

// DIMENSIONS: an empty sheet has none.
void TXLSWriter::TImpl::dimensions(const TSheet& sh) {
  const bool empty = sh.Cells.Count() == 0;
  const unsigned r1 = empty ? 0 : static_cast<unsigned>(sh.FirstRow);
  const unsigned r2 = empty ? 0 : static_cast<unsigned>(sh.LastRow + 1);
  const unsigned c1 = empty ? 0 : static_cast<unsigned>(sh.FirstCol);
  const unsigned c2 = empty ? 0 : static_cast<unsigned>(sh.LastCol + 1);
  if (b8())
    rec(biff::DIMENSIONS, TRecordBuilder().U32(r1).U32(r2).U16(c1).U16(c2).U16(0));
  else
    rec(biff::DIMENSIONS, TRecordBuilder().U16(r1).U16(r2).U16(c1).U16(c2).U16(0));
}

// WINDOW2 (0x0200 marks the selected first sheet) and SELECTION.
void TXLSWriter::TImpl::window2(const TSheet& sh, bool first) {
  unsigned o = 0x04A0;
  if (sh.Options.Contains(soShowFormulas)) o |= 0x01;
  if (sh.Options.Contains(soGridlines)) o |= 0x02;
  if (sh.Options.Contains(soRowColHeadings)) o |= 0x04;
  if (sh.Options.Contains(soFrozenPanes)) o |= 0x08;
  if (sh.Options.Contains(soShowZeros)) o |= 0x10;
  if (first) o |= 0x0200;
  if (b8())
    rec(biff::WINDOW2, TRecordBuilder()
                           .U16(o)
                           .U16(0)
                           .U16(0)
                           .U32(64)
                           .U16(static_cast<unsigned>(sh.ZoomPreview))
                           .U16(100)
                           .U32(0));
  else
    rec(biff::WINDOW2, TRecordBuilder().U16(o).U16(0).U16(0).U32(0));
}

void TXLSWriter::TImpl::selection() {
  rec(biff::SELECTION,
      TRecordBuilder().U8(3).U16(0).U16(0).U16(0).U16(1).U16(0).U16(0).U8(0).U8(0));
}

void TXLSWriter::TImpl::sheetStart(TSheet& sh, int) {
  bof(biff::stWorksheet);
  calcSettings(sh);
  gridSettings(sh);
  wsbool(sh);
  const TPrintSettings& ps = sh.PrintSettings;
  if (!ps.HorizPagebreaks.empty()) {
    TRecordBuilder b;
    b.U16(static_cast<unsigned>(ps.HorizPagebreaks.size()));
    for (const auto& p : ps.HorizPagebreaks) {
      b.U16(static_cast<unsigned>(p.Row + 1));
      if (b8()) b.U16(static_cast<unsigned>(p.Col1 + 1)).U16(static_cast<unsigned>(p.Col2 + 1));
    }
    rec(biff::HORIZONTALPAGEBREAKS, b);
  }
  if (!ps.VertPagebreaks.empty()) {
    TRecordBuilder b;
    b.U16(static_cast<unsigned>(ps.VertPagebreaks.size()));
    for (const auto& p : ps.VertPagebreaks) {
      b.U16(static_cast<unsigned>(p.Col + 1));
      if (b8()) b.U16(static_cast<unsigned>(p.Row1 + 1)).U16(static_cast<unsigned>(p.Row2 + 1));
    }
    rec(biff::VERTICALPAGEBREAKS, b);
  }
  pageSetup(ps);
  boolean(biff::PROTECT, sh.Options.Contains(soProtected));
  if (sh.DefaultColWidth > 0) word(biff::DEFCOLWIDTH, static_cast<unsigned>(sh.DefaultColWidth));
  for (int i = 0; i < sh.ColumnFormats.Count(); ++i) {
    const TColumnFormat& c = sh.ColumnFormats.Item(i);
    unsigned o = (c.Hidden ? 1u : 0u) | (static_cast<unsigned>(c.OutlineLevel() & 7) << 8) |
                 (c.CollapsedOutline ? 0x1000u : 0u);
    rec(biff::COLINFO, TRecordBuilder()
                           .U16(static_cast<unsigned>(std::min(c.Col1(), 255)))
                           .U16(static_cast<unsigned>(std::min(c.Col2(), 255)))
                           .U16(static_cast<unsigned>(c.Width()))
                           .U16(static_cast<unsigned>(columnXF(c.FormatIndex())))
                           .U16(o)
                           .U16(0));
  }
  dimensions(sh);
  for (const TRowRecord& r : sh.Rows) {
    unsigned options = static_cast<unsigned>(r.Options) | 0x100;
    unsigned xf = static_cast<unsigned>(r.Format);
    if (!readRoad_ || xf >= static_cast<unsigned>(wb_.Formats.Count())) {
      xf = 15;
      options &= ~0x80u;
    }
    rec(biff::ROW, TRecordBuilder()
                       .U16(static_cast<unsigned>(r.Row))
                       .U16(static_cast<unsigned>(r.Col1))
                       .U16(static_cast<unsigned>(r.Col2))
                       .U16(static_cast<unsigned>(r.Height))
                       .U16(0)
                       .U16(0)
                       .U16(options)
                       .U16(xf));
  }
}

void TXLSWriter::TImpl::cells(TSheet& sh) {
  TSST2& sst = wb_.Sheets.SST;
  uint8_t b[32];
  sh.Cells.ForEach([&](TCell& c) {
    const auto row = static_cast<uint16_t>(c.Row()), col = static_cast<uint16_t>(c.Col());
    const auto xf = static_cast<uint16_t>(cellXF(c.FormatIndex));
    writeLE<uint16_t>(b + 4, row);
    writeLE<uint16_t>(b + 6, col);
    writeLE<uint16_t>(b + 8, xf);
    switch (c.CellType()) {
      case ctBlank:
        writeLE<uint16_t>(b, biff::BLANK);
        writeLE<uint16_t>(b + 2, 6);
        s_.Write(b, 10);
        break;
      case ctFloat:
        writeLE<uint16_t>(b, biff::NUMBER);
        writeLE<uint16_t>(b + 2, 14);
        writeLE<double>(b + 10, static_cast<TFloatCell&>(c).Value);
        s_.Write(b, 18);
        break;
      case ctString: {
        uint32_t index = static_cast<TStringCell&>(c).Index;
        if (b8()) {
          writeLE<uint16_t>(b, biff::LABELSST);
          writeLE<uint16_t>(b + 2, 10);
          writeLE<uint32_t>(b + 10, index);
          s_.Write(b, 14);
        } else {
          std::string t = cellText8(sst.GetString(index));
          writeLE<uint16_t>(b, biff::LABEL);
          writeLE<uint16_t>(b + 2, static_cast<uint16_t>(8 + t.size()));
          writeLE<uint16_t>(b + 10, static_cast<uint16_t>(t.size()));
          s_.Write(b, 12);
          s_.Write(t);
        }
        break;
      }
      case ctBoolean:
      case ctError: {
        bool isError = c.CellType() == ctError;
        uint8_t value =
            isError ? static_cast<TErrorCell&>(c).Value : static_cast<TBooleanCell&>(c).Value;
        if (isError) {
          if (value == 0)
            throw EXLSError(Format("Invalid error value in cell %d:%d", c.Row(), c.Col()));
          value = static_cast<uint8_t>(ErrorIndexToCode(value));
        }
        writeLE<uint16_t>(b, biff::BOOLERR);
        writeLE<uint16_t>(b + 2, 8);
        b[10] = value;
        b[11] = isError ? 1 : 0;
        s_.Write(b, 12);
        break;
      }
      default:
        formulaCell(static_cast<TFormulaCell&>(c));
        break;
    }
  });
}

void TXLSWriter::TImpl::formulaCell(TFormulaCell& c) {
  const int type = c.CellType();
  std::string tokens = c.Tokens, extra = c.Extra;
  // Tokens of another version's form are encoded anew from their text;
  // a formula that cannot be is written as its value.
  bool asValue = type == ctArrayFormula && tokenFamily(wb_.FormulaVersion) != tokenFamily(v_);
  if (!asValue && tokenFamily(wb_.FormulaVersion) != tokenFamily(v_)) {
    try {
      const std::string text = formulaText(c);
      const TExcelVersion keep = wb_.Encoder.Version;
      const int keepPage = wb_.Encoder.Codepage;
      wb_.Encoder.Version = v_;
      wb_.Encoder.Codepage = codepage_;
      wb_.Encoder.Replaced = 0;
      try {
        tokens = wb_.Encoder.Encode(text, 8000);
      } catch (...) {
        wb_.Encoder.Version = keep;
        wb_.Encoder.Codepage = keepPage;
        throw;
      }
      replaced_ += wb_.Encoder.Replaced;
      wb_.Encoder.Version = keep;
      wb_.Encoder.Codepage = keepPage;
      extra.clear();
    } catch (const EXLSError&) {
      asValue = true;
    }
  }
  // Excel 5 and 4.0 files get no link tables: formulas that need them are
  // written as their values.
  if (!asValue && !b8() && TokensUseLinks(v_, tokens)) asValue = true;
  const uint16_t row = static_cast<uint16_t>(c.Row()), col = static_cast<uint16_t>(c.Col());
  const uint16_t xf = static_cast<uint16_t>(cellXF(c.FormatIndex));
  uint8_t res[8] = {};
  std::string stringResult;
  bool hasString = false;
  switch (type) {
    case ctNumberFormula:
      writeLE<double>(res, static_cast<TNumberFormulaCell&>(c).Value);
      break;
    case ctArrayFormula:
      writeLE<double>(res, static_cast<TArrayFormulaCell&>(c).Value);
      break;
    case ctStringFormula:
      res[6] = res[7] = 0xFF;
      stringResult = static_cast<TStringFormulaCell&>(c).Value;
      hasString = true;
      break;
    case ctBooleanFormula:
      res[0] = 1;
      res[2] = static_cast<TBooleanFormulaCell&>(c).Value;
      res[6] = res[7] = 0xFF;
      break;
    case ctErrorFormula:
      res[0] = 2;
      res[2] = static_cast<uint8_t>(ErrorIndexToCode(static_cast<TErrorFormulaCell&>(c).Value));
      res[6] = res[7] = 0xFF;
      break;
    default:
      break;
  }
  if (asValue) {
    TRecordBuilder b;
    b.U16(row).U16(col).U16(xf);
    switch (type) {
      case ctStringFormula:
        if (b8()) {
          rec(biff::LABELSST, b.U32(wb_.Sheets.SST.AddString(stringResult)));
        } else {
          std::string t = cellText8(stringResult);
          rec(biff::LABEL, b.U16(static_cast<unsigned>(t.size())).Bytes(t));
        }
        return;
      case ctBooleanFormula:
      case ctErrorFormula:
        rec(biff::BOOLERR, b.U8(res[2]).U8(type == ctErrorFormula ? 1 : 0));
        return;
      default:
        rec(biff::NUMBER, b.Bytes(std::string_view(reinterpret_cast<const char*>(res), 8)));
        return;
    }
  }
  TRecordBuilder b;
  b.U16(row).U16(col).U16(xf).Bytes(std::string_view(reinterpret_cast<const char*>(res), 8));
  b.U16(wb_.Sheets.GetItem(0).RecalcFormulas ? 3 : 0);
  if (v_ >= xvExcel50) b.U32(0);
  b.U16(static_cast<unsigned>(tokens.size())).Bytes(tokens).Bytes(extra);
  rec(v_ >= xvExcel50 ? biff::FORMULA : biff::FORMULA4, b);
  if (type == ctArrayFormula) {
    s_.WriteRecord(biff::ARRAY, static_cast<TArrayFormulaCell&>(c).ArrayTokens);
  } else if (hasString) {
    stringRecord(stringResult);
  }
}

// STRING: in Excel 97 a text longer than one record goes on in CONTINUE
// records, each starting with its option byte, cut between characters.
void TXLSWriter::TImpl::stringRecord(const std::string& text) {
  TRecordBuilder sr;
  if (b8()) {
    counted(sr, text, true);
  } else {
    const std::string t = cellText8(text);
    sr.U16(static_cast<unsigned>(t.size())).Bytes(t);
  }
  const size_t maxBody = static_cast<size_t>(MaxRecordBody(v_));
  if (!b8() || sr.Size() <= maxBody) {
    rec(biff::STRING, sr);
    return;
  }
  std::string_view body = sr.Str();
  const char option = body[2];
  const size_t unit = (option & 1) ? 2 : 1;
  size_t take = 3 + (maxBody - 3) / unit * unit;
  s_.WriteRecord(biff::STRING, body.substr(0, take));
  for (size_t at = take; at < body.size(); at += take) {
    take = std::min(body.size() - at, (maxBody - 1) / unit * unit);
    std::string part(1, option);
    part += body.substr(at, take);
    s_.WriteRecord(biff::CONTINUE, part);
  }
}

void TXLSWriter::TImpl::sheetEnd(TSheet& sh, int index) {
  if (b8()) drawings(sh);
  if (v_ < xvExcel97) window1(0);
  window2(sh, index == 0);
  if (sh.Zoom > 0 && sh.Zoom != 100)
    rec(biff::SCL, TRecordBuilder().U16(static_cast<unsigned>(sh.Zoom)).U16(100));
  if (sh.FrozenRow > 0 || sh.FrozenCol > 0)
    rec(biff::PANE, TRecordBuilder()
                        .U16(static_cast<unsigned>(sh.FrozenCol))
                        .U16(static_cast<unsigned>(sh.FrozenRow))
                        .U16(static_cast<unsigned>(sh.FrozenRow))
                        .U16(static_cast<unsigned>(sh.FrozenCol))
                        .U16(3));
  selection();
  if (b8() && wb_.PreserveMacros && wb_.ExtraObjects.Count() > 0) {
    TRecordBuilder cn;
    AppendBIFF8String(cn.Str(), sh.Name(), true, false);
    rec(biff::CODENAME, cn);
  }
  if (b8()) {
    validations(sh);
    mergedCells(sh);
    hyperlinks(sh);
  }
  rec(biff::EOF_);
}

void TXLSWriter::TImpl::drawings(TSheet& sh) {
  const int index = wb_.Sheets.IndexOf(&sh);
  if (index < 0 || objectsPerSheet_[static_cast<size_t>(index)] == 0) return;
  std::vector<TDrawingObject> objects;
  for (int i = 0; i < sh.Notes.Count(); ++i) {
    TDrawingObject o;
    o.Kind = TDrawingObject::okNote;
    o.Anchor = sh.Notes.Item(i).Anchor;
    objects.push_back(o);
  }
  for (int i = 0; i < sh.SheetPictures.Count(); ++i) {
    TSheetPicture& p = sh.SheetPictures.Item(i);
    if (!p.AnchorComputed) sh.ComputePictureAnchor(p);
    TDrawingObject o;
    o.Kind = TDrawingObject::okPicture;
    o.Anchor = p.Anchor;
    o.PictureIndex = wb_.Pictures.IndexOf(p.Picture()) + 1;
    o.PictureName = p.Name;
    objects.push_back(o);
  }
  std::vector<const TXLSInFileChart*> kept;
  for (int i = 0; i < sh.InFileCharts.Count(); ++i) {
    const TXLSInFileChart& c = sh.InFileCharts.Item(i);
    if (c.Records.empty()) continue;
    kept.push_back(&c);
    TDrawingObject o;
    o.Kind = TDrawingObject::okChart;
    o.Anchor = c.Anchor;
    objects.push_back(o);
  }
  for (int i = 0; i < sh.Charts.Count(); ++i) {
    TDrawingObject o;
    o.Kind = TDrawingObject::okChart;
    o.Anchor = sh.Charts.Item(i).Anchor;
    objects.push_back(o);
  }
  const int drawingId = ++nextDrawing_;
  TDrawingPieces pieces = TMSOWriteDrawing::WriteDrawing(
      drawingId, shapeBases_[static_cast<size_t>(drawingId - 1)], objects);
  auto cmo = [](TRecordBuilder& b, unsigned type, unsigned id) {
    b.U16(0x0015).U16(18).U16(type).U16(id).U16(0x0011).Zeros(12);
  };
  size_t k = 0;
  unsigned objId = 0;
  // Notes: shape, OBJ, text box, TXO, text and formatting runs.
  for (int i = 0; i < sh.Notes.Count(); ++i, ++k) {
    TNote& n = sh.Notes.Item(i);
    s_.WriteRecord(biff::MSODRAWING, pieces.Before[k]);
    TRecordBuilder ob;
    cmo(ob, 25, ++objId);
    ob.U16(0x000D).U16(22).Zeros(22).U16(0).U16(0);
    rec(biff::OBJ, ob);
    n.ObjId = static_cast<int>(objId);
    s_.WriteRecord(biff::MSODRAWING, pieces.TextBox[k]);
    std::string text;
    for (size_t l = 0; l < n.Text.size(); ++l) {
      if (l) text += '\n';
      for (char ch : n.Text[l])
        if (ch != '\r') text += ch;
    }
    text = Trim(text);
    std::u16string w = Utf8ToUtf16(text);
    size_t cch = std::min<size_t>(w.size(), 0xFFFF);
    rec(biff::TXO, TRecordBuilder()
                       .U16(0x0212)
                       .U16(0)
                       .Zeros(6)
                       .U16(static_cast<unsigned>(cch))
                       .U16(cch ? 16 : 0)
                       .Zeros(4));
    if (cch > 0) {
      // The text in CONTINUE records, each starting with its own flag.
      bool wide = !FitsLatin1(text);
      const size_t perRecord = wide ? 4000 : 8000;
      for (size_t at = 0; at < cch; at += perRecord) {
        size_t len = std::min(perRecord, cch - at);
        TRecordBuilder cb;
        cb.U8(wide ? 1 : 0);
        for (size_t j = 0; j < len; ++j) {
          if (wide)
            cb.U16(w[at + j]);
          else
            cb.U8(w[at + j] & 0xFF);
        }
        rec(biff::CONTINUE, cb);
      }
      rec(biff::CONTINUE,
          TRecordBuilder().U16(0).U16(0).U32(0).U16(static_cast<unsigned>(cch)).U16(0).U32(0));
    }
  }
  for (int i = 0; i < sh.SheetPictures.Count(); ++i, ++k) {
    s_.WriteRecord(biff::MSODRAWING, pieces.Before[k]);
    TRecordBuilder ob;
    cmo(ob, 8, ++objId);
    ob.U16(0x0007).U16(2).U16(0xFFFF).U16(0x0008).U16(2).U16(0x0001).U16(0).U16(0);
    rec(biff::OBJ, ob);
  }
  for (const TXLSInFileChart* c : kept) {
    s_.WriteRecord(biff::MSODRAWING, pieces.Before[k++]);
    TRecordBuilder ob;
    cmo(ob, 5, ++objId);
    ob.U16(0).U16(0);
    rec(biff::OBJ, ob);
    bof(biff::stChart);
    c->WriteAll(s_);
    rec(biff::EOF_);
  }
  for (int i = 0; i < sh.Charts.Count(); ++i) {
    s_.WriteRecord(biff::MSODRAWING, pieces.Before[k++]);
    TRecordBuilder ob;
    cmo(ob, 5, ++objId);
    ob.U16(0).U16(0);
    rec(biff::OBJ, ob);
    bof(biff::stChart);
    sh.Charts.Item(i).WriteRecords(s_);
    rec(biff::EOF_);
  }
  // NOTE records of the notes bound to cells.
  for (int i = 0; i < sh.Notes.Count(); ++i) {
    const TNote& n = sh.Notes.Item(i);
    if (!n.Bound) continue;
    TRecordBuilder nb;
    nb.U16(static_cast<unsigned>(n.CellRow()))
        .U16(static_cast<unsigned>(n.CellCol()))
        .U16(n.Shown ? 0x02 : 0)
        .U16(static_cast<unsigned>(i + 1));
    AppendBIFF8String(nb.Str(), wb_.UserName, true, false);
    nb.U8(0);
    rec(biff::NOTE, nb);
  }
}

void TXLSWriter::TImpl::validations(TSheet& sh) {
  int count = 0;
  for (int i = 0; i < sh.Validations.Count(); ++i) count += !sh.Validations.Item(i).Areas.empty();
  if (count == 0) return;
  rec(biff::DVAL,
      TRecordBuilder().U16(4).Zeros(8).U32(0xFFFFFFFF).U32(static_cast<uint32_t>(count)));
  for (int i = 0; i < sh.Validations.Count(); ++i) {
    const TDataValidation& v = sh.Validations.Item(i);
    if (v.Areas.empty()) continue;
    TRecordBuilder b;
    b.U32(0x000C0100u + v.ValidationType + (static_cast<uint32_t>(v.ValidationStyle) << 4) +
          (static_cast<uint32_t>(v.ValidationOperator) << 20));
    for (const std::string* t : {&v.InputTitle, &v.ErrorTitle, &v.InputMsg, &v.ErrorMsg})
      AppendBIFF8String(b.Str(), *t, true, false);
    for (const std::string* f : {&v.Tokens1, &v.Tokens2})
      b.U16(static_cast<unsigned>(f->size())).U16(0).Bytes(*f);
    b.U16(static_cast<unsigned>(v.Areas.size()));
    for (const TArea& a : v.Areas)
      b.U16(static_cast<unsigned>(a.Row1))
          .U16(static_cast<unsigned>(a.Row2))
          .U16(static_cast<unsigned>(a.Col1))
          .U16(static_cast<unsigned>(a.Col2));
    rec(biff::DV, b);
  }
}

void TXLSWriter::TImpl::mergedCells(TSheet& sh) {
  const int n = sh.MergedCells.Count();
  const int per = (MaxRecordBody(v_) - 2) / 8;
  for (int at = 0; at < n; at += per) {
    int cnt = std::min(per, n - at);
    TRecordBuilder b;
    b.U16(static_cast<unsigned>(cnt));
    for (int i = at; i < at + cnt; ++i) {
      const TMergedCell& m = sh.MergedCells.Item(i);
      b.U16(static_cast<unsigned>(m.Row1))
          .U16(static_cast<unsigned>(m.Row2))
          .U16(static_cast<unsigned>(m.Col1))
          .U16(static_cast<unsigned>(m.Col2));
    }
    rec(biff::MERGEDCELLS, b);
  }
}

void TXLSWriter::TImpl::hyperlinks(TSheet& sh) {
  static const char kStdLink[16] = {'\xD0', '\xC9', '\xEA', '\x79', '\xF9', '\xBA', '\xCE', '\x11',
                                    '\x8C', '\x82', '\x00', '\xAA', '\x00', '\x4B', '\xA9', '\x0B'};
  static const char kUrlMoniker[16] = {'\xE0', '\xC9', '\xEA', '\x79', '\xF9', '\xBA',
                                       '\xCE', '\x11', '\x8C', '\x82', '\x00', '\xAA',
                                       '\x00', '\x4B', '\xA9', '\x0B'};
  for (const THyperlink& h : sh.Hyperlinks) {
    size_t tab = h.Text.find('\t');
    if (tab == std::string::npos) continue;
    std::u16string desc = Utf8ToUtf16(h.Text.substr(0, tab));
    std::u16string addr = Utf8ToUtf16(h.Text.substr(tab + 1));
    const unsigned row = h.Key >> 8, col = h.Key & 0xFF;
    TRecordBuilder b;
    b.U16(row).U16(row).U16(col).U16(col);
    b.Bytes(std::string_view(kStdLink, 16)).U32(2).U32(0x17);
    b.U32(static_cast<uint32_t>(desc.size() + 1));
    for (char16_t ch : desc) b.U16(ch);
    b.U16(0);
    b.Bytes(std::string_view(kUrlMoniker, 16));
    b.U32(static_cast<uint32_t>(addr.size() * 2 + 2));
    for (char16_t ch : addr) b.U16(ch);
    b.U16(0);
    rec(biff::HLINK, b);
  }
}

// ---------------------------------------------------------------------------
// Excel 4.0: one worksheet in a plain file

void TXLSWriter::TImpl::excel4() {
  TSheet& sh = wb_.Sheets.GetItem(0);
  sh.CalcDimensions();
  bof(biff::stWorksheet);
  {
    std::string body(112, ' ');
    std::string t = text8(wb_.UserName, 111);
    body[0] = static_cast<char>(t.size());
    std::memcpy(body.data() + 1, t.data(), t.size());
    s_.WriteRecord(biff::WRITEACCESS, body);
  }
  word(biff::CODEPAGE, static_cast<unsigned>(codepage_));
  calcSettings(sh);
  word(biff::PRECISION, wb_.OptionsDialog.PrecisionAsDisplayed ? 0 : 1);
  boolean(biff::DATEMODE, wb_.Date1904);
  gridSettings(sh);
  word(biff::HIDEOBJ, wb_.OptionsDialog.ShowObjects);
  wsbool(sh);
  fonts();
  pageSetup(sh.PrintSettings);
  boolean(biff::BACKUP, wb_.Backup);
  formats();
  boolean(biff::WINDOWPROTECT, wb_.BookProtected);
  xfs();
  styles();
  if (sh.DefaultColWidth > 0) word(biff::DEFCOLWIDTH, static_cast<unsigned>(sh.DefaultColWidth));
  dimensions(sh);
  cells(sh);
  window1(0);
  window2(sh, true);
  selection();
  rec(biff::EOF_);
}

// ---------------------------------------------------------------------------

std::string TooManyRowsMessage(const std::string& sheet, int rows, TExcelVersion version) {
  return Format("Sheet \"%s\" has %d rows; %s files hold at most %d rows per sheet", sheet.c_str(),
                rows, VersionName(version), MaxRows(version));
}

TXLSWriter::TXLSWriter(TXLSWorkbook& workbook) : wb_(workbook) {}
TXLSWriter::~TXLSWriter() = default;

void TXLSWriter::Write(TStream* target) {
  TExcelVersion v = wb_.Version();
  if (v == xvExcel21 || v == xvExcel30) throw EXLSError("Can not write Excel 2.1/3.0 files");
  if (v == xvNone || v == xvExcelUnknown) v = xvExcel97;
  TImpl impl(wb_, v);
  impl.Write(wb_.Filename, target);
}

}  // namespace qv
