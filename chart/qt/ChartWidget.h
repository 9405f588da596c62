// The chart on a window: a widget hosting a chart core. The core does the
// drawing (into its buffer, shown on paint), the mouse (clicks, zoom,
// scroll, wheel) and the layout; the widget only carries Qt's events to it.
#pragma once

#include <memory>

#include "chart/Chart.h"
#include "platform/gui/QtHost.h"

namespace qv {

class TChartWidget : public TControlWidget {
  Q_OBJECT
 public:
  // A widget with a chart of its own.
  explicit TChartWidget(QWidget* parent = nullptr);
  // A widget showing Chart, which it does not own; the chart must outlive
  // the widget.
  explicit TChartWidget(TCustomChart& chart, QWidget* parent = nullptr);
  ~TChartWidget() override;
  TChartWidget(const TChartWidget&) = delete;
  TChartWidget& operator=(const TChartWidget&) = delete;

  TCustomChart& Chart() const { return *chart_; }
  // A chart's default size: 400 x 250.
  QSize sizeHint() const override { return QSize(400, 250); }

 private:
  std::unique_ptr<TChart> owned_;
  TCustomChart* chart_;
};

}  // namespace qv
