// The Qt hosts of the framed list view, tree view and combo boxes.
//
// The list and tree widgets keep a border of TUiFramedControl::FrameWidth
// pixels around their viewport and let the core paint it (the custom frame
// or the standard sunken border); label editing uses a line edit over the
// viewport. Each widget owns its core; descendants of the framed cores (the
// shell list, tree and combo) are passed in.
#pragma once

#include <memory>

#include "controls/UiCmboBx.h"
#include "controls/UiListVw.h"
#include "controls/UiTreeVw.h"
#include "platform/gui/QtComboBox.h"
#include "platform/gui/QtHost.h"
#include "platform/gui/QtLabelEdit.h"

namespace qv {

// A control widget whose outer border is painted through paintFrame.
class TUiFramedWidget : public TControlWidget {
  Q_OBJECT
 public:
  TUiFramedWidget(TControlCore* core, std::function<void(TCanvas&, int, int)> paintFrame,
                  QWidget* parent);
  ~TUiFramedWidget() override;
  // Timers go on the control timer clock while one is installed.
  void SetTimer(int id, int intervalMs) override;
  void KillTimer(int id) override;

 protected:
  bool event(QEvent* e) override;

 private:
  std::function<void(TCanvas&, int, int)> paintFrame_;
};

class TUiListViewWidget : public TUiFramedWidget {
  Q_OBJECT
 public:
  explicit TUiListViewWidget(QWidget* parent = nullptr);
  explicit TUiListViewWidget(std::unique_ptr<TUiCustomListView> core, QWidget* parent = nullptr);
  ~TUiListViewWidget() override;
  TUiCustomListView& ListView() { return *core_; }
  TLabelEditOverlay& LabelEditor() { return *editor_; }

 private:
  std::unique_ptr<TUiCustomListView> core_;
  TLabelEditOverlay* editor_;
};

class TUiTreeViewWidget : public TUiFramedWidget {
  Q_OBJECT
 public:
  explicit TUiTreeViewWidget(QWidget* parent = nullptr);
  explicit TUiTreeViewWidget(std::unique_ptr<TUiCustomTreeView> core, QWidget* parent = nullptr);
  ~TUiTreeViewWidget() override;
  TUiCustomTreeView& TreeView() { return *core_; }
  TLabelEditOverlay& LabelEditor() { return *editor_; }

 private:
  std::unique_ptr<TUiCustomTreeView> core_;
  TLabelEditOverlay* editor_;
};

class TUiComboBoxWidget : public TComboBoxWidget {
  Q_OBJECT
 public:
  // A framed combo box, or the given one (an image combo, a shell combo).
  explicit TUiComboBoxWidget(QWidget* parent = nullptr);
  explicit TUiComboBoxWidget(std::unique_ptr<TUiCustomComboBox> core, QWidget* parent = nullptr);
  ~TUiComboBoxWidget() override;
  TUiCustomComboBox& ComboBox() { return *core_; }

 private:
  TUiComboBoxWidget(TUiCustomComboBox* core, QWidget* parent);
  std::unique_ptr<TUiCustomComboBox> core_;
};

}  // namespace qv
