// Printing the text of an editor: highlighted or plain, with line numbers,
// soft wrapping, and a header and footer whose texts may hold macros.
//
//   TCodeEditPrint print;
//   print.SetCodeEdit(editor);          // text, font, highlighter, selection
//   print.Header().Add("Page $PAGENUM$ of $PAGECOUNT$", nullptr, hfaRight, 1);
//   print.Print();                      // every page on the printer service
//
// Geometry is in printer pixels. The page comes from the printer service
// (Services.h: the one given with SetPrinter, else the installed one); when
// there is none, page counting uses an A4 page at 300 dots per inch. Margins
// are kept in millimetres and shown in the unit chosen.
//
// The print keeps its own copy of the lines (tabs expanded with TabWidth) and
// of the selection; the highlighter is not owned and must outlive its use
// here. Failures: printing without a printer, or a job that cannot start,
// raises EPrinter; an abort asked for through OnPrintStatus aborts the job
// and returns.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "editor/CodeEditHighlighter.h"
#include "editor/CodeEditTypes.h"
#include "platform/core/Canvas.h"
#include "platform/core/Classes.h"
#include "platform/core/Services.h"

namespace qv {

class TCustomCodeEdit;

// ---- the printer's page ------------------------------------------------------

// The page of the printer in printer pixels: the whole sheet, the printable
// area and the unprintable border around it (the gutters), and resolution.
class TCodeEditPrinterInfo {
 public:
  // Reads the page from Printer; a null or unavailable printer gives the A4
  // page at 300 dots per inch.
  void UpdatePrinter(const TPrinterService* Printer);
  bool Updated() const { return updated_; }

  int PhysicalWidth() const { return physicalWidth_; }
  int PhysicalHeight() const { return physicalHeight_; }
  int PrintableWidth() const { return printableWidth_; }
  int PrintableHeight() const { return printableHeight_; }
  int LeftGutter() const { return leftGutter_; }
  int RightGutter() const { return rightGutter_; }
  int TopGutter() const { return topGutter_; }
  int BottomGutter() const { return bottomGutter_; }
  int XPixPrInch() const { return xPixPrInch_; }
  int YPixPrInch() const { return yPixPrInch_; }
  double XPixPrmm() const { return xPixPrmm_; }
  double YPixPrmm() const { return yPixPrmm_; }

  // Printable-area pixel of a distance in millimetres from a paper edge.
  int PixFromLeft(double mm) const;
  int PixFromRight(double mm) const;
  int PixFromTop(double mm) const;
  int PixFromBottom(double mm) const;

 private:
  int physicalWidth_ = 2481, physicalHeight_ = 3507;
  int printableWidth_ = 2358, printableHeight_ = 3407;
  int leftGutter_ = 65, rightGutter_ = 58, topGutter_ = 50, bottomGutter_ = 50;
  int xPixPrInch_ = 300, yPixPrInch_ = 300;
  double xPixPrmm_ = 300 / 25.4, yPixPrmm_ = 300 / 25.4;
  bool updated_ = false;
};

// ---- margins -------------------------------------------------------------------

enum TUnitSystem : uint8_t { usMM = 0, usCM = 1, usInch = 2, muThousandthsOfInches = 3 };

// The margins of a printed page. Values are stored in millimetres and read
// and written in UnitSystem. InitPage turns them into printer pixels of the
// printable area (the P... fields) for one page.
class TCodeEditPrintMargins {
 public:
  TUnitSystem UnitSystem() const { return unitSystem_; }
  void SetUnitSystem(TUnitSystem Value) { unitSystem_ = Value; }
  double Left() const { return FromMM(left_); }
  void SetLeft(double Value) { left_ = ToMM(Value); }
  double Right() const { return FromMM(right_); }
  void SetRight(double Value) { right_ = ToMM(Value); }
  double Top() const { return FromMM(top_); }
  void SetTop(double Value) { top_ = ToMM(Value); }
  double Bottom() const { return FromMM(bottom_); }
  void SetBottom(double Value) { bottom_ = ToMM(Value); }
  double Header() const { return FromMM(header_); }
  void SetHeader(double Value) { header_ = ToMM(Value); }
  double Footer() const { return FromMM(footer_); }
  void SetFooter(double Value) { footer_ = ToMM(Value); }
  double LeftHFTextIndent() const { return FromMM(leftHFTextIndent_); }
  void SetLeftHFTextIndent(double Value) { leftHFTextIndent_ = ToMM(Value); }
  double RightHFTextIndent() const { return FromMM(rightHFTextIndent_); }
  void SetRightHFTextIndent(double Value) { rightHFTextIndent_ = ToMM(Value); }
  double HFInternalMargin() const { return FromMM(hfInternalMargin_); }
  void SetHFInternalMargin(double Value) { hfInternalMargin_ = ToMM(Value); }
  double Gutter() const { return FromMM(gutter_); }
  void SetGutter(double Value) { gutter_ = ToMM(Value); }
  // Left and right margin change places on even pages.
  bool MirrorMargins() const { return mirrorMargins_; }
  void SetMirrorMargins(bool Value) { mirrorMargins_ = Value; }

