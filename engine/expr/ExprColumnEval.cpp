// The column evaluation of a chain: every row of a set of bound columns,
// a block of rows at a time, by the chain's column plan; the same values
// and the same first faulting row as one evaluation per row.
//
// One evaluation runs these steps:
//   plan        the plan for the variables the bindings address (made again
//               only when they change);
//   invariants  the steps that read only bound columns and constants, kept
//               while those columns hold the same values;
//               a call of the data generation, bindings and rows of the
//               last one skips these two;
//   once        the steps that are the same for every row;
//   blocks      the varying steps over each block of rows; a block in which
//               some row raised is run again row by row to find that row.
#include <algorithm>
#include <cstring>
#include <vector>

#include "engine/EvaluationThreads.h"
#include "engine/expr/ExprBuiltins.h"
#include "engine/expr/ExprChain.h"

namespace qv::expr {

namespace {

// The sum of (c - t)^2 over the rows of a chunk is formed in sixteen
// running sums, row i of the chunk going to sum i mod 16 in row order, then
// added pairwise: a fixed order, whatever thread runs the chunk, that keeps
// sixteen additions in flight instead of one. AddSquares adds n rows that
// start at a multiple of 16 within their chunk.
constexpr int kSquareLanes = 16;
#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__) && defined(__linux__)
__attribute__((target_clones("avx512f", "avx2", "default"), optimize("fp-contract=off")))
#endif
void AddSquares(double* __restrict lane, const double* __restrict c, const double* __restrict t,
                int n) {
  int i = 0;
  for (; i + kSquareLanes <= n; i += kSquareLanes)
    for (int j = 0; j < kSquareLanes; ++j) {
      const double d = c[i + j] - t[i + j];
      lane[j] += d * d;
    }
  for (int j = 0; i + j < n; ++j) {
    const double d = c[i + j] - t[i + j];
    lane[j] += d * d;
  }
}
double SumOfLanes(const double* lane) {
  double pair[kSquareLanes / 2];
  for (int j = 0; j < kSquareLanes / 2; ++j) pair[j] = lane[2 * j] + lane[2 * j + 1];
  const double q0 = pair[0] + pair[1], q1 = pair[2] + pair[3];
  const double q2 = pair[4] + pair[5], q3 = pair[6] + pair[7];
  return (q0 + q1) + (q2 + q3);
}
double SquaresOf(const double* c, const double* t, int n) {
  double lane[kSquareLanes] = {};
  AddSquares(lane, c, t, n);
  return SumOfLanes(lane);
}
static_assert(kBlockRows % kSquareLanes == 0, "blocks start at a multiple of the lanes");

// The bound variables take the values of one row.
void SetRow(const TColumnBinding* bindings, int bindingCount, int row) {
  for (int b = 0; b < bindingCount; ++b) *bindings[b].Address = bindings[b].Values[row];
}

// Whether the plan, the kept values and the bound columns' operands of the
// chain are ready for a call of these rows, bindings and data generation.
// Within one data generation the columns at the same places hold the same
// values, so a call of the generation, bindings and rows of the last one
// finds them ready.
bool Ready(const TChain& c, int rowCount, const TColumnBinding* bindings, int bindingCount,
           uint64_t generation) {
  if (generation == 0 || generation != c.ReadyGeneration || rowCount != c.ReadyRows ||
      c.ReadyBindings.size() != static_cast<size_t>(bindingCount))
    return false;
  for (int b = 0; b < bindingCount; ++b)
    if (c.ReadyBindings[static_cast<size_t>(b)].Address != bindings[b].Address ||
        c.ReadyBindings[static_cast<size_t>(b)].Values != bindings[b].Values)
      return false;
  return true;
}

// Whether the chain's machine code, made for these rows, may run: not when
// the kept values raised in some row (the rows then run as usual, which
// finds it), nor while it is left aside after giving up. A call of the
// column evaluation counts as one of the calls it is left aside for (a
// short way that gives up is followed by one).
bool MachineCodeMayRun(TChain& c, int rowCount, bool count) {
  if (c.MachineSkip > 0) {
    if (count) --c.MachineSkip;
    return false;
  }
  return c.InvariantColumns == 0 || c.InvariantFault >= rowCount;
}
// Runs the chain's machine code: false when it gave up.
bool RunMachineCode(TChain& c, const TColumnBinding* bindings, double* results) {
  constexpr int kMaxBackoff = 1024;
  if (c.Machine->Run(bindings, results, c.Invariant.data())) {
    c.MachineBackoff = 0;
    return true;
  }
  c.MachineBackoff = std::min(kMaxBackoff, std::max(1, 2 * c.MachineBackoff));
  c.MachineSkip = c.MachineBackoff;
  return false;
}

class TColumnEvaluation {
 public:
  TColumnEvaluation(TChain& chain, int rowCount, const TColumnBinding* bindings, int bindingCount,
                    double* results, uint64_t generation)
      : c_(chain),
        rowCount_(rowCount),
        bindings_(bindings),
        bindingCount_(bindingCount),
        results_(results),
        generation_(generation) {}

