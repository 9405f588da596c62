// The optimisation model parser: objectives, equations and constraints,
// and the expansion of "sum(" and "prod(" index forms.
#include <cmath>

#include "engine/FitSettings.h"
#include "engine/ModelParser.h"
#include "engine/ModelTools.h"
#include "engine/ParseExpr.h"
#include "platform/core/Classes.h"
#include "platform/core/SysUtils.h"

namespace qv {

using namespace modeltools;

namespace {

bool IsIndexChar(char c) { return IsAsciiDigit(c) || (c >= 'a' && c <= 'z'); }

// Position of the first "sum(" / "prod(" that starts a word, or npos.
size_t FindForm(const std::string& text, const std::string& word, size_t from = 0) {
  while (true) {
    size_t p = text.find(word, from);
    if (p == std::string::npos) return p;
    if (p == 0 || !IsWordChar(text[p - 1])) return p;
    from = p + 1;
  }
}

// Index of the ")" matching the "(" at open, or npos.
size_t MatchingBracket(const std::string& text, size_t open) {
  int depth = 0;
  for (size_t i = open; i < text.size(); ++i) {
    if (text[i] == '(')
      ++depth;
    else if (text[i] == ')' && --depth == 0)
      return i;
  }
  return std::string::npos;
}

double EvaluateIndex(const std::string& text) {
  double v = 0;
  if (!TryValue(text, v) || !std::isfinite(v) || std::fabs(v) > 1e9)
    throw Exception("Cannot evaluate \"" + text + "\"");
  return v;
}

std::string NumberText(double v) {
  if (v == std::floor(v) && std::fabs(v) < 1e15) return std::to_string(static_cast<long long>(v));
  return FloatToStr(v);
}

// Whole-word replacement of the index name in one copy of the body; inside
// square brackets each comma-separated part holding the index is evaluated.
std::string SubstituteIndex(const std::string& body, const std::string& index, long k) {
  const std::string value = std::to_string(k);
  std::string out;
  size_t i = 0;
  while (i < body.size()) {
    if (body[i] == '[') {
      size_t close = body.find(']', i);
      if (close == std::string::npos) throw Exception("Missing \"]\"");
      std::string inside = body.substr(i + 1, close - i - 1);
      const std::vector<std::string> parts = SplitAtCommas(inside);
      out += '[';
      for (size_t p = 0; p < parts.size(); ++p) {
        if (p) out += ',';
        std::string replaced = SubstituteIndex(parts[p], index, k);
        if (replaced != parts[p]) {
          double v = 0;
          // A part that still names another index waits for its own sum.
          replaced = TryValue(replaced, v) ? NumberText(v) : replaced;
        }
        out += replaced;
      }
      out += ']';
      i = close + 1;
      continue;
    }
    if (body.compare(i, index.size(), index) == 0 && (i == 0 || !IsIndexChar(body[i - 1])) &&
        (i + index.size() >= body.size() || !IsIndexChar(body[i + index.size()]))) {
      out += value;
      i += index.size();
      continue;
    }
    out += body[i++];
  }
  return out;
}

std::string ExpandAll(std::string text, size_t budget);

std::string ExpandForm(const std::string& text, int kind, size_t budget) {
  const std::string word = kind == 0 ? "sum(" : "prod(";
  size_t start = FindForm(text, word);
  if (start == std::string::npos) return text;
  size_t open = start + word.size() - 1;
  size_t close = MatchingBracket(text, open);
  if (close == std::string::npos) throw Exception("Unbalanced brackets");
  std::string head = text.substr(0, open + 1 - word.size() + 0);
  head = text.substr(0, start);
  std::string spec = text.substr(open + 1, close - open - 1);
  size_t eq = spec.find('='), colon = spec.find(':');
  if (eq == std::string::npos || colon == std::string::npos || colon < eq)
    throw Exception("Wrong index form");
  std::string index = LowerCase(RemoveBlanks(spec.substr(0, eq)));
  if (index.empty()) throw Exception("Wrong index form");
  double a = std::round(EvaluateIndex(spec.substr(eq + 1, colon - eq - 1)));
  double b = std::round(EvaluateIndex(spec.substr(colon + 1)));
  size_t bodyOpen = close + 1;
  while (bodyOpen < text.size() && text[bodyOpen] == ' ') ++bodyOpen;
  if (bodyOpen >= text.size() || text[bodyOpen] != '(') throw Exception("Missing body");
  size_t bodyClose = MatchingBracket(text, bodyOpen);
  if (bodyClose == std::string::npos) throw Exception("Unbalanced brackets");
  std::string body = text.substr(bodyOpen, bodyClose - bodyOpen + 1);
  std::string tail = text.substr(bodyClose + 1);
  if (b - a > 10000) throw Exception("Too many terms");
  std::string joined;
  for (long k = static_cast<long>(a); k <= static_cast<long>(b); ++k) {
    std::string copy = ExpandAll(SubstituteIndex(body, index, k), budget);
    if (!joined.empty()) joined += kind == 0 ? "+" : "*";
    joined += copy;
    if (joined.size() > budget) throw Exception("Expansion too long");
  }
  return head + "(" + joined + ")" + tail;
}

std::string ExpandAll(std::string text, size_t budget) {
  for (int kind = 0; kind < 2; ++kind) {
    const std::string word = kind == 0 ? "sum(" : "prod(";
    while (FindForm(text, word) != std::string::npos) {
      text = ExpandForm(text, kind, budget);
      if (text.size() > budget) throw Exception("Expansion too long");
    }
  }
  return text;
}

// p[1] -> p1, q[1,2] -> q12: the brackets and the commas inside them go;
// commas between function arguments stay.
std::string Flatten(const std::string& text) {
  std::string out;
  int square = 0;
  for (char c : text) {
    if (c == '[') {
      ++square;
      continue;
    }
    if (c == ']') {
      if (square > 0) --square;
      continue;
    }
    if (c == ',' && square > 0) continue;
    out += c;
  }
  return out;
}

bool ParseConstraint(TEngineState& S, TFitHost& Host, const std::string& Text) {
  try {
    std::vector<std::string> pieces = SplitTopLevel(Text);
    for (const auto& t : pieces) {
      if (t.empty()) continue;
      const bool notEqual = t.find("<>") != std::string::npos;
      const char* ops[] = {"<=", "<", ">=", ">", "<>"};
      size_t at = std::string::npos;
      std::string op;
      for (const char* o : ops) {
        std::string so = o;
        if (notEqual && (so == "<" || so == ">")) continue;
        size_t p = t.find(so);
        if (p != std::string::npos) {
          at = p;
          op = so;
          break;
        }
      }
      if (at != std::string::npos) {
        std::string l = t.substr(0, at), r = t.substr(at + op.size());
        std::string d = l + "-(" + r + ")";
        std::string g = (op == "<=" || op == "<") ? d
                        : (op == "<>")            ? "-abs(" + d + ")"
                                                  : "-(" + d + ")";
        S.ConstraintTexts.push_back(g);
        S.ConstraintNonStrict.push_back(op == "<=" || op == ">=");
        S.ConstraintCount = static_cast<int>(S.ConstraintTexts.size());
        continue;
      }
      // An objective or an equation: the first "=" that is not the "=" of a
      // sum index turns L=R into the residual L-(R).
      std::string o = t;
      size_t from = 0;
      while (true) {
        size_t eq = o.find('=', from);
        if (eq == std::string::npos) break;
        size_t close = o.find(')', eq);
        std::string following =
            o.substr(eq + 1, close == std::string::npos ? std::string::npos : close - eq - 1);
        if (following.find(':') == std::string::npos) {
          o = o.substr(0, eq) + "-(" + o.substr(eq + 1) + ")";
          break;
        }
        from = eq + 1;
      }
      S.ObjectiveTexts.push_back(o);
      S.ObjectiveCount = static_cast<int>(S.ObjectiveTexts.size());
    }
    return true;
  } catch (const std::exception&) {
    Host.ShowMessage(mtInformation, "Wrong defination of function expression \"" + Text + "\"!");
    return false;
  }
}

}  // namespace

std::string ExpandSumProd(const std::string& Text, int Kind) {
  return ExpandForm(LowerCase(Text), Kind, 1 << 20);
}

bool ParseEquationModel(TEngineState& S, TFitHost& Host) {
  S.OutputCount = S.CurrentOutput = S.ParameterCount = S.ObjectiveCount = S.ConstraintCount = 0;
  S.Objective = S.DataFileCount = S.VarParameterCount = S.VarConstantCount = S.ConstantCount = 0;
  S.VariableCount = S.FunctionCount = 0;
  ClearModelLists(S);
  S.ObjectiveTexts.clear();
  S.ConstraintTexts.clear();
  S.ConstraintNonStrict.clear();

  const TStringList& work = S.WorkLines();
  const int lineCount = work.Count();
  int i = 0;
  bool functions = false;
  for (; i < lineCount; ++i) {
    const std::string trimmed = Trim(work[i]);
    if (StartsWith(trimmed, "//") || CutComment(trimmed).empty()) continue;
    const std::string lower = LowerCase(trimmed);
    const std::string key = Keyword(trimmed);
    std::string text = StatementText(trimmed);
    auto replaceConstants = [&](std::string t) {
      for (int c = 0; c < S.ConstantCount; ++c)
        t = ReplaceModelNames(t, S.ConstantNames[c], ConstantReplacement(S.ConstantValues[c]));
      return t;
    };
    bool ok = true;
    if (key == "title") {
      S.ModelTitle = text;
    } else if (key == "parameter" || key == "parameters") {
      ok = ReadParameterList(S, Host, replaceConstants(text), 0);
    } else if (key == "const" || key == "constant") {
      ok = ReadConstantList(S, Host, replaceConstants(text));
    } else if (StartsWith(lower, "exclusive")) {
      if (lower.substr(9).find("false") == std::string::npos) {
        ApplyExclusive(S, Host);
      }
    } else if (StartsWith(lower, "maximum")) {
      S.Objective = lower.substr(7).find("false") == std::string::npos ? 1 : 0;
    } else if (StartsWith(lower, "minimum")) {
      S.Objective = lower.substr(7).find("false") == std::string::npos ? 2 : 0;
    } else if (StartsWith(lower, "function")) {
      size_t skip = StartsWith(lower, "functions") ? 9 : 8;
      std::string rest = trimmed.substr(skip);
      size_t semi = rest.find(';');
      rest = RemoveBlanks(semi == std::string::npos ? rest : rest.substr(0, semi));
      if (!rest.empty() && !ParseConstraint(S, Host, rest)) return false;
      functions = true;
      ++i;
      break;
    }
    if (!ok) return false;
  }
  if (functions) {
    for (; i < lineCount; ++i) {
      std::string l = CutComment(work[i]);
      std::string lower = LowerCase(l);
      if (lower == "data" || lower == "data;" || StartsWith(lower, "datafile")) break;
      size_t semi = l.find(';');
      if (semi != std::string::npos) l = l.substr(0, semi);
      l = RemoveBlanks(l);
      if (!l.empty() && !ParseConstraint(S, Host, l)) return false;
    }
  }

  // Constants, as whole words, in objectives and constraints alike.
  for (auto* texts : {&S.ObjectiveTexts, &S.ConstraintTexts})
    for (auto& t : *texts)
      for (int c = 0; c < S.ConstantCount; ++c)
        t = ReplaceModelNames(t, S.ConstantNames[c], ConstantReplacement(S.ConstantValues[c]));

  if (S.ParameterCount == 0) {
    Host.ShowMessage(mtInformation, "No parameters defined!");
    return false;
  }
  if (S.ObjectiveCount == 0 && S.ConstraintCount == 0) {
    Host.ShowMessage(mtInformation, "No equation defined!");
    return false;
  }

  for (auto* texts : {&S.ObjectiveTexts, &S.ConstraintTexts})
    for (auto& t : *texts) {
      const std::string original = t;
      try {
        t = Flatten(ExpandAll(LowerCase(t), 1 << 20));
      } catch (const std::exception&) {
        Host.ShowMessage(mtInformation,
                         "Wrong defination of function expression \"" + original + "\"!");
        return false;
      }
    }

  for (int p = 0; p < S.ParameterCount; ++p) {
    const std::string name = LowerCase(S.ParameterNames[p]);
    bool found = false;
    for (auto* texts : {&S.ObjectiveTexts, &S.ConstraintTexts})
      for (const auto& t : *texts)
        if (LowerCase(t).find(name) != std::string::npos) found = true;
    if (!found) {
      Host.ShowMessage(mtInformation, "Parameter of \"" + S.ParameterNames[p] +
                                          "\" declared, but not found in equation expression!");
      return false;
    }
  }

  S.DimCount = S.ParameterCount;
  S.ObjectiveIndices.assign(S.ObjectiveCount, -1);
  S.ConstraintIndices.assign(S.ConstraintCount, -1);
  S.ParameterValues.assign(S.DimCount, 0.0);
  return true;
}

}  // namespace qv