  void Assign(const TCodeEditPrintMargins& Source);

  // Pixel positions for page PageNum. With line numbers printed inside the
  // text area, the text starts after the width of MaxLineNum followed by
  // ": " in the canvas's current font.
  void InitPage(TCanvas& ACanvas, int PageNum, const TCodeEditPrinterInfo& PrinterInfo,
                bool LineNumbers, bool LineNumbersInMargin, int MaxLineNum);

  // Computed by InitPage.
  int PLeft = 0, PRight = 0, PTop = 0, PBottom = 0;
  int PHeader = 0, PFooter = 0;  // the header's bottom line, the footer's top line
  int PLeftHFTextIndent = 0, PRightHFTextIndent = 0;
  int PHFInternalMargin = 0, PGutter = 0;

 private:
  double FromMM(double mm) const;
  double ToMM(double Value) const;

  TUnitSystem unitSystem_ = usMM;
  double left_ = 25, right_ = 15, top_ = 25, bottom_ = 25;
  double header_ = 15, footer_ = 15;
  double leftHFTextIndent_ = 2, rightHFTextIndent_ = 2, hfInternalMargin_ = 0.5;
  double gutter_ = 0;
  bool mirrorMargins_ = false;
};

// ---- header and footer -------------------------------------------------------

enum THeaderFooterAlign : uint8_t { hfaLeft = 0, hfaRight = 1, hfaCenter = 2 };
enum THeaderFooterType : uint8_t { hftHeader = 0, hftFooter = 1 };
using TFrameTypes = uint8_t;
constexpr TFrameTypes ftLine = 1, ftBox = 2, ftShaded = 4;

// One text of a header or footer on one of its lines.
class THeaderFooterItem {
 public:
  std::string Text;
  TFont Font;
  int LineNumber = 1;
  THeaderFooterAlign Alignment = hfaLeft;

  // Text with its macros expanded (case-insensitive, between two "$"):
  // $PAGENUM$ (in Roman numerals when asked), $PAGECOUNT$, $TITLE$, $DATE$,
  // $TIME$, $DATETIME$ and $TIMEDATE$. Any other dollar-delimited word is
  // copied as it stands.
  std::string GetText(int NumPages, int PageNum, bool Roman, const std::string& Title,
                      const std::string& ATime, const std::string& ADate) const;
};

// The lines of text printed above (header) or below (footer) the text area
// of every page, with an optional frame. InitPrint takes the values of one
// print job; Print draws on one page.
class THeaderFooter {
 public:
  explicit THeaderFooter(THeaderFooterType AType);
  virtual ~THeaderFooter() = default;
  THeaderFooter(const THeaderFooter&) = delete;
  THeaderFooter& operator=(const THeaderFooter&) = delete;

  // Returns the index of the new item; a null font means DefaultFont.
  int Add(const std::string& Text, const TFont* Font, THeaderFooterAlign Alignment, int LineNumber);
  void Delete(int Index);
  void Clear() { items_.clear(); }
  int Count() const { return static_cast<int>(items_.size()); }
  THeaderFooterItem& Item(int Index) { return items_.at(size_t(Index)); }
  const THeaderFooterItem& Item(int Index) const { return items_.at(size_t(Index)); }
  void Assign(const THeaderFooter& Source);

  THeaderFooterType Type() const { return type_; }
  TFrameTypes FrameTypes() const { return frameTypes_; }
  void SetFrameTypes(TFrameTypes Value) { frameTypes_ = Value; }
  TColor ShadedColor() const { return shadedColor_; }
  void SetShadedColor(TColor Value) { shadedColor_ = Value; }
  TColor LineColor() const { return lineColor_; }
  void SetLineColor(TColor Value) { lineColor_ = Value; }
  TFont& DefaultFont() { return defaultFont_; }
  bool RomanNumbers() const { return romanNumbers_; }
  void SetRomanNumbers(bool Value) { romanNumbers_ = Value; }
  // Left and right items change places on even pages.
  bool MirrorPosition() const { return mirrorPosition_; }
  void SetMirrorPosition(bool Value) { mirrorPosition_ = Value; }