  int Run() {
    if (!c_.ColumnReady) {
      for (int r = 0; r < rowCount_; ++r)
        if (!RunRow(r)) {
          SetRow(r);
          return r;
        }
      return rowCount_;
    }
    Prepare();
    // A small data set with machine code: all rows in one function, unless
    // it finds some row that may raise, which the steps below then decide.
    if (c_.Machine && generation_ != 0 && MachineCodeEnabled() &&
        MachineCodeMayRun(c_, rowCount_, true) && RunMachineCode(c_, bindings_, results_)) {
      SetRow(rowCount_ - 1);
      return rowCount_;
    }
    // The flags are neither cleared before nor read after the uniform
    // steps: the first block reads them, and a flag set by the uniform
    // steps (a fault of every row) or left from before makes that block run
    // again row by row, each row judged alone.
    RunOnceSteps();
    FillSpread(c_.Buffer.data());
    const int faulted = RunBlocksFrom(0);
    if (faulted < rowCount_) return faulted;
    SetRow(rowCount_ - 1);
    return rowCount_;
  }

 private:
  // The bound variables take the values of one row.
  void SetRow(int row) { expr::SetRow(bindings_, bindingCount_, row); }

  // One row alone, as EvaluateCompiled runs it; false when it raises.
  bool RunRow(int row) {
    SetRow(row);
    PrepareFaultFlags();
    RunSteps(c_);
    if (FaultFlags() != 0) {
      ClearFaultFlags();
      return false;
    }
    results_[row] = c_.Last()->Result;
    return true;
  }

  // The plan, the kept values and the bound columns' operands for this
  // call's bindings, unless they are ready.
  void Prepare() {
    if (Ready(c_, rowCount_, bindings_, bindingCount_, generation_)) return;
    UpdatePlan();
    UpdateInvariants();
    BindOperands();
    UpdateMachineCode();
    c_.ReadyGeneration = generation_;
    c_.ReadyBindings.assign(bindings_, bindings_ + bindingCount_);
    c_.ReadyRows = rowCount_;
  }
  // The machine code of a small data set, made once for the bindings and
  // rows of the plan. Only a call with a data generation (a search loop's)
  // makes it and may run it: a call without one (the rows after a row that
  // raised, say) neither uses nor replaces it.
  void UpdateMachineCode() {
    if (generation_ == 0) return;
    if (rowCount_ < kMachineCodeMinRows || rowCount_ > kMachineCodeMaxRows ||
        !MachineCodeEnabled()) {
      c_.Machine.reset();
      c_.MachineRows = -1;
      return;
    }
    if (c_.MachineRows == rowCount_ && c_.MachineBinding == c_.ExternalBinding) return;
    c_.Machine = TMachineCode::Make(c_, rowCount_);
    c_.MachineSkip = c_.MachineBackoff = 0;
    c_.MachineRows = rowCount_;
    c_.MachineBinding = c_.ExternalBinding;
  }

  // The plan depends only on which variables the bindings address: made
  // again when they differ from the last call's.
  void UpdatePlan() {
    bool sameBindings =
        c_.HaveLast && static_cast<size_t>(bindingCount_) == c_.LastAddresses.size();
    for (int b = 0; sameBindings && b < bindingCount_; ++b)
      sameBindings = bindings_[b].Address == c_.LastAddresses[static_cast<size_t>(b)];
    if (sameBindings) return;
    const size_t ext = c_.Externals.size();
    c_.ExternalBinding.assign(ext, -1);
    for (size_t e = 0; e < ext; ++e)
      for (int b = 0; b < bindingCount_; ++b)
        if (bindings_[b].Address == c_.Externals[e]) c_.ExternalBinding[e] = b;
    if (c_.PlanBinding.empty() || c_.PlanBinding != c_.ExternalBinding) MakeColumnPlan(c_);
    c_.LastAddresses.resize(static_cast<size_t>(bindingCount_));
    for (int b = 0; b < bindingCount_; ++b)
      c_.LastAddresses[static_cast<size_t>(b)] = bindings_[b].Address;
    c_.HaveLast = true;
  }

