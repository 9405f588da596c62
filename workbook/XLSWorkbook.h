// TXLSWorkbook: the workbook object of the program. It owns one in-memory
// workbook (sheets with their cells, formats, fonts, names, pictures,
// charts, print settings) and reads it from or writes it to an Excel file:
// BIFF2 to BIFF8 are read (plain files or compound documents); Excel 4.0
// (plain file, first sheet only), Excel 5 and Excel 97 are written.
//
// Reading replaces the whole workbook; a read error raises EXLSError
// "Error on reading record # <n>" + CR + the cause (or the container's
// message). Writing builds the whole file in memory and saves it
// atomically, so a failed write leaves an existing file byte-identical.
// Messages that the workbook shows the user (duplicate sheet names, texts
// too long, picture files not found) go to OnMessage.
//
// The data sheet window fills sheets with SetCellText and reads them back
// with CalcDimensions, ColWidthPixels and GetCellText.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/core/SysUtils.h"
#include "workbook/EncodeFormula.h"
#include "workbook/SheetData.h"
#include "workbook/XLSCharts.h"
#include "workbook/XLSFormats.h"
#include "workbook/XLSNames.h"
#include "workbook/XLSPictures.h"
#include "workbook/XLSStream.h"

namespace qv {

// Separators, month and day names and date/time formats the workbook
// shows values with, and the country code of the COUNTRY record of a new
// workbook.
struct LocaleSettings {
  TFormatSettings Format = TFormatSettings::Invariant();
  int CountryCode = 1;
  // English (United States): "." decimals, "," lists, M/d/yyyy dates,
  // h:mm AM/PM times.
  static LocaleSettings EnUS();
  // From the user's locale.
  static LocaleSettings FromSystem();
};

enum TCalcMode : uint8_t { cmManual, cmAutomatic, cmAutoExTables };
enum TShowObjects : uint8_t { soShowAll, soPlaceholders, soHideAll };

class TOptionsDialog {
 public:
  bool SaveExtLinkVal = false;
  int CalcCount = 0;
  TCalcMode CalcMode = cmAutomatic;
  double Delta = 0;
  TShowObjects ShowObjects = soShowAll;
  bool Iteration = false;
  bool PrecisionAsDisplayed = false;
  bool R1C1Mode = false;
  bool RecalcBeforeSave = false;
  bool Uncalced = false;
  const std::string& UserName() const { return userName_; }
  // Keeps the first 255 characters.
  void SetUserName(const std::string& v);

 private:
  std::string userName_;
};

enum TWorkbookOption : uint8_t { woHidden, woIconized, woHScroll, woVScroll, woTabs };
using TWorkbookOptions = TSmallSet<TWorkbookOption>;

struct TWorkbookData {
  int Left = 100, Top = 100, Width = 10000, Height = 7000;
  int SelectedTab = 0;
  TWorkbookOptions Options{woHScroll, woVScroll, woTabs};
};

// The message of a write refused because a sheet has more rows than the
// version holds: 'Sheet "<name>" has <rows> rows; Excel 5 files hold at
// most 16384 rows per sheet'.
std::string TooManyRowsMessage(const std::string& sheet, int rows, TExcelVersion version);

class TXLSWorkbook : public TFormulaHost {
 public:
  using TMessageEvent = std::function<void(const std::string& text)>;
  using TProgressEvent = std::function<void(int percent)>;
  using TColumnWidthEvent = std::function<void(TSheet& sheet, int col, int widthPixels, int)>;
  using TRowEvent = std::function<void(int row, int height, int format)>;

  explicit TXLSWorkbook(const LocaleSettings& locale = LocaleSettings::FromSystem());
  ~TXLSWorkbook() override;
  TXLSWorkbook(const TXLSWorkbook&) = delete;
  TXLSWorkbook& operator=(const TXLSWorkbook&) = delete;

