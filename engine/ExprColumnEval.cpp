// The column evaluation of a chain: every row of a set of bound columns,
// a block of rows at a time, by the chain's column plan; the same values
// and the same first faulting row as one evaluation per row.
//
// One evaluation runs these steps:
//   plan        the plan for the variables the bindings address (made again
//               only when they change);
//   invariants  the steps that read only bound columns and constants, kept
//               while those columns hold the same values;
//   once        the steps that are the same for every row;
//   blocks      the varying steps over each block of rows; a block in which
//               some row raised is run again row by row to find that row.
#include <cstring>

#include "engine/ExprBuiltins.h"
#include "engine/ExprChain.h"

namespace qv::expr {

namespace {

class TColumnEvaluation {
 public:
  TColumnEvaluation(TChain& chain, int rowCount, const TColumnBinding* bindings, int bindingCount,
                    double* results)
      : c_(chain),
        rowCount_(rowCount),
        bindings_(bindings),
        bindingCount_(bindingCount),
        results_(results) {}

  int Run() {
    if (!c_.ColumnReady) {
      for (int r = 0; r < rowCount_; ++r)
        if (!RunRow(r)) {
          SetRow(r);
          return r;
        }
      return rowCount_;
    }
    UpdatePlan();
    UpdateInvariants();
    if (!RunOnceSteps()) {
      // A fault of the uniform steps is a fault of every row: row 0 is then
      // the first that raises, found by the row-by-row rule.
      for (int r = 0; r < rowCount_; ++r)
        if (!RunRow(r)) {
          SetRow(r);
          return r;
        }
      SetRow(rowCount_ - 1);
      return rowCount_;
    }
    const int faulted = RunBlocks();
    if (faulted < rowCount_) return faulted;
    SetRow(rowCount_ - 1);
    return rowCount_;
  }

 private:
  // The bound variables take the values of one row.
  void SetRow(int row) {
    for (int b = 0; b < bindingCount_; ++b) *bindings_[b].Address = bindings_[b].Values[row];
  }

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

  // The uniform steps, once; false when they raised.
  bool RunOnceSteps() {
    PrepareFaultFlags();
    for (int k : c_.OnceSteps) {
      TExprRec* st = &c_.Steps[static_cast<size_t>(k)];
      st->Proc(st);
    }
    if (FaultFlags() == 0) return true;
    ClearFaultFlags();
    return false;
  }

  // The varying steps over every block of rows: rowCount when every row
  // succeeded, else the first row that raises (the bound variables then
  // hold that row's values).
  int RunBlocks() {
    // Where each operand starts in this evaluation; values read once per
    // call that a block procedure needs as a column are spread over one.
    TChain& c = c_;
    double* stepBuf = c.Buffer.data();
    double* castBuf = stepBuf + static_cast<size_t>(c.Count) * kBlockRows;
    double* depthBuf = castBuf + static_cast<size_t>(c.BroadcastCount) * kBlockRows;
    const int rowCount = rowCount_;
    const int fill = rowCount < kBlockRows ? rowCount : kBlockRows;
    const size_t operands = c.Operands.size();
    const double** base = c.OperandBase.data();
    for (const auto& [o, b] : c.ColumnOperands) base[o] = bindings_[b].Values;
    for (const int o : c.BroadcastOperands) {
      const TChain::TOperand& op = c.Operands[static_cast<size_t>(o)];
      double* buf = castBuf + static_cast<size_t>(op.Index) * kBlockRows;
      const double v = *op.Value;
      for (int i = 0; i < fill; ++i) buf[i] = v;
    }

    const int last = c.Count - 1;
    const TFusedInstr* code = c.Code.data();
    double* const results = results_;
    for (int row0 = 0; row0 < rowCount; row0 += kBlockRows) {
      const int n = rowCount - row0 < kBlockRows ? rowCount - row0 : kBlockRows;
      const double* const* ptr = base;
      if (row0 > 0) {
        const double** moved = c.OperandPtr.data();
        for (size_t o = 0; o < operands; ++o)
          moved[o] = base[o] + static_cast<size_t>(row0) * c.OperandRowed[o];
        ptr = moved;
      }
      PrepareFaultFlags();
      for (const TChain::TUnit& u : c.Units) {
        double* out =
            u.Step == last ? results + row0 : stepBuf + static_cast<size_t>(u.Step) * kBlockRows;
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
      const bool invariantFault =
          c.InvariantFault >= row0 && c.InvariantFault < row0 + n && c.InvariantColumns > 0;
      if (FaultFlags() != 0 || invariantFault) {
        // Some row of this block raised: find it row by row, as the
        // evaluation of each row alone would.
        ClearFaultFlags();
        for (int r = row0; r < row0 + n; ++r)
          if (!RunRow(r)) {
            SetRow(r);
            return r;
          }
      }
    }
    return rowCount;
  }

  TChain& c_;
  const int rowCount_;
  const TColumnBinding* const bindings_;
  const int bindingCount_;
  double* const results_;
};

}  // namespace

int EvaluateColumn(TChain& chain, int rowCount, const TColumnBinding* bindings, int bindingCount,
                   double* results) {
  return TColumnEvaluation(chain, rowCount, bindings, bindingCount, results).Run();
}

}  // namespace qv::expr