  // The bound column that external e of the chain reads.
  const double* ExternalColumn(int e) const {
    return bindings_[c_.ExternalBinding[static_cast<size_t>(e)]].Values;
  }

  // Invariant steps: computed again only when the columns they read differ
  // from the copy taken when they were computed. Row by row with the step
  // procedures (the same bits as the blocks); the first row that raises is
  // remembered, as that row raises in every evaluation.
  void UpdateInvariants() {
    if (c_.InvariantColumns <= 0) return;
    const size_t rows = static_cast<size_t>(rowCount_);
    bool same = c_.InvariantRows == rowCount_;
    for (size_t j = 0; same && j < c_.InvariantExternals.size(); ++j)
      same = std::memcmp(c_.Snapshot.data() + j * rows, ExternalColumn(c_.InvariantExternals[j]),
                         rows * sizeof(double)) == 0;
    if (same) return;
    c_.Invariant.assign(static_cast<size_t>(c_.InvariantColumns) * rows, 0.0);
    c_.Snapshot.resize(c_.InvariantExternals.size() * rows);
    for (size_t j = 0; j < c_.InvariantExternals.size(); ++j)
      std::memcpy(c_.Snapshot.data() + j * rows, ExternalColumn(c_.InvariantExternals[j]),
                  rows * sizeof(double));
    c_.InvariantFault = rowCount_;
    for (int r = 0; r < rowCount_; ++r) {
      SetRow(r);
      PrepareFaultFlags();
      for (int k : c_.InvariantRunSteps) {
        TExprRec* st = &c_.Steps[static_cast<size_t>(k)];
        st->Proc(st);
        if (c_.StepClass[static_cast<size_t>(k)] == kStepInvariant)
          c_.Invariant[static_cast<size_t>(c_.InvariantAt[static_cast<size_t>(k)]) * rows +
                       static_cast<size_t>(r)] = st->Result;
      }
      if (FaultFlags() != 0) {
        ClearFaultFlags();
        if (c_.InvariantFault == rowCount_) c_.InvariantFault = r;
      }
    }
    c_.InvariantRows = rowCount_;
    for (const auto& [o, column] : c_.InvariantOperands)
      c_.OperandBase[static_cast<size_t>(o)] =
          c_.Invariant.data() + static_cast<size_t>(column) * rows;
  }

  // The uniform steps, once.
  void RunOnceSteps() {
    for (int k : c_.OnceSteps) {
      TExprRec* st = &c_.Steps[static_cast<size_t>(k)];
      st->Proc(st);
    }
  }

  // The uniform steps on flags cleared first; false when they raised.
  bool RunOnceStepsAlone() {
    PrepareFlags();
    RunOnceSteps();
    if (Flags(c_) == 0) return true;
    ClearFaultFlags();
    return false;
  }

  // The fault flags the chain's block evaluation can raise: the SSE ones
  // alone when its steps raise nowhere else.
  static int Flags(const TChain& c) { return c.SseFaults ? SseFaultFlags() : FaultFlags(); }
  void PrepareFlags() const {
    if (Flags(c_) != 0) ClearFaultFlags();
  }

