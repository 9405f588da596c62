// TDateTime arithmetic, FormatDateTime and the date/time parsers.
#include <sys/time.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <ctime>

#include "platform/core/SysUtils.h"

namespace qv {

namespace {

constexpr int64_t kMsPerDay = 86400000;
// Day number (days since 1899-12-30) of 0001-01-01.
constexpr int64_t kDateDelta = 693593;

// Days since 0001-01-01 for a proleptic Gregorian date.
int64_t daysFromCivil(int y, int m, int d) {
  const int64_t yy = y - 1;
  static const int cum[12] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
  int64_t days = yy * 365 + yy / 4 - yy / 100 + yy / 400 + cum[m - 1] + (d - 1);
  if (m > 2 && IsLeapYear(y)) ++days;
  return days;
}

void civilFromDays(int64_t n, int& y, int& m, int& d) {
  // n = days since 0001-01-01 (>= 0)
  int64_t y400 = n / 146097;
  n %= 146097;
  int64_t y100 = n / 36524;
  if (y100 == 4) y100 = 3;
  n -= y100 * 36524;
  int64_t y4 = n / 1461;
  n %= 1461;
  int64_t y1 = n / 365;
  if (y1 == 4) y1 = 3;
  n -= y1 * 365;
  y = static_cast<int>(y400 * 400 + y100 * 100 + y4 * 4 + y1 + 1);
  m = 1;
  while (true) {
    const int dim = DaysInAMonth(y, m);
    if (n < dim) break;
    n -= dim;
    ++m;
  }
  d = static_cast<int>(n) + 1;
}

// Splits a date-time into its day number and the milliseconds of the day,
// rounding to the millisecond (a time that rounds up to midnight moves to
// the next day). Negative values keep the class library's reading: the
// day is the integral part, the time of day the absolute fraction.
void splitDateTime(TDateTime dt, int64_t& day, int64_t& ms) {
  if (!std::isfinite(dt) || std::fabs(dt) > 1e7) {
    day = 0;
    ms = 0;
    return;
  }
  double ip = std::trunc(dt);
  ms = std::llround(std::fabs(dt - ip) * static_cast<double>(kMsPerDay));
  day = static_cast<int64_t>(ip);
  if (ms >= kMsPerDay) {
    ms -= kMsPerDay;
    day += dt < 0 ? -1 : 1;
  }
}

}  // namespace

bool IsLeapYear(int year) { return (year % 4 == 0) && (year % 100 != 0 || year % 400 == 0); }

int DaysInAMonth(int year, int month) {
  static const int dim[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  return dim[month - 1] + (month == 2 && IsLeapYear(year) ? 1 : 0);
}

bool TryEncodeDate(int year, int month, int day, TDateTime& date) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 ||
      day > DaysInAMonth(year, month))
    return false;
  date = static_cast<double>(daysFromCivil(year, month, day) - kDateDelta);
  return true;
}

bool TryEncodeTime(int hour, int min, int sec, int msec, TDateTime& time) {
  if (hour < 0 || hour > 23 || min < 0 || min > 59 || sec < 0 || sec > 59 || msec < 0 || msec > 999)
    return false;
  time = static_cast<double>(((hour * 60 + min) * 60 + sec) * 1000 + msec) /
         static_cast<double>(kMsPerDay);
  return true;
}

TDateTime EncodeDate(int year, int month, int day) {
  TDateTime d;
  if (!TryEncodeDate(year, month, day, d)) throw EConvertError("Invalid argument to date encode");
  return d;
}

TDateTime EncodeTime(int hour, int min, int sec, int msec) {
  TDateTime t;
  if (!TryEncodeTime(hour, min, sec, msec, t))
    throw EConvertError("Invalid argument to time encode");
  return t;
}

void DecodeDate(TDateTime date, int& year, int& month, int& day) {
  int64_t d, ms;
  splitDateTime(date, d, ms);
  const int64_t n = d + kDateDelta;
  if (n < 0) {
    year = month = day = 0;
    return;
  }
  civilFromDays(n, year, month, day);
}

void DecodeTime(TDateTime time, int& hour, int& min, int& sec, int& msec) {
  int64_t d, ms;
  splitDateTime(time, d, ms);
  hour = static_cast<int>(ms / 3600000);
  min = static_cast<int>(ms / 60000 % 60);
  sec = static_cast<int>(ms / 1000 % 60);
  msec = static_cast<int>(ms % 1000);
}

int DayOfWeek(TDateTime date) {
  int64_t d, ms;
  splitDateTime(date, d, ms);
  // 1899-12-30 was a Saturday (7)
  int64_t w = (d + 6) % 7;
  if (w < 0) w += 7;
  return static_cast<int>(w) + 1;
}

