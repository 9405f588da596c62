// qvxls dump FILE
// qvxls convert IN OUT --format 97|5|4
//
// dump prints each sheet of a workbook as "## " + its name, then its rows
// with the cells separated by TAB (see workbook/XLSDump.h). convert reads IN
// and writes OUT as Excel 97, Excel 5 or Excel 4.0.
//
// Exit status: 0 success; 1 usage errors; 2 a file that cannot be read or
// written (encrypted, truncated, not a workbook, a read-only target, a
// sheet with more rows than the target version holds), with a one-line
// message on stderr; no file is written then. What the workbook reports
// while it reads or writes (texts cut short in the file, characters that
// no single code page of an Excel 5 or 4.0 file holds) goes to stderr too,
// one line each, and the status stays 0.
#include <cstdio>
#include <functional>
#include <iostream>
#include <string>

#include "platform/core/SysUtils.h"
#include "workbook/XLSDump.h"
#include "workbook/XLSWorkbook.h"

using namespace qv;

namespace {

int usage() {
  std::cerr << "usage: qvxls dump FILE\n       qvxls convert IN OUT --format 97|5|4\n";
  return 1;
}

// The message on one line: the reader puts the cause after a CR.
std::string oneLine(std::string m) {
  for (char& c : m)
    if (c == '\r' || c == '\n') c = ' ';
  return m;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return usage();
  std::string cmd = argv[1];
  TXLSWorkbook wb(LocaleSettings::EnUS());
  const char* current = "";
  wb.OnMessage = [&](const std::string& m) {
    std::cerr << "qvxls: " << current << ": " << oneLine(m) << "\n";
  };
  // Runs a read or write of file; false (with the message on stderr) when
  // it fails.
  auto attempt = [&](const char* file, const std::function<void()>& f) {
    current = file;
    try {
      f();
      return true;
    } catch (const std::exception& e) {
      std::cerr << "qvxls: " << file << ": " << oneLine(e.what()) << "\n";
      return false;
    }
  };
  if (cmd == "dump" && argc == 3) {
    wb.Filename = argv[2];
    if (!attempt(argv[2], [&] { wb.Read(); })) return 2;
    std::cout << DumpWorkbook(wb);
    return 0;
  }
  if (cmd == "convert" && argc == 6 && std::string(argv[4]) == "--format") {
    std::string f = argv[5];
    TExcelVersion v = f == "97" ? xvExcel97 : f == "5" ? xvExcel50 : f == "4" ? xvExcel40 : xvNone;
    if (v == xvNone) return usage();
    wb.Filename = argv[2];
    if (!attempt(argv[2], [&] { wb.Read(); })) return 2;
    wb.SetVersion(v);
    wb.Filename = argv[3];
    return attempt(argv[3], [&] { wb.Write(); }) ? 0 : 2;
  }
  return usage();
}
