// The optimisation model parser: objectives, equations and constraints,
// and the expansion of "sum(" and "prod(" index forms.
#include <cmath>

#include "engine/ModelParser.h"
#include "engine/ModelTools.h"
#include "engine/ParseExpr.h"
#include "engine/WorkLines.h"
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

std::string NumberText(double v) {
  if (v == std::floor(v) && std::fabs(v) < 1e15) return std::to_string(static_cast<long long>(v));
  return FloatToStr(v, ModelNumberForm());
}

// Expands the "sum(" and "prod(" index forms of a lower-case text, inner
// forms first within each copy of a body; a text that grows beyond Budget
// characters is refused. Index bounds and the index positions inside
// square brackets are values of expressions whose "random" and "randg" draw
// from Random (null: the expressions' own generator).
class TSumProdExpander {
 public:
  TSumProdExpander(size_t Budget, TRandomGenerator* Random) : budget_(Budget), random_(Random) {}

  std::string ExpandAll(std::string text) const {
    for (int kind = 0; kind < 2; ++kind) {
      const std::string word = kind == 0 ? "sum(" : "prod(";
      while (FindForm(text, word) != std::string::npos) {
        text = ExpandForm(text, kind);
        if (text.size() > budget_) throw Exception("Expansion too long");
      }
    }
    return text;
  }

  // The first form of the kind (0 "sum(", 1 "prod(") expanded.
  std::string ExpandForm(const std::string& text, int kind) const {
    const std::string word = kind == 0 ? "sum(" : "prod(";
    size_t start = FindForm(text, word);
    if (start == std::string::npos) return text;
    size_t open = start + word.size() - 1;
    size_t close = MatchingBracket(text, open);
    if (close == std::string::npos) throw Exception("Unbalanced brackets");
    const std::string head = text.substr(0, start);
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
      std::string copy = ExpandAll(SubstituteIndex(body, index, k));
      if (!joined.empty()) joined += kind == 0 ? "+" : "*";
      joined += copy;
      if (joined.size() > budget_) throw Exception("Expansion too long");
    }
    return head + "(" + joined + ")" + tail;
  }

 private:
  double EvaluateIndex(const std::string& text) const {
    double v = 0;
    if (!TryValue(text, v, random_) || !std::isfinite(v) || std::fabs(v) > 1e9)
      throw Exception("Cannot evaluate \"" + text + "\"");
    return v;
  }

  // Whole-word replacement of the index name in one copy of the body;
  // inside square brackets each comma-separated part holding the index is
  // evaluated.
  std::string SubstituteIndex(const std::string& body, const std::string& index, long k) const {
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
            replaced = TryValue(replaced, v, random_) ? NumberText(v) : replaced;
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

  size_t budget_;
  TRandomGenerator* random_;
};

constexpr size_t kExpansionBudget = size_t{1} << 20;

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
        S.Model.ConstraintTexts.push_back(g);
        S.Model.ConstraintNonStrict.push_back(op == "<=" || op == ">=");
        S.Model.ConstraintCount = static_cast<int>(S.Model.ConstraintTexts.size());
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
      S.Model.ObjectiveTexts.push_back(o);
      S.Model.ObjectiveCount = static_cast<int>(S.Model.ObjectiveTexts.size());
    }
    return true;
  } catch (const std::exception&) {
    Host.ShowMessage(mtInformation, "Wrong defination of function expression \"" + Text + "\"!");
    return false;
  }
}

}  // namespace

std::string ExpandSumProd(const std::string& Text, int Kind, TRandomGenerator* Random) {
  return TSumProdExpander(kExpansionBudget, Random).ExpandForm(LowerCase(Text), Kind);
}

bool ParseEquationModel(TEngineState& S, TFitHost& Host) {
  S.Model.OutputCount = S.Model.CurrentOutput = S.Model.ParameterCount = S.Model.ObjectiveCount =
      S.Model.ConstraintCount = 0;
  S.Model.DataFileCount = S.Model.VarParameterCount = S.Model.VarConstantCount =
      S.Model.ConstantCount = 0;
  S.Model.Objective = TObjective::None;
  S.Model.VariableCount = S.Model.FunctionCount = 0;
  ClearModelLists(S);
  S.Model.ObjectiveTexts.clear();
  S.Model.ConstraintTexts.clear();
  S.Model.ConstraintNonStrict.clear();

  const TWorkLines& work = S.Model.WorkLines();
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
      for (int c = 0; c < S.Model.ConstantCount; ++c)
        t = ReplaceModelNames(t, S.Model.ConstantNames[c],
                              ConstantReplacement(S.Model.ConstantValues[c]));
      return t;
    };
    bool ok = true;
    if (key == "title") {
      S.Model.ModelTitle = text;
    } else if (key == "parameter" || key == "parameters") {
      ok = ReadParameterList(S, Host, replaceConstants(text), 0);
    } else if (key == "const" || key == "constant") {
      ok = ReadConstantList(S, Host, replaceConstants(text));
    } else if (StartsWith(lower, "exclusive")) {
      if (lower.substr(9).find("false") == std::string::npos) {
        ApplyExclusive(S, Host);
      }
    } else if (StartsWith(lower, "maximum")) {
      S.Model.Objective = lower.substr(7).find("false") == std::string::npos ? TObjective::Maximum
                                                                             : TObjective::None;
    } else if (StartsWith(lower, "minimum")) {
      S.Model.Objective = lower.substr(7).find("false") == std::string::npos ? TObjective::Minimum
                                                                             : TObjective::None;
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
  for (auto* texts : {&S.Model.ObjectiveTexts, &S.Model.ConstraintTexts})
    for (auto& t : *texts)
      for (int c = 0; c < S.Model.ConstantCount; ++c)
        t = ReplaceModelNames(t, S.Model.ConstantNames[c],
                              ConstantReplacement(S.Model.ConstantValues[c]));

  if (S.Model.ParameterCount == 0) {
    Host.ShowMessage(mtInformation, "No parameters defined!");
    return false;
  }
  if (S.Model.ObjectiveCount == 0 && S.Model.ConstraintCount == 0) {
    Host.ShowMessage(mtInformation, "No equation defined!");
    return false;
  }

  for (auto* texts : {&S.Model.ObjectiveTexts, &S.Model.ConstraintTexts})
    for (auto& t : *texts) {
      const std::string original = t;
      try {
        t = Flatten(TSumProdExpander(kExpansionBudget, &S.Run.Random).ExpandAll(LowerCase(t)));
      } catch (const std::exception&) {
        Host.ShowMessage(mtInformation,
                         "Wrong defination of function expression \"" + original + "\"!");
        return false;
      }
    }

  for (int p = 0; p < S.Model.ParameterCount; ++p) {
    const std::string name = LowerCase(S.Model.ParameterNames[p]);
    bool found = false;
    for (auto* texts : {&S.Model.ObjectiveTexts, &S.Model.ConstraintTexts})
      for (const auto& t : *texts)
        if (LowerCase(t).find(name) != std::string::npos) found = true;
    if (!found) {
      Host.ShowMessage(mtInformation, "Parameter of \"" + S.Model.ParameterNames[p] +
                                          "\" declared, but not found in equation expression!");
      return false;
    }
  }

  S.Model.DimCount = S.Model.ParameterCount;
  S.Model.ObjectiveIndices.assign(S.Model.ObjectiveCount, -1);
  S.Model.ConstraintIndices.assign(S.Model.ConstraintCount, -1);
  S.Model.ParameterValues.assign(S.Model.DimCount, 0.0);
  return true;
}

}  // namespace qv