 public:
  // The blocks split into chunks of ChunkRows rows run on the evaluation
  // threads (engine/EvaluationThreads.h); with every row evaluated, Squares
  // is the sum of (results - target)^2, each chunk's by SquaresOf, the
  // chunks' in chunk order.
  // Without results, the rows' values go no further than the block that
  // forms their squares; then a fault, or a chain that cannot run in
  // blocks, ends the call with a return below rowCount that is not the row
  // that raised.
  int RunChunks(int ChunkRows, const double* target, double& Squares) {
    // Without a column plan, or when the steps that are the same for every
    // row raise, the rows run one by one on this thread.
    auto alone = [&](int done) {
      if (done >= rowCount_) Squares = ChunkSquares(ChunkRows, target);
      return done;
    };
    if (!c_.ColumnReady) return results_ ? alone(Run()) : 0;
    Prepare();
    // The chunks run on other threads, whose flags do not show a fault of
    // the uniform steps: these are judged here first.
    if (!RunOnceStepsAlone()) return results_ ? alone(RunRowsFrom(0)) : 0;
    const int chunks = (rowCount_ + ChunkRows - 1) / ChunkRows;
    std::vector<int> faulted(static_cast<size_t>(chunks), -1);
    std::vector<double> sums(static_cast<size_t>(chunks), 0.0);
    ParallelTasks(chunks, [&](int k) {
      // This thread's own buffer, and the operands that read the buffer
      // (step results, spread values) pointed into it.
      thread_local std::vector<double> buffer;
      thread_local std::vector<const double*> base, moved;
      buffer.resize(c_.Buffer.size());
      base.assign(c_.OperandBase.begin(), c_.OperandBase.end());
      moved.resize(c_.Operands.size());
      const double* shared = c_.Buffer.data();
      for (const double*& b : base)
        if (b >= shared && b < shared + c_.Buffer.size()) b = buffer.data() + (b - shared);
      FillSpread(buffer.data());
      const int from = k * ChunkRows;
      const int to = std::min(rowCount_, from + ChunkRows);
      double lanes[kSquareLanes] = {};
      const int stop =
          results_
              ? RunRange<true>(from, to, buffer.data(), base.data(), moved.data(), target, lanes)
              : RunRange<false>(from, to, buffer.data(), base.data(), moved.data(), target, lanes);
      if (stop < to) {
        faulted[static_cast<size_t>(k)] = stop;
        ClearFaultFlags();
        return;
      }
      sums[static_cast<size_t>(k)] = SumOfLanes(lanes);
    });
    for (int k = 0; k < chunks; ++k)
      if (faulted[static_cast<size_t>(k)] >= 0) {
        if (!results_) return faulted[static_cast<size_t>(k)];
        // From the first block in which some row raised on, one thread
        // finds that row as RunBlocks does.
        FillSpread(c_.Buffer.data());
        PrepareFlags();
        return RunBlocksFrom(faulted[static_cast<size_t>(k)]);
      }
    double sum = 0;
    for (double part : sums) sum += part;
    Squares = sum;
    SetRow(rowCount_ - 1);
    return rowCount_;
  }

 private:
  // The sum of (results - target)^2 as RunChunks forms it, on this thread.
  double ChunkSquares(int ChunkRows, const double* target) const {
    double sum = 0;
    for (int from = 0; from < rowCount_; from += ChunkRows) {
      const int to = std::min(rowCount_, from + ChunkRows);
      sum += SquaresOf(results_ + from, target + from, to - from);
    }
    return sum;
  }

  // Rows [from, rowCount) one by one: the first that raises, or rowCount.
  int RunRowsFrom(int from) {
    for (int r = from; r < rowCount_; ++r)
      if (!RunRow(r)) {
        SetRow(r);
        return r;
      }
    SetRow(rowCount_ - 1);
    return rowCount_;
  }

  // Where the bound columns start in this evaluation.
  void BindOperands() {
    for (const auto& [o, b] : c_.ColumnOperands) c_.OperandBase[o] = bindings_[b].Values;
  }

  // Values read once per call that a block procedure needs as a column,
  // spread over their columns of a buffer laid out as Buffer.
  void FillSpread(double* buffer) const {
    double* castBuf = buffer + static_cast<size_t>(c_.Count) * kBlockRows;
    const int fill = rowCount_ < kBlockRows ? rowCount_ : kBlockRows;
    for (const int o : c_.BroadcastOperands) {
      const TChain::TOperand& op = c_.Operands[static_cast<size_t>(o)];
      double* buf = castBuf + static_cast<size_t>(op.Index) * kBlockRows;
      const double v = *op.Value;
      for (int i = 0; i < fill; ++i) buf[i] = v;
    }
  }

  // The blocks from row from (the start of a block) on, in Buffer: a block
  // in which some row raised is run again row by row to find that row.
  int RunBlocksFrom(int from) {
    for (;;) {
      const int stop =
          RunRange(from, rowCount_, c_.Buffer.data(), c_.OperandBase.data(), c_.OperandPtr.data());
      if (stop >= rowCount_) return rowCount_;
      const int end = std::min(rowCount_, stop + kBlockRows);
      for (int r = stop; r < end; ++r)
        if (!RunRow(r)) {
          SetRow(r);
          return r;
        }
      if (end >= rowCount_) return rowCount_;
      from = end;
    }
  }

