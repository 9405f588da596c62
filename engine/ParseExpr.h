// The expression compiler and evaluator.
//
// TExpressionParser turns the text of one arithmetic or logical expression
// into a chain of pre-linked steps (TExprRec) and evaluates it repeatedly:
// one flat pass, no lookups, no allocation. Variables are bound to the
// addresses of caller-owned doubles before compiling; the evaluator reads
// them at every evaluation. One parser holds any number of compiled
// expressions, each found again by its text (letter case ignored).
//
// Failures: every syntax error raises EParserException with its message.
// Arithmetic faults of an evaluation (division by zero, an invalid
// operation such as the logarithm of a negative number, overflow, and
// "div"/"mod" by a value that rounds to 0) raise EParserException with
// "Floating point division by zero", "Invalid floating point operation",
// "Floating point overflow" or "Division by zero". They are found through
// the floating-point status flags, tested once per evaluation.
//
// Numbers are read and written in the model language's one number form,
// whatever the user's locale (ModelNumberForm): "." before the fraction,
// "," between arguments.
//
// Not thread-safe: one thread uses a parser at a time. Bound addresses must
// stay valid while chains that read them are evaluated.
//
// The parser owns its words (the word list and the list of constants that
// compilation creates) and its compiled chains. The compiler and the
// evaluator live in engine/expr/Expr*.{h,cpp} (engine/expr/ExprChain.h says which
// stage is where).
#pragma once

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/ParseClass.h"
#include "platform/core/Random.h"

namespace qv {

// One column of a column evaluation: the variable bound to Address takes
// Values[row] for each row.
struct TColumnBinding {
  double* Address;
  const double* Values;
};

// The model language's one number form (model text, data rows and files,
// constants, the settings boxes, and every number text the engine writes):
// "." before the fraction, "," between thousands and between arguments.
const TFormatSettings& ModelNumberForm();

namespace expr {
struct TChain;
class TCompiler;
}  // namespace expr

class TExpressionParser {
 public:
  // A parser with the built-in words (brackets, the argument separator,
  // "pi", the operators and the functions).
  TExpressionParser();
  ~TExpressionParser();
  TExpressionParser(const TExpressionParser&) = delete;
  TExpressionParser& operator=(const TExpressionParser&) = delete;

  // Defines a variable read from *address at every evaluation. When the
  // word list already holds the name (a built-in word, an earlier binding
  // or a generated variable) nothing happens and the old word stays.
  void BindVariable(const std::string& name, double* address);

  // Index of the compiled expression for text, compiling it on first use;
  // an equal text (letter case ignored) returns its earlier index. Empty
  // text gives -1. Syntax errors raise EParserException; a failed
  // compilation adds nothing to the compiled texts.
  int CompileText(const std::string& text);

  // Runs the chain at index and returns its value; index < 0 gives the NaN
  // whose 64 bits are all ones. Arithmetic faults raise EParserException.
  double EvaluateCompiled(int index);

  // Evaluates like EvaluateCompiled: "True"/"False" for a Boolean-kind
  // expression whose value is near 0 or 1, else the value with "%.10g".
  std::string ResultAsText(int index);

