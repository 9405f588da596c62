// Delimited text of the data sheet: the line splitter, importing (with the
// sheet growing to hold the file), exporting the sheet and the selection.
#include <gtest/gtest.h>

#include "SpreadTestSupport.h"
#include "app/spread/SpreadDocument.h"

using namespace qv;
using qv::test::OutFile;

namespace {

class SpreadText : public test::SpreadTest {};

std::vector<std::string> Row(const TXLSheet& s, int row, int from, int to) {
  std::vector<std::string> out;
  for (int c = from; c < to; ++c) out.push_back(s.GetCellText(c, row));
  return out;
}

}  // namespace

TEST_F(SpreadText, LineSplitter) {
  struct Case {
    const char* line;
    std::vector<std::string> cells;
  };
  const Case cases[] = {
      {"1;2;3", {"1", "2", "3", ""}},
      {"two words", {"two", "words", "", ""}},
      {"whole", {"whole", "", "", ""}},
      // The later of the first ";" and the first "," splits first.
      {"1;2,3", {"1;2", "3", "", ""}},
      {"a, b ;c", {"a, b", "c", "", ""}},
      {"1\t2\t3", {"1", "2", "3", ""}},
      {"a;;b", {"a", "", "b", ""}},
      {"x ; y", {"x", "y", "", ""}},
      // Blank-separated columns aligned to the right make no empty field.
      {"   12   3.5", {"12", "3.5", "", ""}},
      {"", {"", "", "", ""}},
      // Each field takes the later of the first separators of what is left,
      // found again once the rest has moved past them.
      {"1;2,3;4,5", {"1;2", "3;4", "5", ""}},
      {"a,b\tc;d \t", {"a,b\tc", "d", "", ""}},
      {"p;q\tr,s\tt", {"p;q\tr", "s", "t", ""}},
      // A separator in the blanks at the end of the line ends no field.
      {"1,2\t", {"1,2", "", "", ""}},
      {"u v;w", {"u v", "w", "", ""}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    TXLSheet s;
    TSpreadDocument::InitNewWorksheet(s, 1);
    SplitTextLine(s, 1, 2, c.line);
    EXPECT_EQ(Row(s, 2, 1, 5), c.cells);
    EXPECT_EQ(s.GetCellText(0, 2), "");
  }
}

TEST_F(SpreadText, FieldsBeyondTheLastColumnGrowTheSheet) {
  TXLSheet s;
  TSpreadDocument::InitNewWorksheet(s, 1);
  std::string line;
  for (int i = 0; i < 55; ++i) line += std::to_string(i) + ";";
  line += "last";
  EXPECT_EQ(SplitTextLine(s, 0, 0, line), 55);
  EXPECT_EQ(s.ColCount(), 56);
  EXPECT_EQ(s.GetCellText(55, 0), "last");
  EXPECT_EQ(s.GetCellText(54, -1), "BC");
}

TEST_F(SpreadText, ImportGrowsTheRowsAndSelectsTheBlock) {
  const std::string five = OutFile("text", "five.csv");
  writeFileAtomic(five, "1,2\r\n3,4\r\n5,6,7\r\n8\r\n9,10\r\n");
  TSpreadDocument doc;
  doc.NewDocument(1);
  doc.SetModified(false);
  TXLSheet& s = *doc.CurrentSheet();
  doc.ImportText(1, 198, s, five);
  EXPECT_EQ(s.RowCount(), 203);
  EXPECT_EQ(s.GetCellText(-1, 202), "203");
  EXPECT_EQ(s.GetCellText(3, 200), "7");
  EXPECT_EQ(s.GetCellText(1, 202), "9");
  EXPECT_EQ(doc.View().Selection(), TRect(1, 198, 4, 203));
  EXPECT_TRUE(doc.Modified());

  std::string many;
  for (int i = 0; i < 150; ++i) many += std::to_string(i) + "\n";
  const std::string file = OutFile("text", "many.txt");
  writeFileAtomic(file, many);
  TXLSheet t;
  TSpreadDocument::InitNewWorksheet(t, 2);
  doc.ImportText(0, 0, t, file);
  EXPECT_EQ(t.RowCount(), 200);
  EXPECT_EQ(t.GetCellText(0, 149), "149");
  // Not shown: the grid's selection stays.
  EXPECT_EQ(doc.View().Selection(), TRect(1, 198, 4, 203));
}

TEST_F(SpreadText, ImportReadsUtf8AndWindows1252) {
  const std::string utf8 = OutFile("text", "utf8.txt");
  writeFileAtomic(utf8,
                  "\xEF\xBB\xBFGr\xC3\xB6\xC3\x9F"
                  "e;\xCE\x94\n");
  const std::string ansi = OutFile("text", "ansi.txt");
  writeFileAtomic(ansi,
                  "Gr\xF6\xDF"
                  "e;x\n");
  TXLSheet s;
  TSpreadDocument::InitNewWorksheet(s, 1);
  TSpreadDocument doc;
  doc.ImportText(0, 0, s, utf8);
  EXPECT_EQ(Row(s, 0, 0, 2), (std::vector<std::string>{"Größe", "Δ"}));
  doc.ImportText(0, 1, s, ansi);
  EXPECT_EQ(Row(s, 1, 0, 2), (std::vector<std::string>{"Größe", "x"}));
}

TEST_F(SpreadText, SaveTextWritesEveryTextFollowedByATab) {
  const std::string file = OutFile("text", "out.txt");
  TSpreadDocument doc;
  doc.NewDocument(1);
  TXLSheet& s = *doc.CurrentSheet();
  doc.SetModified(true);
  doc.SaveText(file);
  EXPECT_EQ(readFileBytes(file), "\t\r\n");
  EXPECT_FALSE(doc.Modified());

  s.SetCellText(0, 0, "a");
  s.SetCellText(2, 1, "c\twith tab");
  s.SetCellFloat(1, 2, 2.5);
  s.SetCellText(3, 2, "   ");
  s.SetCellText(0, 3, "merged");
  s.Section(skClient).Merge(TRect(0, 3, 2, 4));
  doc.SaveText(file);
  EXPECT_EQ(readFileBytes(file),
            "a\t\t\t\t\r\n"
            "\t\tc with tab\t\t\r\n"
            "\t2.5\t\t   \t\r\n"
            "merged\t\t\t\t\r\n");

  doc.SetModified(true);
  doc.View().Select(TRect(1, 1, 3, 3));
  doc.ExportSelection(file);
  EXPECT_EQ(readFileBytes(file), "\tc with tab\t\r\n2.5\t\t\r\n");
  EXPECT_TRUE(doc.Modified());
}

TEST_F(SpreadText, ATextThatCannotBeReadFailsWithTheReason) {
  TSpreadDocument doc;
  doc.NewDocument(1);
  EXPECT_THROW(doc.ImportText(0, 0, *doc.CurrentSheet(), OutFile("text", "absent.txt")),
               EFOpenError);
}

// Memory for a text is weighed before a cell is made: a file whose sheet
// would not fit in what is left (here a fixed limit in place of the
// system's), or that is itself larger, is refused with a message, and the
// document stays as it was.
TEST_F(SpreadText, ATextThatWouldNotFitInMemoryIsRefused) {
  struct LimitGuard {
    ~LimitGuard() { SetSheetMemoryLimit(0); }
  } guard;
  constexpr int kLines = 5000;
  std::string text;
  for (int i = 0; i < kLines; ++i) text += std::to_string(i) + "; " + std::to_string(2 * i) + "\n";
  const std::string file = OutFile("text", "weighed.csv");
  writeFileAtomic(file, text);
  // Two cells a line.
  const std::uint64_t need = TextSheetBytes(kLines, 2 * kLines);
  ASSERT_GT(need, text.size());
  struct Case {
    std::uint64_t limit;
    bool opens;
    const char* why;
  };
  const Case cases[] = {
      {need, true, "would take about"},
      {need - 1, false, "would take about"},
      {text.size() - 1, false, "it holds"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.limit);
    SetSheetMemoryLimit(c.limit);
    TSpreadDocument doc;
    doc.NewDocument(1);
    doc.SetFileCaption("kept.ssf");
    doc.SetModified(true);
    const size_t shown = Messages().size();
    EXPECT_EQ(doc.OpenFile(file), c.opens);
    if (c.opens) {
      EXPECT_EQ(doc.CurrentSheet()->GetCellText(1, kLines - 1), std::to_string(2 * (kLines - 1)));
      continue;
    }
    ASSERT_EQ(Messages().size(), shown + 1);
    EXPECT_NE(Messages().back().find("is too large to open"), std::string::npos);
    EXPECT_NE(Messages().back().find(c.why), std::string::npos);
    EXPECT_EQ(doc.FileName(), "kept.ssf");
    EXPECT_TRUE(doc.Modified());
    // Importing into a worksheet is refused before the sheet grows.
    TXLSheet& s = *doc.CurrentSheet();
    EXPECT_THROW(doc.ImportText(0, 0, s, file), EOutOfMemory);
    EXPECT_EQ(s.RowCount(), 200);
    EXPECT_EQ(s.FindCell(0, 0), nullptr);
  }
}