TDateTime IncMonth(TDateTime date, int months) {
  int y, m, d;
  DecodeDate(date, y, m, d);
  int64_t total = static_cast<int64_t>(y) * 12 + (m - 1) + months;
  y = static_cast<int>(total / 12);
  m = static_cast<int>(total % 12) + 1;
  d = std::min(d, DaysInAMonth(y, m));
  const double frac = date - std::trunc(date);
  return EncodeDate(y, m, d) + (date >= 0 ? frac : -frac);
}

TDateTime Now() {
  struct timeval tv;
  gettimeofday(&tv, nullptr);
  time_t t = tv.tv_sec;
  struct tm lt;
  localtime_r(&t, &lt);
  return EncodeDate(lt.tm_year + 1900, lt.tm_mon + 1, lt.tm_mday) +
         EncodeTime(lt.tm_hour, lt.tm_min, std::min(lt.tm_sec, 59),
                    static_cast<int>(tv.tv_usec / 1000));
}
TDateTime Date() { return std::trunc(Now()); }
TDateTime Time() {
  const TDateTime n = Now();
  return n - std::trunc(n);
}

// ---------------------------------------------------------------------------
// FormatDateTime
//
// A run of the same picture letter is read as one token, as the class
// library does: the length of the run, capped at the widest form, is the
// minimum number of digits. "h", "n", "s" print without padding when single
// and with two digits for two or more letters. "z" prints the milliseconds
// with at least as many digits as letters, up to three: "z" gives no
// padding, "zzz" (and longer runs) three digits, and "zz" two digits, so
// the elapsed-time picture "hh:nn:ss:zz" shows 1.005 s as "00:00:01:05"
// and 1.450 s as "00:00:01:450", as users of the result report have always
// seen it. "y" gives two digits for one or two letters and four for more;
// "m" and "d" count 1, 2, 3, 4 (and 5, 6 for "d") as listed in the header.

namespace {

struct DTParts {
  int year = 0, month = 0, day = 0, hour = 0, min = 0, sec = 0, msec = 0, dow = 1;
};

std::string pad(int v, int width) {
  std::string s = std::to_string(v);
  if (static_cast<int>(s.size()) < width) s.insert(0, static_cast<size_t>(width) - s.size(), '0');
  return s;
}

bool hasAmPm(std::string_view f) {
  char quote = 0;
  for (size_t i = 0; i < f.size(); ++i) {
    const char c = f[i];
    if (quote) {
      if (c == quote) quote = 0;
      continue;
    }
    if (c == '"' || c == '\'') {
      quote = c;
      continue;
    }
    if (c == 'a' || c == 'A') {
      auto at = [&](std::string_view w) {
        return f.size() - i >= w.size() && SameText(f.substr(i, w.size()), w);
      };
      if (at("am/pm") || at("a/p") || at("ampm")) return true;
    }
  }
  return false;
}

void formatInto(std::string& out, std::string_view f, const DTParts& p, bool midnight,
                const TFormatSettings& fs, int depth) {
  if (depth > 3) return;
  const bool twelve = hasAmPm(f);
  char last = 0;  // last letter token, for "m" after "h"
  size_t i = 0;
  while (i < f.size()) {
    const char c = f[i];
    const char u = UpperCaseChar(c);
    if (c == '"' || c == '\'') {
      size_t j = f.find(c, i + 1);
      if (j == std::string_view::npos) j = f.size();
      out.append(f.substr(i + 1, j - i - 1));
      i = j + 1;
      continue;
    }
    if (u == 'A') {
      auto at = [&](std::string_view w) {
        return f.size() - i >= w.size() && SameText(f.substr(i, w.size()), w);
      };
      const bool pm = p.hour >= 12;
      if (at("am/pm")) {
        std::string_view w = f.substr(i + (pm ? 3 : 0), 2);
        out.append(w);
        i += 5;
      } else if (at("a/p")) {
        out += f[i + (pm ? 2 : 0)];
        i += 3;
      } else if (at("ampm")) {
        out += pm ? fs.TimePMString : fs.TimeAMString;
        i += 4;
      } else {
        out += c;
        ++i;
      }
      continue;
    }
    if (u == '/') {
      out += fs.DateSeparator;
      ++i;
      continue;
    }
    if (u == ':') {
      out += fs.TimeSeparator;
      ++i;
      continue;
    }
    if (std::string_view("CDMYHNSZT").find(u) == std::string_view::npos) {
      out += c;
      ++i;
      continue;
    }
    size_t j = i;
    while (j < f.size() && UpperCaseChar(f[j]) == u) ++j;
    const int count = static_cast<int>(j - i);
    i = j;
    switch (u) {
      case 'C':
        formatInto(out, fs.ShortDateFormat, p, midnight, fs, depth + 1);
        if (!midnight) {
          out += ' ';
          formatInto(out, fs.LongTimeFormat, p, midnight, fs, depth + 1);
        }
        break;
      case 'Y':
        out += count <= 2 ? pad(p.year % 100, 2) : pad(p.year, 4);
        break;
      case 'M':
        if (last == 'H' && count <= 2) {
          out += pad(p.min, count == 1 ? 0 : 2);
        } else if (count <= 2) {
          out += pad(p.month, count == 1 ? 0 : 2);
        } else if (count == 3) {
          out += fs.ShortMonthNames[static_cast<size_t>(std::clamp(p.month, 1, 12) - 1)];
        } else {
          out += fs.LongMonthNames[static_cast<size_t>(std::clamp(p.month, 1, 12) - 1)];
        }
        break;
      case 'D':
        if (count <= 2)
          out += pad(p.day, count == 1 ? 0 : 2);
        else if (count == 3)
          out += fs.ShortDayNames[static_cast<size_t>(p.dow - 1)];
        else if (count == 4)
          out += fs.LongDayNames[static_cast<size_t>(p.dow - 1)];
        else if (count == 5)
          formatInto(out, fs.ShortDateFormat, p, midnight, fs, depth + 1);
        else
          formatInto(out, fs.LongDateFormat, p, midnight, fs, depth + 1);
        break;
      case 'H': {
        int h = p.hour;
        if (twelve) {
          h %= 12;
          if (h == 0) h = 12;
        }
        out += pad(h, count == 1 ? 0 : 2);
        break;
      }
      case 'N':
        out += pad(p.min, count == 1 ? 0 : 2);
        break;
      case 'S':
        out += pad(p.sec, count == 1 ? 0 : 2);
        break;
      case 'Z':
        out += pad(p.msec, std::min(count, 3));
        break;
      case 'T':
        formatInto(out, count == 1 ? fs.ShortTimeFormat : fs.LongTimeFormat, p, midnight, fs,
                   depth + 1);
        break;
    }
    last = u;
  }
}

}  // namespace

