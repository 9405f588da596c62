// After a successful parse: target columns, compilation of the functions,
// the population set-up and the readable dump of the state.
#include <algorithm>
#include <cmath>
#include <sstream>

#include "engine/FitSettings.h"
#include "engine/ModelParser.h"
#include "engine/ModelTools.h"
#include "engine/ParseExpr.h"
#include "platform/core/Classes.h"
#include "platform/core/SysUtils.h"

namespace qv {

using namespace modeltools;

namespace {

const Double1Array& ColumnOf(const TEngineState& S, int f, int column) {
  static const Double1Array empty;
  if (f >= static_cast<int>(S.Model.DataColumns.size())) return empty;
  const Double2Array& set = S.Model.DataColumns[f];
  if (set.empty()) return empty;
  if (column >= static_cast<int>(set.size())) column = static_cast<int>(set.size()) - 1;
  return set[column];
}

void SetTarget(TEngineState& S, int f, int o, const Double1Array& column) {
  const int rows = f < static_cast<int>(S.Model.PointCount.size()) ? S.Model.PointCount[f] : 0;
  Double1Array values(rows, 0.0);
  for (int r = 0; r < rows && r < static_cast<int>(column.size()); ++r) values[r] = column[r];
  if (S.Model.TargetData.size() <= static_cast<size_t>(f)) S.Model.TargetData.resize(f + 1);
  if (S.Model.TargetData[f].size() <= static_cast<size_t>(o)) S.Model.TargetData[f].resize(o + 1);
  S.Model.TargetData[f][o] = std::move(values);
  for (auto* a : {&S.Model.TargetMean, &S.Model.TargetMin, &S.Model.TargetMax}) {
    if (a->size() <= static_cast<size_t>(f)) a->resize(f + 1);
    if ((*a)[f].size() <= static_cast<size_t>(o)) (*a)[f].resize(o + 1, 0.0);
  }
  const Double1Array& target = S.Model.TargetData[f][o];
  double sum = 0, lo = 0, hi = 0;
  for (int r = 0; r < rows; ++r) {
    sum += target[r];
    if (r == 0 || target[r] < lo) lo = target[r];
    if (r == 0 || target[r] > hi) hi = target[r];
  }
  S.Model.TargetMean[f][o] = rows > 0 ? sum / rows : 0.0;
  S.Model.TargetMin[f][o] = lo;
  S.Model.TargetMax[f][o] = hi;
}

}  // namespace

void PrepareTargetData(TEngineState& S) {
  S.Model.InputNames.clear();
  const int sets = S.Model.DataFileCount;
  S.Model.InputData.assign(sets, {});
  for (int f = 0; f < sets; ++f) {
    int output = 0;
    for (int v = 0; v < S.Model.VariableCount; ++v) {
      const std::string& name = S.Model.VariableNames[v];
      bool isOutput;
      if (S.Model.ModelMode == TModelMode::Program) {
        isOutput = std::find(S.Model.OutputNames.begin(), S.Model.OutputNames.end(), name) !=
                   S.Model.OutputNames.end();
      } else {
        isOutput = S.Model.CurrentFunction < static_cast<int>(S.Model.FunctionOutputs.size()) &&
                   SameText(S.Model.FunctionOutputs[S.Model.CurrentFunction], name);
      }
      if (isOutput) {
        SetTarget(S, f, S.Model.ModelMode == TModelMode::Program ? output : S.Model.CurrentOutput,
                  ColumnOf(S, f, v));
        ++output;
      } else {
        Double1Array column = ColumnOf(S, f, v);
        column.resize(S.Model.PointCount[f], 0.0);
        S.Model.InputData[f].push_back(std::move(column));
        if (f == 0) S.Model.InputNames.push_back(name);
      }
    }
  }
}

bool CheckTargetRange(const TEngineState& S, TFitHost& Host) {
  for (size_t f = 0; f < S.Model.TargetData.size(); ++f)
    for (size_t o = 0; o < S.Model.TargetData[f].size(); ++o) {
      const Double1Array& y = S.Model.TargetData[f][o];
      double sum = 0, squares = 0;
      for (double v : y) sum += v;
      const double mean = y.empty() ? 0 : sum / static_cast<double>(y.size());
      for (double v : y) squares += (v - mean) * (v - mean);
      if (std::isfinite(squares)) continue;
      const int k = S.Model.CurrentFunction;
      const std::string name = k >= 0 && k < static_cast<int>(S.Model.FunctionOutputs.size())
                                   ? S.Model.FunctionOutputs[k]
                                   : "";
      Host.ShowMessage(mtWarning, "The observed values" +
                                      (name.empty() ? "" : " of \"" + name + "\"") +
                                      " are too large: the sum of their squared deviations "
                                      "exceeds the largest number, so RMSE, SSE and DC cannot be "
                                      "computed. Scale the data.");
      return false;
    }
  return true;
}

bool CompileFitFunction(TEngineState& S, TFitHost& Host) {
  S.Model.Parser = std::make_unique<TExpressionParser>();
  S.Model.Parser->SetRandomGenerator(&S.Run.Random);
  S.Model.VariableValues.resize(S.Model.VariableCount, 0.0);
  S.Model.ParameterValues.resize(S.Model.ParameterCount, 0.0);
  for (int v = 0; v < S.Model.VariableCount; ++v)
    S.Model.Parser->BindVariable(S.Model.VariableNames[v], &S.Model.VariableValues[v]);
  for (int p = 0; p < S.Model.ParameterCount; ++p)
    S.Model.Parser->BindVariable(S.Model.ParameterNames[p], &S.Model.ParameterValues[p]);
  try {
    if (S.Model.CurrentFunction < 0 || S.Model.CurrentFunction >= S.Model.FunctionCount)
      throw Exception("No function");
    S.Model.CompiledFunction =
        S.Model.Parser->CompileText(S.Model.FunctionExpressions[S.Model.CurrentFunction]);
    if (S.Model.CompiledFunction < 0) throw Exception("Empty function");
    return true;
  } catch (const std::exception&) {
    Host.ShowMessage(mtInformation, "Function expression is uncorrect!");
    return false;
  }
}

bool CompileEquationFunctions(TEngineState& S, TFitHost& Host) {
  S.Model.Parser = std::make_unique<TExpressionParser>();
  S.Model.Parser->SetRandomGenerator(&S.Run.Random);
  S.Model.ParameterValues.resize(S.Model.ParameterCount, 0.0);
  for (int p = 0; p < S.Model.ParameterCount; ++p)
    S.Model.Parser->BindVariable(S.Model.ParameterNames[p], &S.Model.ParameterValues[p]);
  S.Model.ConstraintIndices.assign(S.Model.ConstraintCount, -1);
  S.Model.ObjectiveIndices.assign(S.Model.ObjectiveCount, -1);
  auto compile = [&](const std::string& text, int& index) {
    try {
      index = S.Model.Parser->CompileText(text);
      if (index < 0) throw Exception("Empty expression");
      return true;
    } catch (const std::exception&) {
      Host.ShowMessage(mtInformation, "Function expression \"" + text + "\" is uncorrect!");
      return false;
    }
  };
  for (int c = 0; c < S.Model.ConstraintCount; ++c)
    if (!compile(S.Model.ConstraintTexts[c], S.Model.ConstraintIndices[c])) return false;
  for (int o = 0; o < S.Model.ObjectiveCount; ++o)
    if (!compile(S.Model.ObjectiveTexts[o], S.Model.ObjectiveIndices[o])) return false;
  return true;
}

namespace {

std::string Num(double v) {
  std::ostringstream out;
  out.precision(15);
  out << v;
  return out.str();
}

template <class A>
std::string Shape(const A& a) {
  return std::to_string(a.size());
}

std::string Shape3(const Double3Array& a) {
  std::string s = "[";
  for (size_t f = 0; f < a.size(); ++f) {
    if (f) s += " ";
    s += std::to_string(a[f].size()) + "x" + (a[f].empty() ? "0" : std::to_string(a[f][0].size()));
  }
  return s + "]";
}

std::string Join(const String1Array& a) {
  std::string s;
  for (size_t i = 0; i < a.size(); ++i) s += (i ? "|" : "") + a[i];
  return s;
}

}  // namespace

std::string DumpModelState(const TEngineState& S) {
  std::ostringstream o;
  o << "ModelMode " << static_cast<int>(S.Model.ModelMode) << "\n";
  o << "ModelTitle " << S.Model.ModelTitle << "\n";
  o << "Exclusive " << (S.Model.Exclusive ? 1 : 0) << "\n";
  o << "Objective " << static_cast<int>(S.Model.Objective) << "\n";
  o << "Variables " << Join(S.Model.VariableNames) << "\n";
  o << "FixedOutputIndex " << S.Model.FixedOutputIndex << "\n";
  o << "OutputCount " << S.Model.OutputCount << "\n";
  o << "OutputNames " << Join(S.Model.OutputNames) << "\n";
  o << "DimCount " << S.Model.DimCount << "\n";
  o << "VarParameterCount " << S.Model.VarParameterCount << "\n";
  for (int p = 0; p < S.Model.ParameterCount && p < static_cast<int>(S.Model.ParameterNames.size());
       ++p) {
    o << "Parameter " << S.Model.ParameterNames[p];
    if (S.Model.IsVarParameter[p]) o << " var";
    if (S.Model.HasInitial[p]) o << " init=" << Num(S.Model.InitialValue[p]);
    if (S.Model.HasRange[p])
      o << " range=" << Num(S.Model.RangeLow[p]) << ":" << Num(S.Model.RangeHigh[p]);
    if (S.Model.HasBound[p]) {
      o << " bounds=" << (S.Model.HasLower[p] ? Num(S.Model.LowerBound[p]) : std::string("")) << ":"
        << (S.Model.HasUpper[p] ? Num(S.Model.UpperBound[p]) : std::string(""));
    }
    if (S.Model.ParameterDigits[p] >= 0) o << " digits=" << S.Model.ParameterDigits[p];
    if (S.Model.IsInteger[p]) o << " integer";
    o << "\n";
  }
  for (int c = 0; c < S.Model.ConstantCount && c < static_cast<int>(S.Model.ConstantNames.size());
       ++c)
    o << "Constant " << S.Model.ConstantNames[c] << "=" << S.Model.ConstantValues[c] << "\n";
  for (int c = 0;
       c < S.Model.VarConstantCount && c < static_cast<int>(S.Model.VarConstantNames.size()); ++c) {
    o << "VarConstant " << S.Model.VarConstantNames[c] << " =";
    for (const auto& row : S.Model.VarConstantValues)
      o << " " << (c < static_cast<int>(row.size()) ? Num(row[c]) : "?");
    o << "\n";
  }
  for (int f = 0;
       f < S.Model.FunctionCount && f < static_cast<int>(S.Model.FunctionExpressions.size()); ++f)
    o << "Function " << S.Model.FunctionOutputs[f] << " <- " << S.Model.FunctionExpressions[f]
      << "\n";
  for (int i = 0; i < S.Model.ObjectiveCount && i < static_cast<int>(S.Model.ObjectiveTexts.size());
       ++i)
    o << "Objective " << S.Model.ObjectiveTexts[i] << "\n";
  for (int i = 0;
       i < S.Model.ConstraintCount && i < static_cast<int>(S.Model.ConstraintTexts.size()); ++i)
    o << "Constraint " << S.Model.ConstraintTexts[i]
      << (S.Model.ConstraintNonStrict[i] ? " <= 0" : " < 0") << "\n";
  o << "DataFileCount " << S.Model.DataFileCount << " TestFileCount " << S.Model.TestFileCount
    << "\n";
  for (int f = 0; f < S.Model.DataFileCount && f < static_cast<int>(S.Model.PointCount.size());
       ++f) {
    o << "DataSet " << f << " rows=" << S.Model.PointCount[f];
    if (f < static_cast<int>(S.Model.DataSetNames.size()) && !S.Model.DataSetNames[f].empty())
      o << " name=" << S.Model.DataSetNames[f];
    if (f < static_cast<int>(S.Model.IsDataFile.size()) && S.Model.IsDataFile[f]) o << " file";
    if (f < static_cast<int>(S.Model.IsTestFile.size()) && S.Model.IsTestFile[f]) o << " test";
    o << "\n";
  }
  o << "DataColumns " << Shape3(S.Model.DataColumns) << "\n";
  o << "TargetData " << Shape3(S.Model.TargetData) << "\n";
  if (S.Model.ModelMode == TModelMode::Program)
    o << "Program " << S.Model.ProgramStart << ":" << S.Model.ProgramEnd
      << (S.Model.BasicProgram ? " vb" : "") << "\n";
  return o.str();
}

}  // namespace qv
