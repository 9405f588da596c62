// The column plan of a chain: how its steps run over blocks of rows for one
// pattern of bound variables. Made in named steps:
//   ClassifySteps     each step varying, uniform, constant or invariant
//                     (TChain says what each class means);
//   FindFusedGroups   the trees of varying steps of the plain arithmetic
//                     words that run as one fused program (engine/expr/ExprFused.h);
//   WriteFusedPrograms  the program of each group; a group too deep for the
//                     accumulators runs step by step instead;
//   OrderUnits        the units of the varying steps in chain order: fused
//                     programs and single block procedures, with the
//                     operands each reads;
//   LayOutBuffers     one buffer for the step results, the spread values and
//                     the accumulators, and where each operand starts.
// Every operand is made once (Operand); what an argument of a step reads
// decides its operand kind (Source).
#include <unordered_map>
#include <vector>

#include "engine/expr/ExprBuiltins.h"
#include "engine/expr/ExprChain.h"

namespace qv::expr {

namespace {

constexpr int kMaxFusedSteps = 256;  // larger trees are split into blocks

class TColumnPlanner {
 public:
  explicit TColumnPlanner(TChain& chain)
      : c_(chain),
        count_(static_cast<size_t>(chain.Count)),
        form_(count_, kFuseNone),
        op_(count_, 0),
        parent_(count_, -1),
        head_(count_, -1),
        size_(count_, 0),
        fusedOk_(count_, 0) {}

  void Make() {
    Reset();
    ClassifySteps();
    FindFusedGroups();
    WriteFusedPrograms();
    OrderUnits();
    LayOutBuffers();
    NoteFaultFlags();
  }

 private:
  // Forgets the previous plan and the values kept for it.
  void Reset() {
    c_.PlanBinding = c_.ExternalBinding;
    c_.StepClass.assign(count_, kStepVarying);
    c_.InvariantAt.assign(count_, -1);
    c_.OnceSteps.clear();
    c_.InvariantRunSteps.clear();
    c_.InvariantExternals.clear();
    c_.Operands.clear();
    operandIds_.clear();
    spreadSlots_.clear();
    c_.Units.clear();
    c_.UnitArgs.clear();
    c_.Code.clear();
    c_.BroadcastCount = 0;
    c_.Invariant.clear();
    c_.Snapshot.clear();
    c_.InvariantRows = -1;
    c_.InvariantFault = 0;
  }

  // Where argument i of step k comes from: >= 0 the result of that step,
  // < 0 external storage number -1 - value.
  int Arg(int k, int i) const {
    return c_.ArgSources[static_cast<size_t>(k) * 4 + static_cast<size_t>(i)];
  }

  // The class of every step from the classes of what it reads; the last
  // step is always varying (it writes the results).
  void ClassifySteps() {
    const int last = c_.Count - 1;
    int invariantColumns = 0;
    std::vector<uint8_t> readByInvariant(c_.Externals.size(), 0);
    for (int k = 0; k <= last; ++k) {
      const int na = c_.ArgCounts[static_cast<size_t>(k)];
      bool uniform = true, constant = true, invariant = true;
      for (int i = 0; i < na; ++i) {
        const int src = Arg(k, i);
        if (src < 0) {
          const size_t e = static_cast<size_t>(-1 - src);
          if (c_.ExternalBinding[e] >= 0)
            uniform = constant = false;
          else if (!c_.ExternalConstant[e])
            constant = invariant = false;
        } else {
          const uint8_t cls = c_.StepClass[static_cast<size_t>(src)];
          if (cls == kStepVarying)
            uniform = constant = invariant = false;
          else if (cls == kStepUniform)
            constant = invariant = false;
          else if (cls == kStepInvariant)
            uniform = constant = false;
        }
      }
      uint8_t cls = constant    ? kStepConstant
                    : uniform   ? kStepUniform
                    : invariant ? kStepInvariant
                                : kStepVarying;
      if (k == last) cls = kStepVarying;
      c_.StepClass[static_cast<size_t>(k)] = cls;
      if (cls == kStepConstant || cls == kStepUniform) c_.OnceSteps.push_back(k);
      if (cls == kStepConstant || cls == kStepInvariant) c_.InvariantRunSteps.push_back(k);
      if (cls == kStepInvariant) {
        c_.InvariantAt[static_cast<size_t>(k)] = invariantColumns++;
        for (int i = 0; i < na; ++i) {
          const int src = Arg(k, i);
          if (src < 0 && c_.ExternalBinding[static_cast<size_t>(-1 - src)] >= 0)
            readByInvariant[static_cast<size_t>(-1 - src)] = 1;
        }
      }
      if (cls == kStepVarying) varying_.push_back(k);
    }
    for (size_t e = 0; e < readByInvariant.size(); ++e)
      if (readByInvariant[e]) c_.InvariantExternals.push_back(static_cast<int>(e));
    c_.InvariantColumns = invariantColumns;
  }

