#include "chart/qt/ChartWidget.h"

#include "platform/gui/QtCanvas.h"

namespace qv {

TChartWidget::TChartWidget(QWidget* parent)
    : TControlWidget(nullptr, parent), owned_(std::make_unique<TChart>()), chart_(owned_.get()) {
  InstallQtGraphics();
  setFrameShape(QFrame::NoFrame);
  SetCore(chart_);
}

TChartWidget::TChartWidget(TCustomChart& chart, QWidget* parent)
    : TControlWidget(nullptr, parent), chart_(&chart) {
  InstallQtGraphics();
  setFrameShape(QFrame::NoFrame);
  SetCore(chart_);
}

TChartWidget::~TChartWidget() { SetCore(nullptr); }

}  // namespace qv
