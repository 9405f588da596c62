// The data sheet window on Qt, offscreen: the tree mirroring the document
// and taking clicks and drops, formulas typed into the grid, the commands
// with their dialogs and messages, the colour buttons, the sort dialog,
// and a picture of the window with data, a formula and the
// title marks (spread-form.png in the build folder).
#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QStatusBar>

#include "../SpreadTestSupport.h"
#include "app/spread/qt/SortUnit.h"
#include "app/spread/qt/SpreadUnit.h"
#include "controls/qt/QtUiLists.h"
#include "grid/qt/QtXLGrid.h"
#include "platform/gui/QtCanvas.h"
#include "platform/gui/QtServices.h"
#include "support/qt/QtColorPicker.h"

namespace qv {
namespace {

class SpreadWindow : public test::SpreadTest {
 protected:
  static void SetUpTestSuite() { InstallQtGraphics(); }
  void SetUp() override {
    test::SpreadTest::SetUp();
    SetClipboardService(&clipboard);
    form = std::make_unique<TSpreadForm>();
    form->resize(900, 600);
    form->show();
    Pump();
  }
  void TearDown() override {
    form->SetModified(false);
    form.reset();
    SetClipboardService(nullptr);
    test::SpreadTest::TearDown();
  }
  static void Pump() {
    for (int i = 0; i < 3; ++i) QApplication::processEvents();
  }
  TXLGrid& Grid() { return form->MDIGrid->Grid(); }
  TCustomTreeView& Tree() { return form->SheetTreeWidget->TreeView(); }
  std::vector<std::string> TreeTexts() {
    std::vector<std::string> out;
    for (TTreeNode* n = Tree().Items().GetFirstNode(); n; n = n->GetNext())
      out.push_back(std::string(static_cast<size_t>(n->Level()), '-') + n->Text());
    return out;
  }
  TTreeNode* TreeNode(const std::string& text) {
    for (TTreeNode* n = Tree().Items().GetFirstNode(); n; n = n->GetNext())
      if (n->Text() == text) return n;
    return nullptr;
  }
  void Select(int l, int t, int r, int b) {
    Grid().SetCurCell(l, t);
    Grid().SelectRange(l, t, r, b);
  }
  std::string Status(int panel) {
    return (panel == 0 ? form->StatusPanel0 : form->StatusPanel1)->text().toStdString();
  }
  TFakeClipboard clipboard;
  std::unique_ptr<TSpreadForm> form;
};

TEST_F(SpreadWindow, ANewWindowShowsThreeWorksheetsAndItsTree) {
  EXPECT_EQ(form->windowTitle().toStdString(), "Quorvane SpreadSheet - [Untitled]");
  EXPECT_EQ(form->CurrentSheet(), form->Document().Worksheet(1));
  EXPECT_EQ(TreeTexts(),
            (std::vector<std::string>{"Base Folder", "-Sheet1", "-Sheet2", "-Sheet3"}));
  EXPECT_EQ(Tree().Selected(), TreeNode("Sheet1"));
  EXPECT_EQ(TreeNode("Sheet1")->ImageIndex(), 0);
  EXPECT_EQ(TreeNode("Base Folder")->ImageIndex(), 2);
  EXPECT_FALSE(form->Modified());
  EXPECT_FALSE(form->ToolsMenu->menuAction()->isVisible());
  // Clicking a worksheet in the tree shows it.
  Tree().SetSelected(TreeNode("Sheet3"));
  Pump();
  EXPECT_EQ(form->CurrentSheet(), form->Document().Worksheet(3));
}

TEST_F(SpreadWindow, ASheetDocumentFromTheCommandLineNamesItselfADataEditor) {
  const std::string file = test::OutFile("form", "cmdline.ssf");
  {
    TSpreadDocument d;
    d.NewDocument(2);
    d.Worksheet(2)->SetCellText(0, 0, "two");
    d.SelectNode(d.Tree().Item(2));
    d.SaveSsf(file);
  }
  ASSERT_TRUE(OpenSheetFromCommandLine(file));
  TSpreadForm& shared = *SpreadForm;
  Pump();
  EXPECT_EQ(shared.windowTitle().toStdString(), "Quorvane Data Editor - [" + file + "]");
  EXPECT_EQ(shared.CurrentSheet()->GetCellText(0, 0), "two");
  EXPECT_FALSE(shared.Modified());
  EXPECT_EQ(shared.SheetTreeWidget->TreeView().Selected()->Text(), "Sheet2");
  shared.close();
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(SpreadForm, nullptr);
}

TEST_F(SpreadWindow, TreeCommandsAndDragAndDrop) {
  Tree().SetSelected(TreeNode("Sheet1"));
  Pump();
  form->AddSheetCommand();
  Pump();
  EXPECT_EQ(TreeTexts(),
            (std::vector<std::string>{"Base Folder", "-Sheet1", "-Sheet4", "-Sheet2", "-Sheet3"}));
  EXPECT_EQ(form->CurrentSheet(), form->Document().Worksheet(4));
  form->MoveUpCommand();
  Pump();
  EXPECT_EQ(TreeTexts()[1], "-Sheet4");
  // Drag Sheet3 onto Sheet1: it becomes Sheet1's child.
  TTreeNode* from = TreeNode("Sheet3");
  TTreeNode* to = TreeNode("Sheet1");
  const TRect a = Tree().NodeRect(*from, true), b = Tree().NodeRect(*to, true);
  Tree().MouseDown(mbLeft, ssLeft, a.Left + 3, a.Top + 3);
  Tree().MouseMove(ssLeft, a.Left + 3, a.Top - 10);
  Tree().MouseUp(mbLeft, 0, b.Left + 3, b.Top + 3);
  Pump();
  EXPECT_EQ(TreeTexts(),
            (std::vector<std::string>{"Base Folder", "-Sheet4", "-Sheet1", "--Sheet3", "-Sheet2"}));
  EXPECT_TRUE(form->Modified());
  // Delete asks, then the worksheet goes with its node.
  Tree().SetSelected(TreeNode("Sheet2"));
  Pump();
  dialogs.PushResult(mrYes);
  form->DeleteNodeCommand();
  Pump();
  EXPECT_EQ(Messages().back(), "Are you sure to delete \"Sheet2\"?");
  EXPECT_EQ(form->Document().Worksheet(2), nullptr);
  EXPECT_EQ(TreeTexts().size(), 4u);
  EXPECT_NE(form->CurrentSheet(), nullptr);
}

TEST_F(SpreadWindow, FormulasTypedIntoTheGridAreEvaluated) {
  TXLSheet& s = *form->CurrentSheet();
  s.SetCellText(0, 0, "4");
  s.SetCellText(0, 1, "5");
  Grid().SetCurCell(1, 0);
  Grid().SetEditMode(2);
  ASSERT_NE(Grid().EditMode(), 0);
  s.GetCell(1, 0)->SetAsString("=sum(a1:a2)*2");
  Grid().SetEditMode(0);
  EXPECT_EQ(s.GetCellText(1, 0), "18");
  EXPECT_EQ(s.FindCell(1, 0)->Formual(), "=SUM(A1:A2)*2");
  EXPECT_TRUE(form->Modified());
  // The status bar shows the formula of the current cell.
  form->ShowSelectionInfo();
  EXPECT_EQ(Status(0), "Cell[1, 0] - [B1] = SUM(A1:A2)*2");
  // A new value typed over it takes the formula away.
  Grid().SetEditMode(2);
  s.GetCell(1, 0)->SetAsString("7");
  Grid().SetEditMode(0);
  EXPECT_EQ(s.FindCell(1, 0)->Formual(), "");
  // A formula the expansion cannot read is reported; the text stays.
  Grid().SetEditMode(2);
  s.GetCell(1, 0)->SetAsString("=FOO(A1:A2)");
  Grid().SetEditMode(0);
  ASSERT_FALSE(Messages().empty());
  EXPECT_EQ(Messages().back().rfind("Unknown range function", 0), 0u);
  EXPECT_EQ(s.GetCellText(1, 0), "=FOO(A1:A2)");
}

TEST_F(SpreadWindow, CopyAndPasteFillFormulasDownAColumn) {
  TXLSheet& s = *form->CurrentSheet();
  test::Put(s, 0, 0, {{"1"}, {"2"}, {"3"}});
  s.SetCellText(1, 0, form->Formulas().EvaluateFormula("=A1*10", 1, 0, s));
  Select(1, 0, 2, 1);
  form->CopyCommand();
  EXPECT_EQ(*clipboard.GetData().Text, "10\r\n");
  Select(1, 0, 2, 3);
  form->PasteCommand();
  EXPECT_EQ(test::Column(s, 1, 0, 3), (std::vector<std::string>{"10", "20", "30"}));
  EXPECT_EQ(s.FindCell(1, 2)->Formual(), "=A3*10");
  // Copied as a block: pasted as text at the current cell.
  Select(0, 0, 2, 2);
  form->CopyCommand();
  Select(4, 4, 5, 5);
  form->PasteCommand();
  EXPECT_EQ(s.GetCellText(5, 5), "20");
  EXPECT_EQ(form->Document().View().Selection(), TRect(4, 4, 6, 6));
  // Cut: the texts go to the clipboard, the cells lose text and formula.
  form->SetModified(false);
  Select(1, 1, 2, 3);
  form->CutCommand();
  EXPECT_EQ(*clipboard.GetData().Text, "20\r\n30\r\n");
  EXPECT_EQ(test::Column(s, 1, 0, 3), (std::vector<std::string>{"10", "", ""}));
  EXPECT_TRUE(s.FindCell(1, 2) == nullptr || s.FindCell(1, 2)->Formual().empty());
  EXPECT_TRUE(form->Modified());
}

TEST_F(SpreadWindow, SortAsksForTheKeyOfSeveralColumns) {
  TXLSheet& s = *form->CurrentSheet();
  test::Put(s, 0, 0, {{"c", "3"}, {"a", "1"}, {"b", "2"}});
  std::vector<std::string> offered;
  form->SortKeyAsker = [&](const std::vector<std::string>& titles) {
    offered = titles;
    return 1;
  };
  Select(0, 0, 2, 3);
  form->SortSelection(2);
  EXPECT_EQ(offered, (std::vector<std::string>{"A", "B"}));
  EXPECT_EQ(test::Column(s, 0, 0, 3), (std::vector<std::string>{"c", "b", "a"}));
  // Cancel changes nothing; one column asks nothing.
  form->SortKeyAsker = [](const std::vector<std::string>&) { return -1; };
  form->SortSelection(1);
  EXPECT_EQ(test::Column(s, 0, 0, 3), (std::vector<std::string>{"c", "b", "a"}));
  form->SortKeyAsker = nullptr;
  Select(0, 0, 1, 3);
  form->SortSelection(1);
  EXPECT_EQ(test::Column(s, 0, 0, 3), (std::vector<std::string>{"a", "b", "c"}));
}

TEST_F(SpreadWindow, DrawChartChecksTheSelection) {
  TXLSheet& s = *form->CurrentSheet();
  test::Put(s, 0, 0, {{"x", "y"}, {"1", "2"}, {"2", "oops"}});
  std::vector<TChartColumn> shown;
  form->ChartShower = [&](const std::vector<TChartColumn>& c) { shown = c; };
  Select(0, 0, 2, 2);
  form->DrawChartCommand();
  EXPECT_EQ(Messages().back(), "No enough data for drawing chart!");
  Select(0, 0, 2, 3);
  form->DrawChartCommand();
  EXPECT_EQ(Messages().back(), "Wrong chart data value!");
  EXPECT_EQ(Grid().GetCurCell(), TPoint(1, 2));
  s.SetCellText(1, 2, "4");
  Select(0, 0, 2, 3);
  form->DrawChartCommand();
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[1].Title, "y");
  EXPECT_EQ(shown[1].Values, (std::vector<double>{2, 4}));
}

TEST_F(SpreadWindow, SizeCommandsAskBeforeLosingData) {
  TXLSheet& s = *form->CurrentSheet();
  s.SetCellText(0, 150, "deep");
  dialogs.PushInput("100");
  dialogs.PushResult(mrNo);
  form->SizeCommand(0);
  EXPECT_EQ(s.RowCount(), 200);
  EXPECT_EQ(dialogs.Log()[0].Caption, "Input Row Number");
  dialogs.PushInput("100");
  dialogs.PushResult(mrYes);
  form->SizeCommand(0);
  EXPECT_EQ(s.RowCount(), 100);
  // Not a number: nothing changes, nothing is asked.
  dialogs.ClearLog();
  dialogs.PushInput("many");
  form->SizeCommand(1);
  EXPECT_EQ(s.ColCount(), 50);
  EXPECT_EQ(dialogs.Log().size(), 1u);
  // Growing titles the new lines.
  dialogs.PushInput("60");
  form->SizeCommand(1);
  EXPECT_EQ(s.GetCellText(59, -1), "BH");
  // Cells written past the sheet grow it.
  form->PutCell(70, 300, "far");
  EXPECT_EQ(s.ColCount(), 71);
  EXPECT_EQ(s.RowCount(), 301);
  EXPECT_EQ(s.GetCellText(70, 300), "far");
}

TEST_F(SpreadWindow, ColourButtonsShowTheirColourAndPaintTheSelection) {
  TXLSheet& s = *form->CurrentSheet();
  Select(1, 1, 3, 3);
  form->BackColorButton->Button().SetSelectionColor(clYellow);
  form->BackColorChanged();
  TXLSectionRange r(&s.Section(skClient), TRect(1, 1, 3, 3));
  EXPECT_EQ(r.Color(), clYellow);
  EXPECT_EQ(r.Border(sTop).Color, clGray);
  const TImage& glyph = form->BackColorButton->Button().Glyph();
  EXPECT_EQ(glyph.Pixel(5, glyph.Height() - 2), clYellow);
  // The default: the window colour, and no lines.
  form->BackColorButton->Button().OnDefaultSelect();
  EXPECT_EQ(r.Border(sTop).Width, 0);
}

TEST_F(SpreadWindow, SelectionMarksTitlesAndShowsStatistics) {
  TXLSheet& s = *form->CurrentSheet();
  test::Put(s, 0, 0, {{"1", "2"}, {"3", "4"}});
  s.SetCellText(1, 2, form->Formulas().EvaluateFormula("=SUM(A1:B2)", 1, 2, s));
  Select(0, 0, 2, 2);
  Pump();
  EXPECT_EQ(Status(0), "Cells[0, 0 : 1, 1] - [A1 : B2]");
  EXPECT_EQ(Status(1), "Sum=10; Ave.=2.5; Max.=4; Min.=1");
  EXPECT_EQ(s.FindCell(1, -1)->Color(), TColor(0xCA9C91));
  EXPECT_EQ(s.FindCell(-1, 0)->Color(), TColor(0xCA9C91));
  EXPECT_EQ(s.FindCell(-1, -1)->Formual(), "0;0;2;2");
  const QImage img = form->grab().toImage();
  img.save(QString(QV_BINARY_DIR) + "/spread-form.png");
  EXPECT_FALSE(img.isNull());
}

TEST_F(SpreadWindow, ClosingAModifiedWindowAsks) {
  form->SetModified(true);
  dialogs.PushResult(mrNo);
  EXPECT_TRUE(form->close());
  EXPECT_EQ(Messages().back(), "Spread sheet has been modified, save it?");
  // The program's window: made on first use, freed when closed.
  TSpreadForm& shared = ShowSpreadForm();
  EXPECT_EQ(SpreadForm, &shared);
  shared.close();
  Pump();
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(SpreadForm, nullptr);
}

TEST_F(SpreadWindow, RecentFilesAndTheTreePanelAreKeptBetweenRuns) {
  form->Document().RecentFiles = {"/data/b.ssf", "/data/a.xls"};
  form->ToggleTree();
  EXPECT_FALSE(form->SheetPanel->isVisible());
  form.reset();
  form = std::make_unique<TSpreadForm>();
  form->show();
  Pump();
  EXPECT_EQ(form->Document().RecentFiles, (std::vector<std::string>{"/data/b.ssf", "/data/a.xls"}));
  EXPECT_FALSE(form->SheetPanel->isVisible());
  // Back as the other tests expect it.
  form->ToggleTree();
  form->Document().RecentFiles.clear();
}

namespace {
QString RunTool(const QString& program, const QStringList& args) {
  QProcess p;
  p.start(program, args);
  if (!p.waitForFinished(30000)) return {};
  return QString::fromUtf8(p.readAllStandardOutput());
}
}  // namespace

TEST_F(SpreadWindow, PrintAsksForThePagesAndPrintsOnlyThose) {
  TQtPrinter printer;
  const QString pdf = QString(QV_BINARY_DIR) + "/spread-print.pdf";
  QFile::remove(pdf);
  printer.SetOutputFile(pdf.toStdString());
  SetPrinterService(&printer);
  struct TRestore {
    ~TRestore() { SetPrinterService(nullptr); }
  } restore;
  TXLSheet& s = *form->CurrentSheet();
  s.SetCellText(0, 0, "first page");
  s.SetCellText(0, 199, "last row");
  int asked = 0;
  // Cancelled: nothing printed.
  form->PrintRangeAsker = [&](int pages, int&, int&) {
    asked = pages;
    return false;
  };
  form->PrintCommand();
  EXPECT_GT(asked, 2);
  EXPECT_FALSE(QFile::exists(pdf));
  // Pages 2 and 3 of them.
  form->PrintRangeAsker = [&](int, int& from, int& to) {
    from = 2;
    to = 3;
    return true;
  };
  form->PrintCommand();
  const QString info = RunTool("pdfinfo", {pdf});
  EXPECT_TRUE(info.contains(QRegularExpression("Pages:\\s+2\\b"))) << info.toStdString();
  EXPECT_FALSE(RunTool("pdftotext", {pdf, "-"}).contains("first page"));
  EXPECT_TRUE(Messages().empty());
}

TEST_F(SpreadWindow, ResultsWrittenPastTheSheetGrowItAndMergeRows) {
  TXLSheet& s = *form->CurrentSheet();
  form->PutCell(60, 250, 1.25);
  form->PutCell(0, 250, "label");
  EXPECT_EQ(s.ColCount(), 61);
  EXPECT_EQ(s.RowCount(), 251);
  EXPECT_EQ(s.GetCellText(60, -1), "BI");
  EXPECT_EQ(s.GetCellText(-1, 250), "251");
  EXPECT_EQ(s.GetCellFloat(60, 250), 1.25);
  form->MergeCells(0, 250, 3);
  ASSERT_NE(s.Section(skClient).UnionAt(2, 250), nullptr);
  EXPECT_EQ(s.Section(skClient).UnionAt(2, 250)->Rect, TRect(0, 250, 3, 251));
  form->SetColumnWidth(1, 120);
  EXPECT_EQ(s.GetSize(1, 0), 120);
  form->SetCurrentRow(300);
  EXPECT_EQ(s.RowCount(), 301);
  EXPECT_EQ(Grid().GetCurCell(), TPoint(0, 300));
}

TEST(SortForm, ExactlyOneKeyIsChecked) {
  InstallQtGraphics();
  TSortForm f({"A", "B", "C"});
  EXPECT_EQ(f.CheckedIndex(), 0);
  f.clb1->item(2)->setCheckState(Qt::Checked);
  EXPECT_EQ(f.CheckedIndex(), 2);
  EXPECT_EQ(f.clb1->item(0)->checkState(), Qt::Unchecked);
  f.clb1->item(2)->setCheckState(Qt::Unchecked);
  EXPECT_EQ(f.CheckedIndex(), 2);
  emit f.clb1->itemClicked(f.clb1->item(1));
  EXPECT_EQ(f.CheckedIndex(), 1);
  EXPECT_EQ(f.windowTitle().toStdString(), "Sort");
}

}  // namespace
}  // namespace qv
