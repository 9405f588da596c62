#include "workbook/XLSReader.h"

#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/core/Codepage.h"
#include "platform/core/SysUtils.h"
#include "workbook/DecodeFormula.h"
#include "workbook/MSODrawing.h"
#include "workbook/XLSRecords.h"
#include "workbook/XLSStrings.h"
#include "workbook/XLSWorkbook.h"

namespace qv {

namespace {

double rkValue(uint32_t rk) {
  double v;
  if (rk & 2) {
    v = static_cast<double>(static_cast<int32_t>(rk) >> 2);
  } else {
    uint64_t bits = static_cast<uint64_t>(rk & 0xFFFFFFFCu) << 32;
    std::memcpy(&v, &bits, 8);
  }
  if (rk & 1) v /= 100;
  return v;
}

// A 14-byte bitmap file header for a BLIP's DIB data.
std::string bitmapFileHeader(std::string_view dib) {
  std::string h(14, '\0');
  h[0] = 'B';
  h[1] = 'M';
  uint32_t off = 14;
  if (dib.size() >= 40) {
    uint32_t hs = readLE<uint32_t>(dib.data());
    uint16_t bits = readLE<uint16_t>(dib.data() + 14);
    uint32_t compression = readLE<uint32_t>(dib.data() + 16);
    uint32_t used = readLE<uint32_t>(dib.data() + 32);
    uint32_t colors = used ? used : (bits <= 8 ? (1u << bits) : 0);
    off += hs + std::min<uint32_t>(colors, 256) * 4 + (compression == 3 && hs == 40 ? 12 : 0);
  }
  writeLE<uint32_t>(h.data() + 2, static_cast<uint32_t>(14 + dib.size()));
  writeLE<uint32_t>(h.data() + 10, off);
  return h;
}

// Saves picture bytes into a new file of the temporary folder.
std::string writeTempPicture(std::string_view bytes, const char* ext) {
  const char* dir = getenv("TMPDIR");
  std::string tmpl = std::string(dir && *dir ? dir : "/tmp") + "/XLSXXXXXX." + ext;
  int fd = mkstemps(tmpl.data(), static_cast<int>(std::strlen(ext) + 1));
  if (fd < 0) RaiseLastOSError("Cannot create a temporary picture file");
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n <= 0) {
      ::close(fd);
      ::unlink(tmpl.c_str());
      RaiseLastOSError("Cannot write a temporary picture file");
    }
    done += static_cast<size_t>(n);
  }
  ::close(fd);
  return tmpl;
}

}  // namespace

class TXLSReader::TImpl {
 public:
  explicit TImpl(TXLSWorkbook& wb) : wb_(wb) {}

  void Run(TXLSStream& s, TExcelVersion version);

 private:
  // ---- helpers ----
  TSheet* sheet() {
    return sheetIndex_ >= 0 && sheetIndex_ < wb_.Sheets.Count() ? &wb_.Sheets.GetItem(sheetIndex_)
                                                                : nullptr;
  }
  std::string text8(std::string_view b) const { return DecodeCodepage(codepage_, b); }
  int xf(int index) const { return index >= 0 && index < wb_.Formats.Count() ? index : -1; }
  bool b8() const { return v_ >= xvExcel97; }
  // A cell position the sheet can hold; others are left out.
  bool cellOk(int col, int row) const {
    return col >= 0 && col <= MaxCellCol && row >= 0 && row <= MaxCellRow;
  }
  // A cell made in the current sheet's storage.
  template <class T, class... A>
  void emplace(uint32_t key, A&&... args) {
    if (TSheet* sh = sheet()) sh->NewCell<T>(key, std::forward<A>(args)...);
  }
  // The record after the current one, without moving; false at the end.
  bool peek(TBIFFHeader& h, TRecordView& body) {
    int64_t p = s_->Position();
    if (s_->Size() - p < 4) return false;
    const uint8_t* d = s_->Data() + p;
    h.RecId = readLE<uint16_t>(d);
    h.Length = readLE<uint16_t>(d + 2);
    if (p + 4 + h.Length > s_->Size()) return false;
    body = TRecordView(d + 4, h.Length);
    return true;
  }
  // Moves past the record peek returned.
  void consume(const TBIFFHeader& h) {
    s_->Seek(4 + h.Length, 1);
    ++count_;
  }
  std::string string8(const TRecordView& r, size_t off, bool count16, size_t* used = nullptr) {
    size_t n = count16 ? r.U16(off) : r.U8(off);
    size_t head = count16 ? 2 : 1;
    std::string t = text8(r.Bytes(off + head, n));
    if (used) *used = head + n;
    return t;
  }
  // A counted string as the version writes it: BIFF8 strings from Excel
  // 97 on, 8-bit text before.
  std::string counted(const TRecordView& r, size_t off, bool count16, size_t* used = nullptr) {
    if (b8()) return ReadBIFF8String(r, off, count16, used);
    return string8(r, off, count16, used);
  }
  // The text of a cell or string result with a 16-bit count at off (LABEL,
  // RSTRING, STRING), whose characters may go on in the CONTINUE records
  // after the record; those are consumed.
  std::string continuedText(const TRecordView& r, size_t off);
  std::string continuedText8(const TRecordView& r, size_t off);

  void dispatch(const TRecordView& r);
  bool cellRecord(uint16_t id, const TRecordView& r);
  bool sheetRecord(uint16_t id, const TRecordView& r);
  bool printRecord(uint16_t id, const TRecordView& r);
  bool formatRecord(uint16_t id, const TRecordView& r);
  bool bookRecord(uint16_t id, const TRecordView& r);
  bool nameRecord(uint16_t id, const TRecordView& r);
  bool drawingRecord(uint16_t id, const TRecordView& r);
  void bof(const TRecordView& r);
  void formula(const TRecordView& r);
  void sharedFormula(const TRecordView& r);
  void font(const TRecordView& r);
  void name(const TRecordView& r);
  void supBook(const TRecordView& r);
  void obj(const TRecordView& r);
  std::string noteText();
  void drawingGroup(const TRecordView& r);
  void hlink(const TRecordView& r);
  void dv(const TRecordView& r);
  void pageBreaks(const TRecordView& r, bool horizontal);
  void setup(const TRecordView& r);

  TXLSWorkbook& wb_;
  TXLSStream* s_ = nullptr;
  TExcelVersion v_ = xvNone;
  TBIFFHeader h_;
  int64_t recStart_ = 0;
  int count_ = 0;
  int sheetIndex_ = -1;
  struct TSheetName {
    std::string Name;
    uint32_t Offset;
  };
  std::vector<TSheetName> names_;
  int nameIndex_ = -1;
  bool inWorksheet_ = false;
  bool stop_ = false;
  struct TShared {
    int Row1, Row2, Col1, Col2;
    std::string Tokens, Extra;
  };
  std::vector<TShared> shared_;
  TMSOShape lastShape_;
  bool haveShape_ = false;
  int codepage_ = 1252;
  std::vector<TXLSPicture*> blips_;
  // Texts whose records end before their stated length: read as far as
  // they go and reported once at the end.
  int cutTexts_ = 0;
};

