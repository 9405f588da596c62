#include "editor/qt/QtCodeCompletionProposal.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QStyle>
#include <algorithm>

namespace qv {

TQtCompletionWindow::TQtCompletionWindow(TCodeBaseCompletionProposalForm& Form)
    : TQtPopupWidget(nullptr), form_(Form), bar_(new QScrollBar(Qt::Vertical, this)) {
  bar_->setFocusPolicy(Qt::NoFocus);
  bar_->hide();
  connect(bar_, &QScrollBar::actionTriggered, this, [this](int a) { OnBarAction(a); });
  connect(bar_, &QScrollBar::sliderReleased, this, [this] { OnBarAction(-1); });
  OnClosed = [this] { form_.WindowClosed(); };
  // The form is the core; it learns its host before it is shown.
  SetCore(&form_);
  form_.FontChanged();
}

TQtCompletionWindow::~TQtCompletionWindow() {
  OnClosed = nullptr;
  SetCore(nullptr);
}

void TQtCompletionWindow::SetBounds(const TRect& R) {
  setGeometry(R.Left, R.Top, std::max(1, R.Width()), std::max(1, R.Height()));
}

void TQtCompletionWindow::ShowWindow(bool Activate) {
  // A list takes the keyboard as a pop-up; a hint is a tool tip that
  // leaves the focus where it is.
  if (Activate != popupKind_) {
    popupKind_ = Activate;
    const QRect g = geometry();
    if (Activate) {
      setWindowFlags(Qt::Popup);
      setAttribute(Qt::WA_ShowWithoutActivating, false);
    } else {
      setWindowFlags(Qt::ToolTip | Qt::FramelessWindowHint);
      setAttribute(Qt::WA_ShowWithoutActivating, true);
    }
    setGeometry(g);
  }
  if (!isVisible()) show();
  raise();
  if (Activate) {
    activateWindow();
    setFocus(Qt::PopupFocusReason);
  }
  viewport()->update();
}

void TQtCompletionWindow::HideWindow() { HidePopup(); }

TRect TQtCompletionWindow::WorkArea(TPoint P) const {
  QScreen* screen = QGuiApplication::screenAt(QPoint(P.X, P.Y));
  if (!screen) screen = QGuiApplication::primaryScreen();
  if (!screen) return TRect(0, 0, 1 << 20, 1 << 20);
  const QRect a = screen->availableGeometry();
  return TRect(a.left(), a.top(), a.left() + a.width(), a.top() + a.height());
}

void TQtCompletionWindow::SetScrollBarBounds(const TRect& B, bool Visible) {
  bar_->setGeometry(B.Left, B.Top, std::max(1, B.Width()), std::max(1, B.Height()));
  bar_->setVisible(Visible);
  // Above the viewport, which covers the whole window.
  bar_->raise();
}

int TQtCompletionWindow::ScrollBarWidth() const {
  return style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, bar_);
}

bool TQtCompletionWindow::ApplicationActive() const {
  return QGuiApplication::applicationState() == Qt::ApplicationActive ||
         QApplication::activeWindow() != nullptr;
}

int TQtCompletionWindow::WheelScrollLines() const { return QApplication::wheelScrollLines(); }

void TQtCompletionWindow::SetScrollInfo(TScrollBarKind Bar, const TScrollInfo& Info) {
  if (Bar != sbVertical) return;
  // Max is the largest first line; Page the lines shown.
  info_ = Info;
  settingBar_ = true;
  bar_->setRange(Info.Min, std::max(Info.Min, Info.Max));
  bar_->setPageStep(std::max(1, Info.Page));
  bar_->setSingleStep(1);
  bar_->setValue(Info.Pos);
  settingBar_ = false;
}

TScrollInfo TQtCompletionWindow::GetScrollInfo(TScrollBarKind Bar) const {
  return Bar == sbVertical ? info_ : TScrollInfo();
}

void TQtCompletionWindow::OnBarAction(int Action) {
  if (settingBar_) return;
  TScrollCode code = scPosition;
  int pos = bar_->sliderPosition();
  if (Action == -1)
    pos = bar_->value();
  else if (!ScrollCodeOfSliderAction(Action, code))
    return;
  // The form decides the position and sets it back through SetScrollInfo.
  if (Action != QAbstractSlider::SliderMove && Action != -1) bar_->setSliderPosition(info_.Pos);
  GuardHostCall("Scroll", [&] { form_.Scroll(sbVertical, code, pos); });
}

void InstallQtCompletionWindows() {
  SetCompletionWindowFactory([](TCodeBaseCompletionProposalForm& Form) {
    return std::unique_ptr<TCompletionWindow>(new TQtCompletionWindow(Form));
  });
}

}  // namespace qv
