// Date helpers of the support components.
#pragma once

#include <string_view>

namespace qv {

// Whether a short date format shows the year with four digits: the format,
// upper-cased, contains "YYYY".
bool IsFourDigitYear(std::string_view shortDateFormat);

// The flag for the process's short date format, taken once on first use.
bool FourDigitYear();

}  // namespace qv
