#include "app/FileUnit.h"

#include <fcntl.h>

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QKeyEvent>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QSplitter>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cerrno>
#include <cstdio>

#include "app/AppControls.h"
#include "app/AppPaths.h"
#include "app/PFMainUnit.h"
#include "controls/UiShellList.h"
#include "controls/UiShellOps.h"
#include "controls/qt/QtUiShell.h"
#include "editor/CodeEdit.h"
#include "platform/core/Services.h"
#include "platform/core/SysUtils.h"
#include "platform/gui/QtHost.h"
#include "support/KitAppUtils.h"

namespace qv {

namespace {

void ErrorBox(const std::string& text) { Dialogs().MessageBox(text, "Error", mtError, mbOK); }

std::string ExamplesRoot() {
  std::string e = ExamplesFolder();
  if (e.empty()) e = IncludeTrailingPathDelimiter(ProgramFolder()) + "Examples/";
  return e;
}

// Renames without ever replacing what is there: 0 on success, else errno.
int RenameNoReplace(const std::string& from, const std::string& to) {
#ifdef RENAME_NOREPLACE
  if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
  if (errno != EINVAL && errno != ENOSYS) return errno;
#endif
  // A file system without the no-replace rename: check, then rename.
  if (FileExists(to) || DirectoryExists(to)) return EEXIST;
  return std::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

}  // namespace

TFileForm::TFileForm(TFitForm& Main, QWidget* parent) : QWidget(parent), main_(Main) {
  setObjectName("FileForm");
  setWindowTitle("File Browse");
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(2, 2, 2, 2);
  layout->setSpacing(2);

  auto* bar = new QHBoxLayout;
  auto tool = [&](const char* name, const char* tip, const char* text,
                  std::function<void()> handler) {
    auto* b = new QToolButton(this);
    b->setObjectName(name);
    b->setToolTip(tip);
    b->setText(text);
    b->setAutoRaise(true);
    connect(b, &QToolButton::clicked, this,
            [name, handler] { GuardHostCall(name, [&] { handler(); }); });
    bar->addWidget(b);
    controls_.push_back(b);
    return b;
  };
  tool("UpButton", "One level up", "Up", [this] { OneLeveUpActionExecute(); });
  tool("ToolButton5", "Icons", "Icons", [this] { SetViewStyle(0); });
  tool("ToolButton6", "Small icons", "Small", [this] { SetViewStyle(1); });
  tool("ToolButton7", "List", "List", [this] { SetViewStyle(2); });
  tool("ToolButton8", "Details", "Details", [this] { SetViewStyle(3); });
  QToolButton* favourites =
      tool("ToolButton3", "Favourite folders", "Favourites", [this] { ToolButton3Click(); });
  FolderMenu = new QMenu(this);
  FolderMenu->setObjectName("FolderMenu");
  FolderMenu->addSeparator();
  QAction* edit = FolderMenu->addAction("Edit Favourites...");
  edit->setObjectName("Edit1");
  connect(edit, &QAction::triggered, this,
          [this] { GuardHostCall("Edit1Click", [&] { Edit1Click(); }); });
  connect(FolderMenu, &QMenu::aboutToShow, this,
          [this] { GuardHostCall("FolderMenuPopup", [&] { FolderMenuPopup(); }); });
  favourites->setMenu(FolderMenu);
  favourites->setPopupMode(QToolButton::MenuButtonPopup);
  bar->addStretch(1);
  layout->addLayout(bar);

  UiShellCombo1 = new TUiShellComboWidget(this);
  UiShellCombo1->setObjectName("UiShellCombo1");
  layout->addWidget(UiShellCombo1);
  UiShellList1 = new TUiShellListWidget(this);
  UiShellList1->setObjectName("UiShellList1");
  layout->addWidget(UiShellList1, 1);
  FilterBox = new QComboBox(this);
  FilterBox->setObjectName("FilterBox");
  FilterBox->setEditable(true);
  FilterBox->setInsertPolicy(QComboBox::NoInsert);
  FilterBox->addItems({"Quorvane Fils (*.mff)", "Text Files (*.txt)", "All Files (*.*)"});
  FilterBox->setCurrentText("*.mff");
  layout->addWidget(FilterBox);
  controls_.insert(controls_.end(), {UiShellCombo1, UiShellList1, FilterBox});
  connect(FilterBox, &QComboBox::textActivated, this,
          [this] { GuardHostCall("FilterBoxChange", [&] { FilterBoxChange(); }); });

  TUiCustomShellList& list = ShellList();
  list.SetOptions(SloBit(sloAutoFill) | SloBit(sloNonFilesystemAncestors) |
                  SloBit(sloDynamicRefresh) | SloBit(sloOleDrag) | SloBit(sloOleDrop) |
                  SloBit(sloShowHidden));
  list.SetViewStyle(vsSmallIcon);
  list.SetFileFilter("*.mff");
  UiShellCombo1->ShellCombo().SetShellList(&list);
  // Files open through the browser's own double click; the list's own open
  // of a file never runs (folders still navigate).
  list.OnDblClickOpen = [this](bool& handled) {
    handled = true;
    GuardHostCall("UiShellList1DblClick", [&] { UiShellList1DblClick(); });
  };
  list.OnFolderChanged = [this] { UiShellList1FolderChanged(); };

  // The browser's context menu replaces the shell's.
  ShellMenu = new QMenu(this);
  ShellMenu->setObjectName("ShellMenu");
  auto item = [&](const char* name, const char* caption, std::function<void()> handler) {
    QAction* a = ShellMenu->addAction(caption);
    a->setObjectName(name);
    connect(a, &QAction::triggered, this,
            [name, handler] { GuardHostCall(name, [&] { handler(); }); });
    return a;
  };
  item("Open1", "Open", [this] { Open1Click(); });
  ShellMenu->addSeparator();
  const char* views[] = {"IconView1", "ListView1", "ReportView1", "SmallIconView1"};
  const char* captions[] = {"Icons", "List", "Details", "Small Icons"};
  for (int tag = 0; tag < 4; ++tag) {
    QAction* a = item(views[tag], captions[tag], [this, tag] { IconView1Click(tag); });
    a->setCheckable(true);
    SetComponentTag(a, tag);
  }
  ShellMenu->addSeparator();
  item("RenameAction", "Rename", [this] { RenameActionExecute(); });
  item("DelShellFile", "Delete", [this] { DelShellFileExecute(); });
  item("OneLeveUpAction", "One Level Up", [this] { OneLeveUpActionExecute(); });
  list.ShowMenu = [this](const std::vector<TUiShellMenuItem>&, int x, int y) {
    GuardHostCall("ShellMenuPopup", [&] { ShellMenuPopup(); });
    ShellMenu->exec(UiShellList1->mapToGlobal(QPoint(x, y)));
    return 0;
  };
  UiShellList1->installEventFilter(this);
  FilterBox->lineEdit()->installEventFilter(this);

  // The input form's folder page ("Folder Selection"), as the main window
  // reaches it.
  EditFavourites = [this](std::vector<std::string>& Folders, int& Ticked) {
    const auto& hook = main_.Hooks().EditFavourites;
    return hook && hook(Folders, Ticked);
  };
  FormCreate();
  LoadSettings();
  FormStorage1RestorePlacement();
}

TFileForm::~TFileForm() = default;

TUiCustomShellList& TFileForm::ShellList() { return UiShellList1->ShellList(); }

std::string TFileForm::Folder() { return ShellList().FolderPath(); }

void TFileForm::SetFolder(const std::string& Path) {
  try {
    ShellList().Folder().SetPath(Path);
  } catch (const std::exception& e) {
    ErrorBox(e.what());
  }
}

std::string TFileForm::SelectedPath() {
  TListItem* item = ShellList().Selected();
  if (!item) return {};
  TUiShellListData* d = TUiCustomShellList::ItemData(*item);
  return d ? d->Path() : std::string();
}

// ---- creation and settings ---------------------------------------------------------

void TFileForm::FormCreate() {
  const std::string examples = ExamplesRoot();
  if (LBox.empty()) {
    LBox.push_back(ExcludeTrailingPathDelimiter(examples));
    for (const char* f :
         {"Auto-calibration", "Equation Solve", "Optimization", "Regression Curve Fit"})
      LBox.push_back(examples + f);
  }
  FPanelCaption = ExcludeTrailingPathDelimiter(examples);
}

std::string TFileForm::SettingsFile() { return GetDefaultIniName(); }

void TFileForm::LoadSettings() {
  try {
    TIniSettings ini(SettingsFile());
    const std::string filter = ini.ReadString(Section, "FilterText", "");
    const int items = StrToIntDef(ini.ReadString(Section, "FilterCount", "0"), 0);
    if (items > 0) {
      FilterBox->clear();
      for (int i = 0; i < items && i < 10; ++i)
        FilterBox->addItem(QStr(ini.ReadString(Section, "Filter" + std::to_string(i), "")));
    }
    if (!filter.empty()) FilterBox->setCurrentText(QStr(filter));
    const int favourites = StrToIntDef(ini.ReadString(Section, "FavouriteCount", "0"), 0);
    if (favourites > 0) {
      LBox.clear();
      for (int i = 0; i < favourites; ++i)
        LBox.push_back(ini.ReadString(Section, "Favourite" + std::to_string(i), ""));
    }
    const std::string fpanel = ini.ReadString(Section, "FPanel", "");
    if (!fpanel.empty()) FPanelCaption = fpanel;
    const int w = StrToIntDef(ini.ReadString(Section, "Width", "0"), 0);
    const int h = StrToIntDef(ini.ReadString(Section, "Height", "0"), 0);
    if (w > 50 && h > 50) resize(w, h);
  } catch (const std::exception&) {
    // An unreadable settings file leaves the defaults.
  }
}

void TFileForm::SaveSettings() {
  try {
    TIniSettings ini(SettingsFile());
    ini.EraseSection(Section);
    ini.WriteString(Section, "FilterText", StdStr(FilterBox->currentText()));
    ini.WriteString(Section, "FilterCount", std::to_string(FilterBox->count()));
    for (int i = 0; i < FilterBox->count(); ++i)
      ini.WriteString(Section, "Filter" + std::to_string(i), StdStr(FilterBox->itemText(i)));
    ini.WriteString(Section, "FavouriteCount", std::to_string(LBox.size()));
    for (std::size_t i = 0; i < LBox.size(); ++i)
      ini.WriteString(Section, "Favourite" + std::to_string(i), LBox[i]);
    ini.WriteString(Section, "FPanel", FPanelCaption);
    ini.WriteString(Section, "Width", std::to_string(width()));
    ini.WriteString(Section, "Height", std::to_string(height()));
    ini.Flush();
  } catch (const std::exception& e) {
    ErrorBox(e.what());
  }
}

void TFileForm::FormStorage1RestorePlacement() {
  if (!Trim(StdStr(FilterBox->currentText())).empty()) FilterBoxChange();
}

void TFileForm::FormCloseQuery() {
  const std::string text = LowerCase(Trim(StdStr(FilterBox->currentText())));
  const std::size_t dot = text.find('.');
  if (dot != std::string::npos && dot + 1 < text.size() && text != "*.txt" && text != "*.mff" &&
      text != "*.*" && FilterBox->findText(QStr(text), Qt::MatchFixedString) < 0) {
    if (FilterBox->count() == 3)
      FilterBox->addItem(QStr(text));
    else
      FilterBox->insertItem(std::min(3, FilterBox->count()), QStr(text));
    FilterBox->setCurrentText(QStr(text));
  }
  while (FilterBox->count() > 10) FilterBox->removeItem(FilterBox->count() - 1);
  SaveSettings();
}

// ---- opening -------------------------------------------------------------------------

void TFileForm::UiShellList1DblClick() {
  const std::string path = SelectedPath();
  if (path.empty() || !FileExists(path)) return;
  // Another file, or the open one with unsaved changes, may replace the
  // editor's text only after the save question.
  const bool same = path == main_.FileName();
  if ((!same || main_.CodeMemo().Modified()) && !main_.CodeModifiyCheck()) return;
  main_.OpenModel(path);
}

void TFileForm::Open1Click() {
  const std::string path = SelectedPath();
  if (path.empty()) return;
  if (DirectoryExists(path)) {
    SetFolder(path);
  } else if (LowerCase(ExtractFileExt(path)) == ".mff") {
    UiShellList1DblClick();
  } else {
    auto report = [](int code) {
      const std::string message = ShellExecuteErrorMessage(code);
      if (!message.empty()) ErrorBox(message);
    };
    const int code = ShellExecuteOpen(path, ExtractFileDir(path), report);
    if (code <= 32) report(code);
  }
}

void TFileForm::UiShellList1FolderChanged() {
  if (QObject* dock = main_.Component("LDockPanel")) SetComponentCaption(dock, Folder());
}

void TFileForm::OneLeveUpActionExecute() {
  std::string path = Folder();
  if (path.empty()) return;
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return;
  SetFolder(slash == 0 ? "/" : path.substr(0, slash));
}

void TFileForm::FilterBoxChange() {
  const std::string text = Trim(StdStr(FilterBox->currentText()));
  const std::size_t dot = text.find('.');
  if (dot == std::string::npos || dot + 1 >= text.size()) return;
  std::string part;
  for (char c : text.substr(dot + 1))
    if (c != ')') part += c;
  part = Trim(part);
  if (part.empty()) return;
  ShellList().SetFileFilter("*." + part);
}

// ---- rename and delete ---------------------------------------------------------------

void TFileForm::RenameActionExecute() {
  const std::string oldPath = SelectedPath();
  if (oldPath.empty()) return;
  const std::string oldName = ExtractFileName(oldPath);
  std::string name = oldName;
  if (!Dialogs().InputQuery("File Rename", "Enter New File Name", name)) return;
  name = Trim(name);
  if (name.empty() || name == oldName) return;
  if (name.find('/') != std::string::npos || name == "." || name == "..") {
    ErrorBox("\"" + name + "\" is not a valid file name.");
    return;
  }
  const std::string folder = ExtractFileDir(oldPath);
  const std::string newPath = IncludeTrailingPathDelimiter(folder) + name;
  const int error =
      FileExists(newPath) || DirectoryExists(newPath) ? EEXIST : RenameNoReplace(oldPath, newPath);
  if (error == EEXIST) {
    ErrorBox("File of \"" + name + "\" existed, try anothre name!");
    return;
  }
  if (error != 0) {
    ErrorBox("Failed to rename file!");
  } else if (oldPath == main_.FileName()) {
    main_.ModelFileRenamed(newPath);
  }
  ShellList().Refresh();
}

void TFileForm::DelShellFileExecute() {
  TListItem* item = ShellList().Selected();
  if (!item) return;
  const int row = item->Index();
  if (Dialogs().MessageBox("Are you sure to delete selected file/folder?", "Confirmation",
                           mtConfirmation, mbYesNo) != mrYes)
    return;
  // To the trash; the editor's text and its modified state stay as they
  // are, so unsaved work in it can still be saved.
  ShellList().InvokeVerb("delete");
  TListItems& items = ShellList().Items();
  if (items.Count() > 0) {
    TListItem& next = items.Item(std::min(row, items.Count() - 1));
    next.SetSelected(true);
    next.SetFocused(true);
  }
}

// ---- views ---------------------------------------------------------------------------

void TFileForm::SetViewStyle(int Style) {
  static const TViewStyle styles[] = {vsIcon, vsSmallIcon, vsList, vsReport};
  if (Style >= 0 && Style < 4) ShellList().SetViewStyle(styles[Style]);
}

void TFileForm::IconView1Click(int Tag) {
  static const int styles[] = {0, 2, 3, 1};
  if (Tag >= 0 && Tag < 4) SetViewStyle(styles[Tag]);
}

void TFileForm::ShellMenuPopup() {
  static const TViewStyle byTag[] = {vsIcon, vsList, vsReport, vsSmallIcon};
  for (QAction* a : ShellMenu->actions())
    if (a->isCheckable()) a->setChecked(byTag[ComponentTag(a) & 3] == ShellList().ViewStyle());
}

// ---- favourites ------------------------------------------------------------------------

void TFileForm::ToolButton3Click() {
  OpenFavouriteFolder(FPanelCaption.empty() ? ExcludeTrailingPathDelimiter(ExamplesRoot())
                                            : FPanelCaption);
}

void TFileForm::FolderMenuPopup() {
  const QList<QAction*> actions = FolderMenu->actions();
  for (int i = 0; i + 2 < actions.size(); ++i) {
    FolderMenu->removeAction(actions[i]);
    actions[i]->deleteLater();
  }
  QAction* before = FolderMenu->actions().value(0);
  const std::string current = Folder();
  for (const std::string& folder : LBox) {
    // The caption shows "&" as itself; the folder travels as the action's
    // data, so it is used exactly as stored.
    QString caption = QStr(folder);
    caption.replace("&", "&&");
    auto* a = new QAction(caption, FolderMenu);
    a->setData(QStr(folder));
    a->setCheckable(true);
    a->setChecked(
        AnsiSameText(ExcludeTrailingPathDelimiter(folder), ExcludeTrailingPathDelimiter(current)));
    connect(a, &QAction::triggered, this, [this, folder] {
      GuardHostCall("OpenFavouriteFolder", [&] { OpenFavouriteFolder(folder); });
    });
    FolderMenu->insertAction(before, a);
  }
}

void TFileForm::OpenFavouriteFolder(const std::string& Folder) {
  if (!DirectoryExists(Folder)) {
    ErrorBox("The folder of \"" + Folder + "\" does not existed!");
    LBox.erase(std::remove(LBox.begin(), LBox.end(), Folder), LBox.end());
    return;
  }
  SetFolder(Folder);
}

void TFileForm::Edit1Click() {
  std::vector<std::string> folders = LBox;
  int ticked = -1;
  for (std::size_t i = 0; i < folders.size(); ++i)
    if (folders[i] == FPanelCaption) ticked = int(i);
  if (!EditFavourites || !EditFavourites(folders, ticked)) return;
  LBox = folders;
  if (ticked >= 0 && ticked < int(folders.size())) FPanelCaption = folders[std::size_t(ticked)];
}

// ---- keys, closing, enabling ------------------------------------------------------------

bool TFileForm::FormKeyDown(int Key, bool ListFocused, bool FilterFocused) {
  if (Key == Qt::Key_Delete && ListFocused) {
    DelShellFileExecute();
    return true;
  }
  if (Key == Qt::Key_Return || Key == Qt::Key_Enter) {
    if (ListFocused) {
      UiShellList1DblClick();
      return true;
    }
    if (FilterFocused) {
      FilterBoxChange();
      return true;
    }
  }
  return false;
}

bool TFileForm::eventFilter(QObject* watched, QEvent* e) {
  if (e->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(e)->key();
    bool handled = false;
    GuardHostCall("FormKeyDown", [&] {
      handled = FormKeyDown(key, watched == UiShellList1, watched == FilterBox->lineEdit());
    });
    if (handled) return true;
  }
  return QWidget::eventFilter(watched, e);
}

void TFileForm::closeEvent(QCloseEvent* e) {
  GuardHostCall("FormCloseQuery", [&] { FormCloseQuery(); });
  QWidget::closeEvent(e);
  if (OnClosed) OnClosed();
}

void TFileForm::EnableControls(bool Enabled) {
  for (QWidget* w : controls_) w->setEnabled(Enabled);
}

// ---- the main window's side ----------------------------------------------------------------

TFileBrowser::~TFileBrowser() {
  if (form_) form_->SaveSettings();
}

void TFileBrowser::FilePanel1Click() {
  QAction* action = main_.Action("FilePanel1");
  if (form_) {
    if (action) SetComponentTag(action, 0);
    Close();
    return;
  }
  QWidget* dock = main_.Get<QWidget>("LDockPanel");
  QObject* splitter = main_.Component("LSplitter");
  const bool docked = splitter && ComponentTag(splitter) == 1 && dock;
  if (docked) {
    form_ = std::make_unique<TFileForm>(main_, dock);
    dock->layout()->addWidget(form_.get());
    int width = ComponentTag(dock);
    if (width <= 0) width = 180;
    dock->setVisible(true);
    if (auto* s = qobject_cast<QSplitter*>(splitter)) {
      QList<int> sizes = s->sizes();
      if (sizes.size() >= 2) {
        const int total = sizes[0] + sizes[1];
        sizes[0] = width;
        sizes[1] = std::max(0, total - width);
        s->setSizes(sizes);
      }
    }
  } else {
    form_ = std::make_unique<TFileForm>(main_, &main_);
    form_->setWindowFlags(Qt::Tool | Qt::WindowStaysOnTopHint);
  }
  form_->setAttribute(Qt::WA_DeleteOnClose, false);
  if (action) SetComponentTag(action, 1);
  if (dock) {
    const std::string start = ComponentCaption(dock);
    if (!start.empty() && DirectoryExists(start)) form_->SetFolder(start);
  }
  form_->show();
  form_->resize(form_->width() + 1, form_->height());
  // Its own close button closes the browser as the menu does.
  form_->OnClosed = [this] { Closed(); };
}

void TFileBrowser::Close() {
  if (!form_) return;
  form_->FormCloseQuery();
  if (QWidget* dock = main_.Get<QWidget>("LDockPanel")) dock->setVisible(false);
  std::unique_ptr<TFileForm> form = std::move(form_);
  form->hide();
  form.reset();
}

void TFileBrowser::Closed() {
  if (QAction* action = main_.Action("FilePanel1")) SetComponentTag(action, 0);
  if (QWidget* dock = main_.Get<QWidget>("LDockPanel")) dock->setVisible(false);
  if (form_) form_.release()->deleteLater();
}

void TFileBrowser::EnableControls(bool Enabled) {
  if (form_) form_->EnableControls(Enabled);
}

}  // namespace qv