  // Takes the date and time now, the page count, the title and the page's
  // margins; orders the items by line and numbers the lines 1, 2, ...;
  // measures each line with the items' fonts scaled to FontDpi.
  void InitPrint(TCanvas& ACanvas, int NumPages, const std::string& Title,
                 const TCodeEditPrintMargins* Margins, int FontDpi);
  // Frame and texts on one page (nothing without items). The canvas's
  // state is restored afterwards.
  void Print(TCanvas& ACanvas, int PageNum);
  // Sum of the line heights and twice the internal margin (0 without
  // items); valid after InitPrint.
  int FrameHeight() const { return frameHeight_; }
  // The date and time texts InitPrint took.
  const std::string& DateText() const { return date_; }
  const std::string& TimeText() const { return time_; }

 private:
  struct TLineInfo {
    int LineHeight = 0;
    int MaxBaseDist = 0;
  };
  void CalcHeight(TCanvas& ACanvas);
  void DrawFrame(TCanvas& ACanvas);

  THeaderFooterType type_;
  std::vector<THeaderFooterItem> items_;
  TFrameTypes frameTypes_ = ftLine;
  TColor shadedColor_ = clSilver;
  TColor lineColor_ = clBlack;
  TFont defaultFont_;
  bool romanNumbers_ = false;
  bool mirrorPosition_ = false;
  // Print job values.
  std::string date_, time_, title_;
  int numPages_ = 0;
  int fontDpi_ = 96;
  const TCodeEditPrintMargins* margins_ = nullptr;
  int frameHeight_ = 0;
  std::vector<TLineInfo> lineInfo_;
};

class THeader : public THeaderFooter {
 public:
  THeader() : THeaderFooter(hftHeader) {}
};

class TFooter : public THeaderFooter {
 public:
  TFooter() : THeaderFooter(hftFooter) {}
};

// ---- helpers -------------------------------------------------------------------

// Roman numerals in the subtractive form (1994 gives "MCMXCIV"); 0 and
// negative values give the empty text.
std::string IntToRoman(int Value);

// Break positions that split Line (UTF-8) into pieces of at most MaxLen
// characters, each piece ending after a character of BreakChars. Positions
// are 1-based character counts from the line start, appended to List in
// order. True when the line fits (nothing added) or every piece found a
// break; false, with nothing added, when some window of MaxLen characters
// holds no break character.
bool WrapText(const std::string& Line, const std::string& BreakChars, int MaxLen,
              std::vector<int>& List);

// A font for a device of Dpi pixels per inch (heights are kept at 96).
TFont PrinterFont(const TFont& Font, int Dpi);

// ---- the print component -------------------------------------------------------

// Status values of OnPrintStatus.
enum TCodeEditPrintStatus : uint8_t { psBegin = 0, psNewPage = 1, psEnd = 2 };

class TCodeEditPrint;
using TPrintLineEvent = std::function<void(TCodeEditPrint* Sender, int LineNumber, int PageNumber)>;
using TPrintStatusEvent = std::function<void(TCodeEditPrint* Sender, TCodeEditPrintStatus Status,
                                             int PageNumber, bool& Abort)>;

class TCodeEditPrint {
 public:
  TCodeEditPrint();
  virtual ~TCodeEditPrint() = default;
  TCodeEditPrint(const TCodeEditPrint&) = delete;
  TCodeEditPrint& operator=(const TCodeEditPrint&) = delete;

  // Takes the editor's highlighter, font, tab width, lines and selection.
  void SetCodeEdit(TCustomCodeEdit& Editor);
  void Print() { PrintRange(1, -1); }
  // Pages StartPage to EndPage (-1: the last page) of every copy.
  void PrintRange(int StartPage, int EndPage);
  // Measures for the canvas and computes the pages.
  void UpdatePages(TCanvas& ACanvas);
  // Page count of the text laid out on the printer's page.
  int PageCount();

  // The printer used (not owned); null: the installed printer service.
  void SetPrinter(TPrinterService* Value) { printer_ = Value; }
  TPrinterService* GetPrinter() const;

