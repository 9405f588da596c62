#include "app/spread/qt/SpreadUnit.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QSplitter>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

#include "app/spread/SpreadGlyphs.h"
#include "app/spread/qt/SortUnit.h"
#include "app/spread/qt/SpreadIcons.h"
#include "chart/Series.h"
#include "chart/qt/ChartWidget.h"
#include "controls/qt/QtUiLists.h"
#include "grid/qt/QtXLGrid.h"
#include "platform/core/ImageList.h"
#include "platform/core/Services.h"
#include "platform/gui/QtPopupMenu.h"
#include "support/Placemnt.h"
#include "support/qt/QtColorPicker.h"
#include "support/qt/QtFormWindow.h"

namespace qv {

TSpreadForm* SpreadForm = nullptr;

TSpreadForm& ShowSpreadForm() {
  if (!SpreadForm) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    SpreadForm = new TSpreadForm();
    SpreadForm->setAttribute(Qt::WA_DeleteOnClose);
    QApplication::restoreOverrideCursor();
  }
  SpreadForm->show();
  SpreadForm->setWindowState(SpreadForm->windowState() & ~Qt::WindowMinimized);
  SpreadForm->raise();
  SpreadForm->activateWindow();
  return *SpreadForm;
}

TSheetChartWindow::TSheetChartWindow(const std::vector<TChartColumn>& columns, QWidget* parent)
    : QDialog(parent) {
  setWindowTitle("Chart");
  auto* layout = new QVBoxLayout(this);
  chart_ = new TChartWidget(this);
  layout->addWidget(chart_);
  chart_->Chart().SetView3D(false);
  for (const TChartColumn& c : columns) {
    series_.push_back(std::make_unique<TLineSeries>());
    series_.back()->SetTitle(c.Title);
    series_.back()->SetParentChart(&chart_->Chart());
    for (size_t i = 0; i < c.Values.size(); ++i)
      series_.back()->AddXY(static_cast<double>(i), c.Values[i]);
  }
  resize(600, 400);
}

TSheetChartWindow::~TSheetChartWindow() {
  for (auto& s : series_) s->SetParentChart(nullptr);
}

bool OpenSheetFromCommandLine(const std::string& fileName) {
  TSpreadForm& form = ShowSpreadForm();
  const bool ok = form.OpenFile(fileName, kDataEditorCaption);
  form.SetModified(false);
  return ok;
}

// ---------------------------------------------------------------------------
// The worksheet tree's core: a framed tree view that reports where a
// dragged node is let go.

class TSheetTreeView : public TUiCustomTreeView {
 public:
  std::function<void(TTreeNode* dragged, int x, int y)> OnDrop;
  TTreeNode* Dragged = nullptr;
  void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override {
    TTreeNode* dragged = Dragged;
    Dragged = nullptr;
    TUiCustomTreeView::MouseUp(button, shift, x, y);
    if (dragged && OnDrop) OnDrop(dragged, x, y);
  }
};

// ---------------------------------------------------------------------------

TSpreadForm::TSpreadForm(QWidget* parent) : QMainWindow(parent), doc_(this) {
  setObjectName("SpreadForm");
  setAcceptDrops(true);
  resize(900, 600);

  TreeSplitter = new QSplitter(Qt::Horizontal, this);
  TreeSplitter->setObjectName("TreeSplitter");
  TreeSplitter->setHandleWidth(5);
  BuildTree();
  MDIGrid = new TQtXLGrid(TreeSplitter);
  MDIGrid->setObjectName("MDIGrid");
  TreeSplitter->addWidget(SheetPanel);
  TreeSplitter->addWidget(MDIGrid);
  TreeSplitter->setStretchFactor(1, 1);
  TreeSplitter->setSizes({150, 750});
  setCentralWidget(TreeSplitter);

  StatusPanel0 = new QLabel(this);
  StatusPanel0->setFixedWidth(350);
  StatusPanel1 = new QLabel(this);
  StatusPanel1->setMinimumWidth(50);
  statusBar()->addWidget(StatusPanel0);
  statusBar()->addWidget(StatusPanel1, 1);

  WireGrid();
  BuildMenus();
  BuildToolBars();

  SortKeyAsker = [this](const std::vector<std::string>& keys) { return AskSortKey(keys, this); };
  ChartShower = [this](const std::vector<TChartColumn>& columns) {
    TSheetChartWindow window(columns, this);
    window.exec();
  };
  PrintRangeAsker = [this](int pages, int& from, int& to) {
    return AskPrintRange(this, pages, from, to);
  };
  NumberBase = [] { return 2; };

  doc_.NewDocument(3);
  doc_.SetModified(false);
  CaptionChanged();
  MDIGrid->setFocus();

  formWindow_ = std::make_unique<TQtFormWindow>(this, "TSpreadForm");
  placement_ = std::make_unique<TFormPlacement>(formWindow_.get());
  placement_->OnSavePlacement = [this](TFormPlacement& p) { SaveSettings(p); };
  placement_->OnRestorePlacement = [this](TFormPlacement& p) { RestoreSettings(p); };
  placement_->Loaded();
}

