// The data sheet document: new worksheets, showing worksheets, the sheet
// document (".ssf") with folders, appending, the sibling product's ".ogy",
// loads that fail, and the worksheet tree commands of the document.
#include <gtest/gtest.h>

#include "SpreadTestSupport.h"
#include "app/spread/SpreadDocument.h"
#include "grid/XLRanges.h"

using namespace qv;
using qv::test::OutFile;
using qv::test::TreeShape;

namespace {

class SpreadDocument : public test::SpreadTest {};

std::string Formula(const TXLSheet& s, int col, int row) {
  const TXLCell* c = s.FindCell(col, row);
  return c ? c->Formual() : std::string();
}

// Base Folder / Sheet1, Data / (Sheet2, Deeper / Sheet3), with texts.
void BuildFolders(TSpreadDocument& doc) {
  doc.NewDocument(1);
  TSheetTree& tree = doc.Tree();
  doc.SelectNode(tree.Item(1));
  doc.CurrentSheet()->SetCellText(0, 0, "first");
  tree.Selected = tree.Item(0);
  TSheetNode* data = doc.NewFolder();
  doc.Tree().Rename(data, "Data");
  doc.Tree().Selected = data;
  doc.AddSheet();  // Sheet2 into Data
  doc.CurrentSheet()->SetCellText(1, 2, "second");
  doc.Tree().Selected = data;
  TSheetNode* deeper = doc.Tree().Add(data, "Deeper", -1);
  doc.Tree().Selected = deeper;
  doc.AddSheet();  // Sheet3 into Deeper
  doc.CurrentSheet()->SetCellText(2, 3, "third");
  doc.CurrentSheet()->GetCell(2, 4)->SetFormual("=C4*2");
}

std::string Stream(const TNamedStreams& ns, const std::string& name) {
  TMemoryStream ms;
  ns.GetStream(name, ms);
  return std::string(ms.View());
}

}  // namespace

TEST_F(SpreadDocument, NewDocumentBuildsWorksheetsWithTheirDefaults) {
  TSpreadDocument doc;
  doc.NewDocument(3);
  EXPECT_EQ(TreeShape(doc.Tree()), "Base Folder/-1 -Sheet1/1 -Sheet2/2 -Sheet3/3 ");
  EXPECT_EQ(doc.Tree().Selected, doc.Tree().Item(1));
  TXLSheet* s = doc.CurrentSheet();
  ASSERT_EQ(s, doc.Worksheet(1));
  EXPECT_EQ(s->Name, "Sheet1");
  EXPECT_EQ(s->Title, "Sheet1");
  EXPECT_EQ(s->ColCount(), 50);
  EXPECT_EQ(s->RowCount(), 200);
  EXPECT_EQ(s->TitleCols(), 1);
  EXPECT_EQ(s->TitleRows(), 1);
  EXPECT_EQ(s->ColDefWidth(), 80);
  EXPECT_EQ(s->GetSize(-1, 0), 30);
  EXPECT_EQ(s->RowDefHeight(), 17);
  EXPECT_EQ(s->BaseClientStyle().Font().Size(), 10);
  EXPECT_EQ(s->BaseTitleStyle().Font().Size(), 10);
  EXPECT_EQ(s->GetCellText(0, -1), "A");
  EXPECT_EQ(s->GetCellText(25, -1), "Z");
  EXPECT_EQ(s->GetCellText(26, -1), "AA");
  EXPECT_EQ(s->GetCellText(49, -1), "AX");
  EXPECT_EQ(s->GetCellText(-1, 0), "1");
  EXPECT_EQ(s->GetCellText(-1, 199), "200");
  EXPECT_EQ(Formula(*s, -1, -1), "0;0;1;1");
  // Showing a worksheet tells every worksheet the selected node's index.
  EXPECT_EQ(Formula(*doc.Worksheet(3), -1, 0), "1");
  EXPECT_EQ(doc.NextSheetNumber().Number, 4);
  EXPECT_EQ(doc.NextSheetNumber().Name, "Sheet4");
}

