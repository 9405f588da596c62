// A top-level window as the window components of this library see it: the
// form that owns a placement or storage component. The Qt layer implements
// it over a QWidget (support/qt/QtFormWindow.h); tests implement it with a
// plain object.
//
// The form's OnShow, OnCloseQuery and OnDestroy are the hooks a component
// may take over: it keeps the handler it found and calls it on (see
// TFormPlacement). OnGetMinMaxInfo is the size-limit hook: while assigned,
// the window asks it for its size limits whenever SizeLimitsChanged() is
// called and whenever its size or visibility changes.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/core/Forms.h"
#include "platform/core/PublishedProps.h"

namespace qv {

class TFormWindow {
 public:
  // Every form is listed in Forms() while it exists.
  TFormWindow();
  TFormWindow(const TFormWindow&) = delete;
  TFormWindow& operator=(const TFormWindow&) = delete;
  virtual ~TFormWindow();

  // The forms alive, in creation order, and one by name (without regard to
  // case; nullptr when none).
  static const std::vector<TFormWindow*>& Forms();
  static TFormWindow* FindForm(std::string_view name);

  // The form's class name ("TFitForm") and component name.
  virtual std::string ClassName() const = 0;
  virtual std::string Name() const { return {}; }

  // The component of that name on the form (a described object whose class
  // is a component class); an empty reference when there is none.
  virtual TObjectRef FindComponent(const std::string& name) const {
    (void)name;
    return {};
  }

  // ---- geometry and state ----
  // The frame rectangle in screen pixels (Left, Top, Width, Height).
  virtual TRect BoundsRect() const = 0;
  virtual bool Visible() const = 0;
  // Whether the window system window exists.
  virtual bool HandleAllocated() const { return true; }
  // The form is being read from its stream (placement waits for the end).
  virtual bool Loading() const { return false; }
  virtual TWindowPlacement GetWindowPlacement() const = 0;
  // Applies the normal rectangle (and the minimised and maximised
  // positions); a show command other than SW_HIDE also applies the state.
  virtual void SetWindowPlacement(const TWindowPlacement& wp) = 0;
  virtual TWindowState WindowState() const = 0;
  virtual void SetWindowState(TWindowState s) = 0;
  virtual TFormBorderStyle BorderStyle() const { return bsSizeable; }
  virtual TPosition Position() const { return poDesigned; }
  virtual void SetPosition(TPosition p) { (void)p; }
  virtual TFormStyle FormStyle() const { return fsNormal; }
  // The position the window takes when maximised (kept in its placement).
  virtual void SetMaxPosition(TPoint p) { (void)p; }
  virtual void Repaint() {}

  // ---- the application ----
  virtual bool IsMainForm() const { return false; }
  virtual bool MainFormExists() const { return true; }
  virtual bool ApplicationMinimized() const { return false; }
  // Minimises the whole application after the current event.
  virtual void MinimizeApplication() {}

  // ---- focus ----
  // The name of the focused control of the form; empty when none.
  virtual std::string ActiveControlName() const { return {}; }
  // Focuses the control of that name when it is a windowed control that can
  // take the focus; false otherwise.
  virtual bool FocusControl(const std::string& name) {
    (void)name;
    return false;
  }

  // ---- screen ----
  // The size of the primary screen in pixels.
  virtual TSize ScreenSize() const = 0;
  virtual int ScreenPixelsPerInch() const { return ::qv::ScreenPixelsPerInch; }
  // The work areas of every screen, the primary one first.
  virtual std::vector<TRect> ScreenWorkAreas() const = 0;

  // ---- borders and size limits ----
  virtual bool HasMaximizeButton() const { return true; }
  virtual void SetMaximizeButton(bool on) { (void)on; }
  virtual void SizeLimitsChanged() {}

  std::function<void()> OnShow;
  // CanClose enters True; a handler may set it False to keep the form open.
  std::function<void(bool& CanClose)> OnCloseQuery;
  std::function<void()> OnDestroy;
  // The size-limit hook: Info enters with the window system's defaults.
  std::function<void(TMinMaxInfo& Info)> OnGetMinMaxInfo;
};

}  // namespace qv
