// The results page: the result summary, the result chart, the two results
// lists, and the commands that take results out of the program (copying,
// saving, printing, the data sheet, the chromosome view).
#include <QApplication>
#include <QMenu>
#include <QTreeWidget>
#include <cmath>

#include "app/AppControls.h"
#include "app/PFMainUnit.h"
#include "chart/Chart.h"
#include "chart/Series.h"
#include "chart/VuzIduro.h"
#include "chart/qt/ChartWidget.h"
#include "editor/CodeEditPrint.h"
#include "editor/qt/CodeEditWidget.h"
#include "platform/core/Services.h"
#include "platform/core/SysUtils.h"

namespace qv {

namespace {

const std::string kOutputResults = "====== Output Results =====";

// Values of [f][o] of a three-level array, empty when absent.
std::vector<double> Column(const Double3Array& a, int f, int o) {
  if (f < 0 || o < 0 || f >= int(a.size()) || o >= int(a[f].size())) return {};
  return a[f][o];
}

double At(const Double2Array& a, int f, int o) {
  if (f < 0 || o < 0 || f >= int(a.size()) || o >= int(a[f].size())) return 0;
  return a[f][o];
}

}  // namespace

// ---- result text ------------------------------------------------------------

void TFitForm::SetResultLines(const std::vector<std::string>& Lines) {
  TStrings& memo = ResultMemo().Lines();
  memo.BeginUpdate();
  memo.Clear();
  memo.AddStrings(Lines);
  memo.EndUpdate();
}

std::vector<std::string> TFitForm::ResultLines() const {
  const TStrings& memo = const_cast<TFitForm*>(this)->ResultMemo().Lines();
  std::vector<std::string> lines;
  lines.reserve(std::size_t(memo.Count()));
  for (int i = 0; i < memo.Count(); ++i) lines.push_back(memo[i]);
  return lines;
}

double TFitForm::MeasureOf(int File, int Output, int Measure) const {
  const TEngineState& S = *engine_;
  switch (Measure) {
    case 0:
      return At(S.Pop.FileR, File, Output);
    case 1:
      return At(S.Pop.FileDC, File, Output);
    case 2:
      return At(S.Pop.FileRMSE, File, Output);
    default:
      return At(S.Pop.FileSSE, File, Output);
  }
}

double TFitForm::ListMeasure(int File, int Measure) const {
  const TEngineState& S = *engine_;
  const int m = Measure >= 0 && Measure <= 3 ? Measure : 3;
  if (S.Model.ModelMode == TModelMode::Function) {
    const auto& functions = FunctionResults();
    if (File < 0 || File >= int(functions.size())) return 0;
    const TFitStatistics& st = functions[std::size_t(File)].Statistics;
    return m == 0 ? st.R : m == 1 ? st.DC : m == 2 ? st.RMSE : st.SSE;
  }
  double sum = 0;
  for (int o = 0; o < S.Model.OutputCount; ++o) sum += MeasureOf(File, o, m);
  return m <= 1 && S.Model.OutputCount > 0 ? sum / S.Model.OutputCount : sum;
}

void TFitForm::ShowReport(const TResultReport& Report) {
  TStrings& memo = ResultMemo().Lines();
  memo.BeginUpdate();
  memo.Clear();
  Report.ForEachLine([&](const std::string& line) { memo.Add(line); });
  memo.EndUpdate();
}

void TFitForm::WriteResultSummary(const std::vector<std::string>& Lines, bool Final) {
  TEngineState& S = *engine_;
  if (!Final) SetResultLines(Lines);
  // A function of a multi-function fitting run has ended: its line of the
  // results list shows the chosen measure of its best member.
  if (Final && S.Model.ModelMode == TModelMode::Function && S.Model.FunctionCount > 1 &&
      !S.Run.SearchRunning) {
    const double measures[] = {S.Pop.BestR, S.Pop.BestDC, S.Pop.BestRMSE, S.Pop.BestSSE};
    if (QTreeWidgetItem* item = functionList_->topLevelItem(S.Model.CurrentFunction))
      item->setText(1, QStr(Format("%0.6g", measures[std::clamp(ComponentTag(panel11_), 0, 3)])));
  }
  UpdateResultChart(false);
}

// ---- result chart -------------------------------------------------------------

void TFitForm::FreeSeries() {
  for (auto& s : series_) s->SetParentChart(nullptr);
  series_.clear();
}

bool TFitForm::ChartData(int Function, TFunctionResult& Data) const {
  const TEngineState& S = *engine_;
  const auto& functions = FunctionResults();
  if (S.Model.ModelMode == TModelMode::Function && Function >= 0 &&
      Function < int(functions.size())) {
    const TFunctionResult& r = functions[std::size_t(Function)];
    Data.Output = r.Output;
    Data.Observed = r.Observed;
    Data.Calculated = r.Calculated;
    Data.Line = r.Line;
    return !Data.Observed.empty();
  }
  const int f = S.Model.CurrentFile, o = S.Model.CurrentOutput;
  std::vector<double>& Observed = Data.Observed;
  std::vector<double>& Calculated = Data.Calculated;
  std::string& Name = Data.Output;
  Data.Line = f >= 0 && o >= 0 && f < int(S.Pop.BestLine.size()) &&
                      o < int(S.Pop.BestLine[std::size_t(f)].size())
                  ? S.Pop.BestLine[std::size_t(f)][std::size_t(o)]
                  : TLineEnds();
  Observed = Column(S.Model.TargetData, f, o);
  Calculated = Column(S.Pop.BestCalculated, f, o);
  if (Calculated.size() < Observed.size()) Calculated = Column(S.Model.Calculated, f, o);
  if (f >= 0 && f < int(S.Model.PointCount.size())) {
    const std::size_t n = std::size_t(std::max(0, S.Model.PointCount[f]));
    if (Observed.size() > n) Observed.resize(n);
    if (Calculated.size() > n) Calculated.resize(n);
  }
  if (S.Model.ModelMode == TModelMode::Function && S.Model.CurrentFunction >= 0 &&
      S.Model.CurrentFunction < int(S.Model.FunctionOutputs.size()))
    Name = S.Model.FunctionOutputs[S.Model.CurrentFunction];
  else
    Name = S.Model.OutputNames.empty() ? std::string() : S.Model.OutputNames.back();
  return !Observed.empty();
}

void TFitForm::SetupResultChart() {
  TChart& chart = FitChart();
  chart.Legend().SetVisible(false);
  FreeSeries();
  TFunctionResult shown;
  ChartData(shownFunction_, shown);
  const std::string& name = shown.Output;
  const int kind = ComponentTag(fitChart_);
  if (kind == 1) {
    chart.LeftAxis().Title.SetCaption("Calculated");
    chart.BottomAxis().Title.SetCaption("Target");
    auto points = std::make_unique<TPointSeries>();
    points->SetTitle("X- Y Points");
    points->Pointer().SetStyle(psStar);
    auto line = std::make_unique<TFastLineSeries>();
    line->SetTitle("X - Y Line");
    for (TChartSeries* s :
         {static_cast<TChartSeries*>(points.get()), static_cast<TChartSeries*>(line.get())}) {
      s->SetParentChart(&chart);
      s->SetSeriesColor(TColor(0xFF));
    }
    series_.push_back(std::move(points));
    series_.push_back(std::move(line));
  } else {
    chart.BottomAxis().Title.SetCaption("");
    chart.LeftAxis().Title.SetCaption(name);
    chart.LeftAxis().Title.SetVisible(true);
    auto calculated = std::make_unique<TFastLineSeries>();
    calculated->SetTitle("Calculated " + name);
    calculated->SetParentChart(&chart);
    calculated->SetSeriesColor(TColor(0xFF));
    std::unique_ptr<TChartSeries> target;
    if (kind == 2) {
      auto p = std::make_unique<TPointSeries>();
      p->Pointer().SetStyle(psStar);
      target = std::move(p);
    } else {
      target = std::make_unique<TFastLineSeries>();
    }
    target->SetTitle("Target " + name);
    target->SetParentChart(&chart);
    target->SetSeriesColor(TColor(0xFF0000));
    series_.push_back(std::move(calculated));
    series_.push_back(std::move(target));
  }
  UpdateResultChart(true);
}

void TFitForm::UpdateResultChart(bool RefreshTarget) {
  if (series_.size() < 2) return;
  const TEngineState& S = *engine_;
  TChart& chart = FitChart();
  TFunctionResult shown;
  ChartData(shownFunction_, shown);
  const std::vector<double>& obs = shown.Observed;
  const std::vector<double>& calc = shown.Calculated;
  const int kind = ComponentTag(fitChart_);
  if (kind == 1) {
    TChartSeries& points = *series_[0];
    TChartSeries& line = *series_[1];
    points.Clear();
    line.Clear();
    const std::size_t n = std::min(obs.size(), calc.size());
    for (std::size_t i = 0; i < n; ++i) points.AddXY(obs[i], calc[i]);
    if (n > 0) {
      line.AddXY(shown.Line.X1, shown.Line.Y1);
      line.AddXY(shown.Line.X2, shown.Line.Y2);
    }
  } else {
    TChartSeries& calculated = *series_[0];
    calculated.Clear();
    for (double v : calc) calculated.AddY(v);
    if (RefreshTarget) {
      TChartSeries& target = *series_[1];
      target.Clear();
      for (double v : obs) target.AddY(v);
    }
    if (S.Model.ModelMode == TModelMode::Program && S.Model.CurrentOutput >= 0 &&
        S.Model.CurrentOutput < int(S.Model.OutputNames.size()))
      chart.LeftAxis().Title.SetCaption(S.Model.OutputNames[S.Model.CurrentOutput]);
  }
  if (S.Model.DataFileCount > 1 || S.Model.OutputCount > 1) {
    const int f = S.Model.CurrentFile, o = S.Model.CurrentOutput;
    TStringList& foot = chart.Foot().Text();
    foot.Clear();
    foot.Add(Format("R=%0.4g; DC=%0.4g; RMSE=%0.4g; SSE=%0.4g", MeasureOf(f, o, 0),
                    MeasureOf(f, o, 1), MeasureOf(f, o, 2), MeasureOf(f, o, 3)));
  }
  fitChart_->viewport()->update();
}

// ---- results lists -------------------------------------------------------------

void TFitForm::FillOutItemList(int Measure) {
  const TEngineState& S = *engine_;
  if (S.Model.OutputCount <= 0) return;
  outItemList_->headerItem()->setText(1, QStr(MeasureName(Measure)));
  for (int j = 0; j < S.Model.OutputCount && j < outItemList_->topLevelItemCount(); ++j)
    outItemList_->topLevelItem(j)->setText(
        1, QStr(Format("%0.6g", MeasureOf(S.Model.CurrentFile, j, Measure))));
}

void TFitForm::FillFunctionListBox(int Measure) {
  functionList_->headerItem()->setText(1, QStr(MeasureName(Measure)));
  const TEngineState& S = *engine_;
  for (int k = 0; k < functionList_->topLevelItemCount(); ++k) {
    if (S.Model.ModelMode == TModelMode::Function && k >= int(FunctionResults().size())) continue;
    QTreeWidgetItem* item = functionList_->topLevelItem(k);
    item->setText(1, QStr(Format("%0.6g", ListMeasure(k, Measure))));
    // Program mode: a data file the engine marks (a test file) is red.
    const bool marked = S.Model.ModelMode == TModelMode::Program &&
                        k < int(S.Model.IsTestFile.size()) && S.Model.IsTestFile[k];
    for (int c = 0; c < 2; ++c)
      item->setForeground(c, marked ? QBrush(Qt::red) : functionList_->palette().text());
  }
}

void TFitForm::UpdateFileFormControls() {
  if (hooks_.EnableFileBrowser && hooks_.FileBrowserOpen && hooks_.FileBrowserOpen())
    hooks_.EnableFileBrowser(!SearchRunning());
}

void TFitForm::R1Click(int Measure) {
  if (popupComponent_ == "FunctionListBox") {
    SetComponentTag(panel11_, Measure);
    FillFunctionListBox(Measure);
  } else {
    SetComponentTag(leftPanel_, Measure);
    FillOutItemList(Measure);
  }
}

void TFitForm::LineLineChart1Click(int Kind) {
  FitChart().Legend().SetVisible(false);
  if (Kind == ComponentTag(fitChart_)) return;
  SetComponentTag(fitChart_, Kind);
  TFunctionResult shown;
  if (!ChartData(shownFunction_, shown)) return;
  SetupResultChart();
  UpdateResultChart(false);
}

void TFitForm::OutItemListClick() {
  QTreeWidgetItem* item = outItemList_->currentItem();
  if (!item) return;
  engine_->Model.CurrentOutput = outItemList_->indexOfTopLevelItem(item);
  UpdateResultChart(true);
  ShowFinalResults(true);
}

void TFitForm::FunctionListBoxClick() {
  QTreeWidgetItem* item = functionList_->currentItem();
  if (!item) return;
  const int k = functionList_->indexOfTopLevelItem(item);
  TEngineState& S = *engine_;
  if (S.Model.ModelMode == TModelMode::Function) {
    const auto& functions = FunctionResults();
    if (k < 0 || k >= int(functions.size())) return;
    const TFunctionResult& r = functions[std::size_t(k)];
    S.Model.CurrentFunction = k;
    shownFunction_ = k;
    // The function's own result text, then its observed against calculated
    // table.
    std::vector<std::string> lines;
    auto take = [&](const std::vector<std::string>& text) {
      for (const std::string& l : text) {
        if (l == kOutputResults) return false;
        lines.push_back(l);
      }
      return true;
    };
    if (take(r.Text.Lines)) take(r.Text.TableHead);
    lines.push_back(kOutputResults);
    lines.push_back("No. \tObserved " + r.Output + "\tCalculated " + r.Output);
    for (std::size_t i = 0; i < r.Observed.size(); ++i)
      lines.push_back(
          std::to_string(i + 1) + "\t" + FloatToStr(r.Observed[i]) + "\t" +
          (i < r.Calculated.size() ? FormatFloat("0.0000000", r.Calculated[i]) : std::string()));
    SetResultLines(lines);
    SetupResultChart();
  } else {
    S.Model.CurrentFile = k;
    UpdateResultChart(true);
    ShowFinalResults(true);
  }
}

void TFitForm::FunctionListBoxDblClick() {
  if (engine_->Model.ModelMode == TModelMode::Program && functionList_->currentItem())
    ViewActionExecute();
}

void TFitForm::ListBoxMenuPopup() {
  const bool onFunctions = popupComponent_ == "FunctionListBox";
  const int measure = ComponentTag(onFunctions ? panel11_ : leftPanel_);
  const char* const items[] = {"R1", "DC1", "RMSE1", "SSE1"};
  for (int i = 0; i < 4; ++i) {
    Action(items[i])->setChecked(i == std::clamp(measure, 0, 3));
    Action(items[i])->setEnabled(!SearchRunning());
  }
  Action("Copy3")->setChecked(false);
  Action("CopyAll1")->setChecked(false);
  const bool view = engine_->Model.ModelMode == TModelMode::Program && onFunctions;
  Action("ViewItem")->setVisible(view);
  if (QAction* sep = listBoxMenu_->findChild<QAction*>("ViewSeparator")) sep->setVisible(view);
  Action("ViewItem")->setEnabled(functionList_->currentItem() != nullptr);
}

// ---- results page commands -------------------------------------------------------

void TFitForm::Copy3Click() {
  QTreeWidget* list = popupComponent_ == "OutItemList" ? outItemList_ : functionList_;
  TStringList lines;
  QTreeWidgetItem* header = list->headerItem();
  lines.Add(StdStr(header->text(0)) + "\t" + StdStr(header->text(1)));
  for (int i = 0; i < list->topLevelItemCount(); ++i) {
    QTreeWidgetItem* item = list->topLevelItem(i);
    lines.Add(StdStr(item->text(0)) + "\t" + StdStr(item->text(1)));
  }
  Clipboard().SetText(lines.Text());
}

void TFitForm::CopyAll1Click() {
  const TEngineState& S = *engine_;
  TStringList lines;
  lines.Add("Function\tR\tDC\tRMSE\tSSE");
  auto add = [&](const std::string& name, double r, double dc, double rmse, double sse) {
    lines.Add(name + Format("\t%0.5f\t%0.5f\t%0.5f\t%0.5f", r, dc, rmse, sse));
  };
  if (S.Model.ModelMode == TModelMode::Function) {
    for (const TFunctionResult& r : FunctionResults())
      add(r.Output, r.Statistics.R, r.Statistics.DC, r.Statistics.RMSE, r.Statistics.SSE);
  } else if (S.Model.ModelMode == TModelMode::Program) {
    for (int f = 0; f < S.Model.DataFileCount; ++f)
      add(ExtractFileName(f < int(S.Model.DataSetNames.size()) ? S.Model.DataSetNames[f]
                                                               : std::string()),
          ListMeasure(f, 0), ListMeasure(f, 1), ListMeasure(f, 2), ListMeasure(f, 3));
  }
  Clipboard().SetText(lines.Text());
}

void TFitForm::Save2Click() {
  TFileDialogOptions o = *saveDialog_;
  o.Title = "Save Results";
  o.Filter = "Text Files (*.txt)|*.txt";
  o.DefaultExt = "txt";
  o.FileName.clear();
  const TFileDialogResult r = Dialogs().SaveDialog(o);
  if (!r.Ok) return;
  saveDialog_->InitialDir = ExtractFileDir(r.FileName());
  try {
    TStringList lines;
    lines.AddStrings(ResultLines());
    lines.SaveToFile(r.FileName());
  } catch (const std::exception& e) {
    Dialogs().MessageBox(e.what(), "Error", mtError, mbOK);
  }
}

void TFitForm::PrintEditor(TCodeEdit& Editor) {
  // The job and its header are named after the model's file.
  const std::string title =
      fileName_.empty() ? std::string("Untitled") : ExtractFileName(fileName_);
  if (!Dialogs().PrintDialog(title)) return;
  TCodeEditPrint& print = CodeEditPrint();
  try {
    print.SetTitle(title);
    print.SetDocTitle(title);
    print.SetCodeEdit(Editor);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    struct TCursorBack {
      ~TCursorBack() { QApplication::restoreOverrideCursor(); }
    } cursorBack;
    print.Print();
  } catch (const std::exception& e) {
    Dialogs().MessageBox(e.what(), "Error", mtError, mbOK);
  }
}

void TFitForm::Print2Click() { PrintEditor(ResultMemo()); }
void TFitForm::PrintButtonClick() { PrintEditor(CodeMemo()); }

void TFitForm::SaveChart1Click() {
  if (hooks_.SaveChart) {
    hooks_.SaveChart(FitChart());
    return;
  }
  TFileDialogOptions o = *saveDialog_;
  o.Title = "Save Chart";
  o.Filter = "Chart Files (*.qvc)|*.qvc|Bitmap Files (*.bmp)|*.bmp|Metafiles (*.wmf)|*.wmf";
  o.DefaultExt = "qvc";
  o.FileName.clear();
  const TFileDialogResult r = Dialogs().SaveDialog(o);
  if (!r.Ok) return;
  saveDialog_->InitialDir = ExtractFileDir(r.FileName());
  const std::string name = r.FileName();
  const std::string ext = LowerCase(ExtractFileExt(name));
  try {
    if (ext == ".bmp")
      FitChart().SaveToBitmapFile(name);
    else if (ext == ".wmf")
      FitChart().SaveToMetafile(name);
    else
      SaveChartToFile(FitChart(), name);
  } catch (const std::exception& e) {
    Dialogs().MessageBox(e.what(), "Error", mtError, mbOK);
  }
}

bool TFitForm::ReplaceSheetDocument() {
  if (!hooks_.SheetExists || !hooks_.SheetExists()) return true;
  if (hooks_.SheetModified && hooks_.SheetModified()) {
    const int answer = Dialogs().MessageBox("Spread sheet has been modified, save it?",
                                            "Confirmation", mtConfirmation, mbYesNoCancel);
    if (answer == mrCancel || answer == mrNone) return false;
    // "Yes" goes on only when the sheet was saved.
    if (answer == mrYes && hooks_.SaveSheet && !hooks_.SaveSheet()) return false;
  }
  if (hooks_.NewSheetDocument) hooks_.NewSheetDocument();
  return true;
}

void TFitForm::CatchDataClick() {
  if (!hooks_.ShowSheet) {
    Dialogs().MessageBox("The data sheet window is not available in this program.", "Information",
                         mtInformation, mbOK);
    return;
  }
  if (!ReplaceSheetDocument()) return;
  bool created = false;
  if (TResultSheet* sheet = hooks_.ShowSheet(created)) ResultsToSheet(*sheet);
}

void TFitForm::ResultsToSheet(TResultSheet& Sheet) {
  const TEngineState& S = *engine_;
  if (S.Model.ModelMode == TModelMode::Program) {
    const int outputs = std::max(1, S.Model.OutputCount);
    for (int k = 0; k < S.Model.DataFileCount; ++k) {
      const int col = 2 * k * outputs;
      Sheet.SetText(col, 0,
                    ExtractFileName(k < int(S.Model.DataSetNames.size()) ? S.Model.DataSetNames[k]
                                                                         : std::string()));
      Sheet.MergeRow(col, 0, 2 * outputs);
      for (int j = 0; j < S.Model.OutputCount; ++j) {
        const std::string name = j < int(S.Model.OutputNames.size()) ? S.Model.OutputNames[j] : "";
        Sheet.SetText(col + 2 * j, 1, "Obs. " + name);
        Sheet.SetText(col + 2 * j + 1, 1, "Cal. " + name);
        const std::vector<double> obs = Column(S.Model.TargetData, k, j);
        const std::vector<double> calc = Column(S.Pop.BestCalculated, k, j);
        const int n = k < int(S.Model.PointCount.size()) ? S.Model.PointCount[k] : 0;
        for (int i = 0; i < n && i < int(obs.size()); ++i) {
          Sheet.SetFloat(col + 2 * j, i + 2, obs[std::size_t(i)]);
          if (i < int(calc.size()))
            Sheet.SetText(col + 2 * j + 1, i + 2, FormatFloat("0.00000", calc[std::size_t(i)]));
        }
      }
    }
  } else if (S.Model.ModelMode == TModelMode::Equation) {
    Sheet.SetText(0, 0, "Parameter Name");
    Sheet.SetText(1, 0, "Parameter Values");
    Sheet.SetColumnWidth(0, 120);
    Sheet.SetColumnWidth(1, 120);
    for (int p = 0; p < S.Model.ParameterCount && p < int(S.Model.ParameterNames.size()); ++p) {
      Sheet.SetText(0, p + 1, S.Model.ParameterNames[p]);
      if (p < int(S.Model.ParameterValues.size()))
        Sheet.SetFloat(1, p + 1, S.Model.ParameterValues[p]);
    }
  } else if (S.Model.ModelMode == TModelMode::Function) {
    std::vector<TFunctionResult> functions = FunctionResults();
    if (functions.empty()) {
      TFunctionResult r;
      ChartData(-1, r);
      functions.push_back(r);
    }
    for (std::size_t k = 0; k < functions.size(); ++k) {
      const TFunctionResult& r = functions[k];
      const int col = int(2 * k);
      Sheet.SetText(col, 0, r.Output);
      Sheet.MergeRow(col, 0, 2);
      // Each function's columns are headed with its own output.
      Sheet.SetText(col, 1, "Obs. " + r.Output);
      Sheet.SetText(col + 1, 1, "Cal. " + r.Output);
      for (std::size_t i = 0; i < r.Observed.size(); ++i) {
        Sheet.SetFloat(col, int(i) + 2, r.Observed[i]);
        if (i < r.Calculated.size())
          Sheet.SetText(col + 1, int(i) + 2, FormatFloat("0.00000", r.Calculated[i]));
      }
    }
  }
  Sheet.SetCurrentRow(1);
  Sheet.SetCurrentRow(0);
}

void TFitForm::ViewActionExecute() {
  QTreeWidgetItem* item = functionList_->currentItem();
  if (!item || !hooks_.ShowSheet) return;
  const int k = functionList_->indexOfTopLevelItem(item);
  const TEngineState& S = *engine_;
  if (k < 0 || k >= S.Model.DataFileCount) return;
  if (!ReplaceSheetDocument()) return;
  bool created = false;
  TResultSheet* sheet = hooks_.ShowSheet(created);
  if (!sheet) return;
  if (k < int(S.Model.DataColumns.size())) {
    const Double2Array& columns = S.Model.DataColumns[std::size_t(k)];
    for (std::size_t c = 0; c < columns.size(); ++c)
      for (std::size_t i = 0; i < columns[c].size(); ++i)
        sheet->SetFloat(int(c), int(i), columns[c][i]);
  }
  const std::string name =
      k < int(S.Model.DataSetNames.size()) ? S.Model.DataSetNames[k] : std::string();
  if (hooks_.SetSheetCaption) hooks_.SetSheetCaption("Quorvane Data Editor - [" + name + "]");
}

void TFitForm::ViewChromosomes1Click() {
  const TEngineState& S = *engine_;
  if (S.Pop.Population.empty()) return;
  std::vector<std::vector<std::string>> cells;
  // Header: the parameter of each dimension; per-file parameters of a
  // program model with several data files name their file.
  std::vector<std::string> header{""};
  const int shared = S.Model.ParameterCount - S.Model.VarParameterCount;
  std::vector<int> fitted;
  for (int f = 0; f < S.Model.DataFileCount; ++f)
    if (!(f < int(S.Model.IsTestFile.size()) && S.Model.IsTestFile[f])) fitted.push_back(f);
  for (int d = 0; d < S.Model.DimCount; ++d) {
    const int p = S.Model.DimParameter(d);
    std::string name =
        p >= 0 && p < int(S.Model.ParameterNames.size()) ? S.Model.ParameterNames[p] : "";
    if (S.Model.ModelMode == TModelMode::Program && S.Model.DataFileCount > 1 &&
        S.Model.VarParameterCount > 0 && d >= shared) {
      const int block = (d - shared) / S.Model.VarParameterCount;
      if (block < int(fitted.size())) {
        const int f = fitted[std::size_t(block)];
        name +=
            " for \"" +
            ExtractFileName(f < int(S.Model.DataSetNames.size()) ? S.Model.DataSetNames[f] : "") +
            "\"";
      }
    }
    header.push_back(name);
  }
  cells.push_back(header);
  auto row = [&](const std::string& label, const Double1Array& values,
                 const std::vector<std::string>* genes) {
    std::vector<std::string> r{label};
    for (int d = 0; d < S.Model.DimCount && d < int(values.size()); ++d)
      r.push_back(S.Model.EncodeDecode ? FloatToStr(values[std::size_t(d)])
                                       : Format("%0.7g", values[std::size_t(d)]));
    cells.push_back(r);
    if (S.Model.EncodeDecode && genes) {
      std::vector<std::string> g{""};
      for (int d = 0; d < S.Model.DimCount && d < int(genes->size()); ++d)
        g.push_back((*genes)[std::size_t(d)]);
      cells.push_back(g);
    }
  };
  for (int m = 0; m < S.Pop.PopSize && m < int(S.Pop.Population.size()); ++m)
    row("Chrom-" + std::to_string(m + 1), S.Pop.Population[std::size_t(m)],
        m < int(S.Pop.GeneStrings.size()) ? &S.Pop.GeneStrings[std::size_t(m)] : nullptr);
  row("Best Chrom", S.Pop.BestPosition, &S.Pop.BestGeneStrings);
  if (hooks_.ShowChromosomes)
    hooks_.ShowChromosomes(cells);
  else
    Dialogs().MessageBox("The data sheet window is not available in this program.", "Information",
                         mtInformation, mbOK);
}

}  // namespace qv
