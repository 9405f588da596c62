// The file commands of the data sheet window: open, save, new, drop,
// append and the close question, with their dialogs.
#include <algorithm>

#include "app/spread/SpreadDocument.h"
#include "platform/core/Services.h"
#include "platform/core/SysUtils.h"

namespace qv {

namespace {

void ShowError(const std::string& text) { Dialogs().MessageBox(text, "Error", mtError, mbOK); }

std::string ExtOf(const std::string& fileName) { return LowerCase(ExtractFileExt(fileName)); }

// Shows the hourglass for a scope.
class TBusy {
 public:
  explicit TBusy(TSpreadView& view) : view_(view) { view_.SetBusy(true); }
  ~TBusy() { view_.SetBusy(false); }
  TBusy(const TBusy&) = delete;
  TBusy& operator=(const TBusy&) = delete;

 private:
  TSpreadView& view_;
};

}  // namespace

bool TSpreadDocument::CheckModified() {
  if (!modified_) return true;
  switch (Dialogs().MessageBox(kModifiedQuestion, "Warning", mtWarning, mbYesNoCancel)) {
    case mrCancel:
      return false;
    case mrYes:
      return SaveCommand();
    default:
      return true;
  }
}

void TSpreadDocument::OpenText(const std::string& fileName) {
  TSheetTree tree;
  TSheetMap sheets;
  TSheetNode* root = tree.Add(nullptr, "Base Folder", -1);
  tree.Add(root, "Sheet1", 1);
  auto sheet = std::make_unique<TXLSheet>();
  InitNewWorksheet(*sheet, 1);
  TXLSheet& target = *sheet;
  sheets[1] = std::move(sheet);
  const TRect block = ReadText(0, 0, target, fileName);
  target.SetModified(false);
  TakeOver(tree, sheets);
  SelectNode(tree_.Item(1));
  view_->SetCurrentCell(block.TopLeft());
  view_->Select(block);
}

bool TSpreadDocument::OpenFile(const std::string& fileName, const char* prefix) {
  const std::string oldCaption = caption_;
  const bool oldModified = modified_;
  bool ok = false;
  {
    TBusy busy(*view_);
    SetFileCaption(fileName, prefix);
    try {
      const std::string ext = ExtOf(fileName);
      if (ext == ".ssf" || ext == ".ogy") {
        LoadSsf(fileName, ext == ".ogy");
        ok = true;
      } else if (ext == ".xls") {
        ok = LoadXls(fileName);
      } else {
        OpenText(fileName);
        ok = true;
      }
    } catch (const std::exception& e) {
      view_->SetBusy(false);
      ShowError(e.what());
    }
  }
  if (!ok) {
    // The document that stays is not the file: the caption must not lead a
    // later Save over the file that failed to load.
    SetCaption(oldCaption);
    modified_ = oldModified;
    return false;
  }
  modified_ = false;
  return true;
}

void TSpreadDocument::AddRecentFile(const std::string& fileName) {
  RecentFiles.erase(std::remove(RecentFiles.begin(), RecentFiles.end(), fileName),
                    RecentFiles.end());
  RecentFiles.insert(RecentFiles.begin(), fileName);
  if (RecentFiles.size() > 10) RecentFiles.resize(10);
}

bool TSpreadDocument::OpenCommand() {
  if (!CheckModified()) return false;
  TFileDialogOptions o;
  o.Filter = kSpreadOpenFilter;
  const TFileDialogResult res = Dialogs().OpenDialog(o);
  if (!res.Ok || res.FileName().empty()) return false;
  const std::string name = res.FileName();
  view_->EndEditing();
  if (!modified_ && name == FileName()) return false;
  if (!OpenFile(name)) return false;
  AddRecentFile(name);
  return true;
}

bool TSpreadDocument::ReopenCommand(const std::string& fileName) {
  if (!CheckModified()) return false;
  view_->EndEditing();
  if (!OpenFile(fileName)) return false;
  AddRecentFile(fileName);
  return true;
}

bool TSpreadDocument::SaveCommand() {
  const std::string name = FileName();
  const std::string ext = ExtOf(name);
  if (name.empty() || SameText(name, "untitled") || ext == ".ogy") return SaveAsCommand();
  TBusy busy(*view_);
  try {
    if (ext == ".ssf") {
      SaveSsf(name);
    } else if (ext == ".xls") {
      SaveXls(name);
      modified_ = false;
    } else {
      SaveText(name);
    }
  } catch (const std::exception& e) {
    view_->SetBusy(false);
    ShowError(e.what());
    return false;
  }
  return true;
}

bool TSpreadDocument::SaveAsCommand() {
  TFileDialogOptions o;
  o.Filter = kSpreadSaveFilter;
  o.DefaultExt = "csv";
  o.OverwritePrompt = true;
  o.FileMustExist = false;
  const TFileDialogResult res = Dialogs().SaveDialog(o);
  if (!res.Ok || res.FileName().empty()) return false;
  const std::string name = res.FileName();
  const std::string ext = ExtOf(name);
  {
    TBusy busy(*view_);
    try {
      if (ext == ".ssf")
        SaveSsf(name);
      else if (ext == ".xls")
        SaveXls(name);
      else
        SaveText(name);
    } catch (const std::exception& e) {
      view_->SetBusy(false);
      ShowError(e.what());
      return false;
    }
  }
  SetFileCaption(name);
  modified_ = false;
  return true;
}

bool TSpreadDocument::NewCommand() {
  if (!CheckModified()) return false;
  NewUntitled();
  return true;
}

void TSpreadDocument::NewUntitled() {
  ClearSheets();
  NewDocument(3);
  SetFileCaption("Untitled");
  modified_ = false;
}

void TSpreadDocument::DropFiles(const std::vector<std::string>& files) {
  for (const std::string& f : files) {
    if (!CheckModified()) return;
    OpenFile(f);
  }
}

bool TSpreadDocument::CloseQuery() {
  if (!modified_) return true;
  if (Dialogs().MessageBox(kModifiedQuestion, "Warning", mtWarning, mbYesNo) != mrYes) return true;
  return SaveCommand();
}

bool TSpreadDocument::AppendFile(const std::string& fileName) {
  const std::string ext = ExtOf(fileName);
  if (ext == ".xls") return AppendXls(fileName);
  TBusy busy(*view_);
  try {
    if (ext == ".ssf" || ext == ".ogy") {
      AppendSsf(fileName, ext == ".ogy");
      return true;
    }
    TSheetTree part;
    TSheetNode* folder = part.Add(nullptr, ExtractFileName(fileName), -1);
    const TNextSheet next = NextSheetNumber();
    part.Add(folder, next.Text, next.Number);
    auto sheet = std::make_unique<TXLSheet>();
    InitNewWorksheet(*sheet, next.Number);
    ReadText(0, 0, *sheet, fileName);
    sheet->SetModified(false);
    tree_.MoveRootsFrom(part, nullptr);
    sheets_[next.Number] = std::move(sheet);
    modified_ = true;
    view_->TreeChanged();
    return true;
  } catch (const std::exception& e) {
    view_->SetBusy(false);
    ShowError(e.what());
    return false;
  }
}

}  // namespace qv
