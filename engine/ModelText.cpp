// Model text preparation and the classification of the run command.
#include <set>

#include "engine/ModelParser.h"
#include "engine/ModelTools.h"
#include "engine/SearchSettings.h"
#include "engine/WorkLines.h"
#include "platform/core/Classes.h"
#include "platform/core/SysUtils.h"

namespace qv {

using namespace modeltools;

namespace {

// One round of block-comment removal. Returns false when no line holds "{".
bool StripOneBlockComment(std::vector<std::string>& lines) {
  const int n = static_cast<int>(lines.size());
  int startLine = -1;
  size_t startPos = 0;
  for (int i = 0; i < n; ++i) {
    size_t p = lines[i].find('{');
    if (p != std::string::npos) {
      startLine = i;
      startPos = p;
      break;
    }
  }
  if (startLine < 0) return false;
  // The closing "}" is searched after the "{" on the start line, so that a
  // "}" standing before the "{" cannot keep the comment from ever ending.
  int endLine = -1;
  size_t endPos = 0;
  for (int i = startLine; i < n; ++i) {
    size_t p = lines[i].find('}', i == startLine ? startPos + 1 : 0);
    if (p != std::string::npos) {
      endLine = i;
      endPos = p;
      break;
    }
  }
  std::vector<std::string> out;
  out.reserve(lines.size());
  for (int i = 0; i < n; ++i) {
    const bool inRange = i >= startLine && (endLine < 0 || i <= endLine);
    if (!inRange) {
      out.push_back(lines[i]);
      continue;
    }
    std::string s;
    if (i == startLine && i == endLine)
      s = lines[i].substr(0, startPos) + lines[i].substr(endPos + 1);
    else if (i == startLine)
      s = lines[i].substr(0, startPos);
    else if (i == endLine)
      s = lines[i].substr(endPos + 1);
    if (!Trim(s).empty()) out.push_back(s);
  }
  lines.swap(out);
  return true;
}

std::string Replace(std::string s, char from, char to) {
  for (char& c : s)
    if (c == from) c = to;
  return s;
}

bool EndsStatement(const std::string& line) { return EndsWith(Trim(line), ";"); }

}  // namespace

void PrepareModelText(TEngineState& State, const std::vector<std::string>& CodeLines) {
  std::vector<std::string> lines = CodeLines;
  // Every round removes at least one "{", so this ends.
  while (StripOneBlockComment(lines)) {
  }

  // Tabs and line comments, up to the program block or the data.
  for (auto& line : lines) {
    if (line.find('\t') != std::string::npos) line = Trim(Replace(line, '\t', ' '));
    std::string s = Trim(line);
    if (IsProgramStart(s) || IsDataLine(s)) break;
    if (s.find("//") != std::string::npos) line = CutComment(s);
  }

  // Joining: a statement that does not end with ";" takes the following
  // lines, unchanged, up to the one that does.
  std::set<int> deleted;
  const int n = static_cast<int>(lines.size());
  for (int i = 0; i < n; ++i) {
    if (deleted.count(i)) continue;
    std::string s = LowerCase(lines[i]);
    if (IsProgramStart(s) || IsDataLine(s)) break;
    if (Trim(s).empty() || EndsStatement(s)) continue;
    std::string joined = s;
    for (int j = i + 1; j < n; ++j) {
      joined += lines[j];
      deleted.insert(j);
      if (EndsStatement(lines[j])) break;
    }
    lines[i] = joined;
  }
  // Joined lines all stand before the data, so each erase moves only the
  // lines after it once per joined line; none moves with no joins.
  for (auto it = deleted.rbegin(); it != deleted.rend(); ++it) lines.erase(lines.begin() + *it);

  State.Model.SetWorkLines(lines);
}

TModelMode ClassifyModel(const TEngineState& State) {
  const TWorkLines& work = State.Model.WorkLines();
  bool variables = false, program = false;
  for (int i = 0; i < work.Count(); ++i) {
    std::string s = LowerCase(CutComment(work[i]));
    // Keywords count only at the start of a statement: "variable" inside a
    // title does not make a fitting model.
    std::string key = Keyword(s);
    size_t bracket = key.find('[');
    if (bracket != std::string::npos) key = key.substr(0, bracket);
    if (key == "variable" || key == "variables") variables = true;
    if (StartsWith(s, "startprogram")) program = true;
    if (StartsWith(s, "datafile") || StartsWith(s, "data")) break;
  }
  if (!variables) return program ? TModelMode::None : TModelMode::Equation;
  return program ? TModelMode::Program : TModelMode::Function;
}

bool ReadModel(TEngineState& State, TFitHost& Host, const std::vector<std::string>& CodeLines) {
  State.Run.Resuming = false;
  State.Model.ModelMode = TModelMode::None;
  PrepareModelText(State, CodeLines);
  const TModelMode mode = ClassifyModel(State);
  if (mode == TModelMode::None) {
    Host.ShowMessage(mtInformation, "Wrong codes, no thing will be executed!");
    return false;
  }
  State.Model.ModelMode = mode;
  // The parameter readers ask for both bounds in encode-decode mode; the
  // rest of the gene coding is read with the other settings.
  State.Model.EncodeDecode = EncodeDecodeChosen(Host.Settings());
  switch (mode) {
    case TModelMode::Function:
      return ParseFunctionModel(State, Host);
    case TModelMode::Equation:
      return ParseEquationModel(State, Host);
    default:
      return ParseProgramModel(State, Host);
  }
}

}  // namespace qv
