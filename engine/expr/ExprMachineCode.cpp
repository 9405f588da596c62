// Machine code of a chain for a data set of a few rows
// (engine/expr/ExprMachineCode.h). Written in two parts:
//   TChainWriter   the function of one chain, instruction by instruction
//                  through Xbyak's assembler (each call below names the
//                  instruction it writes, with Intel's operand order:
//                  destination first): what each step computes, where each
//                  operand lives, which register holds each step's values;
//   TMachineCode   the function in memory of its own, made executable.
//
// The function, called as int f(const TColumnBinding* bindings, double*
// results, const double* kept), returns 0 when every row is done and the
// results written; kept is where the column evaluation keeps the values of
// the steps that read only bound columns (TChain::Invariant). It
// runs eight rows a pass as two halves of four, each half of a value in a
// register of its own. Its frame:
//   [rsp + 0]      the lanes the routines of engine/expr/ExprElementaryBlocks.h
//                  could not vouch for (bits);
//   [rsp + 32]     the status register, read at the end;
//   [rsp + 64]     the sign bit in every lane (for the sign change);
//   [rsp + 96]     zero in every lane (for an odd real power);
//   [rsp + 128]    the rows a routine takes and gives through memory;
//   [rsp + 256...] 64 bytes per step: a step the same for every row keeps
//                  its value there (in every lane); any other step keeps
//                  its halves in registers and there while a routine is
//                  called (the call may change every vector register).
// Values read once per call (parameters, constants) are spread over the
// lanes from their storage where they are used.
// Registers: rbx the results, r12 and rbp the byte offsets of the two
// halves of the current pass, r13, r14, r15 the bound columns that steps
// of the rows read, but r15 (then r14) where the kept values start and the
// lanes that the machine code's own judgement of SLEEF's eight-lane
// routines found bad (as bits), where those are needed; ymm2-ymm15 the
// values of steps, ymm0 and ymm1 the arguments of a routine and scratch
// (ymm1 also a value read once per call).
#include "engine/expr/ExprMachineCode.h"

#include <sys/mman.h>
#include <unistd.h>

#include <atomic>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <string>
#include <vector>

#include "engine/expr/ExprBuiltins.h"
#include "engine/expr/ExprChain.h"
#include "engine/expr/ExprElementary.h"

#if defined(__x86_64__) && defined(__linux__)
#define QV_MACHINE_CODE 1
#include <xbyak/xbyak.h>
#endif

namespace qv::expr {

namespace {

std::atomic<bool> gEnabled{true};
std::atomic<uint64_t> gMade{0};

#if QV_MACHINE_CODE

using Xbyak::Reg32;
using Xbyak::Reg64;
using Xbyak::RegExp;
using Xbyak::Ymm;

// ===========================================================================
// The function of a chain.

constexpr int kBadAt = 0, kStatusAt = 32, kSignAt = 64, kZeroAt = 96, kIoAt = 128, kSlotsAt = 256;
constexpr int kFirstValueRegister = 2, kVectorRegisters = 16;
// The general registers that hold where bound columns start (by number).
constexpr int kColumnRegisters[] = {Xbyak::Operand::R13, Xbyak::Operand::R14, Xbyak::Operand::R15};
constexpr int kMaxSteps = 512;  // a frame of 33 KB at most
constexpr int kPage = 4096;     // the stack is touched page by page as the frame is laid out
// The fault flags of the status register: invalid operation, division by
// zero, overflow; and all six of its flags.
constexpr uint8_t kFaultFlags = 0x0D;
constexpr uint32_t kStatusFlags = 0x3F;

// Constants of the judgement of SLEEF's eight-lane routines, per function
// in the order of TElementary: the quiet range's ends, and infinity and the
// sign bit, each in four lanes.
struct TWideConstants {
  struct TRange {
    alignas(32) double Low[4];
    alignas(32) double High[4];
    alignas(32) double Infinity[4];
    alignas(32) double Sign[4];
  } Range[kElementaryFunctions];
};
const TWideConstants& WideConstants() {
  static const TWideConstants constants = [] {
    TWideConstants c{};
    for (int k = 0; k < kElementaryFunctions; ++k)
      for (int i = 0; i < 4; ++i) {
        c.Range[k].Low[i] = gElementary.Kernels.QuietLow[k];
        c.Range[k].High[i] = gElementary.Kernels.QuietHigh[k];
        c.Range[k].Infinity[i] = HUGE_VAL;
        c.Range[k].Sign[i] = -0.0;
      }
    return c;
  }();
  return constants;
}

// What a step computes.
enum class TKind : uint8_t { Binary, Neg, Pos, Square, Cube, IntPower, Routine };
// The arithmetic of a binary step.
enum class TArith : uint8_t { Add, Sub, Mul, Div };
// Constant integral exponents the machine code raises to by the squaring
// loop: 2 up to this.
constexpr int kMaxIntPower = 64;

// The assembler writes into ordinary memory, which grows as needed; the
// finished function is copied to memory of its own and made executable
// there (TMachineCode::Make), so no memory is ever writable and executable
// at once.
struct THeapAllocator : Xbyak::Allocator {
  uint8_t* alloc(size_t size) override { return static_cast<uint8_t*>(std::malloc(size)); }
  void free(uint8_t* p) override { std::free(p); }
  bool useProtect() const override { return false; }
};
THeapAllocator gHeap;  // holds no state: shared by every writer

class TChainWriter : public Xbyak::CodeGenerator {
 public:
  TChainWriter(const TChain& c, int rows)
      : Xbyak::CodeGenerator(kPage, Xbyak::AutoGrow, &gHeap), c_(c), rows_(rows) {
    setDefaultJmpNEAR(true);  // every jump with a 32-bit offset
  }