  // ---- properties ----
  int Copies() const { return copies_; }
  void SetCopies(int Value) { copies_ = Value; }
  THeader& Header() { return header_; }
  TFooter& Footer() { return footer_; }
  TCodeEditPrintMargins& Margins() { return margins_; }
  const TStrings& Lines() const { return lines_; }
  // Every line is tab-expanded with TabWidth; remaining TABs become blanks.
  void SetLines(const TStrings& Value);
  const TFont& Font() const { return font_; }
  void SetFont(const TFont& Value) { font_.Assign(Value); }
  const std::string& Title() const { return title_; }
  void SetTitle(const std::string& Value) { title_ = Value; }
  // The job's name; the title when empty.
  const std::string& DocTitle() const { return docTitle_; }
  void SetDocTitle(const std::string& Value) { docTitle_ = Value; }
  bool Wrap() const { return wrap_; }
  void SetWrap(bool Value) { wrap_ = Value; }
  bool Highlight() const { return highlight_; }
  void SetHighlight(bool Value) { highlight_ = Value; }
  bool SelectedOnly() const { return selectedOnly_; }
  void SetSelectedOnly(bool Value) { selectedOnly_ = Value; }
  bool Colors() const { return colors_; }
  void SetColors(bool Value) { colors_ = Value; }
  bool LineNumbers() const { return lineNumbers_; }
  void SetLineNumbers(bool Value) { lineNumbers_ = Value; }
  bool LineNumbersInMargin() const { return lineNumbersInMargin_; }
  void SetLineNumbersInMargin(bool Value) { lineNumbersInMargin_ = Value; }
  // Added to every printed line number (the first line is 1 + LineOffset).
  int LineOffset() const { return lineOffset_; }
  void SetLineOffset(int Value) { lineOffset_ = Value; }
  int TabWidth() const { return tabWidth_; }
  void SetTabWidth(int Value) { tabWidth_ = Value; }
  // The page's background colour.
  TColor Color() const { return color_; }
  void SetColor(TColor Value) { color_ = Value; }
  TCodeCustomHighlighter* Highlighter() const { return highlighter_; }
  void SetHighlighter(TCodeCustomHighlighter* Value);
  // The selection to print with SelectedOnly: points are (display column,
  // line), 1-based, in text order.
  void SetSelection(bool Available, TPoint Start, TPoint End, TCodeSelectionMode Mode);

  TPrintLineEvent OnPrintLine;
  TPrintStatusEvent OnPrintStatus;

  // ---- layout of the last UpdatePages ----
  int CharWidth() const { return charWidth_; }
  int LineHeight() const { return lineHeight_; }
  int MaxCol() const { return maxCol_; }
  const TCodeEditPrinterInfo& PrinterInfo() const { return printerInfo_; }

 protected:
  // Clears Abort and asks OnPrintStatus; an abort while printing aborts the
  // printer's job.
  virtual void DoPrintStatus(TCodeEditPrintStatus Status, int PageNumber, bool& Abort);
  virtual void DoPrintLine(int LineNumber, int PageNumber);

 private:
  // Where a page starts: a line, and the wrapped piece of it.
  struct TPageStart {
    int Line = 0;
    int Piece = 0;
  };
  // The characters [From, To) of a line that print (the whole line unless
  // only a selection prints); Skip when the line does not print at all.
  struct TSegment {
    int From = 0;
    int To = 0;
    bool Skip = false;
  };
  TSegment LineSegment(int Line) const;
  // End positions (characters from the segment start) of the rows the
  // segment is printed in; the last row ends at the segment's end.
  std::vector<int> RowEnds(const std::u32string& Segment) const;
  void CalcPages(TCanvas& ACanvas);
  void InitRanges();
  void PrintPage(TCanvas& ACanvas, int Num);
  // Rows [FirstRow, LastRow) of a line, the first at the current position.
  void PrintLineRows(TCanvas& ACanvas, int Line, int FirstRow, int LastRow);
  void WriteRun(TCanvas& ACanvas, int X, int Y, const std::u32string& Text, TFontStyles Style,
                TColor Fg, TColor Bg);
  bool UseHighlighter() const;
  int MaxLineNumber() const;

  TPrinterService* printer_ = nullptr;
  TPrinterService* jobPrinter_ = nullptr;  // while printing
  int copies_ = 1;
  THeader header_;
  TFooter footer_;
  TCodeEditPrintMargins margins_;
  TStringList lines_;
  TFont font_;
  std::string title_, docTitle_;
  bool wrap_ = true;
  bool highlight_ = true;
  bool selectedOnly_ = false;
  bool colors_ = false;
  bool lineNumbers_ = false;
  bool lineNumbersInMargin_ = false;
  int lineOffset_ = 0;
  int tabWidth_ = 8;
  TColor color_ = clWhite;
  TCodeCustomHighlighter* highlighter_ = nullptr;

  // Selection.
  bool selAvail_ = false;
  TPoint selStart_{1, 1}, selEnd_{1, 1};
  TCodeSelectionMode selMode_ = smNormal;

  // Layout.
  TCodeEditPrinterInfo printerInfo_;
  TFont printFont_;
  int charWidth_ = 1;
  int lineHeight_ = 1;
  int maxCol_ = 1;
  int yPos_ = 0;
  std::vector<TPageStart> pages_;
  std::vector<int32_t> ranges_;
  bool rangesValid_ = false;
  std::vector<int> advances_;
  bool printing_ = false;
  bool abort_ = false;
  int pageOffset_ = 0;
};

}  // namespace qv