void TXLSReader::TImpl::Run(TXLSStream& s, TExcelVersion version) {
  s_ = &s;
  v_ = version;
  wb_.NotRead = false;
  if (version == xvNone || version == xvExcelUnknown) throw EXLSError("BOF is missing in file");
  wb_.SetVersion(version);
  wb_.FormulaVersion = version;

  TBIFFHeader h;
  if (!s.ReadHeader(h) || (h.RecId & 0xFF) != 0x09) throw EXLSError("BOF is missing in file");
  if (h.Length > 256) throw EXLSError("Invalid BOF size");
  if (s.Position() + h.Length > s.Size()) throw EXLSError("BOF is missing in file");
  TRecordView first(s.Data() + s.Position(), h.Length);
  s.Seek(h.Length, 1);
  int type = first.Has(2, 2) ? first.U16(2) : 0;
  if (type == biff::stWorksheet) {
    // A single worksheet: it goes into the first sheet, which the file
    // does not name.
    sheetIndex_ = 0;
    inWorksheet_ = true;
    wb_.Sheets.GetItem(0).SetName("Sheet 1");
  }
  if (version == xvExcel97 && first.Has(8, 4) && (first.U32(8) & 0x10)) wb_.IsMac = true;
  if (wb_.OnProgress) wb_.OnProgress(0);

  try {
    while (!stop_) {
      recStart_ = s.Position();
      if (!s.ReadHeader(h_)) {
        ++count_;
        if (s.Position() < s.Size()) throw EXLSError("record too short");
        throw EXLSError("Unexpected end of file");
      }
      ++count_;
      // A record longer than the version's largest body is read all the
      // same: it is whole in the stream, and skipping it would drop cells.
      if (s.Position() + h_.Length > s.Size()) throw EXLSError("record too short");
      TRecordView r(s.Data() + s.Position(), h_.Length);
      s.Seek(h_.Length, 1);
      if (wb_.OnProgress && count_ % 100 == 0 && s.Size() > 0)
        wb_.OnProgress(static_cast<int>(std::lround(100.0 * static_cast<double>(s.Position()) /
                                                    static_cast<double>(s.Size()))));
      dispatch(r);
    }
  } catch (const Exception& e) {
    throw EXLSError(Format("Error on reading record # %d", count_) + "\r" + e.Message());
  }
  if (cutTexts_ > 0)
    wb_.ShowMessage(
        Format("%d text(s) end before their stated length in the file; they were read "
               "as far as the file holds them",
               cutTexts_));
  if (wb_.OnProgress) wb_.OnProgress(100);
}

// Each record family has a handler that returns false for ids that are not
// its own; records that no family takes are read and dropped, except BOF
// records (every id whose low byte is 0x09).
void TXLSReader::TImpl::dispatch(const TRecordView& r) {
  const uint16_t id = h_.RecId;
  if (cellRecord(id, r) || sheetRecord(id, r) || printRecord(id, r) || formatRecord(id, r) ||
      bookRecord(id, r) || nameRecord(id, r) || drawingRecord(id, r))
    return;
  if (id == biff::EOF_) {
    inWorksheet_ = false;
    shared_.clear();
    if (names_.empty() || nameIndex_ >= static_cast<int>(names_.size()) - 1) stop_ = true;
  } else if ((id & 0xFF) == 0x09) {
    bof(r);
  }
}

// Cell records, the dimensions and shared formulas.
bool TXLSReader::TImpl::cellRecord(uint16_t id, const TRecordView& r) {
  TSheet* sh = sheet();
  switch (id) {
    case biff::DIMENSIONS2:
    case biff::DIMENSIONS: {
      if (!sh) break;
      int r1, r2, c1, c2;
      if (b8() && id == biff::DIMENSIONS) {
        r1 = static_cast<int>(std::min<uint32_t>(r.U32(0), 65535));
        r2 = static_cast<int>(std::min<uint32_t>(r.U32(4), 65536));
        c1 = r.U16(8);
        c2 = r.U16(10);
      } else {
        r1 = r.U16(0);
        r2 = r.U16(2);
        c1 = r.U16(4);
        c2 = r.U16(6);
      }
      sh->FirstRow = r1;
      sh->LastRow = std::max(r2 - 1, 0);
      sh->FirstCol = c1;
      sh->LastCol = std::max(c2 - 1, 0);
      break;
    }
    case biff::INTEGER2: {
      int row = r.U16(0), col = r.U16(2);
      if (cellOk(col, row)) emplace<TFloatCell>(CellKey(col, row), -1, r.U16(7));
      break;
    }
    case biff::NUMBER2: {
      int row = r.U16(0), col = r.U16(2);
      if (cellOk(col, row)) emplace<TFloatCell>(CellKey(col, row), -1, r.F64(7));
      break;
    }
    case biff::LABEL2: {
      int row = r.U16(0), col = r.U16(2);
      std::string t = string8(r, 7, false);
      if (cellOk(col, row) && sh)
        emplace<TStringCell>(CellKey(col, row), -1, sh->Owner()->SST.AddString(t));
      break;
    }
    case biff::BOOLERR2: {
      int row = r.U16(0), col = r.U16(2);
      uint8_t value = r.U8(7), isError = r.U8(8);
      if (!cellOk(col, row)) break;
      if (isError)
        emplace<TErrorCell>(CellKey(col, row), -1, static_cast<uint8_t>(ErrorCodeToIndex(value)));
      else
        emplace<TBooleanCell>(CellKey(col, row), -1, value ? 1 : 0);
      break;
    }
    case biff::FORMULA:
    case biff::FORMULA3:
    case biff::FORMULA4:
      formula(r);
      break;
    case biff::RK3:
    case biff::RK: {
      int row = r.U16(0), col = r.U16(2);
      if (cellOk(col, row)) emplace<TFloatCell>(CellKey(col, row), xf(r.U16(4)), rkValue(r.U32(6)));
      break;
    }
    case biff::MULRK: {
      int row = r.U16(0), col = r.U16(2);
      size_t n = r.Size() >= 6 ? (r.Size() - 6) / 6 : 0;
      for (size_t i = 0; i < n; ++i, ++col) {
        if (!cellOk(col, row)) continue;
        size_t off = 4 + i * 6;
        emplace<TFloatCell>(CellKey(col, row), xf(r.U16(off)), rkValue(r.U32(off + 2)));
      }
      break;
    }
    case biff::MULBLANK: {
      int row = r.U16(0), col = r.U16(2);
      size_t n = r.Size() >= 6 ? (r.Size() - 6) / 2 : 0;
      for (size_t i = 0; i < n; ++i, ++col)
        if (cellOk(col, row)) emplace<TBlankCell>(CellKey(col, row), xf(r.U16(4 + i * 2)));
      break;
    }
    case biff::RSTRING:
    case biff::LABEL: {
      int row = r.U16(0), col = r.U16(2);
      std::string t = continuedText(r, 6);
      if (cellOk(col, row) && sh)
        emplace<TStringCell>(CellKey(col, row), xf(r.U16(4)), sh->Owner()->SST.AddString(t));
      break;
    }
    case biff::LABELSST: {
      int row = r.U16(0), col = r.U16(2);
      uint32_t i = r.U32(6);
      TSST2& sst = wb_.Sheets.SST;
      if (i >= static_cast<uint32_t>(sst.Count()))
        throw EXLSError(Format("SST index out of range (%d:%d)", i, sst.Count()));
      if (cellOk(col, row)) emplace<TStringCell>(CellKey(col, row), xf(r.U16(4)), i);
      break;
    }
    case biff::BLANK: {
      int row = r.U16(0), col = r.U16(2);
      if (cellOk(col, row)) emplace<TBlankCell>(CellKey(col, row), xf(r.U16(4)));
      break;
    }
    case biff::NUMBER: {
      int row = r.U16(0), col = r.U16(2);
      if (cellOk(col, row)) emplace<TFloatCell>(CellKey(col, row), xf(r.U16(4)), r.F64(6));
      break;
    }
    case biff::BOOLERR: {
      int row = r.U16(0), col = r.U16(2);
      uint8_t value = r.U8(6), isError = r.U8(7);
      if (!cellOk(col, row)) break;
      if (isError)
        emplace<TErrorCell>(CellKey(col, row), xf(r.U16(4)),
                            static_cast<uint8_t>(ErrorCodeToIndex(value)));
      else
        emplace<TBooleanCell>(CellKey(col, row), xf(r.U16(4)), value ? 1 : 0);
      break;
    }
    case biff::SHRFMLA_OLD:
    case biff::SHRFMLA:
      sharedFormula(r);
      break;
    default:
      return false;
  }
  return true;
}

