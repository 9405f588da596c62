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
  if (f >= static_cast<int>(S.DataColumns.size())) return empty;
  const Double2Array& set = S.DataColumns[f];
  if (set.empty()) return empty;
  if (column >= static_cast<int>(set.size())) column = static_cast<int>(set.size()) - 1;
  return set[column];
}

void SetTarget(TEngineState& S, int f, int o, const Double1Array& column) {
  const int rows = f < static_cast<int>(S.PointCount.size()) ? S.PointCount[f] : 0;
  Double1Array values(rows, 0.0);
  for (int r = 0; r < rows && r < static_cast<int>(column.size()); ++r) values[r] = column[r];
  if (S.TargetData.size() <= static_cast<size_t>(f)) S.TargetData.resize(f + 1);
  if (S.TargetData[f].size() <= static_cast<size_t>(o)) S.TargetData[f].resize(o + 1);
  S.TargetData[f][o] = values;
  for (auto* a : {&S.TargetMean, &S.TargetMin, &S.TargetMax}) {
    if (a->size() <= static_cast<size_t>(f)) a->resize(f + 1);
    if ((*a)[f].size() <= static_cast<size_t>(o)) (*a)[f].resize(o + 1, 0.0);
  }
  double sum = 0, lo = 0, hi = 0;
  for (int r = 0; r < rows; ++r) {
    sum += values[r];
    if (r == 0 || values[r] < lo) lo = values[r];
    if (r == 0 || values[r] > hi) hi = values[r];
  }
  S.TargetMean[f][o] = rows > 0 ? sum / rows : 0.0;
  S.TargetMin[f][o] = lo;
  S.TargetMax[f][o] = hi;
}

}  // namespace

void PrepareTargetData(TEngineState& S) {
  S.InputNames.clear();
  const int sets = S.DataFileCount;
  S.InputData.assign(sets, {});
  for (int f = 0; f < sets; ++f) {
    int output = 0;
    for (int v = 0; v < S.VariableCount; ++v) {
      const std::string& name = S.VariableNames[v];
      bool isOutput;
      if (S.ModelMode == 2) {
        isOutput =
            std::find(S.OutputNames.begin(), S.OutputNames.end(), name) != S.OutputNames.end();
      } else {
        isOutput = S.CurrentFunction < static_cast<int>(S.FunctionOutputs.size()) &&
                   SameText(S.FunctionOutputs[S.CurrentFunction], name);
      }
      if (isOutput) {
        SetTarget(S, f, S.ModelMode == 2 ? output : S.CurrentOutput, ColumnOf(S, f, v));
        ++output;
      } else {
        Double1Array column = ColumnOf(S, f, v);
        column.resize(S.PointCount[f], 0.0);
        S.InputData[f].push_back(column);
        if (f == 0) S.InputNames.push_back(name);
      }
    }
  }
}

bool CompileFitFunction(TEngineState& S, TFitHost& Host) {
  S.Parser = std::make_unique<TExpressionParser>();
  S.VariableValues.resize(S.VariableCount, 0.0);
  S.ParameterValues.resize(S.ParameterCount, 0.0);
  for (int v = 0; v < S.VariableCount; ++v)
    S.Parser->BindVariable(S.VariableNames[v], &S.VariableValues[v]);
  for (int p = 0; p < S.ParameterCount; ++p)
    S.Parser->BindVariable(S.ParameterNames[p], &S.ParameterValues[p]);
  try {
    if (S.CurrentFunction < 0 || S.CurrentFunction >= S.FunctionCount)
      throw Exception("No function");
    S.CompiledFunction = S.Parser->CompileText(S.FunctionExpressions[S.CurrentFunction]);
    if (S.CompiledFunction < 0) throw Exception("Empty function");
    return true;
  } catch (const std::exception&) {
    Host.ShowMessage(mtInformation, "Function expression is uncorrect!");
    return false;
  }
}