TEST_F(SpreadDocument, EachWorksheetKeepsItsSelection) {
  TSpreadDocument doc;
  doc.NewDocument(2);
  doc.View().Select(TRect(2, 3, 5, 7));
  doc.SelectionChanged();
  EXPECT_EQ(Formula(*doc.Worksheet(1), -1, -1), "2;3;5;7");
  doc.SelectNode(doc.Tree().Item(2));
  EXPECT_EQ(doc.View().Selection(), TRect(0, 0, 1, 1));
  EXPECT_EQ(Formula(*doc.Worksheet(2), -1, 0), "2");
  doc.SelectNode(doc.Tree().Item(1));
  EXPECT_EQ(doc.View().Selection(), TRect(2, 3, 5, 7));
  // A stored selection that no longer fits the sheet falls back to A1.
  doc.Worksheet(1)->GetCell(-1, -1)->SetFormual("40;190;60;250");
  doc.SelectNode(doc.Tree().Item(2));
  doc.SelectNode(doc.Tree().Item(1));
  EXPECT_EQ(doc.View().Selection(), TRect(40, 190, 50, 200));
  doc.Worksheet(1)->GetCell(-1, -1)->SetFormual("garbage");
  doc.SelectNode(doc.Tree().Item(2));
  doc.SelectNode(doc.Tree().Item(1));
  EXPECT_EQ(doc.View().Selection(), TRect(0, 0, 1, 1));
}

TEST_F(SpreadDocument, SheetDocumentRoundTripWithFolders) {
  const std::string file = OutFile("ssf", "folders.ssf");
  TSpreadDocument doc;
  BuildFolders(doc);
  EXPECT_EQ(TreeShape(doc.Tree()),
            "Base Folder/-1 -Sheet1/1 Data/-1 -Sheet2/2 -Deeper/-1 --Sheet3/3 ");
  doc.View().Select(TRect(2, 3, 4, 5));
  doc.SelectionChanged();
  doc.SaveSsf(file);
  EXPECT_FALSE(doc.Modified());

  // Streams: one per worksheet, the lists for every node.
  TNamedStreams ns;
  ns.LoadFromFile(file);
  EXPECT_EQ(ns.Count(), 6);
  EXPECT_EQ(Stream(ns, "ImageID_Data"), "2\r\n0\r\n2\r\n0\r\n2\r\n0\r\n");
  EXPECT_EQ(Stream(ns, "StateID_Data"), "-1\r\n1\r\n-1\r\n2\r\n-1\r\n3\r\n");
  EXPECT_EQ(Stream(ns, "SheetTree_Data"),
            "Base Folder\r\n\tSheet1\r\nData\r\n\tSheet2\r\n\tDeeper\r\n\t\tSheet3\r\n");
  EXPECT_TRUE(Stream(ns, "Sheet0").empty());

  TSpreadDocument back;
  back.NewDocument(3);
  back.SetModified(true);
  back.LoadSsf(file, false);
  EXPECT_FALSE(back.Modified());
  EXPECT_EQ(TreeShape(back.Tree()), TreeShape(doc.Tree()));
  EXPECT_EQ(back.WorksheetCount(), 3);
  EXPECT_EQ(back.Worksheet(1)->GetCellText(0, 0), "first");
  EXPECT_EQ(back.Worksheet(2)->GetCellText(1, 2), "second");
  EXPECT_EQ(back.Worksheet(3)->GetCellText(2, 3), "third");
  EXPECT_EQ(Formula(*back.Worksheet(3), 2, 4), "=C4*2");
  EXPECT_EQ(back.Worksheet(3)->Name, "Sheet3");
  // The node shown when saving is shown again, with its selection.
  EXPECT_EQ(back.Tree().Selected, back.Tree().Item(5));
  EXPECT_EQ(back.CurrentSheet(), back.Worksheet(3));
  EXPECT_EQ(back.View().Selection(), TRect(2, 3, 4, 5));
}