  // ---- Operands ---------------------------------------------------------------

  // The operand of that kind, index and value, made on first use.
  // Looked up by hash, so that a chain of many operands is planned in time
  // linear in its length.
  TOperandId Operand(uint8_t kind, int index, const double* value) {
    const auto [it, added] = operandIds_.try_emplace(TOperandKey{kind, index, value},
                                                     static_cast<TOperandId>(c_.Operands.size()));
    if (added) {
      c_.Operands.push_back({kind, index, value});
      if (kind == kArgBroadcast) spreadSlots_.try_emplace(value, index);
    }
    return it->second;
  }
  // The spread column of a value read once per call, made on first use.
  int SpreadSlot(const double* value) {
    const auto found = spreadSlots_.find(value);
    return found != spreadSlots_.end() ? found->second : c_.BroadcastCount++;
  }
  // Argument i of step k: its operand kind and index (a value read once per
  // call is kArgScalar).
  uint8_t Source(int k, int i, int& index) const {
    const int src = Arg(k, i);
    if (src < 0) {
      index = -1 - src;
      return c_.ExternalBinding[static_cast<size_t>(index)] >= 0 ? kArgColumn : kArgScalar;
    }
    const uint8_t from = c_.StepClass[static_cast<size_t>(src)];
    if (from == kStepInvariant)
      return index = c_.InvariantAt[static_cast<size_t>(src)], kArgInvariant;
    if (from == kStepVarying) return index = src, kArgStep;
    index = src;
    return kArgScalar;
  }
  // The storage of argument i of step k when it is read once per call.
  const double* OnceValue(int k, int i) const {
    const int src = Arg(k, i);
    return src < 0 ? c_.Externals[static_cast<size_t>(-1 - src)]
                   : &c_.Steps[static_cast<size_t>(src)].Result;
  }
  // A leaf of a fused program; scalar tells whether it is one value.
  TOperandId FusedLeaf(int k, int i, bool& scalar) {
    int index = 0;
    const uint8_t kind = Source(k, i, index);
    scalar = kind == kArgScalar;
    if (!scalar) return Operand(kind, index, nullptr);
    return Operand(kArgScalar, -1, OnceValue(k, i));
  }
  // The same as a column (the "if" loop reads columns only).
  TOperandId ColumnLeaf(int k, int i) {
    bool scalar = false;
    const TOperandId id = FusedLeaf(k, i, scalar);
    if (!scalar) return id;
    const double* v = OnceValue(k, i);
    return Operand(kArgBroadcast, SpreadSlot(v), v);
  }

  // ---- Fused groups -----------------------------------------------------------

  // A varying step of a fused word whose result goes to another such step
  // belongs to that step's group; the others head one.
  void FindFusedGroups() {
    for (int k : varying_) {
      const TFuseWord w = FuseWordOf(c_.Blocks[static_cast<size_t>(k)]);
      form_[static_cast<size_t>(k)] = w.Form, op_[static_cast<size_t>(k)] = w.Op;
      for (int i = 0; i < c_.ArgCounts[static_cast<size_t>(k)]; ++i) {
        const int src = Arg(k, i);
        if (src >= 0) parent_[static_cast<size_t>(src)] = k;
      }
    }
    // Heads come after their members in chain order: walk backwards.
    for (auto it = varying_.rbegin(); it != varying_.rend(); ++it) {
      const size_t k = static_cast<size_t>(*it);
      if (form_[k] == kFuseNone) continue;
      const int p = parent_[k];
      head_[k] = p >= 0 && form_[static_cast<size_t>(p)] != kFuseNone
                     ? head_[static_cast<size_t>(p)]
                     : static_cast<int>(k);
      ++size_[static_cast<size_t>(head_[k])];
    }
  }

