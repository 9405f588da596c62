#include "support/qt/QtPropInsp.h"

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QFontDatabase>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QToolTip>
#include <QVBoxLayout>

#include "platform/gui/QtCanvas.h"
#include "support/qt/QtKitHook.h"

namespace qv {

namespace {

// A byte offset of a UTF-8 text as a QString index, and back.
int QtIndex(const std::string& text, int byteOffset) {
  byteOffset = std::clamp(byteOffset, 0, int(text.size()));
  return int(QString::fromUtf8(text.data(), byteOffset).size());
}

int ByteOffset(const QString& text, int qtIndex) { return int(text.left(qtIndex).toUtf8().size()); }

std::string WithCrLf(const QString& text) {
  std::string s = text.toStdString();
  std::string out;
  for (char ch : s) {
    if (ch == '\n') out += '\r';
    out += ch;
  }
  return out;
}

}  // namespace

void InstallSupportQt() {
  static bool done = false;
  if (done) return;
  done = true;
  InstallQtGraphics();
  RegisterKitCursors();
  SetFontFamiliesProvider([] {
    std::vector<std::string> names;
    for (const QString& f : QFontDatabase::families()) names.push_back(f.toStdString());
    return names;
  });
  SetStrEditRunner(RunQtStrEditForm);
}

// ---------------------------------------------------------------------------
// The text dialog

bool RunQtStrEditForm(TStrEditForm& form) {
  QDialog dlg(QApplication::activeWindow(), Qt::Tool);
  dlg.setWindowTitle(QString::fromStdString(form.Caption));
  dlg.setSizeGripEnabled(true);
  auto* layout = new QVBoxLayout(&dlg);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  auto* memo = new QPlainTextEdit(&dlg);
  memo->setObjectName("Memo");
  memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  QString text = QString::fromStdString(form.Text);
  text.replace("\r\n", "\n");
  memo->setPlainText(text);
  layout->addWidget(memo);
  auto* panel = new QWidget(&dlg);
  panel->setFixedHeight(30);
  layout->addWidget(panel);
  auto* ok = new QPushButton("Ok", panel);
  auto* cancel = new QPushButton("Cancel", panel);
  ok->setObjectName("Ok");
  cancel->setObjectName("Cancel");
  ok->setDefault(true);
  QObject::connect(ok, &QPushButton::clicked, &dlg, &QDialog::accept);
  QObject::connect(cancel, &QPushButton::clicked, &dlg, &QDialog::reject);
  // Right-aligned, 4 pixels from the panel's top: Cancel 2 pixels from the
  // right edge, Ok 4 pixels left of it.
  auto place = [panel, ok, cancel] {
    const QSize s = cancel->sizeHint();
    cancel->setGeometry(panel->width() - 2 - s.width(), 4, s.width(), 22);
    ok->setGeometry(cancel->x() - 4 - s.width(), 4, s.width(), 22);
  };
  struct TPlacer : QObject {
    std::function<void()> F;
    bool eventFilter(QObject*, QEvent* e) override {
      if (e->type() == QEvent::Resize) F();
      return false;
    }
  } placer;
  placer.F = place;
  panel->installEventFilter(&placer);
  dlg.resize(400, 300);
  if (QScreen* s = QGuiApplication::primaryScreen())
    dlg.move(s->availableGeometry().center() - QPoint(200, 150));
  memo->setFocus();
  place();
  if (dlg.exec() != QDialog::Accepted) return false;
  QString result = memo->toPlainText();
  if (form.MaxLength > 0) result = result.left(form.MaxLength);
  form.Text = WithCrLf(result);
  return true;
}

// ---------------------------------------------------------------------------
// TQtInplaceEdit

TQtInplaceEdit::TQtInplaceEdit(TQtPropInspector* owner)
    : QLineEdit(owner->viewport()), owner_(owner) {
  setFrame(false);
  setTextMargins(2, 1, 2, 0);
  hide();
  connect(this, &QLineEdit::textEdited, this, [this](const QString& t) {
    if (updating_) return;
    const std::string text = t.toStdString();
    GuardHostCall("UserChanged", [&] {
      if (hasSelectedText())
        Model().UserChanged(text, ByteOffset(t, selectionStart()),
                            ByteOffset(t, selectionStart() + selectedText().size()) -
                                ByteOffset(t, selectionStart()));
      else
        Model().UserChanged(text, ByteOffset(t, cursorPosition()), 0);
    });
  });
}

TPropInplaceEdit& TQtInplaceEdit::Model() { return owner_->core_.InplaceEdit(); }

void TQtInplaceEdit::EditStateChanged() {
  updating_ = true;
  TPropInplaceEdit& m = Model();
  const QString t = QString::fromStdString(m.Text());
  if (text() != t) setText(t);
  setMaxLength(m.MaxLength() > 0 ? m.MaxLength() : 32767);
  setReadOnly(m.ReadOnly());
  setFont(ToQFont(owner_->core_.Font()));
  const TRect b = m.Bounds();
  setGeometry(b.Left, b.Top, b.Width(), b.Height());
  const int start = QtIndex(m.Text(), m.SelStart());
  const int end = QtIndex(m.Text(), m.SelStart() + m.SelLength());
  if (end > start)
    setSelection(start, end - start);
  else
    setCursorPosition(start);
  setVisible(m.Visible());
  const TRect bb = m.ButtonBounds();
  owner_->button_->setGeometry(bb.Left, bb.Top, bb.Width(), bb.Height());
  owner_->button_->setVisible(m.Visible() && m.ButtonKind() != 0);
  owner_->button_->viewport()->update();
  updating_ = false;
}

void TQtInplaceEdit::FocusEdit() {
  if (isVisible()) setFocus(Qt::OtherFocusReason);
}

void TQtInplaceEdit::ShowList(const TRect& b) {
  TQtPopupWidget* list = owner_->list_.get();
  list->setGeometry(b.Left, b.Top, b.Width(), b.Height());
  list->show();
  list->setFocus(Qt::PopupFocusReason);
}

void TQtInplaceEdit::HideList() { owner_->list_->HidePopup(); }

TPoint TQtInplaceEdit::ClientToScreen(TPoint p) const {
  const QPoint g = owner_->viewport()->mapToGlobal(QPoint(p.X, p.Y));
  return {g.x(), g.y()};
}

TRect TQtInplaceEdit::ScreenWorkArea() const {
  QScreen* s = owner_->screen() ? owner_->screen() : QGuiApplication::primaryScreen();
  if (!s) return Rect(0, 0, 1024, 768);
  const QRect a = s->availableGeometry();
  return Bounds(a.x(), a.y(), a.width(), a.height());
}

std::int64_t TQtInplaceEdit::NowMs() const {
  static QElapsedTimer clock = [] {
    QElapsedTimer t;
    t.start();
    return t;
  }();
  return clock.elapsed();
}

int TQtInplaceEdit::DoubleClickTimeMs() const { return QApplication::doubleClickInterval(); }

void TQtInplaceEdit::keyPressEvent(QKeyEvent* e) {
  bool consumed = false;
  GuardHostCall("KeyDown", [&] {
    int key = QtKeyToVirtualKey(e->key(), e->modifiers());
    if (key != 0) {
      Model().KeyDown(key, QtShiftState(e->modifiers()));
      if (key == 0) {
        consumed = true;
        return;
      }
    }
    char32_t ch = 0;
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter)
      ch = (e->modifiers() & Qt::ControlModifier) ? 0 : 13;
    else if (e->key() == Qt::Key_Escape)
      ch = 27;
    else if (!e->text().isEmpty() && e->text()[0].unicode() >= 32)
      ch = e->text().toUcs4().value(0);
    if (ch != 0) {
      Model().KeyPress(ch);
      consumed = ch == 0;
    }
  });
  if (consumed) {
    e->accept();
    return;
  }
  QLineEdit::keyPressEvent(e);
}

