// The menus, tool bars and commands of the data sheet window.
#include <QApplication>
#include <QMenuBar>
#include <QPrintDialog>
#include <QPrinter>
#include <QToolBar>
#include <QToolButton>

#include "app/spread/SpreadGlyphs.h"
#include "app/spread/qt/SpreadIcons.h"
#include "app/spread/qt/SpreadUnit.h"
#include "controls/qt/QtUiLists.h"
#include "grid/XLPicture.h"
#include "grid/qt/QtXLGrid.h"
#include "platform/core/Services.h"
#include "platform/gui/QtPopupMenu.h"
#include "platform/gui/QtServices.h"
#include "support/qt/QtColorPicker.h"

namespace qv {

void TSpreadForm::BuildMenus() {
  QMenuBar* bar = menuBar();
  auto add = [this](QMenu* menu, const char* text, const std::function<void()>& f,
                    const QKeySequence& key = {}) {
    QAction* a = menu->addAction(text);
    if (!key.isEmpty()) a->setShortcut(key);
    connect(a, &QAction::triggered, this, [this, f, text] { Run(text, f); });
    return a;
  };

  QMenu* file = bar->addMenu("&File");
  add(
      file, "New", [this] { NewCommand(); }, QKeySequence("Ctrl+N"));
  add(file, "Open", [this] { OpenCommand(); });
  recentMenu_ = file->addMenu("Reopen");
  connect(recentMenu_, &QMenu::aboutToShow, this, [this] { RefreshRecentMenu(); });
  add(file, "Input File...", [this] { InputFileCommand(); });
  add(file, "Save", [this] { SaveCommand(); });
  add(file, "Save as...", [this] { SaveAsCommand(); });
  file->addSeparator();
  add(file, "Print", [this] { PrintCommand(); });
  file->addSeparator();
  add(file, "Exit", [this] {
    EndEditing();
    close();
  });

  QMenu* view = bar->addMenu("&View");
  treeAction_ = add(
      view, "WorkSheet Tree", [this] { ToggleTree(); }, QKeySequence("Ctrl+W"));
  treeAction_->setCheckable(true);
  treeAction_->setChecked(true);

  QMenu* edit = bar->addMenu("&Edit");
  add(
      edit, "Cut", [this] { CutCommand(); }, QKeySequence("Ctrl+X"));
  add(
      edit, "Copy", [this] { CopyCommand(); }, QKeySequence("Ctrl+C"));
  add(
      edit, "Paste", [this] { PasteCommand(); }, QKeySequence("Ctrl+V"));
  pasteMenu_ = edit->addMenu("Paste Special");
  pasteAllAction_ = add(
      pasteMenu_, "Paste All", [this] { PasteAllCommand(); }, QKeySequence("Ctrl+Shift+V"));
  reversePasteAction_ = add(pasteMenu_, "Reverse Paste", [this] { ReversePasteCommand(); });
  pastePictureAction_ = add(pasteMenu_, "Paste Picture", [this] { PastePictureCommand(); });
  connect(pasteMenu_, &QMenu::aboutToShow, this, [this] { RefreshPasteMenu(); });
  edit->addSeparator();
  add(edit, "Insert Rows", [this] { InsertRowsCommand(); });
  add(edit, "Insert Columns", [this] { InsertColsCommand(); });
  add(edit, "Delete Rows", [this] { DeleteRowsCommand(); });
  add(edit, "Delete Columns", [this] { DeleteColsCommand(); });
  edit->addSeparator();
  add(edit, "Add Sheet", [this] { AddSheetCommand(); });
  edit->addSeparator();
  add(edit, "Delete Empty Cell Vertically", [this] { DeleteEmptyCells(1); });
  add(edit, "Delete Empty Cell Horizonally", [this] { DeleteEmptyCells(2); });

  QMenu* format = bar->addMenu("F&ormat");
  add(format, "Font...", [this] { FontCommand(); });
  format->addSeparator();
  add(format, "Row Number", [this] { SizeCommand(0); });
  add(format, "Col Number", [this] { SizeCommand(1); });
  add(format, "Row Height", [this] { SizeCommand(2); });
  add(format, "Col Width", [this] { SizeCommand(3); });
  format->addSeparator();
  add(format, "Border Color...", [this] { BorderColorCommand(); });
  borderWidthMenu_ = format->addMenu("Border Width");
  const char* widths[] = {"Single", "Medium", "Double"};
  for (int w = 1; w <= 3; ++w) {
    QAction* a = add(borderWidthMenu_, widths[w - 1], [this, w] { BorderWidthCommand(w); });
    a->setCheckable(true);
  }
  connect(borderWidthMenu_, &QMenu::aboutToShow, this, [this] {
    const auto actions = borderWidthMenu_->actions();
    for (int i = 0; i < actions.size(); ++i) actions[i]->setChecked(i + 1 == borderWidth_);
  });

  ToolsMenu = bar->addMenu("&Tools");
  add(
      ToolsMenu, "Bin to Oct", [this] { ConvertCommand(bcBinToOct); }, QKeySequence("F7"));
  add(
      ToolsMenu, "Oct to Bin", [this] { ConvertCommand(bcOctToBin); }, QKeySequence("F8"));
  add(ToolsMenu, "2 to 10", [this] { ConvertCommand(bcToDecimal); });
  add(ToolsMenu, "10 to 2", [this] { ConvertCommand(bcFromDecimal); });
  add(
      ToolsMenu, "Color",
      [this] {
        const bool show = !FontColorButton->isVisible();
        FontColorButton->setVisible(show);
        BackColorButton->setVisible(show);
      },
      QKeySequence("Ctrl+Alt+C"));
  // Hidden, with its shortcuts still working.
  for (QAction* a : ToolsMenu->actions()) addAction(a);
  ToolsMenu->menuAction()->setVisible(false);

  // The grid's pop-up menu.
  gridMenu_ = new QMenu(this);
  add(gridMenu_, "Cut", [this] { CutCommand(); });
  add(gridMenu_, "Copy", [this] { CopyCommand(); });
  add(gridMenu_, "Paste", [this] { PasteCommand(); });
  QMenu* special = gridMenu_->addMenu("Special Paste");
  add(
      special, "Paste All", [this] { PasteAllCommand(); }, QKeySequence("Ctrl+Shift+V"));
  add(special, "Reverse Paste", [this] { ReversePasteCommand(); });
  add(special, "Paste Picture", [this] { PastePictureCommand(); });
  connect(special, &QMenu::aboutToShow, this, [this, special] {
    RefreshPasteMenu();
    const auto a = special->actions();
    a[0]->setEnabled(pasteAllAction_->isEnabled());
    a[1]->setEnabled(reversePasteAction_->isEnabled());
    a[2]->setEnabled(pastePictureAction_->isEnabled());
  });
  gridMenu_->addSeparator();
  add(gridMenu_, "Input File...", [this] { InputFileCommand(); });
  add(gridMenu_, "Format Data", [this] { FormatDataCommand(); });
  add(gridMenu_, "Export Selection to File...", [this] { ExportSelectionCommand(); });
  gridMenu_->addSeparator();
  add(gridMenu_, "Swap Vertically", [this] { SwapSelection(1); });
  add(gridMenu_, "Swap Horizontally", [this] { SwapSelection(2); });
  QMenu* select = gridMenu_->addMenu("Select");
  auto selectItem = [&](const char* text, TSelectRun a, int b, const char* key) {
    QAction* act = add(
        select, text, [this, a, b] { ExtendSelection(a, b); }, QKeySequence(key));
    addAction(act);
  };
  selectItem("Down", srDown, -1, "Alt+Down");
  selectItem("Up", srUp, -1, "Alt+Up");
  selectItem("Right", srRight, -1, "Alt+Right");
  selectItem("Left", srLeft, -1, "Alt+Left");
  selectItem("Down and Right", srDown, srRight, "Alt+PgDown");
  selectItem("Up and Right", srUp, srRight, "Alt+PgUp");
  worksheetMenu_ = gridMenu_->addMenu("Worksheet");
  MDIGrid->Grid().PopupMenu = std::make_shared<TQtPopupMenu>(gridMenu_);
}

void TSpreadForm::BuildToolBars() {
  QToolBar* bar = addToolBar("Tools");
  bar->setObjectName("ToolBar");
  bar->setIconSize(QSize(16, 16));
  auto add = [&](const char* hint, const QIcon& icon, const std::function<void()>& f) {
    QAction* a = bar->addAction(icon, hint);
    a->setToolTip(hint);
    connect(a, &QAction::triggered, this, [this, f, hint] { Run(hint, f); });
    return a;
  };
  QStyle* s = style();
  add("New", s->standardIcon(QStyle::SP_FileIcon), [this] { NewCommand(); });
  QAction* open =
      add("Open", s->standardIcon(QStyle::SP_DialogOpenButton), [this] { OpenCommand(); });
  if (auto* b = qobject_cast<QToolButton*>(bar->widgetForAction(open))) {
    b->setMenu(recentMenu_);
    b->setPopupMode(QToolButton::MenuButtonPopup);
  }
  add("Save", s->standardIcon(QStyle::SP_DialogSaveButton), [this] { SaveCommand(); });
  bar->addSeparator();
  add("Cut", ClipboardIcon(0), [this] { CutCommand(); });
  add("Copy", ClipboardIcon(1), [this] { CopyCommand(); });
  add("Paste", ClipboardIcon(2), [this] { PasteCommand(); });
  bar->addSeparator();
  add("Insert Rows", GridIcon(true, true), [this] { InsertRowsCommand(); });
  add("Insert Columns", GridIcon(false, true), [this] { InsertColsCommand(); });
  add("Delete Rows", GridIcon(true, false), [this] { DeleteRowsCommand(); });
  add("Delete Columns", GridIcon(false, false), [this] { DeleteColsCommand(); });
  bar->addSeparator();
  add("Ascending sort", SortIcon(true), [this] { SortSelection(1); });
  add("Descending sort", SortIcon(false), [this] { SortSelection(2); });
  add("Draw chart", ChartIcon(), [this] { DrawChartCommand(); });
  bar->addSeparator();

  FontColorButton = new TQtColorPickerButton(bar);
  BackColorButton = new TQtColorPickerButton(bar);
  for (TQtColorPickerButton* b : {FontColorButton, BackColorButton}) {
    b->Button().SetCustomText("More...");
    b->Button().SetDefaultText("Default");
    b->setToolTip(b == FontColorButton ? "Font color" : "Back color");
    b->setFixedSize(36, 24);
    bar->addWidget(b);
  }
  FontColorButton->Button().SetSelectionColor(clWindowText);
  BackColorButton->Button().SetSelectionColor(clWindow);
  RedrawColorGlyph(FontColorButton, true);
  RedrawColorGlyph(BackColorButton, false);
  FontColorButton->Button().OnChange = [this] { Run("FontColor", [&] { FontColorChanged(); }); };
  FontColorButton->Button().OnClick = [this] { Run("FontColor", [&] { FontColorChanged(); }); };
  BackColorButton->Button().OnChange = [this] { Run("BackColor", [&] { BackColorChanged(); }); };
  BackColorButton->Button().OnClick = [this] { Run("BackColor", [&] { BackColorChanged(); }); };
  FontColorButton->Button().OnDefaultSelect = [this] {
    FontColorButton->Button().SetSelectionColor(clWindowText);
    Run("FontColor", [&] { FontColorChanged(); });
  };
  BackColorButton->Button().OnDefaultSelect = [this] {
    BackColorButton->Button().SetSelectionColor(clWindow);
    Run("BackColor", [&] { BackColorChanged(); });
  };
  bar->addSeparator();

  // Scale: the button sets 100 %, its drop-down a chosen scale.
  QAction* scale = add("Scale", ScaleIcon(), [this] { ScaleCommand(100); });
  scaleMenu_ = new QMenu(this);
  for (int v : {25, 50, 75, 100, 125, 150, 200, 300, 400, 500}) {
    QAction* a = scaleMenu_->addAction(QString("&%1%").arg(v));
    a->setCheckable(true);
    connect(a, &QAction::triggered, this, [this, a] {
      // The caption without "&" and "%".
      QString t = a->text();
      t.remove('&').remove('%');
      ScaleCommand(t.toInt());
    });
  }
  connect(scaleMenu_, &QMenu::aboutToShow, this, [this] {
    for (QAction* a : scaleMenu_->actions()) {
      QString t = a->text();
      t.remove('&').remove('%');
      a->setChecked(t.toInt() == MDIGrid->Grid().Scale());
    }
  });
  if (auto* b = qobject_cast<QToolButton*>(bar->widgetForAction(scale))) {
    b->setMenu(scaleMenu_);
    b->setPopupMode(QToolButton::MenuButtonPopup);
  }
  bar->addSeparator();

  mergeAction_ = add("Merge", MergeIcon(0), [this] { MergeCommand(0); });
  lineMergeAction_ = add("Line Merge", MergeIcon(1), [this] { MergeCommand(1); });
  rowMergeAction_ = add("Row Merge", MergeIcon(2), [this] { MergeCommand(2); });
  splitAction_ = add("Split", MergeIcon(3), [this] { MergeCommand(3); });

  // Alignment and borders: buttons with drop-downs of pictures.
  alignButton_ = new QToolButton(bar);
  alignButton_->setToolTip("Alignment");
  alignButton_->setPopupMode(QToolButton::InstantPopup);
  alignButton_->setIcon(GlyphIcon(AlignGlyph(0)));
  auto* alignMenu = new QMenu(alignButton_);
  for (int tag = 0; tag < 9; ++tag) {
    QAction* a = alignMenu->addAction(GlyphIcon(AlignGlyph(tag)), "");
    connect(a, &QAction::triggered, this,
            [this, tag] { Run("Align", [&] { AlignCommand(tag); }); });
  }
  alignButton_->setMenu(alignMenu);
  bar->addWidget(alignButton_);

  borderButton_ = new QToolButton(bar);
  borderButton_->setToolTip("Borders");
  borderButton_->setPopupMode(QToolButton::MenuButtonPopup);
  borderButton_->setIcon(GlyphIcon(BorderGlyph(borderTag_)));
  auto* borderMenu = new QMenu(borderButton_);
  for (int tag = 0; tag < 10; ++tag) {
    QAction* a = borderMenu->addAction(GlyphIcon(BorderGlyph(tag)), "");
    a->setEnabled(tag != 3);
    connect(a, &QAction::triggered, this,
            [this, tag] { Run("Border", [&] { BorderCommand(tag); }); });
  }
  connect(borderButton_, &QToolButton::clicked, this,
          [this] { Run("Border", [&] { BorderCommand(borderTag_); }); });
  borderButton_->setMenu(borderMenu);
  bar->addWidget(borderButton_);
}

// ---------------------------------------------------------------------------
// File commands.

void TSpreadForm::NewCommand() { doc_.NewCommand(); }

void TSpreadForm::OpenCommand() {
  EndEditing();
  doc_.OpenCommand();
  ShowSelectionInfo();
}

void TSpreadForm::RefreshRecentMenu() {
  recentMenu_->clear();
  const std::string current = doc_.FileName();
  for (size_t i = 0; i < doc_.RecentFiles.size(); ++i) {
    const std::string f = doc_.RecentFiles[i];
    QAction* a = recentMenu_->addAction(QString::fromStdString(f));
    a->setCheckable(true);
    a->setChecked(i == 0 && f == current);
    connect(a, &QAction::triggered, this,
            [this, f] { Run("Reopen", [&] { doc_.ReopenCommand(f); }); });
  }
  recentMenu_->addSeparator();
  connect(recentMenu_->addAction("Clear"), &QAction::triggered, this,
          [this] { doc_.RecentFiles.clear(); });
}

void TSpreadForm::InputFileCommand() {
  TFileDialogOptions o;
  o.Filter = kTextFileFilter;
  const TFileDialogResult res = Dialogs().OpenDialog(o);
  if (!res.Ok || res.FileName().empty()) return;
  EndEditing();
  TXLSheet* sheet = CurrentSheet();
  if (!sheet) return;
  const TPoint p = CurrentCell();
  doc_.ImportText(std::max(p.X, 0), std::max(p.Y, 0), *sheet, res.FileName());
}

void TSpreadForm::SaveCommand() { Save(); }

void TSpreadForm::SaveAsCommand() {
  EndEditing();
  doc_.SaveAsCommand();
}

bool AskPrintRange(QWidget* parent, int pages, int& from, int& to) {
  from = 1;
  to = pages;
  auto* qt = dynamic_cast<TQtPrinter*>(Printer());
  if (!qt) return true;
  QPrinter& p = qt->QPrinterObject();
  p.setCopyCount(1);
  p.setFromTo(1, pages);
  QPrintDialog dialog(&p, parent);
  dialog.setMinMax(1, pages);
  dialog.setOption(QAbstractPrintDialog::PrintPageRange);
  dialog.setPrintRange(QAbstractPrintDialog::AllPages);
  if (dialog.exec() != QDialog::Accepted) return false;
  // "Print to file" in the dialog: the printer writes that PDF.
  if (p.outputFormat() == QPrinter::PdfFormat && !p.outputFileName().isEmpty())
    qt->SetOutputFile(p.outputFileName().toStdString());
  if (dialog.printRange() == QAbstractPrintDialog::PageRange && p.fromPage() > 0) {
    from = p.fromPage();
    to = std::max(p.fromPage(), p.toPage());
  }
  return true;
}

void TSpreadForm::PrintCommand() {
  TXLSheet* sheet = CurrentSheet();
  if (!sheet) return;
  EndEditing();
  TPrinterService* printer = Printer();
  sheet->UpdatePageRect(printer);
  const int pages = std::max(1, sheet->GetPageCount());
  int from = 1, to = pages;
  if (PrintRangeAsker && !PrintRangeAsker(pages, from, to)) return;
  if (!printer || !printer->Available()) {
    Dialogs().MessageBox("Printer selected is not valid", "Error", mtError, mbOK);
    return;
  }
  sheet->Print(*printer, from, to);
}

// ---------------------------------------------------------------------------
// Clipboard.

void TSpreadForm::CutCommand() {
  TXLSelection* sel = MDIGrid->Grid().Selection();
  if (!sel) return;
  CopyCommand();
  sel->ClearFormual();
  sel->Clear();
  doc_.SetModified(true);
}

void TSpreadForm::CopyCommand() {
  TXLSelection* sel = MDIGrid->Grid().Selection();
  if (!sel) return;
  EndEditing();
  copyKind_ = CopyKind(DataSelection());
  sel->CopyToClipboard();
  sel->Copy();
}

void TSpreadForm::PasteCommand() {
  TXLSelection* sel = MDIGrid->Grid().Selection();
  TXLSheet* sheet = CurrentSheet();
  if (!sel || !sheet) return;
  EndEditing();
  const int kind = copyKind_;
  copyKind_ = 0;
  const TRect r = DataSelection();
  if (kind == 0 || (r.Width() == 1 && r.Height() == 1)) {
    const TPoint p = CurrentCell();
    TXLSectionRange at(&sheet->Section(skClient), TRect(p.X, p.Y, p.X + 1, p.Y + 1));
    int col = 0, row = 0;
    at.PasteFromClipboard(col, row);
    Select(TRect(p.X, p.Y, std::max(col, p.X + 1), std::max(row, p.Y + 1)));
  } else {
    const TPoint src = CurrentCell();
    TRect rect = r;
    rect.Left = std::min(rect.Left, src.X);
    rect.Top = std::min(rect.Top, src.Y);
    rect.Right = std::max(rect.Right, src.X + 1);
    rect.Bottom = std::max(rect.Bottom, src.Y + 1);
    FillFromSource(formulas_, *sheet, rect, src, kind);
  }
  doc_.SetModified(true);
  ShowSelectionInfo();
}

void TSpreadForm::RefreshPasteMenu() {
  TXLSelection* sel = MDIGrid->Grid().Selection();
  pasteAllAction_->setEnabled(sel && sel->CanPaste());
  reversePasteAction_->setEnabled(Clipboard().HasText());
  pastePictureAction_->setEnabled(Clipboard().HasImage());
}

void TSpreadForm::PasteAllCommand() {
  TXLSelection* sel = MDIGrid->Grid().Selection();
  if (!sel || !sel->CanPaste()) return;
  EndEditing();
  sel->Paste();
  doc_.SetModified(true);
}

void TSpreadForm::ReversePasteCommand() {
  TXLSheet* sheet = CurrentSheet();
  if (!sheet) return;
  EndEditing();
  const TPoint p = CurrentCell();
  TXLSectionRange at(&sheet->Section(skClient), TRect(p.X, p.Y, p.X + 1, p.Y + 1));
  int col = 0, row = 0;
  at.PasteReversed(col, row);
  doc_.SetModified(true);
}

void TSpreadForm::PastePictureCommand() {
  TXLSheet* sheet = CurrentSheet();
  auto image = Clipboard().GetData().Image;
  if (!sheet || !image) return;
  EndEditing();
  const TPoint p = CurrentCell();
  TXLPicture pic;
  pic.SetImage(*image);
  sheet->Section(skClient)
      .SetCellClass(TPoint(p.X, p.Y), &TXLCPicture::ClassInfo)
      ->SetAsPicture(pic);
  doc_.SetModified(true);
}

// ---------------------------------------------------------------------------
// Cell commands.

void TSpreadForm::CutCellCommand(const std::function<void(TXLSheet&, const TRect&)>& f) {
  TXLSheet* s = CurrentSheet();
  if (!s) return;
  EndEditing();
  f(*s, CutSelection(*s, DataSelection()));
  doc_.SetModified(true);
}

void TSpreadForm::InsertRowsCommand() { CutCellCommand(InsertRows); }
void TSpreadForm::InsertColsCommand() { CutCellCommand(InsertCols); }
void TSpreadForm::DeleteRowsCommand() { CutCellCommand(DeleteRows); }
void TSpreadForm::DeleteColsCommand() { CutCellCommand(DeleteCols); }

void TSpreadForm::DeleteEmptyCells(int mode) {
  CutCellCommand([mode](TXLSheet& s, const TRect& r) { CloseUpCells(s, r, mode); });
}

void TSpreadForm::SwapSelection(int mode) {
  CutCellCommand([mode](TXLSheet& s, const TRect& r) { SwapCells(s, r, mode); });
}

void TSpreadForm::SortSelection(int direction) {
  TXLSheet* s = CurrentSheet();
  // With the tree focused the sort changes no cell.
  if (!s || SheetTreeWidget->hasFocus()) return;
  SetBusy(true);
  struct TRestore {
    TSpreadForm* f;
    ~TRestore() { f->SetBusy(false); }
  } restore{this};
  EndEditing();
  const TRect r = DataSelection();
  if (r.Width() < 1 || r.Height() < 1) return;
  int key = 0;
  if (r.Width() > 1) {
    std::vector<std::string> titles;
    for (int c = r.Left; c < r.Right; ++c) titles.push_back(s->GetCellText(c, -1));
    SetBusy(false);
    key = SortKeyAsker ? SortKeyAsker(titles) : 0;
    SetBusy(true);
    if (key < 0) return;
  }
  SortRows(*s, r, key, direction == 1);
  doc_.SetModified(true);
}

void TSpreadForm::ExtendSelection(TSelectRun first, int second) {
  TXLSheet* s = CurrentSheet();
  if (!s) return;
  TRect r = qv::ExtendSelection(*s, DataSelection(), first);
  if (second >= 0) r = qv::ExtendSelection(*s, r, static_cast<TSelectRun>(second));
  const TPoint cur = CurrentCell();
  MDIGrid->Grid().SelectRange(r.Left, r.Top, r.Right, r.Bottom);
  (void)cur;
}

void TSpreadForm::FontCommand() {
  TXLSelection* sel = MDIGrid->Grid().Selection();
  TXLSheet* s = CurrentSheet();
  if (!sel || !s) return;
  const TPoint p = CurrentCell();
  TFont font = s->GetCell(p.X, p.Y)->Font();
  if (!Dialogs().FontDialog(font)) return;
  sel->SetFont(font);
  doc_.SetModified(true);
}

bool TSpreadForm::AskShrink(int cols, int rows) {
  TXLSheet* s = CurrentSheet();
  bool lost = false;
  s->Section(skClient).ForEachCellIn(s->Section(skClient).Extent(), [&](TXLCell* c) {
    if ((c->Col() >= cols || c->RowIndex() >= rows) && !Trim(c->GetAsString()).empty()) lost = true;
  });
  if (!lost) return true;
  return Dialogs().MessageBox("Cells beyond the new size hold data that will be lost. Continue?",
                              "Confirm", mtConfirmation, mbYesNo) == mrYes;
}

void TSpreadForm::SizeCommand(int which) {
  TXLSheet* s = CurrentSheet();
  if (!s) return;
  EndEditing();
  static const char* names[] = {"Row Number", "Column Number", "Row Height", "Column Width"};
  const TRect r = DataSelection();
  int current = 0;
  switch (which) {
    case 0:
      current = s->RowCount();
      break;
    case 1:
      current = s->ColCount();
      break;
    case 2:
      current = s->GetSize(r.Top, 1);
      break;
    default:
      current = s->GetSize(r.Left, 0);
  }
  std::string value = std::to_string(current);
  if (!Dialogs().InputQuery(std::string("Input ") + names[which], "", value)) return;
  int v = 0;
  if (!TryStrToInt(Trim(value), v) || v < 1) return;
  switch (which) {
    case 0:
      if (v < s->RowCount() && !AskShrink(s->ColCount(), v)) return;
      s->SetRowCount(v);
      break;
    case 1:
      if (v < s->ColCount() && !AskShrink(v, s->RowCount())) return;
      s->SetColCount(v);
      break;
    case 2:
      for (int y = r.Top; y < r.Bottom; ++y) s->SetSize(y, 1, v);
      break;
    default:
      for (int x = r.Left; x < r.Right; ++x) s->SetSize(x, 0, v);
  }
  TSpreadDocument::LabelTitles(*s);
  doc_.SetModified(true);
}

void TSpreadForm::FormatDataCommand() {
  TXLSheet* s = CurrentSheet();
  if (!s) return;
  std::string value = "2";
  if (!Dialogs().InputQuery("Input Box", "Digit number", value)) return;
  int digits = 0;
  if (!TryStrToInt(Trim(value), digits) || digits < 0) return;
  EndEditing();
  FormatNumbers(*s, DataSelection(), digits);
  doc_.SetModified(true);
}

void TSpreadForm::ExportSelectionCommand() {
  TFileDialogOptions o;
  o.Filter = kCsvFileFilter;
  o.DefaultExt = "csv";
  o.FileMustExist = false;
  const TFileDialogResult res = Dialogs().SaveDialog(o);
  if (!res.Ok || res.FileName().empty()) return;
  doc_.ExportSelection(res.FileName());
}

void TSpreadForm::DrawChartCommand() {
  TXLSheet* s = CurrentSheet();
  if (!s) return;
  EndEditing();
  const TChartData chart = ChartFromSelection(*s, Selection());
  if (!chart.Error.empty()) {
    if (chart.BadCell.X >= 0) SetCurrentCell(chart.BadCell);
    Dialogs().MessageBox(chart.Error, "Error", mtError, mbOK);
    return;
  }
  if (ChartShower) ChartShower(chart.Series);
}

void TSpreadForm::ScaleCommand(int scale) { MDIGrid->Grid().SetScale(scale); }

void TSpreadForm::MergeCommand(int kind) {
  TXLSelection* sel = MDIGrid->Grid().Selection();
  if (!sel) return;
  EndEditing();
  switch (kind) {
    case 0:
      sel->Merge();
      break;
    case 1:
      sel->MergeRows();
      break;
    case 2:
      sel->MergeCols();
      break;
    default:
      sel->Split();
  }
  doc_.SetModified(true);
  UpdateMergeButtons();
}

void TSpreadForm::AlignCommand(int tag) {
  TXLSelection* sel = MDIGrid->Grid().Selection();
  if (!sel) return;
  static const TVertAlign verts[] = {vaBottom, vaCenter, vaTop};
  static const THorzAlign horzs[] = {haLeft, haCenter, haRight};
  sel->SetVertAlign(verts[tag / 3]);
  sel->SetHorzAlign(horzs[tag % 3]);
  alignButton_->setIcon(GlyphIcon(AlignGlyph(tag)));
  doc_.SetModified(true);
}

void TSpreadForm::BorderCommand(int tag) {
  TXLSheet* s = CurrentSheet();
  if (!s) return;
  borderTag_ = tag;
  borderButton_->setIcon(GlyphIcon(BorderGlyph(tag)));
  ApplyBorderTag(*s, DataSelection(), tag, TXLBorder{borderWidth_, borderColor_});
  doc_.SetModified(true);
}

void TSpreadForm::BorderColorCommand() {
  TColor c = borderColor_;
  if (!Dialogs().ColorDialog(c)) return;
  borderColor_ = c;
  BorderCommand(borderTag_);
}

void TSpreadForm::BorderWidthCommand(int width) {
  borderWidth_ = std::clamp(width, 1, 3);
  BorderCommand(borderTag_);
}

void TSpreadForm::RedrawColorGlyph(TQtColorPickerButton* button, bool fontButton) {
  const TColor c = button->Button().SelectionColor();
  const TColor outline = c == clBtnFace ? clBlack : c;
  button->Button().SetGlyph(
      IndicatorGlyph(fontButton ? FontColorGlyph() : BackColorGlyph(), c, outline));
}

void TSpreadForm::FontColorChanged() {
  RedrawColorGlyph(FontColorButton, true);
  TXLSheet* s = CurrentSheet();
  if (!s) return;
  ApplyFontColor(*s, DataSelection(), FontColorButton->Button().SelectionColor());
  doc_.SetModified(true);
}

void TSpreadForm::BackColorChanged() {
  RedrawColorGlyph(BackColorButton, false);
  TXLSheet* s = CurrentSheet();
  if (!s) return;
  ApplyBackColor(*s, DataSelection(), BackColorButton->Button().SelectionColor());
  doc_.SetModified(true);
}

void TSpreadForm::ConvertCommand(TBaseConversion kind) {
  TXLSheet* s = CurrentSheet();
  if (!s) return;
  EndEditing();
  const int base = NumberBase ? NumberBase() : 2;
  Clipboard().SetText(ConvertCells(*s, CutSelection(*s, DataSelection()), kind, base));
}

}  // namespace qv
