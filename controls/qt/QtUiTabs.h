// The Qt hosts of the tab control and the page control.
//
// TUiTabControlWidget hosts a tab-control core: it paints the parent under a
// transparent control, reads the pointer for hot tracking, shows tab hints
// as tooltips, follows the parent's colour and passes Alt+letter mnemonics
// of its window to the core.
//
// TUiPageControlWidget owns a TUiPageControl and one TUiTabSheetWidget per
// page. A sheet widget is a plain container: put the page's widgets on it
// (with a layout, or placed by hand); the page control shows only the active
// page's widget, sized to the card. Ctrl+Tab and Ctrl+Shift+Tab pressed
// inside the page control move to the next or previous page.
#pragma once

#include <QPointer>
#include <QWidget>
#include <memory>

#include "controls/UiTabs.h"
#include "platform/gui/QtHost.h"

namespace qv {

class TUiTabControlWidget : public TControlWidget {
  Q_OBJECT
 public:
  // The core is not owned (the page control widget passes its own).
  explicit TUiTabControlWidget(TUiCustomTabControl* core, QWidget* parent = nullptr);
  ~TUiTabControlWidget() override;
  TUiCustomTabControl* TabControl() const { return tabCore_; }
  QSize sizeHint() const override;
  // Timers go on the control timer clock while one is installed.
  void SetTimer(int id, int intervalMs) override;
  void KillTimer(int id) override;

 protected:
  bool event(QEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;
  // A key pressed anywhere in the window, before its receiver sees it;
  // true consumes it.
  virtual bool WindowKey(QWidget* receiver, QKeyEvent* e);
  void DetachTabCore();

 private:
  void SyncParentColor();
  TUiCustomTabControl* tabCore_;
};

class TUiTabSheetWidget;

class TUiPageControlWidget : public TUiTabControlWidget {
  Q_OBJECT
 public:
  explicit TUiPageControlWidget(QWidget* parent = nullptr);
  ~TUiPageControlWidget() override;
  TUiPageControl& PageControl() { return *pages_; }
  // A new page and its widget (owned by this widget).
  TUiTabSheetWidget* AddPage(const QString& caption);
  TUiTabSheetWidget* PageWidget(int index) const;
  TUiTabSheetWidget* ActivePageWidget() const;
  // Makes the page holding a widget active (before focusing it).
  void ShowControl(QWidget* control);

 protected:
  bool WindowKey(QWidget* receiver, QKeyEvent* e) override;

 private:
  friend class TUiTabSheetWidget;
  TUiPageControlWidget(std::unique_ptr<TUiPageControl> core, QWidget* parent);
  std::unique_ptr<TUiPageControl> pages_;
};

// The widget of one page: a container for the page's controls, painting the
// page's colour behind them.
class TUiTabSheetWidget : public QWidget, public TUiTabSheetHost {
  Q_OBJECT
 public:
  TUiTabSheetWidget(TUiTabSheet* sheet, QWidget* parent);
  ~TUiTabSheetWidget() override;
  TUiTabSheet* Sheet() const { return sheet_; }

  void SheetVisibleChanged(bool visible) override;
  void SheetBoundsChanged(const TRect& bounds) override;
  void SheetChanged() override { update(); }
  void SheetBringToFront() override { raise(); }
  void SheetMoved(TUiPageControl* pageControl) override;
  void SheetDestroyed() override;
  bool SheetContainsFocus() const override;
  bool SheetFocusFirst() override;

 protected:
  void paintEvent(QPaintEvent* e) override;

 private:
  friend class TUiPageControlWidget;
  TUiTabSheet* sheet_;
};

}  // namespace qv