void TSpreadForm::SaveSettings(TFormPlacement& p) {
  p.WriteString("SheetPanel_Visible", SheetPanel->isVisibleTo(this) ? "True" : "False");
  p.WriteString("TreeSplitter_Visible", SheetPanel->isVisibleTo(this) ? "True" : "False");
  p.WriteInteger("SheetPanel_Width", SheetPanel->width());
  const std::string list = p.EffectiveIniSection() + ".ReopenFileList_Items";
  p.WriteString(list, "Count", std::to_string(doc_.RecentFiles.size()));
  for (size_t i = 0; i < doc_.RecentFiles.size(); ++i)
    p.WriteString(list, "Item" + std::to_string(i), doc_.RecentFiles[i]);
}

void TSpreadForm::RestoreSettings(TFormPlacement& p) {
  const bool visible = p.ReadString("SheetPanel_Visible", "True") != "False";
  SheetPanel->setVisible(visible);
  if (treeAction_) treeAction_->setChecked(visible);
  const int width = p.ReadInteger("SheetPanel_Width", 150);
  if (width > 0) TreeSplitter->setSizes({width, std::max(TreeSplitter->width() - width, 100)});
  const std::string list = p.EffectiveIniSection() + ".ReopenFileList_Items";
  int count = 0;
  TryStrToInt(Trim(p.ReadString(list, "Count", "0")), count);
  doc_.RecentFiles.clear();
  for (int i = 0; i < std::min(count, 10); ++i) {
    const std::string f = p.ReadString(list, "Item" + std::to_string(i), "");
    if (!f.empty()) doc_.RecentFiles.push_back(f);
  }
}

TSpreadForm::~TSpreadForm() {
  if (SpreadForm == this) SpreadForm = nullptr;
  formWindow_->NotifyDestroying();
  // Nothing may reach the document once it goes.
  MDIGrid->Grid().ClearEvents();
  MDIGrid->OnEnter = nullptr;
  MDIGrid->OnExit = nullptr;
  MDIGrid->Grid().SetSheet(nullptr);
  treeCore_->OnChange = nullptr;
  treeCore_->OnChanging = nullptr;
  treeCore_->OnEdited = nullptr;
  treeCore_->OnEditing = nullptr;
  treeCore_->OnDrop = nullptr;
  treeCore_->OnKeyDown = nullptr;
  treeCore_->OnBeginDrag = nullptr;
  syncingTree_ = true;
  treeCore_->Items().Clear();
  treeCore_->SetImages(nullptr);
}

void TSpreadForm::Run(const char* name, const std::function<void()>& f) {
  try {
    f();
  } catch (const std::exception& e) {
    while (busy_ > 0) SetBusy(false);
    Dialogs().MessageBox(e.what(), "Error", mtError, mbOK);
  } catch (...) {
    ReportHostException(name, "unknown exception");
  }
}

// ---------------------------------------------------------------------------
// The document's view.

