// Window hooks over Qt: a TKitWindowHook sees every event of a widget
// before and after the widget handles it, as TMessage records (KitHook.h).
//
// One TControlHook per hooked widget is an event filter on it and holds the
// hooks attached, in attachment order. For each event:
// 1. the before-handlers run, from the hook attached last to the first,
//    until one sets Handled; a handled event goes no further;
// 2. otherwise the widget handles the event (when any after-handler is
//    assigned, the control hook delivers it itself and stores the result,
//    1 when the widget handled it), then the after-handlers run, last
//    attached first, until one sets Handled.
// Handlers are not called while the widget is being destroyed. The filter
// belongs to the widget object, so it survives the re-creation of the
// widget's native window. The process-wide THookList finds the control hook
// of a widget; a control hook without attached hooks is freed after the
// current event.
//
// UI thread only. Exceptions thrown by a handler are caught at the filter
// and reported through ReportHostException.
#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <map>
#include <vector>

#include "support/KitCursors.h"
#include "support/KitHook.h"

class QEvent;

namespace qv {

class TKitWindowHook;

using THookMessageEvent = std::function<void(TKitWindowHook& Sender, TMessage& Msg, bool& Handled)>;

// The message of a Qt event (WM_NULL for events without a number of their
// own); Native points to the event.
TMessage QtEventToMessage(QWidget* widget, QEvent* e);
// The Qt event a message was made from.
inline QEvent* QtEventOf(const TMessage& m) { return static_cast<QEvent*>(m.Native); }

class TControlHook : public QObject {
  Q_OBJECT
 public:
  explicit TControlHook(QWidget* control);
  ~TControlHook() override;

  QWidget* Control() const { return control_; }
  const std::vector<TKitWindowHook*>& Hooks() const { return hooks_; }
  void Attach(TKitWindowHook* hook);
  void Detach(TKitWindowHook* hook);

 protected:
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  void ControlDestroyed();
  QPointer<QWidget> control_;
  std::vector<TKitWindowHook*> hooks_;
  bool destroying_ = false;
};

// The process-wide list of control hooks.
class THookList {
 public:
  static THookList& Instance();
  TControlHook* Find(QWidget* control) const;
  // Finds or creates the control hook of a widget.
  TControlHook* Get(QWidget* control);
  // Frees a control hook with no hooks left, after the current event.
  void Release(TControlHook* hook);
  void Forget(TControlHook* hook);
  std::size_t Count() const { return hooks_.size(); }

 private:
  std::map<QWidget*, TControlHook*> hooks_;
};

class TKitWindowHook {
 public:
  // owner: the form the hook component belongs to, or null.
  explicit TKitWindowHook(QWidget* owner = nullptr);
  TKitWindowHook(const TKitWindowHook&) = delete;
  TKitWindowHook& operator=(const TKitWindowHook&) = delete;
  ~TKitWindowHook();

  bool Active() const { return active_; }
  void SetActive(bool v);
  QWidget* WinControl() const { return winControl_; }
  void SetWinControl(QWidget* w);
  QWidget* Owner() const { return owner_; }
  // The hook belongs to its owner form (written to a form stream instead
  // of WinControl); setting it True hooks the owner form.
  bool IsForm() const { return winControl_ && winControl_ == owner_; }
  void SetIsForm(bool v) {
    if (v) SetWinControl(owner_);
  }

  THookMessageEvent BeforeMessage;
  THookMessageEvent AfterMessage;

 private:
  friend class TControlHook;
  void HookControl();
  void UnhookControl();
  void ControlRemoved();
  bool active_ = true;
  QPointer<QWidget> owner_;
  QPointer<QWidget> winControl_;
  TControlHook* control_ = nullptr;
  QMetaObject::Connection removal_;
};

// Registers the hand (crHand) and drag-hand (crDragHand) screen cursors.
// Call once at program start; repeated calls do nothing more.
void RegisterKitCursors();

}  // namespace qv
