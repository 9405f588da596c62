// Number texts: Format, FloatToStrF, FormatFloat and the parsers.
//
// Every float conversion first takes the value's decimal form rounded half
// away from zero to a number of significant digits (and, for fixed forms,
// to a number of decimals), as the class library does; the exact decimal
// expansion comes from std::to_chars so that the result never depends on
// the C locale.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <vector>

#include "platform/core/Codepage.h"
#include "platform/core/SysUtils.h"

namespace qv {

namespace {

// value = 0.Digits * 10^Exponent; Digits has no trailing zeros; an empty
// Digits is zero.
struct FloatRec {
  bool Negative = false;
  std::string Digits;
  int Exponent = 0;
};

constexpr int kNoDecimals = 100000;

FloatRec toDecimal(double v, int precision, int decimals = kNoDecimals) {
  FloatRec r;
  if (v == 0 || !std::isfinite(v)) return r;
  r.Negative = std::signbit(v);
  char buf[96];
  auto res = std::to_chars(buf, buf + sizeof buf, std::fabs(v), std::chars_format::scientific, 40);
  std::string_view s(buf, static_cast<size_t>(res.ptr - buf));
  const size_t epos = s.find('e');
  std::string d;
  d += s[0];
  d.append(s.substr(2, epos - 2));
  int e10 = 0;
  std::from_chars(s.data() + epos + (s[epos + 1] == '+' ? 2 : 1), s.data() + s.size(), e10);
  int exponent = e10 + 1;
  precision = std::clamp(precision, 1, 40);
  long keep = precision;
  if (decimals != kNoDecimals) keep = std::min<long>(keep, static_cast<long>(exponent) + decimals);
  if (keep < 0) return FloatRec{};
  const bool up = static_cast<size_t>(keep) < d.size() && d[static_cast<size_t>(keep)] >= '5';
  std::string digs = d.substr(0, static_cast<size_t>(keep));
  if (up) {
    int i = static_cast<int>(digs.size()) - 1;
    while (i >= 0 && digs[static_cast<size_t>(i)] == '9') digs[static_cast<size_t>(i--)] = '0';
    if (i >= 0) {
      digs[static_cast<size_t>(i)]++;
    } else {
      digs.insert(digs.begin(), '1');
      ++exponent;
    }
  }
  while (!digs.empty() && digs.back() == '0') digs.pop_back();
  if (digs.empty()) return FloatRec{};
  r.Digits = std::move(digs);
  r.Exponent = exponent;
  return r;
}

std::string specialText(double v) {
  if (std::isnan(v)) return "NAN";
  return v < 0 ? "-INF" : "INF";
}

std::string exponentText(int x, int minDigits, bool plus) {
  std::string out;
  if (x < 0) {
    out += '-';
    x = -x;
  } else if (plus) {
    out += '+';
  }
  std::string xs = std::to_string(x);
  if (static_cast<int>(xs.size()) < minDigits)
    xs.insert(0, static_cast<size_t>(minDigits) - xs.size(), '0');
  return out + xs;
}

std::string generalText(const FloatRec& r, int precision, int digits, char dec) {
  if (r.Digits.empty()) return "0";
  std::string out = r.Negative ? "-" : "";
  const int e = r.Exponent;
  const int n = static_cast<int>(r.Digits.size());
  if (e > precision || e < -3) {
    out += r.Digits[0];
    if (n > 1) {
      out += dec;
      out.append(r.Digits, 1);
    }
    out += 'E';
    out += exponentText(e - 1, std::clamp(digits, 0, 4), false);
  } else if (e <= 0) {
    out += '0';
    out += dec;
    out.append(static_cast<size_t>(-e), '0');
    out += r.Digits;
  } else if (n <= e) {
    out += r.Digits;
    out.append(static_cast<size_t>(e - n), '0');
  } else {
    out.append(r.Digits, 0, static_cast<size_t>(e));
    out += dec;
    out.append(r.Digits, static_cast<size_t>(e));
  }
  return out;
}

// Groups the digits of an integer text with the separator every three digits.
std::string groupThousands(const std::string& intDigits, char sep) {
  std::string out;
  const size_t n = intDigits.size();
  for (size_t i = 0; i < n; ++i) {
    out += intDigits[i];
    const size_t left = n - 1 - i;
    if (left > 0 && left % 3 == 0) out += sep;
  }
  return out;
}

// Integer and decimal digit texts of a rounded value (no sign).
void fixedParts(const FloatRec& r, int decimals, std::string& ip, std::string& fp) {
  ip.clear();
  fp.clear();
  const int e = r.Exponent;
  const int n = static_cast<int>(r.Digits.size());
  if (!r.Digits.empty() && e > 0) {
    ip = r.Digits.substr(0, static_cast<size_t>(std::min(e, n)));
    if (e > n) ip.append(static_cast<size_t>(e - n), '0');
  }
  if (ip.empty()) ip = "0";
  if (!r.Digits.empty()) {
    if (e < 0) {
      fp.assign(static_cast<size_t>(-e), '0');
      fp += r.Digits;
    } else if (e < n) {
      fp = r.Digits.substr(static_cast<size_t>(e));
    }
  }
  if (static_cast<int>(fp.size()) < decimals)
    fp.append(static_cast<size_t>(decimals) - fp.size(), '0');
  if (static_cast<int>(fp.size()) > decimals) fp.resize(static_cast<size_t>(std::max(decimals, 0)));
}

std::string currencyText(const std::string& amount, bool negative, const TFormatSettings& fs) {
  const std::string& c = fs.CurrencyString;
  if (!negative) {
    switch (fs.CurrencyFormat) {
      case 1:
        return amount + c;
      case 2:
        return c + " " + amount;
      case 3:
        return amount + " " + c;
      default:
        return c + amount;
    }
  }
  switch (fs.NegCurrFormat) {
    case 0:
      return "(" + c + amount + ")";
    case 2:
      return c + "-" + amount;
    case 3:
      return c + amount + "-";
    case 4:
      return "(" + amount + c + ")";
    case 5:
      return "-" + amount + c;
    case 6:
      return amount + "-" + c;
    case 7:
      return amount + c + "-";
    case 8:
      return "-" + amount + " " + c;
    case 9:
      return "-" + c + " " + amount;
    case 10:
      return amount + " " + c + "-";
    case 11:
      return c + " " + amount + "-";
    case 12:
      return c + " -" + amount;
    case 13:
      return amount + "- " + c;
    case 14:
      return "(" + c + " " + amount + ")";
    case 15:
      return "(" + amount + " " + c + ")";
    default:
      return "-" + c + amount;
  }
}

}  // namespace

std::string FloatToStrF(double value, TFloatFormat format, int precision, int digits,
                        const TFormatSettings& fs) {
  if (!std::isfinite(value)) return specialText(value);
  precision = std::clamp(precision, 1, 18);
  const char dec = fs.DecimalSeparator;
  switch (format) {
    case ffGeneral:
      return generalText(toDecimal(value, precision), precision, digits, dec);
    case ffExponent: {
      const FloatRec r = toDecimal(value, precision);
      std::string out = r.Negative ? "-" : "";
      std::string d = r.Digits.empty() ? std::string("0") : r.Digits;
      d.resize(static_cast<size_t>(precision), '0');
      out += d[0];
      if (precision > 1) {
        out += dec;
        out.append(d, 1);
      }
      out += 'E';
      out += exponentText(r.Digits.empty() ? 0 : r.Exponent - 1, std::clamp(digits, 0, 4), true);
      return out;
    }
    case ffFixed:
    case ffNumber:
    case ffCurrency: {
      digits = std::clamp(digits, 0, 18);
      const FloatRec r = toDecimal(value, precision, digits);
      if (r.Exponent > precision)
        return generalText(toDecimal(value, precision), precision, 0, dec);
      std::string ip, fp;
      fixedParts(r, digits, ip, fp);
      std::string amount = format == ffFixed ? ip : groupThousands(ip, fs.ThousandSeparator);
      if (digits > 0) {
        amount += dec;
        amount += fp;
      }
      const bool neg = r.Negative && !r.Digits.empty();
      if (format == ffCurrency) return currencyText(amount, neg, fs);
      return neg ? "-" + amount : amount;
    }
  }
  return {};
}

std::string FloatToStrF(double value, TFloatFormat format, int precision, int digits) {
  return FloatToStrF(value, format, precision, digits, FormatSettings());
}

std::string FloatToStr(double value) {
  return FloatToStrF(value, ffGeneral, 15, 0, FormatSettings());
}
std::string FloatToStr(double value, const TFormatSettings& fs) {
  return FloatToStrF(value, ffGeneral, 15, 0, fs);
}

// ---------------------------------------------------------------------------
// FormatFloat

namespace {

struct Section {
  std::string_view text;
  int intPlaces = 0;   // "0"/"#" before the decimal point
  int zeroPlaces = 0;  // placeholders from the first "0" up to the point
  int decMin = 0;      // decimals up to the last "0"
  int decMax = 0;      // all decimal placeholders
  bool thousands = false;
  bool scientific = false;
  bool hasPoint = false;
};

std::vector<std::string_view> splitSections(std::string_view mask) {
  std::vector<std::string_view> out;
  size_t start = 0;
  char quote = 0;
  for (size_t i = 0; i < mask.size(); ++i) {
    const char c = mask[i];
    if (quote) {
      if (c == quote) quote = 0;
    } else if (c == '"' || c == '\'') {
      quote = c;
    } else if (c == ';') {
      out.push_back(mask.substr(start, i - start));
      start = i + 1;
      if (out.size() == 2) break;
    }
  }
  if (out.size() < 3) out.push_back(mask.substr(start));
  if (out.size() == 3) {
    // a third section ends at a further ";"
    std::string_view z = out[2];
    char q = 0;
    for (size_t i = 0; i < z.size(); ++i) {
      if (q) {
        if (z[i] == q) q = 0;
      } else if (z[i] == '"' || z[i] == '\'') {
        q = z[i];
      } else if (z[i] == ';') {
        out[2] = z.substr(0, i);
        break;
      }
    }
  }
  return out;
}

bool isExponentAt(std::string_view t, size_t i) {
  return (t[i] == 'E' || t[i] == 'e') && i + 1 < t.size() && (t[i + 1] == '+' || t[i + 1] == '-');
}

Section parseSection(std::string_view t) {
  Section s;
  s.text = t;
  char quote = 0;
  bool afterPoint = false;
  bool seenZero = false;
  int decIndex = 0;
  for (size_t i = 0; i < t.size(); ++i) {
    const char c = t[i];
    if (quote) {
      if (c == quote) quote = 0;
      continue;
    }
    if (c == '"' || c == '\'') {
      quote = c;
    } else if (c == '0' || c == '#') {
      if (!afterPoint) {
        ++s.intPlaces;
        if (c == '0') seenZero = true;
        if (seenZero) ++s.zeroPlaces;
      } else {
        ++decIndex;
        s.decMax = decIndex;
        if (c == '0') s.decMin = decIndex;
      }
    } else if (c == '.') {
      if (!afterPoint) {
        afterPoint = true;
        s.hasPoint = true;
      }
    } else if (c == ',') {
      s.thousands = true;
    } else if (isExponentAt(t, i)) {
      s.scientific = true;
      break;
    }
  }
  return s;
}

std::string formatSection(const Section& sec, double value, bool withSign,
                          const TFormatSettings& fs) {
  std::string ip, fp;
  int expValue = 0;
  bool zero = false;
  if (sec.scientific) {
    const int places = std::max(sec.intPlaces, 1);
    const FloatRec r = toDecimal(value, std::min(15, places + sec.decMax));
    zero = r.Digits.empty();
    std::string d = r.Digits;
    if (d.size() < static_cast<size_t>(places))
      d.append(static_cast<size_t>(places) - d.size(), '0');
    ip = d.substr(0, static_cast<size_t>(places));
    fp = d.substr(static_cast<size_t>(places));
    if (static_cast<int>(fp.size()) < sec.decMin)
      fp.append(static_cast<size_t>(sec.decMin) - fp.size(), '0');
    expValue = zero ? 0 : r.Exponent - places;
  } else {
    const FloatRec r = toDecimal(value, 15, sec.decMax);
    zero = r.Digits.empty();
    if (!zero && r.Exponent > 0) {
      ip = r.Digits.substr(
          0, static_cast<size_t>(std::min<int>(r.Exponent, static_cast<int>(r.Digits.size()))));
      if (r.Exponent > static_cast<int>(r.Digits.size()))
        ip.append(static_cast<size_t>(r.Exponent) - r.Digits.size(), '0');
    }
    if (!zero) {
      if (r.Exponent < 0) {
        fp.assign(static_cast<size_t>(-r.Exponent), '0');
        fp += r.Digits;
      } else if (r.Exponent < static_cast<int>(r.Digits.size())) {
        fp = r.Digits.substr(static_cast<size_t>(r.Exponent));
      }
    }
    if (static_cast<int>(fp.size()) < sec.decMin)
      fp.append(static_cast<size_t>(sec.decMin) - fp.size(), '0');
    if (static_cast<int>(ip.size()) < sec.zeroPlaces)
      ip.insert(0, static_cast<size_t>(sec.zeroPlaces) - ip.size(), '0');
  }

  std::string out;
  if (withSign && !zero) out += '-';
  const std::string_view t = sec.text;
  const int T = static_cast<int>(ip.size());
  int intSeen = 0;  // integer placeholders met so far
  int decSeen = 0;  // decimal placeholders met so far
  bool afterPoint = false;
  bool intDone = false;
  auto emitInt = [&](int fromPlace, int toPlace) {
    // emits digits whose place (counted from the right, 0 = units) lies in
    // [toPlace, fromPlace]
    for (int q = fromPlace; q >= toPlace; --q) {
      if (q >= T || q < 0) continue;
      out += ip[static_cast<size_t>(T - 1 - q)];
      if (sec.thousands && !sec.scientific && q > 0 && q % 3 == 0) out += fs.ThousandSeparator;
    }
  };
  auto finishInt = [&]() {
    if (intDone) return;
    intDone = true;
    if (sec.intPlaces == 0) emitInt(T - 1, 0);
  };
  char quote = 0;
  for (size_t i = 0; i < t.size(); ++i) {
    const char c = t[i];
    if (quote) {
      if (c == quote)
        quote = 0;
      else
        out += c;
      continue;
    }
    if (c == '"' || c == '\'') {
      quote = c;
    } else if (c == '0' || c == '#') {
      if (!afterPoint && intDone) {
        // Placeholders after the exponent: the integer digits are out.
      } else if (!afterPoint) {
        const int place = sec.intPlaces - 1 - intSeen;
        if (intSeen == 0)
          emitInt(std::max(T - 1, place), place);
        else
          emitInt(place, place);
        ++intSeen;
      } else {
        finishInt();
        if (decSeen < static_cast<int>(fp.size())) out += fp[static_cast<size_t>(decSeen)];
        ++decSeen;
      }
    } else if (c == '.') {
      if (!afterPoint) {
        finishInt();
        afterPoint = true;
        if (!fp.empty()) out += fs.DecimalSeparator;
      }
    } else if (c == ',') {
      // grouping flag only
    } else if (isExponentAt(t, i)) {
      finishInt();
      out += c;
      size_t j = i + 2;
      int digits = 0;
      while (j < t.size() && t[j] == '0') {
        ++digits;
        ++j;
      }
      out += exponentText(expValue, digits, t[i + 1] == '+');
      i = j - 1;
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace

std::string FormatFloat(std::string_view mask, double value, const TFormatSettings& fs) {
  if (mask.empty()) return FloatToStr(value, fs);
  if (!std::isfinite(value)) return specialText(value);
  const auto sections = splitSections(mask);
  size_t idx = 0;
  if (value < 0 && sections.size() >= 2 && !sections[1].empty()) idx = 1;
  if (value == 0 && sections.size() >= 3 && !sections[2].empty()) idx = 2;
  Section sec = parseSection(sections[idx]);
  if (!sec.scientific && std::fabs(value) >= 1e18) return FloatToStr(value, fs);
  // A value that rounds to zero in its section is shown as zero: with the
  // zero section when there is one, else with the first section and no sign.
  if (idx != 2 && value != 0) {
    const FloatRec r = sec.scientific ? toDecimal(value, 15) : toDecimal(value, 15, sec.decMax);
    if (r.Digits.empty()) {
      idx = sections.size() >= 3 && !sections[2].empty() ? 2 : 0;
      sec = parseSection(sections[idx]);
      return formatSection(sec, 0.0, false, fs);
    }
  }
  const bool withSign = value < 0 && idx == 0;
  return formatSection(sec, value, withSign, fs);
}

std::string FormatFloat(std::string_view mask, double value) {
  return FormatFloat(mask, value, FormatSettings());
}

// ---------------------------------------------------------------------------
// Format

namespace {

[[noreturn]] void formatError(std::string_view fmt) {
  throw EConvertError("Format '" + std::string(fmt) + "' invalid or incompatible with argument");
}

std::string padWidth(std::string s, int width, bool left) {
  const int len = static_cast<int>(Utf8Length(s));
  if (width > len) {
    if (left)
      s.append(static_cast<size_t>(width - len), ' ');
    else
      s.insert(0, static_cast<size_t>(width - len), ' ');
  }
  return s;
}

std::string hexText(uint64_t v) {
  static const char* hex = "0123456789ABCDEF";
  std::string s;
  do {
    s.insert(s.begin(), hex[v & 15]);
    v >>= 4;
  } while (v);
  return s;
}

}  // namespace

std::string FormatV(std::string_view fmt, std::span<const FormatArg> args,
                    const TFormatSettings& fs) {
  std::string out;
  size_t argIndex = 0;
  size_t i = 0;
  auto nextArg = [&]() -> const FormatArg& {
    if (argIndex >= args.size()) formatError(fmt);
    return args[argIndex++];
  };
  auto readNumber = [&](int& value) -> bool {  // digits or '*'
    if (i < fmt.size() && fmt[i] == '*') {
      ++i;
      const FormatArg& a = nextArg();
      if (a.kind() == FormatArg::kDouble || a.kind() == FormatArg::kString ||
          a.kind() == FormatArg::kPointer)
        formatError(fmt);
      value = static_cast<int>(a.asInt());
      return true;
    }
    if (i < fmt.size() && fmt[i] >= '0' && fmt[i] <= '9') {
      long v = 0;
      while (i < fmt.size() && fmt[i] >= '0' && fmt[i] <= '9') {
        v = std::min<long>(v * 10 + (fmt[i] - '0'), 1000000);
        ++i;
      }
      value = static_cast<int>(v);
      return true;
    }
    return false;
  };
  while (i < fmt.size()) {
    const char c = fmt[i];
    if (c != '%') {
      out += c;
      ++i;
      continue;
    }
    ++i;
    if (i < fmt.size() && fmt[i] == '%') {
      out += '%';
      ++i;
      continue;
    }
    // [index ":"] ["-"] [width] ["." prec] type
    int n = -1;
    bool left = false;
    int width = -1, prec = -1;
    if (readNumber(n)) {
      if (i < fmt.size() && fmt[i] == ':') {
        ++i;
        if (n < 0 || static_cast<size_t>(n) >= args.size()) formatError(fmt);
        argIndex = static_cast<size_t>(n);
      } else {
        width = n;
      }
    }
    if (width < 0) {
      if (i < fmt.size() && fmt[i] == '-') {
        left = true;
        ++i;
      }
      readNumber(width);
    }
    if (i < fmt.size() && fmt[i] == '.') {
      ++i;
      if (!readNumber(prec)) prec = 0;
    }
    if (i >= fmt.size()) formatError(fmt);
    const char type = static_cast<char>(fmt[i] >= 'a' && fmt[i] <= 'z' ? fmt[i] - 32 : fmt[i]);
    ++i;
    const FormatArg& a = nextArg();
    const bool isInt = a.kind() == FormatArg::kInt32 || a.kind() == FormatArg::kInt64 ||
                       a.kind() == FormatArg::kUInt64;
    std::string text;
    switch (type) {
      case 'D':
      case 'U': {
        if (!isInt) formatError(fmt);
        bool neg = false;
        uint64_t mag;
        if (a.kind() == FormatArg::kUInt64) {
          mag = static_cast<uint64_t>(a.asInt());
        } else if (type == 'U' && a.asInt() < 0) {
          mag = a.kind() == FormatArg::kInt32 ? static_cast<uint32_t>(a.asInt())
                                              : static_cast<uint64_t>(a.asInt());
        } else {
          neg = a.asInt() < 0;
          mag = neg ? 0 - static_cast<uint64_t>(a.asInt()) : static_cast<uint64_t>(a.asInt());
        }
        text = std::to_string(mag);
        if (prec > 0 && static_cast<int>(text.size()) < prec)
          text.insert(0, static_cast<size_t>(prec) - text.size(), '0');
        if (neg) text.insert(0, 1, '-');
        break;
      }
      case 'X': {
        if (!isInt) formatError(fmt);
        uint64_t v = static_cast<uint64_t>(a.asInt());
        if (a.kind() == FormatArg::kInt32) v &= 0xFFFFFFFFu;
        text = hexText(v);
        if (prec > 0 && static_cast<int>(text.size()) < prec)
          text.insert(0, static_cast<size_t>(prec) - text.size(), '0');
        break;
      }
      case 'P': {
        if (a.kind() != FormatArg::kPointer) formatError(fmt);
        text = hexText(static_cast<uint64_t>(a.asInt()));
        text.insert(0, sizeof(void*) * 2 - std::min(text.size(), sizeof(void*) * 2), '0');
        break;
      }
      case 'S': {
        if (a.kind() != FormatArg::kString) formatError(fmt);
        std::string_view s = a.asString();
        if (prec >= 0) {
          size_t pos = 0;
          int count = 0;
          while (pos < s.size() && count < prec) {
            Utf8Next(s, pos);
            ++count;
          }
          s = s.substr(0, pos);
        }
        text = std::string(s);
        break;
      }
      case 'E':
      case 'F':
      case 'G':
      case 'N':
      case 'M': {
        double v;
        if (a.kind() == FormatArg::kDouble)
          v = a.asDouble();
        else if (a.kind() == FormatArg::kUInt64)
          v = static_cast<double>(static_cast<uint64_t>(a.asInt()));
        else if (isInt)
          v = static_cast<double>(a.asInt());
        else
          formatError(fmt);
        switch (type) {
          case 'E':
            text = FloatToStrF(v, ffExponent, prec < 0 ? 15 : std::clamp(prec, 1, 18), 3, fs);
            break;
          // "%g" is the general float format with a minimum of three
          // exponent digits, the same minimum "%e" uses: the class library's
          // Format hands both directives the exponent-digit argument 3, and
          // its general format writes the exponent with at least that many
          // digits (no "+"). So Format("%0.7g", 1.5e-7) is "1.5E-007" and
          // Format("%g", 1e20) is "1E020", while FloatToStr, which asks
          // for no minimum, gives "1.5E-7" and "1E20". Report and log texts
          // made with "%0.7g" and "%0.10g" show the three-digit form.
          case 'G':
            text = FloatToStrF(v, ffGeneral, prec < 0 ? 15 : std::clamp(prec, 1, 18), 3, fs);
            break;
          case 'F':
            text = FloatToStrF(v, ffFixed, 18, prec < 0 ? 2 : prec, fs);
            break;
          case 'N':
            text = FloatToStrF(v, ffNumber, 18, prec < 0 ? 2 : prec, fs);
            break;
          default:
            text = FloatToStrF(v, ffCurrency, 18, prec < 0 ? fs.CurrencyDecimals : prec, fs);
            break;
        }
        break;
      }
      default:
        formatError(fmt);
    }
    out += padWidth(std::move(text), width, left);
  }
  return out;
}

// ---------------------------------------------------------------------------
// Parsing

namespace {

bool parseFloat(std::string_view s, double& value, char dec) {
  s = TrimView(s);
  std::string norm;
  size_t i = 0;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
    if (s[i] == '-') norm += '-';
    ++i;
  }
  int mantDigits = 0;
  while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
    norm += s[i++];
    ++mantDigits;
  }
  if (i < s.size() && s[i] == dec) {
    norm += '.';
    ++i;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
      norm += s[i++];
      ++mantDigits;
    }
  }
  if (mantDigits == 0) return false;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    norm += 'e';
    ++i;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) norm += s[i++];
    int expDigits = 0;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
      norm += s[i++];
      ++expDigits;
    }
    if (expDigits == 0) return false;
  }
  if (i != s.size()) return false;
  double v = 0;
  auto res = std::from_chars(norm.data(), norm.data() + norm.size(), v, std::chars_format::general);
  if (res.ec == std::errc::result_out_of_range) {
    // Underflow to zero is fine, overflow is not: tell them apart by the
    // decimal magnitude (position of the first significant digit plus the
    // exponent).
    const size_t ePos = norm.find('e');
    const std::string_view mant = std::string_view(norm).substr(0, ePos);
    const size_t point = mant.find('.') == std::string_view::npos ? mant.size() : mant.find('.');
    const size_t first = mant.find_first_of("123456789");
    long mag =
        first == std::string_view::npos ? 0 : static_cast<long>(point) - static_cast<long>(first);
    if (ePos != std::string::npos) {
      long e = 0;
      std::from_chars(norm.data() + ePos + 1 + (norm[ePos + 1] == '+' ? 1 : 0),
                      norm.data() + norm.size(), e);
      mag += e;
    }
    if (mag <= 0) {
      value = norm[0] == '-' ? -0.0 : 0.0;
      return true;
    }
    return false;
  }
  if (res.ec != std::errc() || res.ptr != norm.data() + norm.size() || !std::isfinite(v))
    return false;
  value = v;
  return true;
}

