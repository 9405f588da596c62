#include "editor/qt/CodeEditWidget.h"

#include <QApplication>
#include <QDrag>
#include <QDropEvent>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QInputMethod>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QTimer>
#include <QUrl>
#include <set>

#include "platform/gui/QtCanvas.h"
#include "platform/gui/QtToolWindow.h"

namespace qv {

namespace {

// The drag data of a block dragged between editors: the address of the
// source widget, checked against the live widgets before it is used.
const QString kBlockDragMime = QStringLiteral("application/x-quorvane-codeedit-drag");

std::set<const TCodeEditWidget*>& LiveWidgets() {
  static std::set<const TCodeEditWidget*> widgets;
  return widgets;
}

QPointer<TQtHintWindow>& SharedHint() {
  static QPointer<TQtHintWindow> hint;
  return hint;
}

}  // namespace

TCodeEditWidget::TCodeEditWidget(QWidget* parent)
    : TControlWidget(nullptr, parent), owned_(std::make_unique<TCodeEdit>()), edit_(owned_.get()) {
  Init();
}

TCodeEditWidget::TCodeEditWidget(TCodeEdit& Edit, QWidget* parent)
    : TControlWidget(nullptr, parent), edit_(&Edit) {
  Init();
}

void TCodeEditWidget::Init() {
  InstallQtGraphics();
  LiveWidgets().insert(this);
  setAcceptDrops(true);
  viewport()->setAcceptDrops(true);
  edit_->SetEditHost(this);
  SetCore(edit_);
  WindowStyleChanged();
  GuardHostCall("SetCursor", [&] { SetCursor(edit_->Cursor()); });
}

TCodeEditWidget::~TCodeEditWidget() {
  LiveWidgets().erase(this);
  SetCore(nullptr);
  if (edit_->EditHost() == this) edit_->SetEditHost(nullptr);
}

TCodeEditWidget* TCodeEditWidget::Of(const TCustomCodeEdit& Edit) {
  return dynamic_cast<TCodeEditWidget*>(Edit.EditHost());
}

// ---- key hooks and pop-up placement ----------------------------------------------------------

void TCodeEditWidget::AddKeyHook(const void* Owner, TKeyHook Hook) {
  if (Hook) keyHooks_.emplace_back(Owner, std::move(Hook));
}

void TCodeEditWidget::RemoveKeyHooks(const void* Owner) {
  std::erase_if(keyHooks_, [Owner](const auto& h) { return h.first == Owner; });
}

QPoint TCodeEditWidget::CaretScreenPos(bool BelowLine) const {
  TPoint p = edit_->RowColumnToPixels(edit_->CaretToDisplayColumn(edit_->CaretXY()));
  if (BelowLine) p.Y += edit_->LineHeight();
  return viewport()->mapToGlobal(QPoint(p.X, p.Y));
}

void TCodeEditWidget::keyPressEvent(QKeyEvent* e) {
  // A hook may remove hooks (or itself) while it runs: walk a copy.
  const auto hooks = keyHooks_;
  for (auto it = hooks.rbegin(); it != hooks.rend(); ++it) {
    bool taken = false;
    GuardHostCall("KeyHook", [&] { taken = it->second(e); });
    if (taken) {
      e->accept();
      return;
    }
  }
  TControlWidget::keyPressEvent(e);
}

bool TCodeEditWidget::focusNextPrevChild(bool next) {
  // TAB stays in the editor when it wants it (WantTabs, Ctrl not held);
  // otherwise it moves the focus as in any dialog.
  if (edit_->WantsTab(QtShiftState(QGuiApplication::keyboardModifiers()))) return false;
  return QAbstractScrollArea::focusNextPrevChild(next);
}

void TCodeEditWidget::focusOutEvent(QFocusEvent* e) {
  TControlWidget::focusOutEvent(e);
  // Another window or a pop-up took over while the mouse was selecting: it
  // gets the mouse from here on, and no release will reach the editor.
  const Qt::FocusReason r = e->reason();
  if (HasCapture() && (r == Qt::ActiveWindowFocusReason || r == Qt::PopupFocusReason)) {
    ReleaseCapture();
    GuardHostCall("CaptureChanged", [&] { edit_->CaptureChanged(); });
  }
}

void TCodeEditWidget::mouseMoveEvent(QMouseEvent* e) {
  TControlWidget::mouseMoveEvent(e);
  if (HasCapture()) return;
  const QPoint pt = e->position().toPoint();
  GuardHostCall("SetCursor", [&] { SetCursor(edit_->CursorAt(pt.x(), pt.y())); });
}

// ---- the editor's window services -----------------------------------------------------------

void TCodeEditWidget::BeginDrag() {
  // The drag runs its own event loop: it starts after the mouse event that
  // asked for it, with the capture given up.
  ReleaseCapture();
  if (dragPending_) return;
  dragPending_ = true;
  QPointer<TCodeEditWidget> self = this;
  QTimer::singleShot(0, this, [self] {
    if (!self) return;
    self->dragPending_ = false;
    self->StartDrag();
  });
}

void TCodeEditWidget::StartDrag() {
  if (!edit_->SelAvail()) return;
  auto* drag = new QDrag(this);
  drag->setMimeData(DragData(*this));
  drag->exec(Qt::CopyAction | Qt::MoveAction, Qt::MoveAction);
}

TPoint TCodeEditWidget::CursorPos() const {
  const QPoint p = viewport()->mapFromGlobal(QCursor::pos());
  return TPoint(p.x(), p.y());
}

TShiftState TCodeEditWidget::KeyboardShift() const {
  return QtShiftState(QGuiApplication::queryKeyboardModifiers(), QGuiApplication::mouseButtons());
}

TPoint TCodeEditWidget::ClientToScreen(TPoint P) const {
  const QPoint g = viewport()->mapToGlobal(QPoint(P.X, P.Y));
  return TPoint(g.x(), g.y());
}

TSize TCodeEditWidget::DragThreshold() const {
  const int d = QApplication::startDragDistance();
  return TSize{d, d};
}

void TCodeEditWidget::SetCompositionPos(int X, int Y) {
  compositionPos_ = TPoint(X, Y);
  if (hasFocus()) QGuiApplication::inputMethod()->update(Qt::ImCursorRectangle);
}

QVariant TCodeEditWidget::inputMethodQuery(Qt::InputMethodQuery query) const {
  switch (query) {
    case Qt::ImEnabled:
      return !edit_->ReadOnly();
    case Qt::ImCursorRectangle: {
      const QPoint p = viewport()->mapTo(this, QPoint(compositionPos_.X, compositionPos_.Y));
      return QRect(p, QSize(1, edit_->LineHeight()));
    }
    case Qt::ImFont:
      return ToQFont(edit_->Font());
    default:
      return TControlWidget::inputMethodQuery(query);
  }
}

void TCodeEditWidget::ShowScrollHint(const std::string& Text, TPoint ScreenPos, TColor Color) {
  QPointer<TQtHintWindow>& hint = SharedHint();
  if (!hint) hint = new TQtHintWindow;
  hint->ShowHint(Text, QPoint(ScreenPos.X, ScreenPos.Y), Color);
}

void TCodeEditWidget::HideScrollHint() {
  if (TQtHintWindow* hint = SharedHint()) hint->HideHint();
}

TQtHintWindow* TCodeEditWidget::ScrollHintWindow() { return SharedHint(); }

int TCodeEditWidget::WheelScrollLines() const { return QApplication::wheelScrollLines(); }

void TCodeEditWidget::WindowStyleChanged() {
  // A single border is the sunken frame of an edit field.
  const TBorderStyle border = edit_->BorderStyle();
  if (border != appliedBorder_ || frameStyle() == 0) {
    appliedBorder_ = border;
    setFrameStyle(border == bsSingle ? (QFrame::StyledPanel | QFrame::Sunken) : QFrame::NoFrame);
  }
}

// ---- drag and drop ----------------------------------------------------------------------------

QMimeData* TCodeEditWidget::DragData(const TCodeEditWidget& Source) {
  auto* data = new QMimeData;
  const auto address = reinterpret_cast<quintptr>(&Source);
  data->setData(kBlockDragMime, QByteArray::number(qulonglong(address)));
  return data;
}

TCodeEditWidget* TCodeEditWidget::DragSource(const QMimeData* Data) {
  if (!Data || !Data->hasFormat(kBlockDragMime)) return nullptr;
  bool ok = false;
  const qulonglong address = Data->data(kBlockDragMime).toULongLong(&ok);
  if (!ok) return nullptr;
  for (const TCodeEditWidget* w : LiveWidgets())
    if (reinterpret_cast<quintptr>(w) == quintptr(address)) return const_cast<TCodeEditWidget*>(w);
  return nullptr;
}

std::vector<std::string> TCodeEditWidget::DroppedFiles(const QMimeData* Data) {
  std::vector<std::string> files;
  if (!Data || !Data->hasUrls()) return files;
  for (const QUrl& url : Data->urls())
    if (url.isLocalFile()) files.push_back(url.toLocalFile().toStdString());
  return files;
}

void TCodeEditWidget::DragAt(QDropEvent* e, TDragState State) {
  const QPoint pt = e->position().toPoint();
  const TShiftState shift = QtShiftState(e->modifiers(), e->buttons());
  if (TCodeEditWidget* source = DragSource(e->mimeData())) {
    bool accept = false;
    GuardHostCall("DragOver",
                  [&] { edit_->DragOver(&source->Edit(), pt.x(), pt.y(), State, accept, shift); });
    if (accept) {
      dragSource_ = source;
      const bool copy = source == this ? (shift & ssCtrl) != 0 : (shift & ssShift) == 0;
      e->setDropAction(copy ? Qt::CopyAction : Qt::MoveAction);
      e->accept();
    } else {
      e->ignore();
    }
    return;
  }
  if (edit_->HasOption(eoDropFiles) && !DroppedFiles(e->mimeData()).empty()) {
    e->setDropAction(Qt::CopyAction);
    e->accept();
    return;
  }
  e->ignore();
}

void TCodeEditWidget::dragEnterEvent(QDragEnterEvent* e) { DragAt(e, dsDragEnter); }

void TCodeEditWidget::dragMoveEvent(QDragMoveEvent* e) { DragAt(e, dsDragMove); }

void TCodeEditWidget::dragLeaveEvent(QDragLeaveEvent* e) {
  if (TCodeEditWidget* source = dragSource_) {
    bool accept = false;
    GuardHostCall("DragOver",
                  [&] { edit_->DragOver(&source->Edit(), 0, 0, dsDragLeave, accept, 0); });
  }
  dragSource_ = nullptr;
  e->accept();
}

void TCodeEditWidget::dropEvent(QDropEvent* e) {
  dragSource_ = nullptr;
  const QPoint pt = e->position().toPoint();
  const TShiftState shift = QtShiftState(e->modifiers(), e->buttons());
  if (TCodeEditWidget* source = DragSource(e->mimeData())) {
    GuardHostCall("DragDrop", [&] { edit_->DragDrop(&source->Edit(), pt.x(), pt.y(), shift); });
    const bool copy = source == this ? (shift & ssCtrl) != 0 : (shift & ssShift) == 0;
    e->setDropAction(copy ? Qt::CopyAction : Qt::MoveAction);
    e->accept();
    return;
  }
  const std::vector<std::string> files = DroppedFiles(e->mimeData());
  if (edit_->HasOption(eoDropFiles) && !files.empty()) {
    GuardHostCall("DropFiles", [&] { edit_->DropFiles(pt.x(), pt.y(), files); });
    e->setDropAction(Qt::CopyAction);
    e->accept();
    return;
  }
  e->ignore();
}

}  // namespace qv