std::string FormatDateTime(std::string_view format, TDateTime dt, const TFormatSettings& fs) {
  DTParts p;
  int64_t day, ms;
  splitDateTime(dt, day, ms);
  DecodeDate(static_cast<double>(day), p.year, p.month, p.day);
  p.hour = static_cast<int>(ms / 3600000);
  p.min = static_cast<int>(ms / 60000 % 60);
  p.sec = static_cast<int>(ms / 1000 % 60);
  p.msec = static_cast<int>(ms % 1000);
  p.dow = DayOfWeek(static_cast<double>(day));
  std::string out;
  formatInto(out, format.empty() ? std::string_view("c") : format, p, ms == 0, fs, 0);
  return out;
}

std::string FormatDateTime(std::string_view format, TDateTime dt) {
  return FormatDateTime(format, dt, FormatSettings());
}
std::string DateToStr(TDateTime dt) { return FormatDateTime("ddddd", dt); }
std::string TimeToStr(TDateTime dt) { return FormatDateTime("tt", dt); }
std::string DateTimeToStr(TDateTime dt) { return FormatDateTime("c", dt); }

// ---------------------------------------------------------------------------
// Parsing

namespace {

struct Scanner {
  std::string_view s;
  size_t i = 0;
  void blanks() {
    while (i < s.size() && s[i] == ' ') ++i;
  }
  bool number(int& v, int& digits) {
    blanks();
    size_t j = i;
    long n = 0;
    while (j < s.size() && IsAsciiDigit(s[j]) && j - i < 9) {
      n = n * 10 + (s[j] - '0');
      ++j;
    }
    if (j == i) return false;
    digits = static_cast<int>(j - i);
    v = static_cast<int>(n);
    i = j;
    return true;
  }
  bool sep(char c) {
    blanks();
    if (i < s.size() && s[i] == c) {
      ++i;
      return true;
    }
    return false;
  }
  bool dateSep(char c) {
    blanks();
    if (i < s.size() && (s[i] == c || s[i] == '/' || s[i] == '.' || s[i] == '-')) {
      ++i;
      return true;
    }
    return false;
  }
  bool end() {
    blanks();
    return i >= s.size();
  }
};

// Order of day, month and year in a date picture: "DMY", "MDY" or "YMD".
std::string dateOrder(std::string_view picture) {
  std::string order;
  for (char c : picture) {
    const char u = UpperCaseChar(c);
    if ((u == 'D' || u == 'M' || u == 'Y') && order.find(u) == std::string::npos) order += u;
  }
  if (order.size() != 3) return "MDY";
  return order;
}

bool scanDate(Scanner& sc, TDateTime& value, const TFormatSettings& fs) {
  int n[3], digits[3], count = 0;
  if (!sc.number(n[0], digits[0])) return false;
  count = 1;
  if (!sc.dateSep(fs.DateSeparator)) return false;
  if (!sc.number(n[1], digits[1])) return false;
  count = 2;
  const size_t save = sc.i;
  if (sc.dateSep(fs.DateSeparator) && sc.number(n[2], digits[2])) {
    count = 3;
  } else {
    sc.i = save;
  }
  std::string order = dateOrder(fs.ShortDateFormat);
  int y = 0, m = 0, d = 0;
  if (count == 2) {
    order.erase(order.find('Y'), 1);
    time_t t = time(nullptr);
    struct tm lt;
    localtime_r(&t, &lt);
    y = lt.tm_year + 1900;
    m = order[0] == 'M' ? n[0] : n[1];
    d = order[0] == 'M' ? n[1] : n[0];
  } else {
    for (int k = 0; k < 3; ++k) {
      if (order[static_cast<size_t>(k)] == 'Y') {
        y = n[k];
        if (digits[k] <= 2) {
          // two-digit years fall into the 100 years around today
          time_t t = time(nullptr);
          struct tm lt;
          localtime_r(&t, &lt);
          const int now = lt.tm_year + 1900;
          y += now / 100 * 100;
          if (y > now + 50)
            y -= 100;
          else if (y <= now - 50)
            y += 100;
        }
      } else if (order[static_cast<size_t>(k)] == 'M') {
        m = n[k];
      } else {
        d = n[k];
      }
    }
  }
  return TryEncodeDate(y, m, d, value);
}

bool scanTime(Scanner& sc, TDateTime& value, const TFormatSettings& fs) {
  int h, n = 0, s = 0, z = 0, dg;
  if (!sc.number(h, dg)) return false;
  if (!sc.sep(fs.TimeSeparator) && !sc.sep(':')) {
    // an hour alone needs AM/PM
    sc.blanks();
  } else {
    if (!sc.number(n, dg)) return false;
    if (sc.sep(fs.TimeSeparator) || sc.sep(':')) {
      if (!sc.number(s, dg)) return false;
      if (sc.sep('.') || sc.sep(fs.DecimalSeparator)) {
        if (!sc.number(z, dg)) return false;
        while (dg > 3) {
          z /= 10;
          --dg;
        }
        while (dg < 3) {
          z *= 10;
          ++dg;
        }
      }
    }
  }
  sc.blanks();
  auto word = [&](std::string_view w) {
    if (!w.empty() && sc.s.size() - sc.i >= w.size() &&
        AnsiSameText(sc.s.substr(sc.i, w.size()), w)) {
      sc.i += w.size();
      return true;
    }
    return false;
  };
  bool am = false, pm = false;
  if (word(fs.TimeAMString) || word("AM"))
    am = true;
  else if (word(fs.TimePMString) || word("PM"))
    pm = true;
  if (am || pm) {
    if (h < 1 || h > 12) return false;
    h %= 12;
    if (pm) h += 12;
  }
  return TryEncodeTime(h, n, s, z, value);
}

}  // namespace

