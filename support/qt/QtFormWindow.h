// A top-level QWidget as a TFormWindow, so that placement and storage
// components can work on the program's windows.
//
// Mapping onto Qt:
// - the normal rectangle is the window's normal (restored) geometry with
//   its frame; it is applied as the frame position and the client size less
//   the frame margins (margins not yet known for a window the window
//   manager has not decorated are taken from the last decorated window);
// - states map to Qt's window states; the screen size is the primary
//   screen's, the pixels per inch its logical density, the work areas the
//   available geometries of every screen;
// - OnShow fires on every (non-spontaneous) show event, before the window
//   is mapped; OnCloseQuery on a close event (CanClose False ignores it);
//   OnDestroy from NotifyDestroying(), which the window's destructor calls
//   first (or, at the latest, from this object's destructor);
// - the size-limit hook becomes the widget's minimum and maximum size.
// - Position: a form still at poScreenCenter, poDesktopCenter or
//   poMainFormCenter when it is shown is centred on its screen.
//
// The adapter does not own the widget and must not outlive it.
#pragma once

#include <QMargins>
#include <QObject>
#include <QPointer>
#include <QSize>
#include <QWidget>
#include <functional>

#include "support/FormWindow.h"

namespace qv {

class TQtFormWindow : public QObject, public TFormWindow {
  Q_OBJECT
 public:
  TQtFormWindow(QWidget* window, std::string className);
  ~TQtFormWindow() override;

  QWidget* Window() const { return window_; }
  // Marks this form as the application's main form (one at a time).
  void SetMainForm(bool v);
  void SetBorderStyle(TFormBorderStyle v) { borderStyle_ = v; }
  // How the window's components are found by name: the window's own lookup
  // over the described objects it holds (stored properties use it).
  std::function<TObjectRef(const std::string&)> ComponentLookup;
  // Fires OnDestroy once; the window's destructor calls it first.
  void NotifyDestroying();

  std::string ClassName() const override { return className_; }
  std::string Name() const override;
  TObjectRef FindComponent(const std::string& name) const override {
    return ComponentLookup ? ComponentLookup(name) : TObjectRef{};
  }
  TRect BoundsRect() const override;
  bool Visible() const override;
  bool HandleAllocated() const override;
  TWindowPlacement GetWindowPlacement() const override;
  void SetWindowPlacement(const TWindowPlacement& wp) override;
  TWindowState WindowState() const override;
  void SetWindowState(TWindowState s) override;
  TFormBorderStyle BorderStyle() const override { return borderStyle_; }
  TPosition Position() const override { return position_; }
  void SetPosition(TPosition p) override { position_ = p; }
  void SetMaxPosition(TPoint p) override { maxPosition_ = p; }
  void Repaint() override;
  bool IsMainForm() const override;
  bool MainFormExists() const override;
  bool ApplicationMinimized() const override;
  void MinimizeApplication() override;
  std::string ActiveControlName() const override;
  bool FocusControl(const std::string& name) override;
  TSize ScreenSize() const override;
  int ScreenPixelsPerInch() const override;
  std::vector<TRect> ScreenWorkAreas() const override;
  bool HasMaximizeButton() const override;
  void SetMaximizeButton(bool on) override;
  void SizeLimitsChanged() override;

 protected:
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  QMargins FrameMargins() const;
  void ApplySizeLimits();
  void CentreIfAsked();

  QPointer<QWidget> window_;
  std::string className_;
  TFormBorderStyle borderStyle_ = bsSizeable;
  TPosition position_ = poDesigned;
  TPoint maxPosition_{-1, -1};
  bool destroyed_ = false;
  bool applyingLimits_ = false;
  bool limitsTouched_ = false;
  QSize designMin_, designMax_;
};

}  // namespace qv
