// Runs part of a test as the program runs in a user's locale, such as
// de_DE.UTF-8 or fr_FR.UTF-8 (a decimal comma; "." or a narrow no-break space
// between thousands; other date forms): the locale named in LC_ALL, the C
// library set to it as the GUI library does at start (setlocale(LC_ALL,
// "")), then the program's own start (TakeUserLocale). A locale that the
// system has not generated is built once with localedef, from the system's
// locale sources (Debian package "locales"), into a folder of the test
// program's own that LOCPATH names; this works for any user, root or not.
#pragma once

#include <gtest/gtest.h>
#include <locale.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "platform/core/SysUtils.h"
#include "platform/core/UserLocale.h"

namespace qv::test {

inline bool LocaleLoads(const std::string& Name) {
  locale_t l = newlocale(LC_ALL_MASK, Name.c_str(), static_cast<locale_t>(0));
  if (l == static_cast<locale_t>(0)) return false;
  freelocale(l);
  return true;
}

// Makes the locale Name ("de_DE.UTF-8": language_TERRITORY.UTF-8) loadable;
// false, with the reason in Why, when it cannot be built.
inline bool MakeLocale(const std::string& Name, std::string& Why) {
  namespace fs = std::filesystem;
  const fs::path folder = fs::path(QV_BINARY_DIR) / "locales";
  std::error_code ec;
  // The C library remembers a locale it did not find in a folder: a locale
  // is looked up in our folder only once it is built there, and in the
  // system's only while LOCPATH does not name our folder yet (it does once
  // another locale was built).
  if (!fs::exists(folder / Name / "LC_NUMERIC")) {
    if (!getenv("LOCPATH") && LocaleLoads(Name)) return true;
    fs::create_directories(folder, ec);
    // Built beside and renamed into place, so that test programs running
    // side by side never load a half-written locale.
    std::string temp = (folder / "build-XXXXXX").string();
    if (!mkdtemp(temp.data())) {
      Why = "no folder for the locale under " + folder.string();
      return false;
    }
    const std::string source = Name.substr(0, Name.find('.'));
    const std::string command = "localedef -i " + source + " -f UTF-8 '" + temp + "/" + Name +
                                "' > '" + temp + "/log' 2>&1";
    const int status = std::system(command.c_str());
    fs::rename(fs::path(temp) / Name, folder / Name, ec);  // another program may have been first
    std::string log;
    if (FILE* f = std::fopen((temp + "/log").c_str(), "r")) {
      char buf[512];
      size_t n;
      while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) log.append(buf, n);
      std::fclose(f);
    }
    fs::remove_all(temp, ec);
    if (!fs::exists(folder / Name / "LC_NUMERIC")) {
      Why =
          "localedef could not build " + Name + " (status " + std::to_string(status) + "): " + log;
      return false;
    }
  }
  setenv("LOCPATH", folder.c_str(), 1);
  if (LocaleLoads(Name)) return true;
  Why = Name + " was built under " + folder.string() + " but does not load";
  return false;
}

// While it lives, the process runs in the locale Name as the program does;
// afterwards it is back in "C" with the tests' fixed "." format.
class TUserLocaleScope {
 public:
  explicit TUserLocaleScope(const std::string& Name) {
    if (Name != "C" && !MakeLocale(Name, Why)) return;
    setenv("LC_ALL", Name.c_str(), 1);
    if (!setlocale(LC_ALL, "")) {
      Why = "setlocale refused " + Name;
      return;
    }
    TakeUserLocale();
    Ready = true;
  }
  ~TUserLocaleScope() {
    unsetenv("LC_ALL");
    setlocale(LC_ALL, "C");
    FormatSettings() = TFormatSettings::Invariant();
  }
  TUserLocaleScope(const TUserLocaleScope&) = delete;
  TUserLocaleScope& operator=(const TUserLocaleScope&) = delete;

  bool Ready = false;
  std::string Why;
};

}  // namespace qv::test