  // The code of the function, or empty when the chain has a step it does
  // not compute or needs more registers than there are.
  std::vector<uint8_t> Write() {
    if (c_.Count <= 0 || c_.Count > kMaxSteps || rows_ < kMachineCodeMinRows) return {};
    if (!Classify()) return {};
    int routines = 0;
    for (int k = 0; k < c_.Count; ++k)
      routines += Computed(k) && steps_[static_cast<size_t>(k)].Kind == TKind::Routine;
    if (routines > 1 && rows_ > kMachineCodeRoutineRows) return {};
    Prologue();
    Once();
    // Eight rows a pass: the half at r12, and the half at rbp, the next
    // four rows (with fewer than eight rows, the last four). The last pass
    // ends at the last row.
    const int32_t last = (rows_ < 8 ? 0 : rows_ - 8) * 8;
    xor_(r12d, r12d);
    mov(rbp, rows_ < 8 ? (rows_ - 4) * 8 : 32);
    Xbyak::Label loop, done, within;
    L(loop);
    if (!Body()) return {};
    if (rows_ > 8) {
      cmp(r12, last);
      jae(done);
      add(r12, 64);
      cmp(r12, last);
      jbe(within);
      mov(r12, last);
      L(within);
      lea(rbp, ptr[r12 + 32]);
      jmp(loop);
    }
    L(done);
    Epilogue();
    ready();
    return std::vector<uint8_t>(getCode(), getCode() + getSize());
  }

 private:
  struct TStep {
    TKind Kind = TKind::Binary;
    TArith Op = TArith::Add;
    int Exponent = 0;  // IntPower
    TElementaryKernel Routine = nullptr;
    int Wide = -1;  // the elementary function whose eight-lane routine it calls itself
    int Args = 0;
    bool Once = false;  // the same for every row: computed before the rows
    bool Kept = false;  // read only bound columns: its values kept by the column evaluation
    int LastUse = -1;   // the last step that reads it (a step of the rows)
    int Register[2] = {-1, -1};  // the registers of its two halves in the rows
  };
  // Where an operand is: a register, memory, or a value read once per call
  // at Address (spread over the lanes when it is loaded).
  struct TOperand {
    int Register;  // -1: in memory or at Address
    RegExp Mem;
    const double* Address = nullptr;
    int Frame = -1;  // a column whose start rax must be loaded with from [rsp + Frame] first
  };
  // The memory of operand a, rax loaded first where it needs it.
  Xbyak::Address MemoryOf(const TOperand& a) {
    if (a.Frame >= 0) mov(rax, ptr[rsp + a.Frame]);
    return yword[a.Mem];
  }

  int Arg(int k, int i) const {
    return c_.ArgSources[static_cast<size_t>(k) * 4 + static_cast<size_t>(i)];
  }
  // The slot of step k (64 bytes: a step of the rows keeps both halves
  // there across a call).
  int StepSlot(int k) const { return kSlotsAt + 64 * k; }
  // The slot of the start of column i of those kept in the frame.
  int ColumnSlot(int i) const { return StepSlot(c_.Count) + 8 * i; }

