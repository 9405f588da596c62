#include "controls/qt/QtUiTabs.h"

#include <QApplication>
#include <QCursor>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QToolTip>
#include <map>

#include "controls/qt/QtUiTheme.h"
#include "platform/gui/QtCanvas.h"
#include "platform/gui/QtClockedTimers.h"

namespace qv {

namespace {

TColor FromQColor(const QColor& c) { return RGB(c.red(), c.green(), c.blue()); }

// Page control widgets by their cores, for pages moving between controls.
std::map<TUiPageControl*, TUiPageControlWidget*>& PageWidgets() {
  static std::map<TUiPageControl*, TUiPageControlWidget*> m;
  return m;
}

}  // namespace

// ---- TUiTabControlWidget ------------------------------------------------------------

TUiTabControlWidget::TUiTabControlWidget(TUiCustomTabControl* core, QWidget* parent)
    : TControlWidget(core, parent), tabCore_(core) {
  InstallQtTheme(ClassicTheme());
  setFrameStyle(QFrame::NoFrame);
  setFocusPolicy(Qt::StrongFocus);
  setMouseTracking(true);
  core->PointerPos = [this] {
    const QPoint p = viewport()->mapFromGlobal(QCursor::pos());
    return TPoint(p.x(), p.y());
  };
  core->OnCancelHint = [] { QToolTip::hideText(); };
  core->ParentPainter = [this](TCanvas& c) {
    QWidget* p = parentWidget();
    if (!p) return;
    const QPoint at = viewport()->mapTo(p, QPoint(0, 0));
    QImage img(viewport()->size(), QImage::Format_RGB32);
    img.fill(p->palette().color(QPalette::Window));
    p->render(&img, QPoint(), QRegion(QRect(at, viewport()->size())),
              QWidget::DrawWindowBackground);
    c.Draw(0, 0, ToTImage(img));
  };
  qApp->installEventFilter(this);
  SyncParentColor();
}

TUiTabControlWidget::~TUiTabControlWidget() {
  DetachTabCore();
  ForgetClockedTimers(*this);
}

void TUiTabControlWidget::SetTimer(int id, int intervalMs) {
  if (!SetClockedTimer(*this, id, intervalMs)) TControlWidget::SetTimer(id, intervalMs);
}

void TUiTabControlWidget::KillTimer(int id) {
  if (!KillClockedTimer(*this, id)) TControlWidget::KillTimer(id);
}

void TUiTabControlWidget::DetachTabCore() {
  if (!tabCore_) return;
  qApp->removeEventFilter(this);
  tabCore_->PointerPos = nullptr;
  tabCore_->OnCancelHint = nullptr;
  tabCore_->ParentPainter = nullptr;
  SetCore(nullptr);
  tabCore_ = nullptr;
}

QSize TUiTabControlWidget::sizeHint() const { return QSize(300, 150); }

void TUiTabControlWidget::SyncParentColor() {
  if (tabCore_ && parentWidget())
    tabCore_->ParentColorChanged(FromQColor(parentWidget()->palette().color(QPalette::Window)));
}

bool TUiTabControlWidget::event(QEvent* e) {
  switch (e->type()) {
    case QEvent::ToolTip:
      if (tabCore_) {
        auto* he = static_cast<QHelpEvent*>(e);
        const std::string& hint = tabCore_->CurrentHint();
        if (hint.empty())
          QToolTip::hideText();
        else
          QToolTip::showText(he->globalPos(), QString::fromStdString(hint), this);
      }
      return true;
    case QEvent::ParentChange:
    case QEvent::PaletteChange:
      SyncParentColor();
      break;
    default:
      break;
  }
  return TControlWidget::event(e);
}

bool TUiTabControlWidget::eventFilter(QObject* watched, QEvent* e) {
  if (e->type() != QEvent::KeyPress || !tabCore_) return false;
  auto* w = qobject_cast<QWidget*>(watched);
  if (!w || w->window() != window() || !isVisible()) return false;
  bool consumed = false;
  GuardHostCall("Key", [&] { consumed = WindowKey(w, static_cast<QKeyEvent*>(e)); });
  return consumed;
}

bool TUiTabControlWidget::WindowKey(QWidget*, QKeyEvent* e) {
  // Alt + a character: the tab whose caption marks it.
  if (!(e->modifiers() & Qt::AltModifier) || (e->modifiers() & Qt::ControlModifier)) return false;
  const std::u32string text = e->text().toStdU32String();
  char32_t ch = text.empty() ? 0 : text[0];
  if (ch == 0 && e->key() >= Qt::Key_A && e->key() <= Qt::Key_Z)
    ch = char32_t('a' + e->key() - Qt::Key_A);
  if (ch == 0 || !isEnabled()) return false;
  return tabCore_->DialogChar(ch);
}

// ---- TUiPageControlWidget -----------------------------------------------------------

TUiPageControlWidget::TUiPageControlWidget(QWidget* parent)
    : TUiPageControlWidget(std::make_unique<TUiPageControl>(), parent) {}

TUiPageControlWidget::TUiPageControlWidget(std::unique_ptr<TUiPageControl> core, QWidget* parent)
    : TUiTabControlWidget(core.get(), parent), pages_(std::move(core)) {
  PageWidgets()[pages_.get()] = this;
}

TUiPageControlWidget::~TUiPageControlWidget() {
  PageWidgets().erase(pages_.get());
  for (int i = 0; i < pages_->PageCount(); ++i) {
    TUiTabSheet* p = pages_->Pages(i);
    if (auto* w = dynamic_cast<TUiTabSheetWidget*>(p->SheetHost())) {
      p->SetSheetHost(nullptr);
      w->sheet_ = nullptr;
    }
  }
  DetachTabCore();
  pages_.reset();
}

TUiTabSheetWidget* TUiPageControlWidget::AddPage(const QString& caption) {
  TUiTabSheet& sheet = pages_->AddPage(caption.toStdString());
  return new TUiTabSheetWidget(&sheet, viewport());
}

TUiTabSheetWidget* TUiPageControlWidget::PageWidget(int index) const {
  TUiTabSheet* p = pages_->Pages(index);
  return p ? dynamic_cast<TUiTabSheetWidget*>(p->SheetHost()) : nullptr;
}

TUiTabSheetWidget* TUiPageControlWidget::ActivePageWidget() const {
  TUiTabSheet* p = pages_->ActivePage();
  return p ? dynamic_cast<TUiTabSheetWidget*>(p->SheetHost()) : nullptr;
}

void TUiPageControlWidget::ShowControl(QWidget* control) {
  for (QWidget* w = control; w; w = w->parentWidget())
    if (auto* sheet = qobject_cast<TUiTabSheetWidget*>(w)) {
      if (sheet->Sheet() && sheet->Sheet()->PageControl() == pages_.get())
        pages_->ShowControl(sheet->Sheet());
      return;
    }
}

bool TUiPageControlWidget::WindowKey(QWidget* receiver, QKeyEvent* e) {
  const bool tab = e->key() == Qt::Key_Tab || e->key() == Qt::Key_Backtab;
  if (tab && (e->modifiers() & Qt::ControlModifier)) {
    const bool inside = receiver == this || isAncestorOf(receiver);
    TShiftState s = ssCtrl;
    if (e->key() == Qt::Key_Backtab || (e->modifiers() & Qt::ShiftModifier)) s |= ssShift;
    return pages_->DialogKey(VK_TAB, s, inside);
  }
  return TUiTabControlWidget::WindowKey(receiver, e);
}

// ---- TUiTabSheetWidget --------------------------------------------------------------

TUiTabSheetWidget::TUiTabSheetWidget(TUiTabSheet* sheet, QWidget* parent)
    : QWidget(parent), sheet_(sheet) {
  setAttribute(Qt::WA_OpaquePaintEvent, true);
  sheet_->SetSheetHost(this);
}

TUiTabSheetWidget::~TUiTabSheetWidget() {
  if (sheet_) sheet_->SetSheetHost(nullptr);
}

void TUiTabSheetWidget::SheetVisibleChanged(bool visible) { setVisible(visible); }

void TUiTabSheetWidget::SheetBoundsChanged(const TRect& b) {
  if (b.IsEmpty())
    setGeometry(QRect(-2, -2, 1, 1));
  else
    setGeometry(QRect(b.Left, b.Top, b.Width(), b.Height()));
}

void TUiTabSheetWidget::SheetMoved(TUiPageControl* pageControl) {
  auto it = PageWidgets().find(pageControl);
  if (it == PageWidgets().end()) {
    hide();
    setParent(nullptr);
    return;
  }
  setParent(it->second->viewport());
  SheetBoundsChanged(sheet_->BoundsRect());
  setVisible(sheet_->Visible());
}

void TUiTabSheetWidget::SheetDestroyed() {
  sheet_ = nullptr;
  hide();
  deleteLater();
}

bool TUiTabSheetWidget::SheetContainsFocus() const {
  QWidget* f = QApplication::focusWidget();
  return f && (f == this || isAncestorOf(f));
}

bool TUiTabSheetWidget::SheetFocusFirst() {
  for (QWidget* w = nextInFocusChain(); w && w != this; w = w->nextInFocusChain()) {
    if (!isAncestorOf(w)) continue;
    if ((w->focusPolicy() & Qt::TabFocus) && w->isEnabled() && w->isVisibleTo(this)) {
      w->setFocus(Qt::TabFocusReason);
      return true;
    }
  }
  return false;
}

void TUiTabSheetWidget::paintEvent(QPaintEvent* e) {
  QPainter p(this);
  if (!sheet_) {
    p.fillRect(e->rect(), palette().window());
    return;
  }
  GuardHostCall("Paint", [&] {
    TQtCanvas c(p, rect());
    const QRect r = e->rect();
    sheet_->Paint(c, TRect(r.left(), r.top(), r.right() + 1, r.bottom() + 1));
  });
}

}  // namespace qv
