// The user's locale as the program takes it. Numbers have one form in the
// whole program whatever the locale: "." before the fraction, "," between
// thousands and between list items, so that a model, its data, the settings
// and every file read and write alike on every machine. Dates, times, day
// and month names and the currency follow the user's locale.
#pragma once

#include "platform/core/SysUtils.h"

namespace qv {

// TFormatSettings::FromLocale() with the number separators of
// TFormatSettings::Invariant(); FormatSettings() starts as this.
TFormatSettings ProgramFormatSettings();

// What the program does at start, once the GUI library has set the C
// library to the user's locale (setlocale(LC_ALL, "")): the C library's
// number conversions go back to the "C" form, and FormatSettings() becomes
// ProgramFormatSettings().
void TakeUserLocale();

}  // namespace qv