  // The program of every group of two or more steps, or of one binary step
  // (the fused loops are also built for wider vectors), as the unit of its
  // head (in chain order); a group whose program needs more accumulators
  // than there are runs block by block.
  void WriteFusedPrograms() {
    for (int k : varying_) {
      const size_t h = static_cast<size_t>(k);
      if (head_[h] != k || size_[h] > kMaxFusedSteps) continue;
      if (size_[h] < 2 && form_[h] != kFuseBinary) continue;
      const size_t first = c_.Code.size();
      group_ = k;
      pair_.Step = -1;
      if (Emit(k, 0)) {
        fusedOk_[h] = 1;
        c_.Units.push_back(
            {nullptr, k, static_cast<int>(first), static_cast<int>(c_.Code.size() - first)});
      } else {
        c_.Code.resize(first);  // too deep: its steps run block by block
      }
    }
  }

  // Whether step src is a member of the group being written.
  bool Inner(int src) const { return src >= 0 && head_[static_cast<size_t>(src)] == group_; }
  // A binary step of the group whose arguments both come from outside it.
  bool IsPair(int src) const {
    return Inner(src) && form_[static_cast<size_t>(src)] == kFuseBinary && !Inner(Arg(src, 0)) &&
           !Inner(Arg(src, 1));
  }
  // A parameter times a column or a column times a parameter, both leaves:
  // a term of a sum loop, which multiplies the parameter by the column. The
  // product is the same either way; of two NaNs, which one survives is the
  // compiler's choice of operand order in the steps as in the loops.
  bool IsSumTerm(int src) const {
    if (!IsPair(src) || op_[static_cast<size_t>(src)] != kFuMul) return false;
    int index = 0;
    return (Source(src, 0, index) == kArgScalar) != (Source(src, 1, index) == kArgScalar);
  }
  // The argument of a sum term that is the parameter (0 or 1).
  int TermScalar(int src) const {
    int index = 0;
    return Source(src, 0, index) == kArgScalar ? 0 : 1;
  }

  void Push(TFusedLoop loop, int depth, std::initializer_list<TOperandId> args, int argCount) {
    TFusedInstr in;
    in.Loop = loop;
    in.Depth = depth;
    for (const TOperandId a : args) in.Args[in.ArgCount++] = a;
    in.ArgCount = argCount;
    c_.Code.push_back(in);
  }

  // The operation op of the accumulator of depth, which holds the value of
  // step from, with operand x (first when reversed). When that value is a
  // pair just written and x is one value, the pair's loop takes the
  // operation too.
  void PushAcc(int from, bool reversed, uint8_t op, TOperandId x, bool xs, int depth) {
    if (xs && pair_.Step == from && pair_.At + 1 == c_.Code.size() &&
        c_.Code.back().Depth == depth) {
      TFusedInstr& in = c_.Code.back();
      in.Loop = PickPairAccLoop(pair_.Op, pair_.XS, pair_.YS, reversed, op);
      in.Args[in.ArgCount++] = x;
      pair_.Step = -1;
      return;
    }
    Push(PickAccLoop(reversed, op, xs), depth, {x, 0, 0}, 1);
  }

  // Code that leaves the value of step s in the accumulator of depth; false
  // when the tree needs more accumulators than there are.
  bool Emit(int s, int depth) {
    switch (form_[static_cast<size_t>(s)]) {
      case kFuseBinary:
        return EmitBinary(s, depth);
      case kFuseIf:
        return EmitIf(s, depth);
      default:
        return EmitUnary(s, depth);
    }
  }

  // A sign, square or cube of the value of its argument.
  bool EmitUnary(int s, int depth) {
    const uint8_t form = form_[static_cast<size_t>(s)];
    const int a = Arg(s, 0);
    if (Inner(a)) {
      if (!Emit(a, depth)) return false;
    } else {
      bool xs = false;
      const TOperandId x = FusedLeaf(s, 0, xs);
      Push(PickLoadLoop(xs), depth, {x, 0, 0}, 1);
    }
    if (form == kFuseNeg)
      Push(PickNegLoop(), depth, {0, 0, 0}, 0);
    else if (form == kFuseSquare)
      Push(PickSquareLoop(), depth, {0, 0, 0}, 0);
    else if (form == kFuseCube)
      Push(PickCubeLoop(), depth, {0, 0, 0}, 0);
    return true;
  }

