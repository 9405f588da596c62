// TExcelMask: an Excel number-format text (such as
// #,##0.00;[Red]-#,##0.00) compiled into up to four sections (positive,
// negative, zero, text) of format items, and the formatting of a value
// with it as text and a colour.
//
// Dates and times are serial numbers in days (1900 date system: serial 61
// is 1 March 1900; with Date1904 serial 0 is 1 January 1904). Separators,
// month and day names come from the format settings given.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/Graphics.h"
#include "platform/core/SysUtils.h"

namespace qv {

class TExcelMask {
 public:
  explicit TExcelMask(const TFormatSettings& settings = TFormatSettings::Invariant());

  // Compiles the text; more than 255 characters raise EXLSError "Format
  // string more than 255 characthers".
  void SetMask(std::string_view text);
  const std::string& Mask() const { return mask_; }

  TFormatSettings Settings;
  bool Date1904 = false;

  // The text of a value and its colour (clNone when the section has none).
  void FormatNumber(double value, std::string& text, TColor& color) const;
  std::string FormatNumber(double value) const;
  // "0 bytes", "<n> bytes" below 1024, then "%.2f kb", "Mb", "Gb".
  std::string FormatSize(double bytes) const;

  // True when the first section shows a date or time.
  bool IsDateTime() const;

 private:
  enum TItemKind : uint8_t {
    ikText,     // "@"
    ikLiteral,  // one character (UTF-8 text)
    ikQuoted,   // quoted text
    ikDigit0,
    ikDigitHash,
    ikDigitQ,
    ikDecimal,
    ikPercent,
    ikExponent,  // text "+" or "-"
    ikYY,
    ikYYYY,
    ikMonth,   // count 1..5
    ikDay,     // count 1..4
    ikHour,    // count 1..2, twelve
    ikMinute,  // count 1..2
    ikSecond,  // count 1..2
    ikElapsedH,
    ikElapsedM,
    ikElapsedS,
    ikAmPm,  // text "AM/PM", "am/pm", "a/p"
    ikNumStart,
    ikGeneral,
    ikDateSep,
    ikTimeSep
  };
  struct TItem {
    TItemKind Kind;
    int Count = 0;
    bool Twelve = false;
    std::string Text;
  };
  struct TSection {
    bool Present = false;
    std::vector<TItem> Items;
    TColor Color = clNone;
    bool IsText = false;
    bool Thousands = false;
    bool Percent = false;
    bool Exponent = false;
    bool IsDate = false;
    int TrailingCommas = 0;
  };

  void compileSection(std::string_view text, TSection& s);
  std::string formatNumeric(const TSection& s, double value, bool withSign) const;
  std::string formatDate(const TSection& s, double value) const;
  std::string generalText(double value) const;
  static void roundedDigits(double v, int decimals, std::string& intPart, std::string& fracPart);

  std::string mask_;
  TSection sections_[4];
};

}  // namespace qv