  // What every step computes, which steps are the same for every row or
  // kept, and the registers of the bound columns.
  bool Classify() {
    if (gElementary.BlockWidth < 4) return false;  // AVX2 and FMA
    const size_t count = static_cast<size_t>(c_.Count);
    steps_.assign(count, {});
    for (size_t k = 0; k < count; ++k) {
      const uint8_t cls = c_.StepClass[k];
      steps_[k].Once = cls == kStepConstant || cls == kStepUniform;
      steps_[k].Kept = cls == kStepInvariant;
      kept_ |= steps_[k].Kept;
      const int e = ElementaryIndexOf(c_.Blocks[k]);
      wide_ |= !steps_[k].Kept && e >= 0 && gElementary.Kernels.Wide[e] && c_.ArgCounts[k] == 1;
    }
    // The bound columns that steps of the rows read, each in a register;
    // r15 (then r14) holds where the kept values start, and the lanes the
    // judgement of the eight-lane routines found bad.
    int top = 2;
    if (kept_) keptRegister_ = kColumnRegisters[top--];
    if (wide_) lanesRegister_ = kColumnRegisters[top--];
    const int columnRegisters = top + 1;
    externals_ = static_cast<int>(c_.Externals.size());
    columnRegister_.assign(static_cast<size_t>(externals_), -1);
    int columns = 0;
    std::vector<int> registerOfBinding;  // -1: none yet
    for (size_t k = 0; k < count; ++k) {
      if (!Computed(static_cast<int>(k))) continue;
      for (int i = 0; i < c_.ArgCounts[k]; ++i) {
        const int src = Arg(static_cast<int>(k), i);
        if (src >= 0) continue;
        const size_t e = static_cast<size_t>(-1 - src);
        const int b = c_.ExternalBinding[e];
        if (b < 0) continue;
        if (static_cast<size_t>(b) >= registerOfBinding.size())
          registerOfBinding.resize(static_cast<size_t>(b) + 1, -1);
        int& r = registerOfBinding[static_cast<size_t>(b)];
        if (r < 0) {
          if (columns < columnRegisters) {
            r = kColumnRegisters[columns++];
            boundColumns_.push_back({b, r});
          } else {
            // Past the registers: where the column starts is kept in the
            // frame and loaded into rax where it is read (r is -2 - its
            // number there).
            r = -2 - static_cast<int>(frameColumns_.size());
            frameColumns_.push_back(b);
          }
        }
        columnRegister_[e] = r;
      }
    }
    for (size_t k = 0; k < count; ++k) {
      TStep& s = steps_[k];
      s.Args = c_.ArgCounts[k];
      if (s.Kept) continue;  // its values are read where the column evaluation keeps them
      const TFuseWord fw = FuseWordOf(c_.Blocks[k]);
      switch (fw.Form) {
        case kFuseBinary:
          s.Kind = TKind::Binary;
          s.Op = fw.Op == kFuAdd   ? TArith::Add
                 : fw.Op == kFuSub ? TArith::Sub
                 : fw.Op == kFuMul ? TArith::Mul
                                   : TArith::Div;
          break;
        case kFuseNeg:
          s.Kind = TKind::Neg;
          break;
        case kFusePos:
          s.Kind = TKind::Pos;
          break;
        case kFuseSquare:
        case kFuseCube:
          // x^2 and x^3 keep their exponent as a second argument.
          s.Kind = fw.Form == kFuseSquare ? TKind::Square : TKind::Cube;
          if (s.Args == 2 && Arg(static_cast<int>(k), 1) < 0) s.Args = 1;
          break;
        case kFuseIf:
          return false;
        default:
          if ((s.Exponent = IntPowerOf(static_cast<int>(k))) != 0) {
            s.Kind = TKind::IntPower;
            s.Args = 1;
            break;
          }
          s.Kind = TKind::Routine;
          if (!(s.Routine = RoutineOf(static_cast<int>(k)))) return false;
          if (const int e = ElementaryIndexOf(c_.Blocks[k]);
              e >= 0 && gElementary.Kernels.Wide[e]) {
            s.Wide = e;
            s.Routine = gElementary.Kernels.Wide[e];
          }
      }
      if (s.Args != (s.Kind == TKind::Binary ? 2 : s.Kind == TKind::Routine ? s.Args : 1))
        return false;
      for (int i = 0; i < s.Args; ++i) {
        const int src = Arg(static_cast<int>(k), i);
        if (src >= static_cast<int>(k)) return false;
        if (src >= 0 && Computed(src))
          steps_[static_cast<size_t>(src)].LastUse = static_cast<int>(k);
      }
    }
    return Computed(c_.Count - 1);  // the last step writes the results
  }

  // Whether step k is computed for the rows (not once per call, not kept).
  bool Computed(int k) const {
    const TStep& s = steps_[static_cast<size_t>(k)];
    return !s.Once && !s.Kept;
  }