  // The blocks of rows [from, to) (from the start of a block) with the step
  // results, spread values and accumulators in buffer (laid out as Buffer,
  // spread values filled), the operands starting at base (those in the
  // buffer pointing into buffer) and moved as room for their block starts.
  // Returns to when no row raised, else the first row of the first block
  // whose end found a fault flag set (the flags then cleared). The flags are
  // read once per block and not cleared first (reading them costs as much
  // as several rows): a flag left from before the range shows as a fault of
  // its first block, which the caller runs again row by row, each row
  // judged alone. Touches no state shared with another range: ranges run on
  // several threads at once.
  // With lanes, each block's (results - target)^2 are added to the sixteen
  // running sums of a chunk that starts at from, while the block's results
  // are at hand; unless Written (results null), the last step's values stay in
  // its own column of the buffer and are summed from there.
  template <bool Written = true>
  int RunRange(int from, int to, double* buffer, const double* const* base, const double** moved,
               const double* target = nullptr, double* lanes = nullptr) const {
    const TChain& c = c_;
    double* stepBuf = buffer;
    double* depthBuf = stepBuf + static_cast<size_t>(c.Count + c.BroadcastCount) * kBlockRows;
    const size_t operands = c.Operands.size();
    const int last = c.Count - 1;
    const TFusedInstr* code = c.Code.data();
    double* const results = results_;
    double* const lastBuf = stepBuf + static_cast<size_t>(last) * kBlockRows;
    for (int row0 = from; row0 < to; row0 += kBlockRows) {
      const int n = to - row0 < kBlockRows ? to - row0 : kBlockRows;
      double* const lastOut = Written ? results + row0 : lastBuf;
      const double* const* ptr = base;
      if (row0 > 0) {
        for (size_t o = 0; o < operands; ++o)
          moved[o] = base[o] + static_cast<size_t>(row0) * c.OperandRowed[o];
        ptr = moved;
      }
      for (const TChain::TUnit& u : c.Units) {
        double* out = u.Step == last ? lastOut : stepBuf + static_cast<size_t>(u.Step) * kBlockRows;
        if (u.Proc) {
          const double* args[4] = {nullptr, nullptr, nullptr, nullptr};
          const TOperandId* ids = c.UnitArgs.data() + u.First;
          for (int i = 0; i < u.Count; ++i) args[i] = ptr[ids[i]];
          u.Proc(out, args, n);
        } else {
          for (const TFusedInstr* in = code + u.First, *end = in + u.Count; in != end; ++in) {
            double* acc =
                in->Depth == 0 ? out : depthBuf + static_cast<size_t>(in->Depth) * kBlockRows;
            in->Loop(acc, ptr, in->Args, n);
          }
        }
      }
      if (lanes) AddSquares(lanes, lastOut, target + row0, n);
      const bool invariantFault =
          c.InvariantFault >= row0 && c.InvariantFault < row0 + n && c.InvariantColumns > 0;
      if (Flags(c) != 0 || invariantFault) {
        ClearFaultFlags();
        return row0;
      }
    }
    return to;
  }

  TChain& c_;
  const int rowCount_;
  const TColumnBinding* const bindings_;
  const int bindingCount_;
  double* const results_;
  const uint64_t generation_;
};

}  // namespace

bool EvaluateColumnQuick(TChain& chain, int rowCount, const TColumnBinding* bindings,
                         int bindingCount, double* results, uint64_t DataGeneration) {
  // A candidate of a small data set costs some tens of nanoseconds: every
  // step counts here.
  if (!chain.Machine || !Ready(chain, rowCount, bindings, bindingCount, DataGeneration) ||
      !MachineCodeEnabled() || !MachineCodeMayRun(chain, rowCount, false) ||
      !RunMachineCode(chain, bindings, results))
    return false;
  SetRow(bindings, bindingCount, rowCount - 1);
  return true;
}

int EvaluateColumn(TChain& chain, int rowCount, const TColumnBinding* bindings, int bindingCount,
                   double* results, uint64_t DataGeneration) {
  return TColumnEvaluation(chain, rowCount, bindings, bindingCount, results, DataGeneration).Run();
}

int EvaluateColumnChunks(TChain& chain, int rowCount, const TColumnBinding* bindings,
                         int bindingCount, double* results, int ChunkRows, const double* target,
                         double& Squares, uint64_t DataGeneration) {
  return TColumnEvaluation(chain, rowCount, bindings, bindingCount, results, DataGeneration)
      .RunChunks(ChunkRows, target, Squares);
}

}  // namespace qv::expr