bool parseInt64(std::string_view s, int64_t& value, bool int32) {
  s = TrimView(s);
  size_t i = 0;
  bool neg = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
    neg = s[i] == '-';
    ++i;
  }
  bool hex = false;
  if (i < s.size() && s[i] == '$') {
    hex = true;
    ++i;
  } else if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
    hex = true;
    i += 2;
  }
  if (i >= s.size()) return false;
  uint64_t mag = 0;
  const uint64_t limit = hex ? (int32 ? 0xFFFFFFFFull : ~0ull)
                             : (int32 ? (neg ? 2147483648ull : 2147483647ull)
                                      : (neg ? 9223372036854775808ull : 9223372036854775807ull));
  for (; i < s.size(); ++i) {
    const char c = s[i];
    int d;
    if (c >= '0' && c <= '9')
      d = c - '0';
    else if (hex && c >= 'a' && c <= 'f')
      d = c - 'a' + 10;
    else if (hex && c >= 'A' && c <= 'F')
      d = c - 'A' + 10;
    else
      return false;
    const unsigned base = hex ? 16 : 10;
    if (mag > (limit - static_cast<uint64_t>(d)) / base) return false;
    mag = mag * base + static_cast<uint64_t>(d);
  }
  if (hex) {
    // a hexadecimal number is a bit pattern of the target type
    int64_t v = int32 ? static_cast<int64_t>(static_cast<int32_t>(static_cast<uint32_t>(mag)))
                      : static_cast<int64_t>(mag);
    value = neg ? -v : v;
    if (int32 && (value < INT32_MIN || value > INT32_MAX)) return false;
    return true;
  }
  value = neg ? static_cast<int64_t>(0 - mag) : static_cast<int64_t>(mag);
  return true;
}

}  // namespace

