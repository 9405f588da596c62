#include "app/ChartUnit.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QSplitter>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <cmath>

#include "app/AppControls.h"
#include "app/AppPaths.h"
#include "app/EditUnit.h"
#include "app/PFMainUnit.h"
#include "chart/Chart.h"
#include "chart/VeZazera.h"
#include "chart/VuzIduro.h"
#include "chart/qt/ChartWidget.h"
#include "engine/SettingNames.h"
#include "platform/core/Classes.h"
#include "platform/core/Services.h"
#include "platform/core/SysUtils.h"
#include "platform/gui/QtHost.h"
#include "support/PropEditors.h"
#include "support/qt/QtPropInsp.h"

namespace qv {

namespace {

// Hidden column "v" of both lists: the parameter's index.
constexpr int kFixedIndexColumn = 2;
constexpr int kActiveIndexColumn = 4;

void Information(const std::string& text) {
  Dialogs().MessageBox(text, "Information", mtInformation, mbOK);
}
void Error(const std::string& text) { Dialogs().MessageBox(text, "Error", mtError, mbOK); }

QTreeWidget* MakeList(QWidget* parent, const char* name, const QStringList& columns, int hidden) {
  auto* list = new QTreeWidget(parent);
  list->setObjectName(name);
  list->setColumnCount(int(columns.size()));
  list->setHeaderLabels(columns);
  list->setRootIsDecorated(false);
  list->setSelectionMode(QAbstractItemView::SingleSelection);
  list->setColumnHidden(hidden, true);
  return list;
}

int ItemIndex(QTreeWidgetItem* item, int column) { return item->text(column).toInt(); }

}  // namespace

TChartForm::TChartForm(TEngineState& Engine, bool Rmse, TFitFormHooks* Hooks, QWidget* parent)
    : QDialog(parent), engine_(Engine), rmse_(Rmse), hooks_(Hooks), folder_(ProgramFolder()) {
  setObjectName("ChartForm");
  setWindowTitle("Chart Draw");
  resize(760, 520);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(2, 2, 2, 2);

  // The two panel buttons along the top.
  auto* top = new QHBoxLayout;
  auto* panel5 = new QToolButton(this);
  panel5->setObjectName("Panel5");
  panel5->setText("2-3 D Chart");
  connect(panel5, &QToolButton::clicked, this,
          [this] { GuardHostCall("Panel5Click", [&] { Panel5Click(); }); });
  auto* panel3 = new QToolButton(this);
  panel3->setObjectName("Panel3");
  panel3->setText("Inspector");
  connect(panel3, &QToolButton::clicked, this,
          [this] { GuardHostCall("Panel3Click", [&] { Panel3Click(); }); });
  top->addWidget(panel5);
  top->addWidget(panel3);
  top->addStretch(1);
  layout->addLayout(top);

  auto* splitter = new QSplitter(Qt::Horizontal, this);
  layout->addWidget(splitter, 1);

  // The list panel: fixed parameters, the move buttons, active parameters.
  ListPanel = new QWidget(splitter);
  ListPanel->setObjectName("ListPanel");
  auto* ll = new QVBoxLayout(ListPanel);
  ll->setContentsMargins(0, 0, 0, 0);
  ll->addWidget(new QLabel("Fixed Parameters", ListPanel));
  ParListView = MakeList(ListPanel, "ParListView", {"Name", "Values", "v"}, kFixedIndexColumn);
  ll->addWidget(ParListView, 1);
  auto* buttons = new QHBoxLayout;
  auto button = [&](QPushButton*& b, const char* name, const char* caption,
                    void (TChartForm::*h)()) {
    b = new QPushButton(caption, ListPanel);
    b->setObjectName(name);
    b->setAutoDefault(false);
    connect(b, &QPushButton::clicked, this,
            [this, name, h] { GuardHostCall(name, [&] { (this->*h)(); }); });
    buttons->addWidget(b);
  };
  button(MoveBT, "MoveBT", "Go Down", &TChartForm::MoveBTClick);
  button(MoveUpBT, "MoveUpBT", "Go Up", &TChartForm::MoveUpBTClick);
  button(EditBT, "EditBT", "Edit", &TChartForm::EditBTClick);
  button(DrawBT, "DrawBT", "Draw", &TChartForm::DrawBTClick);
  DrawBT->setEnabled(false);
  ll->addLayout(buttons);
  ll->addWidget(new QLabel("Active Parameters", ListPanel));
  ActiveListView = MakeList(ListPanel, "ActiveListView", {"Name", "From", "To", "Size", "v"},
                            kActiveIndexColumn);
  ll->addWidget(ActiveListView, 1);
  splitter->addWidget(ListPanel);
  connect(ParListView, &QTreeWidget::itemDoubleClicked, this, [this] {
    EditOnActiveList = false;
    GuardHostCall("ParListViewDblClick", [&] { EditBTClick(); });
  });
  connect(ActiveListView, &QTreeWidget::itemDoubleClicked, this, [this] {
    EditOnActiveList = true;
    GuardHostCall("ActiveListViewDblClick", [&] { EditBTClick(); });
  });
  connect(ParListView, &QTreeWidget::itemPressed, this, [this] { EditOnActiveList = false; });
  connect(ActiveListView, &QTreeWidget::itemPressed, this, [this] { EditOnActiveList = true; });

  // The chart with the progress bar under it.
  auto* chartPanel = new QWidget(splitter);
  auto* cl = new QVBoxLayout(chartPanel);
  cl->setContentsMargins(0, 0, 0, 0);
  chart_ = new TChartWidget(chartPanel);
  chart_->setObjectName("Chart1");
  chart_->setContextMenuPolicy(Qt::CustomContextMenu);
  cl->addWidget(chart_, 1);
  ProgressBar1 = new QProgressBar(chartPanel);
  ProgressBar1->setObjectName("ProgressBar1");
  ProgressBar1->setVisible(false);
  cl->addWidget(ProgressBar1);
  splitter->addWidget(chartPanel);
  splitter->setStretchFactor(1, 1);

  // The inspector of the chart and its series.
  InspectorPanel = new QWidget(splitter);
  InspectorPanel->setObjectName("InspectorPanel");
  auto* il = new QVBoxLayout(InspectorPanel);
  il->setContentsMargins(0, 0, 0, 0);
  ObjComboBox = new QComboBox(InspectorPanel);
  ObjComboBox->setObjectName("ObjComboBox");
  il->addWidget(ObjComboBox);
  ObjInspec = new TQtPropInspector(InspectorPanel);
  ObjInspec->setObjectName("ObjInspec");
  il->addWidget(ObjInspec, 1);
  splitter->addWidget(InspectorPanel);
  InspectorPanel->setVisible(false);
  ObjInspec->Inspector().SetMiddle(TPropInspector::DefaultWidth / 2);
  // Component names cannot be edited here.
  ObjInspec->Inspector().OnChanging = [](TPropInspector&, TPropertyEditor& Prop, bool& CanChange) {
    if (LowerCase(Prop.ClassName()) == "tcomponentnameproperty") CanChange = false;
  };
  connect(ObjComboBox, qOverload<int>(&QComboBox::activated), this,
          [this] { GuardHostCall("ObjComboBoxChange", [&] { ObjComboBoxChange(); }); });

  // The chart's popup menu.
  popup_ = new QMenu(this);
  popup_->setObjectName("PopupMenu1");
  auto item = [&](const char* name, const char* caption, void (TChartForm::*h)()) {
    QAction* a = popup_->addAction(caption);
    a->setObjectName(name);
    connect(a, &QAction::triggered, this,
            [this, name, h] { GuardHostCall(name, [&] { (this->*h)(); }); });
    return a;
  };
  item("Copy1", "Copy Chart", &TChartForm::Copy1Click);
  item("CopyData1", "Copy Data", &TChartForm::CopyData1Click);
  item("ViewData1", "View Data", &TChartForm::ViewData1Click);
  popup_->addSeparator();
  item("Print1", "Print", &TChartForm::Print1Click);
  item("Save1", "Save Chart", &TChartForm::Save1Click);
  item("SaveData1", "Save Data", &TChartForm::SaveData1Click);
  popup_->addSeparator();
  for (QAction* a :
       {item("SurfaceChart1", "Surface Chart", &TChartForm::SurfaceChart1Click),
        item("ContourChart1", "Contour Chart", &TChartForm::ContourChart1Click),
        item("ColorGridChart1", "Color Grid Chart", &TChartForm::ColorGridChart1Click)})
    a->setCheckable(true);
  connect(chart_, &QWidget::customContextMenuRequested, this, [this](const QPoint& p) {
    GuardHostCall("PopupMenu1Popup", [&] { PopupMenu1Popup(); });
    popup_->exec(chart_->mapToGlobal(p));
  });

  TChart& chart = Chart1();
  chart.Legend().SetVisible(false);
  chart.Title().SetVisible(false);
  chart.SubFoot().SetAlignment(taLeftJustify);
  chart.SetView3D(false);
  // Numeric axis labels in three significant digits.
  chart.OnGetAxisLabel = [](TChartAxis*, TChartSeries* series, int index, std::string& text) {
    if (series || index >= 0) return;
    std::string plain;
    for (char c : text)
      if (c != ',' && c != ' ') plain += c;
    double v = 0;
    if (ParseChartNumber(plain, v)) text = Format("%0.3g", v);
  };
  FillObjComboBox();
}

TChartForm::~TChartForm() {
  ObjInspec->Inspector().SetInspectedObject({});
  FreeSeries();
}

TChart& TChartForm::Chart1() { return static_cast<TChart&>(chart_->Chart()); }

QAction* TChartForm::MenuAction(const std::string& Name) const {
  return popup_->findChild<QAction*>(QStr(Name));
}

void TChartForm::FillParameters() {
  const TEngineModel& M = engine_.Model;
  parameters_.assign(M.ParameterValues.begin(), M.ParameterValues.end());
  parameters_.resize(std::size_t(std::max(M.ParameterCount, 0)), 0.0);
  const Double1Array& best = engine_.Pop.BestPosition;
  const int plain =
      M.ParameterCount - (M.ModelMode == TModelMode::Program ? M.VarParameterCount : 0);
  for (int p = 0; p < plain && p < int(best.size()); ++p)
    parameters_[std::size_t(p)] = best[std::size_t(p)];
  ParListView->clear();
  ActiveListView->clear();
  for (int p = 0; p < plain && p < int(M.ParameterNames.size()); ++p) {
    auto* it = new QTreeWidgetItem(ParListView);
    it->setText(0, QStr(M.ParameterNames[std::size_t(p)]));
    it->setText(1, QStr(Format("%0.4g", parameters_[std::size_t(p)])));
    it->setText(kFixedIndexColumn, QString::number(p));
  }
  if (ParListView->topLevelItemCount() > 0)
    ParListView->setCurrentItem(ParListView->topLevelItem(0));
  ListPanel->setVisible(true);
  InspectorPanel->setVisible(false);
  MoveBT->setEnabled(true);
  DrawBT->setEnabled(false);
}

std::vector<TChartRange> TChartForm::ActiveRanges() const {
  std::vector<TChartRange> ranges;
  for (int k = 0; k < ActiveListView->topLevelItemCount(); ++k) {
    QTreeWidgetItem* it = ActiveListView->topLevelItem(k);
    TChartRange r;
    r.Name = StdStr(it->text(0));
    r.Index = ItemIndex(it, kActiveIndexColumn);
    double size = 0;
    if (!ParseChartNumber(StdStr(it->text(1)), r.From)) r.From = NAN;
    if (!ParseChartNumber(StdStr(it->text(2)), r.To)) r.To = NAN;
    r.Size = ParseChartNumber(StdStr(it->text(3)), size) && size == std::floor(size) && size >= 1 &&
                     size <= 2000
                 ? int(size)
                 : 0;
    ranges.push_back(r);
  }
  return ranges;
}

// ---- the lists ---------------------------------------------------------------------

void TChartForm::MoveBTClick() {
  QTreeWidgetItem* fixed = ParListView->currentItem();
  if (!fixed || ActiveListView->topLevelItemCount() >= 2) return;
  const int index = ItemIndex(fixed, kFixedIndexColumn);
  const double v = index < int(parameters_.size()) ? parameters_[std::size_t(index)] : 0;
  double from = 0, to = 0;
  DefaultChartRange(v, from, to);
  auto* it = new QTreeWidgetItem;
  it->setText(0, fixed->text(0));
  it->setText(1, QStr(Format("%0.4g", from)));
  it->setText(2, QStr(Format("%0.4g", to)));
  it->setText(3, "30");
  it->setText(kActiveIndexColumn, QString::number(index));
  int at = 0;
  if (ActiveListView->topLevelItemCount() == 1 &&
      index > ItemIndex(ActiveListView->topLevelItem(0), kActiveIndexColumn))
    at = 1;
  ActiveListView->insertTopLevelItem(at, it);
  ActiveListView->setCurrentItem(ActiveListView->topLevelItem(0));
  MoveBT->setEnabled(ActiveListView->topLevelItemCount() < 2);
  const int row = ParListView->indexOfTopLevelItem(fixed);
  delete ParListView->takeTopLevelItem(row);
  const int count = ParListView->topLevelItemCount();
  if (count > 0) ParListView->setCurrentItem(ParListView->topLevelItem(std::min(row, count - 1)));
  DrawBT->setEnabled(ActiveListView->topLevelItemCount() > 0);
}

void TChartForm::MoveUpBTClick() {
  QTreeWidgetItem* active = ActiveListView->currentItem();
  if (!active) return;
  const int index = ItemIndex(active, kActiveIndexColumn);
  auto* it = new QTreeWidgetItem;
  it->setText(0, active->text(0));
  it->setText(
      1, QStr(Format("%0.4g",
                     index < int(parameters_.size()) ? parameters_[std::size_t(index)] : 0.0)));
  it->setText(kFixedIndexColumn, QString::number(index));
  int at = 0;
  while (at < ParListView->topLevelItemCount() &&
         ItemIndex(ParListView->topLevelItem(at), kFixedIndexColumn) < index)
    ++at;
  ParListView->insertTopLevelItem(at, it);
  ParListView->setCurrentItem(it);
  delete ActiveListView->takeTopLevelItem(ActiveListView->indexOfTopLevelItem(active));
  if (ActiveListView->topLevelItemCount() > 0)
    ActiveListView->setCurrentItem(ActiveListView->topLevelItem(0));
  MoveBT->setEnabled(true);
  DrawBT->setEnabled(ActiveListView->topLevelItemCount() > 0);
}

void TChartForm::EditBTClick() {
  if (!EditOnActiveList) {
    QTreeWidgetItem* it = ParListView->currentItem();
    if (!it) {
      Information("No item selected!");
      return;
    }
    const int index = ItemIndex(it, kFixedIndexColumn);
    std::string value = StdStr(it->text(1));
    if (!Dialogs().InputQuery("Input " + StdStr(it->text(0)) + " Value", "Value", value)) return;
    double v = 0;
    if (!ParseChartNumber(value, v) || !std::isfinite(v)) {
      Error("\"" + value + "\" is not a valid number.");
      return;
    }
    if (index >= 0 && index < int(parameters_.size())) parameters_[std::size_t(index)] = v;
    it->setText(1, QStr(Format("%0.4g", v)));
    return;
  }
  QTreeWidgetItem* it = ActiveListView->currentItem();
  if (!it) {
    Information("No item selected!");
    return;
  }
  const int index = ItemIndex(it, kActiveIndexColumn);
  const double v =
      index >= 0 && index < int(parameters_.size()) ? parameters_[std::size_t(index)] : 0;
  TEditForm form(this);
  form.setWindowTitle(QStr(StdStr(it->text(0)) + " - [" + Format("%0.5g", v) + "]"));
  form.SetValues(StdStr(it->text(1)), StdStr(it->text(2)), StdStr(it->text(3)),
                 ActiveListView->topLevelItemCount() == 2);
  const bool ok = RunEditForm ? RunEditForm(form) : form.exec() == QDialog::Accepted;
  if (!ok) return;
  it->setText(1, QStr(Format("%0.15g", form.From())));
  it->setText(2, QStr(Format("%0.15g", form.To())));
  const QString steps = QString::number(form.Steps());
  if (form.BothItems()) {
    for (int k = 0; k < ActiveListView->topLevelItemCount(); ++k)
      ActiveListView->topLevelItem(k)->setText(3, steps);
  } else {
    it->setText(3, steps);
  }
}

// ---- drawing -----------------------------------------------------------------------

void TChartForm::FreeSeries() {
  TChart& chart = Chart1();
  ObjInspec->Inspector().SetInspectedObject({});
  for (auto& s : series_) s->SetParentChart(nullptr);
  series_.clear();
  (void)chart;
}

void TChartForm::SetAxisTitles() {
  TChart& chart = Chart1();
  const std::string measure = ChartMeasureName(engine_, rmse_);
  if (grid_.Active.size() == 1) {
    chart.BottomAxis().Title.SetCaption(grid_.Active[0].Name);
    chart.LeftAxis().Title.SetCaption(measure);
  } else if (grid_.Active.size() == 2) {
    chart.BottomAxis().Title.SetCaption(grid_.Active[0].Name);
    // A contour or colour grid shows the second parameter up the vertical
    // axis; a surface shows the measure there and the second in depth.
    chart.LeftAxis().Title.SetCaption(kind3D_ == 0 ? measure : grid_.Active[1].Name);
    chart.DepthAxis().Title.SetCaption(grid_.Active[1].Name);
  }
  for (TChartAxis* a :
       {&static_cast<TChartAxis&>(chart.BottomAxis()), &static_cast<TChartAxis&>(chart.LeftAxis()),
        static_cast<TChartAxis*>(&chart.DepthAxis())})
    a->LabelsFont.SetSize(8);
}

void TChartForm::RebuildSeries() {
  FreeSeries();
  TChart& chart = Chart1();
  const bool surface = grid_.Active.size() == 2 && kind3D_ == 0;
  chart.SetView3D(surface);
  if (surface) {
    // Seen from above and aside, with the second parameter as deep as the
    // first is wide, so the surface shows both directions.
    TView3DOptions& view = chart.View3DOptions();
    view.SetOrthogonal(false);
    view.SetRotation(335);
    view.SetElevation(340);
    view.SetZoom(70);
    chart.SetChart3DPercent(60);
  }
  if (grid_.Active.size() == 1)
    series_.push_back(BuildLineSeries(chart, grid_));
  else if (grid_.Active.size() == 2)
    series_.push_back(BuildGridSeries(chart, kind3D_, grid_));
  SetAxisTitles();
  chart.SubFoot().Text().Clear();
  const std::string line = ChartTitleText(grid_, ChartMeasureName(engine_, rmse_));
  if (!line.empty()) chart.SubFoot().Text().Add(line);
  chart.SubFoot().SetVisible(!line.empty());
  FillObjComboBox();
  chart_->update();
}

void TChartForm::DrawBTClick() {
  const std::vector<TChartRange> ranges = ActiveRanges();
  if (ranges.empty()) return;
  for (const TChartRange& r : ranges) {
    const std::string why = CheckChartRange(r);
    if (!why.empty()) {
      Error(why);
      return;
    }
  }
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const int total = ranges[0].Size + 1;
  ProgressBar1->setRange(0, total);
  ProgressBar1->setValue(0);
  ProgressBar1->setVisible(true);
  std::string error;
  TChartGrid grid = ComputeChartGrid(engine_, rmse_, parameters_, ranges, error,
                                     [this](int step) { ProgressBar1->setValue(step); });
  ProgressBar1->setVisible(false);
  QApplication::restoreOverrideCursor();
  if (!error.empty()) {
    Error(error);
    return;
  }
  grid_ = std::move(grid);
  RebuildSeries();
  ListPanel->setVisible(false);
}

void TChartForm::SetKind3D(int Kind) {
  kind3D_ = Kind;
  if (grid_.Active.size() == 2) RebuildSeries();
}

// ---- commands ----------------------------------------------------------------------

void TChartForm::PopupMenu1Popup() {
  const bool panel = true;  // the "2-3 D Chart" panel is always shown here
  const bool hasSeries = !series_.empty();
  const int active = int(grid_.Active.size());
  for (const char* n :
       {"SaveData1", "ViewData1", "CopyData1", "SurfaceChart1", "ContourChart1", "ColorGridChart1"})
    MenuAction(n)->setVisible(panel);
  MenuAction("CopyData1")->setEnabled(hasSeries);
  MenuAction("SaveData1")->setEnabled(hasSeries && active >= 1);
  MenuAction("ViewData1")->setEnabled(hasSeries && active >= 1);
  const char* kinds[] = {"SurfaceChart1", "ContourChart1", "ColorGridChart1"};
  for (int k = 0; k < 3; ++k) {
    MenuAction(kinds[k])->setEnabled(hasSeries && active == 2);
    MenuAction(kinds[k])->setChecked(k == kind3D_);
  }
}

std::vector<std::string> TChartForm::DataLines(TChartTextForm Form,
                                               const std::string& Separator) const {
  return ChartDataLines(grid_, grid_.Active.size() == 1 ? TChartTextForm::ctLine : Form, Separator);
}

void TChartForm::SaveData1Click() {
  if (grid_.Empty()) return;
  TFileDialogOptions o;
  o.Title = "Chart Data Save";
  o.InitialDir = folder_;
  o.DefaultExt = "csv";
  o.Filter = grid_.Active.size() == 1
                 ? "Text files (*.csv)|*.csv"
                 : "Grid Text files (*.csv)|*.csv|X-Y-Z Text files (*.csv)|*.csv";
  const TFileDialogResult r = Dialogs().SaveDialog(o);
  if (!r.Ok || r.FileName().empty()) return;
  folder_ = ExtractFileDir(r.FileName());
  std::string text;
  for (const std::string& l :
       DataLines(r.FilterIndex == 2 ? TChartTextForm::ctXYZ : TChartTextForm::ctGrid, ","))
    text += l + "\r\n";
  try {
    writeFileAtomic(r.FileName(), text);
  } catch (const std::exception& e) {
    Error(e.what());
  }
}

void TChartForm::CopyData1Click() {
  if (grid_.Empty()) return;
  std::string text;
  for (const std::string& l : DataLines(TChartTextForm::ctXYZ, "\t")) text += l + "\r\n";
  Clipboard().SetText(text);
}

void TChartForm::ViewData1Click() {
  if (grid_.Empty()) return;
  if (!hooks_ || !hooks_->ShowSheet) {
    Information("The data sheet window is not available in this program.");
    return;
  }
  bool created = false;
  TResultSheet* sheet = hooks_->ShowSheet(created);
  if (!sheet) return;
  if (hooks_->SetSheetCaption) hooks_->SetSheetCaption("Quorvane SpreadSheet - [Untitled]");
  const std::vector<std::string> lines = DataLines(TChartTextForm::ctXYZ, "\t");
  for (std::size_t row = 0; row < lines.size(); ++row) {
    std::vector<std::string> cells(1);
    for (char c : lines[row])
      if (c == '\t')
        cells.emplace_back();
      else
        cells.back() += c;
    for (std::size_t col = 0; col < cells.size(); ++col) {
      double v = 0;
      if (row > 0 && ParseChartNumber(cells[col], v))
        sheet->SetFloat(int(col), int(row), v);
      else
        sheet->SetText(int(col), int(row), cells[col]);
    }
  }
}

void TChartForm::Copy1Click() {
  try {
    Chart1().CopyToClipboardBitmap();
  } catch (const std::exception& e) {
    Error(e.what());
  }
}

void TChartForm::Print1Click() {
  if (!Printer()) {
    Information("Printing is not available in this program.");
    return;
  }
  try {
    Chart1().Print();
  } catch (const std::exception& e) {
    Error(e.what());
  }
}

void TChartForm::Save1Click() { SaveChart(Chart1(), folder_); }

void TChartForm::SaveChart(TChart& Chart, std::string& Folder) {
  // The filter chosen last gives the next dialog's default extension.
  static int lastFilter = 1;
  TFileDialogOptions o;
  o.Title = "Chart Save";
  o.InitialDir = Folder.empty() ? ProgramFolder() : Folder;
  o.Filter = "Chart files (*.qvc)|*.qvc|Bitmap files (*.bmp)|*.bmp|Metafile (*.wmf)|*.wmf";
  o.FilterIndex = lastFilter;
  o.DefaultExt = lastFilter == 1 ? "qvc" : lastFilter == 2 ? "bmp" : "wmf";
  const TFileDialogResult r = Dialogs().SaveDialog(o);
  if (!r.Ok || r.FileName().empty()) return;
  lastFilter = r.FilterIndex;
  Folder = ExtractFileDir(r.FileName());
  try {
    if (r.FilterIndex == 2)
      Chart.SaveToBitmapFile(r.FileName());
    else if (r.FilterIndex == 3)
      Chart.SaveToMetafile(r.FileName());
    else
      SaveChartToFile(Chart, r.FileName(), true);
  } catch (const std::exception& e) {
    Error(e.what());
  }
}

// ---- inspector and panels --------------------------------------------------------

void TChartForm::FillObjComboBox() {
  ObjComboBox->clear();
  ObjComboBox->addItem("Chart");
  for (std::size_t n = 0; n < series_.size(); ++n)
    ObjComboBox->addItem(QStr("Series " + std::to_string(n + 1)));
  ObjComboBox->setCurrentIndex(0);
  if (InspectorPanel->isVisible()) ObjComboBoxChange();
}

void TChartForm::ObjComboBoxChange() {
  const int index = ObjComboBox->currentIndex();
  TObjectRef object;
  if (index == 0)
    object = MakeObjectRef(&Chart1());
  else if (index > 0 && index <= int(series_.size()))
    object = MakeObjectRef(series_[std::size_t(index - 1)].get());
  ObjInspec->Inspector().SetInspectedObject(object);
}

void TChartForm::Panel3Click() {
  InspectorPanel->setVisible(!InspectorPanel->isVisible());
  if (InspectorPanel->isVisible()) {
    FillObjComboBox();
    ObjComboBoxChange();
  }
}

void TChartForm::Panel5Click() { ListPanel->setVisible(!ListPanel->isVisible()); }

void TChartForm::keyPressEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_Escape) {
    close();
    return;
  }
  if ((e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) && ListPanel->isVisible() &&
      DrawBT->isEnabled()) {
    GuardHostCall("DrawBTClick", [&] { DrawBTClick(); });
    return;
  }
  QDialog::keyPressEvent(e);
}

void ShowChartAnalysis(TFitForm& Form) {
  const bool rmse = Form.Settings().Checked(TSettingName::RB3);
  TChartForm form(Form.Engine(), rmse, &Form.Hooks(), &Form);
  form.FillParameters();
  form.exec();
}

}  // namespace qv
