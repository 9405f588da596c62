#include "app/ModelCompletion.h"

#include <algorithm>

#include "app/ModelHighlighter.h"
#include "editor/CodeCompletionProposal.h"
#include "engine/ParseExpr.h"
#include "platform/core/SysUtils.h"

namespace qv {

namespace {

// "(X)", "(X, Y)", ... for a function of Count arguments.
std::string ArgumentHint(int Count) {
  static const char* const names[] = {"X", "Y", "Z", "W"};
  std::string hint = "(";
  for (int i = 0; i < Count && i < 4; ++i) {
    if (i > 0) hint += ", ";
    hint += names[i];
  }
  return hint + ")";
}

bool NameLess(const std::string& A, const std::string& B) {
  const std::string a = LowerCase(A), b = LowerCase(B);
  return a != b ? a < b : A < B;
}

}  // namespace

std::vector<TModelCompletionEntry> ModelCompletionEntries() {
  std::vector<TModelCompletionEntry> entries;
  // The compiler's own words: the named functions (operators, brackets,
  // constants and the words spelt with signs are left out).
  TExpressionParser parser;
  std::vector<std::pair<std::string, int>> functions;
  TExpressList& words = parser.Words();
  for (int i = 0; i < words.Count(); ++i) {
    TExprWord* w = words.Word(i);
    if (!w || !w->AsFunction() || w->IsOperator() || w->Name().empty()) continue;
    const char c = w->Name().front();
    if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'))) continue;
    functions.emplace_back(w->Name(), w->ArgumentCount());
  }
  std::sort(functions.begin(), functions.end(),
            [](const auto& A, const auto& B) { return NameLess(A.first, B.first); });
  for (const auto& [name, args] : functions)
    entries.push_back({"function \t" + name + "\t" + ArgumentHint(args), name});

  std::vector<std::string> keywords = ModelKeywords();
  std::sort(keywords.begin(), keywords.end(), NameLess);
  for (const std::string& k : keywords) entries.push_back({"keyword \t" + k + "\t", k});
  return entries;
}

void SetupModelCompletion(TCodeCompletionProposal& Proposal, TCustomCodeEdit& Editor) {
  Proposal.ClearList();
  for (const TModelCompletionEntry& e : ModelCompletionEntries())
    Proposal.AddItem(e.Display, e.Insert);
  Proposal.SetDefaultType(ctCode);
  Proposal.SetOptions(scoLimitToMatchedText | scoUseInsertList | scoUsePrettyText);
  Proposal.SetNbLinesInWindow(8);
  Proposal.SetWidth(262);
  Proposal.SetBiggestWord("constructor");
  // A word ends at a bracket, a blank or a dot, and also at the model
  // language's operators and separators, so that "a*ex" completes "ex".
  Proposal.SetEndOfTokenChr("()[]. +-*/^,;:=<>");
  Proposal.SetTriggerChars(".");
  Proposal.SetTimerInterval(1000);
  Proposal.Font().SetName("MS Sans Serif");
  Proposal.Font().SetHeight(-11);
  Proposal.TitleFont().SetName("MS Sans Serif");
  Proposal.TitleFont().SetHeight(-11);
  Proposal.TitleFont().SetStyle(TFontStyles{fsBold});
  Proposal.SetEditor(&Editor);
}

}  // namespace qv