void TQtInplaceEdit::mousePressEvent(QMouseEvent* e) {
  QLineEdit::mousePressEvent(e);
  if (e->button() == Qt::LeftButton) GuardHostCall("MouseDown", [&] { Model().MouseDown(); });
}

void TQtInplaceEdit::mouseDoubleClickEvent(QMouseEvent* e) {
  QLineEdit::mouseDoubleClickEvent(e);
  if (e->button() == Qt::LeftButton) GuardHostCall("DblClick", [&] { Model().DblClick(); });
}

void TQtInplaceEdit::focusInEvent(QFocusEvent* e) {
  QLineEdit::focusInEvent(e);
  GuardHostCall("FocusIn", [&] { Model().FocusIn(); });
}

void TQtInplaceEdit::focusOutEvent(QFocusEvent* e) {
  QLineEdit::focusOutEvent(e);
  QWidget* to = QApplication::focusWidget();
  const bool own = e->reason() == Qt::PopupFocusReason || to == owner_ ||
                   to == owner_->viewport() || to == owner_->button_ ||
                   (to && owner_->button_->isAncestorOf(to));
  GuardHostCall("FocusOut", [&] { Model().FocusOut(own); });
}

// ---------------------------------------------------------------------------
// TQtPropInspector

TQtPropInspector::TQtPropInspector(QWidget* parent) : TControlWidget(nullptr, parent) {
  InstallSupportQt();
  edit_ = new TQtInplaceEdit(this);
  button_ = new TControlWidget(&core_.InplaceEdit().Button(), viewport());
  button_->setFrameStyle(QFrame::NoFrame);
  button_->setFocusPolicy(Qt::NoFocus);
  button_->hide();
  list_ = std::make_unique<TQtPopupWidget>(&core_.InplaceEdit().List());
  // The press on the list button that closes the list does not open it again.
  list_->NoReplayAt = [this](const QPoint& global) {
    return button_->isVisible() && button_->rect().contains(button_->mapFromGlobal(global));
  };
  list_->OnClosed = [this] {
    if (core_.InplaceEdit().DroppedDown()) core_.InplaceEdit().CloseUp(false);
  };
  core_.InplaceEdit().SetHost(edit_);
  core_.Clock = [this] { return edit_->NowMs(); };
  SetCore(&core_);
  UpdateFrame();
  resize(TPropInspector::DefaultWidth, TPropInspector::DefaultHeight);
}

