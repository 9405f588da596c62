// Run-time library basics: exceptions, number and date formatting and
// parsing, string and file-name helpers.
//
// Text is UTF-8. Number and date texts follow the class-library rules the
// program was written against (general format with 15 significant digits,
// "E" exponents, picture masks with "0", "#", ",", "." and ";" sections).
// Every function that depends on separators or date formats has an overload
// taking an explicit TFormatSettings; the others use the process-wide
// FormatSettings(): dates and names from the user's locale, numbers in one
// form, "." before the fraction (UserLocale.h). Tests set it to Invariant().
#pragma once

#include <array>
#include <cstdint>
#include <exception>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>

namespace qv {

// ---------------------------------------------------------------------------
// Exceptions. Every library failure is an Exception carrying its message.

class Exception : public std::exception {
 public:
  explicit Exception(std::string message) : message_(std::move(message)) {}
  const std::string& Message() const noexcept { return message_; }
  void SetMessage(std::string message) { message_ = std::move(message); }
  const char* what() const noexcept override { return message_.c_str(); }

 private:
  std::string message_;
};

#define QV_DECLARE_EXCEPTION(Name, Base) \
  class Name : public Base {             \
   public:                               \
    using Base::Base;                    \
  };

QV_DECLARE_EXCEPTION(EAbort, Exception)
QV_DECLARE_EXCEPTION(EConvertError, Exception)
QV_DECLARE_EXCEPTION(EInvalidOperation, Exception)
QV_DECLARE_EXCEPTION(EInvalidPointer, Exception)
QV_DECLARE_EXCEPTION(EOutOfMemory, Exception)
QV_DECLARE_EXCEPTION(ENotSupportedException, Exception)
QV_DECLARE_EXCEPTION(ERangeError, Exception)
QV_DECLARE_EXCEPTION(EIntOverflow, Exception)
QV_DECLARE_EXCEPTION(EMathError, Exception)
QV_DECLARE_EXCEPTION(EInvalidOp, EMathError)
QV_DECLARE_EXCEPTION(EZeroDivide, EMathError)
QV_DECLARE_EXCEPTION(EOverflow, EMathError)
QV_DECLARE_EXCEPTION(EUnderflow, EMathError)
QV_DECLARE_EXCEPTION(EInvalidArgument, EMathError)

// An operating-system failure; ErrorCode is the errno value (0 when unknown).
class EOSError : public Exception {
 public:
  explicit EOSError(std::string message, int errorCode = 0)
      : Exception(std::move(message)), ErrorCode(errorCode) {}
  int ErrorCode;
};

class EInOutError : public Exception {
 public:
  explicit EInOutError(std::string message, int errorCode = 0)
      : Exception(std::move(message)), ErrorCode(errorCode) {}
  int ErrorCode;
};

// Abort: the silent exception that ends an operation without a message box.
[[noreturn]] void Abort();

// The text of an errno value ("No such file or directory").
std::string SysErrorMessage(int errorCode);
// Raises EOSError for the current errno, with the given context in front.
[[noreturn]] void RaiseLastOSError(std::string_view context = {});

// ---------------------------------------------------------------------------
// Format settings.

struct TFormatSettings {
  char DecimalSeparator = '.';
  char ThousandSeparator = ',';
  // ";" whenever the decimal separator is ",", so that lists of numbers
  // stay readable; "," otherwise.
  char ListSeparator = ',';
  char DateSeparator = '/';
  char TimeSeparator = ':';
  // Date/time pictures in FormatDateTime syntax ("dd/mm/yyyy", "hh:nn").
  std::string ShortDateFormat = "MM/dd/yyyy";
  std::string LongDateFormat = "dddd, MMMM d, yyyy";
  std::string ShortTimeFormat = "hh:nn";
  std::string LongTimeFormat = "hh:nn:ss";
  std::string TimeAMString = "AM";
  std::string TimePMString = "PM";
  std::string CurrencyString = "$";
  uint8_t CurrencyFormat = 0;
  uint8_t NegCurrFormat = 0;
  uint8_t CurrencyDecimals = 2;
  std::array<std::string, 12> ShortMonthNames{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                              "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  std::array<std::string, 12> LongMonthNames{"January",   "February", "March",    "April",
                                             "May",       "June",     "July",     "August",
                                             "September", "October",  "November", "December"};
  std::array<std::string, 7> ShortDayNames{"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  std::array<std::string, 7> LongDayNames{"Sunday",   "Monday", "Tuesday", "Wednesday",
                                          "Thursday", "Friday", "Saturday"};