bool TryStrToDate(std::string_view s, TDateTime& value, const TFormatSettings& fs) {
  Scanner sc{s};
  TDateTime d;
  if (!scanDate(sc, d, fs) || !sc.end()) return false;
  value = d;
  return true;
}
bool TryStrToDate(std::string_view s, TDateTime& value) {
  return TryStrToDate(s, value, FormatSettings());
}

bool TryStrToTime(std::string_view s, TDateTime& value, const TFormatSettings& fs) {
  Scanner sc{s};
  TDateTime t;
  if (!scanTime(sc, t, fs) || !sc.end()) return false;
  value = t;
  return true;
}
bool TryStrToTime(std::string_view s, TDateTime& value) {
  return TryStrToTime(s, value, FormatSettings());
}

bool TryStrToDateTime(std::string_view s, TDateTime& value, const TFormatSettings& fs) {
  Scanner sc{s};
  TDateTime d, t = 0;
  if (scanDate(sc, d, fs)) {
    if (!sc.end()) {
      if (!scanTime(sc, t, fs) || !sc.end()) return false;
    }
    value = d + (d < 0 ? -t : t);
    return true;
  }
  return TryStrToTime(s, value, fs);
}
bool TryStrToDateTime(std::string_view s, TDateTime& value) {
  return TryStrToDateTime(s, value, FormatSettings());
}

TDateTime StrToDate(std::string_view s) {
  TDateTime v;
  if (!TryStrToDate(s, v)) throw EConvertError("'" + std::string(s) + "' is not a valid date");
  return v;
}
TDateTime StrToTime(std::string_view s) {
  TDateTime v;
  if (!TryStrToTime(s, v)) throw EConvertError("'" + std::string(s) + "' is not a valid time");
  return v;
}
TDateTime StrToDateTime(std::string_view s) {
  TDateTime v;
  if (!TryStrToDateTime(s, v))
    throw EConvertError("'" + std::string(s) + "' is not a valid date and time");
  return v;
}

}  // namespace qv