  // The exponent of a real or integer power to a constant integer from 2
  // to kMaxIntPower, else 0.
  int IntPowerOf(int k) const {
    const TBlockProc proc = c_.Blocks[static_cast<size_t>(k)];
    if (!(IsRealPowerBlock(proc) || IsIntegerPowerBlock(proc)) ||
        c_.ArgCounts[static_cast<size_t>(k)] != 2)
      return 0;
    const int src = Arg(k, 1);
    if (src >= 0 || !c_.ExternalConstant[static_cast<size_t>(-1 - src)]) return 0;
    const double b = *c_.Externals[static_cast<size_t>(-1 - src)];
    return b >= 2 && b <= kMaxIntPower && std::trunc(b) == b ? static_cast<int>(b) : 0;
  }

  // The routine of a step that calls one, or null.
  TElementaryKernel RoutineOf(int k) const {
    const TBlockProc proc = c_.Blocks[static_cast<size_t>(k)];
    const int args = c_.ArgCounts[static_cast<size_t>(k)];
    const int e = ElementaryIndexOf(proc);
    if (e >= 0) return args == 1 ? gElementary.Kernels.Function[e] : nullptr;
    if (!IsRealPowerBlock(proc) || args != 2) return nullptr;
    // A constant exponent chooses the routine now: -1 and -2 by the
    // squaring loop's own rounding, one that is not an integer by SLEEF's
    // pow; the other integers take rules the machine code does not have.
    const int src = Arg(k, 1);
    if (src < 0 && c_.ExternalConstant[static_cast<size_t>(-1 - src)]) {
      const double b = *c_.Externals[static_cast<size_t>(-1 - src)];
      if (b == -1.0 || b == -2.0) return ReciprocalKernelRoutine(b == -2.0);
      if (std::isnan(b) || std::trunc(b) == b) return nullptr;
    }
    return gElementary.Kernels.Power;
  }

  // Saves the registers the caller keeps that the function uses, lays out
  // the frame, and fills the slots it reads: the bad lanes, the sign bits
  // and zero, where steps need them.
  void Prologue() {
    saved_ = {Xbyak::Operand::RBX, Xbyak::Operand::RBP, Xbyak::Operand::R12};
    for (const auto& [b, r] : boundColumns_) saved_.push_back(r);
    if (kept_) saved_.push_back(keptRegister_);
    if (wide_) saved_.push_back(lanesRegister_);
    for (int r : saved_) push(Reg64(r));
    // The registers and the return address pushed: a frame that brings the
    // stack to a multiple of 16 bytes for the routines.
    frame_ = (ColumnSlot(static_cast<int>(frameColumns_.size())) + 15) / 16 * 16 +
             (saved_.size() % 2 == 0 ? 8 : 0);
    // A frame larger than a page is laid out a page at a time, each page
    // touched, so that the guard page below a thread's stack is met
    // rather than stepped over.
    int left = frame_;
    for (; left > kPage; left -= kPage) {
      sub(rsp, kPage);
      mov(ptr[rsp], rax);
    }
    sub(rsp, left);
    mov(rbx, rsi);
    if (kept_) mov(Reg64(keptRegister_), rdx);
    if (wide_) xor_(Reg32(lanesRegister_), Reg32(lanesRegister_));
    auto values = [](int b) {
      return static_cast<int32_t>(static_cast<size_t>(b) * sizeof(TColumnBinding) +
                                  offsetof(TColumnBinding, Values));
    };
    for (const auto& [b, r] : boundColumns_) mov(Reg64(r), ptr[rdi + values(b)]);
    for (size_t i = 0; i < frameColumns_.size(); ++i) {
      mov(rax, ptr[rdi + values(frameColumns_[i])]);
      mov(ptr[rsp + ColumnSlot(static_cast<int>(i))], rax);
    }
    bool sign = false, zero = false;
    routines_ = false;
    for (int k = 0; k < c_.Count; ++k) {
      const TStep& st = steps_[static_cast<size_t>(k)];
      sign |= st.Kind == TKind::Neg;
      zero |= st.Kind == TKind::IntPower && OddRealPower(k);
      routines_ |= st.Kind == TKind::Routine && st.Wide < 0;
    }
    if (routines_ || zero) vxorpd(ymm0, ymm0, ymm0);
    if (routines_) vmovupd(yword[rsp + kBadAt], ymm0);
    if (zero) vmovupd(yword[rsp + kZeroAt], ymm0);
    if (sign) {
      mov(rax, 0x8000000000000000u);
      mov(ptr[rsp + kSignAt], rax);
      vbroadcastsd(ymm0, qword[rsp + kSignAt]);
      vmovupd(yword[rsp + kSignAt], ymm0);
    }
  }