  // "." decimal separator, "," thousands and list separator, US dates.
  static TFormatSettings Invariant();
  // Taken from the user's locale (LC_NUMERIC, LC_TIME of the environment);
  // falls back to Invariant() for anything the locale cannot express in
  // one byte.
  static TFormatSettings FromLocale();
};

// The process-wide settings, ProgramFormatSettings() (UserLocale.h) until set.
TFormatSettings& FormatSettings();

// ---------------------------------------------------------------------------
// Format(fmt, args...): "%" [index ":"] ["-"] [width] ["." precision] type,
// type one of d u e f g n m p s x (upper or lower case); width and precision
// may be "*" (taken from the next integer argument). "%%" is a percent sign.
// - d, u: integer; precision = minimum digits (zero padded).
// - x: hexadecimal in upper case; a negative 32-bit integer prints as its
//   32-bit pattern, a negative 64-bit one as its 64-bit pattern.
// - e: scientific, precision significant digits (default 15), exponent
//   "E", sign and at least three digits ("1.00000000000000E+000").
// - f: fixed, precision decimals (default 2).
// - g: general, precision significant digits (default 15); fixed form when
//   the exponent is below the precision and the value is >= 1E-5 in
//   magnitude, else scientific with "E", "-" for negative exponents and at
//   least three exponent digits ("1E020", "1.5E-007").
// - n: as f with thousand separators.
// - m: currency with FormatSettings' currency string and decimals.
// - s: string; precision = maximum characters.
// - p: pointer as 8 hexadecimal digits (16 on 64-bit values).
// A directive that does not match its argument raises EConvertError
// "Format '<fmt>' invalid or incompatible with argument".
class FormatArg {
 public:
  enum Kind { kInt32, kInt64, kUInt64, kDouble, kString, kPointer };

  template <class T>
  requires(std::is_integral_v<T> && !std::is_same_v<T, bool> && !std::is_same_v<T, char>)
      FormatArg(T v) {
    if constexpr (std::is_signed_v<T>) {
      kind_ = sizeof(T) <= 4 ? kInt32 : kInt64;
      i_ = static_cast<int64_t>(v);
    } else if constexpr (sizeof(T) < 4) {
      kind_ = kInt32;
      i_ = static_cast<int64_t>(v);
    } else if constexpr (sizeof(T) == 4) {
      kind_ = kInt64;  // a Cardinal prints as its unsigned value
      i_ = static_cast<int64_t>(v);
    } else {
      kind_ = kUInt64;
      i_ = static_cast<int64_t>(v);
    }
  }
  FormatArg(bool v) : kind_(kInt32), i_(v ? 1 : 0) {}
  FormatArg(char c) : kind_(kString), s_(&c_, 1), c_(c) {}
  FormatArg(float v) : kind_(kDouble), d_(v) {}
  FormatArg(double v) : kind_(kDouble), d_(v) {}
  FormatArg(long double v) : kind_(kDouble), d_(static_cast<double>(v)) {}
  FormatArg(const char* s) : kind_(kString), s_(s ? std::string_view(s) : std::string_view()) {}
  FormatArg(const std::string& s) : kind_(kString), s_(s) {}
  FormatArg(std::string_view s) : kind_(kString), s_(s) {}
  FormatArg(const void* p)
      : kind_(kPointer), i_(static_cast<int64_t>(reinterpret_cast<uintptr_t>(p))) {}
  FormatArg(const FormatArg& o) : kind_(o.kind_), i_(o.i_), d_(o.d_), s_(o.s_), c_(o.c_) {
    if (o.s_.data() == &o.c_) s_ = std::string_view(&c_, 1);
  }
  FormatArg& operator=(const FormatArg&) = delete;