TQtPropInspector::~TQtPropInspector() {
  core_.InplaceEdit().SetHost(nullptr);
  list_->OnClosed = nullptr;
  list_.reset();
  // The child widgets host parts of the core: they go before it.
  delete button_;
  delete edit_;
  SetCore(nullptr);
}

void TQtPropInspector::UpdateFrame() {
  setFrameStyle(core_.BorderStyle() == bsSingle ? (QFrame::StyledPanel | QFrame::Sunken)
                                                : int(QFrame::NoFrame));
}

QSize TQtPropInspector::sizeHint() const {
  return {TPropInspector::DefaultWidth, TPropInspector::DefaultHeight};
}

bool TQtPropInspector::viewportEvent(QEvent* e) {
  if (e->type() == QEvent::ToolTip) {
    auto* he = static_cast<QHelpEvent*>(e);
    THintInfo info;
    bool show = false;
    GuardHostCall("ValueHint", [&] {
      show = core_.ShowHint() && core_.ValueHint(he->pos().x(), he->pos().y(), info);
    });
    if (show) {
      const QRect area(info.CursorRect.Left, info.CursorRect.Top, info.CursorRect.Width(),
                       info.CursorRect.Height());
      QToolTip::showText(viewport()->mapToGlobal(QPoint(info.HintPos.X, info.HintPos.Y)),
                         QString::fromStdString(info.HintStr), viewport(), area);
    } else {
      QToolTip::hideText();
    }
    return true;
  }
  return TControlWidget::viewportEvent(e);
}

void TQtPropInspector::focusInEvent(QFocusEvent* e) {
  TControlWidget::focusInEvent(e);
  if (edit_->isVisible()) edit_->setFocus(Qt::OtherFocusReason);
}

}  // namespace qv