// Settings of a worksheet: calculation, panes, columns, rows, merged
// cells, hyperlinks and data validations.
bool TXLSReader::TImpl::sheetRecord(uint16_t id, const TRecordView& r) {
  TSheet* sh = sheet();
  switch (id) {
    case biff::CALCCOUNT:
      if (sh) sh->CalcCount = r.U16(0);
      break;
    case biff::REFMODE:
      if (sh) sh->Options.Set(soR1C1Mode, r.U16(0) == 0);
      break;
    case biff::DELTA:
      if (sh) sh->Delta = r.F64(0);
      break;
    case biff::ITERATION:
      if (sh) sh->Options.Set(soIteration, r.U16(0) != 0);
      break;
    case biff::PANE:
      if (sh) {
        sh->FrozenCol = r.U8(0);
        sh->FrozenRow = r.U16(2);
      }
      break;
    case biff::DEFCOLWIDTH:
      if (sh) sh->DefaultColWidth = r.U16(0);
      break;
    case biff::COLINFO: {
      if (!sh) break;
      TColumnFormat& c = sh->ColumnFormats.Add();
      c.SetCol1(r.U16(0));
      c.SetCol2(r.U16(2));
      c.SetWidth(r.U16(4));
      c.SetFormatIndex(r.U16(6));
      uint16_t o = r.Has(8, 2) ? r.U16(8) : 0;
      c.Hidden = o & 1;
      c.SetOutlineLevel((o >> 8) & 7);
      c.CollapsedOutline = o & 0x1000;
      break;
    }
    case biff::GUTS:
      if (sh)
        for (int i = 0; i < 4; ++i)
          sh->Guts[static_cast<size_t>(i)] = r.U16(static_cast<size_t>(i) * 2);
      break;
    case biff::WSBOOL: {
      if (!sh) break;
      uint16_t v = r.U16(0);
      TWorkspaceOptions o;
      o.Set(woShowAutoBreaks, v & 0x0001);
      o.Set(woApplyStyles, v & 0x0020);
      o.Set(woRowSumsBelow, v & 0x0040);
      o.Set(woFitToPage, v & 0x0100);
      o.Set(woOutlineSymbols, v & 0x0400);
      sh->WorkspaceOptions = o;
      break;
    }
    case biff::GRIDSET:
      if (sh) sh->GridSet = r.U16(0);
      break;
    case biff::SCL:
      if (sh && r.U16(2) != 0)
        sh->Zoom = static_cast<int>(std::lround(100.0 * r.U16(0) / r.U16(2)));
      break;
    case biff::MERGEDCELLS: {
      if (!sh) break;
      int n = r.U16(0);
      for (int i = 0; i < n; ++i) {
        size_t off = 2 + static_cast<size_t>(i) * 8;
        sh->MergedCells.Add(r.U16(off + 4), r.U16(off), r.U16(off + 6), r.U16(off + 2));
      }
      break;
    }
    case biff::HLINK:
      if (b8()) hlink(r);
      break;
    case biff::DV:
      if (b8()) dv(r);
      break;
    case biff::ROW: {
      if (!sh) break;
      TRowRecord row;
      row.Row = r.U16(0);
      row.Col1 = r.U16(2);
      row.Col2 = r.U16(4);
      row.Height = r.U16(6);
      row.Options = r.Has(12, 2) ? r.U16(12) : 0;
      row.Format = r.Has(14, 2) ? (r.U16(14) & 0x0FFF) : 0;
      if (wb_.OnRow && (row.Height & 0x7FFF) != 255) wb_.OnRow(row.Row, row.Height, row.Format);
      sh->Rows.push_back(row);
      break;
    }
    case biff::DEFAULTROWHEIGHT:
      if (sh) sh->DefaultRowHeight = r.U16(2);
      break;
    case biff::WINDOW2: {
      if (!sh) break;
      uint16_t o = r.U16(0);
      sh->Options.Set(soShowFormulas, o & 0x01);
      sh->Options.Set(soGridlines, o & 0x02);
      sh->Options.Set(soRowColHeadings, o & 0x04);
      sh->Options.Set(soFrozenPanes, o & 0x08);
      sh->Options.Set(soShowZeros, o & 0x10);
      if (b8() && r.Has(12, 2)) {
        if (r.U16(12)) sh->Zoom = r.U16(12);
        if (r.U16(10)) sh->ZoomPreview = r.U16(10);
      }
      break;
    }
    default:
      return false;
  }
  return true;
}

// The print settings of a worksheet.
bool TXLSReader::TImpl::printRecord(uint16_t id, const TRecordView& r) {
  TSheet* sh = sheet();
  switch (id) {
    case biff::HEADER:
    case biff::FOOTER: {
      if (!sh || r.Size() == 0) break;
      std::string t = b8() ? ReadBIFF8String(r, 0, true, nullptr) : string8(r, 0, false);
      if (id == biff::HEADER)
        sh->PrintSettings.SetHeader(t);
      else
        sh->PrintSettings.SetFooter(t);
      break;
    }
    case biff::VERTICALPAGEBREAKS:
      pageBreaks(r, false);
      break;
    case biff::HORIZONTALPAGEBREAKS:
      pageBreaks(r, true);
      break;
    case biff::LEFTMARGIN:
    case biff::RIGHTMARGIN:
    case biff::TOPMARGIN:
    case biff::BOTTOMMARGIN:
      if (sh) {
        TPrintSettings& ps = sh->PrintSettings;
        double* margins[] = {&ps.MarginLeft, &ps.MarginRight, &ps.MarginTop, &ps.MarginBottom};
        *margins[id - biff::LEFTMARGIN] = r.F64(0);
      }
      break;
    case biff::PRINTHEADERS:
      if (sh) sh->PrintSettings.Options.Set(psoRowColHeading, r.U16(0) != 0);
      break;
    case biff::PRINTGRIDLINES:
      if (sh) sh->PrintSettings.Options.Set(psoGridlines, r.U16(0) != 0);
      break;
    case biff::HCENTER:
      if (sh) sh->PrintSettings.Options.Set(psoHorizCenter, r.U16(0) != 0);
      break;
    case biff::VCENTER:
      if (sh) sh->PrintSettings.Options.Set(psoVertCenter, r.U16(0) != 0);
      break;
    case biff::SETUP:
      setup(r);
      break;
    default:
      return false;
  }
  return true;
}

