// Compiling, last stage: the tree as a chain of steps in evaluation order,
// every argument bound to the address it reads, and the whole compilation.
#include <memory>
#include <unordered_map>

#include "engine/expr/ExprBuiltins.h"
#include "engine/expr/ExprChain.h"

namespace qv::expr {

std::vector<TNode*> TCompiler::PostOrder(TNode* root, bool ValueLeaves) {
  // Arguments first, left to right, then the node.
  std::vector<TNode*> out;
  std::vector<std::pair<TNode*, int>> stack;
  stack.push_back({root, 0});
  while (!stack.empty()) {
    auto& [node, next] = stack.back();
    if (next < 4) {
      TNode* child = node->Args[next++];
      if (child && (ValueLeaves || !child->Word->IsValueLike())) stack.push_back({child, 0});
      continue;
    }
    out.push_back(node);
    stack.pop_back();
  }
  return out;
}

std::unique_ptr<TChain> TCompiler::Link(TNode* root) {
  auto chain = std::make_unique<TChain>();
  std::vector<TNode*> order;
  if (root->Word->IsValueLike())
    order.push_back(root);
  else
    order = PostOrder(root, false);  // value-like leaves are read, not run
  const int count = static_cast<int>(order.size());
  chain->Count = count;
  chain->Steps = std::make_unique<TExprRec[]>(static_cast<size_t>(count));
  std::unordered_map<TNode*, int> indexOf;
  indexOf.reserve(order.size());
  std::unordered_map<double*, int> externalOf;  // storage -> its number in Externals
  chain->Blocks.resize(static_cast<size_t>(count));
  chain->ArgCounts.resize(static_cast<size_t>(count));
  chain->ArgSources.assign(static_cast<size_t>(count) * 4, 0);
  bool ready = true;
  for (int k = 0; k < count; ++k) {
    TNode* node = order[static_cast<size_t>(k)];
    TExprRec& step = chain->Steps[static_cast<size_t>(k)];
    step.Proc = node->Proc;
    step.Word = node->Word;
    step.Next = k + 1 < count ? &chain->Steps[static_cast<size_t>(k + 1)] : nullptr;
    indexOf[node] = k;
    chain->Blocks[static_cast<size_t>(k)] = node->Word->BlockProc();
    if (!chain->Blocks[static_cast<size_t>(k)]) ready = false;
    int nargs = 0;
    auto external = [&](TExprWord* word, double* address) {
      auto [it, added] = externalOf.try_emplace(address, static_cast<int>(chain->Externals.size()));
      if (added) {
        chain->Externals.push_back(address);
        chain->ExternalConstant.push_back(word->IsVarying() ? 0 : 1);
      } else if (word->IsVarying()) {
        chain->ExternalConstant[static_cast<size_t>(it->second)] = 0;
      }
      return -1 - it->second;
    };
    if (node->Word->IsValueLike()) {
      step.Args[0] = node->Value;
      chain->ArgSources[static_cast<size_t>(k) * 4] = external(node->Word, node->Value);
      nargs = 1;
    } else {
      for (int i = 0; i < 4; ++i) {
        TNode* a = node->Args[i];
        if (!a) continue;
        if (a->Word->IsValueLike()) {
          step.Args[i] = a->Value;
          chain->ArgSources[static_cast<size_t>(k) * 4 + static_cast<size_t>(i)] =
              external(a->Word, a->Value);
        } else {
          const int j = indexOf.at(a);
          step.Args[i] = &chain->Steps[static_cast<size_t>(j)].Result;
          chain->ArgSources[static_cast<size_t>(k) * 4 + static_cast<size_t>(i)] = j;
        }
        nargs = i + 1;
      }
    }
    chain->ArgCounts[static_cast<size_t>(k)] = nargs;
    // An integer power whose exponent is a constant 2 or 3 becomes one or
    // two multiplications (the same ones the squaring loop makes).
    if ((node->Word == intPower_ || node->Word == intPowerFn_) && node->Args[1] &&
        node->Args[1]->Word->IsValueLike() && !node->Args[1]->Word->IsVarying() &&
        dynamic_cast<TDoubleConstant*>(node->Args[1]->Word)) {
      const double e = *node->Args[1]->Value;
      if (e >= 1.5 && e <= 3.5)
        SmallPowerProcs(RoundInt(e), step.Proc, chain->Blocks[static_cast<size_t>(k)]);
    }
  }
  chain->ColumnReady = ready;
  return chain;
}

std::unique_ptr<TChain> TCompiler::Compile() {
  leftBracket_ = parser_.words_.Find("(");
  rightBracket_ = parser_.words_.Find(")");
  comma_ = parser_.words_.Find(std::string(1, parser_.argSeparator_));
  plus_ = parser_.words_.Find("+");
  minus_ = parser_.words_.Find("-");
  neg_ = parser_.words_.Find("-@");
  pos_ = parser_.words_.Find("+@");
  not_ = parser_.words_.Find("not");
  power_ = parser_.words_.Find("^");
  intPower_ = parser_.words_.Find("^@");
  intPowerFn_ = parser_.words_.Find("intpower");
  assign_ = parser_.words_.Find(":=");

  std::vector<TToken> tokens = Tokenise();
  CheckAndRewrite(tokens);
  StringComparisons(tokens);
  std::vector<TExprWord*> words;
  words.reserve(tokens.size());
  for (const TToken& k : tokens) words.push_back(k.Word);
  TNode* root = Build(std::move(words), 0);
  if (!root) SyntaxError();
  CheckArguments(root);
  if (parser_.foldConstants_) Fold(root);
  std::unique_ptr<TChain> chain = Link(root);
  chain->Text = text_;
  return chain;
}

}  // namespace qv::expr
