// Compiling, second stage: the words as a tree of operators and functions,
// the check of every word's arguments, and the folding of constant
// sub-trees into constants.
#include <memory>
#include <unordered_map>

#include "engine/expr/ExprBuiltins.h"
#include "engine/expr/ExprChain.h"

namespace qv::expr {

template <class TTest>
size_t TCompiler::FindOutsideBrackets(const std::vector<TExprWord*>& t, size_t from,
                                      TTest test) const {
  int d = 0;
  for (size_t i = from; i < t.size(); ++i) {
    if (t[i] == leftBracket_)
      ++d;
    else if (t[i] == rightBracket_)
      --d;
    else if (d == 0 && t[i]->ArgumentCount() > 0 && test(t[i]))
      return i;
  }
  return t.size();
}

int TCompiler::MatchingClose(const std::vector<TExprWord*>& t, size_t open) const {
  int depth = 0;
  for (size_t i = open; i < t.size(); ++i) {
    if (t[i] == leftBracket_)
      ++depth;
    else if (t[i] == rightBracket_ && --depth == 0)
      return static_cast<int>(i);
  }
  return -1;
}

// bracket depth 0; each takes what stands before it as its left operand and
// what follows up to the next operator of equal or weaker binding as its
// right operand, so equal precedences associate to the left.
TNode* TCompiler::Build(std::vector<TExprWord*> t, int depth) {
  if (depth > 4 * kMaxBracketDepth) SyntaxError();
  while (t.size() >= 2 && t.front() == leftBracket_ &&
         MatchingClose(t, 0) == static_cast<int>(t.size()) - 1) {
    t.pop_back();
    t.erase(t.begin());
  }
  if (t.empty()) return nullptr;
  if (t.size() == 1) {
    TNode* leaf = NewNode();
    leaf->Word = t[0];
    leaf->Proc = t[0]->Proc();
    if (t[0]->IsValueLike()) leaf->Value = t[0]->ValueAddress();
    return leaf;
  }

  auto place = [&](TNode* node, int& next, TNode* arg) {
    if (!arg) {
      ++next;
      return;
    }
    if (next >= node->Word->ArgumentCount()) {
      // More operands than the word has places for ("5! 3", "sin(x) random"):
      // refused once the argument check has passed.
      node->Surplus = true;
      surplus_ = true;
      return;
    }
    node->Args[next++] = arg;
  };

  TNode* left = nullptr;
  size_t start = 0;
  for (;;) {
    TNode* node = NewNode();
    int next = 0;
    if (left) node->Args[next++] = left;

    // The first word that takes arguments, at depth 0, from start on.
    const size_t pos = FindOutsideBrackets(t, start, [](TExprWord*) { return true; });
    if (pos >= t.size()) SyntaxError();
    TExprWord* w = t[pos];
    TFunction* f = w->AsFunction();
    if (!f) throw EParserException("Can not find operand/function");
    node->Word = w;
    node->Proc = w->Proc();

    size_t after;
    if (!w->IsOperator()) {
      // A function call. An operand before the name has no operator to
      // join it ("2 sin(x)"): refused rather than dropped.
      if (left || pos > start) {
        node->Surplus = true;
        surplus_ = true;
      }
      node->Args[0] = nullptr;
      next = 0;
      if (pos + 1 >= t.size() || t[pos + 1] != leftBracket_)
        throw EParserException("Can not find operand/function");
      const int close = MatchingClose(t, pos + 1);
      if (close < 0) throw EParserException("Unequal brackets");
      std::vector<std::vector<TExprWord*>> argTokens(1);
      int d = 0;
      for (size_t i = pos + 2; i < static_cast<size_t>(close); ++i) {
        if (t[i] == leftBracket_)
          ++d;
        else if (t[i] == rightBracket_)
          --d;
        if (d == 0 && t[i] == comma_) {
          argTokens.emplace_back();
          continue;
        }
        argTokens.back().push_back(t[i]);
      }
      if (static_cast<int>(argTokens.size()) > f->ArgumentCount())
        throw EParserException("Too many arguments");
      for (auto& tokens : argTokens) {
        TNode* arg = Build(std::move(tokens), depth + 1);
        node->Args[next++] = arg;
      }
      after = static_cast<size_t>(close) + 1;
    } else {
      if (pos > start) {
        std::vector<TExprWord*> sub(t.begin() + static_cast<ptrdiff_t>(start),
                                    t.begin() + static_cast<ptrdiff_t>(pos));
        place(node, next, Build(std::move(sub), depth + 1));
      }
      after = pos + 1;
    }

    // The right operand: up to the next word of equal or weaker binding.
    const int prec = f->Precedence();
    const size_t found = FindOutsideBrackets(t, after, [prec](TExprWord* word) {
      TFunction* g = word->AsFunction();
      return g && g->Precedence() >= prec;
    });
    if (found > after) {
      std::vector<TExprWord*> sub(t.begin() + static_cast<ptrdiff_t>(after),
                                  t.begin() + static_cast<ptrdiff_t>(found));
      place(node, next, Build(std::move(sub), depth + 1));
    }
    left = node;
    start = found;
    if (start >= t.size()) return left;
  }
}

void TCompiler::CheckArguments(TNode* root) {
  std::vector<TNode*> stack{root};
  bool badWord = false;
  while (!stack.empty()) {
    TNode* node = stack.back();
    stack.pop_back();
    if (!node->Proc) badWord = true;  // a bracket or separator standing alone
    const int n = node->Word->ArgumentCount();
    for (int i = 0; i < n; ++i)
      if (!node->Args[i])
        throw EParserException("Syntax error: function or operand has too few arguments");
    for (TNode* a : node->Args)
      if (a) stack.push_back(a);
  }
  if (badWord || surplus_) SyntaxError();
  // ":=" needs a variable on its left: the storage of a constant is never
  // written.
  stack.push_back(root);
  while (!stack.empty()) {
    TNode* node = stack.back();
    stack.pop_back();
    if (node->Word == assign_) {
      TNode* target = node->Args[0];
      if (!dynamic_cast<TDoubleVariable*>(target->Word) &&
          !dynamic_cast<TGeneratedVariable*>(target->Word))
        SyntaxError();
    }
    for (TNode* a : node->Args)
      if (a) stack.push_back(a);
  }
}

double TCompiler::EvaluateSubtree(TNode* root, int& kind) {
  std::unique_ptr<TChain> chain = Link(root);
  kind = chain->Last()->Word->ResultKind();
  PrepareFaultFlags();
  RunSteps(*chain);
  const double v = chain->Last()->Result;
  if (FaultFlags() != 0) throw EParserException(TakeFaultMessage());
  return v;
}

void TCompiler::Fold(TNode* root) {
  // Which nodes read nothing that may vary: arguments come first in post
  // order, so one pass settles every node.
  const std::vector<TNode*> all = PostOrder(root, true);
  std::unordered_map<TNode*, bool> constant;
  for (TNode* node : all) {
    bool c = !node->Word->IsVarying() && node->Word != assign_;
    for (TNode* a : node->Args)
      if (a && !constant[a]) c = false;
    constant[node] = c;
  }
  // Top down: a constant sub-tree is evaluated now and replaced by a
  // constant; a varying one is descended into.
  std::vector<TNode*> stack{root};
  while (!stack.empty()) {
    TNode* node = stack.back();
    stack.pop_back();
    if (constant[node] && !node->Word->IsValueLike()) {
      int kind = rkReal;
      const double v = EvaluateSubtree(node, kind);
      std::unique_ptr<TDoubleConstant> owned;
      if (kind == rkBoolean)
        owned = std::make_unique<TBooleanConstant>(std::string(), v);
      else
        owned = std::make_unique<TDoubleConstant>(std::string(), v);
      TDoubleConstant* k = owned.get();
      parser_.constants_.Add(std::move(owned));
      node->Word = k;
      node->Proc = k->Proc();
      node->Value = k->ValueAddress();
      for (TNode*& a : node->Args) a = nullptr;
      continue;
    }
    for (TNode* a : node->Args)
      if (a) stack.push_back(a);
  }
}

}  // namespace qv::expr
