// The file browser, TFileForm ("File Browse"): a folder combo over a shell
// list of one folder, a file filter, view styles, rename, delete (to the
// trash) and a menu of favourite folders; a double click on a model file
// opens it in the main window. It is opened and closed from the main
// window's "File Browse" command through TFileBrowser, which also keeps it
// docked into the main window's left dock panel when the dock flag is set,
// and floating (always on top) otherwise.
//
// What it keeps between runs (the filter text and list, the favourites,
// the favourites button's folder, its placement) lives in the settings
// file, section "TFileForm".
//
// Paths are the items' own paths, so the root folder and names with any
// character work; a rename never replaces an existing file; a delete moves
// the item to the trash and leaves the open model's modified state alone.
#pragma once

#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QComboBox;
class QMenu;
class QToolButton;

namespace qv {

class TFitForm;
class TUiShellComboWidget;
class TUiShellListWidget;
class TUiCustomShellList;

class TFileForm : public QWidget {
  Q_OBJECT
 public:
  explicit TFileForm(TFitForm& Main, QWidget* parent = nullptr);
  ~TFileForm() override;
  TFileForm(const TFileForm&) = delete;
  TFileForm& operator=(const TFileForm&) = delete;

  TUiShellListWidget* UiShellList1 = nullptr;
  TUiShellComboWidget* UiShellCombo1 = nullptr;
  QComboBox* FilterBox = nullptr;
  QMenu* ShellMenu = nullptr;
  QMenu* FolderMenu = nullptr;
  // The favourite folders (the hidden list box) and the folder the
  // favourites button opens.
  std::vector<std::string> LBox;
  std::string FPanelCaption;

  TUiCustomShellList& ShellList();
  std::string Folder();
  void SetFolder(const std::string& Path);
  // The selected item's own path ("" without a selection).
  std::string SelectedPath();

  // ---- handlers ----
  void FormCreate();
  // Keeps the typed filter in the list and saves the settings.
  void FormCloseQuery();
  void FormStorage1RestorePlacement();
  void UiShellList1DblClick();
  void UiShellList1FolderChanged();
  void FilterBoxChange();
  void Open1Click();
  void OneLeveUpActionExecute();
  void RenameActionExecute();
  void DelShellFileExecute();
  void ShellMenuPopup();
  // Tag 0 icon, 1 list, 2 report, 3 small icon (the menu's order).
  void IconView1Click(int Tag);
  void SetViewStyle(int Style);  // 0 icon, 1 small icon, 2 list, 3 report
  void ToolButton3Click();
  void FolderMenuPopup();
  void OpenFavouriteFolder(const std::string& Folder);
  void Edit1Click();
  void EnableControls(bool Enabled);
  // Delete in the list deletes, Enter in the list opens, Enter in the
  // filter box applies the filter; true when the key was used.
  bool FormKeyDown(int Key, bool ListFocused, bool FilterFocused);
  // After its own close button closed it.
  std::function<void()> OnClosed;

  // Edits the favourites (the list in order, the ticked one); true on OK.
  // The default shows the input form's folder page through the main
  // window's hooks; tests answer it.
  std::function<bool(std::vector<std::string>& Folders, int& Ticked)> EditFavourites;

  // Settings file section and the settings file (tests point it elsewhere).
  static constexpr const char* Section = "TFileForm";
  static std::string SettingsFile();
  void SaveSettings();
  void LoadSettings();

 protected:
  bool eventFilter(QObject* watched, QEvent* e) override;
  void closeEvent(QCloseEvent* e) override;

 private:
  TFitForm& main_;
  std::vector<QWidget*> controls_;
};

// The main window's side of the browser: FilePanel1Click opens or closes
// it; the main window's hooks call these.
class TFileBrowser {
 public:
  explicit TFileBrowser(TFitForm& Main) : main_(Main) {}
  ~TFileBrowser();
  TFileBrowser(const TFileBrowser&) = delete;
  TFileBrowser& operator=(const TFileBrowser&) = delete;

  void FilePanel1Click();
  bool IsOpen() const { return form_ != nullptr; }
  void EnableControls(bool Enabled);
  TFileForm* Form() const { return form_.get(); }
  // Closing from the browser itself (its close button).
  void Closed();

 private:
  void Close();
  TFitForm& main_;
  std::unique_ptr<TFileForm> form_;
};

}  // namespace qv