// Fonts, cell formats, styles and number formats.
bool TXLSReader::TImpl::formatRecord(uint16_t id, const TRecordView& r) {
  switch (id) {
    case biff::FONT:
    case biff::FONT3:
      font(r);
      break;
    case biff::XF: {
      TCellFormat& f = wb_.Formats.Add();
      if (b8()) {
        r.Need(0, 20);
        f.FromXF8(r.Data());
      } else {
        r.Need(0, 16);
        f.FromXF5(r.Data());
      }
      break;
    }
    case biff::XF4: {
      r.Need(0, 12);
      int base = wb_.Formats.NumberFormatCount() > 50 ? 50 : 0;
      wb_.Formats.Add().FromXF4(r.Data(), base);
      break;
    }
    case biff::STYLE:
      if (r.U16(0) & 0x8000) wb_.Styles.Add(std::string(r.Bytes(0, 4)));
      break;
    case biff::FORMAT: {
      if (b8()) {
        wb_.Formats.SetNumberFormat(r.U16(0), ReadBIFF8String(r, 2, true, nullptr));
      } else if (v_ == xvExcel50) {
        wb_.Formats.SetNumberFormat(r.U16(0), string8(r, 2, false));
      } else {
        wb_.Formats.AddNumberFormat(string8(r, 2, false));
      }
      break;
    }
    default:
      return false;
  }
  return true;
}

// Settings of the whole workbook, the sheet list and the shared strings.
bool TXLSReader::TImpl::bookRecord(uint16_t id, const TRecordView& r) {
  switch (id) {
    case biff::CALCMODE: {
      uint16_t m = r.U16(0);
      wb_.OptionsDialog.CalcMode = m == 0 ? cmManual : m == 0xFFFF ? cmAutoExTables : cmAutomatic;
      break;
    }
    case biff::PRECISION:
      wb_.OptionsDialog.PrecisionAsDisplayed = r.U16(0) == 0;
      break;
    case biff::WINDOWPROTECT:
      wb_.BookProtected = r.U16(0) != 0;
      break;
    case biff::DATEMODE:
      wb_.Date1904 = r.U16(0) == 1;
      break;
    case biff::FILEPASS:
      throw EXLSError("File is password protected");
    case biff::WINDOW1: {
      TWorkbookData& w = wb_.Workbook;
      w.Left = r.U16(0);
      w.Top = r.U16(2);
      w.Width = r.U16(4);
      w.Height = r.U16(6);
      if (v_ >= xvExcel50 && r.Has(8, 4)) {
        w.Options = TWorkbookOptions::FromBits(((r.U16(8) & 0x03)) | ((r.U16(8) >> 1) & 0x1C));
        w.SelectedTab = r.U16(10);
      }
      break;
    }
    case biff::BACKUP:
      wb_.Backup = r.U16(0) > 0;
      break;
    case biff::CODEPAGE:
      wb_.SetCodepage(r.U16(0));
      codepage_ = wb_.Codepage();
      break;
    case biff::WRITEACCESS:
      if (b8()) {
        wb_.UserName.clear();
      } else if (r.Size() > 0) {
        size_t n = std::min<size_t>(r.U8(0), r.Size() - 1);
        wb_.UserName = Trim(text8(r.Bytes(1, std::min<size_t>(n, 31))));
      }
      break;
    case biff::SAVERECALC:
      wb_.SaveRecalc = r.U16(0) != 0;
      break;
    case biff::BOUNDSHEET: {
      uint32_t off = r.U32(0);
      size_t cch = r.U8(6);
      std::string nm = b8() ? ReadBIFF8Chars(r, 7, cch, nullptr) : text8(r.Bytes(7, cch));
      names_.push_back({nm, off});
      break;
    }
    case biff::COUNTRY:
      wb_.Country = {r.U16(0), r.U16(2)};
      break;
    case biff::HIDEOBJ: {
      uint16_t v = r.U16(0);
      wb_.OptionsDialog.ShowObjects = v == 1 ? soPlaceholders : v == 2 ? soHideAll : soShowAll;
      break;
    }
    case biff::PALETTE: {
      int n = r.U16(0);
      for (int i = 0; i < n && 8 + i < 64; ++i)
        wb_.Palette[static_cast<size_t>(8 + i)] = r.U32(2 + static_cast<size_t>(i) * 4) & 0xFFFFFF;
      break;
    }
    case biff::BOOKBOOL:
      wb_.OptionsDialog.SaveExtLinkVal = r.U16(0) > 0;
      break;
    case biff::SST:
      if (!b8()) break;
      s_->Seek(recStart_, 0);
      wb_.Sheets.SST.Read(*s_);
      break;
    case biff::PROT4REV:
      wb_.Prot4Rev = r.U16(0) != 0;
      break;
    case biff::REFRESHALL:
      wb_.RefreshAll = r.U16(0) != 0;
      break;
    default:
      return false;
  }
  return true;
}

// Defined names and the link tables they refer through (Excel 97 only).
bool TXLSReader::TImpl::nameRecord(uint16_t id, const TRecordView& r) {
  switch (id) {
    case biff::EXTERNCOUNT:
      if (b8()) wb_.NameDefs.ExternCount = r.U16(0);
      break;
    case biff::EXTERNSHEET: {
      if (!b8()) break;
      int n = r.U16(0);
      for (int i = 0; i < n; ++i) {
        size_t off = 2 + static_cast<size_t>(i) * 6;
        wb_.NameDefs.AddExternSheet(r.U16(off), r.I16(off + 2), r.I16(off + 4));
      }
      break;
    }
    case biff::NAME:
    case biff::NAME3:
      if (b8()) name(r);
      break;
    case biff::EXTERNNAME:
    case biff::EXTERNNAME3: {
      if (!b8()) break;
      uint16_t opts = r.U16(0);
      size_t cch = r.U8(6), used = 0;
      std::string nm = ReadBIFF8Chars(r, 7, cch, &used);
      size_t p = 7 + used;
      std::string tokens;
      if (r.Has(p, 2))
        tokens = std::string(r.Bytes(p + 2, std::min<size_t>(r.U16(p), r.Size() - p - 2)));
      wb_.NameDefs.AddExternName(opts, nm, tokens);
      break;
    }
    case biff::SUPBOOK:
      if (b8()) supBook(r);
      break;
    default:
      return false;
  }
  return true;
}

