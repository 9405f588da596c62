// Our Excel 97, 5 and 4.0 files read by other programs: xlrd (its values
// printed by xlrd_dump.py), gnumeric's ssconvert and LibreOffice Calc
// (each converting our file to an Excel 97 file of its own, which we then
// read), and the qvxls tool converting between the versions.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "WorkbookTestSupport.h"
#include "platform/core/Classes.h"
#include "platform/core/Process.h"
#include "tests/main/PeerTools.h"
#include "workbook/XLSDump.h"
#include "workbook/XLSWorkbook.h"

using namespace qv;

namespace {

std::string outDir() { return ExtractFileDir(test::OutFile("peer-out", "x")); }

bool have(const std::string& program) { return !test::FindPeerProgram(program).empty(); }

// A workbook whose texts fit Windows-1252, so that every version keeps them.
void Fill(TXLSWorkbook& wb) {
  TSheet& s = wb.Sheets[0];
  s.SetName("Werte");
  const char* labels[] = {"Name", "Wert", "Größe", "Zeit"};
  for (int c = 0; c < 4; ++c) s.SetCellText(c, 0, labels[c]);
  for (int r = 1; r <= 20; ++r) {
    s.SetCellText(0, r, "Zeile " + std::to_string(r));
    s.SetFloat(1, r, r / 8.0, -1);
    s.SetFloat(2, r, r * 1234.5 + 0.1, -1);
    s.SetFloat(3, r, 45000 + r, -1);
  }
  s.SetBoolean(4, 1, true, -1);
  s.SetError(4, 2, 7, -1);
  TFormulaResult fr;
  fr.Number = 0.25;
  s.SetFormula(5, 1, -1, wb.EncodeText("B2*2", 8224), fr);
  TSheet& z = wb.Sheets.Add();
  z.SetName("Zweite Seite");
  z.SetFloat(0, 0, -1.5e-7, -1);
  z.SetCellText(2, 3, "Ende");
}

// Values without the sheet-name lines.
std::string valuesOnly(const std::string& dump) {
  std::string out;
  size_t p = 0;
  while (p < dump.size()) {
    size_t e = dump.find('\n', p);
    std::string line = dump.substr(p, e - p);
    if (line.rfind("## ", 0) != 0) out += line + "\n";
    p = e == std::string::npos ? dump.size() : e + 1;
  }
  return out;
}

std::string firstSheet(const std::string& dump) {
  size_t second = dump.find("\n## ");
  return second == std::string::npos ? dump : dump.substr(0, second + 1);
}

struct TVersionFile {
  TExcelVersion Version;
  std::string Name;
};

std::vector<TVersionFile> writeAll(TXLSWorkbook& wb) {
  std::vector<TVersionFile> files = {
      {xvExcel97, "ours97.xls"}, {xvExcel50, "ours5.xls"}, {xvExcel40, "ours4.xls"}};
  for (auto& f : files) {
    wb.SetVersion(f.Version);
    wb.Filename = outDir() + "/" + f.Name;
    wb.Write();
  }
  return files;
}

std::string readDump(const std::string& file) {
  TXLSWorkbook wb(LocaleSettings::EnUS());
  wb.OnMessage = [](const std::string&) {};
  wb.Filename = file;
  wb.Read();
  return DumpWorkbook(wb);
}

}  // namespace

TEST(Peers, XlrdReadsOurFiles) {
  QV_REQUIRE_PEER(test::HavePythonModule("xlrd"), "python3-xlrd");
  TXLSWorkbook wb(LocaleSettings::EnUS());
  Fill(wb);
  std::string expected = DumpWorkbook(wb);
  for (const auto& f : writeAll(wb)) {
    SCOPED_TRACE(f.Name);
    TProcessResult r = RunProcess(
        "/usr/bin/python3",
        {std::string(QV_SOURCE_DIR) + "/tests/workbook/xlrd_dump.py", outDir() + "/" + f.Name},
        60000);
    ASSERT_TRUE(r.Succeeded()) << r.StdErr;
    if (f.Version == xvExcel40)
      EXPECT_EQ(valuesOnly(r.StdOut), valuesOnly(firstSheet(expected)));
    else
      EXPECT_EQ(r.StdOut, expected);
  }
}

