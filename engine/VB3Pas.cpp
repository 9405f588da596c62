// Basic-to-Pascal line translator.
#include "engine/VB3Pas.h"

#include "engine/ModelTools.h"
#include "platform/core/SysUtils.h"

namespace qv {

using namespace modeltools;

namespace {

const std::string kMark = "//d_d";

bool IsDone(const std::string& line) {
  if (Trim(line).empty()) return true;
  size_t p = line.find("//");
  return p != std::string::npos && line.compare(p + 2, 3, "d_d") == 0;
}

std::string CutBeforeComment(const std::string& line) {
  size_t p = line.find("//");
  return p == std::string::npos ? line : line.substr(0, p);
}

std::string MapType(const std::string& type) {
  if (type == "single" || type == "double") return "double";
  if (type == "integer") return "integer";
  if (type == "long") return "longInt";
  return type;
}

// "10" -> "0..10", "1 to 5" -> "1..5", "3,4" -> "0..3,0..4": Basic bounds
// are inclusive upper bounds, Pascal needs ranges.
std::string PascalDimensions(const std::string& dims) {
  std::string out;
  for (const auto& part : SplitTopLevel(dims)) {
    std::string p = Trim(part);
    if (!out.empty()) out += ",";
    size_t to = LowerCase(p).find(" to ");
    if (to != std::string::npos)
      out += Trim(p.substr(0, to)) + ".." + Trim(p.substr(to + 4));
    else if (p.find("..") != std::string::npos)
      out += p;
    else
      out += "0.." + p;
  }
  return out;
}

void TranslateDeclarations(std::vector<std::string>& lines, std::vector<std::string>& arrays,
                           int& lastDim) {
  for (int i = 0; i < static_cast<int>(lines.size()); ++i) {
    std::string& line = lines[i];
    if (IsDone(line)) continue;
    if (StartsWith(line, "dim ")) {
      std::string rest = line.substr(4);
      size_t as = rest.find(" as ");
      std::string names = Trim(as == std::string::npos ? rest : rest.substr(0, as));
      std::string type = MapType(Trim(as == std::string::npos ? "" : rest.substr(as + 4)));
      size_t open = names.find('(');
      if (open != std::string::npos) {
        size_t close = names.find(')', open);
        std::string name = Trim(names.substr(0, open));
        std::string dims = Trim(names.substr(
            open + 1, close == std::string::npos ? std::string::npos : close - open - 1));
        arrays.push_back(name);
        line = "Var " + name + " : array" +
               (dims.empty() ? "" : "[" + PascalDimensions(dims) + "]") + " of " + type + ";" +
               kMark;
      } else {
        line = "Var " + names + " : " + type + ";" + kMark;
      }
      lastDim = i;
    } else if (StartsWith(line, "redim ")) {
      size_t open = line.find('('), close = line.find(')');
      if (open != std::string::npos && close != std::string::npos && close > open) {
        std::string name = Trim(line.substr(6, open - 6));
        line = "Setlength(" + name + "," + line.substr(open + 1, close - open - 1) + ");" + kMark;
      }
    } else if (StartsWith(line, "exit for")) {
      line = "Break;" + kMark;
    }
  }
}

// The text after the keyword of a Basic "case" line: the label list.
std::string CaseLabels(const std::string& line) {
  std::string labels = Trim(line.substr(4));
  std::string out;
  for (const auto& part : SplitTopLevel(labels)) {
    std::string p = Trim(part);
    size_t to = LowerCase(p).find(" to ");
    if (to != std::string::npos) p = Trim(p.substr(0, to)) + ".." + Trim(p.substr(to + 4));
    if (!out.empty()) out += ", ";
    out += p;
  }
  return out;
}

void TranslateBlocks(std::vector<std::string>& lines) {
  const int n = static_cast<int>(lines.size());
  // 1. if / elseif / else / end if
  for (int i = 0; i < n; ++i) {
    if (IsDone(lines[i]) || !StartsWith(lines[i], "end if")) continue;
    lines[i] = "End;" + kMark;
    for (int j = i - 1; j >= 0; --j) {
      std::string& l = lines[j];
      if (IsDone(l)) continue;
      if (StartsWith(l, "elseif")) {
        l = "End else If " + Trim(l.substr(6)) + " Begin" + kMark;
      } else if (StartsWith(l, "else")) {
        std::string rest = Trim(l.substr(4));
        l = rest.empty() ? "End Else Begin" + kMark : "End Else Begin " + rest + ";" + kMark;
      } else if (StartsWith(l, "if ")) {
        l += " begin" + kMark;
        break;
      }
    }
  }
  // 2. for / next
  for (int i = 0; i < n; ++i) {
    if (IsDone(lines[i]) || !StartsWith(lines[i], "next")) continue;
    lines[i] = "End;" + kMark;
    for (int j = i - 1; j >= 0; --j) {
      std::string& l = lines[j];
      if (IsDone(l) || !StartsWith(l, "for ")) continue;
      size_t eq = l.find('=');
      if (eq != std::string::npos) l.replace(eq, 1, ":=");
      l += " Do Begin" + kMark;
      break;
    }
  }
  // 3. do / loop while: the loop goes on while the condition holds, so the
  // Pascal loop ends when it no longer does.
  for (int i = 0; i < n; ++i) {
    if (IsDone(lines[i]) || !StartsWith(lines[i], "loop while ")) continue;
    lines[i] = "Until not (" + Trim(lines[i].substr(11)) + ");" + kMark;
    for (int j = i - 1; j >= 0; --j) {
      if (IsDone(lines[j]) || Trim(lines[j]) != "do") continue;
      lines[j] = "Repeat" + kMark;
      break;
    }
  }
  // 4. do while / loop
  for (int i = 0; i < n; ++i) {
    if (IsDone(lines[i]) || !StartsWith(lines[i], "loop")) continue;
    lines[i] = "End;" + kMark;
    for (int j = i - 1; j >= 0; --j) {
      if (IsDone(lines[j]) || !StartsWith(lines[j], "do while ")) continue;
      lines[j] = lines[j].substr(3) + " Do Begin" + kMark;
      break;
    }
  }
  // 5. select case / case / case else / end select. Pascal labels carry no
  // "case" word; each branch is a Begin..End block.
  for (int i = 0; i < n; ++i) {
    if (IsDone(lines[i]) || !StartsWith(lines[i], "end select")) continue;
    lines[i] = "End; End;" + kMark;
    int earliestCase = -1;
    bool anyBranch = false;
    for (int j = i - 1; j >= 0; --j) {
      std::string& l = lines[j];
      if (IsDone(l)) continue;
      if (StartsWith(l, "case else")) {
        l = "End; Else Begin" + kMark;
        anyBranch = true;
      } else if (StartsWith(l, "select case")) {
        l = Trim(l.substr(7)) + " of" + kMark;
        break;
      } else if (StartsWith(l, "case")) {
        l = "End; " + CaseLabels(l) + ": Begin" + kMark;
        earliestCase = j;
        anyBranch = true;
      }
    }
    if (earliestCase >= 0) {
      lines[earliestCase] = lines[earliestCase].substr(5);
    } else if (!anyBranch) {
      lines[i] = "End;" + kMark;  // no branch opened a block
    }
  }
}

void ReplaceArrayBrackets(std::string& line, const std::string& name) {
  if (name.empty()) return;
  size_t from = 0;
  while (true) {
    size_t p = LowerCase(line).find(name + "(", from);
    if (p == std::string::npos) return;
    if (p > 0 && IsWordChar(line[p - 1])) {
      from = p + 1;
      continue;
    }
    size_t open = p + name.size();
    int depth = 0;
    size_t close = std::string::npos;
    for (size_t k = open; k < line.size(); ++k) {
      if (line[k] == '(')
        ++depth;
      else if (line[k] == ')' && --depth == 0) {
        close = k;
        break;
      }
    }
    if (close == std::string::npos) return;
    line[open] = '[';
    line[close] = ']';
    from = open + 1;
  }
}

// Whether a keyword starts a word of the line: a name such as "dif" or
// "undo" holds "if " or "do " without being a block statement, and must
// still become an assignment.
bool HoldsAny(const std::string& line, std::initializer_list<const char*> words) {
  for (const char* w : words)
    for (size_t p = line.find(w); p != std::string::npos; p = line.find(w, p + 1))
      if (p == 0 || !IsWordChar(line[p - 1])) return true;
  return false;
}

// Every assignment "=" becomes ":="; the comparisons "<=", ">=" and "<>" stay.
std::string Assignments(const std::string& line) {
  std::string out;
  for (size_t i = 0; i < line.size(); ++i) {
    char c = line[i];
    if (c == '=' && !(i > 0 && (line[i - 1] == '<' || line[i - 1] == '>' || line[i - 1] == ':'))) {
      out += ":=";
      continue;
    }
    out += c;
  }
  return out;
}

}  // namespace

void TranslateBasicProgram(std::vector<std::string>& Lines,
                           const std::vector<std::string>& VariableNames,
                           std::vector<std::string>& BasicArrayNames) {
  BasicArrayNames.clear();
  // 1. Statement colons.
  for (int i = static_cast<int>(Lines.size()) - 1; i >= 0; --i) {
    if (IsDone(Lines[i])) continue;
    for (char& c : Lines[i])
      if (c == ':') c = ';';
  }
  // 2. Declarations.
  int lastDim = -1;
  TranslateDeclarations(Lines, BasicArrayNames, lastDim);
  for (const auto& v : VariableNames) BasicArrayNames.push_back(LowerCase(v));
  // 3. Blocks.
  TranslateBlocks(Lines);
  // 4. Array brackets and assignments.
  for (auto& line : Lines) {
    for (const auto& name : BasicArrayNames) ReplaceArrayBrackets(line, name);
    if (IsDone(line) || HoldsAny(line, {"if ", "elseif", "while ", "for ", "do "})) continue;
    line = Assignments(line) + ";" + kMark;
  }
  // 5. The body of the procedure begins after the last declaration, or
  // before the first statement when there is none.
  if (Lines.empty()) return;
  if (lastDim >= 0) {
    Lines[lastDim] = CutBeforeComment(Lines[lastDim]) + " Begin" + kMark;
  } else {
    Lines[0] = "Begin " + Lines[0];
  }
  std::string& last = Lines.back();
  last = CutBeforeComment(last) + " End;" + kMark;
}

}  // namespace qv