void TSpreadForm::ShowSheet(TXLSheet* sheet) {
  MDIGrid->Grid().SetSheet(sheet);
  if (!sheet) return;
  TXLUpdateScope update(*sheet);
  sheet->BaseTitleStyle().SetFrame(frFlatUp);
  sheet->BaseClientStyle().SetLinesColor(clGray);
  sheet->BaseTitleStyle().SetLinesColor(clGray);
  sheet->SetModified(false);
}

TXLSheet* TSpreadForm::ShownSheet() const { return MDIGrid->Grid().Sheet(); }

TRect TSpreadForm::Selection() const {
  return const_cast<TXLGrid&>(MDIGrid->Grid()).View(skClient).SelRect();
}

void TSpreadForm::Select(const TRect& r) {
  TXLGrid& g = MDIGrid->Grid();
  if (!g.Sheet()) return;
  g.SetCurCell(r.Left, r.Top);
  g.SelectRange(r.Left, r.Top, r.Right, r.Bottom);
}

TPoint TSpreadForm::CurrentCell() const { return MDIGrid->Grid().GetCurCell(); }

void TSpreadForm::SetCurrentCell(const TPoint& p) { MDIGrid->Grid().SetCurCell(p.X, p.Y); }

void TSpreadForm::EndEditing() { MDIGrid->Grid().SetEditMode(0); }

void TSpreadForm::TreeChanged() {
  if (treeSyncPending_) return;
  treeSyncPending_ = true;
  QTimer::singleShot(0, this, [this] { SyncTree(); });
}

void TSpreadForm::CaptionChanged() { setWindowTitle(QString::fromStdString(doc_.Caption())); }

void TSpreadForm::SetBusy(bool busy) {
  if (busy) {
    ++busy_;
    QApplication::setOverrideCursor(Qt::WaitCursor);
  } else if (busy_ > 0) {
    --busy_;
    QApplication::restoreOverrideCursor();
  }
}

TRect TSpreadForm::DataSelection() const {
  const TXLSheet* sheet = CurrentSheet();
  if (!sheet) return TRect(0, 0, 0, 0);
  TRect r;
  if (!IntersectRect(r, Selection(), TRect(0, 0, sheet->ColCount(), sheet->RowCount())))
    return TRect(0, 0, 0, 0);
  return r;
}

bool TSpreadForm::OpenFile(const std::string& fileName, const char* prefix) {
  return doc_.OpenFile(fileName, prefix);
}

void TSpreadForm::PutCell(int col, int row, const std::string& text) {
  TXLSheet* sheet = CurrentSheet();
  if (!sheet || col < 0 || row < 0) return;
  TSpreadDocument::GrowSheet(*sheet, col + 1, row + 1);
  sheet->SetCellText(col, row, text);
}

void TSpreadForm::PutCell(int col, int row, double value) {
  TXLSheet* sheet = CurrentSheet();
  if (!sheet || col < 0 || row < 0) return;
  TSpreadDocument::GrowSheet(*sheet, col + 1, row + 1);
  sheet->SetCellFloat(col, row, value);
}

void TSpreadForm::MergeCells(int col, int row, int cols) {
  TXLSheet* sheet = CurrentSheet();
  if (!sheet || col < 0 || row < 0 || cols < 2) return;
  TSpreadDocument::GrowSheet(*sheet, col + cols, row + 1);
  sheet->Section(skClient).Merge(TRect(col, row, col + cols, row + 1));
}

void TSpreadForm::SetColumnWidth(int col, int pixels) {
  TXLSheet* sheet = CurrentSheet();
  if (!sheet || col < 0 || pixels < 0) return;
  TSpreadDocument::GrowSheet(*sheet, col + 1, 1);
  sheet->SetSize(col, 0, pixels);
}

void TSpreadForm::SetCurrentRow(int row) {
  TXLSheet* sheet = CurrentSheet();
  if (!sheet || row < 0) return;
  TSpreadDocument::GrowSheet(*sheet, 1, row + 1);
  SetCurrentCell(TPoint(0, row));
}

bool TSpreadForm::Save() {
  EndEditing();
  return doc_.SaveCommand();
}

// ---------------------------------------------------------------------------
// The worksheet tree.