TEST(Peers, GnumericReadsOurFiles) {
  QV_REQUIRE_PEER(have("ssconvert"), "gnumeric's ssconvert");
  TXLSWorkbook wb(LocaleSettings::EnUS());
  Fill(wb);
  std::string expected = DumpWorkbook(wb);
  for (const auto& f : writeAll(wb)) {
    SCOPED_TRACE(f.Name);
    std::string back = outDir() + "/gnumeric-" + f.Name;
    std::filesystem::remove(back);
    TProcessResult r = RunProcess(
        "ssconvert", {"-T", "Gnumeric_Excel:excel_biff8", outDir() + "/" + f.Name, back}, 120000);
    ASSERT_TRUE(r.Succeeded()) << r.StdErr;
    std::string got = readDump(back);
    if (f.Version == xvExcel40)
      EXPECT_EQ(valuesOnly(got), valuesOnly(firstSheet(expected)));
    else
      EXPECT_EQ(got, expected);
  }
}

TEST(Peers, LibreOfficeReadsOurFiles) {
  QV_REQUIRE_PEER(have("soffice"), "LibreOffice");
  TXLSWorkbook wb(LocaleSettings::EnUS());
  Fill(wb);
  std::string expected = DumpWorkbook(wb);
  auto files = writeAll(wb);
  std::string conv = outDir() + "/libreoffice";
  std::filesystem::remove_all(conv);
  std::vector<std::string> args = {"-env:UserInstallation=file://" + outDir() + "/lo-profile",
                                   "--headless",
                                   "--convert-to",
                                   "xls:MS Excel 97",
                                   "--outdir",
                                   conv};
  for (const auto& f : files) args.push_back(outDir() + "/" + f.Name);
  TProcessResult r = RunProcess("soffice", args, 300000);
  ASSERT_TRUE(r.Succeeded()) << r.StdErr;
  for (const auto& f : files) {
    SCOPED_TRACE(f.Name);
    std::string got = readDump(conv + "/" + f.Name);
    if (f.Version == xvExcel40)
      EXPECT_EQ(valuesOnly(got), valuesOnly(firstSheet(expected)));
    else
      EXPECT_EQ(got, expected);
  }
}

TEST(Peers, LibreOfficeKeepsNotesPicturesAndCharts) {
  QV_REQUIRE_PEER(have("soffice"), "LibreOffice");
  TXLSWorkbook wb(LocaleSettings::EnUS());
  wb.OnMessage = [](const std::string&) {};
  TSheet& s = wb.Sheets[0];
  for (int r = 0; r < 5; ++r) {
    s.SetCellText(0, r, "K" + std::to_string(r));
    s.SetFloat(1, r, r * r, -1);
  }
  TNote& n = s.Notes.Add();
  n.SetCellCol(1);
  n.SetCellRow(1);
  n.Text = {"Eine Notiz"};
  TXLSPicture& p = wb.Pictures.Add();
  p.SetFromMemory(readFileBytes(test::DataFile("dot.png")), ptPNG);
  TSheetPicture& sp = s.SheetPictures.Add();
  sp.SetPictureName(p.Name);
  sp.SetCol(4);
  TXLSChart& c = s.Charts.Add();
  c.Title = "Quadrate";
  TChartSerie& sr = c.Series.Add();
  sr.SetArea("'Sheet 1'!$B$1:$B$5");
  sr.SetCategories("'Sheet 1'!$A$1:$A$5");
  wb.Filename = outDir() + "/drawings.xls";
  wb.Write();
  std::string conv = outDir() + "/libreoffice-drawings";
  std::filesystem::remove_all(conv);
  TProcessResult r =
      RunProcess("soffice",
                 {"-env:UserInstallation=file://" + outDir() + "/lo-profile", "--headless",
                  "--convert-to", "xlsx", "--outdir", conv, wb.Filename},
                 300000);
  ASSERT_TRUE(r.Succeeded()) << r.StdErr;
  TProcessResult z = RunProcess("/usr/bin/python3",
                                {"-c",
                                 "import sys, zipfile\nz = zipfile.ZipFile(sys.argv[1])\nfor n in "
                                 "sorted(z.namelist()): print(n)\n"
                                 "print(z.read('xl/comments1.xml').decode())",
                                 conv + "/drawings.xlsx"},
                                60000);
  ASSERT_TRUE(z.Succeeded()) << z.StdErr;
  EXPECT_NE(z.StdOut.find("xl/media/image1.png"), std::string::npos) << z.StdOut;
  EXPECT_NE(z.StdOut.find("xl/charts/chart1.xml"), std::string::npos) << z.StdOut;
  EXPECT_NE(z.StdOut.find("Eine Notiz"), std::string::npos) << z.StdOut;
}