bool TryStrToFloat(std::string_view s, double& value, const TFormatSettings& fs) {
  return parseFloat(s, value, fs.DecimalSeparator);
}
bool TryStrToFloat(std::string_view s, double& value) {
  return TryStrToFloat(s, value, FormatSettings());
}
double StrToFloat(std::string_view s, const TFormatSettings& fs) {
  double v;
  if (!TryStrToFloat(s, v, fs))
    throw EConvertError("'" + std::string(s) + "' is not a valid floating point value");
  return v;
}
double StrToFloat(std::string_view s) { return StrToFloat(s, FormatSettings()); }
double StrToFloatDef(std::string_view s, double def) {
  double v;
  return TryStrToFloat(s, v) ? v : def;
}

bool TryStrToInt64(std::string_view s, int64_t& value) { return parseInt64(s, value, false); }
bool TryStrToInt(std::string_view s, int& value) {
  int64_t v;
  if (!parseInt64(s, v, true)) return false;
  value = static_cast<int>(v);
  return true;
}
int StrToInt(std::string_view s) {
  int v;
  if (!TryStrToInt(s, v))
    throw EConvertError("'" + std::string(s) + "' is not a valid integer value");
  return v;
}
int StrToIntDef(std::string_view s, int def) {
  int v;
  return TryStrToInt(s, v) ? v : def;
}
int64_t StrToInt64(std::string_view s) {
  int64_t v;
  if (!TryStrToInt64(s, v))
    throw EConvertError("'" + std::string(s) + "' is not a valid integer value");
  return v;
}
int64_t StrToInt64Def(std::string_view s, int64_t def) {
  int64_t v;
  return TryStrToInt64(s, v) ? v : def;
}

std::string IntToStr(int64_t value) { return std::to_string(value); }
std::string IntToHex(uint64_t value, int digits) {
  std::string s = hexText(value);
  if (static_cast<int>(s.size()) < digits) s.insert(0, static_cast<size_t>(digits) - s.size(), '0');
  return s;
}

std::string BoolToStr(bool value, bool useBoolStrs) {
  if (useBoolStrs) return value ? "True" : "False";
  return value ? "-1" : "0";
}
bool TryStrToBool(std::string_view s, bool& value) {
  const std::string_view t = TrimView(s);
  if (SameText(t, "True")) {
    value = true;
    return true;
  }
  if (SameText(t, "False")) {
    value = false;
    return true;
  }
  double d;
  if (TryStrToFloat(t, d)) {
    value = d != 0;
    return true;
  }
  return false;
}
bool StrToBool(std::string_view s) {
  bool b;
  if (!TryStrToBool(s, b))
    throw EConvertError("'" + std::string(s) + "' is not a valid boolean value");
  return b;
}

}  // namespace qv
