// Excel workbooks in the data sheet: loading a file LibreOffice made,
// appending, saving with the sheet names Excel takes, and our files read
// back by xlrd and LibreOffice.
#include <gtest/gtest.h>

#include <filesystem>

#include "SpreadTestSupport.h"
#include "app/spread/SpreadDocument.h"
#include "platform/core/Process.h"
#include "tests/main/PeerTools.h"

using namespace qv;
using qv::test::DataFile;
using qv::test::OutFile;
using qv::test::TreeShape;

namespace {

class SpreadXls : public test::SpreadTest {};

std::string XlrdDump(const std::string& file) {
  TProcessResult r =
      RunProcess("/usr/bin/python3",
                 {std::string(QV_SOURCE_DIR) + "/tests/workbook/xlrd_dump.py", file}, 60000);
  EXPECT_TRUE(r.Succeeded()) << r.StdErr;
  return r.StdOut;
}

// Base Folder / Daten, Sub / (daten, Sheet3) with texts; "daten" equals
// "Daten" but for case.
void BuildForSaving(TSpreadDocument& doc) {
  doc.NewDocument(1);
  TSheetTree& tree = doc.Tree();
  tree.Rename(tree.Item(1), "Daten");
  doc.Worksheet(1)->SetCellText(0, 0, "a");
  doc.Worksheet(1)->SetCellFloat(1, 1, 2.5);
  TSheetNode* sub = tree.Add(nullptr, "Sub", -1);
  tree.Selected = sub;
  doc.AddSheet();
  tree.Rename(tree.FindWorksheet(2), "daten");
  doc.Worksheet(2)->SetCellText(2, 3, "zwei");
  tree.Selected = sub;
  doc.AddSheet();
  tree.Rename(tree.FindWorksheet(3), "a/b:c");
  doc.Worksheet(3)->SetCellText(0, 0, "Grüße");
}

}  // namespace

TEST_F(SpreadXls, LoadsAWorkbookLibreOfficeMade) {
  TSpreadDocument doc;
  doc.NewDocument(3);
  doc.SetModified(true);
  ASSERT_TRUE(doc.LoadXls(DataFile("peers_lo.xls")));
  EXPECT_FALSE(doc.Modified());
  EXPECT_EQ(TreeShape(doc.Tree()), "Base Folder/-1 -Messwerte/1 -Leer/2 -Größe/3 ");
  EXPECT_EQ(doc.CurrentSheet(), doc.Worksheet(1));
  const TXLSheet& s = *doc.Worksheet(1);
  EXPECT_EQ(s.Title, "Messwerte");
  // The used area ends at K151: 151 rows, at least 50 columns.
  EXPECT_EQ(s.RowCount(), 151);
  EXPECT_EQ(s.ColCount(), 50);
  EXPECT_EQ(s.GetCellText(10, 150), "Ende");
  EXPECT_EQ(s.GetCellText(0, 0), "x");
  EXPECT_EQ(s.GetCellText(0, 1), "0.5");
  EXPECT_EQ(s.GetCellText(1, 2), "-3");
  EXPECT_EQ(s.GetCellText(-1, 150), "151");
  EXPECT_EQ(s.GetCellText(49, -1), "AX");
  const TXLSheet& empty = *doc.Worksheet(2);
  EXPECT_EQ(empty.RowCount(), 100);
  EXPECT_EQ(empty.ColCount(), 50);
  EXPECT_EQ(empty.Section(skClient).CellCount(), 0);
  EXPECT_EQ(doc.Worksheet(3)->GetCellText(0, 0), "Grüße");
  EXPECT_EQ(doc.Worksheet(3)->GetCellText(1, 0), "42");
}

TEST_F(SpreadXls, AppendingNamesNodesAfterTheSheetsAndNumbersAfresh) {
  TSpreadDocument doc;
  doc.NewDocument(2);
  doc.SetModified(false);
  ASSERT_TRUE(doc.AppendXls(DataFile("peers_lo.xls")));
  EXPECT_TRUE(doc.Modified());
  EXPECT_EQ(TreeShape(doc.Tree()),
            "Base Folder/-1 -Sheet1/1 -Sheet2/2 peers_lo.xls/-1 -Messwerte/3 -Leer/4 -Größe/5 ");
  EXPECT_EQ(doc.Worksheet(3)->Name, "Sheet3");
  EXPECT_EQ(doc.Worksheet(3)->GetCellText(10, 150), "Ende");
  // Nothing selected by appending.
  EXPECT_EQ(doc.CurrentSheet(), doc.Worksheet(1));
}

TEST_F(SpreadXls, AFileThatIsNoWorkbookLeavesTheDocument) {
  const std::string file = OutFile("xls", "not-a-workbook.xls");
  writeFileAtomic(file, "plain text, not a workbook\r\n");
  TSpreadDocument doc;
  doc.NewDocument(2);
  doc.Worksheet(2)->SetCellText(0, 0, "kept");
  doc.SetModified(true);
  EXPECT_FALSE(doc.LoadXls(file));
  EXPECT_FALSE(doc.AppendXls(file));
  EXPECT_EQ(Messages(), (std::vector<std::string>{"Falied to load file \"" + file + "\"!",
                                                  "Falied to append file \"" + file + "\"!"}));
  EXPECT_EQ(TreeShape(doc.Tree()), "Base Folder/-1 -Sheet1/1 -Sheet2/2 ");
  EXPECT_EQ(doc.Worksheet(2)->GetCellText(0, 0), "kept");
  EXPECT_TRUE(doc.Modified());
}

