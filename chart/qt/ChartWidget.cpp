#include "chart/qt/ChartWidget.h"

#include "platform/gui/QtCanvas.h"
#include "platform/gui/QtCursors.h"

namespace qv {

namespace {
// The chart's hand cursor (crPlotHand), registered once with the screen.
void RegisterChartCursors() {
  static const bool done = [] {
    RegisterScreenCursor(crPlotHand, QCursor(Qt::PointingHandCursor));
    return true;
  }();
  (void)done;
}
}  // namespace

TChartWidget::TChartWidget(QWidget* parent)
    : TControlWidget(nullptr, parent), owned_(std::make_unique<TChart>()), chart_(owned_.get()) {
  InstallQtGraphics();
  RegisterChartCursors();
  setFrameShape(QFrame::NoFrame);
  SetCore(chart_);
}

TChartWidget::TChartWidget(TCustomChart& chart, QWidget* parent)
    : TControlWidget(nullptr, parent), chart_(&chart) {
  InstallQtGraphics();
  RegisterChartCursors();
  setFrameShape(QFrame::NoFrame);
  SetCore(chart_);
}

TChartWidget::~TChartWidget() { SetCore(nullptr); }

}  // namespace qv
