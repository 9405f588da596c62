// The grid control on Qt: a panel widget holding the four views of a sheet
// and the in-cell editor host. The logic is the core's (TXLGrid,
// grid/XLGrid.h): application windows set Grid().SetSheet(...), options,
// scale and the event hooks (Grid().OnSelChanged = ...) on it, and embed
// the widget like any other.
//
//   auto* grid = new TQtXLGrid(parent);
//   grid->Grid().SetSheet(&sheet);
//   grid->Grid().OnSelChanged = [](TXLGrid& g) { ... };
//   grid->Grid().PopupMenu = std::make_shared<TQtPopupMenu>(menu);
//
// Each view is a TControlWidget hosting a TXLView; the client view takes
// the focus with Tab, the others on a click. The editor host lies on the
// view being edited, so it scrolls and clips with it; the keys of the
// editor control pass through the core (Enter, Esc, F2, navigation) before
// the control sees them. The auto-scroll timer is a window timer of the
// panel, or a timer on the control timer clock while a test has installed
// one (ManualClock.h); TimerActive() tells whether it runs.
#pragma once

#include <QBasicTimer>
#include <QPointer>
#include <functional>
#include <map>

#include "grid/XLEditors.h"
#include "grid/XLGrid.h"
#include "grid/qt/QtXLEditors.h"
#include "platform/gui/QtHost.h"

namespace qv {

class TQtXLGrid;

// One view of the grid.
class TQtXLView : public TControlWidget {
  Q_OBJECT
 public:
  TQtXLView(TQtXLGrid& owner, TXLView& core, QWidget* parent);
  TXLView& Core() const { return core_; }
  // Moves the painted pixels (and the open editor) and repaints only the
  // strip uncovered.
  void ScrollWindow(int dx, int dy, const TRect& r) override;

 protected:
  void inputMethodEvent(QInputMethodEvent* e) override;
  bool viewportEvent(QEvent* e) override;

 private:
  TQtXLGrid& owner_;
  TXLView& core_;
};

class TQtXLGrid : public QWidget, public TXLGridHost {
  Q_OBJECT
 public:
  explicit TQtXLGrid(QWidget* parent = nullptr);
  ~TQtXLGrid() override;

  TXLGrid& Grid() { return grid_; }
  const TXLGrid& Grid() const { return grid_; }
  TQtXLView* View(int kind) const { return views_[kind]; }
  // The editor host window and the current editor's control (null when
  // none was made yet).
  TQtXLEditHost* EditHost() const { return editHost_; }
  TQtXLEditorControl* EditorControl() const { return control_; }
  QWidget* EditorKeyWidget() const;

  // The focus entered or left the grid (its views or its editor).
  std::function<void(TQtXLGrid&)> OnEnter;
  std::function<void(TQtXLGrid&)> OnExit;

  bool TimerActive(int id) const;

  // ---- TXLGridHost ----
  void PlaceView(int kind, const TRect& bounds, bool visible) override;
  void SetTimer(int id, int intervalMs) override;
  void KillTimer(int id) override;
  void HintChanged(int kind, const std::string& text) override;
  void ActiveViewChanged(int kind) override;
  TXLEditorWidget* CreateEditorWidget(TXLInplaceEditor& editor) override;
  void DestroyEditorWidget(TXLEditorWidget* widget) override;
  void PlaceEditHost(int kind, const TRect& host, const TRect& editor, TColor color) override;
  void ShowEditHost(bool show) override;
  void FocusEditor() override;
  bool EditorFocused() const override;

  QSize sizeHint() const override { return QSize(320, 200); }

 protected:
  void resizeEvent(QResizeEvent* e) override;
  void timerEvent(QTimerEvent* e) override;
  bool eventFilter(QObject* obj, QEvent* e) override;

 private:
  friend class TQtXLView;
  // A key of the editor control: through the core first.
  bool EditorKey(QObject* obj, QKeyEvent* e);
  void FocusChanged(QWidget* old, QWidget* now);
  bool Owns(const QWidget* w) const;

  TXLGrid grid_;
  TQtXLView* views_[4] = {};
  TQtXLEditHost* editHost_ = nullptr;
  TQtXLEditorControl* control_ = nullptr;
  QPointer<QWidget> controlWidget_;
  std::map<int, std::unique_ptr<QBasicTimer>> timers_;
  bool passing_ = false;  // a key event on its way to the editor control
  bool focused_ = false;
  bool closing_ = false;
};

}  // namespace qv