  // A chain lead +- s1*x1 +- s2*x2 ... down the left operands of s, as one
  // sum loop. Done is false when s has no such shape (nothing written).
  bool EmitSum(int s, int depth, bool& done) {
    done = false;
    int terms[kSumTerms + 1];
    bool subs[kSumTerms + 1];
    int nterms = 0, node = s, innermost = s;
    while (nterms < kSumTerms && form_[static_cast<size_t>(node)] == kFuseBinary &&
           (op_[static_cast<size_t>(node)] == kFuAdd || op_[static_cast<size_t>(node)] == kFuSub) &&
           IsSumTerm(Arg(node, 1))) {
      terms[nterms] = Arg(node, 1);
      subs[nterms++] = op_[static_cast<size_t>(node)] == kFuSub;
      innermost = node;
      if (!Inner(Arg(node, 0))) break;
      node = Arg(node, 0);
    }
    if (nterms == 0) return true;
    // The lead: the running accumulator (0), a value (1), the first term
    // itself (2) or a column (3).
    const int lead = Arg(innermost, 0);
    int index = 0;
    int leadKind = -1;
    if (!Inner(lead)) {
      leadKind = Source(innermost, 0, index) == kArgScalar ? 1 : 3;
    } else if (IsSumTerm(lead) && nterms < kSumTerms) {
      leadKind = 2;
      terms[nterms] = lead;
      subs[nterms++] = false;
    } else if (nterms >= 2) {
      leadKind = 0;
    }
    if (leadKind < 0) return true;
    done = true;
    bool xs = false, ys = false;
    if (leadKind == 0 && !Emit(lead, depth)) return false;
    TFusedInstr in;
    in.Depth = depth;
    if (leadKind == 1 || leadKind == 3) in.Args[in.ArgCount++] = FusedLeaf(innermost, 0, xs);
    unsigned sub = 0;
    for (int j = 0; j < nterms; ++j) {  // evaluation order: innermost first
      const int t = terms[nterms - 1 - j];
      if (subs[nterms - 1 - j]) sub |= 1u << j;
      const int scalar = TermScalar(t);
      in.Args[in.ArgCount++] = FusedLeaf(t, scalar, xs);
      in.Args[in.ArgCount++] = FusedLeaf(t, 1 - scalar, ys);
    }
    in.Loop = PickSumLoop(nterms, leadKind, sub);
    c_.Code.push_back(in);
    return true;
  }

  // A binary operation: a sum loop when it has that shape, else one loop
  // by where its operands come from (leaves, a pair of leaves, or a
  // sub-tree in the accumulator of the next depth).
  bool EmitBinary(int s, int depth) {
    bool done = false;
    if (!EmitSum(s, depth, done)) return false;
    if (done) return true;
    const int l = Arg(s, 0), r = Arg(s, 1);
    const uint8_t op = op_[static_cast<size_t>(s)];
    bool xs = false, ys = false;
    if (!Inner(l) && !Inner(r)) {
      const TOperandId x = FusedLeaf(s, 0, xs), y = FusedLeaf(s, 1, ys);
      Push(PickPairLoop(op, xs, ys), depth, {x, y, 0}, 2);
      pair_ = {s, c_.Code.size() - 1, op, xs, ys};
    } else if (!Inner(r)) {
      if (!Emit(l, depth)) return false;
      const TOperandId x = FusedLeaf(s, 1, xs);
      PushAcc(l, false, op, x, xs, depth);
    } else if (!Inner(l)) {
      if (!Emit(r, depth)) return false;
      const TOperandId x = FusedLeaf(s, 0, xs);
      PushAcc(r, true, op, x, xs, depth);
    } else if (IsPair(r)) {
      if (!Emit(l, depth)) return false;
      const TOperandId x = FusedLeaf(r, 0, xs), y = FusedLeaf(r, 1, ys);
      Push(PickTermLoop(false, op, op_[static_cast<size_t>(r)], xs, ys), depth, {x, y, 0}, 2);
    } else if (IsPair(l)) {
      if (!Emit(r, depth)) return false;
      const TOperandId x = FusedLeaf(l, 0, xs), y = FusedLeaf(l, 1, ys);
      Push(PickTermLoop(true, op, op_[static_cast<size_t>(l)], xs, ys), depth, {x, y, 0}, 2);
    } else {
      if (depth + 1 > kFusedDepth || !Emit(l, depth) || !Emit(r, depth + 1)) return false;
      Push(PickAccLoop(false, op, false), depth, {Operand(kArgDepth, depth + 1, nullptr), 0, 0}, 1);
    }
    return true;
  }