void TSpreadForm::BuildTree() {
  SheetPanel = new QWidget(TreeSplitter);
  SheetPanel->setObjectName("SheetPanel");
  auto* layout = new QVBoxLayout(SheetPanel);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  auto* bar = new QToolBar(SheetPanel);
  bar->setIconSize(QSize(16, 16));
  layout->addWidget(bar);
  auto core = std::make_unique<TSheetTreeView>();
  treeCore_ = core.get();
  SheetTreeWidget = new TUiTreeViewWidget(std::move(core), SheetPanel);
  SheetTreeWidget->setObjectName("SheetTree");
  layout->addWidget(SheetTreeWidget, 1);

  treeImages_ = std::make_unique<TCustomImageList>(16, 16);
  for (int i = 0; i < 3; ++i) treeImages_->AddMasked(TreeGlyph(i), kGlyphClear);
  treeCore_->SetImages(treeImages_.get());
  treeCore_->SetIndent(19);
  treeCore_->SetHideSelection(false);

  treeCore_->OnChange = [this](TTreeNode* node) {
    if (!syncingTree_) Run("SheetTree.OnChange", [&] { TreeNodeSelected(node); });
  };
  treeCore_->OnEditing = [this](TTreeNode&, bool& allow) {
    allow = true;
    editingLabel_ = true;
  };
  treeCore_->OnEdited = [this](TTreeNode& node, std::string& text) {
    TSheetNode* model = ModelNode(&node);
    if (!model) return;
    doc_.Tree().Rename(model, text);
    text = model->Text;
    doc_.TreeEdited();
  };
  treeCore_->OnBeginDrag = [this](TMouseButton button) {
    if (button == mbLeft) treeCore_->Dragged = treeCore_->Selected();
  };
  treeCore_->OnDrop = [this](TTreeNode* dragged, int x, int y) {
    // After the tree has finished with the mouse.
    TSheetNode* model = ModelNode(dragged);
    QTimer::singleShot(0, this, [this, model, x, y] {
      Run("SheetTree.Drop", [&] {
        THitTests where = treeCore_->GetHitTestInfoAt(x, y);
        TSheetNode* target = ModelNode(treeCore_->GetNodeAt(x, y));
        bool moved = false;
        if (!target)
          moved = doc_.Tree().Drop(model, nullptr, sdBelowItems);
        else if (where & htOnIndent)
          moved = doc_.Tree().Drop(model, target, sdBeforeItem);
        else
          moved = doc_.Tree().Drop(model, target, sdOnItem);
        if (moved) doc_.TreeEdited();
      });
    });
  };
  treeCore_->OnKeyDown = [this](int& key, TShiftState) {
    if (key == VK_DELETE && !treeCore_->IsEditing()) {
      key = 0;
      DeleteNodeCommand();
    }
  };

  auto add = [&](const char* hint, const QIcon& icon, void (TSpreadForm::*f)()) {
    QAction* a = bar->addAction(icon, hint);
    a->setToolTip(hint);
    connect(a, &QAction::triggered, this, [this, f] { (this->*f)(); });
    return a;
  };
  add("Add new folder", GlyphIcon(TreeGlyph(2)), &TSpreadForm::NewFolderCommand);
  add("Add new worksheet", GlyphIcon(TreeGlyph(0)), &TSpreadForm::AddSheetCommand);
  add("One level up", style()->standardIcon(QStyle::SP_FileDialogToParent),
      &TSpreadForm::OneLevelUpCommand);
  add("Move up", style()->standardIcon(QStyle::SP_ArrowUp), &TSpreadForm::MoveUpCommand);
  add("Move down", style()->standardIcon(QStyle::SP_ArrowDown), &TSpreadForm::MoveDownCommand);

  // The tree's pop-up menu.
  treeMenu_ = new QMenu(this);
  connect(treeMenu_->addAction("New Folder"), &QAction::triggered, this,
          [this] { NewFolderCommand(); });
  connect(treeMenu_->addAction("Add Sheet"), &QAction::triggered, this,
          [this] { AddSheetCommand(); });
  connect(treeMenu_->addAction("Delete"), &QAction::triggered, this,
          [this] { DeleteNodeCommand(); });
  connect(treeMenu_->addAction("One Level Up"), &QAction::triggered, this,
          [this] { OneLevelUpCommand(); });
  connect(treeMenu_->addAction("Move Up"), &QAction::triggered, this, [this] { MoveUpCommand(); });
  connect(treeMenu_->addAction("Move Down"), &QAction::triggered, this,
          [this] { MoveDownCommand(); });
  sortMenu_ = treeMenu_->addMenu("Sort");
  const char* sorts[] = {"None", "Data", "Text", "Data and Text"};
  for (int tag = 0; tag < 4; ++tag) {
    QAction* a = sortMenu_->addAction(sorts[tag]);
    a->setCheckable(true);
    connect(a, &QAction::triggered, this, [this, tag] { TreeSortCommand(tag); });
  }
  connect(sortMenu_, &QMenu::aboutToShow, this, [this] {
    const auto actions = sortMenu_->actions();
    for (int i = 0; i < actions.size(); ++i)
      actions[i]->setChecked(i == static_cast<int>(doc_.Tree().SortType()));
  });
  treeMenu_->addSeparator();
  connect(treeMenu_->addAction("Append File..."), &QAction::triggered, this,
          [this] { AppendFileCommand(); });
  treeCore_->PopupMenu = std::make_shared<TQtPopupMenu>(treeMenu_);
}

