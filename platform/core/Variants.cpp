#include "platform/core/Variants.h"

#include <cmath>
#include <limits>

#include "platform/core/MathUtils.h"

namespace qv {

namespace {

[[noreturn]] void castError(TVarType from, const char* to) {
  throw EVariantTypeCastError(std::string("Could not convert variant of type (") +
                              VarTypeName(from) + ") into type (" + to + ")");
}

std::int64_t roundChecked(double value, TVarType from, const char* to) {
  if (!std::isfinite(value) || value <= -9.2e18 || value >= 9.2e18) castError(from, to);
  return Round(value);
}

}  // namespace

TVariant TVariant::Null() {
  TVariant v;
  v.type_ = varNull;
  return v;
}

TVariant TVariant::FromCurrency(std::int64_t scaled) {
  TVariant v;
  v.type_ = varCurrency;
  v.i_ = scaled;
  return v;
}

TVariant TVariant::FromDateTime(TDateTime value) {
  TVariant v;
  v.type_ = varDate;
  v.d_ = value;
  return v;
}

bool operator==(const TVariant& a, const TVariant& b) {
  if (a.type_ != b.type_) return false;
  switch (a.type_) {
    case varEmpty:
    case varNull:
      return true;
    case varInteger:
    case varCurrency:
    case varBoolean:
      return a.i_ == b.i_;
    case varDouble:
    case varDate:
      return a.d_ == b.d_ || (std::isnan(a.d_) && std::isnan(b.d_));
    case varString:
      return a.s_ == b.s_;
  }
  return false;
}

const char* VarTypeName(TVarType type) {
  switch (type) {
    case varEmpty:
      return "Empty";
    case varNull:
      return "Null";
    case varInteger:
      return "Integer";
    case varDouble:
      return "Double";
    case varCurrency:
      return "Currency";
    case varDate:
      return "Date";
    case varBoolean:
      return "Boolean";
    case varString:
      return "String";
  }
  return "Unknown";
}

std::int64_t FloatToCurrency(double value) {
  const double scaled = value * 10000.0;
  if (!std::isfinite(scaled) || std::fabs(scaled) >= 9.2e18)
    throw EVariantOverflowError("Arithmetic overflow");
  return Round(scaled);
}

double CurrencyToFloat(std::int64_t scaled) { return static_cast<double>(scaled) / 10000.0; }

std::string CurrToStr(std::int64_t scaled, const TFormatSettings& fs) {
  const bool negative = scaled < 0;
  // The magnitude as unsigned, so that the smallest value does not overflow.
  const std::uint64_t mag =
      negative ? std::uint64_t(0) - static_cast<std::uint64_t>(scaled) : std::uint64_t(scaled);
  std::string out = negative ? "-" : "";
  out += std::to_string(mag / 10000);
  std::uint64_t frac = mag % 10000;
  if (frac != 0) {
    std::string digits = std::to_string(frac);
    digits.insert(0, 4 - digits.size(), '0');
    while (!digits.empty() && digits.back() == '0') digits.pop_back();
    out += fs.DecimalSeparator;
    out += digits;
  }
  return out;
}

std::string CurrToStr(std::int64_t scaled) { return CurrToStr(scaled, FormatSettings()); }

double VarToFloat(const TVariant& v, const TFormatSettings& fs) {
  switch (v.VarType()) {
    case varEmpty:
      return 0.0;
    case varInteger:
      return static_cast<double>(v.RawInt());
    case varBoolean:
      return v.RawInt() ? -1.0 : 0.0;
    case varCurrency:
      return CurrencyToFloat(v.RawInt());
    case varDouble:
    case varDate:
      return v.RawDouble();
    case varString: {
      double d;
      if (TryStrToFloat(v.RawString(), d, fs)) return d;
      castError(varString, "Double");
    }
    case varNull:
      break;
  }
  castError(v.VarType(), "Double");
}

double VarToFloat(const TVariant& v) { return VarToFloat(v, FormatSettings()); }

std::int32_t VarToInt(const TVariant& v) {
  std::int64_t r = 0;
  switch (v.VarType()) {
    case varEmpty:
      return 0;
    case varInteger:
      return static_cast<std::int32_t>(v.RawInt());
    case varBoolean:
      return v.RawInt() ? -1 : 0;
    case varCurrency:
      r = roundChecked(CurrencyToFloat(v.RawInt()), varCurrency, "Integer");
      break;
    case varDouble:
    case varDate:
      r = roundChecked(v.RawDouble(), v.VarType(), "Integer");
      break;
    case varString: {
      int i;
      if (TryStrToInt(v.RawString(), i)) return i;
      double d;
      if (!TryStrToFloat(v.RawString(), d)) castError(varString, "Integer");
      r = roundChecked(d, varString, "Integer");
      break;
    }
    case varNull:
      castError(varNull, "Integer");
  }
  if (r < std::numeric_limits<std::int32_t>::min() || r > std::numeric_limits<std::int32_t>::max())
    throw EVariantOverflowError("Arithmetic overflow");
  return static_cast<std::int32_t>(r);
}

std::int64_t VarToCurrency(const TVariant& v) {
  if (v.VarType() == varCurrency) return v.RawInt();
  if (v.VarType() == varInteger) return v.RawInt() * 10000;
  if (v.VarType() == varNull) castError(varNull, "Currency");
  double d;
  try {
    d = VarToFloat(v);
  } catch (const EVariantTypeCastError&) {
    castError(v.VarType(), "Currency");
  }
  return FloatToCurrency(d);
}

TDateTime VarToDateTime(const TVariant& v) {
  switch (v.VarType()) {
    case varString: {
      TDateTime dt;
      if (TryStrToDateTime(v.RawString(), dt) || TryStrToDate(v.RawString(), dt) ||
          TryStrToTime(v.RawString(), dt))
        return dt;
      double d;
      if (TryStrToFloat(v.RawString(), d)) return d;
      castError(varString, "Date");
    }
    case varNull:
      castError(varNull, "Date");
    default:
      return VarToFloat(v);
  }
}

bool VarToBool(const TVariant& v) {
  switch (v.VarType()) {
    case varEmpty:
      return false;
    case varBoolean:
    case varInteger:
    case varCurrency:
      return v.RawInt() != 0;
    case varDouble:
    case varDate:
      return v.RawDouble() != 0.0;
    case varString: {
      bool b;
      if (TryStrToBool(v.RawString(), b)) return b;
      castError(varString, "Boolean");
    }
    case varNull:
      break;
  }
  castError(v.VarType(), "Boolean");
}

std::string VarToStr(const TVariant& v, const TFormatSettings& fs) {
  switch (v.VarType()) {
    case varEmpty:
    case varNull:
      return {};
    case varInteger:
      return IntToStr(v.RawInt());
    case varBoolean:
      return v.RawInt() ? "True" : "False";
    case varCurrency:
      return CurrToStr(v.RawInt(), fs);
    case varDouble:
      return FloatToStr(v.RawDouble(), fs);
    case varDate: {
      // A date without a time of day shows the date only, a time before
      // the first day the time only, as DateTimeToStr does.
      const double d = v.RawDouble();
      if (d == std::trunc(d)) return FormatDateTime("ddddd", d, fs);
      if (d >= 0 && d < 1) return FormatDateTime("tt", d, fs);
      return FormatDateTime("ddddd tt", d, fs);
    }
    case varString:
      return v.RawString();
  }
  return {};
}

std::string VarToStr(const TVariant& v) { return VarToStr(v, FormatSettings()); }

}  // namespace qv