TEST_F(SpreadDocument, NamesOutsideWindows1252SurviveTheTreeStream) {
  const std::string file = OutFile("ssf", "names.ssf");
  TSpreadDocument doc;
  doc.NewDocument(2);
  doc.Tree().Rename(doc.Tree().Item(1), "Größe");
  doc.Tree().Rename(doc.Tree().Item(2), "Δ data");
  doc.SaveSsf(file);
  TSpreadDocument back;
  back.LoadSsf(file, false);
  EXPECT_EQ(back.Tree().Item(1)->Text, "Größe");
  EXPECT_EQ(back.Tree().Item(2)->Text, "Δ data");
  // Windows-1252 where it suffices, as the older program wrote it.
  EXPECT_EQ(EncodeListText("Größe\r\n"),
            "Gr\xF6\xDF"
            "e\r\n");
  EXPECT_EQ(DecodeListText("Gr\xF6\xDF"
                           "e"),
            "Größe");
  EXPECT_EQ(DecodeListText(EncodeListText("Δ")), "Δ");
}

TEST_F(SpreadDocument, ATreeIndexThatIsNoNumberSelectsNodeOne) {
  const std::string file = OutFile("ssf", "index.ssf");
  TSpreadDocument doc;
  doc.NewDocument(2);
  doc.SelectNode(doc.Tree().Item(2));
  doc.Worksheet(1)->GetCell(-1, 0)->SetFormual("x");
  doc.SaveSsf(file);
  TSpreadDocument back;
  back.LoadSsf(file, false);
  EXPECT_EQ(back.Tree().Selected, back.Tree().Item(1));
  // An index naming a folder shows the worksheet after it.
  doc.Worksheet(1)->GetCell(-1, 0)->SetFormual("0");
  doc.SaveSsf(file);
  back.LoadSsf(file, false);
  EXPECT_EQ(back.Tree().Selected, back.Tree().Item(1));
}

TEST_F(SpreadDocument, AppendingASheetDocumentRenumbersItsWorksheets) {
  const std::string file = OutFile("ssf", "append-source.ssf");
  {
    TSpreadDocument source;
    BuildFolders(source);
    source.SaveSsf(file);
  }
  TSpreadDocument doc;
  doc.NewDocument(3);
  doc.Worksheet(1)->SetCellText(0, 0, "mine");
  doc.AppendSsf(file, false);
  EXPECT_TRUE(doc.Modified());
  EXPECT_EQ(TreeShape(doc.Tree()),
            "Base Folder/-1 -Sheet1/1 -Sheet2/2 -Sheet3/3 append-source.ssf/-1 -Base Folder/-1 "
            "--Sheet1/4 -Data/-1 --Sheet2/5 --Deeper/-1 ---Sheet3/6 ");
  EXPECT_EQ(doc.Worksheet(1)->GetCellText(0, 0), "mine");
  EXPECT_EQ(doc.Worksheet(4)->GetCellText(0, 0), "first");
  EXPECT_EQ(doc.Worksheet(4)->Name, "Sheet4");
  EXPECT_EQ(doc.Worksheet(6)->GetCellText(2, 3), "third");
  EXPECT_EQ(doc.Worksheet(6)->Name, "Sheet6");
  // Appended twice: fresh numbers again.
  doc.AppendSsf(file, false);
  EXPECT_EQ(doc.WorksheetCount(), 9);
  EXPECT_EQ(doc.Worksheet(9)->GetCellText(2, 3), "third");
}

TEST_F(SpreadDocument, SiblingProductFilesLoadAndAppend) {
  const std::string file = OutFile("ogy", "run.ogy");
  {
    TNamedStreams ns;
    for (const char* name : {"InputSheet", "OutputSheet"}) {
      TXLSheet s;
      s.Name = name;
      s.Title = std::string(name) + " title";
      s.SetColCount(3);
      s.SetRowCount(4);
      s.SetCellText(1, 2, std::string("in ") + name);
      TMemoryStream ms;
      s.SaveToStream(ms);
      ns.AddStream(name, &ms);
    }
    ns.SaveToFile(file);
  }
  TSpreadDocument doc;
  doc.LoadSsf(file, true);
  EXPECT_EQ(TreeShape(doc.Tree()), "Base Folder/-1 -InputSheet/1 -OutputSheet/2 ");
  EXPECT_EQ(doc.Worksheet(1)->Name, "Sheet1");
  EXPECT_EQ(doc.Worksheet(2)->Name, "Sheet2");
  EXPECT_EQ(doc.Worksheet(1)->Title, "InputSheet title");
  EXPECT_EQ(doc.Worksheet(2)->GetCellText(1, 2), "in OutputSheet");
  EXPECT_EQ(doc.CurrentSheet(), doc.Worksheet(1));

  doc.AppendSsf(file, true);
  EXPECT_EQ(TreeShape(doc.Tree()),
            "Base Folder/-1 -InputSheet/1 -OutputSheet/2 run.ogy/-1 -InputSheet/3 "
            "-OutputSheet/4 ");
  EXPECT_EQ(doc.Worksheet(3)->Title, "InputSheet");
  EXPECT_EQ(doc.Worksheet(4)->Name, "Sheet4");
  EXPECT_EQ(doc.Worksheet(4)->GetCellText(1, 2), "in OutputSheet");
}

