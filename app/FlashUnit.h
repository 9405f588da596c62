// TFlashForm: the splash shown without a border while the main window is
// built, and, with a tool-window border captioned "About Quorvane", the
// about box of the Help menu. Its centre piece is the small 3-D chart
// FlashChart of a surface picked at random from six formulas each time the
// window is made (its own generator, seeded from the clock).
//
// A click anywhere, Esc or Enter closes it.
#pragma once

#include <QDialog>
#include <memory>
#include <vector>

#include "platform/core/Random.h"

namespace qv {

class TChartWidget;
class TSurfaceSeries;

class TFlashForm : public QDialog {
  Q_OBJECT
 public:
  // Splash: borderless with the frame Shape1 visible; else the about box.
  TFlashForm(QWidget* parent, bool Splash);
  ~TFlashForm() override;
  TFlashForm(const TFlashForm&) = delete;
  TFlashForm& operator=(const TFlashForm&) = delete;

  // The formula picked (0..5) and the amplitude A of formulas 0 to 2.
  int Formula() const { return formula_; }
  double Amplitude() const { return amplitude_; }
  // The surface: Surface()[i][j] is y at x = 0.12 i - 3, z = 0.12 j - 3,
  // i and j from 0 to 50.
  const std::vector<std::vector<double>>& Surface() const { return surface_; }
  // y of a formula at (x, z).
  static double SurfaceValue(int Formula, double A, double x, double z);
  static constexpr int GridSize = 51;

 protected:
  void keyPressEvent(QKeyEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  void FormCreate();
  TRandomGenerator random_;
  int formula_ = 0;
  double amplitude_ = 0;
  std::vector<std::vector<double>> surface_;
  TChartWidget* chart_ = nullptr;
  // The surface series on the chart, owned by the window.
  std::unique_ptr<TSurfaceSeries> series_;
};

}  // namespace qv
