#include "workbook/ExcelMask.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "platform/core/Codepage.h"
#include "workbook/XLSStream.h"

namespace qv {

TExcelMask::TExcelMask(const TFormatSettings& settings) : Settings(settings) {}

namespace {

bool isDateLetter(char c) {
  switch (c) {
    case 'y':
    case 'Y':
    case 'm':
    case 'M':
    case 'd':
    case 'D':
    case 'h':
    case 'H':
    case 's':
    case 'S':
      return true;
    default:
      return false;
  }
}

char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

// The UTF-8 sequence that starts at i.
std::string utf8At(std::string_view s, size_t& i) {
  size_t start = i;
  Utf8Next(s, i);
  return std::string(s.substr(start, i - start));
}

}  // namespace

void TExcelMask::SetMask(std::string_view text) {
  if (Utf8Length(text) > 255) throw EXLSError("Format string more than 255 characthers");
  mask_ = std::string(text);
  for (auto& s : sections_) s = TSection();
  // Split at ";" outside double quotes and brackets; at most four sections.
  size_t start = 0;
  int n = 0;
  bool quote = false, bracket = false;
  for (size_t i = 0; i <= text.size() && n < 4; ++i) {
    char c = i < text.size() ? text[i] : ';';
    if (i < text.size() && c == '\\') {
      ++i;
      continue;
    }
    if (c == '"') quote = !quote;
    if (quote) continue;
    if (c == '[') bracket = true;
    if (c == ']') bracket = false;
    if (c == ';' && !bracket) {
      compileSection(text.substr(start, i - start), sections_[n]);
      ++n;
      start = i + 1;
    }
  }
}

void TExcelMask::compileSection(std::string_view t, TSection& s) {
  s.Present = true;
  auto add = [&](TItemKind k, int count = 0, std::string text = {}) {
    TItem it;
    it.Kind = k;
    it.Count = count;
    it.Text = std::move(text);
    s.Items.push_back(std::move(it));
  };
  auto lastDateItem = [&]() -> TItem* {
    for (auto it = s.Items.rbegin(); it != s.Items.rend(); ++it) {
      switch (it->Kind) {
        case ikYY:
        case ikYYYY:
        case ikMonth:
        case ikDay:
        case ikHour:
        case ikMinute:
        case ikSecond:
        case ikElapsedH:
        case ikElapsedM:
        case ikElapsedS:
          return &*it;
        default:
          break;
      }
    }
    return nullptr;
  };
  bool afterDigit = false;
  int commas = 0;
  size_t i = 0;
  while (i < t.size()) {
    char c = t[i];
    switch (c) {
      case '"': {
        size_t e = t.find('"', i + 1);
        if (e == std::string_view::npos) e = t.size();
        add(ikQuoted, 0, std::string(t.substr(i + 1, e - i - 1)));
        i = e + 1;
        continue;
      }
      case '\\': {
        ++i;
        if (i < t.size()) add(ikLiteral, 0, utf8At(t, i));
        continue;
      }
      case '_':
        add(ikLiteral, 0, " ");
        i += 2;
        continue;
      case '*':
        ++i;
        continue;
      case '#':
      case '?':
      case '0':
        add(c == '#' ? ikDigitHash : c == '?' ? ikDigitQ : ikDigit0);
        if (commas > 0) s.Thousands = true;
        commas = 0;
        afterDigit = true;
        ++i;
        continue;
      case '.':
        add(ikDecimal);
        ++i;
        continue;
      case ',':
        if (afterDigit)
          ++commas;
        else
          add(ikLiteral, 0, ",");
        ++i;
        continue;
      case '%':
        add(ikPercent, 0, "%");
        s.Percent = true;
        ++i;
        continue;
      case 'E':
      case 'e':
        if (i + 1 < t.size() && (t[i + 1] == '+' || t[i + 1] == '-')) {
          add(ikExponent, 0, std::string(1, t[i + 1]));
          s.Exponent = true;
          i += 2;
          continue;
        }
        break;
      case '@':
        add(ikText);
        s.IsText = true;
        ++i;
        continue;
      case '[': {
        size_t e = t.find(']', i + 1);
        if (e == std::string_view::npos) e = t.size();
        std::string inner(t.substr(i + 1, e - i - 1));
        std::string up = UpperCase(inner);
        i = e + 1;
        if (up == "H" || up == "HH") {
          add(ikElapsedH, static_cast<int>(up.size()));
          s.IsDate = true;
        } else if (up == "M" || up == "MM") {
          add(ikElapsedM, static_cast<int>(up.size()));
          s.IsDate = true;
        } else if (up == "S" || up == "SS") {
          add(ikElapsedS, static_cast<int>(up.size()));
          s.IsDate = true;
        } else if (!inner.empty() && inner[0] == '$') {
          // A currency or locale tag: "[$€-407]" shows its symbol.
          std::string sym = inner.substr(
              1, inner.find('-') == std::string::npos ? std::string::npos : inner.find('-') - 1);
          if (!sym.empty()) add(ikQuoted, 0, sym);
        } else {
          static const struct {
            const char* name;
            TColor color;
          } kColors[] = {{"BLACK", 0x000000}, {"CYAN", 0xFFFF00},  {"MAGENTA", 0xFF00FF},
                         {"WHITE", 0xFFFFFF}, {"BLUE", 0xFF0000},  {"GREEN", 0x008000},
                         {"RED", 0x0000FF},   {"YELLOW", 0x00FFFF}};
          for (const auto& k : kColors)
            if (up == k.name) s.Color = k.color;
        }
        continue;
      }
      case 'G':
      case 'g':
        if (t.size() - i >= 7 && SameText(t.substr(i, 7), "General")) {
          add(ikGeneral);
          afterDigit = true;
          i += 7;
          continue;
        }
        break;
      case 'A':
      case 'a': {
        std::string_view r = t.substr(i);
        int len = 0;
        if (r.size() >= 5 && SameText(r.substr(0, 5), "AM/PM"))
          len = 5;
        else if (r.size() >= 3 && SameText(r.substr(0, 3), "A/P"))
          len = 3;
        if (len) {
          add(ikAmPm, 0, std::string(r.substr(0, static_cast<size_t>(len))));
          for (auto it = s.Items.rbegin(); it != s.Items.rend(); ++it) {
            if (it->Kind == ikHour) {
              it->Twelve = true;
              break;
            }
          }
          s.IsDate = true;
          i += static_cast<size_t>(len);
          continue;
        }
        break;
      }
      default:
        break;
    }
    if (isDateLetter(c)) {
      char l = lower(c);
      size_t j = i;
      while (j < t.size() && lower(t[j]) == l) ++j;
      int n = static_cast<int>(j - i);
      i = j;
      s.IsDate = true;
      switch (l) {
        case 'y':
          add(n <= 2 ? ikYY : ikYYYY);
          break;
        case 'd':
          add(ikDay, std::min(n, 4));
          break;
        case 'h':
          add(ikHour, std::min(n, 2));
          break;
        case 's': {
          TItem* prev = lastDateItem();
          if (prev && prev->Kind == ikMonth && prev->Count <= 2) prev->Kind = ikMinute;
          add(ikSecond, std::min(n, 2));
          break;
        }
        case 'm': {
          TItem* prev = lastDateItem();
          if (n <= 2 && prev && (prev->Kind == ikHour || prev->Kind == ikElapsedH))
            add(ikMinute, n);
          else
            add(ikMonth, std::min(n, 5));
          break;
        }
      }
      continue;
    }
    if (c == '/') {
      add(ikDateSep);
      ++i;
    } else if (c == ':') {
      add(ikTimeSep);
      ++i;
    } else {
      add(ikLiteral, 0, utf8At(t, i));
    }
  }
  s.TrailingCommas = std::min(commas, 4);
  if (!s.IsDate) {
    for (size_t k = 0; k < s.Items.size(); ++k) {
      TItemKind kind = s.Items[k].Kind;
      if (kind == ikDigit0 || kind == ikDigitHash || kind == ikDigitQ || kind == ikDecimal) {
        TItem m;
        m.Kind = ikNumStart;
        s.Items.insert(s.Items.begin() + static_cast<long>(k), m);
        break;
      }
    }
  }
}

bool TExcelMask::IsDateTime() const { return sections_[0].Present && sections_[0].IsDate; }

std::string TExcelMask::generalText(double value) const { return FloatToStr(value, Settings); }

void TExcelMask::roundedDigits(double v, int decimals, std::string& intPart,
                               std::string& fracPart) {
  // The value's 15 significant digits, rounded half away from zero at the
  // decimal place asked for, as Excel shows numbers.
  intPart = "0";
  fracPart.assign(static_cast<size_t>(decimals), '0');
  if (!std::isfinite(v) || v == 0) return;
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.14e", std::fabs(v));
  std::string digits;
  const char* p = buf;
  for (; *p && *p != 'e'; ++p)
    if (*p >= '0' && *p <= '9') digits += *p;
  int exp10 = std::atoi(p + 1);
  // digits d0.d1d2... times 10^exp10; keep exp10 + 1 + decimals digits.
  int keep = exp10 + 1 + decimals;
  if (keep < 0) return;
  std::string kept = digits.substr(0, std::min<size_t>(digits.size(), static_cast<size_t>(keep)));
  if (static_cast<int>(kept.size()) < keep)
    kept.append(static_cast<size_t>(keep) - kept.size(), '0');
  bool up = static_cast<size_t>(keep) < digits.size() && digits[static_cast<size_t>(keep)] >= '5';
  if (up) {
    int k = static_cast<int>(kept.size()) - 1;
    for (; k >= 0; --k) {
      if (kept[static_cast<size_t>(k)] == '9') {
        kept[static_cast<size_t>(k)] = '0';
      } else {
        ++kept[static_cast<size_t>(k)];
        break;
      }
    }
    if (k < 0) kept.insert(0, 1, '1');
  }
  size_t intLen = kept.size() - static_cast<size_t>(decimals);
  intPart = intLen > 0 ? kept.substr(0, intLen) : "0";
  fracPart = kept.substr(intLen);
  size_t nz = intPart.find_first_not_of('0');
  intPart = nz == std::string::npos ? "0" : intPart.substr(nz);
}

std::string TExcelMask::FormatSize(double bytes) const {
  if (bytes == 0) return "0 bytes";
  if (bytes < 1024) return Format("%d bytes", static_cast<int64_t>(std::llround(bytes)));
  if (bytes < 1048576) return Format(Settings, "%.2f kb", bytes / 1024);
  if (bytes < 1073741824) return Format(Settings, "%.2f Mb", bytes / 1048576);
  return Format(Settings, "%.2f Gb", bytes / 1073741824);
}

std::string TExcelMask::FormatNumber(double value) const {
  std::string t;
  TColor c;
  FormatNumber(value, t, c);
  return t;
}

void TExcelMask::FormatNumber(double value, std::string& text, TColor& color) const {
  color = clNone;
  if (mask_ == "##,_b_y_t_e_s") {
    text = FormatSize(value);
    return;
  }
  if (mask_.empty()) {
    text = generalText(value);
    return;
  }
  const TSection* s = &sections_[0];
  bool withSign = true;
  if (value < 0 && sections_[1].Present && !sections_[1].IsText) {
    s = &sections_[1];
    withSign = false;
  } else if (value == 0 && sections_[2].Present && !sections_[2].IsText) {
    s = &sections_[2];
  }
  if (!s->Present || s->IsText) {
    text = generalText(value);
    return;
  }
  color = s->Color;
  if (s->IsDate) {
    text = formatDate(*s, value);
  } else {
    text = formatNumeric(*s, value, withSign);
  }
  if (Utf8Length(text) > 299) text.resize(299);
}

std::string TExcelMask::formatNumeric(const TSection& s, double value, bool withSign) const {
  const auto& items = s.Items;
  bool general = false;
  for (const auto& it : items) general |= it.Kind == ikGeneral;
  if (general) {
    std::string out;
    for (const auto& it : items) {
      if (it.Kind == ikGeneral)
        out += generalText(withSign ? value : std::fabs(value));
      else if (it.Kind == ikLiteral || it.Kind == ikQuoted || it.Kind == ikPercent)
        out += it.Text;
    }
    return out;
  }
  // The mantissa items end at the exponent item.
  size_t expAt = items.size(), decAt = items.size();
  for (size_t k = 0; k < items.size(); ++k) {
    if (items[k].Kind == ikExponent && expAt == items.size()) expAt = k;
    if (items[k].Kind == ikDecimal && decAt == items.size() && k < expAt) decAt = k;
  }
  int decimals = 0, intPlaces = 0;
  bool leadingHash = false;
  for (size_t k = 0; k < expAt; ++k) {
    TItemKind kind = items[k].Kind;
    bool digit = kind == ikDigit0 || kind == ikDigitHash || kind == ikDigitQ;
    if (!digit) continue;
    if (k > decAt) {
      ++decimals;
    } else {
      if (intPlaces == 0) leadingHash = kind == ikDigitHash;
      ++intPlaces;
    }
  }
  double v = std::fabs(value);
  for (int k = 0; k < s.TrailingCommas; ++k) v /= 1000;
  if (s.Percent) v *= 100;
  int exp10 = 0;
  if (s.Exponent && v != 0 && std::isfinite(v)) {
    int places = std::max(intPlaces, 1);
    exp10 = static_cast<int>(std::floor(std::log10(v)));
    if (leadingHash && places > 1)
      exp10 = static_cast<int>(std::floor(static_cast<double>(exp10) / places)) * places;
    else
      exp10 -= places - 1;
    v /= std::pow(10.0, exp10);
    // Rounding may carry the mantissa up one digit.
    double lim = std::pow(10.0, leadingHash && places > 1 ? places : places);
    if (std::round(v * std::pow(10.0, decimals)) >= lim * std::pow(10.0, decimals)) {
      v /= 10;
      ++exp10;
    }
  }
  std::string intDigits, fracDigits;
  roundedDigits(v, decimals, intDigits, fracDigits);
  if (s.Thousands) {
    for (int k = static_cast<int>(intDigits.size()) - 3; k > 0; k -= 3)
      intDigits.insert(static_cast<size_t>(k), 1, Settings.ThousandSeparator);
  }
  if (intDigits == "0") intDigits.clear();
  bool negative = withSign && value < 0 &&
                  (!intDigits.empty() || fracDigits.find_first_not_of('0') != std::string::npos);
  std::string sign = negative ? "-" : "";

  // Integer items, right to left.
  size_t intEnd = std::min(decAt, expAt);
  std::string out;
  size_t pos = intDigits.size();
  bool signDone = false;
  for (size_t k = intEnd; k-- > 0;) {
    const TItem& it = items[k];
    switch (it.Kind) {
      case ikDigit0:
        out.insert(0, 1, pos > 0 ? intDigits[--pos] : '0');
        break;
      case ikDigitHash:
        if (pos > 0) out.insert(0, 1, intDigits[--pos]);
        break;
      case ikDigitQ:
        out.insert(0, 1, pos > 0 ? intDigits[--pos] : ' ');
        break;
      case ikNumStart:
        out.insert(0, sign + intDigits.substr(0, pos));
        pos = 0;
        signDone = true;
        break;
      case ikDateSep:
        out.insert(0, "/");
        break;
      case ikTimeSep:
        out.insert(0, ":");
        break;
      case ikLiteral:
      case ikQuoted:
      case ikPercent:
        out.insert(0, it.Text);
        break;
      default:
        break;
    }
  }
  if (!signDone) out.insert(0, sign);

  // Fraction items, left to right; trailing zeros of "#" places go, those
  // of "?" places become blanks.
  std::vector<std::string> fracOut;
  std::vector<TItemKind> fracKind;
  size_t fpos = 0;
  for (size_t k = intEnd; k < expAt; ++k) {
    const TItem& it = items[k];
    std::string piece;
    switch (it.Kind) {
      case ikDecimal:
        piece = std::string(1, Settings.DecimalSeparator);
        break;
      case ikDigit0:
      case ikDigitHash:
      case ikDigitQ:
        piece = fpos < fracDigits.size() ? std::string(1, fracDigits[fpos]) : "0";
        ++fpos;
        break;
      case ikLiteral:
      case ikQuoted:
      case ikPercent:
        piece = it.Text;
        break;
      case ikDateSep:
        piece = "/";
        break;
      case ikTimeSep:
        piece = ":";
        break;
      default:
        break;
    }
    fracOut.push_back(piece);
    fracKind.push_back(it.Kind);
  }
  for (size_t k = fracOut.size(); k-- > 0;) {
    if (fracKind[k] == ikDigit0) break;
    if (fracKind[k] == ikDigitHash || fracKind[k] == ikDigitQ) {
      if (fracOut[k] != "0") break;
      fracOut[k] = fracKind[k] == ikDigitQ ? " " : "";
    }
  }
  for (const auto& p : fracOut) out += p;

  if (expAt < items.size()) {
    int zeros = 0;
    std::string tail;
    for (size_t k = expAt + 1; k < items.size(); ++k) {
      TItemKind kind = items[k].Kind;
      if (kind == ikDigit0 || kind == ikDigitHash || kind == ikDigitQ)
        ++zeros;
      else if (kind == ikLiteral || kind == ikQuoted || kind == ikPercent)
        tail += items[k].Text;
    }
    std::string e = std::to_string(std::abs(exp10));
    while (static_cast<int>(e.size()) < zeros) e.insert(0, 1, '0');
    out += "E";
    if (exp10 < 0)
      out += "-";
    else if (items[expAt].Text == "+")
      out += "+";
    out += e + tail;
  }
  return out;
}

std::string TExcelMask::formatDate(const TSection& s, double value) const {
  if (!std::isfinite(value) || value < 0) return generalText(value);
  // Sub-second places: "0" items after a decimal point.
  int places = 0;
  bool seenDec = false;
  for (const auto& it : s.Items) {
    if (it.Kind == ikDecimal) seenDec = true;
    if (seenDec && it.Kind == ikDigit0) ++places;
  }
  places = std::min(places, 3);
  double scale = std::pow(10.0, places);
  double day = std::floor(value);
  double units = std::round((value - day) * 86400.0 * scale);
  if (units >= 86400.0 * scale) {
    day += 1;
    units -= 86400.0 * scale;
  }
  double totalSecs = (day * 86400.0 * scale + units) / scale;
  auto secsOfDay = static_cast<int64_t>(std::floor(units / scale));
  auto subUnits = static_cast<int64_t>(units) - secsOfDay * static_cast<int64_t>(scale);
  int hour = static_cast<int>(secsOfDay / 3600);
  int minute = static_cast<int>(secsOfDay / 60 % 60);
  int second = static_cast<int>(secsOfDay % 60);

  // The calendar date: the 1900 system counts a 29 February 1900 (serial
  // 60) that never was; the 1904 system starts four years later.
  int year = 1900, month = 1, dayOfMonth = 0, weekday = 1;
  double serial = Date1904 ? day + 1462 : day;
  if (!Date1904 && serial == 60) {
    year = 1900;
    month = 2;
    dayOfMonth = 29;
    weekday = 4;
  } else if (!Date1904 && serial < 60) {
    if (serial >= 1) {
      DecodeDate(serial + 1, year, month, dayOfMonth);
      weekday = DayOfWeek(serial + 1);
    }
  } else if (serial < 2958466) {
    DecodeDate(serial, year, month, dayOfMonth);
    weekday = DayOfWeek(serial);
  }

  std::string out;
  for (const auto& it : s.Items) {
    switch (it.Kind) {
      case ikLiteral:
      case ikQuoted:
      case ikPercent:
        out += it.Text;
        break;
      case ikDateSep:
        out += Settings.DateSeparator;
        break;
      case ikTimeSep:
        out += Settings.TimeSeparator;
        break;
      case ikYY:
        out += Format("%.2d", year % 100);
        break;
      case ikYYYY:
        out += Format("%.4d", year);
        break;
      case ikMonth:
        switch (it.Count) {
          case 1:
            out += std::to_string(month);
            break;
          case 2:
            out += Format("%.2d", month);
            break;
          case 3:
            out += Settings.ShortMonthNames[static_cast<size_t>(month - 1)];
            break;
          case 4:
            out += Settings.LongMonthNames[static_cast<size_t>(month - 1)];
            break;
          default:
            out += Settings.LongMonthNames[static_cast<size_t>(month - 1)].substr(0, 1);
            break;
        }
        break;
      case ikDay:
        switch (it.Count) {
          case 1:
            out += std::to_string(dayOfMonth);
            break;
          case 2:
            out += Format("%.2d", dayOfMonth);
            break;
          case 3:
            out += Settings.ShortDayNames[static_cast<size_t>(weekday - 1)];
            break;
          default:
            out += Settings.LongDayNames[static_cast<size_t>(weekday - 1)];
            break;
        }
        break;
      case ikHour: {
        int h = hour;
        if (it.Twelve) {
          h %= 12;
          if (h == 0) h = 12;
        }
        out += it.Count == 2 ? Format("%.2d", h) : std::to_string(h);
        break;
      }
      case ikMinute: {
        out += it.Count == 2 ? Format("%.2d", minute) : std::to_string(minute);
        break;
      }
      case ikSecond:
        out += it.Count == 2 ? Format("%.2d", second) : std::to_string(second);
        break;
      case ikElapsedH:
        out += Format(it.Count == 2 ? "%.2d" : "%d",
                      static_cast<int64_t>(std::floor(totalSecs / 3600)));
        break;
      case ikElapsedM:
        out +=
            Format(it.Count == 2 ? "%.2d" : "%d", static_cast<int64_t>(std::floor(totalSecs / 60)));
        break;
      case ikElapsedS:
        out += Format(it.Count == 2 ? "%.2d" : "%d", static_cast<int64_t>(std::floor(totalSecs)));
        break;
      case ikAmPm: {
        bool pm = hour >= 12;
        const std::string& t = it.Text;
        if (t.size() == 3)
          out += pm ? t.substr(2, 1) : t.substr(0, 1);
        else if (t[0] == 'a')
          out += pm ? "pm" : "am";
        else
          out += pm ? "PM" : "AM";
        break;
      }
      case ikDecimal:
        out += Settings.DecimalSeparator;
        if (places > 0) out += Format("%.*d", places, subUnits);
        break;
      default:
        break;
    }
  }
  return out;
}

}  // namespace qv