// Notes, pictures and the drawing layer (Excel 97 only).
bool TXLSReader::TImpl::drawingRecord(uint16_t id, const TRecordView& r) {
  switch (id) {
    case biff::NOTE: {
      TSheet* sh = sheet();
      if (!sh || !b8()) break;
      int row = r.U16(0), col = r.U16(2);
      uint16_t flags = r.U16(4);
      if (TNote* n = sh->Notes.FindObjId(r.U16(6))) {
        n->SetCellRow(row);
        n->SetCellCol(col);
        n->Shown = flags & 0x02;
        n->Bound = true;
      }
      break;
    }
    case biff::OBJ:
      if (b8()) obj(r);
      break;
    case biff::MSODRAWINGGROUP:
      if (b8()) drawingGroup(r);
      break;
    case biff::MSODRAWING:
      if (b8()) {
        TMSOReadDrawing d;
        d.Read(r.Data(), r.Size());
        for (auto it = d.Shapes.rbegin(); it != d.Shapes.rend(); ++it) {
          if (it->ShapeType != 0 || it->HasAnchor) {
            lastShape_ = *it;
            haveShape_ = true;
            break;
          }
        }
      }
      break;
    default:
      return false;
  }
  return true;
}

void TXLSReader::TImpl::bof(const TRecordView& r) {
  int type = r.U16(2);
  if (!inWorksheet_) inWorksheet_ = type == biff::stWorksheet;
  if (type != biff::stChart) {
    ++nameIndex_;
    ++sheetIndex_;
    // Sheet numbers are 16-bit in every reference to a sheet.
    if (sheetIndex_ > 65535) throw EXLSError("Too many sheets");
    if (sheetIndex_ > 0) wb_.Sheets.Add();
    if (nameIndex_ >= 0 && nameIndex_ < static_cast<int>(names_.size()))
      wb_.Sheets.GetItem(sheetIndex_).SetName(names_[static_cast<size_t>(nameIndex_)].Name);
    haveShape_ = false;
    return;
  }
  // A chart substream: its records up to its EOF are kept.
  TRecordStorage* target = nullptr;
  TRecordStorage discard;
  auto nextName = [&]() {
    ++nameIndex_;
    return nameIndex_ < static_cast<int>(names_.size())
               ? names_[static_cast<size_t>(nameIndex_)].Name
               : std::string("Chart");
  };
  if (sheetIndex_ < 0) {
    target = &wb_.InFileCharts.Add(nextName());
  } else if (inWorksheet_) {
    TSheet* sh = sheet();
    // Excel 5 sheets have no drawing records: their charts are skipped.
    target = sh ? sh->InFileCharts.Last() : nullptr;
    if (target && !static_cast<TRecordStorage*>(target)->Records.empty()) target = nullptr;
    if (!target) target = &discard;
  } else {
    target = &wb_.InFileCharts.Add(nextName());
  }
  target->ReadUntilEOF(*s_);
  count_ += static_cast<int>(target->Records.size()) + 1;
  if (target == &discard) discard.Records.clear();
}

void TXLSReader::TImpl::sharedFormula(const TRecordView& body) {
  TShared sf;
  sf.Row1 = body.U16(0);
  sf.Row2 = body.U16(2);
  sf.Col1 = body.U8(4);
  sf.Col2 = body.U8(5);
  size_t n = body.U16(8);
  sf.Tokens = std::string(body.Bytes(10, n));
  sf.Extra = std::string(body.Rest(10 + n));
  shared_.push_back(std::move(sf));
}

void TXLSReader::TImpl::formula(const TRecordView& r) {
  TSheet* sh = sheet();
  int row = r.U16(0), col = r.U16(2);
  size_t resAt, tokAt;
  uint16_t flags;
  size_t cce;
  int format;
  if (v_ <= xvExcel21) {
    format = -1;
    resAt = 7;
    flags = r.U8(15);
    cce = r.U8(16);
    tokAt = 17;
  } else if (v_ <= xvExcel40) {
    format = xf(r.U16(4));
    resAt = 6;
    flags = r.U16(14);
    cce = r.U16(16);
    tokAt = 18;
  } else {
    format = xf(r.U16(4));
    resAt = 6;
    flags = r.U16(14);
    cce = r.U16(20);
    tokAt = 22;
  }
  std::string_view res = r.Bytes(resAt, 8);
  std::string tokens(r.Bytes(tokAt, cce));
  std::string extra(r.Rest(tokAt + cce));
  if (!sh) return;
  const bool ok = cellOk(col, row);
  const uint32_t key = CellKey(col, row);
  const bool isExp = !tokens.empty() && tokens[0] == 0x01;
  bool keepValueOnly = false;
  std::string arrayBody;

  if (isExp && (flags & 0x08)) {
    TBIFFHeader h;
    TRecordView body;
    if (peek(h, body) && (h.RecId == biff::SHRFMLA_OLD || h.RecId == biff::SHRFMLA)) {
      consume(h);
      sharedFormula(body);
    }
    const TShared* found = nullptr;
    for (const auto& s : shared_) {
      if (row >= s.Row1 && row <= s.Row2 && col >= s.Col1 && col <= s.Col2) {
        found = &s;
        break;
      }
    }
    if (found) {
      std::string t = found->Tokens;
      try {
        ConvertSharedFormula(v_, t, col, row);
        tokens = std::move(t);
        extra = found->Extra;
      } catch (const EXLSError&) {
        keepValueOnly = true;  // tokens we cannot rewrite: keep the result
      }
    } else {
      keepValueOnly = true;
    }
  } else if (isExp) {
    TBIFFHeader h;
    TRecordView body;
    if (peek(h, body) && h.RecId == biff::ARRAY) {
      consume(h);
      arrayBody = std::string(body.Bytes(0, body.Size()));
    }
  }

  auto u8 = [&](size_t i) { return static_cast<uint8_t>(res[i]); };
  const bool special = u8(6) == 0xFF && u8(7) == 0xFF && u8(0) < 4;
  if (special) {
    int kind = u8(0);
    if (kind == 0) {
      // The text follows in a STRING record (possibly after a SHRFMLA,
      // which the main loop then reads).
      std::string text;
      TBIFFHeader h;
      TRecordView body;
      if (peek(h, body) && (h.RecId == biff::SHRFMLA_OLD || h.RecId == biff::SHRFMLA)) {
        // Read the STRING behind it now; both stay for the main loop.
        int64_t save = s_->Position();
        s_->Seek(4 + h.Length, 1);
        if (peek(h, body) && (h.RecId == biff::STRING || h.RecId == biff::STRING2)) {
          const int count = count_;
          consume(h);
          text = v_ <= xvExcel21 ? string8(body, 0, false) : continuedText(body, 0);
          count_ = count;
        }
        s_->Seek(save, 0);
      } else if (peek(h, body) && (h.RecId == biff::STRING || h.RecId == biff::STRING2)) {
        consume(h);
        text = v_ <= xvExcel21 ? string8(body, 0, false) : continuedText(body, 0);
      }
      if (!ok) return;
      if (keepValueOnly) {
        emplace<TStringCell>(key, format, sh->Owner()->SST.AddString(text));
        return;
      }
      TFormulaResult fr;
      fr.Type = ctStringFormula;
      fr.Text = text;
      sh->SetFormula(col, row, format, tokens, fr);
    } else if (kind == 1 || kind == 2 || kind == 3) {
      if (!ok) return;
      if (keepValueOnly) {
        if (kind == 1)
          emplace<TBooleanCell>(key, format, u8(2) ? 1 : 0);
        else if (kind == 2)
          emplace<TErrorCell>(key, format, static_cast<uint8_t>(ErrorCodeToIndex(u8(2))));
        else
          emplace<TStringCell>(key, format, sh->Owner()->SST.AddString(""));
        return;
      }
      TFormulaResult fr;
      fr.Type = kind == 1 ? ctBooleanFormula : kind == 2 ? ctErrorFormula : ctStringFormula;
      fr.Value = u8(2);
      sh->SetFormula(col, row, format, tokens, fr);
    }
    if (TCell* c = sh->Cells.Find(key))
      if (auto* f = dynamic_cast<TFormulaCell*>(c)) f->Extra = extra;
    return;
  }
  if (!ok) return;
  double value = readLE<double>(res.data());
  if (keepValueOnly || cce == 0) {
    emplace<TFloatCell>(key, format, value);
    return;
  }
  if (!arrayBody.empty()) {
    sh->SetArrayFormula(col, row, format, tokens, arrayBody, value);
  } else {
    TFormulaResult fr;
    fr.Number = value;
    sh->SetFormula(col, row, format, tokens, fr);
  }
  if (TCell* c = sh->Cells.Find(key))
    if (auto* f = dynamic_cast<TFormulaCell*>(c)) f->Extra = extra;
}