  // Whether step k, an integer power, is the real power to an odd
  // exponent (which turns a base of -0 into +0).
  bool OddRealPower(int k) const {
    return steps_[static_cast<size_t>(k)].Exponent & 1 &&
           IsRealPowerBlock(c_.Blocks[static_cast<size_t>(k)]);
  }

  // Where half h of argument i of step k is.
  TOperand Operand(int k, int i, int h) const {
    const Reg64& row = h ? rbp : r12;
    const int src = Arg(k, i);
    if (src < 0) {
      const size_t e = static_cast<size_t>(-1 - src);
      const int r = columnRegister_[e];
      if (r >= 0) return {-1, Reg64(r) + row};
      if (r <= -2) return {-1, rax + row, nullptr, ColumnSlot(-2 - r)};
      return {-1, RegExp(), c_.Externals[e]};
    }
    const TStep& s = steps_[static_cast<size_t>(src)];
    if (s.Once) return {-1, rsp + StepSlot(src)};
    if (s.Kept)
      return {-1, Reg64(keptRegister_) + row +
                      static_cast<int32_t>(c_.InvariantAt[static_cast<size_t>(src)] * rows_ * 8)};
    return {s.Register[h], RegExp()};
  }

  // The steps the same for every row, each into its slot (ymm0 and ymm1 as
  // scratch).
  void Once() {
    for (int k = 0; k < c_.Count; ++k) {
      const TStep& s = steps_[static_cast<size_t>(k)];
      if (!s.Once) continue;
      if (s.Kind == TKind::Routine) {
        Call(k, -1, -1);
      } else {
        Compute(k, 0, 0);
      }
      vmovupd(yword[rsp + StepSlot(k)], ymm0);
    }
  }

  // The steps of the rows for the two halves at r12 and rbp, the last
  // one's values stored as the results. False when the values live at
  // once need more registers than there are.
  bool Body() {
    spread_ = nullptr;
    unsigned free = 0;
    for (int r = kFirstValueRegister; r < kVectorRegisters; ++r) free |= 1u << r;
    auto take = [&]() {
      if (free == 0) return -1;
      const int r = __builtin_ctz(free);
      free &= ~(1u << r);
      return r;
    };
    for (int k = 0; k < c_.Count; ++k) {
      TStep& s = steps_[static_cast<size_t>(k)];
      if (!Computed(k)) continue;
      // The arguments whose last reader this step is.
      int dying[2] = {-1, -1};
      for (int i = 0; i < s.Args; ++i) {
        const int src = Arg(k, i);
        if (src >= 0 && Computed(src) && steps_[static_cast<size_t>(src)].LastUse == k &&
            (i == 0 || src != dying[0]))
          dying[i] = src;
      }
      // Frees the registers of the dying arguments but those kept for the
      // result.
      auto release = [&](const int(&keep)[2]) {
        for (int d : dying)
          if (d >= 0)
            for (int r : steps_[static_cast<size_t>(d)].Register)
              if (r != keep[0] && r != keep[1]) free |= 1u << r;
      };
      int dst[2] = {-1, -1};
      if (s.Kind == TKind::Routine) {
        Call(k, dying[0], dying[1]);
        release(dst);
        if ((dst[0] = take()) < 0 || (dst[1] = take()) < 0) return false;
        Move(dst[0], 0);
        if (s.Wide >= 0)
          Move(dst[1], 1);
        else
          vmovupd(Ymm(dst[1]), yword[rsp + kIoAt]);
      } else {
        const int src0 = Arg(k, 0);
        for (int h = 0; h < 2; ++h) {
          dst[h] = dying[0] >= 0 && dying[0] == src0 ? steps_[static_cast<size_t>(src0)].Register[h]
                                                     : take();
          if (dst[h] < 0) return false;
          Compute(k, h, dst[h]);
        }
        release(dst);
      }
      s.Register[0] = dst[0], s.Register[1] = dst[1];
      if (k == c_.Count - 1) {
        vmovupd(yword[rbx + r12], Ymm(dst[0]));
        vmovupd(yword[rbx + rbp], Ymm(dst[1]));
      } else if (s.LastUse < 0) {
        free |= 1u << dst[0] | 1u << dst[1];  // read by no step
      }
    }
    return true;
  }

  // dst = a op b, op one of the four of a binary step.
  void Arith(TArith op, int dst, int a, const Xbyak::Operand& b) {
    switch (op) {
      case TArith::Add:
        return vaddpd(Ymm(dst), Ymm(a), b);
      case TArith::Sub:
        return vsubpd(Ymm(dst), Ymm(a), b);
      case TArith::Mul:
        return vmulpd(Ymm(dst), Ymm(a), b);
      case TArith::Div:
        return vdivpd(Ymm(dst), Ymm(a), b);
    }
  }