TSheetNode* TSpreadForm::ModelNode(TTreeNode* node) const {
  return node ? static_cast<TSheetNode*>(node->Data) : nullptr;
}

void TSpreadForm::SyncTree() {
  treeSyncPending_ = false;
  std::vector<std::pair<const TSheetNode*, std::string>> shape;
  for (const TSheetNode* n : doc_.Tree().Items())
    shape.emplace_back(
        n, std::to_string(n->Level()) + "/" + std::to_string(n->ImageIndex) + "/" + n->Text);
  if (shape != builtShape_) RebuildTree();
  // The selected node.
  TTreeNode* want = nullptr;
  for (TTreeNode* t = treeCore_->Items().GetFirstNode(); t; t = t->GetNext())
    if (ModelNode(t) == doc_.Tree().Selected) want = t;
  if (treeCore_->Selected() != want) {
    syncingTree_ = true;
    treeCore_->SetSelected(want);
    syncingTree_ = false;
  }
  RefreshWorksheetMenu();
}

void TSpreadForm::RebuildTree() {
  syncingTree_ = true;
  // Folders stay open or closed as they were.
  std::vector<const TSheetNode*> collapsed;
  for (TTreeNode* t = treeCore_->Items().GetFirstNode(); t; t = t->GetNext())
    if (t->HasChildren() && !t->Expanded()) collapsed.push_back(ModelNode(t));
  TTreeNodes& items = treeCore_->Items();
  items.BeginUpdate();
  items.Clear();
  std::function<void(const std::vector<std::unique_ptr<TSheetNode>>&, TTreeNode*)> add =
      [&](const std::vector<std::unique_ptr<TSheetNode>>& level, TTreeNode* parent) {
        for (const auto& n : level) {
          TTreeNode& t = items.AddChild(parent, n->Text);
          t.Data = n.get();
          t.SetImageIndex(n->ImageIndex);
          t.SetSelectedIndex(n->SelectedIndex);
          t.SetStateIndex(-1);
          add(n->Children(), &t);
          if (n->HasChildren() &&
              std::find(collapsed.begin(), collapsed.end(), n.get()) == collapsed.end())
            t.SetExpanded(true);
        }
      };
  add(doc_.Tree().Roots(), nullptr);
  items.EndUpdate();
  builtShape_.clear();
  for (const TSheetNode* n : doc_.Tree().Items())
    builtShape_.emplace_back(
        n, std::to_string(n->Level()) + "/" + std::to_string(n->ImageIndex) + "/" + n->Text);
  syncingTree_ = false;
}

