#include "platform/gui/QtToolWindow.h"

#include "platform/core/Services.h"

namespace qv {

TQtToolWindow::TQtToolWindow(TControlCore* core) : TControlWidget(core, nullptr) {
  setWindowFlags(Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                 Qt::WindowDoesNotAcceptFocus);
  setAttribute(Qt::WA_ShowWithoutActivating, true);
  setFocusPolicy(Qt::NoFocus);
  setFrameStyle(QFrame::NoFrame);
}

void TQtToolWindow::ShowAt(const QPoint& global, const QSize& size) {
  setGeometry(QRect(global, size));
  if (!isVisible()) show();
  viewport()->update();
}

// ---- the hint ----------------------------------------------------------------------------

class TQtHintWindow::THintCore : public TControlCore {
 public:
  void Paint(TCanvas& c, const TRect&) override {
    const TRect r = host_ ? host_->ClientRect() : TRect();
    c.Brush.SetStyle(bsSolid);
    c.Brush.SetColor(color);
    c.FillRect(r);
    c.Brush.SetColor(clBlack);
    c.FrameRect(r);
    c.Font.Assign(TFont());
    c.Font.SetColor(clInfoText);
    c.SetBkMode(TRANSPARENT);
    TRect inner = r;
    inner.Left += 3;
    inner.Right -= 3;
    c.TextRect(inner, inner.Left, 2, text);
  }
  std::string text;
  TColor color = clInfoBk;
};

TQtHintWindow::TQtHintWindow() : core_(std::make_unique<THintCore>()) { SetCore(core_.get()); }

TQtHintWindow::~TQtHintWindow() { SetCore(nullptr); }

QSize TQtHintWindow::HintSize(const std::string& text, int maxWidth) {
  const TSize ext = FontService().TextExtent(TFont(), text);
  return QSize(std::min(maxWidth, ext.cx + 6), ext.cy + 4);
}

void TQtHintWindow::ShowHint(const std::string& text, const QPoint& global, TColor color,
                             int maxWidth) {
  core_->text = text;
  core_->color = color;
  ShowAt(global, HintSize(text, maxWidth));
}

const std::string& TQtHintWindow::HintText() const { return core_->text; }

}  // namespace qv