  // "if": with a parameter-times-column term for its second or third
  // argument one loop computes the terms too; otherwise each argument that
  // is a sub-tree goes to an accumulator of its own.
  bool EmitIf(int s, int depth) {
    const bool t1 = IsSumTerm(Arg(s, 1)), t2 = IsSumTerm(Arg(s, 2));
    bool xs = false, ys = false;
    if (t1 || t2) {
      TFusedInstr in;
      in.Depth = depth;
      const int a0 = Arg(s, 0);
      if (Inner(a0)) {
        if (depth + 1 > kFusedDepth || !Emit(a0, depth + 1)) return false;
        in.Args[in.ArgCount++] = Operand(kArgDepth, depth + 1, nullptr);
      } else {
        in.Args[in.ArgCount++] = ColumnLeaf(s, 0);
      }
      for (int i = 1; i < 3; ++i) {
        const int a = Arg(s, i);
        if (i == 1 ? t1 : t2) {
          const int scalar = TermScalar(a);
          in.Args[in.ArgCount++] = FusedLeaf(a, scalar, xs);
          in.Args[in.ArgCount++] = FusedLeaf(a, 1 - scalar, ys);
        } else if (Inner(a)) {
          if (depth + 1 + i > kFusedDepth || !Emit(a, depth + 1 + i)) return false;
          in.Args[in.ArgCount++] = Operand(kArgDepth, depth + 1 + i, nullptr);
        } else {
          in.Args[in.ArgCount++] = ColumnLeaf(s, i);
        }
      }
      in.Loop = PickIfTermsLoop(t1, t2);
      c_.Code.push_back(in);
      return true;
    }
    TOperandId at[3] = {0, 0, 0};
    for (int i = 0; i < 3; ++i) {
      const int a = Arg(s, i);
      if (!Inner(a)) {
        at[i] = ColumnLeaf(s, i);
        continue;
      }
      if (depth + 1 + i > kFusedDepth || !Emit(a, depth + 1 + i)) return false;
      at[i] = Operand(kArgDepth, depth + 1 + i, nullptr);
    }
    Push(PickIfLoop(), depth, {at[0], at[1], at[2]}, 3);
    return true;
  }

  // Whether the steps run once per call and the units over the blocks raise
  // their faults in the SSE status flags alone (fused programs are plain
  // double arithmetic): then only that status word is read.
  void NoteFaultFlags() {
    bool sse = true;
    for (int k : c_.OnceSteps) sse = sse && SseFaultsOnly(c_.Steps[static_cast<size_t>(k)].Proc);
    for (const TChain::TUnit& u : c_.Units) sse = sse && (!u.Proc || SseFaultsOnly(u.Proc));
    c_.SseFaults = sse;
  }

  // ---- Units and buffers ------------------------------------------------------

  // Units in chain order: the fused heads were added in chain order by
  // WriteFusedPrograms; the block steps go among them. A block step with
  // one argument read once per call takes the word's variant for a value
  // when it has one; otherwise such a value is spread over a column.
  void OrderUnits() {
    std::vector<TChain::TUnit> fusedUnits;
    fusedUnits.swap(c_.Units);
    size_t nextFused = 0;
    for (int k : varying_) {
      const size_t st = static_cast<size_t>(k);
      if (head_[st] >= 0 && fusedOk_[static_cast<size_t>(head_[st])]) {
        if (head_[st] == k) c_.Units.push_back(fusedUnits[nextFused++]);
        continue;
      }
      const int na = c_.ArgCounts[st];
      uint8_t kinds[4] = {kArgStep, kArgStep, kArgStep, kArgStep};
      int index[4] = {0, 0, 0, 0};
      int scalars = 0;
      for (int i = 0; i < na; ++i)
        if ((kinds[i] = Source(k, i, index[i])) == kArgScalar) ++scalars;
      TBlockProc proc = c_.Blocks[st];
      bool spread = scalars > 0;
      if (scalars == 1 && na == 2) {
        if (const TBlockProc variant = ScalarVariantOf(proc, kinds[0] == kArgScalar)) {
          proc = variant;
          spread = false;
        }
      }
      const int first = static_cast<int>(c_.UnitArgs.size());
      for (int i = 0; i < na; ++i) {
        TOperandId id;
        if (kinds[i] == kArgScalar) {
          const double* v = OnceValue(k, i);
          id = spread ? Operand(kArgBroadcast, SpreadSlot(v), v) : Operand(kArgScalar, -1, v);
        } else {
          id = Operand(kinds[i], index[i], nullptr);
        }
        c_.UnitArgs.push_back(id);
      }
      c_.Units.push_back({proc, k, first, na});
    }
  }