  // The arithmetic of half h of step k into register dst.
  void Compute(int k, int h, int dst) {
    const TStep& s = steps_[static_cast<size_t>(k)];
    const TOperand a = Operand(k, 0, h);
    if (s.Kind == TKind::Binary) {
      // A value read once per call goes to ymm1, where the other half of
      // the step finds it still.
      const TOperand b = Operand(k, 1, h);
      int x = a.Register;
      if (a.Address) {
        x = Spread(a.Address);
      } else if (x < 0) {
        x = dst;
        vmovupd(Ymm(x), MemoryOf(a));
      }
      if (b.Register >= 0) {
        Arith(s.Op, dst, x, Ymm(b.Register));
      } else if (!b.Address) {
        Arith(s.Op, dst, x, MemoryOf(b));
      } else if (x != 1) {
        Arith(s.Op, dst, x, Ymm(Spread(b.Address)));
      } else {
        Load(dst, b);  // both are values read once per call
        Arith(s.Op, dst, x, Ymm(dst));
      }
      return;
    }
    int x = a.Register;
    if (x < 0) Load(x = dst, a);
    spread_ = nullptr;  // the forms below use ymm1 as scratch
    switch (s.Kind) {
      case TKind::Binary:
        break;
      case TKind::Neg:
        vxorpd(Ymm(dst), Ymm(x), yword[rsp + kSignAt]);
        break;
      case TKind::Pos:
        Move(dst, x);
        break;
      case TKind::Square:
        vmulpd(Ymm(dst), Ymm(x), Ymm(x));
        break;
      case TKind::Cube:
        vmulpd(ymm1, Ymm(x), Ymm(x));
        vmulpd(Ymm(dst), Ymm(x), ymm1);
        break;
      case TKind::IntPower: {
        // The squaring loop of the power, in double (the same products in
        // the same order), the base in ymm1. An odd real power takes the
        // base plus 0, so that a base of -0 gives +0 as the power's rule
        // for a base of 0 has it, while a negative result that underflows
        // keeps its sign (an even power of -0 is +0 already; a base that is
        // not -0 is the same plus 0).
        if (OddRealPower(k))
          vaddpd(ymm1, Ymm(x), yword[rsp + kZeroAt]);
        else
          Move(1, x);
        bool started = false;
        for (int e = s.Exponent;;) {
          if (e & 1) {
            if (started)
              vmulpd(Ymm(dst), Ymm(dst), ymm1);
            else
              Move(dst, 1);
            started = true;
          }
          if ((e >>= 1) == 0) break;
          vmulpd(ymm1, ymm1, ymm1);
        }
        break;
      }
      case TKind::Routine:
        break;
    }
  }

  // Register dst = register src (nothing when they are one).
  void Move(int dst, int src) {
    if (dst != src) vmovapd(Ymm(dst), Ymm(src));
  }

  // The value at address spread over ymm1, unless it is there already.
  int Spread(const double* address) {
    if (spread_ != address) {
      mov(rax, reinterpret_cast<uint64_t>(address));
      vbroadcastsd(ymm1, qword[rax]);
      spread_ = address;
    }
    return 1;
  }

  // Operand a into register r.
  void Load(int r, const TOperand& a) {
    if (r == 1) spread_ = nullptr;
    if (a.Register >= 0) {
      Move(r, a.Register);
    } else if (a.Address) {
      mov(rax, reinterpret_cast<uint64_t>(a.Address));
      vbroadcastsd(Ymm(r), qword[rax]);
    } else {
      vmovupd(Ymm(r), MemoryOf(a));
    }
  }