  // Evaluates the chain at index for rows [0, rowCount): for each binding
  // the variable at Address takes Values[row]; results[row] receives the
  // value. Returns rowCount when every row succeeded (the bound variables
  // then hold the last row's values). Otherwise returns the first row whose
  // evaluation raises: results before it are valid, the bound variables hold
  // that row's values, and EvaluateCompiled(index) repeats the fault with
  // its message. Gives the same values as one EvaluateCompiled per row, in
  // row order, with far less overhead per row. DataGeneration, when not 0,
  // is the caller's promise that bound columns at the same places hold the
  // same values in every call with that number (a number is never used
  // again for other data): a call with the bindings and rows of the last
  // one skips the set-up for them, and values kept from them are not
  // compared with the columns again.
  int EvaluateCompiledColumn(int index, int rowCount, const TColumnBinding* bindings,
                             int bindingCount, double* results, uint64_t DataGeneration = 0);
  // EvaluateCompiledColumn with the rows in chunks of ChunkRows, run on the
  // evaluation threads (engine/EvaluationThreads.h), the same results and
  // the same first faulting row. When every row succeeds, Squares receives
  // the sum over the rows of (results - target)^2: each chunk's sum in a
  // fixed order (sixteen running sums, row i into sum i mod 16, added
  // pairwise), the chunk sums in chunk order, so it does not depend on the
  // number of threads. Otherwise Squares is left as it was. With results
  // null the values are summed and not kept (they need not pass through
  // memory): a return below rowCount then says only that some row raised
  // (or that the rows cannot run as a column), not which; evaluating again
  // with results finds it.
  int EvaluateCompiledColumnSquares(int index, int rowCount, const TColumnBinding* bindings,
                                    int bindingCount, double* results, int ChunkRows,
                                    const double* target, double& Squares,
                                    uint64_t DataGeneration = 0);
  // The short way of a small data set: when an earlier EvaluateCompiledColumn
  // call of the same rows, bindings and DataGeneration (not 0) left machine
  // code for the chain at index (engine/expr/ExprMachineCode.h), runs it: every
  // row into results, the bound variables left on the last row, and true.
  // Otherwise, or when some row may raise, false, with nothing changed but
  // results: EvaluateCompiledColumn then decides.
  bool EvaluateCompiledColumnQuick(int index, int rowCount, const TColumnBinding* bindings,
                                   int bindingCount, double* results, uint64_t DataGeneration);

  // The generator behind the words "random" and "randg" of this parser: the
  // engine points it at its one generator (engine/RunState.h). Null, and
  // the default, is the parser's own generator of the same kind, seed 0.
  // The generator must outlive the evaluations that draw from it.
  void SetRandomGenerator(TRandomGenerator* generator) {
    random_ = generator ? generator : &ownRandom_;
  }

  // Frees every compiled chain and text; all indices handed out become
  // invalid. Words created while compiling stay until destruction.
  void ClearCompiled();

  // ---- Inspection ---------------------------------------------------------
  // Result kind of the last step of the chain at index (rkBoolean for a
  // comparison or a logical word, rkReal otherwise); -1 for a bad index.
  int ResultKind(int index) const;
  bool IsBooleanResult(int index) const { return ResultKind(index) == rkBoolean; }
  int CompiledCount() const { return static_cast<int>(compiled_.size()); }
  const std::string& CompiledText(int index) const;  // as the caller gave it
  int StepCount(int index) const;                    // steps of that chain
  int CurrentIndex() const { return currentIndex_; }
  // The word of that name (any letter case), or null.
  TExprWord* FindWord(const std::string& name) const;
  TExpressList& Words() { return words_; }
  TOCollection& CreatedConstants() { return constants_; }
  char ArgumentSeparator() const { return argSeparator_; }
  char DecimalSeparator() const { return decimalSeparator_; }
  bool FoldConstants() const { return foldConstants_ != 0; }
  void SetFoldConstants(bool fold) { foldConstants_ = fold ? 1 : 0; }

 private:
  friend class expr::TCompiler;  // adds the words a compilation creates

  // Fills the word list with the built-in words (engine/expr/ExprBuiltins.cpp).
  void RegisterBuiltinWords();
  // Adds a word to the word list; a name already present keeps the old word
  // and the new one is freed.
  void AddWord(std::unique_ptr<TExprWord> word);
  expr::TChain* ChainAt(int index) const;

  char marker_ = '$';  // introduces a hexadecimal literal
  char argSeparator_ = ',';
  char decimalSeparator_ = '.';
  uint8_t foldConstants_ = 1;
  TExpressList words_;
  TOCollection constants_;  // literals, string constants and folded constants
  std::vector<std::unique_ptr<expr::TChain>> compiled_;
  std::unordered_map<std::string, int> indexByText_;  // lower-case text -> index
  expr::TChain* current_ = nullptr;
  int currentIndex_ = -1;
  TRandomGenerator ownRandom_;
  TRandomGenerator* random_ = &ownRandom_;
};

}  // namespace qv
