// The Qt hosts of the shell list, tree and combo, and the desktop services
// they use: the UI queue for the watcher thread, the type names of the
// shared MIME database, the icon theme's icons in the system image lists,
// and a watch on the mount table that feeds the device-change handler.
//
// Drag and drop carries "text/uri-list" (so other programs' drops work)
// plus the "Shell IDList Array" block; a drop hands the local paths of its
// URIs to the core. The context menu is a QMenu built from the core's
// entries.
#pragma once

#include <QMimeData>
#include <memory>

#include "controls/UiShellCombo.h"
#include "controls/UiShellList.h"
#include "controls/UiShellTree.h"
#include "controls/qt/QtUiLists.h"

class QMenu;

namespace qv {

// Installs the desktop services once (later calls do nothing); every shell
// widget calls it.
void InstallShellQt();

// The local paths a drop carries (its file URLs).
std::vector<std::string> DroppedPaths(const QMimeData& mime);
// The drag data of a shell data object.
QMimeData* ShellMimeData(const TShellDataObject& data);
// The menu of the core's entries (Id 0: separator; the default entry bold).
void FillShellMenu(QMenu& menu, const std::vector<TUiShellMenuItem>& items);

class TUiShellListWidget : public TUiListViewWidget {
  Q_OBJECT
 public:
  explicit TUiShellListWidget(QWidget* parent = nullptr);
  ~TUiShellListWidget() override;
  TUiShellList& ShellList() { return *list_; }

 protected:
  void dragEnterEvent(QDragEnterEvent* e) override;
  void dragMoveEvent(QDragMoveEvent* e) override;
  void dragLeaveEvent(QDragLeaveEvent* e) override;
  void dropEvent(QDropEvent* e) override;

 private:
  TUiShellList* list_;
};

class TUiShellTreeWidget : public TUiTreeViewWidget {
  Q_OBJECT
 public:
  explicit TUiShellTreeWidget(QWidget* parent = nullptr);
  ~TUiShellTreeWidget() override;
  TUiShellTree& ShellTree() { return *tree_; }

 protected:
  void dragEnterEvent(QDragEnterEvent* e) override;
  void dragMoveEvent(QDragMoveEvent* e) override;
  void dragLeaveEvent(QDragLeaveEvent* e) override;
  void dropEvent(QDropEvent* e) override;

 private:
  TUiShellTree* tree_;
};

class TUiShellComboWidget : public TUiComboBoxWidget {
  Q_OBJECT
 public:
  explicit TUiShellComboWidget(QWidget* parent = nullptr);
  ~TUiShellComboWidget() override;
  TUiShellCombo& ShellCombo() { return *combo_; }

 private:
  TUiShellCombo* combo_;
};

}  // namespace qv
