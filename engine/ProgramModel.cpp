// The program model parser: variables, data sets (inline and files, with
// test sets), parameters, var-parameters, var-constants and the block of
// procedural code between "startprogram" and "endprogram".
#include <algorithm>

#include "engine/ModelParser.h"
#include "engine/ModelTools.h"
#include "engine/VB3Pas.h"
#include "engine/WorkLines.h"
#include "platform/core/Classes.h"
#include "platform/core/SysUtils.h"

namespace qv {

using namespace modeltools;

namespace {

struct TDataSet {
  bool File = false;
  bool Test = false;
  std::string Name;  // file name as written, or the label
  std::string Path;  // resolved file name
  int Line = -1;     // work line of the data line
  std::vector<std::string> Rows;
  Double1Array VarConstants;
};

void ResetProgramState(TEngineState& S) {
  S.Model.OutputCount = S.Model.CurrentOutput = S.Model.VariableCount = S.Model.ParameterCount =
      S.Model.ConstantCount = 0;
  S.Model.VarConstantCount = S.Model.VarParameterCount = S.Model.DataFileCount =
      S.Model.CurrentFile = S.Model.TestFileCount = 0;
  S.Model.FunctionCount = S.Model.ColumnCount = 0;
  S.Model.FixedOutputIndex = -1;
  S.Model.BasicProgram = false;
  S.Model.ProgramStart = 0;
  S.Model.ProgramEnd = -1;
  ClearModelLists(S);
  S.Model.BasicArrayNames.clear();
  S.Model.VarConstantValues.clear();
  S.Model.DataSetLines.clear();
}

// Var-parameters take the last slots, whatever the order of the statements,
// so that the per-data-set blocks of a member line up with them.
void MoveVarParametersLast(TEngineState& S) {
  std::vector<int> order;
  for (int p = 0; p < S.Model.ParameterCount; ++p)
    if (!S.Model.IsVarParameter[p]) order.push_back(p);
  for (int p = 0; p < S.Model.ParameterCount; ++p)
    if (S.Model.IsVarParameter[p]) order.push_back(p);
  auto permute = [&](auto& a) {
    auto copy = a;
    for (size_t i = 0; i < order.size(); ++i) a[i] = copy[order[i]];
  };
  permute(S.Model.ParameterNames);
  permute(S.Model.ParameterValues);
  permute(S.Model.LowerBound);
  permute(S.Model.UpperBound);
  permute(S.Model.RangeLow);
  permute(S.Model.RangeHigh);
  permute(S.Model.InitialValue);
  permute(S.Model.HasLower);
  permute(S.Model.HasUpper);
  permute(S.Model.HasBound);
  permute(S.Model.HasInitial);
  permute(S.Model.HasRange);
  permute(S.Model.IsInteger);
  permute(S.Model.IsVarParameter);
  permute(S.Model.ParameterDigits);
}

std::string Quoted(const std::string& s) { return "\"" + s + "\""; }

}  // namespace

bool ParseProgramModel(TEngineState& S, TFitHost& Host) {
  ResetProgramState(S);
  TWorkLines& work = S.Model.WorkLines();
  const int lineCount = work.Count();

  // The program block.
  int startLine = -1, endLine = -1;
  for (int i = 0; i < lineCount; ++i) {
    std::string l = LowerCase(Trim(work[i]));
    if (startLine < 0 && StartsWith(l, "startprogram")) {
      startLine = i;
      size_t b = l.find('['), e = l.find(']');
      if (b != std::string::npos && e != std::string::npos && e > b &&
          Trim(l.substr(b + 1, e - b - 1)) == "vb")
        S.Model.BasicProgram = true;
    } else if (startLine >= 0 && StartsWith(l, "endprogram")) {
      endLine = i;
      break;
    }
  }
  if (startLine >= 0) {
    S.Model.ProgramStart = startLine + 1;
    S.Model.ProgramEnd = (endLine >= 0 ? endLine : lineCount) - 1;
  }
  auto inBlock = [&](int i) { return startLine >= 0 && i > startLine && i <= S.Model.ProgramEnd; };

  // Statements and data lines.
  std::vector<TDataSet> sets;
  for (int i = 0; i < lineCount; ++i) {
    if (inBlock(i)) continue;
    const std::string raw = Trim(work[i]);
    if (StartsWith(raw, "//")) continue;
    const std::string line = CutComment(raw);
    if (line.empty()) continue;
    const std::string lower = LowerCase(line);
    const bool isFile = StartsWith(lower, "datafile");
    if (isFile || StartsWith(lower, "data")) {
      TDataSet set;
      set.File = isFile;
      set.Line = i;
      std::string text = Trim(line.substr(isFile ? 8 : 4));
      if (!text.empty() && text.back() == ';') text.pop_back();
      text = Trim(text);
      size_t b = text.find('[');
      if (b != std::string::npos) {
        size_t e = text.find(']', b);
        std::string mark = LowerCase(
            Trim(text.substr(b + 1, e == std::string::npos ? std::string::npos : e - b - 1)));
        set.Test = mark == "test" || mark == "t";
        text = Trim(text.substr(0, b));
      }
      if (set.Test) ++S.Model.TestFileCount;
      if (isFile) {
        set.Name = text;
        set.Path = ResolveDataFileName(S, text);
        std::string why;
        if (!ReadDataFileLines(set.Path, set.Rows, nullptr, &why)) {
          Host.ShowMessage(mtWarning, "File " + Quoted(text) + " not exist!\n" + why);
          return false;
        }
      } else {
        if (text.size() >= 2 && text.front() == '"' && text.back() == '"')
          text = text.substr(1, text.size() - 2);
        set.Name = text.empty() ? "Data file - " + std::to_string(sets.size() + 1) : text;
      }
      sets.push_back(std::move(set));
      continue;
    }
    if (!sets.empty()) continue;  // rows of inline data
    if (!EndsWith(line, ";")) {
      Host.ShowMessage(mtInformation, "Miss \";\" in the end of line " + std::to_string(i + 1));
      return false;
    }
    const std::string key = Keyword(line);
    const std::string text = StatementText(line);
    bool ok = true;
    if (key == "title")
      S.Model.ModelTitle = text;
    else if (key == "variable" || key == "variables")
      ok = ReadVariableList(S, Host, text);
    else if (key == "const" || key == "constant")
      ok = ReadConstantList(S, Host, text);
    if (!ok) return false;
  }
  S.Model.DataFileCount = static_cast<int>(sets.size());

  // Inline rows: every non-empty line after the data line up to the next
  // data line (or the end of the text).
  for (int f = 0; f < S.Model.DataFileCount; ++f) {
    if (sets[f].File) continue;
    const int stop = f + 1 < S.Model.DataFileCount ? sets[f + 1].Line : lineCount;
    for (int i = sets[f].Line + 1; i < stop; ++i) {
      if (inBlock(i) || i == startLine || i == endLine) continue;
      std::string r = CutComment(work[i]);
      if (!r.empty()) sets[f].Rows.push_back(r);
    }
  }

  if (S.Model.BasicProgram && S.Model.ProgramEnd >= S.Model.ProgramStart) {
    std::vector<std::string> block;
    for (int i = S.Model.ProgramStart; i <= S.Model.ProgramEnd; ++i)
      block.push_back(Trim(LowerCase(CutComment(work[i]))));
    TranslateBasicProgram(block, S.Model.VariableNames, S.Model.BasicArrayNames);
    for (int i = S.Model.ProgramStart; i <= S.Model.ProgramEnd; ++i)
      work.Put(i, block[i - S.Model.ProgramStart]);
  }

  if (S.Model.OutputCount == 0 && S.Model.VariableCount > 0) {
    S.Model.OutputCount = 1;
    S.Model.OutputNames = {S.Model.VariableNames.back()};
  }
  if (S.Model.DataFileCount == 0) {
    Host.ShowMessage(mtWarning, "No file data!");
    return false;
  }
  if (S.Model.VariableCount == 0) {
    Host.ShowMessage(mtWarning, "No variables defined!");
    return false;
  }

  // Per-data-set statements (they need the number of data sets).
  for (int i = 0; i < lineCount; ++i) {
    if (i >= startLine && startLine >= 0) break;
    const std::string line = CutComment(work[i]);
    if (line.empty()) continue;
    if (IsDataLine(line)) break;
    const std::string key = Keyword(line);
    const std::string text = StatementText(line);
    bool ok = true;
    if (key == "varconst" || key == "varconstant")
      ok = ReadVarConstantList(S, Host, text);
    else if (key == "parameter" || key == "parameters")
      ok = ReadParameterList(S, Host, text, 0);
    else if (key == "varpar" || key == "varparameter")
      ok = ReadParameterList(S, Host, text, 1);
    if (!ok) return false;
  }
  if (S.Model.ParameterCount == 0) {
    Host.ShowMessage(mtInformation, "No Parameters or VarParameter defined!");
    return false;
  }
  MoveVarParametersLast(S);

  std::vector<std::string> block;
  for (int i = S.Model.ProgramStart; i <= S.Model.ProgramEnd && i < lineCount; ++i)
    block.push_back(LowerCase(work[i]));
  for (int p = 0; p < S.Model.ParameterCount; ++p) {
    const std::string name = LowerCase(S.Model.ParameterNames[p]);
    bool found = std::any_of(block.begin(), block.end(), [&](const std::string& l) {
      return l.find(name) != std::string::npos;
    });
    if (!found) {
      Host.ShowMessage(mtWarning,
                       std::string(S.Model.IsVarParameter[p] ? "ParConst of " : "Parameter of ") +
                           Quoted(S.Model.ParameterNames[p]) +
                           " declared, but not find in program code!");
      return false;
    }
  }
  for (const auto& out : S.Model.OutputNames) {
    const std::string name = LowerCase(out);
    bool found = std::any_of(block.begin(), block.end(), [&](const std::string& l) {
      size_t a = l.find(":=");
      return a != std::string::npos && l.substr(0, a).find(name) != std::string::npos;
    });
    if (!found) {
      Host.ShowMessage(mtWarning, "Not find output item " + Quoted(out) +
                                      " in the left side of any program line code!");
      return false;
    }
  }

  // With test sets and var-parameters, the fitted sets come first.
  for (int f = 0; f < S.Model.DataFileCount; ++f)
    sets[f].VarConstants = f < static_cast<int>(S.Model.VarConstantValues.size())
                               ? S.Model.VarConstantValues[f]
                               : Double1Array{};
  if (S.Model.TestFileCount > 0 && S.Model.VarParameterCount > 0)
    std::stable_partition(sets.begin(), sets.end(), [](const TDataSet& d) { return !d.Test; });

  S.Model.IsDataFile.clear();
  S.Model.IsTestFile.clear();
  S.Model.DataSetNames.clear();
  S.Model.DataSetLines.clear();
  S.Model.PointCount.clear();
  S.Model.VarConstantValues.assign(S.Model.DataFileCount, {});
  S.Model.RowCount = 0;
  for (int f = 0; f < S.Model.DataFileCount; ++f) {
    S.Model.IsDataFile.push_back(sets[f].File);
    S.Model.IsTestFile.push_back(sets[f].Test);
    S.Model.DataSetNames.push_back(sets[f].Name);
    S.Model.DataSetLines.push_back(sets[f].Line);
    S.Model.PointCount.push_back(static_cast<int>(sets[f].Rows.size()));
    S.Model.VarConstantValues[f] = sets[f].VarConstants;
    S.Model.RowCount = std::max(S.Model.RowCount, S.Model.PointCount[f]);
  }
  S.Model.VariableValues.assign(S.Model.VariableCount, 0.0);
  S.Model.ParameterValues.assign(S.Model.ParameterCount, 0.0);
  const int inputs = S.Model.VariableCount - S.Model.OutputCount;
  SizeDataArrays(S, inputs);
  S.Model.InputNames.clear();

  for (int f = 0; f < S.Model.DataFileCount; ++f) {
    S.Model.CurrentFile = f;
    int columns = -1;
    for (int r = 0; r < S.Model.PointCount[f]; ++r) {
      S.Model.ValuesRead = 0;
      bool reported = false;
      const bool ok = SplitDataRowChecked(S, Host, sets[f].Rows[r], 0, r, reported);
      if (reported) return false;
      if (sets[f].File) {
        if (!ok || S.Model.ValuesRead != S.Model.VariableCount) {
          Host.ShowMessage(mtWarning, "Read data file error!");
          return false;
        }
        continue;
      }
      if (!ok) {
        Host.ShowMessage(mtWarning, "Read data error!");
        return false;
      }
      if (columns < 0) {
        columns = S.Model.ValuesRead;
        if (columns < inputs) {
          Host.ShowMessage(mtWarning,
                           "Wrong defination of Variables, no enough data value columns!");
          return false;
        }
      } else if (S.Model.ValuesRead != columns) {
        Host.ShowMessage(mtWarning, "Read data error!\rThe data column number is different!");
        return false;
      }
    }
    // An inline set keeps only the columns its rows hold, so that a
    // variable at or beyond its last column takes the last column of the
    // data (target preparation) rather than a column of zeros.
    if (columns > 0 && columns < static_cast<int>(S.Model.DataColumns[f].size()))
      S.Model.DataColumns[f].resize(columns);
  }
  S.Model.CurrentFile = 0;

  const bool perSet = S.Model.VarParameterCount > 0 && S.Model.DataFileCount > 1;
  S.Model.DimCount =
      perSet ? S.Model.ParameterCount + S.Model.VarParameterCount * (S.Model.DataFileCount - 1)
             : S.Model.ParameterCount;
  return true;
}

}  // namespace qv
