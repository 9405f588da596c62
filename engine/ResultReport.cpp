#include "engine/ResultReport.h"

#include <charconv>
#include <cmath>
#include <ostream>

#include "engine/ParseExpr.h"
#include "platform/core/SysUtils.h"

namespace qv {

namespace {

// The general routines' masks of 0 to 10 decimals.
std::string FixedMask(int Decimals) {
  return Decimals <= 0 ? std::string("0") : "0." + std::string(static_cast<size_t>(Decimals), '0');
}

void AppendValue(std::string& Out, const TReportColumn& Column, int k) {
  if (!Column.Values || k < 0 || k >= static_cast<int>(Column.Values->size())) return;
  const double v = (*Column.Values)[static_cast<std::size_t>(k)];
  if (Column.Decimals < 0)
    AppendShortest(Out, v);
  else
    AppendFixed(Out, v, Column.Decimals);
}

void AppendWithSeparator(std::string& Out, const char* From, const char* To, char Separator) {
  const std::size_t at = Out.size();
  Out.append(From, To);
  if (Separator != '.')
    for (std::size_t i = at; i < Out.size(); ++i)
      if (Out[i] == '.') Out[i] = Separator;
}

}  // namespace

// The general routines round the exact decimal value half away from zero;
// std::to_chars rounds it to the nearest, ties to even. The two agree
// except on an exact tie, which shows as a 5 in the first digit beyond the
// kept ones: such values, and values with more than 15 significant digits
// in the fixed form (where the general routines round to 15 digits), go to
// the general routines.
void AppendFixed(std::string& Out, double Value, int Decimals) {
  if (Decimals >= 0 && Decimals <= 10 && std::isfinite(Value) &&
      std::fabs(Value) < std::pow(10.0, 15 - Decimals)) {
    char buf[64];
    const double a = std::fabs(Value);
    const auto longer =
        std::to_chars(buf, buf + sizeof buf, a, std::chars_format::fixed, Decimals + 1);
    if (longer.ec == std::errc() && longer.ptr[-1] != '5') {
      const auto r = std::to_chars(buf, buf + sizeof buf, a, std::chars_format::fixed, Decimals);
      if (r.ec == std::errc()) {
        bool zero = true;
        for (const char* p = buf; p < r.ptr && zero; ++p) zero = *p == '0' || *p == '.';
        if (Value < 0 && !zero) Out += '-';
        AppendWithSeparator(Out, buf, r.ptr, ModelNumberForm().DecimalSeparator);
        return;
      }
    }
  }
  Out += FormatFloat(FixedMask(Decimals), Value, ModelNumberForm());
}

void AppendShortest(std::string& Out, double Value) {
  if (Value == 0) {
    Out += '0';
    return;
  }
  if (std::isfinite(Value)) {
    char buf[64];
    const double a = std::fabs(Value);
    // Sixteen significant digits: a 5 in the last may be a tie at fifteen.
    const auto longer = std::to_chars(buf, buf + sizeof buf, a, std::chars_format::scientific, 15);
    if (longer.ec == std::errc() && buf[16] != '5') {
      const auto r = std::to_chars(buf, buf + sizeof buf, a, std::chars_format::scientific, 14);
      if (r.ec == std::errc()) {
        // buf: d.dddddddddddddde[+-]x...
        const char* e = buf + 16;
        int exponent = 0;
        std::from_chars(e + (e[1] == '+' ? 2 : 1), r.ptr, exponent);
        exponent += 1;  // the value is 0.d... times 10^exponent
        char digits[15];
        digits[0] = buf[0];
        for (int i = 1; i < 15; ++i) digits[i] = buf[i + 1];
        int n = 15;
        while (n > 1 && digits[n - 1] == '0') --n;
        const char dec = ModelNumberForm().DecimalSeparator;
        if (Value < 0) Out += '-';
        if (exponent > 15 || exponent < -3) {
          Out += digits[0];
          if (n > 1) {
            Out += dec;
            Out.append(digits + 1, static_cast<std::size_t>(n - 1));
          }
          Out += 'E';
          Out += std::to_string(exponent - 1);
        } else if (exponent <= 0) {
          Out += '0';
          Out += dec;
          Out.append(static_cast<std::size_t>(-exponent), '0');
          Out.append(digits, static_cast<std::size_t>(n));
        } else if (n <= exponent) {
          Out.append(digits, static_cast<std::size_t>(n));
          Out.append(static_cast<std::size_t>(exponent - n), '0');
        } else {
          Out.append(digits, static_cast<std::size_t>(exponent));
          Out += dec;
          Out.append(digits + exponent, static_cast<std::size_t>(n - exponent));
        }
        return;
      }
    }
  }
  Out += FloatToStr(Value, ModelNumberForm());
}

void TResultReport::AppendRow(std::string& Out, int k) const {
  char number[16];
  const auto end = std::to_chars(number, number + sizeof number, k + 1).ptr;
  Out.append(number, end);
  for (const auto& c : Columns) {
    Out += '\t';
    AppendValue(Out, c, k);
  }
}

std::string TResultReport::Line(std::size_t i) const {
  if (i < Lines.size()) return Lines[i];
  i -= Lines.size();
  if (i < TableHead.size()) return TableHead[i];
  i -= TableHead.size();
  if (i < static_cast<std::size_t>(Rows)) {
    std::string row;
    AppendRow(row, static_cast<int>(i));
    return row;
  }
  i -= static_cast<std::size_t>(Rows);
  return i < Tail.size() ? Tail[i] : std::string();
}

std::vector<std::string> TResultReport::AllLines() const {
  std::vector<std::string> all;
  all.reserve(LineCount());
  ForEachLine([&](const std::string& l) { all.push_back(l); });
  return all;
}

void TResultReport::Write(std::ostream& Out) const {
  constexpr std::size_t kBlock = 1 << 16;
  std::string block;
  block.reserve(kBlock + 256);
  ForEachLine([&](const std::string& l) {
    block += l;
    block += '\n';
    if (block.size() >= kBlock) {
      Out.write(block.data(), static_cast<std::streamsize>(block.size()));
      block.clear();
    }
  });
  Out.write(block.data(), static_cast<std::streamsize>(block.size()));
}

}  // namespace qv
