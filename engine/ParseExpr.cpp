// The expression parser's own operations: its words, compiling a text
// once, and evaluating a compiled chain for one row or for columns.
#include "engine/ParseExpr.h"

#include <cmath>

#include "engine/expr/ExprBuiltins.h"
#include "engine/expr/ExprChain.h"

namespace qv {

using expr::TChain;

const TFormatSettings& ModelNumberForm() {
  static const TFormatSettings form = TFormatSettings::Invariant();
  return form;
}

TExpressionParser::TExpressionParser() : words_(30), constants_(10) {
  decimalSeparator_ = ModelNumberForm().DecimalSeparator;
  argSeparator_ = ModelNumberForm().ListSeparator;
  RegisterBuiltinWords();
}

TExpressionParser::~TExpressionParser() {
  ClearCompiled();
  constants_.Clear();
  words_.Clear();
}

void TExpressionParser::AddWord(std::unique_ptr<TExprWord> word) {
  // A name already present keeps its word; the new one goes when this
  // function returns.
  words_.Insert(word);
}

void TExpressionParser::BindVariable(const std::string& name, double* address) {
  AddWord(std::make_unique<TDoubleVariable>(name, address));
}

int TExpressionParser::CompileText(const std::string& text) {
  if (text.empty()) return -1;
  const std::string key = LowerCase(text);
  auto it = indexByText_.find(key);
  if (it != indexByText_.end()) {
    currentIndex_ = it->second;
    current_ = compiled_[static_cast<size_t>(it->second)].get();
    return it->second;
  }
  expr::TCompiler compiler(*this, text);
  std::unique_ptr<TChain> chain = compiler.Compile();
  const int index = static_cast<int>(compiled_.size());
  current_ = chain.get();
  compiled_.push_back(std::move(chain));
  indexByText_.emplace(key, index);
  currentIndex_ = index;
  return index;
}

TChain* TExpressionParser::ChainAt(int index) const {
  if (index < 0 || index >= static_cast<int>(compiled_.size()))
    throw EParserException(Format("List index out of bounds (%d)", index));
  return compiled_[static_cast<size_t>(index)].get();
}

double TExpressionParser::EvaluateCompiled(int index) {
  if (index < 0) return AllOnesNaN();
  TChain* c = ChainAt(index);
  current_ = c;
  currentIndex_ = index;
  expr::PrepareFaultFlags();
  expr::RunSteps(*c);
  const double v = c->Last()->Result;
  if (expr::FaultFlags() != 0) throw EParserException(expr::TakeFaultMessage());
  return v;
}

std::string TExpressionParser::ResultAsText(int index) {
  const double v = EvaluateCompiled(index);
  if (index >= 0 && current_->Last()->Word->ResultKind() == rkBoolean) {
    if (std::isgreater(v, -0.1) && std::isless(v, 0.1)) return "False";
    if (std::isgreater(v, 0.9) && std::isless(v, 1.1)) return "True";
  }
  return Format(ModelNumberForm(), "%.10g", v);
}

int TExpressionParser::EvaluateCompiledColumn(int index, int rowCount,
                                              const TColumnBinding* bindings, int bindingCount,
                                              double* results, uint64_t DataGeneration) {
  if (rowCount <= 0) return rowCount < 0 ? 0 : rowCount;
  if (index < 0) {
    for (int r = 0; r < rowCount; ++r) results[r] = AllOnesNaN();
    return rowCount;
  }
  TChain* c = index < static_cast<int>(compiled_.size())
                  ? compiled_[static_cast<size_t>(index)].get()
                  : ChainAt(index);
  current_ = c;
  currentIndex_ = index;
  return expr::EvaluateColumn(*c, rowCount, bindings, bindingCount, results, DataGeneration);
}

bool TExpressionParser::EvaluateCompiledColumnQuick(int index, int rowCount,
                                                    const TColumnBinding* bindings,
                                                    int bindingCount, double* results,
                                                    uint64_t DataGeneration) {
  if (index < 0 || index >= static_cast<int>(compiled_.size())) return false;
  TChain* c = compiled_[static_cast<size_t>(index)].get();
  if (!expr::EvaluateColumnQuick(*c, rowCount, bindings, bindingCount, results, DataGeneration))
    return false;
  current_ = c;
  currentIndex_ = index;
  return true;
}

int TExpressionParser::EvaluateCompiledColumnSquares(int index, int rowCount,
                                                     const TColumnBinding* bindings,
                                                     int bindingCount, double* results,
                                                     int ChunkRows, const double* target,
                                                     double& Squares, uint64_t DataGeneration) {
  if (rowCount <= 0 || index < 0 || ChunkRows <= 0) {
    if (!results) {
      // Nothing to sum, or rows that only run one by one.
      if (rowCount > 0) return 0;
      Squares = 0;
      return rowCount;
    }
    const int done =
        EvaluateCompiledColumn(index, rowCount, bindings, bindingCount, results, DataGeneration);
    if (done >= rowCount) {
      double sum = 0;
      for (int r = 0; r < rowCount; ++r) sum += (results[r] - target[r]) * (results[r] - target[r]);
      Squares = sum;
    }
    return done;
  }
  TChain* c = ChainAt(index);
  current_ = c;
  currentIndex_ = index;
  return expr::EvaluateColumnChunks(*c, rowCount, bindings, bindingCount, results, ChunkRows,
                                    target, Squares, DataGeneration);
}

void TExpressionParser::ClearCompiled() {
  compiled_.clear();
  indexByText_.clear();
  current_ = nullptr;
  currentIndex_ = -1;
}

int TExpressionParser::ResultKind(int index) const {
  if (index < 0 || index >= static_cast<int>(compiled_.size())) return -1;
  return compiled_[static_cast<size_t>(index)]->Last()->Word->ResultKind();
}

const std::string& TExpressionParser::CompiledText(int index) const { return ChainAt(index)->Text; }

int TExpressionParser::StepCount(int index) const { return ChainAt(index)->Count; }

TExprWord* TExpressionParser::FindWord(const std::string& name) const {
  return words_.Find(LowerCase(name));
}

}  // namespace qv
