// A tagged value after the class library's Variant: unassigned, null, a
// 32-bit integer, a double, a currency (64-bit integer scaled by 10000), a
// date-time, a Boolean or a UTF-8 text, with the library's conversions
// between them.
//
// Conversions follow the run-time library:
// - unassigned reads as 0, "" and False; null refuses every conversion;
// - a text converts to a number with the settings' decimal separator
//   (blanks around are allowed), to a Boolean as "True"/"False" in any case
//   or as a number, to a date-time as a date and time text or a number;
// - a double converts to an integer by rounding half to even; True is -1;
// - numbers convert to text with FloatToStr (a currency with at most four
//   decimals), date-times with DateTimeToStr, Booleans as "True"/"False".
// A conversion that cannot be made raises EVariantTypeCastError
// "Could not convert variant of type (<from>) into type (<to>)"; an
// integer that does not fit raises EVariantOverflowError.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/core/SysUtils.h"

namespace qv {

QV_DECLARE_EXCEPTION(EVariantError, Exception)
QV_DECLARE_EXCEPTION(EVariantTypeCastError, EVariantError)
QV_DECLARE_EXCEPTION(EVariantOverflowError, EVariantError)

enum TVarType : std::uint8_t {
  varEmpty,
  varNull,
  varInteger,
  varDouble,
  varCurrency,
  varDate,
  varBoolean,
  varString
};

class TVariant {
 public:
  TVariant() = default;  // unassigned
  TVariant(int value) : type_(varInteger), i_(value) {}
  TVariant(double value) : type_(varDouble), d_(value) {}
  TVariant(bool value) : type_(varBoolean), i_(value ? 1 : 0) {}
  TVariant(std::string value) : type_(varString), s_(std::move(value)) {}
  TVariant(std::string_view value) : type_(varString), s_(value) {}
  TVariant(const char* value) : type_(varString), s_(value ? value : "") {}

  static TVariant Null();
  // A currency from its scaled 64-bit form (value x 10000).
  static TVariant FromCurrency(std::int64_t scaled);
  static TVariant FromDateTime(TDateTime value);

  TVarType VarType() const { return type_; }
  bool IsEmpty() const { return type_ == varEmpty; }
  bool IsNull() const { return type_ == varNull; }
  bool IsText() const { return type_ == varString; }
  bool IsNumeric() const {
    return type_ == varInteger || type_ == varDouble || type_ == varCurrency;
  }

  // The stored payloads, without conversion (valid for their own type).
  std::int64_t RawInt() const { return i_; }
  double RawDouble() const { return d_; }
  const std::string& RawString() const { return s_; }

  friend bool operator==(const TVariant& a, const TVariant& b);

 private:
  TVarType type_ = varEmpty;
  std::int64_t i_ = 0;  // integer, Boolean, currency (scaled)
  double d_ = 0;        // double, date-time
  std::string s_;
};

// The name of a variant type as the conversion messages give it
// ("Empty", "Null", "Integer", "Double", "Currency", "Date", "Boolean",
// "String").
const char* VarTypeName(TVarType type);

double VarToFloat(const TVariant& v);
double VarToFloat(const TVariant& v, const TFormatSettings& fs);
std::int32_t VarToInt(const TVariant& v);
std::int64_t VarToCurrency(const TVariant& v);  // scaled by 10000
TDateTime VarToDateTime(const TVariant& v);
bool VarToBool(const TVariant& v);
// Text of the value; unassigned and null give "".
std::string VarToStr(const TVariant& v);
std::string VarToStr(const TVariant& v, const TFormatSettings& fs);

// Currency helpers: a double rounded half to even to four decimals, and back.
std::int64_t FloatToCurrency(double value);
double CurrencyToFloat(std::int64_t scaled);
// The shortest text of a currency value: up to four decimals, no trailing zeros.
std::string CurrToStr(std::int64_t scaled);
std::string CurrToStr(std::int64_t scaled, const TFormatSettings& fs);

}  // namespace qv
