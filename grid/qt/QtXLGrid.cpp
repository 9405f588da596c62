#include "grid/qt/QtXLGrid.h"

#include <QApplication>
#include <QHelpEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QToolTip>
#include <cstdlib>

#include "platform/core/ManualClock.h"
#include "platform/gui/QtCanvas.h"

namespace qv {

// ---- TQtXLView -------------------------------------------------------------------

TQtXLView::TQtXLView(TQtXLGrid& owner, TXLView& core, QWidget* parent)
    : TControlWidget(&core, parent), owner_(owner), core_(core) {
  setFrameShape(QFrame::NoFrame);
  setFocusPolicy(core.Kind() == skClient ? Qt::StrongFocus : Qt::ClickFocus);
}

void TQtXLView::ScrollWindow(int dx, int dy, const TRect& r) {
  if (!isVisible() || std::abs(dx) >= r.Width() || std::abs(dy) >= r.Height()) {
    TControlWidget::ScrollWindow(dx, dy, r);
    return;
  }
  viewport()->scroll(dx, dy);
}

void TQtXLView::inputMethodEvent(QInputMethodEvent* e) {
  TXLGrid& g = owner_.grid_;
  // A composition starts: the editor opens on the cursor cell and takes it.
  if (!g.Edit().Attached() && !e->preeditString().isEmpty()) {
    GuardHostCall("Composition", [&] {
      TXLSection* s = core_.Section();
      const TPoint p = core_.Cursor();
      if (s && &g.ActiveView() == &core_ && g.CanEdit(*s, p.X, p.Y)) {
        g.SetEditMode(1);
        if (TXLInplaceEditor* ed = g.Edit().Editor())
          if (ed->Widget()) ed->Widget()->SelectAll();
      }
    });
  }
  if (g.Edit().Attached()) {
    if (QWidget* k = owner_.EditorKeyWidget()) {
      QApplication::sendEvent(k, e);
      return;
    }
  }
  TControlWidget::inputMethodEvent(e);
}

bool TQtXLView::viewportEvent(QEvent* e) {
  if (e->type() == QEvent::ToolTip) {
    auto* help = static_cast<QHelpEvent*>(e);
    const std::string& hint = core_.HintText();
    if (hint.empty())
      QToolTip::hideText();
    else
      QToolTip::showText(help->globalPos(), QString::fromStdString(hint), viewport());
    return true;
  }
  return TControlWidget::viewportEvent(e);
}

// ---- TQtXLGrid -------------------------------------------------------------------

TQtXLGrid::TQtXLGrid(QWidget* parent) : QWidget(parent) {
  InstallQtGraphics();
  // The client view is made first.
  views_[skClient] = new TQtXLView(*this, grid_.View(skClient), this);
  views_[skColTitles] = new TQtXLView(*this, grid_.View(skColTitles), this);
  views_[skRowTitles] = new TQtXLView(*this, grid_.View(skRowTitles), this);
  views_[skCorner] = new TQtXLView(*this, grid_.View(skCorner), this);
  editHost_ = new TQtXLEditHost(views_[skClient]->viewport());
  setFocusProxy(views_[skClient]);
  connect(qApp, &QApplication::focusChanged, this, &TQtXLGrid::FocusChanged);
  grid_.SetHost(this);
  grid_.Resize(width(), height());
}

TQtXLGrid::~TQtXLGrid() {
  closing_ = true;
  disconnect(qApp, &QApplication::focusChanged, this, &TQtXLGrid::FocusChanged);
  OnEnter = OnExit = nullptr;
  grid_.ClearEvents();
  GuardHostCall("~TQtXLGrid", [&] {
    try {
      grid_.SetEditMode(0);
    } catch (const std::exception&) {
      grid_.Edit().Drop();
    }
    grid_.SetHost(nullptr);
  });
  for (auto& t : timers_) t.second->stop();
  if (TManualClock* clock = ControlTimerClock()) clock->KillAll(this);
  // The widgets go before the cores they host.
  delete editHost_;
  editHost_ = nullptr;
  control_ = nullptr;
  for (TQtXLView*& v : views_) {
    delete v;
    v = nullptr;
  }
}

QWidget* TQtXLGrid::EditorKeyWidget() const {
  return control_ && controlWidget_ ? control_->KeyWidget() : nullptr;
}

bool TQtXLGrid::TimerActive(int id) const {
  if (TManualClock* clock = ControlTimerClock()) return clock->Active(this, id);
  auto it = timers_.find(id);
  return it != timers_.end() && it->second->isActive();
}

void TQtXLGrid::resizeEvent(QResizeEvent*) {
  GuardHostCall("Resize", [&] { grid_.Resize(width(), height()); });
}

void TQtXLGrid::timerEvent(QTimerEvent* e) {
  for (auto& [id, timer] : timers_) {
    if (timer->timerId() == e->timerId()) {
      const int which = id;
      GuardHostCall("Timer", [&] { grid_.Timer(which); });
      return;
    }
  }
  QWidget::timerEvent(e);
}

void TQtXLGrid::PlaceView(int kind, const TRect& bounds, bool visible) {
  TQtXLView* v = views_[kind];
  if (!v) return;
  v->setGeometry(bounds.Left, bounds.Top, std::max(0, bounds.Width()),
                 std::max(0, bounds.Height()));
  v->setVisible(visible && !bounds.IsEmpty());
}

void TQtXLGrid::SetTimer(int id, int intervalMs) {
  // Tests may put the timers on a manual clock.
  if (TManualClock* clock = ControlTimerClock()) {
    clock->Set(this, id, intervalMs,
               [this, id] { GuardHostCall("Timer", [&] { grid_.Timer(id); }); });
    return;
  }
  auto& t = timers_[id];
  if (!t) t = std::make_unique<QBasicTimer>();
  t->start(std::max(1, intervalMs), this);
}

void TQtXLGrid::KillTimer(int id) {
  if (TManualClock* clock = ControlTimerClock()) clock->Kill(this, id);
  auto it = timers_.find(id);
  if (it != timers_.end()) it->second->stop();
}

void TQtXLGrid::HintChanged(int kind, const std::string& text) {
  QToolTip::hideText();
  if (views_[kind]) views_[kind]->viewport()->setToolTip(QString::fromStdString(text));
}

void TQtXLGrid::ActiveViewChanged(int kind) {
  if (views_[kind]) setFocusProxy(views_[kind]);
}

TXLEditorWidget* TQtXLGrid::CreateEditorWidget(TXLInplaceEditor& editor) {
  if (!editHost_) return nullptr;
  TQtXLEditorControl* c = CreateQtEditorControl(editor, editHost_);
  if (!c) return nullptr;
  control_ = c;
  controlWidget_ = c->Widget();
  c->KeyWidget()->installEventFilter(this);
  // Freed from outside: the editor host forgets it and its cell.
  connect(c->Widget(), &QObject::destroyed, this, [this, c] {
    if (control_ != c) return;
    control_ = nullptr;
    if (!closing_) GuardHostCall("EditorDestroyed", [&] { grid_.Edit().EditorDestroyed(); });
  });
  c->Widget()->show();
  return c;
}

void TQtXLGrid::DestroyEditorWidget(TXLEditorWidget* widget) {
  if (!control_ || widget != control_) return;
  QWidget* w = controlWidget_;
  control_ = nullptr;
  controlWidget_ = nullptr;
  delete w;
}

void TQtXLGrid::PlaceEditHost(int kind, const TRect& host, const TRect& editor, TColor color) {
  if (!editHost_ || !views_[kind]) return;
  QWidget* vp = views_[kind]->viewport();
  if (editHost_->parentWidget() != vp) editHost_->setParent(vp);
  editHost_->setGeometry(host.Left, host.Top, std::max(0, host.Width()),
                         std::max(0, host.Height()));
  editHost_->SetColor(color);
  if (controlWidget_)
    controlWidget_->setGeometry(editor.Left, editor.Top, std::max(0, editor.Width()),
                                std::max(0, editor.Height()));
}

void TQtXLGrid::ShowEditHost(bool show) {
  if (!editHost_) return;
  editHost_->setVisible(show);
  if (show) editHost_->raise();
}

void TQtXLGrid::FocusEditor() {
  if (QWidget* k = EditorKeyWidget()) k->setFocus(Qt::OtherFocusReason);
}

bool TQtXLGrid::EditorFocused() const {
  const QWidget* k = EditorKeyWidget();
  return k && k->hasFocus();
}

bool TQtXLGrid::eventFilter(QObject* obj, QEvent* e) {
  if (e->type() == QEvent::KeyPress && controlWidget_ && obj == EditorKeyWidget())
    return EditorKey(obj, static_cast<QKeyEvent*>(e));
  return QWidget::eventFilter(obj, e);
}

bool TQtXLGrid::EditorKey(QObject* obj, QKeyEvent* k) {
  if (passing_) return false;
  TXLEdit& edit = grid_.Edit();
  const int vk = QtKeyToVirtualKey(k->key(), k->modifiers());
  TShiftState s = QtShiftState(k->modifiers());
  if (k->key() == Qt::Key_Backtab) s |= ssShift;
  if (vk != 0) {
    int key = vk;
    GuardHostCall("EditorKeyDown", [&] { edit.EditorKeyDown(key, s); });
    if (key == 0) return true;
    if (vk == VK_TAB) {
      // The cell was left (stored): the key moves the focus on from the view.
      if (!edit.Attached()) {
        QKeyEvent tab(QEvent::KeyPress, k->key(), k->modifiers());
        QApplication::sendEvent(views_[grid_.ActiveView().Kind()], &tab);
      }
      return true;
    }
  }
  std::u32string chars;
  if (vk == VK_RETURN) {
    chars.push_back((s & ssCtrl) ? 10 : 13);
  } else if (vk == VK_BACK) {
    chars.push_back(8);
  } else if (vk == VK_ESCAPE) {
    chars.push_back(27);
  } else if (!((s & ssCtrl) && !(s & ssAlt))) {
    for (char32_t ch : k->text().toStdU32String())
      if (ch >= 32 && ch != 127) chars.push_back(ch);
  }
  if (chars.empty()) return false;
  for (char32_t ch : chars) {
    char32_t c = ch;
    GuardHostCall("EditorKeyPress", [&] { edit.EditorKeyPress(c); });
    if (c == 0) return true;
    if (c == 10) {
      // Ctrl+Enter starts a new line in the memo; other editors have none.
      if (edit.Editor() && edit.Editor()->Kind() == ekMemo && control_)
        control_->ReplaceSelection("\n");
      return true;
    }
  }
  passing_ = true;
  QApplication::sendEvent(obj, k);
  passing_ = false;
  for (char32_t ch : chars) GuardHostCall("EditorAfterChar", [&] { edit.EditorAfterChar(ch); });
  return true;
}

bool TQtXLGrid::Owns(const QWidget* w) const {
  // Pop-up lists of the editor are windows of their own: follow parents
  // across windows.
  for (const QWidget* p = w; p; p = p->parentWidget())
    if (p == this) return true;
  return false;
}

void TQtXLGrid::FocusChanged(QWidget*, QWidget* now) {
  if (closing_) return;
  const bool in = Owns(now);
  if (in == focused_) return;
  focused_ = in;
  if (in && OnEnter) GuardHostCall("OnEnter", [&] { OnEnter(*this); });
  if (!in && OnExit) GuardHostCall("OnExit", [&] { OnExit(*this); });
}

}  // namespace qv