void TSpreadForm::TreeNodeSelected(TTreeNode* node) {
  if (doc_.Loading()) return;
  TSheetNode* model = ModelNode(node);
  if (!model || model == doc_.Tree().Selected) return;
  editingLabel_ = false;
  doc_.SelectNode(model);
  ShowSelectionInfo();
}

void TSpreadForm::NewFolderCommand() {
  Run("NewFolder", [&] {
    TSheetNode* n = doc_.NewFolder();
    (void)n;
  });
}

void TSpreadForm::AddSheetCommand() {
  Run("AddSheet", [&] { doc_.AddSheet(); });
}

void TSpreadForm::DeleteNodeCommand() {
  Run("Delete", [&] {
    doc_.DeleteNode(doc_.Tree().Selected);
    ShowSelectionInfo();
  });
}

void TSpreadForm::OneLevelUpCommand() {
  Run("OneLevelUp", [&] {
    if (doc_.Tree().OneLevelUp(doc_.Tree().Selected)) doc_.TreeEdited();
  });
}

void TSpreadForm::MoveUpCommand() {
  Run("MoveUp", [&] {
    if (doc_.Tree().MoveUp(doc_.Tree().Selected)) doc_.TreeEdited();
  });
}

void TSpreadForm::MoveDownCommand() {
  Run("MoveDown", [&] {
    if (doc_.Tree().MoveDown(doc_.Tree().Selected)) doc_.TreeEdited();
  });
}

void TSpreadForm::TreeSortCommand(int tag) {
  doc_.Tree().SetSortType(static_cast<TSortType>(std::clamp(tag, 0, 3)));
  doc_.TreeEdited();
}

void TSpreadForm::AppendFileCommand() {
  TFileDialogOptions o;
  o.Filter = kSpreadAppendFilter;
  const TFileDialogResult res = Dialogs().OpenDialog(o);
  if (!res.Ok || res.FileName().empty()) return;
  Run("AppendFile", [&] { doc_.AppendFile(res.FileName()); });
}

void TSpreadForm::ToggleTree() {
  const bool show = !SheetPanel->isVisible();
  SheetPanel->setVisible(show);
  treeAction_->setChecked(show);
}

void TSpreadForm::RefreshWorksheetMenu() {
  if (!worksheetMenu_) return;
  worksheetMenu_->clear();
  for (TSheetNode* n : doc_.Tree().Worksheets()) {
    QAction* a = worksheetMenu_->addAction(QString::fromStdString(n->Text));
    a->setCheckable(true);
    a->setChecked(n == doc_.Tree().Selected);
    connect(a, &QAction::triggered, this, [this, n] {
      Run("Worksheet", [&] {
        doc_.SelectNode(n);
        ShowSelectionInfo();
      });
    });
  }
}

// ---------------------------------------------------------------------------
// The grid.

void TSpreadForm::WireGrid() {
  TXLGrid& g = MDIGrid->Grid();
  g.SetOptions(TXLOptions{oTitleCols, oTitleRows, oVertLines, oHorzLines, oColSizing, oRowSizing,
                          oDrawFocus, oRangeSelect, oTracking});
  g.OnSelChanged = [this](TXLGrid&) {
    Run("MDIGrid.OnSelChanged", [&] { GridSelectionChanged(); });
  };
  g.OnCurChanged = [this](TXLGrid&) { Run("MDIGrid.OnCurChanged", [&] { ShowSelectionInfo(); }); };
  g.OnEditModeChanged = [this](TXLGrid&) {
    Run("MDIGrid.OnEditModeChanged", [&] { GridEditModeChanged(); });
  };
  g.OnCellDblClick = [this](TXLGrid&, const TPoint& p) {
    Run("MDIGrid.OnCellDblClick", [&] { GridCellDblClick(p); });
  };
}

void TSpreadForm::GridSelectionChanged() {
  TXLSheet* sheet = CurrentSheet();
  if (!sheet) return;
  HighlightTitles(*sheet, DataSelection());
  doc_.SelectionChanged();
  UpdateMergeButtons();
  ShowSelectionInfo();
}

