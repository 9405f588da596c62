// The model file of the main window: new model, open, save, save as (with
// the HTML, RTF and text exports), dropped files and the recent-file list
// with its two menus.
#include <QAction>
#include <QMenu>
#include <QToolButton>

#include "app/AppControls.h"
#include "app/PFMainUnit.h"
#include "editor/CodeEditHighlighter.h"
#include "editor/CodeExportHTML.h"
#include "editor/CodeExportRTF.h"
#include "editor/qt/CodeEditWidget.h"
#include "platform/core/Services.h"
#include "platform/core/SysUtils.h"
#include "support/ModelFile.h"

namespace qv {

namespace {

const char* const kTemplate[] = {"Title \"Type your title here\";", "//Parameters b1, b2;",
                                 "//Variable x, y;", "//Function b1*x + b2*y;"};

constexpr int kRecentLimit = 10;

// A file name as a menu caption ("&" is the menu's mnemonic sign).
QString MenuCaption(const std::string& name) { return QStr(name).replace("&", "&&"); }

void ShowError(const std::string& text) { Dialogs().MessageBox(text, "Error", mtError, mbOK); }

}  // namespace

// ---- reading and writing ------------------------------------------------------

void TFitForm::SaveModelFile(const std::string& Name) {
  qv::SaveModelFile(*cns_, Name, CodeMemo().Lines());
}

bool TFitForm::LoadModelFile(const std::string& Name) {
  TStringList lines;
  // A file without the collection header is the model's text as it stands;
  // a damaged collection raises and is reported by the caller.
  if (!qv::LoadModelFile(*cns_, Name, lines)) {
    LoadIntoEditor(Name);
    return false;
  }
  TCodeEdit& code = CodeMemo();
  code.Lines().Assign(lines);
  code.EmptyUndoLists();
  code.SetCaretXY(TPoint(1, 1));
  code.SetModified(false);
  return true;
}

void TFitForm::LoadIntoEditor(const std::string& Name) {
  TCodeEdit& code = CodeMemo();
  code.Lines().LoadFromFile(Name);
  code.EmptyUndoLists();
  code.SetCaretXY(TPoint(1, 1));
  code.SetModified(false);
}

void TFitForm::SetCaptionFor(const std::string& Name) {
  setWindowTitle(QStr("Quorvane - [" + (Name.empty() ? std::string("Untitled") : Name) + "]"));
}

void TFitForm::ModelFileRenamed(const std::string& Name) {
  fileName_ = Name;
  SetCaptionFor(Name);
}

bool TFitForm::SaveTo(const std::string& Name) {
  try {
    if (ExtractFileExt(Name) == ".mff")
      SaveModelFile(Name);
    else
      CodeMemo().Lines().SaveToFile(Name);
  } catch (const std::exception& e) {
    ShowError(e.what());
    return false;
  }
  return true;
}

// ---- commands -----------------------------------------------------------------

void TFitForm::NewActionExecute() {
  if (SearchRunning() || inRun_ || !CodeModifiyCheck()) return;
  TCodeEdit& code = CodeMemo();
  TStringList lines;
  for (const char* l : kTemplate) lines.Add(l);
  code.Lines().Assign(lines);
  code.EmptyUndoLists();
  code.SetCaretXY(TPoint(1, 1));
  code.SetModified(false);
  Get<QToolButton>("charttestbt")->setEnabled(false);
  Action("D23Analysis")->setEnabled(false);
  fileName_.clear();
  askBeforeProgram_ = false;
  SetCaptionFor("");
  SetActivePageIndex(0);
  ShowFileInfo("", false);
  CodeMemoStatusChange();
}

bool TFitForm::OpenModel(const std::string& Name) {
  if (!FileExists(Name)) {
    ShowError("File \"" + Name + "\" not exist!");
    return false;
  }
  try {
    if (LowerCase(ExtractFileExt(Name)) == ".mff")
      LoadModelFile(Name);
    else
      LoadIntoEditor(Name);
  } catch (const std::exception& e) {
    ShowError("The model file \"" + Name + "\" cannot be opened:\n" + e.what());
    return false;
  }
  openDialog_->InitialDir = ExtractFileDir(Name);
  fileName_ = Name;
  askBeforeProgram_ = true;
  SetCaptionFor(Name);
  ShowFileInfo(Name, true);
  AddRecentFile(Name);
  SetActivePageIndex(0);
  Get<QToolButton>("charttestbt")->setEnabled(false);
  Action("D23Analysis")->setEnabled(false);
  engine_->Model.RebuildNeeded = true;
  Get<QToolButton>("ResumeBT1")->setEnabled(false);
  Action("ResumeBT")->setEnabled(false);
  CodeMemoStatusChange();
  return true;
}

void TFitForm::OpenActionExecute() {
  if (SearchRunning() || inRun_) return;
  TFileDialogOptions o = *openDialog_;
  o.Title = "Open";
  o.Filter = "Quorvane Files (*.mff)|*.mff|All Files (*.*)|*.*";
  o.FileName.clear();
  const TFileDialogResult r = Dialogs().OpenDialog(o);
  if (!r.Ok || !CodeModifiyCheck()) return;
  OpenModel(r.FileName());
}

bool TFitForm::SaveActionExecute() {
  if (!fileName_.empty()) {
    if (!SaveTo(fileName_)) return false;
    ShowFileInfo(fileName_, true);
    CodeMemo().SetModified(false);
    return true;
  }
  TFileDialogOptions& o = *saveDialog_;
  o.Title = "Save Program File";
  o.Filter = "Quorvane Files (*.mff)|*.mff";
  if (o.DefaultExt != "mff") o.FileName.clear();
  o.DefaultExt = "mff";
  o.FilterIndex = 1;
  const TFileDialogResult r = Dialogs().SaveDialog(o);
  if (!r.Ok) return false;
  const std::string name = r.FileName();
  o.InitialDir = ExtractFileDir(name);
  try {
    SaveModelFile(name);
  } catch (const std::exception& e) {
    ShowError(e.what());
    return false;
  }
  fileName_ = name;
  SetCaptionFor(name);
  CodeMemo().SetModified(false);
  ShowFileInfo(name, true);
  AddRecentFile(name);
  return true;
}

bool TFitForm::SaveAsActionExecute() {
  TFileDialogOptions& o = *saveDialog_;
  o.Title = "Save Program File As...";
  o.Filter =
      "Quorvane Files (*.mff)|*.mff|HTML Files (*.html;*.htm)|*.html;*.htm|Rich Text Files "
      "(*.rtf)|*.rtf|Text Files (*.txt)|*.txt";
  if (o.DefaultExt != "mff") o.FileName.clear();
  const TFileDialogResult r = Dialogs().SaveDialog(o);
  // The default extension follows the filter chosen last.
  o.FilterIndex = r.FilterIndex;
  o.DefaultExt = r.FilterIndex == 1   ? "mff"
                 : r.FilterIndex == 2 ? "html"
                 : r.FilterIndex == 3 ? "rtf"
                                      : "txt";
  if (!r.Ok) return false;
  const std::string name = r.FileName();
  o.InitialDir = ExtractFileDir(name);
  const std::string ext = LowerCase(ExtractFileExt(name));
  try {
    if (ext == ".mff") {
      SaveModelFile(name);
      // Only the model file becomes the document; the others are exports.
      fileName_ = name;
      SetCaptionFor(name);
      CodeMemo().SetModified(false);
      ShowFileInfo(name, true);
      AddRecentFile(name);
    } else if (ext == ".html" || ext == ".htm" || ext == ".rtf") {
      std::unique_ptr<TCodeCustomExporter> exporter;
      if (ext == ".rtf")
        exporter = std::make_unique<TCodeExporterRTF>();
      else
        exporter = std::make_unique<TCodeExporterHTML>();
      exporter->SetHighlighter(highlighter_.get());
      exporter->SetExportAsText(true);
      exporter->SetTitle(fileName_.empty() ? std::string() : ExtractFileName(fileName_));
      exporter->ExportAll(&CodeMemo().Lines());
      exporter->SaveToFile(name);
    } else {
      o.DefaultExt = "txt";
      CodeMemo().Lines().SaveToFile(name);
    }
  } catch (const std::exception& e) {
    ShowError(e.what());
    return false;
  }
  return true;
}

// ---- recent files -----------------------------------------------------------------

void TFitForm::AddRecentFile(const std::string& Name) {
  for (int i = reopenFiles_.Count() - 1; i >= 0; --i)
    if (reopenFiles_[i] == Name) reopenFiles_.Delete(i);
  reopenFiles_.Insert(0, Name);
  while (reopenFiles_.Count() > kRecentLimit) reopenFiles_.Delete(kRecentLimit);
}

void TFitForm::RefillRecentMenus() {
  FilePopupMenuPopup();
  File1Click();
}

void TFitForm::FilePopupMenuPopup() {
  filePopupMenu_->clear();
  const std::string current = LowerCase(fileName_);
  for (int i = 0; i < reopenFiles_.Count(); ++i) {
    const std::string name = reopenFiles_[i];
    QAction* a = filePopupMenu_->addAction(MenuCaption(name));
    a->setCheckable(true);
    a->setChecked(!current.empty() && LowerCase(name) == current);
    SetComponentTag(a, i);
    connect(a, &QAction::triggered, this,
            [this, name] { GuardHostCall("OpenRecentFile", [&] { OpenRecentFile(name); }); });
  }
  if (reopenFiles_.Count() > 0) {
    filePopupMenu_->addSeparator();
    QAction* clear = filePopupMenu_->addAction("Clear");
    connect(clear, &QAction::triggered, this, [this] { ClearRecentFiles(); });
  }
}

void TFitForm::File1Click() {
  // A search keeps its model: no other model comes in while it runs.
  const bool running = SearchRunning() || inRun_;
  for (const char* n : {"NewAction", "OpenAction"}) Action(n)->setEnabled(!running);
  for (QAction* a : file1_->actions())
    if (ComponentTag(a) > 10) {
      file1_->removeAction(a);
      a->deleteLater();
    }
  int tag = 11;
  auto add = [&](QAction* a) {
    SetComponentTag(a, tag++);
    file1_->addAction(a);
  };
  auto* sep = new QAction(file1_);
  sep->setSeparator(true);
  add(sep);
  const std::string current = LowerCase(fileName_);
  for (int i = 0; i < reopenFiles_.Count(); ++i) {
    const std::string name = reopenFiles_[i];
    auto* a = new QAction(MenuCaption(name), file1_);
    a->setCheckable(true);
    a->setChecked(!current.empty() && LowerCase(name) == current);
    connect(a, &QAction::triggered, this,
            [this, name] { GuardHostCall("OpenRecentFile", [&] { OpenRecentFile(name); }); });
    add(a);
  }
  if (reopenFiles_.Count() > 0) {
    auto* sep2 = new QAction(file1_);
    sep2->setSeparator(true);
    add(sep2);
    auto* clear = new QAction("Clear", file1_);
    clear->setEnabled(!running);
    connect(clear, &QAction::triggered, this, [this] { ClearRecentFiles(); });
    add(clear);
  }
}

void TFitForm::OpenRecentFile(const std::string& Name) {
  if (SearchRunning() || inRun_ || !CodeModifiyCheck()) return;
  if (!FileExists(Name)) {
    ShowError("File \"" + Name + "\" not exist!");
    const int i = reopenFiles_.IndexOf(Name);
    if (i >= 0) reopenFiles_.Delete(i);
    return;
  }
  OpenModel(Name);
}

void TFitForm::ClearRecentFiles() { reopenFiles_.Clear(); }

// ---- editor events ------------------------------------------------------------------

void TFitForm::CodeMemoChange() {
  engine_->Model.RebuildNeeded = true;
  Get<QToolButton>("ResumeBT1")->setEnabled(false);
  Action("ResumeBT")->setEnabled(false);
}

void TFitForm::CodeMemoDropFiles(const std::vector<std::string>& Files) {
  if (Files.empty() || SearchRunning() || inRun_) return;
  // A dropped file is opened like Open does.
  if (!CodeModifiyCheck()) return;
  OpenModel(Files.front());
}

}  // namespace qv