void TXLSReader::TImpl::font(const TRecordView& r) {
  TXFont& f = wb_.Fonts.Add();
  f.Size = r.U16(0) / 20;
  uint16_t opts = r.U16(2);
  if (v_ <= xvExcel21) {
    // Excel 2.1: height, options, name; the colour has a record of its own.
    if (opts & 1) f.Style.Include(xfsBold);
    if (opts & 2) f.Style.Include(xfsItalic);
    if (opts & 4) f.Underline = xulSingle;
    f.Name = string8(r, 4, false);
  } else if (v_ <= xvExcel40) {
    f.Charset = 0;
    uint16_t c = r.U16(4);
    f.Color = c < 65 ? static_cast<TExcelColor>(c) : xcBlack;
    if (opts & 1) f.Style.Include(xfsBold);
    if (opts & 2) f.Style.Include(xfsItalic);
    if (opts & 4) f.Underline = xulSingle;
    f.Name = string8(r, 6, false);
  } else {
    uint16_t c = r.U16(4);
    f.Color = c < 65 ? static_cast<TExcelColor>(c) : xcBlack;
    if (r.U16(6) >= 700) f.Style.Include(xfsBold);
    if (opts & 2) f.Style.Include(xfsItalic);
    switch (r.U8(10)) {
      case 1:
        f.Underline = xulSingle;
        break;
      case 2:
        f.Underline = xulDouble;
        break;
      case 0x21:
        f.Underline = xulSingleAccount;
        break;
      case 0x22:
        f.Underline = xulDoubleAccount;
        break;
      default:
        f.Underline = xulNone;
    }
    f.Charset = r.U8(12);
    f.Name = counted(r, 14, false);
  }
  if (opts & 8) f.Style.Include(xfsStrikeOut);
  // BIFF has no font number 4: keep its place empty.
  if (wb_.Fonts.Count() == 4) wb_.Fonts.Add();
}

void TXLSReader::TImpl::name(const TRecordView& r) {
  uint16_t opts = r.U16(0);
  uint8_t shortcut = r.U8(2);
  size_t cch = r.U8(3);
  size_t cce = r.U16(4);
  int ixals = r.U16(6);
  int itab = r.U16(8);
  size_t used = 0;
  std::string nm = ReadBIFF8Chars(r, 14, cch, &used);
  std::string tokens(r.Bytes(14 + used, cce));
  // Every NAME keeps its place: formulas refer to names by position.
  int idx = wb_.NameDefs.AddName(opts, shortcut, itab, nm, tokens, ixals);
  if (opts == 0 && wb_.AreaNames.Find(nm) < 0) {
    try {
      TAreaName& a = wb_.AreaNames.Add();
      a.SetAreaName(nm);
      a.Tokens = tokens;
      a.Options = opts;
      a.TabIndex = static_cast<uint16_t>(itab);
      a.LinkedName = idx;
    } catch (const EXLSError&) {
      wb_.AreaNames.Delete(wb_.AreaNames.Count() - 1);
    }
  }
}

void TXLSReader::TImpl::supBook(const TRecordView& r) {
  int ctab = r.U16(0);
  TSupBook b;
  b.SheetCount = ctab;
  if (r.Size() == 4 && r.U8(2) == 1 && (r.U8(3) == 4 || r.U8(3) == 0x3A)) {
    b.FileName = std::string(r.Bytes(2, 2));
  } else {
    size_t used = 0;
    b.FileName = ReadBIFF8String(r, 2, true, &used);
    size_t p = 2 + used;
    for (int i = 0; i < ctab && p < r.Size(); ++i) {
      b.SheetNames.push_back(ReadBIFF8String(r, p, true, &used));
      p += used;
    }
  }
  wb_.NameDefs.SupBooks.push_back(std::move(b));
}

// Excel 5 and older: the count is in bytes, and CONTINUE records carry the
// rest of the bytes as they are.
std::string TXLSReader::TImpl::continuedText8(const TRecordView& r, size_t off) {
  const size_t n = r.U16(off);
  if (r.Has(off + 2, n)) return text8(r.Bytes(off + 2, n));
  std::string bytes(r.Rest(off + 2));
  TBIFFHeader h;
  TRecordView body;
  while (bytes.size() < n && peek(h, body) && h.RecId == biff::CONTINUE) {
    consume(h);
    bytes.append(reinterpret_cast<const char*>(body.Data()),
                 std::min<size_t>(body.Size(), n - bytes.size()));
  }
  if (bytes.size() < n) ++cutTexts_;
  return text8(bytes);
}