  // The routine of step k on its arguments, both halves of each in ymm0
  // and ymm1 (the second argument's in ymm2 and ymm3, through io); its
  // results left in ymm0 and at io. The values of other steps still to be
  // read are kept in their slots across the call (all but those of dying0
  // and dying1).
  void Call(int k, int dying0, int dying1) {
    const TStep& s = steps_[static_cast<size_t>(k)];
    std::vector<int> kept;
    for (int j = 0; j < k; ++j) {
      const TStep& t = steps_[static_cast<size_t>(j)];
      if (!Computed(j) || t.Register[0] < 0 || t.LastUse <= k || j == dying0 || j == dying1)
        continue;
      kept.push_back(j);
      for (int h = 0; h < 2; ++h) vmovupd(yword[rsp + StepSlot(j) + 32 * h], Ymm(t.Register[h]));
    }
    if (s.Args == 1) {
      for (int h = 0; h < 2; ++h) Load(h, Operand(k, 0, h));
    } else {
      // Every half to io first: a half may sit in a register another
      // argument goes to.
      for (int i = 0; i < 2; ++i)
        for (int h = 0; h < 2; ++h) {
          const TOperand a = Operand(k, i, h);
          int r = a.Register;
          if (r < 0) Load(r = 0, a);
          vmovupd(yword[rsp + kIoAt + 64 * i + 32 * h], Ymm(r));
        }
      for (int r = 0; r < 4; ++r) vmovupd(Ymm(r), yword[rsp + kIoAt + 32 * r]);
    }
    if (s.Wide >= 0) {
      CallWide(s);
    } else {
      lea(rdi, ptr[rsp + kIoAt]);
      lea(rsi, ptr[rsp + kBadAt]);
      mov(rax, reinterpret_cast<uint64_t>(s.Routine));
      call(rax);
    }
    spread_ = nullptr;
    for (int j : kept)
      for (int h = 0; h < 2; ++h)
        vmovupd(Ymm(steps_[static_cast<size_t>(j)].Register[h]), yword[rsp + StepSlot(j) + 32 * h]);
  }

  // SLEEF's eight-lane routine of step s on the halves in ymm0 and ymm1,
  // its results left there: the arguments outside the quiet range and the
  // results that are not finite marked in the bad lanes' register (ymm2 to
  // ymm5 as scratch: the values in them are kept or no longer read).
  void CallWide(const TStep& s) {
    using TRange = TWideConstants::TRange;
    const TRange& range = WideConstants().Range[s.Wide];
    auto at = [&](size_t offset) { return yword[rax + static_cast<int32_t>(offset)]; };
    // (The routine may change rax: the address is loaded again after it.)
    mov(rax, reinterpret_cast<uint64_t>(&range));
    for (int h = 0; h < 2; ++h) {
      vcmpnge_uqpd(Ymm(2 + 2 * h), Ymm(h), at(offsetof(TRange, Low)));
      vcmpnle_uqpd(Ymm(3 + 2 * h), Ymm(h), at(offsetof(TRange, High)));
    }
    MarkLanes();
    // zmm0 = ymm0 with ymm1 as its upper half: the eight rows in one
    // register, as the routine takes them, and back.
    vinsertf64x4(zmm0, zmm0, ymm1, 1);
    mov(rax, reinterpret_cast<uint64_t>(s.Routine));
    call(rax);
    vextractf64x4(ymm1, zmm0, 1);
    mov(rax, reinterpret_cast<uint64_t>(&range));
    vmovupd(ymm5, at(offsetof(TRange, Sign)));
    for (int h = 0; h < 2; ++h) {
      vandnpd(Ymm(2 + h), ymm5, Ymm(h));  // |result|
      vcmpnlt_uqpd(Ymm(2 + h), Ymm(2 + h), at(offsetof(TRange, Infinity)));
    }
    vxorpd(ymm4, ymm4, ymm4);
    vxorpd(ymm5, ymm5, ymm5);
    MarkLanes();
  }
  // The lanes set in ymm2 to ymm5 added, as bits, to the bad lanes' register.
  void MarkLanes() {
    vorpd(ymm2, ymm2, ymm3);
    vorpd(ymm4, ymm4, ymm5);
    vorpd(ymm2, ymm2, ymm4);
    vmovmskpd(ecx, ymm2);
    or_(Reg32(lanesRegister_), ecx);
  }

  // Returns 0 when no fault flag is set and no lane was marked bad; else
  // clears the status flags, so that the rows run as usual find none
  // raised here (SLEEF's routines raise flags of their own outside their
  // quiet ranges: left set, the rows would all be judged one by one). A
  // flag left from before the call is cleared too: the rows would have
  // been judged one by one for it, each with the flags cleared first, to
  // the same end.
  void Epilogue() {
    const Xbyak::Address status = dword[rsp + kStatusAt];
    stmxcsr(status);
    mov(eax, status);
    and_(eax, kFaultFlags);
    if (routines_) or_(eax, dword[rsp + kBadAt]);
    if (wide_) or_(eax, Reg32(lanesRegister_));
    test(eax, eax);
    Xbyak::Label done;
    je(done);
    and_(status, ~kStatusFlags);
    ldmxcsr(status);
    L(done);
    vzeroupper();
    add(rsp, frame_);
    for (auto r = saved_.rbegin(); r != saved_.rend(); ++r) pop(Reg64(*r));
    ret();
  }

