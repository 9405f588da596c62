// The compiled form of an expression and the compiler that makes it.
// Internal to the engine's expression compiler: TExpressionParser
// (engine/ParseExpr.h) owns the chains and runs them.
//
// Compiling a text runs these stages in order, each in its own file:
//   tokens     the text as words, with the checks and rewrites of
//              neighbouring words and the string comparisons
//              (engine/expr/ExprTokens.cpp);
//   tree       the words as a tree of operators and functions, the check of
//              every word's arguments, and the folding of constant
//              sub-trees into constants (engine/expr/ExprTree.cpp);
//   link       the tree as a chain of steps in evaluation order, every
//              argument bound to the address it reads (engine/expr/ExprLink.cpp).
// A chain that every step can run over blocks of rows also gets a column
// plan (engine/expr/ExprColumnPlan.cpp), which the column evaluator runs
// (engine/expr/ExprColumnEval.cpp).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "engine/ParseExpr.h"
#include "engine/expr/ExprFused.h"
#include "engine/expr/ExprMachineCode.h"

namespace qv::expr {

constexpr int kBlockRows = 256;        // rows per pass of a column evaluation
constexpr int kMaxBracketDepth = 256;  // deeper nesting is refused
// Step classes and argument sources of a column plan.
enum : uint8_t { kStepVarying, kStepUniform, kStepConstant, kStepInvariant };
enum : uint8_t { kArgStep, kArgColumn, kArgInvariant, kArgScalar, kArgBroadcast, kArgDepth };

// A compiled expression: the chain of steps, Count of them, each reading
// its operands through stored addresses (the result of an earlier step, a
// constant's value or a bound variable); the value is the last step's.
struct TChain {
  std::string Text;
  std::unique_ptr<TExprRec[]> Steps;
  int Count = 0;

  // Column form: per step its block procedure and where each argument
  // comes from (>= 0: the result of that step; < 0: external storage
  // number -1 - value).
  bool ColumnReady = false;
  std::vector<TBlockProc> Blocks;
  std::vector<int> ArgCounts;
  std::vector<int> ArgSources;            // Count * 4
  std::vector<double*> Externals;         // distinct storage read by the chain
  std::vector<uint8_t> ExternalConstant;  // 1: storage of a constant word
  std::vector<double> Buffer;             // step results, spread values, accumulators
  std::vector<int> ExternalBinding;       // binding number, -1 for a scalar

  // Plan of the column form for one pattern of bound externals
  // (PlanBinding, empty until made). Steps are sorted into classes:
  //   varying   - run over every block of rows;
  //   uniform   - read only unbound storage and uniform steps: the same for
  //               every row, so run once per evaluation;
  //   constant  - uniform and made of constant words only;
  //   invariant - read only bound columns, constants and invariant steps:
  //               the same from one evaluation to the next while the
  //               columns hold the same values, so kept (Invariant) with a
  //               copy of those columns (Snapshot) that tells when to redo it.
  // The last step is always varying: it writes the results.
  std::vector<int> PlanBinding;
  std::vector<uint8_t> StepClass;
  std::vector<int> OnceSteps;           // uniform and constant, in order
  std::vector<int> InvariantRunSteps;   // constant and invariant, in order
  std::vector<int> InvariantAt;         // per step: its column in Invariant
  std::vector<int> InvariantExternals;  // bound externals they read
  // The varying steps run over each block of rows as units, in chain order:
  // the block procedure of one step, or the fused program of a tree of
  // steps (Code[First, First + Count)). What a unit reads are operands: the
  // result column of a step, a bound column, a kept invariant column, or a
  // value read once per call (as it is, spread over a column for a block
  // procedure, or spread over the lanes of a fused program).
  struct TOperand {
    uint8_t Kind;         // kArg...
    int Index;            // step, external, invariant column or spread slot
    const double* Value;  // a value read once per call
  };
  struct TUnit {
    TBlockProc Proc;   // null: fused program
    int Step;          // the step whose result the unit writes
    int First, Count;  // arguments in UnitArgs, or instructions in Code
  };
  std::vector<TOperand> Operands;
  std::vector<TUnit> Units;
  std::vector<TOperandId> UnitArgs;
  std::vector<TFusedInstr> Code;
  int BroadcastCount = 0;  // columns of spread values
  // The once-per-call steps and the units raise their faults in the SSE
  // status flags alone: the evaluation reads only those.
  bool SseFaults = false;
  // Per call: where each operand starts at row 0 (OperandBase) and at the
  // current block (OperandPtr), and whether it moves with the rows.
  std::vector<const double*> OperandBase, OperandPtr;
  std::vector<size_t> OperandRowed;
  // Operands whose start is not fixed when the plan is made: bound columns
  // (operand, binding number; set per call), kept invariant columns
  // (operand, column; set when the kept values are computed) and spread
  // values (operand; filled per call).
  std::vector<std::pair<int, int>> ColumnOperands, InvariantOperands;
  std::vector<int> BroadcastOperands;
  // Addresses of the bindings of the last call: when the next call binds
  // the same ones, ExternalBinding and the plan still hold.
  std::vector<double*> LastAddresses;
  bool HaveLast = false;
  // The data generation (TExpressionParser::EvaluateCompiledColumn),
  // bindings and rows of the last call that made the plan, the kept values
  // and the bound columns' operands ready: a call with the same ones (and a
  // generation not 0) finds them ready, the kept values not compared with
  // their columns again.
  uint64_t ReadyGeneration = 0;
  std::vector<TColumnBinding> ReadyBindings;
  int ReadyRows = -1;
  int InvariantColumns = 0;       // invariant steps
  std::vector<double> Invariant;  // InvariantRows values per column
  std::vector<double> Snapshot;   // InvariantRows values per column
  int InvariantRows = -1;         // -1: Invariant not computed
  int InvariantFault = 0;         // first row whose invariants raised