// Excel 97: a BIFF8 string. Its characters go on in CONTINUE records that
// start with an option byte of their own (bit 0: UTF-16 characters), as
// Excel and LibreOffice write them; gnumeric writes the rest of the bytes
// as they are, even cutting a UTF-16 character in two. The form whose
// parts add up to the stated length exactly is taken, the option bytes
// first; a text that no form completes is read as far as it goes.
std::string TXLSReader::TImpl::continuedText(const TRecordView& r, size_t off) {
  if (!b8()) return continuedText8(r, off);
  const size_t n = r.U16(off);
  const uint8_t opt = r.U8(off + 2);
  size_t p = off + 3 + ((opt & 0x08) ? 2 : 0) + ((opt & 0x04) ? 4 : 0);
  const bool wide = opt & 0x01;
  if (r.Has(p, n * (wide ? 2 : 1))) return ReadBIFF8Chars(r, off + 2, n, nullptr);
  std::string_view first = r.Rest(p);

  // The CONTINUE records that follow, not yet consumed.
  std::vector<TRecordView> parts;
  const int64_t start = s_->Position();
  {
    TBIFFHeader h;
    TRecordView body;
    while (peek(h, body) && h.RecId == biff::CONTINUE) {
      parts.push_back(body);
      s_->Seek(4 + h.Length, 1);
    }
    s_->Seek(start, 0);
  }
  auto take = [&](size_t used) {
    for (size_t i = 0; i < used; ++i) {
      TBIFFHeader h;
      TRecordView body;
      peek(h, body);
      consume(h);
    }
  };

  // Option bytes: each part starts with one; its characters fill it.
  std::u16string text;
  auto appendChars = [&](std::string_view bytes, bool w) {
    const size_t k = std::min(n - text.size(), bytes.size() / (w ? 2 : 1));
    for (size_t i = 0; i < k; ++i)
      text += w ? static_cast<char16_t>(readLE<uint16_t>(bytes.data() + 2 * i))
                : static_cast<char16_t>(static_cast<uint8_t>(bytes[i]));
  };
  appendChars(first, wide);
  bool exact = !(wide && first.size() % 2);
  size_t used = 0;
  while (text.size() < n && used < parts.size()) {
    const TRecordView& part = parts[used++];
    if (part.Size() == 0 || (part.U8(0) & 0xFE)) {
      exact = false;
      break;
    }
    const bool w = part.U8(0) & 1;
    const size_t before = text.size();
    appendChars(part.Rest(1), w);
    if ((part.Size() - 1) != (text.size() - before) * (w ? 2 : 1)) exact = false;
  }
  if (text.size() == n && exact) {
    take(used);
    return Utf16ToUtf8(text);
  }

  // The bytes as they are, in the width of the first part.
  const size_t need = n * (wide ? 2 : 1);
  std::string bytes(first);
  size_t raw = 0;
  while (bytes.size() < need && raw < parts.size()) {
    const TRecordView& part = parts[raw++];
    bytes.append(reinterpret_cast<const char*>(part.Data()), part.Size());
  }
  if (bytes.size() == need) {
    take(raw);
    return wide ? Utf16LEToUtf8(bytes) : Latin1ToUtf8(bytes);
  }

  // Neither adds up: the option-byte reading, as far as it went.
  take(used);
  ++cutTexts_;
  return Utf16ToUtf8(text);
}

std::string TXLSReader::TImpl::noteText() {
  TBIFFHeader h;
  TRecordView body;
  // The text box's drawing record, then TXO and its CONTINUE records.
  if (peek(h, body) && h.RecId == biff::MSODRAWING) {
    int64_t save = s_->Position();
    s_->Seek(4 + h.Length, 1);
    TBIFFHeader h2;
    TRecordView b2;
    bool txo = peek(h2, b2) && h2.RecId == biff::TXO;
    s_->Seek(save, 0);
    if (!txo) return {};
    consume(h);
  }
  if (!peek(h, body) || h.RecId != biff::TXO) return {};
  consume(h);
  size_t cch = body.U16(10);
  size_t runs = body.Has(12, 2) ? body.U16(12) : 0;
  std::u16string text;
  while (text.size() < cch) {
    if (!peek(h, body) || h.RecId != biff::CONTINUE || h.Length == 0) {
      ++cutTexts_;
      break;
    }
    consume(h);
    bool wide = body.U8(0) & 1;
    size_t avail = (body.Size() - 1) / (wide ? 2 : 1);
    size_t n = std::min(avail, cch - text.size());
    for (size_t i = 0; i < n; ++i)
      text +=
          wide ? static_cast<char16_t>(body.U16(1 + 2 * i)) : static_cast<char16_t>(body.U8(1 + i));
  }
  while (runs > 0) {
    if (!peek(h, body) || h.RecId != biff::CONTINUE) break;
    consume(h);
    runs -= std::min<size_t>(runs, h.Length);
  }
  return Utf16ToUtf8(text);
}

void TXLSReader::TImpl::obj(const TRecordView& r) {
  // Sub-records: the end, a note's data, the common object data.
  constexpr uint16_t ftEnd = 0x0000, ftNts = 0x000D, ftCmo = 0x0015;
  TSheet* sh = sheet();
  int ot = -1, id = -1;
  bool note = false;
  size_t p = 0;
  while (r.Has(p, 4)) {
    uint16_t ft = r.U16(p), cb = r.U16(p + 2);
    if (ft == ftEnd) break;
    if (ft == ftCmo && cb >= 4 && r.Has(p + 4, 4)) {
      ot = r.U16(p + 4);
      id = r.U16(p + 6);
    }
    if (ft == ftNts) note = true;
    if (!r.Has(p + 4, cb)) break;
    p += 4 + cb;
  }
  if (ot == 0x19) note = true;
  TMSOShape shape = haveShape_ ? lastShape_ : TMSOShape();
  haveShape_ = false;
  if (note) {
    std::string text = noteText();
    if (!sh) return;
    TNote& n = sh->Notes.Add();
    n.Anchor = shape.Anchor;
    n.Anchor.Explicit = true;
    n.ObjId = id;
    n.Bound = false;
    n.Text.clear();
    std::string line;
    for (char c : text) {
      if (c == '\r') continue;
      if (c == '\n') {
        n.Text.push_back(line);
        line.clear();
      } else {
        line += c;
      }
    }
    n.Text.push_back(line);
    return;
  }
  if (!sh) return;
  if (ot == 8 && shape.BlipIndex >= 1 && shape.BlipIndex <= static_cast<int>(blips_.size())) {
    TSheetPicture& sp = sh->SheetPictures.Add();
    sp.Anchor = shape.Anchor;
    sp.Anchor.Explicit = true;
    sp.AnchorComputed = true;
    sp.Bind(blips_[static_cast<size_t>(shape.BlipIndex - 1)]);
    if (!shape.PictureName.empty()) sp.Name = shape.PictureName;
  } else if (ot == 5) {
    TXLSInFileChart& c =
        sh->InFileCharts.Add("Chart " + std::to_string(sh->InFileCharts.Count() + 1));
    c.Anchor = shape.Anchor;
    c.Anchor.Explicit = true;
  }
}