  const TChain& c_;
  const int rows_;
  std::vector<TStep> steps_;
  int externals_ = 0;
  std::vector<int> columnRegister_;  // per external: the register of its column, or -1
  std::vector<std::pair<int, int>> boundColumns_;  // binding, register
  std::vector<int> frameColumns_;                  // bindings whose start the frame keeps
  int frame_ = 0;
  std::vector<int> saved_;  // the registers pushed, in order
  bool kept_ = false;       // some step's values are kept (at keptRegister_)
  int keptRegister_ = -1, lanesRegister_ = -1;
  const double* spread_ = nullptr;  // the value ymm1 holds in every lane, or null
  bool routines_ = false;           // some step calls a routine that marks bad lanes at kBadAt
  bool wide_ = false;  // some step calls an eight-lane routine (bad lanes in lanesRegister_)
};

// The code of chain's function for rowCount rows, or empty.
std::vector<uint8_t> CodeOf(const TChain& chain, int rowCount) {
  try {
    return TChainWriter(chain, rowCount).Write();
  } catch (const Xbyak::Error&) {
    return {};  // an instruction the assembler refused: the rows run as usual
  } catch (const std::bad_alloc&) {
    return {};
  }
}

#endif  // QV_MACHINE_CODE

#if QV_MACHINE_CODE
// Where every function made is written as well (debugging; see the header).
struct TDump {
  std::mutex Lock;
  std::string Folder;   // "": none
  bool Failed = false;  // a write failed (said once)
  TDump() {
    if (const char* folder = std::getenv("QV_MACHINE_CODE_DUMP")) Folder = folder;
  }
};
TDump& Dump() {
  static TDump dump;
  return dump;
}

// Writes function number of chain (code, rows) to the dump folder, if any.
void DumpCode(const TChain& chain, int rows, const std::vector<uint8_t>& code, uint64_t number) {
  TDump& d = Dump();
  std::lock_guard<std::mutex> hold(d.Lock);
  if (d.Folder.empty()) return;
  const std::string base =
      d.Folder + "/machine-code-" + std::to_string(getpid()) + "-" + std::to_string(number);
  bool written = false;
  if (std::FILE* f = std::fopen((base + ".bin").c_str(), "wb")) {
    written = std::fwrite(code.data(), 1, code.size(), f) == code.size();
    written = std::fclose(f) == 0 && written;
  }
  if (std::FILE* f = written ? std::fopen((base + ".txt").c_str(), "w") : nullptr) {
    std::fprintf(f,
                 "text: %s\nrows: %d\nbytes: %zu\n"
                 "disassemble: objdump -D -b binary -mi386:x86-64 %s.bin\n",
                 chain.Text.c_str(), rows, code.size(), base.c_str());
    written = std::fclose(f) == 0;
  } else {
    written = false;
  }
  if (!written && !d.Failed) {
    d.Failed = true;
    std::fprintf(stderr, "machine code dump: cannot write %s.bin and .txt\n", base.c_str());
  }
}
#endif

}  // namespace

// ===========================================================================

TMachineCode::TMachineCode(void* memory, size_t size)
    : memory_(memory), size_(size), proc_(reinterpret_cast<TProc>(memory)) {}

TMachineCode::~TMachineCode() { munmap(memory_, size_); }

std::shared_ptr<TMachineCode> TMachineCode::Make(const TChain& chain, int rowCount) {
#if QV_MACHINE_CODE
  if (!gEnabled.load(std::memory_order_relaxed)) return nullptr;
  const std::vector<uint8_t> code = CodeOf(chain, rowCount);
  if (code.empty()) return nullptr;
  const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
  const size_t size = (code.size() + page - 1) / page * page;
  void* memory = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (memory == MAP_FAILED) return nullptr;
  std::memcpy(memory, code.data(), code.size());
  if (mprotect(memory, size, PROT_READ | PROT_EXEC) != 0) {
    munmap(memory, size);
    return nullptr;
  }
  DumpCode(chain, rowCount, code, gMade.fetch_add(1, std::memory_order_relaxed) + 1);
  return std::shared_ptr<TMachineCode>(new TMachineCode(memory, size));
#else
  (void)chain, (void)rowCount;
  return nullptr;
#endif
}

void SetMachineCodeEnabled(bool on) { gEnabled.store(on, std::memory_order_relaxed); }
bool MachineCodeEnabled() { return gEnabled.load(std::memory_order_relaxed); }
uint64_t MachineCodeMade() { return gMade.load(std::memory_order_relaxed); }

void SetMachineCodeDump(const std::string& folder) {
#if QV_MACHINE_CODE
  TDump& d = Dump();
  std::lock_guard<std::mutex> hold(d.Lock);
  d.Folder = folder;
  d.Failed = false;
#else
  (void)folder;
#endif
}

}  // namespace qv::expr