TEST_F(SpreadXls, SheetNamesExcelTakes) {
  struct Case {
    const char* text;
    const char* name;
  };
  const Case cases[] = {
      {"Daten", "Daten"},
      {"daten", "daten (2)"},
      {"DATEN", "DATEN (3)"},
      {"a/b:c?*[x]\\", "a_b_c___x__"},
      {"'quoted'", "quoted"},
      {"   ", "Sheet6"},
      {"An overly long sheet name of more than 31 characters", "An overly long sheet name of mo"},
  };
  std::vector<std::string> taken;
  int index = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    taken.push_back(ValidSheetName(c.text, index++, taken));
    EXPECT_EQ(taken.back(), c.name);
  }
}

TEST_F(SpreadXls, SavedWorkbookReadsBackWithItsSheetsInTreeOrder) {
  const std::string file = OutFile("xls", "saved.xls");
  TSpreadDocument doc;
  BuildForSaving(doc);
  doc.SetModified(true);
  doc.SaveXls(file);
  EXPECT_TRUE(Messages().empty());

  TSpreadDocument back;
  ASSERT_TRUE(back.LoadXls(file));
  EXPECT_EQ(TreeShape(back.Tree()), "Base Folder/-1 -Daten/1 -daten (2)/2 -a_b_c/3 ");
  EXPECT_EQ(back.Worksheet(1)->GetCellText(0, 0), "a");
  EXPECT_EQ(back.Worksheet(1)->GetCellText(1, 1), "2.5");
  EXPECT_EQ(back.Worksheet(2)->GetCellText(2, 3), "zwei");
  EXPECT_EQ(back.Worksheet(3)->GetCellText(0, 0), "Grüße");

  QV_REQUIRE_PEER(test::HavePythonModule("xlrd"), "python3-xlrd");
  EXPECT_EQ(XlrdDump(file),
            "## Daten\na\t\n\t2.5\n## daten (2)\n\t\t\n\t\t\n\t\t\n\t\tzwei\n## a_b_c\nGrüße\n");
}

TEST_F(SpreadXls, LibreOfficeReadsTheSavedWorkbook) {
  QV_REQUIRE_PEER(!test::FindPeerProgram("soffice").empty(), "LibreOffice");
  const std::string file = OutFile("xls-lo", "for-libreoffice.xls");
  TSpreadDocument doc;
  BuildForSaving(doc);
  doc.SaveXls(file);
  const std::string dir = ExtractFileDir(file);
  const std::string conv = dir + "/converted";
  std::filesystem::remove_all(conv);
  TProcessResult r =
      RunProcess("soffice",
                 {"-env:UserInstallation=file://" + dir + "/lo-profile", "--headless",
                  "--convert-to", "xls:MS Excel 97", "--outdir", conv, file},
                 300000);
  ASSERT_TRUE(r.Succeeded()) << r.StdErr;
  TSpreadDocument back;
  ASSERT_TRUE(back.LoadXls(conv + "/for-libreoffice.xls"));
  EXPECT_EQ(TreeShape(back.Tree()), "Base Folder/-1 -Daten/1 -daten (2)/2 -a_b_c/3 ");
  EXPECT_EQ(back.Worksheet(1)->GetCellText(1, 1), "2.5");
  EXPECT_EQ(back.Worksheet(2)->GetCellText(2, 3), "zwei");
  EXPECT_EQ(back.Worksheet(3)->GetCellText(0, 0), "Grüße");
}

TEST_F(SpreadXls, TreesWithoutWorksheetsAndSheetsTooWideForExcel) {
  const std::string file = OutFile("xls", "edge.xls");
  TSpreadDocument doc;
  doc.NewDocument(0);
  doc.SaveXls(file);
  TSpreadDocument back;
  ASSERT_TRUE(back.LoadXls(file));
  EXPECT_EQ(back.WorksheetCount(), 1);

  // A text past column IV cannot be written: nothing is, the old file stays.
  const std::string before = readFileBytes(file);
  doc.NewDocument(1);
  TSpreadDocument::GrowSheet(*doc.Worksheet(1), 300, 200);
  doc.Worksheet(1)->SetCellText(299, 0, "far");
  EXPECT_ANY_THROW(doc.SaveXls(file));
  EXPECT_EQ(readFileBytes(file), before);

  // A worksheet longer than a workbook sheet: refused, naming the worksheet
  // and the limit; the old file stays. The last row a sheet holds is
  // written.
  doc.NewDocument(1);
  doc.Tree().Rename(doc.Tree().Item(1), "Messung");
  TSpreadDocument::GrowSheet(*doc.Worksheet(1), 2, 65537);
  doc.Worksheet(1)->SetCellText(0, 65535, "last");
  doc.SaveXls(file);
  TSpreadDocument longBack;
  ASSERT_TRUE(longBack.LoadXls(file));
  EXPECT_EQ(longBack.Worksheet(1)->GetCellText(0, 65535), "last");
  const std::string written = readFileBytes(file);
  doc.Worksheet(1)->SetCellText(1, 65536, "one too many");
  try {
    doc.SaveXls(file);
    ADD_FAILURE() << "saved";
  } catch (const std::exception& e) {
    EXPECT_STREQ(e.what(),
                 "Sheet \"Messung\" has 65537 rows; Excel 97 files hold at most 65536 rows per "
                 "sheet");
  }
  EXPECT_EQ(readFileBytes(file), written);
}
