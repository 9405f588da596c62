#include "controls/qt/QtUiLists.h"

#include <QPaintEvent>
#include <QPainter>

#include "controls/qt/QtUiTheme.h"
#include "platform/gui/QtCanvas.h"
#include "platform/gui/QtClockedTimers.h"

namespace qv {

// ---- TUiFramedWidget ----------------------------------------------------------------

TUiFramedWidget::TUiFramedWidget(TControlCore* core,
                                 std::function<void(TCanvas&, int, int)> paintFrame,
                                 QWidget* parent)
    : TControlWidget(core, parent), paintFrame_(std::move(paintFrame)) {
  InstallQtTheme(ClassicTheme());
  setFrameStyle(QFrame::NoFrame);
  const int w = TUiFramedControl::FrameWidth;
  setViewportMargins(w, w, w, w);
}

TUiFramedWidget::~TUiFramedWidget() { ForgetClockedTimers(*this); }

void TUiFramedWidget::SetTimer(int id, int intervalMs) {
  if (!SetClockedTimer(*this, id, intervalMs)) TControlWidget::SetTimer(id, intervalMs);
}

void TUiFramedWidget::KillTimer(int id) {
  if (!KillClockedTimer(*this, id)) TControlWidget::KillTimer(id);
}

bool TUiFramedWidget::event(QEvent* e) {
  if (e->type() != QEvent::Paint) return TControlWidget::event(e);
  QPainter p(this);
  GuardHostCall("Paint frame", [&] {
    TQtCanvas c(p, rect());
    // Only the border: the viewport paints the inside.
    const int w = TUiFramedControl::FrameWidth;
    TRegion border = TRegion::FromRect(TRect(0, 0, width(), height()));
    border.Combine(TRegion::FromRect(TRect(w, w, width() - w, height() - w)), RGN_DIFF);
    c.SelectClipRegion(border);
    if (paintFrame_) paintFrame_(c, width(), height());
  });
  return true;
}

namespace {

// Connects a list or tree core to its widget: the in-place editor and the
// border repaint. Returns the editor.
template <class TCore>
TLabelEditOverlay* WireFramedCore(TCore& core, TControlWidget& widget) {
  auto* editor = new TLabelEditOverlay(
      widget.viewport(),
      [&core](bool accept, const std::string& text) { core.EndLabelEdit(accept, text); });
  core.LabelEditor = [editor](const TRect& r, const std::string& text) { editor->Begin(r, text); };
  core.CloseLabelEditor = [editor](bool accept) { editor->Close(accept); };
  core.OnRepaintFrame = [&widget] { widget.update(); };
  return editor;
}

template <class TCore>
void UnwireFramedCore(TCore& core, TLabelEditOverlay* editor) {
  delete editor;
  core.LabelEditor = nullptr;
  core.CloseLabelEditor = nullptr;
  core.OnRepaintFrame = nullptr;
}

}  // namespace

// ---- TUiListViewWidget --------------------------------------------------------------

TUiListViewWidget::TUiListViewWidget(QWidget* parent)
    : TUiListViewWidget(std::make_unique<TUiCustomListView>(), parent) {}

TUiListViewWidget::TUiListViewWidget(std::unique_ptr<TUiCustomListView> core, QWidget* parent)
    : TUiFramedWidget(
          core.get(),
          [c = core.get()](TCanvas& canvas, int w, int h) { c->PaintNonClient(canvas, w, h); },
          parent),
      core_(std::move(core)) {
  editor_ = WireFramedCore(*core_, *this);
}

TUiListViewWidget::~TUiListViewWidget() {
  UnwireFramedCore(*core_, editor_);
  SetCore(nullptr);
}

// ---- TUiTreeViewWidget --------------------------------------------------------------

TUiTreeViewWidget::TUiTreeViewWidget(QWidget* parent)
    : TUiTreeViewWidget(std::make_unique<TUiCustomTreeView>(), parent) {}

TUiTreeViewWidget::TUiTreeViewWidget(std::unique_ptr<TUiCustomTreeView> core, QWidget* parent)
    : TUiFramedWidget(
          core.get(),
          [c = core.get()](TCanvas& canvas, int w, int h) { c->PaintNonClient(canvas, w, h); },
          parent),
      core_(std::move(core)) {
  editor_ = WireFramedCore(*core_, *this);
}

TUiTreeViewWidget::~TUiTreeViewWidget() {
  UnwireFramedCore(*core_, editor_);
  SetCore(nullptr);
}

// ---- TUiComboBoxWidget --------------------------------------------------------------

TUiComboBoxWidget::TUiComboBoxWidget(QWidget* parent)
    : TUiComboBoxWidget(std::make_unique<TUiCustomComboBox>(), parent) {}

TUiComboBoxWidget::TUiComboBoxWidget(std::unique_ptr<TUiCustomComboBox> core, QWidget* parent)
    : TUiComboBoxWidget(core.get(), parent) {
  core_ = std::move(core);
}

TUiComboBoxWidget::TUiComboBoxWidget(TUiCustomComboBox* core, QWidget* parent)
    : TComboBoxWidget((InstallQtTheme(ClassicTheme()), core), parent) {}

TUiComboBoxWidget::~TUiComboBoxWidget() { DetachCombo(); }

}  // namespace qv