TEST_F(SpreadDocument, LoadsThatFailLeaveTheDocumentAsItWas) {
  const std::string good = OutFile("bad", "good.ssf");
  {
    TSpreadDocument d;
    d.NewDocument(2);
    d.SaveSsf(good);
  }
  struct Case {
    const char* name;
    std::function<void(TNamedStreams&)> damage;
    bool appendFails = true;
  };
  auto put = [](TNamedStreams& ns, const std::string& name, const std::string& bytes) {
    TMemoryStream ms(bytes);
    ns.AddStream(name, &ms);
  };
  const Case cases[] = {
      {"a worksheet stream missing", [&](TNamedStreams& ns) { put(ns, "Sheet2", ""); }},
      {"a worksheet stream damaged", [&](TNamedStreams& ns) { put(ns, "Sheet2", "TPF0junk"); }},
      {"fewer state lines than nodes",
       [&](TNamedStreams& ns) { put(ns, "StateID_Data", "-1\r\n1\r\n"); }},
      {"a state that is no number",
       [&](TNamedStreams& ns) { put(ns, "StateID_Data", "-1\r\n1\r\nzwei\r\n"); }},
      // Appending numbers the worksheets afresh: the stream may serve twice.
      {"two nodes of one worksheet",
       [&](TNamedStreams& ns) { put(ns, "StateID_Data", "-1\r\n1\r\n1\r\n"); }, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string file = OutFile("bad", "damaged.ssf");
    TNamedStreams ns;
    ns.LoadFromFile(good);
    c.damage(ns);
    ns.SaveToFile(file);
    TSpreadDocument doc;
    doc.NewDocument(3);
    doc.Worksheet(3)->SetCellText(0, 0, "kept");
    doc.SetModified(true);
    EXPECT_ANY_THROW(doc.LoadSsf(file, false));
    if (c.appendFails) {
      EXPECT_ANY_THROW(doc.AppendSsf(file, false));
    }
    if (c.appendFails) {
      EXPECT_EQ(TreeShape(doc.Tree()), "Base Folder/-1 -Sheet1/1 -Sheet2/2 -Sheet3/3 ");
    }
    EXPECT_EQ(doc.Worksheet(3)->GetCellText(0, 0), "kept");
    EXPECT_EQ(doc.CurrentSheet(), doc.Worksheet(1));
    EXPECT_TRUE(doc.Modified());
  }
  // A file that is no stream collection at all.
  const std::string text = OutFile("bad", "plain.ssf");
  writeFileAtomic(text, "just some text\r\n");
  TSpreadDocument doc;
  doc.NewDocument(1);
  try {
    doc.LoadSsf(text, false);
    FAIL();
  } catch (const ECorruptFile& e) {
    EXPECT_STREQ(e.what(), "File is corrupt.");
  }
  EXPECT_EQ(doc.WorksheetCount(), 1);
}

TEST_F(SpreadDocument, AddSheetGoesAfterTheSelectedWorksheetOrIntoTheFolder) {
  TSpreadDocument doc;
  doc.NewDocument(2);
  doc.SetModified(false);
  doc.SelectNode(doc.Tree().Item(1));
  TSheetNode* added = doc.AddSheet();
  EXPECT_TRUE(doc.Modified());
  EXPECT_EQ(TreeShape(doc.Tree()), "Base Folder/-1 -Sheet1/1 -Sheet3/3 -Sheet2/2 ");
  EXPECT_EQ(doc.Tree().Selected, added);
  EXPECT_EQ(doc.CurrentSheet(), doc.Worksheet(3));
  EXPECT_EQ(doc.Worksheet(3)->ColCount(), 50);
  doc.SelectNode(doc.Tree().Item(0));
  doc.AddSheet();
  EXPECT_EQ(TreeShape(doc.Tree()), "Base Folder/-1 -Sheet1/1 -Sheet3/3 -Sheet2/2 -Sheet4/4 ");
  // The number never repeats, even when the highest worksheet went.
  dialogs.PushResult(mrYes);
  ASSERT_TRUE(doc.DeleteNode(doc.Tree().FindWorksheet(4)));
  EXPECT_EQ(doc.NextSheetNumber().Number, 4);
}

TEST_F(SpreadDocument, DeleteKeepsAWorksheetAndAsksFirst) {
  TSpreadDocument doc;
  BuildFolders(doc);  // Base Folder / Sheet1, Data / (Sheet2, Deeper / Sheet3)
  TSheetTree& tree = doc.Tree();
  TSheetNode* data = tree.Item(2);
  // No: nothing goes.
  dialogs.PushResult(mrNo);
  EXPECT_FALSE(doc.DeleteNode(data));
  EXPECT_EQ(Messages().back(), "Are you sure to delete \"Data\" and all its sub-items?");
  EXPECT_EQ(doc.WorksheetCount(), 3);
  // A folder holding all but one worksheet may go; its worksheets go too.
  doc.SelectNode(tree.Item(5));
  dialogs.PushResult(mrYes);
  EXPECT_TRUE(doc.DeleteNode(data));
  EXPECT_EQ(TreeShape(tree), "Base Folder/-1 -Sheet1/1 ");
  EXPECT_EQ(doc.WorksheetCount(), 1);
  EXPECT_EQ(doc.CurrentSheet(), doc.Worksheet(1));
  EXPECT_EQ(tree.Selected, tree.Item(1));
  // The last worksheet stays, and so does the folder holding it.
  for (TSheetNode* n : {tree.Item(1), tree.Item(0)}) {
    dialogs.ClearLog();
    EXPECT_FALSE(doc.DeleteNode(n));
    EXPECT_EQ(Messages(),
              std::vector<std::string>{"Document must contain at least one worksheet!"});
  }
  EXPECT_EQ(doc.WorksheetCount(), 1);
}

TEST_F(SpreadDocument, DeletingAFolderSelectsTheNextWorksheetAfterIt) {
  TSpreadDocument doc;
  doc.NewDocument(1);
  TSheetTree& tree = doc.Tree();
  TSheetNode* empty = tree.Add(nullptr, "Empty", -1);
  TSheetNode* after = tree.Add(nullptr, "After", -1);
  tree.Selected = after;
  doc.AddSheet();  // Sheet2 into After
  doc.SelectNode(empty);
  dialogs.PushResult(mrYes);
  ASSERT_TRUE(doc.DeleteNode(empty));
  EXPECT_EQ(Messages().back(), "Are you sure to delete \"Empty\"?");
  EXPECT_EQ(tree.Selected, tree.FindWorksheet(2));
  EXPECT_EQ(doc.CurrentSheet(), doc.Worksheet(2));
}

TEST_F(SpreadDocument, GrowSheetTitlesWhatItAdds) {
  TXLSheet s;
  TSpreadDocument::InitNewWorksheet(s, 1);
  TSpreadDocument::GrowSheet(s, 52, 203);
  EXPECT_EQ(s.ColCount(), 52);
  EXPECT_EQ(s.RowCount(), 203);
  EXPECT_EQ(s.GetCellText(51, -1), "AZ");
  EXPECT_EQ(s.GetCellText(-1, 202), "203");
  TSpreadDocument::GrowSheet(s, 10, 10);
  EXPECT_EQ(s.ColCount(), 52);
  EXPECT_EQ(s.RowCount(), 203);
}
