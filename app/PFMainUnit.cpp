// The main window: construction, life cycle, keyboard, status bar and the
// settings kept between runs.
#include "app/PFMainUnit.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/AppControls.h"
#include "app/AppPaths.h"
#include "app/FileTypes.h"
#include "app/ModelCompletion.h"
#include "app/ModelHighlighter.h"
#include "app/SettingsPage.h"
#include "chart/Chart.h"
#include "chart/qt/ChartWidget.h"
#include "controls/qt/QtUiTabs.h"
#include "editor/CodeCompletionProposal.h"
#include "editor/CodeEditHighlighter.h"
#include "editor/CodeEditPrint.h"
#include "editor/qt/CodeEditWidget.h"
#include "platform/core/Services.h"
#include "platform/core/ShortCuts.h"
#include "platform/core/SysUtils.h"
#include "support/ModelFile.h"
#include "support/NamedStreamCol.h"
#include "support/Placemnt.h"
#include "support/qt/QtFormWindow.h"
#include "support/qt/QtPropInsp.h"

namespace qv {

namespace {

// Whole-window cursor brackets for the hourglass.
struct TBusyCursor {
  TBusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~TBusyCursor() { QApplication::restoreOverrideCursor(); }
};

}  // namespace

const std::vector<std::string>& TFitForm::StoredPropertyNames() {
  static const std::vector<std::string> names = {"ReopenFileList.Items",
                                                 "ResultMemo.Height",
                                                 "FitChart.Tag",
                                                 "Panel11.Tag",
                                                 "LeftPanel.Width",
                                                 "LeftPanel.Tag",
                                                 "LeftPanel.Caption",
                                                 "LDockPanel.Tag",
                                                 "LDockPanel.Caption",
                                                 "FilePanel1.Tag",
                                                 "LSplitter.Tag",
                                                 "RadioGroup2.ItemIndex",
                                                 "BinCheckBox.ItemIndex",
                                                 "PopulationBox2.Text",
                                                 "PCBox2.Text",
                                                 "PMBox2.Text",
                                                 "CTGroup2.Tag",
                                                 "CTGroup3.Tag",
                                                 "STGroup2.Tag",
                                                 "ComboBox2.Text",
                                                 "BinBox.Tag",
                                                 "TSBox2.Checked",
                                                 "TSEdit2.Text",
                                                 "SchemeBox.Tag",
                                                 "DESizeBox.Text",
                                                 "PCBox3.Text",
                                                 "PMBox3.Text",
                                                 "SizeBox1.Text",
                                                 "SizeBox.Text",
                                                 "ZUDSchemeBox.Tag",
                                                 "InterBox.Text",
                                                 "C1Box.Text",
                                                 "C2Box.Text",
                                                 "VmaCheckBox.Checked",
                                                 "ComboBox6.Text",
                                                 "RB1.Checked",
                                                 "RB2.Checked",
                                                 "RB3.Checked",
                                                 "RB4.Checked",
                                                 "ComboBox1.Text",
                                                 "SSEEdit.Text",
                                                 "REdit.Text",
                                                 "CBB2.Text",
                                                 "SREdit.Text",
                                                 "SREdit1.Text",
                                                 "ComboBox3.Tag",
                                                 "NSizeBox.Text",
                                                 "NSizeBox2.Text",
                                                 "DEGroup.ItemIndex",
                                                 "Label24.Caption",
                                                 "DEOptionGroup.ItemIndex",
                                                 "SearchOption.ItemIndex"};
  return names;
}

TFitForm::TFitForm(std::vector<std::string> Args, TFitFormHooks Hooks, QWidget* parent)
    : QMainWindow(parent),
      args_(std::move(Args)),
      hooks_(std::move(Hooks)),
      engine_(std::make_unique<TEngineState>()),
      cns_(std::make_unique<TNamedStreams>()),
      openDialog_(std::make_shared<TFileDialogOptions>()),
      saveDialog_(std::make_shared<TFileDialogOptions>()) {
  setObjectName("FitForm");
  setWindowTitle("Quorvane - [Untitled]");
  resize(900, 660);
  SetupModelCollection(*cns_);
  host_ = CreateFitFormHost(*this);
  BuildActions();
  BuildMenus();
  BuildToolBar();
  BuildPages();
  BuildStatusBar();
  RegisterComponents();
  FormCreate();
  SetupStorage();
  qApp->installEventFilter(this);
}

TFitForm::~TFitForm() {
  qApp->removeEventFilter(this);
  if (formWindow_) formWindow_->NotifyDestroying();
  storage_.reset();
  formWindow_.reset();
  FreeSeries();
  if (codeMemo_) codeMemo_->Edit().SetHighlighter(nullptr);
}

// ---- building -------------------------------------------------------------

QAction* TFitForm::MakeAction(const std::string& Name, const std::string& Caption,
                              const std::string& Shortcut, std::function<void()> Handler) {
  auto* a = new QAction(QStr(Caption), this);
  a->setObjectName(QStr(Name));
  if (!Shortcut.empty()) {
    a->setShortcut(QKeySequence(QStr(Shortcut)));
    a->setShortcutContext(Qt::WindowShortcut);
  }
  if (Handler)
    connect(a, &QAction::triggered, this,
            [Name, Handler] { GuardHostCall(Name.c_str(), [&] { Handler(); }); });
  actions_[Name] = a;
  return a;
}

QAction* TFitForm::Action(const std::string& Name) const {
  auto it = actions_.find(Name);
  return it == actions_.end() ? nullptr : it->second;
}

void TFitForm::BuildActions() {
  MakeAction("NewAction", "New", "", [this] { NewActionExecute(); });
  MakeAction("OpenAction", "Open...", "", [this] { OpenActionExecute(); });
  MakeAction("SaveAction", "Save", "Ctrl+S", [this] { SaveActionExecute(); });
  MakeAction("SaveAsAction", "Save as...", "", [this] { SaveAsActionExecute(); });
  MakeAction("Print1", "Print", "", [this] { PrintButtonClick(); });
  MakeAction("ExitAction", "Exit", "", [this] { ExitActionExecute(); });
  MakeAction("UndoAction", "Undo", "Ctrl+Z", [this] { UndoActionExecute(); });
  MakeAction("RedoAction", "Redo", "", [this] { RedoActionExecute(); });
  MakeAction("CutAction", "Cut", "Ctrl+X", [this] { CutActionExecute(); });
  MakeAction("CopyAction", "Copy", "Ctrl+C", [this] { CopyActionExecute(); });
  MakeAction("PasteAction", "Paste", "Ctrl+V", [this] { PasteActionExecute(); });
  MakeAction("SearchAction", "Search", "Ctrl+F", [this] { SearchReplaceText(false); });
  MakeAction("SearchNextAction", "Search Next", "F3", [this] { SearchNextActionExecute(); });
  MakeAction("SearchPrevAction", "Search Previous", "Shift+F3",
             [this] { SearchPrevActionExecute(); });
  MakeAction("ReplaceAction", "Replace", "Ctrl+R", [this] { SearchReplaceText(true); });
  MakeAction("GoToLine1", "Go To Line...", "Ctrl+G", [this] { GoToLine1Click(); });
  MakeAction("SelectAllAction", "Select All", "Ctrl+A", [this] { SelectAllActionExecute(); });
  MakeAction("InsertTime1", "Insert Time", "F5", [this] { InsertTime1Click(); });
  MakeAction("Run1", "Run", "F9", [this] { RunButtonClick(); });
  MakeAction("Stop1", "Stop", "F10", [this] { StopButtonClick(); })->setEnabled(false);
  MakeAction("ResumeBT", "Resume", "F8", [this] { Resume1Click(); })->setEnabled(false);
  MakeAction("D23Analysis", "2D-3D Analysis", "", [this] {
    if (hooks_.ShowChartAnalysis) hooks_.ShowChartAnalysis();
  })->setEnabled(false);
  MakeAction("ShowSheetAction", "Spread Sheet Editor", "", [this] { ShowSheetActionExecute(); });
  MakeAction("InspectAction", "Object Inspector", "Ctrl+O", [this] {
    InspectActionExecute();
  })->setCheckable(true);
  MakeAction("FilePanel1", "File Browse", "Ctrl+B", [this] {
    if (hooks_.ToggleFileBrowser) hooks_.ToggleFileBrowser();
  })->setCheckable(true);
  MakeAction("Content1", "Content", "F1", [this] { Content1Click(); });
  MakeAction("HomePage1", "Olbra Software Home Page", "", [this] { HomePage1Click(); });
  MakeAction("About1", "About", "", [this] { About1Click(); });
  // The popup menus' own items.
  MakeAction("Cut1", "Cut", "", [this] { CutActionExecute(); });
  MakeAction("Copy2", "Copy", "", [this] { CopyActionExecute(); });
  MakeAction("Paste1", "Paste", "", [this] { PasteActionExecute(); });
  MakeAction("SelectAll1", "Select All", "", [this] { SelectAllActionExecute(); });
  MakeAction("InsertFileName1", "Insert File Name...", "", [this] { InsertFileName1Click(); });
  MakeAction("InsertFileData1", "Insert File Data...", "", [this] { InsertFileData1Click(); });
  MakeAction("InsertTime2", "Insert Time", "", [this] { InsertTime1Click(); });
  MakeAction("LineLineChart1", "Line-Line Chart", "", [this] { LineLineChart1Click(0); });
  MakeAction("PointLineChart1", "Point-Line Chart", "", [this] { LineLineChart1Click(2); });
  MakeAction("XYChart1", "X-Y Chart", "", [this] { LineLineChart1Click(1); });
  MakeAction("SaveChart1", "Save Chart", "", [this] { SaveChart1Click(); });
  MakeAction("Save2", "Save", "", [this] { Save2Click(); });
  MakeAction("Print2", "Print", "", [this] { Print2Click(); });
  MakeAction("CatchData1", "Catch Data", "", [this] { CatchDataClick(); });
  MakeAction("ViewChromosomes1", "View Chromosomes", "", [this] { ViewChromosomes1Click(); });
  // The results lists' menu.
  MakeAction("R1", "R", "", [this] { R1Click(0); })->setCheckable(true);
  MakeAction("DC1", "DC", "", [this] { R1Click(1); })->setCheckable(true);
  MakeAction("RMSE1", "RMSE", "", [this] { R1Click(2); })->setCheckable(true);
  MakeAction("SSE1", "SSE", "", [this] { R1Click(3); })->setCheckable(true);
  MakeAction("ViewItem", "View", "", [this] { ViewActionExecute(); });
  MakeAction("CatchData", "Catch Data", "", [this] { CatchDataClick(); });
  MakeAction("Copy3", "Copy", "", [this] { Copy3Click(); });
  MakeAction("CopyAll1", "Copy All", "", [this] { CopyAll1Click(); });
  for (const char* n : {"LineLineChart1", "PointLineChart1", "XYChart1"})
    Action(n)->setCheckable(true);
  SetComponentTag(Action("LineLineChart1"), 2);
  SetComponentTag(Action("XYChart1"), 3);
  SetComponentTag(Action("PointLineChart1"), 4);
  for (int i = 0; i < 4; ++i)
    SetComponentTag(Action(std::array{"R1", "DC1", "RMSE1", "SSE1"}[i]), i);
}

void TFitForm::BuildMenus() {
  QMenuBar* bar = menuBar();
  bar->setObjectName("MainMenu1");
  file1_ = bar->addMenu("File");
  file1_->setObjectName("File1");
  for (const char* n : {"NewAction", "OpenAction", "SaveAction", "SaveAsAction", "Print1"})
    file1_->addAction(Action(n));
  file1_->addSeparator();
  file1_->addAction(Action("ExitAction"));
  connect(file1_, &QMenu::aboutToShow, this, [this] { File1Click(); });

  QMenu* edit = bar->addMenu("Edit");
  edit->setObjectName("Edit1");
  for (const char* n : {"UndoAction", "RedoAction"}) edit->addAction(Action(n));
  edit->addSeparator();
  for (const char* n : {"CutAction", "CopyAction", "PasteAction"}) edit->addAction(Action(n));
  edit->addSeparator();
  for (const char* n :
       {"SearchAction", "SearchNextAction", "SearchPrevAction", "ReplaceAction", "GoToLine1"})
    edit->addAction(Action(n));
  edit->addSeparator();
  for (const char* n : {"SelectAllAction", "InsertTime1"}) edit->addAction(Action(n));
  connect(edit, &QMenu::aboutToShow, this, [this, edit] { Edit1Click(edit); });

  QMenu* program = bar->addMenu("Program");
  program->setObjectName("Program1");
  for (const char* n : {"Run1", "Stop1", "ResumeBT"}) program->addAction(Action(n));
  program->addSeparator();
  program->addAction(Action("D23Analysis"));
  connect(program, &QMenu::aboutToShow, this, [this] { Program1Click(); });

  QMenu* tools = bar->addMenu("Tools");
  tools->setObjectName("Tools1");
  for (const char* n : {"ShowSheetAction", "InspectAction", "FilePanel1"})
    tools->addAction(Action(n));
  connect(tools, &QMenu::aboutToShow, this, [this, tools] { Edit1Click(tools); });

  QMenu* help = bar->addMenu("Help");
  help->setObjectName("Help1");
  help->addAction(Action("Content1"));
  help->addAction(Action("HomePage1"));
  help->addSeparator();
  help->addAction(Action("About1"));

  filePopupMenu_ = new QMenu(this);
  filePopupMenu_->setObjectName("FilePopupMenu");
  connect(filePopupMenu_, &QMenu::aboutToShow, this, [this] { FilePopupMenuPopup(); });

  editPopupMenu_ = new QMenu(this);
  editPopupMenu_->setObjectName("EditPopupMenu");
  // Tags say where each item shows: -1 everywhere, 0 the editor, 1 the
  // result memo, 2 to 4 the chart (the chart kind + 2).
  SetComponentTag(Action("Cut1"), 0);
  SetComponentTag(Action("Copy2"), -1);
  SetComponentTag(Action("Paste1"), 0);
  SetComponentTag(Action("SelectAll1"), 0);
  editPopupMenu_->addAction(Action("Cut1"));
  editPopupMenu_->addAction(Action("Copy2"));
  editPopupMenu_->addAction(Action("Paste1"));
  editPopupMenu_->addAction(Action("SelectAll1"));
  QMenu* insert = editPopupMenu_->addMenu("Insert");
  insert->setObjectName("Insert1");
  insert->menuAction()->setObjectName("InsertItem");
  SetComponentTag(insert->menuAction(), 0);
  for (const char* n : {"InsertFileName1", "InsertFileData1", "InsertTime2"})
    insert->addAction(Action(n));
  for (const char* n : {"LineLineChart1", "PointLineChart1", "XYChart1", "SaveChart1"})
    editPopupMenu_->addAction(Action(n));
  SetComponentTag(Action("SaveChart1"), 2);
  for (const char* n : {"Save2", "Print2", "CatchData1"}) {
    SetComponentTag(Action(n), 1);
    editPopupMenu_->addAction(Action(n));
  }
  SetComponentTag(Action("ViewChromosomes1"), -2);
  editPopupMenu_->addSeparator();
  editPopupMenu_->addAction(Action("ViewChromosomes1"));
  connect(editPopupMenu_, &QMenu::aboutToShow, this, [this] { EditPopupMenuPopup(); });

  listBoxMenu_ = new QMenu(this);
  listBoxMenu_->setObjectName("ListBoxMenu");
  for (const char* n : {"R1", "DC1", "RMSE1", "SSE1"}) listBoxMenu_->addAction(Action(n));
  QAction* sep = listBoxMenu_->addSeparator();
  sep->setObjectName("ViewSeparator");
  listBoxMenu_->addAction(Action("ViewItem"));
  listBoxMenu_->addSeparator();
  for (const char* n : {"CatchData", "Copy3", "CopyAll1"}) listBoxMenu_->addAction(Action(n));
  connect(listBoxMenu_, &QMenu::aboutToShow, this, [this] { ListBoxMenuPopup(); });
}

void TFitForm::BuildToolBar() {
  toolBar_ = addToolBar("ToolBar1");
  toolBar_->setObjectName("ToolBar1");
  toolBar_->setMovable(false);
  struct TButton {
    const char* Name;
    const char* Hint;
    const char* Text;
    const char* Theme;
    QStyle::StandardPixmap Pixmap;
    std::function<void()> Handler;
  };
  const QStyle::StandardPixmap none = QStyle::SP_CustomBase;
  const std::vector<TButton> buttons = {
      {"NewButton", "New", "New", "document-new", QStyle::SP_FileIcon,
       [this] { NewActionExecute(); }},
      {"OpenButton", "Open", "Open", "document-open", QStyle::SP_DialogOpenButton,
       [this] { OpenActionExecute(); }},
      {"SaveButton", "Save", "Save", "document-save", QStyle::SP_DialogSaveButton,
       [this] { SaveActionExecute(); }},
      {nullptr, nullptr, nullptr, nullptr, none, {}},
      {"CutButton", "Cut", "Cut", "edit-cut", none, [this] { CutActionExecute(); }},
      {"CopyButton", "Copy", "Copy", "edit-copy", none, [this] { CopyActionExecute(); }},
      {"PasteButton", "Paste", "Paste", "edit-paste", none, [this] { PasteActionExecute(); }},
      {"UndoButton", "Undo", "Undo", "edit-undo", QStyle::SP_ArrowBack,
       [this] { UndoActionExecute(); }},
      {"RedoButton", "Redo", "Redo", "edit-redo", QStyle::SP_ArrowForward,
       [this] { RedoActionExecute(); }},
      {"SearchButton", "Search", "Search", "edit-find", none, [this] { SearchReplaceText(false); }},
      {"ReplaceButton", "Replace", "Replace", "edit-find-replace", none,
       [this] { SearchReplaceText(true); }},
      {"PrintButton", "Print", "Print", "document-print", none, [this] { PrintButtonClick(); }},
      {nullptr, nullptr, nullptr, nullptr, none, {}},
      {"SheetButton", "Spread Sheet Editor", "Sheet", "x-office-spreadsheet", none,
       [this] { ShowSheetActionExecute(); }},
      {nullptr, nullptr, nullptr, nullptr, none, {}},
      {"RunButton", "Start Search (F9)", "Run", "media-playback-start", QStyle::SP_MediaPlay,
       [this] { RunButtonClick(); }},
      {"ResumeBT1", "Resume (F8)", "Resume", "media-seek-forward", QStyle::SP_MediaSeekForward,
       [this] { Resume1Click(); }},
      {"StopButton", "Stop Search (F10)", "Stop", "media-playback-stop", QStyle::SP_MediaStop,
       [this] { StopButtonClick(); }},
      {"charttestbt", "2D-3D Analysis", "2D-3D", "", none,
       [this] {
         if (hooks_.ShowChartAnalysis) hooks_.ShowChartAnalysis();
       }},
      {nullptr, nullptr, nullptr, nullptr, none, {}},
      {"ExitButton", "Exit (Esc)", "Exit", "application-exit", QStyle::SP_DialogCloseButton,
       [this] { ExitActionExecute(); }},
  };
  for (const TButton& b : buttons) {
    if (!b.Name) {
      toolBar_->addSeparator();
      continue;
    }
    auto* tb = new QToolButton(toolBar_);
    tb->setObjectName(b.Name);
    tb->setToolTip(b.Hint);
    tb->setText(b.Text);
    QIcon icon = QIcon::fromTheme(b.Theme);
    if (icon.isNull() && b.Pixmap != none) icon = style()->standardIcon(b.Pixmap);
    tb->setIcon(icon);
    tb->setToolButtonStyle(icon.isNull() ? Qt::ToolButtonTextOnly : Qt::ToolButtonTextUnderIcon);
    tb->setAutoRaise(true);
    const std::string name = b.Name;
    const auto handler = b.Handler;
    connect(tb, &QToolButton::clicked, this,
            [name, handler] { GuardHostCall(name.c_str(), [&] { handler(); }); });
    toolBar_->addWidget(tb);
    SetComponentTag(tb, name == "StopButton" ? 1 : 0);
  }
  auto* open = toolBar_->findChild<QToolButton*>("OpenButton");
  open->setMenu(filePopupMenu_);
  open->setPopupMode(QToolButton::MenuButtonPopup);
  for (const char* n : {"ResumeBT1", "StopButton", "charttestbt"})
    toolBar_->findChild<QToolButton*>(n)->setEnabled(false);
}

void TFitForm::BuildPages() {
  auto* central = new QSplitter(Qt::Horizontal, this);
  central->setObjectName("LSplitter");
  central->setChildrenCollapsible(false);
  setCentralWidget(central);

  auto* dock = new QWidget(central);
  dock->setObjectName("LDockPanel");
  new QVBoxLayout(dock);
  dock->layout()->setContentsMargins(0, 0, 0, 0);
  dock->setVisible(false);
  central->addWidget(dock);

  pages_ = new TUiPageControlWidget(central);
  pages_->setObjectName("PageControl1");
  central->addWidget(pages_);
  central->setStretchFactor(1, 1);

  QWidget* program = pages_->AddPage("Program");
  program->setObjectName("TabSheet1");
  auto* pl = new QVBoxLayout(program);
  pl->setContentsMargins(0, 0, 0, 0);
  codeMemo_ = new TCodeEditWidget(program);
  codeMemo_->setObjectName("CodeMemo");
  pl->addWidget(codeMemo_);

  QWidget* settings = pages_->AddPage("Settlemetns");
  settings->setObjectName("TabSheet2");
  settingsPage_ = new TSettingsPage(settings);
  auto* sl = new QVBoxLayout(settings);
  sl->setContentsMargins(0, 0, 0, 0);
  sl->addWidget(settingsPage_);
  settingsPage_->IsActivePage = [this] { return ActivePageIndex() == 1; };
  settingsPage_->OnPopulationChanged = [this] {
    if (auto* b = Get<QToolButton>("ResumeBT1")) b->setEnabled(false);
    Action("ResumeBT")->setEnabled(false);
  };
  settingsPage_->DialogFolder = &saveDialog_->InitialDir;

  QWidget* results = pages_->AddPage("Results");
  results->setObjectName("TabSheet3");
  BuildResultsPage(results);
  pages_->PageControl().OnChange = [this] {
    GuardHostCall("PageControl1Change", [&] { PageControl1Change(); });
  };

  BuildInspector();
  central->addWidget(inspectPanel_);
}

void TFitForm::BuildResultsPage(QWidget* page) {
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(0, 0, 0, 0);
  splitter2_ = new QSplitter(Qt::Horizontal, page);
  splitter2_->setObjectName("Splitter2");
  layout->addWidget(splitter2_);

  leftPanel_ = new QWidget(splitter2_);
  leftPanel_->setObjectName("LeftPanel");
  auto* ll = new QVBoxLayout(leftPanel_);
  ll->setContentsMargins(0, 0, 0, 0);
  splitter4_ = new QSplitter(Qt::Vertical, leftPanel_);
  splitter4_->setObjectName("Splitter4");
  ll->addWidget(splitter4_);
  auto makeList = [this](const char* name, const char* caption) {
    auto* list = new QTreeWidget(splitter4_);
    list->setObjectName(name);
    list->setColumnCount(2);
    list->setHeaderLabels({caption, "R"});
    list->setRootIsDecorated(false);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setContextMenuPolicy(Qt::CustomContextMenu);
    list->header()->setStretchLastSection(true);
    splitter4_->addWidget(list);
    connect(list, &QTreeWidget::customContextMenuRequested, this,
            [this, list, name](const QPoint& p) {
              ShowPopup(name, listBoxMenu_, list->viewport()->mapToGlobal(p));
            });
    return list;
  };
  functionList_ = makeList("FunctionListBox", "Functions");
  outItemList_ = makeList("OutItemList", "Output Items");
  connect(functionList_, &QTreeWidget::itemSelectionChanged, this, [this] {
    GuardHostCall("FunctionListBoxChange", [&] {
      if (functionList_->signalsBlocked() || functionList_->selectedItems().isEmpty()) return;
      if (engine_->Model.ModelMode == TModelMode::Function ? ComponentTag(functionList_) != 0
                                                           : engine_->Model.DataFileCount > 0)
        FunctionListBoxClick();
    });
  });
  connect(functionList_, &QTreeWidget::itemDoubleClicked, this,
          [this] { GuardHostCall("FunctionListBoxDblClick", [&] { FunctionListBoxDblClick(); }); });
  connect(outItemList_, &QTreeWidget::itemSelectionChanged, this, [this] {
    GuardHostCall("OutItemListChange", [&] {
      if (outItemList_->signalsBlocked() || outItemList_->selectedItems().isEmpty()) return;
      if (engine_->Model.DataFileCount > 0) OutItemListClick();
    });
  });
  leftPanel_->setVisible(false);
  splitter2_->addWidget(leftPanel_);

  splitter1_ = new QSplitter(Qt::Vertical, splitter2_);
  splitter1_->setObjectName("Splitter1");
  splitter2_->addWidget(splitter1_);
  splitter2_->setStretchFactor(1, 1);
  resultMemo_ = new TCodeEditWidget(splitter1_);
  resultMemo_->setObjectName("ResultMemo");
  splitter1_->addWidget(resultMemo_);
  connect(splitter1_, &QSplitter::splitterMoved, this, [this] {
    // Splitter1Moved: the memo's height is kept in LeftPanel's caption.
    SetComponentCaption(leftPanel_, std::to_string(resultMemo_->height()));
  });

  panel11_ = new QWidget(splitter1_);
  panel11_->setObjectName("Panel11");
  auto* cl = new QVBoxLayout(panel11_);
  cl->setContentsMargins(0, 0, 0, 0);
  fitChart_ = new TChartWidget(panel11_);
  fitChart_->setObjectName("FitChart");
  cl->addWidget(fitChart_);
  splitter1_->addWidget(panel11_);
  splitter1_->setStretchFactor(1, 1);
  panel11_->setVisible(false);
}

void TFitForm::BuildInspector() {
  inspectPanel_ = new QWidget(this);
  inspectPanel_->setObjectName("InspectPanel");
  auto* l = new QVBoxLayout(inspectPanel_);
  l->setContentsMargins(2, 2, 2, 2);
  auto* top = new QHBoxLayout;
  objComboBox_ = new QComboBox(inspectPanel_);
  objComboBox_->setObjectName("ObjComboBox");
  top->addWidget(objComboBox_, 1);
  auto* close = new QToolButton(inspectPanel_);
  close->setObjectName("SpeedButton4");
  close->setToolTip("Close inspector");
  close->setIcon(style()->standardIcon(QStyle::SP_TitleBarCloseButton));
  connect(close, &QToolButton::clicked, this, [this] { SpeedButton4Click(); });
  top->addWidget(close);
  l->addLayout(top);
  objInspec_ = new TQtPropInspector(inspectPanel_);
  objInspec_->setObjectName("ObjInspec");
  l->addWidget(objInspec_, 1);
  inspectPanel_->setVisible(false);
  inspectPanel_->setMinimumWidth(200);
  connect(objComboBox_, &QComboBox::activated, this,
          [this](int) { GuardHostCall("ObjComboBoxChange", [&] { ObjComboBoxChange(); }); });
  objComboBox_->installEventFilter(this);  // the drop-down (ObjComboBoxDropDown)
  objInspec_->Inspector().OnChanging = [](TPropInspector&, TPropertyEditor& Prop, bool& CanChange) {
    if (LowerCase(Prop.ClassName()) == "tcomponentnameproperty") CanChange = false;
  };
}

void TFitForm::BuildStatusBar() {
  QStatusBar* bar = statusBar();
  bar->setObjectName("StatusBar");
  const int widths[] = {110, 70, 80, 130, 110, 200};
  for (int i = 0; i < 6; ++i) {
    auto* l = new QLabel(bar);
    l->setObjectName(QStr("StatusPanel" + std::to_string(i)));
    l->setMinimumWidth(widths[i]);
    l->setFrameShape(QFrame::Panel);
    l->setFrameShadow(QFrame::Sunken);
    bar->addWidget(l, i == 5 ? 1 : 0);
    statusPanels_[std::size_t(i)] = l;
  }
}

void TFitForm::RegisterComponents() {
  // Every named object of the window, for the stored properties.
  for (QObject* o : findChildren<QObject*>()) {
    const std::string name = StdStr(o->objectName());
    if (!name.empty() && !components_.Find(name)) components_.Add(name, o);
  }
  components_.Add("ReopenFileList", this, &reopenFiles_);
  components_.Add("FilePanel1", Action("FilePanel1"));
  for (const char* n : {"LeftPanel", "LDockPanel"}) SetComponentCaption(Component(n), "");
}

QObject* TFitForm::Component(const std::string& Name) const {
  if (TFormComponent* c = components_.Find(Name)) return c->Object();
  if (QAction* a = Action(Name)) return a;
  return FindNamedObject(this, Name);
}

TCodeEdit& TFitForm::CodeMemo() { return codeMemo_->Edit(); }

std::vector<std::string> TFitForm::CodeLines() {
  const TStrings& code = CodeMemo().Lines();
  std::vector<std::string> lines;
  lines.reserve(std::size_t(code.Count()));
  for (int i = 0; i < code.Count(); ++i) lines.push_back(code[i]);
  return lines;
}

void TFitForm::ShowEditorRunning(bool Running) {
  CodeMemo().SetReadOnly(Running);
  CodeMemo().SetColor(Running ? TColor(0xE1E1E1) : clWindow);
}

void TFitForm::ClearChartFoot() { FitChart().Foot().Text().Clear(); }
TCodeEdit& TFitForm::ResultMemo() { return resultMemo_->Edit(); }
TChart& TFitForm::FitChart() { return static_cast<TChart&>(fitChart_->Chart()); }

// ---- creation -----------------------------------------------------------------

void TFitForm::FormCreate() {
  programFolder_ = ProgramFolder();
  filePopupMenu_->clear();
  while (reopenFiles_.Count() > 10) reopenFiles_.Delete(10);
  SetActivePageIndex(0);
  RegisterLegacyFileType();
  {
    // The design values of the two lists' Tags stay; only the shown index
    // changes (the restore puts the stored index back).
    for (const char* n : {"STGroup2", "CTGroup2"}) {
      auto* box = settingsPage_->Get<QComboBox>(n);
      const int tag = ComponentTag(box);
      const QSignalBlocker block(box);
      box->setCurrentIndex(3);
      SetComponentTag(box, tag);
    }
  }
  openDialog_->InitialDir = ModelFolder();
  saveDialog_->InitialDir = openDialog_->InitialDir;
  StageCompilerKitAtStart();
  highlighter_ = CreateModelHighlighter();
  CodeMemo().SetHighlighter(highlighter_.get());
  // The printing of both editors: one copy, a boxed and shaded header with
  // the model's name and the page, the print date in the footer, in colour
  // on white.
  codeEditPrint_ = std::make_unique<TCodeEditPrint>();
  codeEditPrint_->SetCopies(1);
  codeEditPrint_->SetColors(true);
  codeEditPrint_->SetColor(clWhite);
  for (THeaderFooter* hf : {static_cast<THeaderFooter*>(&codeEditPrint_->Header()),
                            static_cast<THeaderFooter*>(&codeEditPrint_->Footer())}) {
    hf->DefaultFont().SetName("Arial");
    hf->DefaultFont().SetHeight(-13);
  }
  codeEditPrint_->Header().SetFrameTypes(ftBox | ftShaded);
  codeEditPrint_->Header().Add("$TITLE$", nullptr, hfaLeft, 1);
  codeEditPrint_->Header().Add("Page $PAGENUM$ of $PAGECOUNT$", nullptr, hfaRight, 1);
  codeEditPrint_->Footer().Add("$DATETIME$", nullptr, hfaRight, 1);
  // The model editor's completion list.
  completion_ = std::make_unique<TCodeCompletionProposal>();
  SetupModelCompletion(*completion_, CodeMemo());
  const std::string exe = ProgramFile();
  RegisterFileType(".mff", "QuorvaneFile", "Quorvane File", exe, programFolder_ + "Quorvane");
  RegisterFileType(".ssf", "QuorvaneSheetFile", "Quorvane Sheet File", exe,
                   programFolder_ + "Quorvane");
  SeedEngineRandom();
  SetComponentCaption(Component("LDockPanel"), ExamplesFolder());

  TCodeEdit& code = CodeMemo();
  code.OnChange = [this](TCustomCodeEdit*) { CodeMemoChange(); };
  code.OnStatusChange = [this](TCustomCodeEdit*, TCodeStatusChanges) { CodeMemoStatusChange(); };
  // Files dropped from other programs open as the model (CodeMemoDropFiles).
  code.SetOptions(code.Options() | eoDropFiles);
  code.OnDropFiles = [this](TCustomCodeEdit*, int, int, const std::vector<std::string>& Files) {
    CodeMemoDropFiles(Files);
  };
  code.OnReplaceText = [this](TCustomCodeEdit*, const std::string& Search,
                              const std::string& Replace, int, int, TCodeReplaceAction& Action) {
    Action = TCodeReplaceAction(CodeMemoReplaceText(Search, Replace));
  };
  // The result chart: no title or legend, the measures written left-aligned
  // in a fixed font under the plot.
  TChart& chart = FitChart();
  chart.Title().SetVisible(false);
  chart.Legend().SetVisible(false);
  chart.SetView3D(false);
  chart.Foot().SetAlignment(taLeftJustify);
  chart.Foot().Font().SetName("Courier New");
  // The result text: no gutter and no right margin line.
  ResultMemo().Gutter().SetVisible(false);
  ResultMemo().SetRightEdge(0);
  for (QWidget* w : {static_cast<QWidget*>(codeMemo_), static_cast<QWidget*>(resultMemo_),
                     static_cast<QWidget*>(fitChart_)})
    w->installEventFilter(this);
  SetComponentTag(functionList_, 1);
}

void TFitForm::SetupStorage() {
  formWindow_ = std::make_unique<TQtFormWindow>(this, "TFitForm");
  formWindow_->SetMainForm(true);
  formWindow_->ComponentLookup = [this](const std::string& n) { return components_.Lookup(n); };
  formWindow_->OnShow = [this] { FormShow(); };
  formWindow_->OnCloseQuery = [this](bool& CanClose) { CanClose = FormCloseQuery(); };
  storage_ = std::make_unique<TFormStorage>(formWindow_.get());
  for (const std::string& n : StoredPropertyNames()) storage_->StoredProps().Add(n);
  storage_->OnRestorePlacement = [this](TFormPlacement&) { FormStorage1RestorePlacement(); };
  storage_->Loaded();
}

// ---- showing ----------------------------------------------------------------

void TFitForm::FormShow() {
  if (shown_) return;
  shown_ = true;
  if (args_.empty()) {
    NewActionExecute();
  } else {
    const std::string& name = args_.front();
    if (LowerCase(ExtractFileExt(name)) == ".mff") {
      TBusyCursor busy;
      Pump(true);
      if (!OpenModel(name)) NewActionExecute();
    }
  }
  functionList_->headerItem()->setText(1, QStr(MeasureName(ComponentTag(panel11_))));
  settingsPage_->Control("MGACheckBox")->setVisible(false);
  int height = 0;
  if (TryStrToInt(ComponentCaption(leftPanel_), height) && height > 0)
    splitter1_->setSizes({height, std::max(1, splitter1_->height() - height)});
  QTimer::singleShot(0, this, [this] { GuardHostCall("FormPaint", [&] { FormPaint(); }); });
}

void TFitForm::FormPaint() {
  if (painted_) return;
  painted_ = true;
  if (args_.empty()) return;
  const std::string& name = args_.front();
  if (LowerCase(ExtractFileExt(name)) != ".ssf") return;
  TBusyCursor busy;
  Pump(true);
  if (hooks_.OpenSheetFile)
    hooks_.OpenSheetFile(name);
  else
    Dialogs().MessageBox("The data sheet window is not available in this program.", "Information",
                         mtInformation, mbOK);
}

void TFitForm::FormStorage1RestorePlacement() {
  while (reopenFiles_.Count() > 10) reopenFiles_.Delete(10);
  settingsPage_->RestoreIndexesFromTags();
  int height = 0;
  if (TryStrToInt(ComponentCaption(leftPanel_), height) && height > 0)
    splitter1_->setSizes({height, std::max(1, splitter1_->height() - height)});
  if (ComponentTag(Action("FilePanel1")) > 0 && hooks_.ToggleFileBrowser)
    hooks_.ToggleFileBrowser();
}

// ---- closing --------------------------------------------------------------------

bool TFitForm::FormCloseQuery() {
  if (SearchRunning() || inRun_) {
    if (Dialogs().MessageBox("The procedure of optimization is running, stop it?", "Warning",
                             mtWarning, mbYesNo) != mrYes)
      return false;
    StopSearch();
    if (CodeMemo().Modified()) SaveActionExecute();
    CleanLibFilesAtClose();
    // The search loop unwinds first; the window closes when it has.
    closeAfterRun_ = true;
    CodeMemo().SetModified(false);
    return false;
  }
  if (!CodeModifiyCheck()) return false;
  const bool browserOpen = hooks_.FileBrowserOpen && hooks_.FileBrowserOpen();
  if (browserOpen && hooks_.ToggleFileBrowser) hooks_.ToggleFileBrowser();
  SetComponentTag(Action("FilePanel1"), browserOpen ? 1 : 0);
  return true;
}

void TFitForm::closeEvent(QCloseEvent* e) {
  // FormCloseQuery ran in the placement's hook; the window closes now.
  if (!closing_) {
    closing_ = true;
    GuardHostCall("FormClose", [&] { FormClose(); });
  }
  QMainWindow::closeEvent(e);
}

void TFitForm::FormClose() {
  CleanLibFilesAtClose();
  StageCompilerKitAtClose();
}

bool TFitForm::CodeModifiyCheck() {
  if (!isVisible() || !CodeMemo().Modified()) return true;
  const std::string name = fileName_.empty() ? "Untitled" : ExtractFileName(fileName_);
  const int answer = Dialogs().MessageBox("File \"" + name + "\" has been modified, save it!",
                                          "Confirmation", mtConfirmation, mbYesNoCancel);
  if (answer == mrCancel || answer == mrNone) return false;
  // "Yes" goes on only when the model was saved.
  if (answer == mrYes && !SaveActionExecute()) return false;
  CodeMemo().SetModified(false);
  return true;
}

void TFitForm::ExitActionExecute() { close(); }

// ---- status bar ---------------------------------------------------------------

void TFitForm::SetStatus(int Panel, const std::string& Text) {
  statusPanels_[std::size_t(Panel)]->setText(QStr(Text));
}

std::string TFitForm::StatusText(int Panel) const {
  return StdStr(statusPanels_[std::size_t(Panel)]->text());
}

std::string TFitForm::EditorModeText() {
  if (CodeMemo().ReadOnly()) return "Read Only";
  return CodeMemo().InsertMode() ? "Insert" : "Overwrite";
}

void TFitForm::CodeMemoStatusChange() {
  TCodeEdit& code = CodeMemo();
  const TPoint caret = code.CaretXY();
  if (caret.X >= 1 && caret.Y >= 1)
    SetStatus(0, std::to_string(code.Lines().Count()) + Format(" %6d:%3d ", caret.Y, caret.X));
  else
    SetStatus(0, "");
  SetStatus(1, code.Modified() ? "Modified" : "");
  SetStatus(2, EditorModeText());
  if (!SearchRunning()) SetStatus(3, "");
}

void TFitForm::ShowFileInfo(const std::string& Name, bool Show) {
  if (!Show) {
    SetStatus(4, "");
    SetStatus(5, "");
    return;
  }
  const int64_t size = FileSizeOf(Name);
  if (size < 0) {
    SetStatus(4, "");
    SetStatus(5, "");
    return;
  }
  SetStatus(4, "Size: " + (size < 1000 ? std::to_string(size) + " Bytes"
                                       : std::to_string((size + 500) / 1000) + "KB"));
  SetStatus(5, "Modified: " + DateTimeToStr(FileModifiedTime(Name)));
}

// ---- keys and pages --------------------------------------------------------------

void TFitForm::FormKeyDown(QKeyEvent* e, bool& Handled) {
  const int key = e->key();
  const bool plain = (e->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
  if (!plain) return;
  if (key == Qt::Key_F9 && !SearchRunning() && !inRun_) {
    Handled = true;
    RunButtonClick();
  } else if (key == Qt::Key_F10 && StopAllowed()) {
    Handled = true;
    StopButtonClick();
  } else if (key == Qt::Key_Escape) {
    Handled = true;
    ExitActionExecute();
  } else if ((key == Qt::Key_Return || key == Qt::Key_Enter) && ActivePageIndex() != 0) {
    // A key of the file browser's list or filter belongs to the browser.
    QWidget* focus = QApplication::focusWidget();
    const std::string focusName = focus ? StdStr(focus->objectName()) : std::string();
    if (focusName == "UiShellList1" || focusName == "FilterBox") return;
    Handled = true;
    if (StopAllowed())
      StopButtonClick();
    else
      RunButtonClick();
  }
}

bool TFitForm::eventFilter(QObject* watched, QEvent* e) {
  switch (e->type()) {
    case QEvent::KeyPress: {
      auto* w = qobject_cast<QWidget*>(watched);
      if (!w || w->window() != this || QApplication::activePopupWidget()) break;
      // The key reaches the filter once per receiver; only the first counts.
      if (w != QApplication::focusWidget() &&
          !(QApplication::focusWidget() == nullptr && w == this))
        break;
      bool handled = false;
      GuardHostCall("FormKeyDown", [&] { FormKeyDown(static_cast<QKeyEvent*>(e), handled); });
      if (handled) return true;
      break;
    }
    case QEvent::ContextMenu: {
      auto* c = static_cast<QContextMenuEvent*>(e);
      if (watched == codeMemo_ || watched == resultMemo_ || watched == fitChart_) {
        ShowPopup(StdStr(watched->objectName()), editPopupMenu_, c->globalPos());
        return true;
      }
      break;
    }
    case QEvent::MouseButtonPress:
      if (watched == objComboBox_)
        GuardHostCall("ObjComboBoxDropDown", [&] { ObjComboBoxDropDown(); });
      break;
    default:
      break;
  }
  return QMainWindow::eventFilter(watched, e);
}

void TFitForm::ShowPopup(const std::string& Name, QMenu* Menu, const QPoint& Global) {
  popupComponent_ = Name;
  Menu->exec(Global);
  // The commands of the menu ran inside exec; the keyboard's commands act
  // on the focused control again.
  popupComponent_.clear();
}

int TFitForm::ActivePageIndex() const { return pages_->PageControl().ActivePageIndex(); }

void TFitForm::SetActivePageIndex(int Index) {
  TUiPageControl& pages = pages_->PageControl();
  if (Index < 0) Index = pages.PageCount() - 1;
  pages.SetActivePageIndex(Index);
}

void TFitForm::Program1Click() {
  const std::pair<const char*, const char*> pairs[] = {{"Run1", "RunButton"},
                                                       {"Stop1", "StopButton"},
                                                       {"ResumeBT", "ResumeBT1"},
                                                       {"D23Analysis", "charttestbt"}};
  for (const auto& [item, button] : pairs)
    Action(item)->setEnabled(Get<QToolButton>(button)->isEnabled());
}

void TFitForm::ShowSheetActionExecute() {
  bool created = false;
  if (!hooks_.ShowSheet) {
    Dialogs().MessageBox("The data sheet window is not available in this program.", "Information",
                         mtInformation, mbOK);
    return;
  }
  TBusyCursor busy;
  hooks_.ShowSheet(created);
}

std::string TFitForm::MeasureName(int Measure) {
  switch (Measure) {
    case 0:
      return "R";
    case 1:
      return "DC";
    case 2:
      return "RMSE";
    default:
      return "SSE";
  }
}

}  // namespace qv