  // ---- published ----
  TExcelVersion Version() const { return version_; }
  // Also sets the largest record body and the formula encoder's version.
  void SetVersion(TExcelVersion v);
  int Codepage() const { return codepage_; }
  void SetCodepage(int v) { codepage_ = v == 0 ? 1252 : v; }
  char FuncArgSeparator() const { return Encoder.ListSeparator; }
  // '\0' restores the locale's list separator.
  void SetFuncArgSeparator(char c);
  // Font 0 of the font list; "No Fonts" (message) when the list is empty.
  TXFont* Font();
  void SetFont(const TXFont& f);
  std::string ComponentVersion() const { return "1.14.05"; }

  TWorkbookData Workbook;
  TOptionsDialog OptionsDialog;
  std::string UserName;
  bool BookProtected = false;
  bool Backup = false;
  bool RefreshAll = false;
  bool WriteUnicodeStrings = false;
  std::string StrTRUE = "TRUE";
  std::string StrFALSE = "FALSE";
  bool ShowFormulas = false;
  TPictureOptions PictureOptions{poDeleteTempFiles};
  std::string Filename;
  bool IsMac = false;
  bool PreserveMacros = true;

  TMessageEvent OnMessage;
  TProgressEvent OnProgress;
  TColumnWidthEvent OnColumnWidth;
  TRowEvent OnRow;
  std::function<void(TXLSWorkbook&)> OnAfterRead;

  // ---- members (order matters: pictures outlive the sheets) ----
  LocaleSettings Locale;
  TEncodeFormula Encoder;
  TXFonts Fonts;
  TCellFormats Formats;
  TStyles Styles;
  TNameDefs NameDefs;
  TXLSPictures Pictures;
  TAreaNames AreaNames;
  TXLSInFileCharts InFileCharts;  // chart sheets kept from reading
  TExtraObjects ExtraObjects;
  TXLSPalette Palette;
  TSheets Sheets;

  bool NotRead = true;  // no file has been read into the workbook
  // The version the formula tokens of the cells are in: that of the file
  // read, or the encoder's for a new workbook. The writer re-encodes
  // formulas for another version.
  TExcelVersion FormulaVersion = xvExcel97;
  bool Date1904 = false;
  bool SaveRecalc = true;
  bool Prot4Rev = false;
  std::array<int, 2> Country{0, 0};

  // ---- operations ----
  // Empties the workbook to one empty sheet with default formats.
  void Clear();
  // Reads Filename (see the file comment for failures).
  void Read();
  // The same from the bytes of a file (the name is not used).
  void ReadFromBytes(std::string fileBytes);
  // Writes Filename in Version: Excel 97, 5 or 4.0; xvNone and
  // xvExcelUnknown write Excel 97; Excel 2.1 and 3.0 raise EXLSError "Can
  // not write Excel 2.1/3.0 files" and touch nothing. A sheet with rows past
  // what the version holds (16,384 rows before Excel 97) raises
  // TooManyRowsMessage and touches nothing. Texts of Excel 4.0 and 5 go in
  // the Windows code page that holds them all; when none does, in 1252,
  // and OnMessage tells how many characters became "?".
  void Write();
  // The bytes of the file Write would save.
  std::string WriteToBytes();

  int MaxRecordSize() const { return MaxRecordBody(version_); }
  int NoteCount() const;
  int SheetPictureCount() const;
  int ChartCount() const;

  // ---- formula services ----
  std::string DecodeTokens(std::string_view tokens) override;
  std::string DecodeTokens(std::string_view tokens, TExcelVersion v, int baseCol, int baseRow,
                           std::string_view extra = {});
  std::string EncodeText(const std::string& text, size_t capacity) override;
  void ShowMessage(const std::string& text) override;
  // Name texts for the decoder (see TNameLookup).
  std::string NameText(int kind, int index, int nameIndex);
  // The external-sheet index of a sheet name for the encoder, -1 unknown.
  int SheetIndexOf(const std::string& name);
  // The number (from 1) of a defined or area name, 0 unknown.
  int NameIndexOf(const std::string& name);
  // Registers an add-in function name; its external sheet and name index.
  bool RegisterExternName(const std::string& name, int& externSheet, int& nameIndex);

 private:
  TExcelVersion version_ = xvExcel97;
  int codepage_ = 1200;
};

}  // namespace qv
