// The qvxls tool: dump prints what the library dumps, convert writes the
// asked version, unreadable files end with status 2 and one line on stderr.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "WorkbookTestSupport.h"
#include "platform/core/Classes.h"
#include "platform/core/Process.h"
#include "workbook/XLSDump.h"
#include "workbook/XLSWorkbook.h"

using namespace qv;

namespace {

std::string data(const std::string& name) { return test::DataFile(name); }
std::string outDir() { return ExtractFileDir(test::OutFile("qvxls-out", "x")); }

TProcessResult qvxls(const std::vector<std::string>& args) {
  return RunProcess(QVXLS_PATH, args, 60000);
}

}  // namespace

TEST(Qvxls, DumpAndConvert) {
  TProcessResult d = qvxls({"dump", data("lo_biff8.xls")});
  ASSERT_EQ(d.ExitCode, 0) << d.StdErr;
  EXPECT_EQ(d.StdOut, readFileBytes(data("lo_biff8.xlrd.txt")));
  for (const char* f : {"97", "5", "4"}) {
    std::string out = outDir() + "/converted" + f + ".xls";
    TProcessResult c = qvxls({"convert", data("biff3.xls"), out, "--format", f});
    ASSERT_EQ(c.ExitCode, 0) << c.StdErr;
    TXLSWorkbook wb(LocaleSettings::EnUS());
    wb.Filename = out;
    wb.Read();
    EXPECT_EQ(wb.Version(), std::string(f) == "97"  ? xvExcel97
                            : std::string(f) == "5" ? xvExcel50
                                                    : xvExcel40);
    EXPECT_EQ(DumpWorkbook(wb), readFileBytes(data("biff3.xlrd.txt")));
  }
}

TEST(Qvxls, UnreadableFilesEndWithStatusTwo) {
  test::TBiff enc;
  enc.Bof8(0x0005).Rec(0x002F, TRecordBuilder().U16(1).Zeros(52)).Eof();
  std::string encrypted = outDir() + "/encrypted.xls";
  writeFileAtomic(encrypted, test::CompoundWorkbook(enc.Str()));
  std::string truncated = outDir() + "/truncated.xls";
  std::string whole = readFileBytes(data("biff4.xls"));
  writeFileAtomic(truncated, whole.substr(0, whole.size() - 10));
  std::string text = outDir() + "/text.xls";
  writeFileAtomic(text, "Name;Value\n");
  struct TCase {
    std::string file, message;
  } cases[] = {
      {encrypted, "Error on reading record # 1 File is password protected"},
      {truncated, "record too short"},
      {text, "BOF is missing in file"},
      {outDir() + "/missing.xls", "Cannot open file"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    TProcessResult r = qvxls({"dump", c.file});
    EXPECT_EQ(r.ExitCode, 2);
    EXPECT_TRUE(r.StdOut.empty());
    EXPECT_NE(r.StdErr.find(c.message), std::string::npos) << r.StdErr;
    EXPECT_EQ(std::count(r.StdErr.begin(), r.StdErr.end(), '\n'), 1);
  }
  EXPECT_EQ(qvxls({"convert", data("biff2.xls"), outDir() + "/x.xls", "--format", "3"}).ExitCode,
            1);
  EXPECT_EQ(qvxls({"frobnicate"}).ExitCode, 1);
}

TEST(Qvxls, WarningsGoToStderrWithStatusZero) {
  // A text whose record ends before its stated length: read as far as it
  // goes, and said on stderr.
  test::TBiff b;
  b.Bof5(0x0010).Rec(0x0204, TRecordBuilder().U16(0).U16(0).U16(15).U16(9).Bytes("abc")).Eof();
  std::string file = outDir() + "/cut.xls";
  writeFileAtomic(file, b.Str());
  TProcessResult r = qvxls({"dump", file});
  EXPECT_EQ(r.ExitCode, 0);
  EXPECT_EQ(r.StdOut, "## Sheet 1\nabc\n");
  EXPECT_EQ(r.StdErr, "qvxls: " + file +
                          ": 1 text(s) end before their stated length in the file; they were read "
                          "as far as the file holds them\n");
}

// convert writes only what the target version holds: a sheet longer than
// Excel 5 and 4.0 hold ends with status 2 and no file; texts go in the code
// page that holds them, and characters no single page holds are counted on
// stderr with status 0; a read-only target is refused and kept.
TEST(Qvxls, ConvertStaysWithinWhatTheTargetHolds) {
  const std::string rows = outDir() + "/rows65536.xls";
  {
    TXLSWorkbook wb(LocaleSettings::EnUS());
    for (int r = 0; r < 65536; ++r) wb.Sheets[0].SetFloat(0, r, r, -1);
    wb.Filename = rows;
    wb.Write();
  }
  auto textBook = [&](const std::string& name, const std::vector<std::string>& texts) {
    TXLSWorkbook wb(LocaleSettings::EnUS());
    for (size_t i = 0; i < texts.size(); ++i)
      wb.Sheets[0].SetCellText(static_cast<int>(i), 0, texts[i]);
    wb.Filename = outDir() + "/" + name;
    wb.Write();
    return wb.Filename;
  };
  const std::string greek = textBook("greek.xls", {"Ωμέγα", "Δt"});
  const std::string mixed = textBook("mixed.xls", {"Ωμέγα", "Привет"});
  struct TCase {
    std::string in;
    const char* format;
    int status;
    std::string err;  // after "qvxls: OUT: "
  };
  const TCase cases[] = {
      {rows, "5", 2,
       "Sheet \"Sheet 1\" has 65536 rows; Excel 5 files hold at most 16384 rows per sheet"},
      {rows, "4", 2,
       "Sheet \"Sheet 1\" has 65536 rows; Excel 4.0 files hold at most 16384 rows per sheet"},
      {rows, "97", 0, ""},
      {greek, "5", 0, ""},
      {greek, "4", 0, ""},
      {mixed, "5", 0,
       "11 character(s) fit no single Windows code page and were written as \"?\" (code page "
       "1252)"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.in + " --format " + c.format);
    const std::string out = outDir() + "/limits-out.xls";
    std::filesystem::remove(out);
    TProcessResult r = qvxls({"convert", c.in, out, "--format", c.format});
    EXPECT_EQ(r.ExitCode, c.status);
    EXPECT_EQ(r.StdErr, c.err.empty() ? "" : "qvxls: " + out + ": " + c.err + "\n");
    EXPECT_EQ(std::filesystem::exists(out), c.status == 0);
    if (c.in == greek && c.status == 0) {
      TProcessResult back = qvxls({"dump", out});
      EXPECT_EQ(back.StdOut, "## Sheet 1\nΩμέγα\tΔt\n");
    }
  }
  // A read-only target in a writable folder.
  const std::string locked = outDir() + "/locked.xls";
  ::chmod(locked.c_str(), 0600);
  writeFileAtomic(locked, "old content");
  ASSERT_EQ(::chmod(locked.c_str(), 0444), 0);
  TProcessResult r = qvxls({"convert", greek, locked, "--format", "97"});
  EXPECT_EQ(r.ExitCode, 2);
  EXPECT_EQ(r.StdErr,
            "qvxls: " + locked + ": Cannot create file \"" + locked + "\". Permission denied\n");
  ::chmod(locked.c_str(), 0600);
  EXPECT_EQ(readFileBytes(locked), "old content");
}
