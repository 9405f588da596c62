// The curve-fitting model parser (outputs given by function expressions),
// name replacement and the reading of data sets shared with the other
// parsers.
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "engine/ModelParser.h"
#include "engine/ModelTools.h"
#include "engine/SearchSettings.h"
#include "engine/WorkLines.h"
#include "platform/core/Classes.h"
#include "platform/core/SysUtils.h"

namespace qv {

using namespace modeltools;

std::string ReplaceModelNames(const std::string& Text, const std::string& Name,
                              const std::string& Replacement) {
  std::string text = LowerCase(Text);
  const std::string name = LowerCase(Name);
  if (name.empty()) return text;
  size_t from = 0;
  while (true) {
    size_t p = text.find(name, from);
    if (p == std::string::npos) break;
    const size_t end = p + name.size();
    const bool before = p > 0 && IsAsciiAlphaNumeric(text[p - 1]);
    const bool after = end < text.size() && IsAsciiAlphaNumeric(text[end]);
    if (before || after) {
      from = p + 1;
      continue;
    }
    text.replace(p, name.size(), Replacement);
    // Go on after the replacement: a replacement that holds the name itself
    // must not be replaced again and again.
    from = p + Replacement.size();
  }
  return text;
}

namespace {

// Turns "y = E" / "E = y" / "L = R" into the expression whose value the
// output takes (the right side of a function statement).
std::string RewriteSide(const std::string& side, const std::string& y) {
  size_t eq = side.find('=');
  if (eq == std::string::npos) return side;
  std::string l = Trim(side.substr(0, eq)), r = Trim(side.substr(eq + 1));
  if (SameText(l, y)) return r;
  if (SameText(r, y)) return l;
  return l + "-(" + r + ")+(" + y + ")";
}

void ReadFunction(TEngineState& S, const std::string& f) {
  S.Model.FunctionTexts.push_back(f);
  std::string y;
  if (S.Model.FixedOutputIndex >= 0 && S.Model.FixedOutputIndex < S.Model.VariableCount) {
    y = S.Model.VariableNames[S.Model.FixedOutputIndex];
  } else if (S.Model.VariableCount > 0) {
    y = S.Model.VariableNames.back();
    size_t eq = f.find('=');
    if (eq != std::string::npos) {
      std::string left = Trim(f.substr(0, eq));
      for (const auto& v : S.Model.VariableNames)
        if (SameText(v, left)) y = v;
    }
  }
  std::string output = y, expression;
  if (!StartsText("if", Trim(f))) {
    size_t eq = f.find('=');
    if (eq == std::string::npos) {
      expression = f + "+(" + y + ")";
    } else {
      std::string l = Trim(f.substr(0, eq)), r = Trim(f.substr(eq + 1));
      if (SameText(l, y)) {
        output = l;
        expression = r;
      } else if (SameText(r, y)) {
        output = r;
        expression = l;
      } else {
        expression = l + "-(" + r + ")+(" + y + ")";
      }
    }
  } else {
    size_t open = f.find('('), first = f.find(','), last = f.rfind(',');
    if (open == std::string::npos || first == std::string::npos || first < open || first == last) {
      // Not of the if(c, a, b) shape: the compiler reports it later.
      expression = f;
    } else {
      std::string c = f.substr(open + 1, first - open - 1);
      std::string a = f.substr(first + 1, last - first - 1);
      std::string b = f.substr(last + 1);
      if (!b.empty()) b.pop_back();
      expression = "If(" + c + "," + RewriteSide(a, y) + "," + RewriteSide(b, y) + ")";
    }
  }
  S.Model.FunctionOutputs.push_back(output);
  S.Model.FunctionExpressions.push_back(expression);
  S.Model.FunctionCount = static_cast<int>(S.Model.FunctionTexts.size());
}

}  // namespace

// ---- Data sets (shared with the program parser) ------------------------------------

std::string ResolveDataFileName(const TEngineState& S, const std::string& Name) {
  std::string name = Trim(Name);
  if (name.size() >= 2 && name.front() == '"' && name.back() == '"')
    name = name.substr(1, name.size() - 2);
  std::filesystem::path p(name);
  if (p.is_relative() && !S.Model.ModelFolder.empty())
    p = std::filesystem::path(S.Model.ModelFolder) / p;
  return p.string();
}

bool ReadDataFileText(const std::string& FileName, std::string& Text,
                      std::vector<std::string_view>& Rows, std::vector<int>* LineNumbers,
                      std::string* Error) {
  auto fail = [&](const std::string& why) {
    if (Error) *Error = FileName + ": " + why;
    return false;
  };
  std::error_code ec;
  const auto status = std::filesystem::status(FileName, ec);
  if (!std::filesystem::exists(status)) return fail("no such file");
  if (std::filesystem::is_directory(status)) return fail("a folder, not a file");
  if (!std::filesystem::is_regular_file(status)) return fail("not a regular file");
  std::ifstream in(FileName, std::ios::binary);
  if (!in) return fail(std::string("cannot be read (") + std::strerror(errno) + ")");
  // The whole file in one buffer: one read of its size on disk, then what
  // a file still growing has added.
  const auto size = std::filesystem::file_size(FileName, ec);
  Text.resize(ec ? 0 : static_cast<size_t>(size));
  in.read(Text.data(), static_cast<std::streamsize>(Text.size()));
  Text.resize(static_cast<size_t>(in.gcount()));
  char block[1 << 16];
  while (in.read(block, sizeof block) || in.gcount() > 0)
    Text.append(block, static_cast<size_t>(in.gcount()));
  if (in.bad()) return fail(std::string("cannot be read (") + std::strerror(errno) + ")");
  // One row per line at most: room for them all at once.
  const size_t lines = static_cast<size_t>(std::count(Text.begin(), Text.end(), '\n')) + 1;
  Rows.reserve(Rows.size() + lines);
  if (LineNumbers) LineNumbers->reserve(LineNumbers->size() + lines);
  std::string_view rest(Text);
  for (int number = 1; !rest.empty(); ++number) {
    const size_t end = rest.find('\n');
    std::string_view line = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    // A UTF-8 byte-order mark, as some editors and spreadsheets write it,
    // is no part of the first value.
    if (number == 1 && line.substr(0, 3) == "\xEF\xBB\xBF") line.remove_prefix(3);
    const std::string_view t = TrimView(line);
    if (t.empty()) continue;
    Rows.push_back(t);
    if (LineNumbers) LineNumbers->push_back(number);
  }
  return true;
}

bool ReadDataFileLines(const std::string& FileName, std::vector<std::string>& Rows,
                       std::vector<int>* LineNumbers, std::string* Error) {
  std::string text;
  std::vector<std::string_view> rows;
  if (!ReadDataFileText(FileName, text, rows, LineNumbers, Error)) return false;
  Rows.insert(Rows.end(), rows.begin(), rows.end());
  return true;
}

namespace {

// count columns of rows zeros, each filled in place (a column of a large
// data set is megabytes: no prototype to copy from, and the storage of a
// column already there is used again).
void ZeroColumns(Double2Array& columns, int count, int rows) {
  columns.resize(static_cast<size_t>(std::max(0, count)));
  for (Double1Array& c : columns) c.assign(static_cast<size_t>(std::max(0, rows)), 0.0);
}

void SizeOutputArrays(TEngineState& S) {
  const int sets = S.Model.DataFileCount;
  S.Model.TargetData.assign(sets, {});
  S.Model.Calculated.assign(sets, {});
  S.Pop.BestCalculated.assign(sets, {});
  for (int f = 0; f < sets; ++f) {
    const int rows = S.Model.PointCount[f];
    ZeroColumns(S.Model.TargetData[f], S.Model.OutputCount, rows);
    ZeroColumns(S.Model.Calculated[f], S.Model.OutputCount, rows);
    ZeroColumns(S.Pop.BestCalculated[f], S.Model.OutputCount, rows);
  }
  for (auto* a : {&S.Model.TargetMean, &S.Model.TargetMin, &S.Model.TargetMax,
                  &S.Pop.CalculatedMean, &S.Pop.CalculatedMin, &S.Pop.CalculatedMax})
    a->assign(sets, Double1Array(S.Model.OutputCount, 0.0));
}

}  // namespace

void ApplyExclusive(TEngineState& S, TFitHost& Host) {
  S.Model.Exclusive = true;
  ChooseExclusiveCoding(Host);
  S.Model.EncodeDecode = true;
  S.Model.GeneDecimals = 0;
}

void ClearModelLists(TEngineState& S) {
  S.Model.ModelTitle.clear();
  S.Model.Exclusive = false;
  for (auto* a : {&S.Model.VariableNames, &S.Model.ParameterNames, &S.Model.ConstantNames,
                  &S.Model.ConstantValues, &S.Model.FunctionTexts, &S.Model.FunctionOutputs,
                  &S.Model.FunctionExpressions, &S.Model.OutputNames, &S.Model.InputNames,
                  &S.Model.VarConstantNames, &S.Model.DataSetNames})
    a->clear();
  for (auto* a : {&S.Model.ParameterValues, &S.Model.LowerBound, &S.Model.UpperBound,
                  &S.Model.RangeLow, &S.Model.RangeHigh, &S.Model.InitialValue})
    a->clear();
  for (auto* a : {&S.Model.HasLower, &S.Model.HasUpper, &S.Model.HasBound, &S.Model.HasInitial,
                  &S.Model.HasRange, &S.Model.IsInteger, &S.Model.IsVarParameter,
                  &S.Model.IsDataFile, &S.Model.IsTestFile})
    a->clear();
  S.Model.ParameterDigits.clear();
  S.Model.PointCount.clear();
}

void SizeDataArrays(TEngineState& S, int Inputs) {
  const int sets = S.Model.DataFileCount;
  S.Model.DataColumns.assign(sets, {});
  S.Model.InputData.assign(sets, {});
  for (int f = 0; f < sets; ++f) {
    const int rows = S.Model.PointCount[f];
    ZeroColumns(S.Model.DataColumns[f], std::max(S.Model.VariableCount, S.Model.ColumnCount), rows);
    ZeroColumns(S.Model.InputData[f], Inputs, rows);
  }
  SizeOutputArrays(S);
}

bool ParseFunctionModel(TEngineState& S, TFitHost& Host) {
  S.Model.OutputCount = 1;
  S.Model.CurrentOutput = S.Model.VariableCount = S.Model.FunctionCount = S.Model.ConstantCount =
      S.Model.DataFileCount = S.Model.CurrentFile = 0;
  S.Model.ParameterCount = S.Model.VarParameterCount = S.Model.VarConstantCount =
      S.Model.ColumnCount = 0;
  S.Model.FixedOutputIndex = -1;
  ClearModelLists(S);
  S.Model.VarConstantValues.clear();
  S.Model.DataColumns.clear();
  S.Model.InputData.clear();

  // Data sets in order: a file name, or the work line after which inline
  // rows follow.
  struct TSet {
    bool File;
    std::string Name;
    int Line;
  };
  std::vector<TSet> sets;

  const TWorkLines& work = S.Model.WorkLines();
  const int lineCount = work.Count();
  for (int i = 0; i < lineCount; ++i) {
    const std::string line = work[i];
    const std::string trimmed = Trim(line);
    if (StartsWith(trimmed, "//") || CutComment(trimmed).empty()) continue;
    const std::string lower = LowerCase(trimmed);
    const std::string key = Keyword(trimmed);
    const std::string text = StatementText(trimmed);
    if (StartsWith(lower, "datafile")) {
      // The text preparation keeps "//" on the data lines; a note after the
      // file name is not part of it.
      std::string name = CutComment(trimmed).substr(8);
      name = Trim(name);
      if (!name.empty() && name.back() == ';') name.pop_back();
      name = Trim(name);
      sets.push_back({true, ResolveDataFileName(S, name), i});
      if (name.size() >= 2 && name.front() == '"' && name.back() == '"')
        name = name.substr(1, name.size() - 2);
      S.Model.DataSetNames.push_back(name);
      S.Model.IsDataFile.push_back(true);
      continue;
    }
    if (IsDataLine(lower)) {
      sets.push_back({false, "", i});
      S.Model.DataSetNames.push_back("");
      S.Model.IsDataFile.push_back(false);
      break;
    }
    bool ok = true;
    if (key == "title") {
      S.Model.ModelTitle = text;
    } else if (key == "variable" || key == "variables") {
      ok = ReadVariableList(S, Host, text);
    } else if (key == "parameter" || key == "parameters") {
      ok = ReadParameterList(S, Host, text, 0);
    } else if (key == "constant" || key == "const") {
      ok = ReadConstantList(S, Host, text);
    } else if (StartsWith(lower, "exclusive")) {
      if (lower.substr(9).find("=true") != std::string::npos) {
        ApplyExclusive(S, Host);
      }
    } else if (key == "function") {
      ReadFunction(S, text);
    }
    if (!ok) return false;
  }
  S.Model.DataFileCount = static_cast<int>(sets.size());
  S.Model.IsTestFile.assign(S.Model.DataFileCount, false);

  // Constants go into the expressions as whole words.
  for (auto& e : S.Model.FunctionExpressions) {
    for (int c = 0; c < S.Model.ConstantCount; ++c)
      e = ReplaceModelNames(e, S.Model.ConstantNames[c],
                            ConstantReplacement(S.Model.ConstantValues[c]));
    e = LowerCase(e);
  }

  if (S.Model.VariableCount == 0) {
    Host.ShowMessage(mtError, "No variables defined!");
    return false;
  }
  if (S.Model.ParameterCount == 0) {
    Host.ShowMessage(mtError, "No parameters defined!");
    return false;
  }
  S.Model.DimCount = S.Model.ParameterCount;
  S.Model.VariableValues.assign(S.Model.VariableCount, 0.0);
  S.Model.ParameterValues.assign(S.Model.ParameterCount, 0.0);
  S.Model.PointCount.assign(S.Model.DataFileCount, 0);

  // The rows of every data set, each checked alike whether inline or from a
  // file; the arrays are sized per data set. Inline rows are read where they
  // stand in the prepared text.
  std::vector<std::string> fileTexts(S.Model.DataFileCount);
  std::vector<std::vector<std::string_view>> rows(S.Model.DataFileCount);
  std::vector<std::vector<int>> lineNumbers(S.Model.DataFileCount);
  for (int f = 0; f < S.Model.DataFileCount; ++f) {
    if (sets[f].File) {
      std::string why;
      if (!ReadDataFileText(sets[f].Name, fileTexts[f], rows[f], &lineNumbers[f], &why)) {
        Host.ShowMessage(mtWarning, "File \"" + S.Model.DataSetNames[f] + "\" not exist!\n" + why);
        return false;
      }
    } else {
      rows[f].reserve(static_cast<size_t>(std::max(0, lineCount - sets[f].Line - 1)));
      for (int i = sets[f].Line + 1; i < lineCount; ++i) {
        const std::string_view line = work.StringAt(i);
        const std::string_view r = TrimView(line.substr(0, line.find("//")));
        if (!r.empty()) rows[f].push_back(r);
      }
    }
    S.Model.PointCount[f] = static_cast<int>(rows[f].size());
    if (S.Model.PointCount[f] < 3) {
      Host.ShowMessage(mtError, "There are no enougth data for processing!");
      return false;
    }
  }
  if (S.Model.DataFileCount == 0) {
    // Without data there is nothing to fit.
    Host.ShowMessage(mtError, "There are no enougth data for processing!");
    return false;
  }
  S.Model.RowCount = S.Model.PointCount[0];
  SizeDataArrays(S, S.Model.VariableCount - 1);

  for (int f = 0; f < S.Model.DataFileCount; ++f) {
    S.Model.CurrentFile = f;
    for (int r = 0; r < S.Model.PointCount[f]; ++r) {
      S.Model.ValuesRead = 0;
      bool reported = false;
      if (!SplitDataRowChecked(S, Host, rows[f][r], 0, r, reported) ||
          S.Model.ValuesRead != S.Model.VariableCount) {
        // Where: the file and its line, or the row of inline data.
        const std::string where = sets[f].File
                                      ? sets[f].Name + ", line " + std::to_string(lineNumbers[f][r])
                                      : "data row " + std::to_string(r + 1);
        if (!reported)
          Host.ShowMessage(mtError, "Read data error!\n" + where + ": " + RowExcerpt(rows[f][r]));
        return false;
      }
    }
  }
  S.Model.CurrentFile = 0;
  return true;
}

}  // namespace qv
