// The qvxls tool: dump prints what the library dumps, convert writes the
// asked version, unreadable files end with status 2 and one line on stderr.
#include <gtest/gtest.h>

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