  // Machine code of the chain for a small data set (engine/expr/ExprMachineCode.h),
  // or null; made for the bindings MachineBinding (as ExternalBinding) and
  // MachineRows rows, and not tried again for those when it could not be
  // made.
  std::shared_ptr<TMachineCode> Machine;
  std::vector<int> MachineBinding;
  int MachineRows = -1;
  // Calls that leave the machine code aside after it gave up (each give-up
  // in a row doubles them, up to a limit; a call it completes resets them):
  // where some row may raise in most calls, it is tried now and then only.
  int MachineSkip = 0, MachineBackoff = 0;

  TExprRec* Last() const { return &Steps[static_cast<size_t>(Count - 1)]; }
};

// Runs every step of the chain once; the value is chain.Last()->Result.
inline void RunSteps(const TChain& chain) {
  TExprRec* s = chain.Steps.get();
  TExprRec* const end = s + chain.Count;
  for (; s != end; ++s) s->Proc(s);
}

// Sorts the steps of a column-ready chain for its current external
// bindings (ExternalBinding) into classes, writes the fused programs and the
// units of the varying steps, and lays out the buffers.
void MakeColumnPlan(TChain& chain);

// The column evaluation of TExpressionParser::EvaluateCompiledColumn on one
// chain (same contract).
int EvaluateColumn(TChain& chain, int rowCount, const TColumnBinding* bindings, int bindingCount,
                   double* results, uint64_t DataGeneration);

// TExpressionParser::EvaluateCompiledColumnQuick on one chain (same
// contract).
bool EvaluateColumnQuick(TChain& chain, int rowCount, const TColumnBinding* bindings,
                         int bindingCount, double* results, uint64_t DataGeneration);

// EvaluateColumn with the rows in chunks of ChunkRows run on the evaluation
// threads (engine/EvaluationThreads.h); when every row succeeds, Squares is
// the sum of (results - target)^2 in chunk order (each chunk's in the fixed
// order of sixteen running sums), the same whatever the number of threads.
// Results may be null: the values are then summed and not kept, and a row
// that raises ends the call with a return below rowCount that does not say
// which row it was.
int EvaluateColumnChunks(TChain& chain, int rowCount, const TColumnBinding* bindings,
                         int bindingCount, double* results, int ChunkRows, const double* target,
                         double& Squares, uint64_t DataGeneration);

// A node of the expression tree built while compiling.
struct TNode {
  TExprWord* Word = nullptr;
  TExprProc Proc = nullptr;
  double* Value = nullptr;  // value-like leaf: the storage it reads
  TNode* Args[4] = {nullptr, nullptr, nullptr, nullptr};
  bool Surplus = false;  // an operand that the word has no place for
};

// Compiles one text for one parser: creates the literal words and the
// generated variables in the parser's lists, and returns the linked chain.
// Every syntax error raises EParserException.
class TCompiler {
 public:
  TCompiler(TExpressionParser& parser, const std::string& text) : parser_(parser), text_(text) {}
  TCompiler(const TCompiler&) = delete;
  TCompiler& operator=(const TCompiler&) = delete;

  std::unique_ptr<TChain> Compile();

 private:
  struct TToken {
    TExprWord* Word;
    bool Literal;
  };

  [[noreturn]] void SyntaxError() const {
    throw EParserException("Syntax error in expression " + text_);
  }

  // ---- Tokens (engine/expr/ExprTokens.cpp) ----
  std::vector<TToken> Tokenise();
  TExprWord* LiteralWord(const std::string& text, bool isString);
  void CheckAndRewrite(std::vector<TToken>& t);
  void StringComparisons(std::vector<TToken>& t);

  // ---- Tree (engine/expr/ExprTree.cpp) ----
  TNode* Build(std::vector<TExprWord*> t, int depth);
  TNode* NewNode() {
    nodes_.push_back(std::make_unique<TNode>());
    return nodes_.back().get();
  }
  int MatchingClose(const std::vector<TExprWord*>& t, size_t open) const;
  // The first word from position from on, outside brackets, that takes
  // arguments and passes the test; t.size() when there is none.
  template <class TTest>
  size_t FindOutsideBrackets(const std::vector<TExprWord*>& t, size_t from, TTest test) const;
  void CheckArguments(TNode* root);
  void Fold(TNode* root);
  double EvaluateSubtree(TNode* root, int& kind);

  // ---- Link (engine/expr/ExprLink.cpp) ----
  // The nodes of the tree, every node after its arguments (left to right);
  // without ValueLeaves the value-like leaves are left out.
  static std::vector<TNode*> PostOrder(TNode* root, bool ValueLeaves);
  std::unique_ptr<TChain> Link(TNode* root);

  TExpressionParser& parser_;
  const std::string& text_;
  std::vector<std::unique_ptr<TNode>> nodes_;
  bool surplus_ = false;  // some node has more operands than places

  // The words the compiler recognises, found once per compilation.
  TExprWord* leftBracket_ = nullptr;
  TExprWord* rightBracket_ = nullptr;
  TExprWord* comma_ = nullptr;
  TExprWord* plus_ = nullptr;
  TExprWord* minus_ = nullptr;
  TExprWord* neg_ = nullptr;
  TExprWord* pos_ = nullptr;
  TExprWord* not_ = nullptr;
  TExprWord* power_ = nullptr;
  TExprWord* intPower_ = nullptr;
  TExprWord* intPowerFn_ = nullptr;
  TExprWord* assign_ = nullptr;
};

}  // namespace qv::expr