  Kind kind() const { return kind_; }
  int64_t asInt() const { return i_; }
  double asDouble() const { return d_; }
  std::string_view asString() const { return s_; }

 private:
  Kind kind_;
  int64_t i_ = 0;
  double d_ = 0;
  std::string_view s_;
  char c_ = 0;
};

std::string FormatV(std::string_view fmt, std::span<const FormatArg> args,
                    const TFormatSettings& fs);

template <class... A>
std::string Format(std::string_view fmt, const A&... args) {
  const std::array<FormatArg, sizeof...(A)> a{FormatArg(args)...};
  return FormatV(fmt, std::span<const FormatArg>(a.data(), a.size()), FormatSettings());
}

template <class... A>
std::string Format(const TFormatSettings& fs, std::string_view fmt, const A&... args) {
  const std::array<FormatArg, sizeof...(A)> a{FormatArg(args)...};
  return FormatV(fmt, std::span<const FormatArg>(a.data(), a.size()), fs);
}

// ---------------------------------------------------------------------------
// Floating-point texts.

enum TFloatFormat { ffGeneral, ffExponent, ffFixed, ffNumber, ffCurrency };

// FloatToStrF: the class library's float-to-text conversion.
// ffGeneral: Precision significant digits, trailing zeros removed; fixed
//   form unless the exponent is >= Precision or the value is below 1E-5,
//   then scientific with at least Digits exponent digits and no "+".
// ffExponent: Precision significant digits, "E", sign, at least Digits
//   exponent digits.
// ffFixed / ffNumber: Digits decimals (ffNumber with thousand separators);
//   numbers with more than Precision integer digits fall back to scientific.
// NaN and infinities give "NAN", "INF" and "-INF".
std::string FloatToStrF(double value, TFloatFormat format, int precision, int digits);
std::string FloatToStrF(double value, TFloatFormat format, int precision, int digits,
                        const TFormatSettings& fs);

// General format with 15 significant digits: 0.1 -> "0.1", 1E-5 -> "1E-5",
// 1.5E20 -> "1.5E20", 1/3 -> "0.333333333333333".
std::string FloatToStr(double value);
std::string FloatToStr(double value, const TFormatSettings& fs);

// Picture formatting: "0" digit, "#" optional digit, "." decimal point
// (the settings' separator is printed; omitted when no decimal follows),
// "," anywhere in the section turns on thousands grouping, "E+00"/"E-00"/"e+00"/"e-00" scientific,
// quoted text ('..' or "..") copied, other characters copied as they stand.
// Up to three sections separated by ";": positive;negative;zero. A negative
// value formatted with the second section gets no minus sign; with one
// section it gets "-". A value that rounds to zero in the chosen section
// is shown as zero: with the zero section, else with the first section and
// no sign. Values of 1E18 and more in a fixed picture give FloatToStr.
// Percent signs are text (the value is not scaled). An empty mask gives FloatToStr. Values are
// rounded half away from zero on their 15-significant-digit decimal form.
std::string FormatFloat(std::string_view mask, double value);
std::string FormatFloat(std::string_view mask, double value, const TFormatSettings& fs);

// Parsing: leading and trailing blanks are ignored; the settings' decimal
// separator, an optional sign and an optional exponent ("E" or "e") are
// accepted; no thousand separators. "INF"/"NAN" are not accepted.
// StrToFloat raises EConvertError "'<text>' is not a valid floating point value".
double StrToFloat(std::string_view s);
double StrToFloat(std::string_view s, const TFormatSettings& fs);
bool TryStrToFloat(std::string_view s, double& value);
bool TryStrToFloat(std::string_view s, double& value, const TFormatSettings& fs);
double StrToFloatDef(std::string_view s, double def);

// Integers: blanks around are ignored, optional sign, decimal digits or a
// hexadecimal number written "$FF", "0xFF" or "0XFF". The value must fit
// into the target type. StrToInt raises EConvertError
// "'<text>' is not a valid integer value".
int StrToInt(std::string_view s);
bool TryStrToInt(std::string_view s, int& value);
int StrToIntDef(std::string_view s, int def);
int64_t StrToInt64(std::string_view s);
bool TryStrToInt64(std::string_view s, int64_t& value);
int64_t StrToInt64Def(std::string_view s, int64_t def);

std::string IntToStr(int64_t value);
// Upper-case hexadecimal with at least `digits` digits.
std::string IntToHex(uint64_t value, int digits);
// "True"/"False" when useBoolStrs, else "-1"/"0" as the class library does.
std::string BoolToStr(bool value, bool useBoolStrs = false);
// Accepts "True"/"False" in any case and numbers (non-zero is true).
bool StrToBool(std::string_view s);
bool TryStrToBool(std::string_view s, bool& value);

// ---------------------------------------------------------------------------
// Strings. Case conversion and comparison of the "Ansi" forms work on whole
// code points (Latin-1 range and ASCII); the plain forms on ASCII only.

// ASCII character classes and case, the same whatever the C locale (the
// model language, number texts and file formats are defined on ASCII; bytes
// of UTF-8 sequences are never letters or digits here).
constexpr bool IsAsciiDigit(char c) { return c >= '0' && c <= '9'; }
constexpr bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
constexpr bool IsAsciiAlphaNumeric(char c) { return IsAsciiDigit(c) || IsAsciiLetter(c); }
constexpr char LowerCaseChar(char c) { return c >= 'A' && c <= 'Z' ? char(c + 32) : c; }
constexpr char UpperCaseChar(char c) { return c >= 'a' && c <= 'z' ? char(c - 32) : c; }

std::string Trim(std::string_view s);           // removes characters <= ' '
std::string_view TrimView(std::string_view s);  // the same, as a view into s
std::string TrimLeft(std::string_view s);
std::string TrimRight(std::string_view s);
std::string UpperCase(std::string_view s);
std::string LowerCase(std::string_view s);
std::string AnsiUpperCase(std::string_view s);
std::string AnsiLowerCase(std::string_view s);
// Ordinal comparisons: <0, 0, >0. CompareText folds ASCII letters to upper case.
int CompareStr(std::string_view a, std::string_view b);
int CompareText(std::string_view a, std::string_view b);
bool SameText(std::string_view a, std::string_view b);
bool SameStr(std::string_view a, std::string_view b);
int AnsiCompareText(std::string_view a, std::string_view b);
int AnsiCompareStr(std::string_view a, std::string_view b);
bool AnsiSameText(std::string_view a, std::string_view b);
bool StartsText(std::string_view sub, std::string_view s);
bool EndsText(std::string_view sub, std::string_view s);
bool ContainsText(std::string_view s, std::string_view sub);
// 1-based position of sub in s, 0 when absent (as the class library's Pos).
int Pos(std::string_view sub, std::string_view s, int offset = 1);

enum TReplaceFlag : unsigned { rfReplaceAll = 1, rfIgnoreCase = 2 };
std::string StringReplace(std::string_view s, std::string_view oldPattern,
                          std::string_view newPattern, unsigned flags);
std::string QuotedStr(std::string_view s);  // 'it''s'
std::string AnsiQuotedStr(std::string_view s, char quote);
// Removes the quotes of a text that starts with `quote` and doubles inner
// ones; a text not starting with the quote comes back as it stands.
std::string AnsiDequotedStr(std::string_view s, char quote);
std::string StringOfChar(char c, int count);

// ---------------------------------------------------------------------------
// File names and files (POSIX paths; the delimiter is '/').

constexpr char PathDelim = '/';
std::string IncludeTrailingPathDelimiter(std::string_view path);
std::string ExcludeTrailingPathDelimiter(std::string_view path);
std::string ExtractFilePath(std::string_view fileName);  // with trailing '/'
std::string ExtractFileDir(std::string_view fileName);   // without it
std::string ExtractFileName(std::string_view fileName);
std::string ExtractFileExt(std::string_view fileName);  // ".ext" or ""
std::string ChangeFileExt(std::string_view fileName, std::string_view ext);
std::string ExpandFileName(std::string_view fileName);
bool FileExists(const std::string& fileName);  // regular file
bool DirectoryExists(const std::string& dir);
bool ForceDirectories(const std::string& dir);
bool DeleteFile(const std::string& fileName);
bool RenameFile(const std::string& oldName, const std::string& newName);
std::string GetCurrentDir();
int64_t FileSizeOf(const std::string& fileName);  // -1 when absent

// ---------------------------------------------------------------------------
// Date and time: days since 30 Dec 1899, the fraction is the time of day.

using TDateTime = double;

constexpr double HoursPerDay = 24, MinsPerDay = 24 * 60, SecsPerDay = 24 * 3600,
                 MSecsPerDay = 24.0 * 3600 * 1000;

// Raise EConvertError "Invalid argument to date encode" /
// "Invalid argument to time encode" for values out of range.
TDateTime EncodeDate(int year, int month, int day);
TDateTime EncodeTime(int hour, int min, int sec, int msec);
bool TryEncodeDate(int year, int month, int day, TDateTime& date);
bool TryEncodeTime(int hour, int min, int sec, int msec, TDateTime& time);
void DecodeDate(TDateTime date, int& year, int& month, int& day);
void DecodeTime(TDateTime time, int& hour, int& min, int& sec, int& msec);
int DayOfWeek(TDateTime date);  // 1 = Sunday .. 7 = Saturday
bool IsLeapYear(int year);
int DaysInAMonth(int year, int month);
TDateTime IncMonth(TDateTime date, int months = 1);
TDateTime Now();
TDateTime Date();
TDateTime Time();

// Picture syntax: c (short date + long time), d dd ddd dddd ddddd (short
// date) dddddd (long date), m mm mmm mmmm (minutes when right after h/hh),
// yy yyyy, h hh, n nn, s ss, z (milliseconds, no padding) zz (at least two
// digits) zzz (three digits), t (short time) tt (long time), am/pm a/p ampm, "/" (date
// separator), ":" (time separator), '..' and ".." literal. Letters are case
// insensitive. An empty picture is "c".
std::string FormatDateTime(std::string_view format, TDateTime dt);
std::string FormatDateTime(std::string_view format, TDateTime dt, const TFormatSettings& fs);
std::string DateToStr(TDateTime dt);
std::string TimeToStr(TDateTime dt);
std::string DateTimeToStr(TDateTime dt);

// Parsing with the settings' date order (from ShortDateFormat) and
// separators: "d/m/y", "h:n[:s[.z]] [AM|PM]" and date followed by time.
// The failing forms raise EConvertError "'<text>' is not a valid date",
// "... valid time", "... valid date and time".
TDateTime StrToDate(std::string_view s);
TDateTime StrToTime(std::string_view s);
TDateTime StrToDateTime(std::string_view s);
bool TryStrToDate(std::string_view s, TDateTime& value);
bool TryStrToDate(std::string_view s, TDateTime& value, const TFormatSettings& fs);
bool TryStrToTime(std::string_view s, TDateTime& value);
bool TryStrToTime(std::string_view s, TDateTime& value, const TFormatSettings& fs);
bool TryStrToDateTime(std::string_view s, TDateTime& value);
bool TryStrToDateTime(std::string_view s, TDateTime& value, const TFormatSettings& fs);

}  // namespace qv