bool CompileEquationFunctions(TEngineState& S, TFitHost& Host) {
  S.Parser = std::make_unique<TExpressionParser>();
  S.ParameterValues.resize(S.ParameterCount, 0.0);
  for (int p = 0; p < S.ParameterCount; ++p)
    S.Parser->BindVariable(S.ParameterNames[p], &S.ParameterValues[p]);
  S.ConstraintIndices.assign(S.ConstraintCount, -1);
  S.ObjectiveIndices.assign(S.ObjectiveCount, -1);
  auto compile = [&](const std::string& text, int& index) {
    try {
      index = S.Parser->CompileText(text);
      if (index < 0) throw Exception("Empty expression");
      return true;
    } catch (const std::exception&) {
      Host.ShowMessage(mtInformation, "Function expression \"" + text + "\" is uncorrect!");
      return false;
    }
  };
  for (int c = 0; c < S.ConstraintCount; ++c)
    if (!compile(S.ConstraintTexts[c], S.ConstraintIndices[c])) return false;
  for (int o = 0; o < S.ObjectiveCount; ++o)
    if (!compile(S.ObjectiveTexts[o], S.ObjectiveIndices[o])) return false;
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
  o << "ModelMode " << S.ModelMode << "\n";
  o << "ModelTitle " << S.ModelTitle << "\n";
  o << "Exclusive " << (S.Exclusive ? 1 : 0) << "\n";
  o << "Objective " << S.Objective << "\n";
  o << "Variables " << Join(S.VariableNames) << "\n";
  o << "FixedOutputIndex " << S.FixedOutputIndex << "\n";
  o << "OutputCount " << S.OutputCount << "\n";
  o << "OutputNames " << Join(S.OutputNames) << "\n";
  o << "DimCount " << S.DimCount << "\n";
  o << "VarParameterCount " << S.VarParameterCount << "\n";
  for (int p = 0; p < S.ParameterCount && p < static_cast<int>(S.ParameterNames.size()); ++p) {
    o << "Parameter " << S.ParameterNames[p];
    if (S.IsVarParameter[p]) o << " var";
    if (S.HasInitial[p]) o << " init=" << Num(S.InitialValue[p]);
    if (S.HasRange[p]) o << " range=" << Num(S.RangeLow[p]) << ":" << Num(S.RangeHigh[p]);
    if (S.HasBound[p]) {
      o << " bounds=" << (S.HasLower[p] ? Num(S.LowerBound[p]) : std::string("")) << ":"
        << (S.HasUpper[p] ? Num(S.UpperBound[p]) : std::string(""));
    }
    if (S.ParameterDigits[p] >= 0) o << " digits=" << S.ParameterDigits[p];
    if (S.IsInteger[p]) o << " integer";
    o << "\n";
  }
  for (int c = 0; c < S.ConstantCount && c < static_cast<int>(S.ConstantNames.size()); ++c)
    o << "Constant " << S.ConstantNames[c] << "=" << S.ConstantValues[c] << "\n";
  for (int c = 0; c < S.VarConstantCount && c < static_cast<int>(S.VarConstantNames.size()); ++c) {
    o << "VarConstant " << S.VarConstantNames[c] << " =";
    for (const auto& row : S.VarConstantValues)
      o << " " << (c < static_cast<int>(row.size()) ? Num(row[c]) : "?");
    o << "\n";
  }
  for (int f = 0; f < S.FunctionCount && f < static_cast<int>(S.FunctionExpressions.size()); ++f)
    o << "Function " << S.FunctionOutputs[f] << " <- " << S.FunctionExpressions[f] << "\n";
  for (int i = 0; i < S.ObjectiveCount && i < static_cast<int>(S.ObjectiveTexts.size()); ++i)
    o << "Objective " << S.ObjectiveTexts[i] << "\n";
  for (int i = 0; i < S.ConstraintCount && i < static_cast<int>(S.ConstraintTexts.size()); ++i)
    o << "Constraint " << S.ConstraintTexts[i] << (S.ConstraintNonStrict[i] ? " <= 0" : " < 0")
      << "\n";
  o << "DataFileCount " << S.DataFileCount << " TestFileCount " << S.TestFileCount << "\n";
  for (int f = 0; f < S.DataFileCount && f < static_cast<int>(S.PointCount.size()); ++f) {
    o << "DataSet " << f << " rows=" << S.PointCount[f];
    if (f < static_cast<int>(S.DataSetNames.size()) && !S.DataSetNames[f].empty())
      o << " name=" << S.DataSetNames[f];
    if (f < static_cast<int>(S.IsDataFile.size()) && S.IsDataFile[f]) o << " file";
    if (f < static_cast<int>(S.IsTestFile.size()) && S.IsTestFile[f]) o << " test";
    o << "\n";
  }
  o << "DataColumns " << Shape3(S.DataColumns) << "\n";
  o << "TargetData " << Shape3(S.TargetData) << "\n";
  if (S.ModelMode == 2)
    o << "Program " << S.ProgramStart << ":" << S.ProgramEnd << (S.BasicProgram ? " vb" : "")
      << "\n";
  return o.str();
}

}  // namespace qv
