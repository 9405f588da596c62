// The chart analysis window, TChartForm ("Chart Draw"): after a run, the
// user moves one or two parameters from the fixed list ("Fixed
// Parameters") to the active list ("Active Parameters"), gives their
// ranges (TEditForm, app/EditUnit.h) and draws how the fit measure or
// objective changes over them: a line for one parameter, a surface,
// contour or colour grid for two. The chart and its series can be
// inspected, copied, printed and saved; the data saved as CSV, copied as
// tab-separated text or written into the data sheet window.
//
// The window keeps its own copy of the parameter values (the engine's best
// values when it opens); fixed parameters keep them while drawing. The grid
// it computed stays until the next Draw, so switching the 3-D kind redraws
// without evaluating the model again. It works on the main window's engine
// state and puts the engine's slots back after each drawing.
#pragma once

#include <QDialog>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/ChartGrid.h"

class QAction;
class QComboBox;
class QMenu;
class QProgressBar;
class QPushButton;
class QTreeWidget;
class QWidget;

namespace qv {

class TChart;
class TChartSeries;
class TChartWidget;
class TEditForm;
class TFitForm;
class TQtPropInspector;
struct TFitFormHooks;

class TChartForm : public QDialog {
  Q_OBJECT
 public:
  // Engine: the main window's state; Rmse: RMSE is the fit measure; Hooks:
  // the main window's reach to the data sheet window (may be null).
  TChartForm(TEngineState& Engine, bool Rmse, TFitFormHooks* Hooks, QWidget* parent = nullptr);
  ~TChartForm() override;
  TChartForm(const TChartForm&) = delete;
  TChartForm& operator=(const TChartForm&) = delete;

  // Fills the fixed list with the model's plain parameters (not the
  // per-data-set ones of program models) and copies every parameter value
  // (the best member's where there is one).
  void FillParameters();

  // ---- handlers ----
  void MoveBTClick();
  void MoveUpBTClick();
  void EditBTClick();
  void DrawBTClick();
  void SurfaceChart1Click() { SetKind3D(0); }
  void ContourChart1Click() { SetKind3D(1); }
  void ColorGridChart1Click() { SetKind3D(2); }
  void Copy1Click();
  void CopyData1Click();
  void ViewData1Click();
  void Print1Click();
  void Save1Click();
  void SaveData1Click();
  void PopupMenu1Popup();
  void ObjComboBoxChange();
  void Panel3Click();
  void Panel5Click();

  // The chart-saving dialog ("Chart Save"): ".qvc" with the series data,
  // ".bmp" or ".wmf" by the filter chosen. Also the main window's
  // SaveChart. Folder: where the dialog starts (updated).
  static void SaveChart(TChart& Chart, std::string& Folder);

  // ---- state ----
  TChart& Chart1();
  const TChartGrid& Grid() const { return grid_; }
  const std::vector<double>& ParameterCopy() const { return parameters_; }
  int Kind3D() const { return kind3D_; }
  std::vector<TChartRange> ActiveRanges() const;
  QMenu* PopupMenu1() const { return popup_; }
  QAction* MenuAction(const std::string& Name) const;

  QTreeWidget* ParListView = nullptr;
  QTreeWidget* ActiveListView = nullptr;
  QPushButton* MoveBT = nullptr;
  QPushButton* MoveUpBT = nullptr;
  QPushButton* EditBT = nullptr;
  QPushButton* DrawBT = nullptr;
  QProgressBar* ProgressBar1 = nullptr;
  QWidget* ListPanel = nullptr;
  QWidget* InspectorPanel = nullptr;
  QComboBox* ObjComboBox = nullptr;
  TQtPropInspector* ObjInspec = nullptr;

  // Runs the range editor modally (tests answer it); true on OK.
  std::function<bool(TEditForm&)> RunEditForm;
  // Which list Edit works on: the one that last had the focus.
  bool EditOnActiveList = false;

 protected:
  void keyPressEvent(QKeyEvent* e) override;

 private:
  void SetKind3D(int Kind);
  void RebuildSeries();
  void FreeSeries();
  void FillObjComboBox();
  void SetAxisTitles();
  std::vector<std::string> DataLines(TChartTextForm Form, const std::string& Separator) const;

  TEngineState& engine_;
  bool rmse_;
  TFitFormHooks* hooks_;
  TChartWidget* chart_ = nullptr;
  QMenu* popup_ = nullptr;
  std::vector<double> parameters_;
  std::vector<std::unique_ptr<TChartSeries>> series_;
  TChartGrid grid_;
  int kind3D_ = 0;
  std::string folder_;
};

// The main window's "2D-3D analysis" command: the window, filled and shown
// modally.
void ShowChartAnalysis(TFitForm& Form);

}  // namespace qv