TEST(Peers, LongExcel97TextsReachThePeers) {
  // A text cell, string results and a note longer than one record, whose
  // characters go on in CONTINUE records. The formulas give their results,
  // as the peers that recalculate them find.
  TXLSWorkbook wb(LocaleSettings::EnUS());
  wb.OnMessage = [](const std::string&) {};
  TSheet& s = wb.Sheets[0];
  s.SetName("Lang");
  const std::string wide = "Ωμέγα " + std::string(8990, 'b');
  s.SetCellText(0, 0, std::string(9000, 'a'));
  TFormulaResult r;
  r.Type = ctStringFormula;
  r.Text = wide;
  s.SetFormula(0, 1, -1, wb.EncodeText("\"Ωμέγα \"&REPT(\"b\",8990)", 8224), r);
  r.Text = std::string(9000, 'c');
  s.SetFormula(0, 2, -1, wb.EncodeText("REPT(\"c\",9000)", 8224), r);
  TNote& n = s.Notes.Add();
  n.SetCellCol(1);
  n.Text = {wide};
  wb.Filename = outDir() + "/long97.xls";
  wb.Write();
  const std::string expected = DumpWorkbook(wb);
  if (test::UsePeer(test::HavePythonModule("xlrd"), "python3-xlrd")) {
    TProcessResult x = RunProcess(
        "/usr/bin/python3",
        {std::string(QV_SOURCE_DIR) + "/tests/workbook/xlrd_dump.py", wb.Filename}, 60000);
    ASSERT_TRUE(x.Succeeded()) << x.StdErr;
    EXPECT_EQ(x.StdOut, expected);
  }
  if (test::UsePeer(have("soffice"), "LibreOffice")) {
    std::string conv = outDir() + "/libreoffice-long";
    std::filesystem::remove_all(conv);
    TProcessResult lo =
        RunProcess("soffice",
                   {"-env:UserInstallation=file://" + outDir() + "/lo-profile", "--headless",
                    "--convert-to", "xls:MS Excel 97", "--outdir", conv, wb.Filename},
                   300000);
    ASSERT_TRUE(lo.Succeeded()) << lo.StdErr;
    TXLSWorkbook back(LocaleSettings::EnUS());
    back.OnMessage = [](const std::string&) {};
    back.Filename = conv + "/long97.xls";
    back.Read();
    // LibreOffice's own Excel files carry no string results of formulas
    // (it writes them as 0), so only the text cell and the note are
    // compared.
    EXPECT_EQ(back.Sheets[0].GetCellText(0, 0), std::string(9000, 'a'));
    ASSERT_EQ(back.Sheets[0].Notes.Count(), 1);
    EXPECT_EQ(back.Sheets[0].Notes.Item(0).Text, std::vector<std::string>{wide});
  }
  if (test::UsePeer(have("ssconvert"), "gnumeric's ssconvert")) {
    std::string back = outDir() + "/gnumeric-long97.xls";
    std::filesystem::remove(back);
    TProcessResult g =
        RunProcess("ssconvert", {"-T", "Gnumeric_Excel:excel_biff8", wb.Filename, back}, 120000);
    ASSERT_TRUE(g.Succeeded()) << g.StdErr;
    EXPECT_EQ(readDump(back), expected);
  }
}