void TXLSReader::TImpl::drawingGroup(const TRecordView& r) {
  std::string data(r.Bytes(0, r.Size()));
  TBIFFHeader h;
  TRecordView body;
  while (peek(h, body) && (h.RecId == biff::CONTINUE || h.RecId == biff::MSODRAWINGGROUP)) {
    consume(h);
    data.append(reinterpret_cast<const char*>(body.Data()), body.Size());
  }
  TMSOReadGroup g;
  g.Read(data);
  const bool inMemory = wb_.PictureOptions.Contains(poInMemory);
  for (TMSOBlip& b : g.Blips) {
    TXLSPicture& p = wb_.Pictures.Add();
    TPictureType type = PictureTypeOfBlip(b.BlipType);
    std::copy(b.Uid.begin(), b.Uid.end(), p.Identifier.begin());
    if (!b.RawBody.empty()) {
      p.PictureType = type;
      p.RawBlip = std::move(b.RawBody);
      p.RawBlipInstance = b.RawInstance;
    } else if (b.HasData) {
      if (inMemory) {
        p.SetFromMemory(std::move(b.Data), type);
      } else {
        const char* ext = type == ptJPEG  ? "jpg"
                          : type == ptPNG ? "png"
                          : type == ptDIB ? "bmp"
                                          : "emf";
        std::string bytes = type == ptDIB ? bitmapFileHeader(b.Data) + b.Data : b.Data;
        std::string file = writeTempPicture(bytes, ext);
        p.SetFromFile(file, type, static_cast<int64_t>(b.Data.size()), true);
      }
    } else {
      p.PictureType = type;
    }
    blips_.push_back(&p);
  }
}

void TXLSReader::TImpl::hlink(const TRecordView& r) {
  TSheet* sh = sheet();
  if (!sh) return;
  int row = r.U16(0), col = r.U16(4);
  uint32_t flags = r.U32(28);
  if (flags != 0x03 && flags != 0x17) return;
  size_t p = 32;
  std::string desc;
  if (flags & 0x14) {
    uint32_t n = r.U32(p);
    std::string raw(r.Bytes(p + 4, size_t(n) * 2));
    desc = Utf16LEToUtf8(raw);
    while (!desc.empty() && desc.back() == '\0') desc.pop_back();
    p += 4 + size_t(n) * 2;
  }
  static const uint8_t kUrl[16] = {0xE0, 0xC9, 0xEA, 0x79, 0xF9, 0xBA, 0xCE, 0x11,
                                   0x8C, 0x82, 0x00, 0xAA, 0x00, 0x4B, 0xA9, 0x0B};
  std::string_view clsid = r.Bytes(p, 16);
  if (std::memcmp(clsid.data(), kUrl, 16) != 0) return;
  uint32_t bytes = r.U32(p + 16);
  std::string url = Utf16LEToUtf8(r.Bytes(p + 20, bytes & ~1u));
  while (!url.empty() && url.back() == '\0') url.pop_back();
  if (!cellOk(col, row)) return;
  sh->Hyperlinks.push_back({desc + "\t" + url, CellKey(col, row)});
}

void TXLSReader::TImpl::dv(const TRecordView& r) {
  TSheet* sh = sheet();
  if (!sh) return;
  uint32_t opts = r.U32(0);
  size_t p = 4;
  std::string texts[4];
  for (auto& t : texts) {
    size_t n = r.U16(p);
    uint8_t enc = r.U8(p + 2);
    if (enc > 1) throw EXLSError("Unhandled string in DV");
    std::string_view raw = r.Bytes(p + 3, n * (enc ? 2 : 1));
    t = enc ? Utf16LEToUtf8(raw) : Latin1ToUtf8(raw);
    if (t.size() == 1 && t[0] == '\0') t.clear();
    p += 3 + raw.size();
  }
  std::string f[2];
  for (auto& tok : f) {
    size_t n = r.U16(p);
    tok = std::string(r.Bytes(p + 4, n));
    p += 4 + n;
  }
  size_t ranges = r.U16(p);
  if (ranges > 4095) ranges = 0;
  TDataValidation& v = sh->Validations.Add();
  v.InputTitle = texts[0];
  v.ErrorTitle = texts[1];
  v.InputMsg = texts[2];
  v.ErrorMsg = texts[3];
  v.ValidationType = static_cast<TValidationType>(std::min<uint32_t>(opts & 0x0F, 7));
  v.ValidationStyle = static_cast<TValidationStyle>(std::min<uint32_t>((opts >> 4) & 7, 2));
  v.ValidationOperator =
      static_cast<TValidationOperator>(std::min<uint32_t>((opts >> 20) & 0x0F, 7));
  v.Tokens1 = f[0];
  v.Tokens2 = f[1];
  for (size_t i = 0; i < ranges; ++i) {
    size_t off = p + 2 + i * 8;
    v.Areas.push_back({r.U16(off), r.U16(off + 2), r.U16(off + 4), r.U16(off + 6)});
  }
}

void TXLSReader::TImpl::pageBreaks(const TRecordView& r, bool horizontal) {
  TSheet* sh = sheet();
  if (!sh) return;
  int n = r.U16(0);
  auto& ps = sh->PrintSettings;
  for (int i = 0; i < n; ++i) {
    if (b8()) {
      size_t off = 2 + static_cast<size_t>(i) * 6;
      int a = r.U16(off) - 1, b = r.U16(off + 2) - 1, c = r.U16(off + 4) - 1;
      if (horizontal)
        ps.HorizPagebreaks.push_back({a, b, c});
      else
        ps.VertPagebreaks.push_back({a, b, c});
    } else {
      int a = r.U16(2 + static_cast<size_t>(i) * 2) - 1;
      if (horizontal)
        ps.HorizPagebreaks.push_back({a, 0, 255});
      else
        ps.VertPagebreaks.push_back({a, 0, 65535});
    }
  }
}

void TXLSReader::TImpl::setup(const TRecordView& r) {
  TSheet* sh = sheet();
  if (!sh) return;
  auto& ps = sh->PrintSettings;
  ps.PaperSize = r.U16(0);
  ps.ScalingFactor = r.U16(2);
  ps.StartingPage = r.U16(4);
  if (r.Has(10, 2)) {
    uint16_t o = r.U16(10);
    ps.Options.Set(psoLeftToRight, o & 0x01);
    ps.Options.Set(psoPortrait, o & 0x02);
    ps.Options.Set(psoNoColor, o & 0x08);
    ps.Options.Set(psoDraftQuality, o & 0x10);
    ps.Options.Set(psoNotes, o & 0x20);
  }
  if (r.Has(12, 2)) ps.Resolution = r.U16(12);
  if (r.Has(16, 16)) {
    ps.HeaderMargin = r.F64(16);
    ps.FooterMargin = r.F64(24);
  }
  if (r.Has(32, 2)) ps.Copies = r.U16(32);
}

// ---------------------------------------------------------------------------

TXLSReader::TXLSReader(TXLSWorkbook& workbook) : wb_(workbook) {}
TXLSReader::~TXLSReader() = default;

void TXLSReader::Read() { ReadBytes(readFileBytes(wb_.Filename)); }

void TXLSReader::ReadBytes(std::string fileBytes) {
  TXLSStream s;
  s.PreserveMacros = wb_.PreserveMacros;
  s.ExtraObjects = &wb_.ExtraObjects;
  TExcelVersion v = s.OpenReadBytes(std::move(fileBytes));
  TImpl impl(wb_);
  impl.Run(s, v);
  s.Close();
}

}  // namespace qv