  // Step results, spread values and the accumulators of fused programs in
  // one buffer of kBlockRows rows each, and where each operand starts (or,
  // for bound and kept columns and spread values, how it is found per call).
  void LayOutBuffers() {
    const size_t need =
        (static_cast<size_t>(c_.Count) + static_cast<size_t>(c_.BroadcastCount) + kFusedDepth + 1) *
        kBlockRows;
    c_.Buffer.assign(need, 0.0);
    double* stepBuf = c_.Buffer.data();
    double* castBuf = stepBuf + static_cast<size_t>(c_.Count) * kBlockRows;
    double* depthBuf = castBuf + static_cast<size_t>(c_.BroadcastCount) * kBlockRows;
    const size_t operands = c_.Operands.size();
    c_.OperandBase.assign(operands, nullptr);
    c_.OperandPtr.assign(operands, nullptr);
    c_.OperandRowed.assign(operands, 0);
    c_.ColumnOperands.clear();
    c_.InvariantOperands.clear();
    c_.BroadcastOperands.clear();
    for (size_t o = 0; o < operands; ++o) {
      const TChain::TOperand& op = c_.Operands[o];
      const int at = static_cast<int>(o);
      switch (op.Kind) {
        case kArgStep:
          c_.OperandBase[o] = stepBuf + static_cast<size_t>(op.Index) * kBlockRows;
          break;
        case kArgDepth:
          c_.OperandBase[o] = depthBuf + static_cast<size_t>(op.Index) * kBlockRows;
          break;
        case kArgBroadcast:
          c_.OperandBase[o] = castBuf + static_cast<size_t>(op.Index) * kBlockRows;
          c_.BroadcastOperands.push_back(at);
          break;
        case kArgScalar:
          c_.OperandBase[o] = op.Value;
          break;
        case kArgColumn:
          c_.OperandRowed[o] = 1;
          c_.ColumnOperands.push_back({at, c_.ExternalBinding[static_cast<size_t>(op.Index)]});
          break;
        default:  // kArgInvariant
          c_.OperandRowed[o] = 1;
          c_.InvariantOperands.push_back({at, op.Index});
          break;
      }
    }
  }

  TChain& c_;
  const size_t count_;
  std::vector<int> varying_;  // the varying steps, in chain order
  // Per step: fused form and operation, the step reading its result, the
  // head of its group, the size of the group it heads, and whether that
  // group runs as a fused program.
  std::vector<uint8_t> form_, op_;
  std::vector<int> parent_, head_, size_;
  std::vector<uint8_t> fusedOk_;
  int group_ = -1;  // head of the group being written
  // The last pair loop written: its step, place in Code, operation and
  // operand kinds.
  struct {
    int Step = -1;
    size_t At = 0;
    uint8_t Op = 0;
    bool XS = false, YS = false;
  } pair_;
  // The operands made so far, by kind, index and value; the spread slot of
  // each value read once per call.
  struct TOperandKey {
    uint8_t Kind;
    int Index;
    const double* Value;
    bool operator==(const TOperandKey&) const = default;
  };
  struct TOperandHash {
    size_t operator()(const TOperandKey& k) const {
      size_t h = std::hash<const double*>()(k.Value);
      h ^= std::hash<int>()(k.Index) + 0x9e3779b97f4a7c15ULL + (h << 6) + (h >> 2);
      return h ^ (static_cast<size_t>(k.Kind) << 1);
    }
  };
  std::unordered_map<TOperandKey, TOperandId, TOperandHash> operandIds_;
  std::unordered_map<const double*, int> spreadSlots_;
};

}  // namespace

void MakeColumnPlan(TChain& chain) { TColumnPlanner(chain).Make(); }

}  // namespace qv::expr