// Excel 5 and 4.0 files of texts outside Windows-1252 name the code page
// that holds them; every peer reads the texts back unchanged.
TEST(Peers, EightBitCodePagesReachThePeers) {
  const bool xlrd = have("/usr/bin/python3") &&
                    RunProcess("/usr/bin/python3", {"-c", "import xlrd"}, 20000).Succeeded();
  const bool gnumeric = have("ssconvert");
  const bool libreoffice = have("soffice");
  if (!xlrd && !gnumeric && !libreoffice) GTEST_SKIP() << "no peer is installed";
  struct TCase {
    const char* name;
    TExcelVersion version;
    std::vector<std::string> texts;
    // gnumeric 1.12 drops the last character of 1255 texts and garbles
    // 1258 ones, and reads Excel 4.0 text as 1252 whatever the CODEPAGE
    // record says: its own faults, which the other peers do not share.
    bool gnumeric = true;
  };
  const TCase cases[] = {
      // clang-format off
      {"cp1250", xvExcel50, {"Łódź", "Ćma žluť"}},
      {"cp1251", xvExcel50, {"Привет", "Ёж"}},
      {"cp1253", xvExcel50, {"Ωμέγα", "Δt"}},
      {"cp1254", xvExcel50, {"İstanbul", "ğş"}},
      {"cp1257", xvExcel50, {"Ąžuolų", "Rīga"}},
      {"cp1255", xvExcel50, {"שלום", "עולם"}, false},
      {"cp1256", xvExcel50, {"مرحبا", "عالم"}},
      {"cp1258", xvExcel50, {"ưu Đ", "ơn"}, false},
      {"cp874", xvExcel50, {"สวัสดี", "โลก"}},
      {"cp1252", xvExcel50, {"Größe", "€ 5"}},
      {"cp1253-4", xvExcel40, {"Ωμέγα", "Δt"}, false},
      {"cp1251-4", xvExcel40, {"Привет", "Ёж"}, false},
      // clang-format on
  };
  std::vector<std::string> files, expected;
  for (const TCase& c : cases) {
    TXLSWorkbook wb(LocaleSettings::EnUS());
    TSheet& s = wb.Sheets[0];
    s.SetName(c.texts[0]);
    for (size_t i = 0; i < c.texts.size(); ++i) s.SetCellText(static_cast<int>(i), 0, c.texts[i]);
    s.SetFloat(0, 1, 2.5, -1);
    wb.SetVersion(c.version);
    wb.Filename = outDir() + "/" + c.name + ".xls";
    wb.Write();
    files.push_back(wb.Filename);
    expected.push_back(DumpWorkbook(wb));
  }
  auto compare = [&](size_t i, const std::string& got) {
    if (cases[i].version == xvExcel40)
      EXPECT_EQ(valuesOnly(got), valuesOnly(expected[i]));
    else
      EXPECT_EQ(got, expected[i]);
  };
  if (xlrd) {
    for (size_t i = 0; i < files.size(); ++i) {
      SCOPED_TRACE(std::string("xlrd ") + cases[i].name);
      TProcessResult r = RunProcess(
          "/usr/bin/python3",
          {std::string(QV_SOURCE_DIR) + "/tests/workbook/xlrd_dump.py", files[i]}, 60000);
      ASSERT_TRUE(r.Succeeded()) << r.StdErr;
      compare(i, r.StdOut);
    }
  }
  if (gnumeric) {
    for (size_t i = 0; i < files.size(); ++i) {
      if (!cases[i].gnumeric) continue;
      SCOPED_TRACE(std::string("gnumeric ") + cases[i].name);
      const std::string back = outDir() + "/gnumeric-" + cases[i].name + ".xls";
      std::filesystem::remove(back);
      TProcessResult r =
          RunProcess("ssconvert", {"-T", "Gnumeric_Excel:excel_biff8", files[i], back}, 120000);
      ASSERT_TRUE(r.Succeeded()) << r.StdErr;
      compare(i, readDump(back));
    }
  }
  if (libreoffice) {
    const std::string conv = outDir() + "/libreoffice-codepages";
    std::filesystem::remove_all(conv);
    std::vector<std::string> args = {"-env:UserInstallation=file://" + outDir() + "/lo-profile",
                                     "--headless",
                                     "--convert-to",
                                     "xls:MS Excel 97",
                                     "--outdir",
                                     conv};
    args.insert(args.end(), files.begin(), files.end());
    TProcessResult r = RunProcess("soffice", args, 300000);
    ASSERT_TRUE(r.Succeeded()) << r.StdErr;
    for (size_t i = 0; i < files.size(); ++i) {
      SCOPED_TRACE(std::string("LibreOffice ") + cases[i].name);
      compare(i, readDump(conv + "/" + cases[i].name + ".xls"));
    }
  }
}