void TSpreadForm::ShowSelectionInfo() {
  TXLSheet* sheet = CurrentSheet();
  if (!sheet) {
    StatusPanel0->clear();
    StatusPanel1->clear();
    return;
  }
  const TSelectionInfo info = SelectionInfo(*sheet, Selection());
  StatusPanel0->setText(QString::fromStdString(info.Cells));
  StatusPanel1->setText(QString::fromStdString(info.Stats));
}

void TSpreadForm::GridEditModeChanged() {
  doc_.SetModified(true);
  if (reopening_) return;
  TXLGrid& g = MDIGrid->Grid();
  TXLSheet* sheet = CurrentSheet();
  if (!sheet) return;
  if (g.EditMode() != 0) {
    TXLCell* cell = g.Edit().Cell();
    if (!cell || !cell->GetSection() || cell->GetSection()->Kind() != skClient) {
      editing_ = false;
      return;
    }
    editing_ = true;
    editCell_ = TPoint(cell->Col(), cell->RowIndex());
    editText_ = cell->GetAsString();
    return;
  }
  if (!editing_) return;
  editing_ = false;
  // The editor closed: a formula typed is evaluated; another new text
  // takes the place of the formula the cell had.
  TXLCell* cell = sheet->FindCell(editCell_.X, editCell_.Y);
  if (!cell) return;
  const std::string text = Trim(cell->GetAsString());
  if (IsFormulaText(text)) {
    cell->SetFormual("");
    const std::string result = formulas_.EvaluateFormula(text, editCell_.X, editCell_.Y, *sheet);
    cell = sheet->GetCell(editCell_.X, editCell_.Y);
    cell->SetAsString(result);
  } else if (cell->GetAsString() != editText_) {
    cell->SetFormual("");
  }
  ShowSelectionInfo();
}

void TSpreadForm::GridCellDblClick(const TPoint& p) {
  TXLSheet* sheet = CurrentSheet();
  if (!sheet || p.X < 0 || p.Y < 0) return;
  TXLCell* cell = sheet->FindCell(p.X, p.Y);
  if (!cell) return;
  const std::string formula = cell->Formual();
  if (formula.empty() || formula == Trim(cell->GetAsString())) return;
  // The formula back into the cell, so that it is edited as typed.
  TXLGrid& g = MDIGrid->Grid();
  reopening_ = true;
  const bool wasEditing = g.EditMode() != 0;
  if (wasEditing) g.SetEditMode(0);
  cell->SetAsString(formula);
  if (wasEditing) g.SetEditMode(2);
  reopening_ = false;
  if (g.EditMode() != 0) {
    editing_ = true;
    editCell_ = p;
    editText_ = formula;
  }
}

void TSpreadForm::UpdateMergeButtons() {
  TXLSelection* sel = MDIGrid->Grid().Selection();
  if (!sel || !mergeAction_) return;
  const bool merge = !sel->IsSingleCell();
  mergeAction_->setEnabled(merge);
  splitAction_->setEnabled(sel->HasUnions());
  lineMergeAction_->setEnabled(merge && sel->Width() >= 2);
  rowMergeAction_->setEnabled(merge && sel->Height() >= 2);
}

void TSpreadForm::keyPressEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_Delete && !SheetTreeWidget->hasFocus()) doc_.SetModified(true);
  QMainWindow::keyPressEvent(e);
}

// ---------------------------------------------------------------------------
// Closing and dropped files.

void TSpreadForm::closeEvent(QCloseEvent* e) {
  bool close = true;
  Run("SpreadForm.CloseQuery", [&] {
    EndEditing();
    close = doc_.CloseQuery();
  });
  if (close)
    e->accept();
  else
    e->ignore();
}

void TSpreadForm::dragEnterEvent(QDragEnterEvent* e) {
  if (e->mimeData()->hasUrls()) e->acceptProposedAction();
}

void TSpreadForm::dropEvent(QDropEvent* e) {
  std::vector<std::string> files;
  for (const QUrl& url : e->mimeData()->urls())
    if (url.isLocalFile()) files.push_back(url.toLocalFile().toStdString());
  e->acceptProposedAction();
  Run("SpreadForm.Drop", [&] { doc_.DropFiles(files); });
}

}  // namespace qv
