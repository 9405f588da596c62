#include "support/DateUtil.h"

#include "platform/core/SysUtils.h"

namespace qv {

bool IsFourDigitYear(std::string_view shortDateFormat) {
  return UpperCase(shortDateFormat).find("YYYY") != std::string::npos;
}

bool FourDigitYear() {
  static const bool flag = IsFourDigitYear(FormatSettings().ShortDateFormat);
  return flag;
}

}  // namespace qv
