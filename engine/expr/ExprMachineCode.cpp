// Machine code of a chain for a data set of a few rows
// (engine/expr/ExprMachineCode.h). Written in three parts:
//   TX86Writer     the bytes of the few x86-64 instructions it needs
//                  (general registers, AVX on 256-bit registers, and two
//                  AVX-512 ones that join and split a 512-bit register);
//   TChainWriter   the function of one chain: what each step computes,
//                  where each operand lives, which register holds each
//                  step's values;
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
#include <cstdint>
#include <cstring>
#include <iterator>
#include <vector>

#include "engine/expr/ExprBuiltins.h"
#include "engine/expr/ExprChain.h"
#include "engine/expr/ExprElementary.h"

namespace qv::expr {

namespace {

std::atomic<bool> gEnabled{true};
std::atomic<uint64_t> gMade{0};

// ===========================================================================
// Instructions.

constexpr int kRax = 0, kRcx = 1, kRdx = 2, kRbx = 3, kRsp = 4, kRbp = 5, kRsi = 6, kRdi = 7;
constexpr int kR12 = 12, kR13 = 13, kR14 = 14, kR15 = 15;

// A memory operand [Base + Index + Disp]; Index -1 for none.
struct TMem {
  int Base;
  int Index;
  int32_t Disp;
};
TMem At(int base, int32_t disp) { return {base, -1, disp}; }

// Opcodes (map 0F, prefix 66) of the packed-double instructions used.
enum : uint8_t {
  kOpLoad = 0x10,   // vmovupd ymm, m256
  kOpStore = 0x11,  // vmovupd m256, ymm
  kOpMove = 0x28,   // vmovapd ymm, ymm
  kOpMask = 0x50,   // vmovmskpd r32, ymm
  kOpAndNot = 0x55,
  kOpOr = 0x56,
  kOpXor = 0x57,
  kOpAdd = 0x58,
  kOpMul = 0x59,
  kOpSub = 0x5C,
  kOpDiv = 0x5E,
};
constexpr uint8_t kOpBroadcast = 0x19;  // vbroadcastsd ymm, m64 (map 0F38)
constexpr uint8_t kOpCompare = 0xC2;    // vcmppd ymm, ymm, m256, imm8
// Predicates of vcmppd that raise nothing for a quiet NaN: not greater or
// equal, not less or equal, not less (each true for a NaN).
enum : uint8_t { kNotGreaterEqual = 0x19, kNotLessEqual = 0x16, kNotLess = 0x15 };
// Condition codes: above or equal, equal, below or equal.
enum : uint8_t { kAe = 0x3, kE = 0x4, kBe = 0x6 };

class TX86Writer {
 public:
  std::vector<uint8_t> Code;

  void Byte(unsigned b) { Code.push_back(static_cast<uint8_t>(b)); }
  void Dword(uint32_t v) {
    for (int i = 0; i < 4; ++i) Byte(v >> (8 * i) & 0xFF);
  }
  void Qword(uint64_t v) {
    for (int i = 0; i < 8; ++i) Byte(static_cast<unsigned>(v >> (8 * i) & 0xFF));
  }

  // ---- Vector instructions (three-byte VEX prefix, 256 bits, prefix 66) ----
  // dst = src1 op src2.
  void Op(uint8_t op, int dst, int src1, int src2) {
    Vex(dst, 0, src2, 1, src1);
    Byte(op);
    RegRm(dst, src2);
  }
  void Op(uint8_t op, int dst, int src1, const TMem& m) {
    Vex(dst, m.Index < 0 ? 0 : m.Index, m.Base, 1, src1);
    Byte(op);
    MemRm(dst, m);
  }
  void Load(int dst, const TMem& m) { Op(kOpLoad, dst, 0, m); }
  void Store(const TMem& m, int src) { Op(kOpStore, src, 0, m); }
  void Move(int dst, int src) {
    if (dst != src) Op(kOpMove, dst, 0, src);
  }
  void Broadcast(int dst, const TMem& m) {
    Vex(dst, m.Index < 0 ? 0 : m.Index, m.Base, 2, 0);
    Byte(kOpBroadcast);
    MemRm(dst, m);
  }
  void Zero(int dst) { Op(kOpXor, dst, dst, dst); }
  // dst = all ones in the lanes where predicate pred holds of src1 and m.
  void Compare(int dst, int src1, const TMem& m, uint8_t pred) {
    Op(kOpCompare, dst, src1, m);
    Byte(pred);
  }
  // The sign bits of the lanes of ymm src into the low bits of gpr dst.
  void SignMask(int dst, int src) { Op(kOpMask, dst, 0, src); }
  // zmm0 = ymm0 with ymm1 as its upper half, and back (EVEX, AVX-512F).
  void JoinHalves() {
    for (unsigned b : {0x62, 0xF3, 0xFD, 0x48, 0x1A, 0xC1, 0x01}) Byte(b);
  }
  void SplitHalves() {
    for (unsigned b : {0x62, 0xF3, 0xFD, 0x48, 0x1B, 0xC1, 0x01}) Byte(b);
  }
  void VZeroUpper() { Byte(0xC5), Byte(0xF8), Byte(0x77); }

  // ---- General instructions ----
  void Push(int r) {
    Rex(0, 0, 0, r);
    Byte(0x50 | (r & 7));
  }
  void Pop(int r) {
    Rex(0, 0, 0, r);
    Byte(0x58 | (r & 7));
  }
  void MovImm64(int r, uint64_t v) {
    Rex(1, 0, 0, r);
    Byte(0xB8 | (r & 7));
    Qword(v);
  }
  void MovLoad(int r, const TMem& m) { RegMem(0x8B, r, m); }
  void MovStore(const TMem& m, int r) { RegMem(0x89, r, m); }
  void MovReg(int dst, int src) {
    Rex(1, src, 0, dst);
    Byte(0x89);
    RegRm(src, dst);
  }
  void Lea(int r, const TMem& m) { RegMem(0x8D, r, m); }
  // add (0), sub (5), cmp (7) of a 64-bit register and a 32-bit immediate.
  void Alu(int ext, int r, int32_t imm) {
    Rex(1, 0, 0, r);
    Byte(0x81);
    RegRm(ext, r);
    Dword(static_cast<uint32_t>(imm));
  }
  void MovImm32(int r, int32_t imm) {  // sign-extended to 64 bits
    Rex(1, 0, 0, r);
    Byte(0xC7);
    RegRm(0, r);
    Dword(static_cast<uint32_t>(imm));
  }
  void Xor32(int r) {
    Rex(0, r, 0, r);
    Byte(0x31);
    RegRm(r, r);
  }
  void Load32(int r, const TMem& m) {  // r < 8
    Rex(0, r, m.Index < 0 ? 0 : m.Index, m.Base);
    Byte(0x8B);
    MemRm(r, m);
  }
  void AndEaxImm8(uint8_t imm) { Byte(0x83), Byte(0xE0), Byte(imm); }
  void Or32(int dst, int src) {  // or dst, src (32 bits)
    Rex(0, src, 0, dst);
    Byte(0x09);
    RegRm(src, dst);
  }
  void OrEax(const TMem& m) {  // or eax, m32
    Rex(0, 0, m.Index < 0 ? 0 : m.Index, m.Base);
    Byte(0x0B);
    MemRm(kRax, m);
  }
  void StoreStatus(const TMem& m) {  // stmxcsr
    Rex(0, 0, m.Index < 0 ? 0 : m.Index, m.Base);
    Byte(0x0F), Byte(0xAE);
    MemRm(3, m);
  }
  void LoadStatus(const TMem& m) {  // ldmxcsr
    Rex(0, 0, m.Index < 0 ? 0 : m.Index, m.Base);
    Byte(0x0F), Byte(0xAE);
    MemRm(2, m);
  }
  void TestEax() { Byte(0x85), Byte(0xC0); }
  // and dword m, ~0x3F: the status register's six flags cleared in m.
  void AndStatusFlags(const TMem& m) {
    Rex(0, 0, m.Index < 0 ? 0 : m.Index, m.Base);
    Byte(0x81);
    MemRm(4, m);
    Dword(~uint32_t{0x3F});
  }
  void CallRax() { Byte(0xFF), Byte(0xD0); }
  void Ret() { Byte(0xC3); }
  // A jump whose target is set later (Land); returns where its offset is.
  size_t Jump(int cc) {
    if (cc < 0) {
      Byte(0xE9);
    } else {
      Byte(0x0F);
      Byte(0x80 | cc);
    }
    Dword(0);
    return Code.size() - 4;
  }
  // A jump back to target.
  void JumpTo(int cc, size_t target) { Land(Jump(cc), target); }
  void Land(size_t at, size_t target) {
    const int32_t rel =
        static_cast<int32_t>(static_cast<int64_t>(target) - static_cast<int64_t>(at + 4));
    std::memcpy(&Code[at], &rel, 4);
  }

 private:
  // The VEX prefix: reg, index and base (or rm) for their high bits, the
  // opcode map (1: 0F, 2: 0F38), the second source; W 0, L 1, prefix 66.
  void Vex(int reg, int index, int base, int map, int src1) {
    Byte(0xC4);
    Byte(((~reg >> 3) & 1) << 7 | ((~index >> 3) & 1) << 6 | ((~base >> 3) & 1) << 5 | map);
    Byte(((~src1) & 15) << 3 | 1 << 2 | 1);
  }
  void Rex(int w, int reg, int index, int base) {
    const unsigned v =
        0x40 | w << 3 | ((reg >> 3) & 1) << 2 | ((index >> 3) & 1) << 1 | ((base >> 3) & 1);
    if (v != 0x40) Byte(v);
  }
  void RegRm(int reg, int rm) { Byte(0xC0 | (reg & 7) << 3 | (rm & 7)); }
  // ModRM with a 32-bit displacement (and SIB where the base is rsp or
  // r12, or there is an index).
  void MemRm(int reg, const TMem& m) {
    if (m.Index < 0 && (m.Base & 7) != 4) {
      Byte(0x80 | (reg & 7) << 3 | (m.Base & 7));
    } else {
      Byte(0x80 | (reg & 7) << 3 | 4);
      Byte(((m.Index < 0 ? 4 : m.Index) & 7) << 3 | (m.Base & 7));
    }
    Dword(static_cast<uint32_t>(m.Disp));
  }
  void RegMem(uint8_t op, int r, const TMem& m) {
    Rex(1, r, m.Index < 0 ? 0 : m.Index, m.Base);
    Byte(op);
    MemRm(r, m);
  }
};

// ===========================================================================
// The function of a chain.

constexpr int kBadAt = 0, kStatusAt = 32, kSignAt = 64, kZeroAt = 96, kIoAt = 128, kSlotsAt = 256;
constexpr int kFirstValueRegister = 2, kVectorRegisters = 16;
constexpr int kColumnRegisters[] = {kR13, kR14, kR15};
constexpr int kMaxSteps = 512;  // a frame of 33 KB at most
constexpr int kPage = 4096;     // the stack is touched page by page as the frame is laid out
// The fault flags of the status register: invalid operation, division by
// zero, overflow.
constexpr uint8_t kFaultFlags = 0x0D;

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
// Constant integral exponents the machine code raises to by the squaring
// loop: 2 up to this.
constexpr int kMaxIntPower = 64;

class TChainWriter {
 public:
  TChainWriter(const TChain& c, int rows) : c_(c), rows_(rows) {}

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
    w_.Xor32(kR12);
    w_.MovImm32(kRbp, rows_ < 8 ? (rows_ - 4) * 8 : 32);
    const size_t loop = w_.Code.size();
    if (!Body()) return {};
    if (rows_ <= 8) {  // one pass
      Epilogue();
      return std::move(w_.Code);
    }
    w_.Alu(7, kR12, last);
    const size_t done = w_.Jump(kAe);
    w_.Alu(0, kR12, 64);
    w_.Alu(7, kR12, last);
    const size_t within = w_.Jump(kBe);
    w_.MovImm32(kR12, last);
    w_.Land(within, w_.Code.size());
    w_.Lea(kRbp, At(kR12, 32));
    w_.JumpTo(-1, loop);
    w_.Land(done, w_.Code.size());
    Epilogue();
    return std::move(w_.Code);
  }

 private:
  struct TStep {
    TKind Kind = TKind::Binary;
    uint8_t Op = 0;
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
    TMem Mem;
    const double* Address = nullptr;
    int Frame = -1;  // a column whose start rax must be loaded with from [rsp + Frame] first
  };
  // The memory of operand a, rax loaded first where it needs it.
  TMem MemoryOf(const TOperand& a) {
    if (a.Frame >= 0) w_.MovLoad(kRax, At(kRsp, a.Frame));
    return a.Mem;
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
          s.Op = fw.Op == kFuAdd   ? kOpAdd
                 : fw.Op == kFuSub ? kOpSub
                 : fw.Op == kFuMul ? kOpMul
                                   : kOpDiv;
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
    saved_ = {kRbx, kRbp, kR12};
    for (const auto& [b, r] : boundColumns_) saved_.push_back(r);
    if (kept_) saved_.push_back(keptRegister_);
    if (wide_) saved_.push_back(lanesRegister_);
    for (int r : saved_) w_.Push(r);
    // The registers and the return address pushed: a frame that brings the
    // stack to a multiple of 16 bytes for the routines.
    frame_ = (ColumnSlot(static_cast<int>(frameColumns_.size())) + 15) / 16 * 16 +
             (saved_.size() % 2 == 0 ? 8 : 0);
    // A frame larger than a page is laid out a page at a time, each page
    // touched, so that the guard page below a thread's stack is met
    // rather than stepped over.
    int left = frame_;
    for (; left > kPage; left -= kPage) {
      w_.Alu(5, kRsp, kPage);
      w_.MovStore(At(kRsp, 0), kRax);
    }
    w_.Alu(5, kRsp, left);
    w_.MovReg(kRbx, kRsi);
    if (kept_) w_.MovReg(keptRegister_, kRdx);
    if (wide_) w_.Xor32(lanesRegister_);
    auto values = [](int b) {
      return static_cast<int32_t>(static_cast<size_t>(b) * sizeof(TColumnBinding) +
                                  offsetof(TColumnBinding, Values));
    };
    for (const auto& [b, r] : boundColumns_) w_.MovLoad(r, At(kRdi, values(b)));
    for (size_t i = 0; i < frameColumns_.size(); ++i) {
      w_.MovLoad(kRax, At(kRdi, values(frameColumns_[i])));
      w_.MovStore(At(kRsp, ColumnSlot(static_cast<int>(i))), kRax);
    }
    bool sign = false, zero = false;
    routines_ = false;
    for (int k = 0; k < c_.Count; ++k) {
      const TStep& st = steps_[static_cast<size_t>(k)];
      sign |= st.Kind == TKind::Neg;
      zero |= st.Kind == TKind::IntPower && OddRealPower(k);
      routines_ |= st.Kind == TKind::Routine && st.Wide < 0;
    }
    if (routines_ || zero) w_.Zero(0);
    if (routines_) w_.Store(At(kRsp, kBadAt), 0);
    if (zero) w_.Store(At(kRsp, kZeroAt), 0);
    if (sign) {
      w_.MovImm64(kRax, 0x8000000000000000u);
      w_.MovStore(At(kRsp, kSignAt), kRax);
      w_.Broadcast(0, At(kRsp, kSignAt));
      w_.Store(At(kRsp, kSignAt), 0);
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
    const int src = Arg(k, i);
    if (src < 0) {
      const size_t e = static_cast<size_t>(-1 - src);
      const int r = columnRegister_[e];
      if (r >= 0) return {-1, {r, h ? kRbp : kR12, 0}};
      if (r <= -2) return {-1, {kRax, h ? kRbp : kR12, 0}, nullptr, ColumnSlot(-2 - r)};
      return {-1, {}, c_.Externals[e]};
    }
    const TStep& s = steps_[static_cast<size_t>(src)];
    if (s.Once) return {-1, At(kRsp, StepSlot(src))};
    if (s.Kept)
      return {-1,
              {keptRegister_, h ? kRbp : kR12,
               static_cast<int32_t>(c_.InvariantAt[static_cast<size_t>(src)] * rows_ * 8)}};
    return {s.Register[h], {}};
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
      w_.Store(At(kRsp, StepSlot(k)), 0);
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
        w_.Move(dst[0], 0);
        if (s.Wide >= 0)
          w_.Move(dst[1], 1);
        else
          w_.Load(dst[1], At(kRsp, kIoAt));
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
        w_.Store({kRbx, kR12, 0}, dst[0]);
        w_.Store({kRbx, kRbp, 0}, dst[1]);
      } else if (s.LastUse < 0) {
        free |= 1u << dst[0] | 1u << dst[1];  // read by no step
      }
    }
    return true;
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
      if (a.Address)
        x = Spread(a.Address);
      else if (x < 0)
        w_.Load(x = dst, MemoryOf(a));
      if (b.Register >= 0) {
        w_.Op(s.Op, dst, x, b.Register);
      } else if (!b.Address) {
        w_.Op(s.Op, dst, x, MemoryOf(b));
      } else if (x != 1) {
        w_.Op(s.Op, dst, x, Spread(b.Address));
      } else {
        Load(dst, b);  // both are values read once per call
        w_.Op(s.Op, dst, x, dst);
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
        w_.Op(kOpXor, dst, x, At(kRsp, kSignAt));
        break;
      case TKind::Pos:
        w_.Move(dst, x);
        break;
      case TKind::Square:
        w_.Op(kOpMul, dst, x, x);
        break;
      case TKind::Cube:
        w_.Op(kOpMul, 1, x, x);
        w_.Op(kOpMul, dst, x, 1);
        break;
      case TKind::IntPower: {
        // The squaring loop of the power, in double (the same products in
        // the same order), the base in ymm1. An odd real power takes the
        // base plus 0, so that a base of -0 gives +0 as the power's rule
        // for a base of 0 has it, while a negative result that underflows
        // keeps its sign (an even power of -0 is +0 already; a base that is
        // not -0 is the same plus 0).
        if (OddRealPower(k))
          w_.Op(kOpAdd, 1, x, At(kRsp, kZeroAt));
        else
          w_.Move(1, x);
        bool started = false;
        for (int e = s.Exponent;;) {
          if (e & 1) {
            if (started)
              w_.Op(kOpMul, dst, dst, 1);
            else
              w_.Move(dst, 1);
            started = true;
          }
          if ((e >>= 1) == 0) break;
          w_.Op(kOpMul, 1, 1, 1);
        }
        break;
      }
      case TKind::Routine:
        break;
    }
  }

  // The value at address spread over ymm1, unless it is there already.
  int Spread(const double* address) {
    if (spread_ != address) {
      w_.MovImm64(kRax, reinterpret_cast<uint64_t>(address));
      w_.Broadcast(1, At(kRax, 0));
      spread_ = address;
    }
    return 1;
  }

  // Operand a into register r.
  void Load(int r, const TOperand& a) {
    if (r == 1) spread_ = nullptr;
    if (a.Register >= 0) {
      w_.Move(r, a.Register);
    } else if (a.Address) {
      w_.MovImm64(kRax, reinterpret_cast<uint64_t>(a.Address));
      w_.Broadcast(r, At(kRax, 0));
    } else {
      w_.Load(r, MemoryOf(a));
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
      for (int h = 0; h < 2; ++h) w_.Store(At(kRsp, StepSlot(j) + 32 * h), t.Register[h]);
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
          w_.Store(At(kRsp, kIoAt + 64 * i + 32 * h), r);
        }
      for (int r = 0; r < 4; ++r) w_.Load(r, At(kRsp, kIoAt + 32 * r));
    }
    if (s.Wide >= 0) {
      CallWide(s);
    } else {
      w_.Lea(kRdi, At(kRsp, kIoAt));
      w_.Lea(kRsi, At(kRsp, kBadAt));
      w_.MovImm64(kRax, reinterpret_cast<uint64_t>(s.Routine));
      w_.CallRax();
    }
    spread_ = nullptr;
    for (int j : kept)
      for (int h = 0; h < 2; ++h)
        w_.Load(steps_[static_cast<size_t>(j)].Register[h], At(kRsp, StepSlot(j) + 32 * h));
  }

  // SLEEF's eight-lane routine of step s on the halves in ymm0 and ymm1,
  // its results left there: the arguments outside the quiet range and the
  // results that are not finite marked in the bad lanes' register (ymm2 to
  // ymm5 as scratch: the values in them are kept or no longer read).
  void CallWide(const TStep& s) {
    using TRange = TWideConstants::TRange;
    const TRange& range = WideConstants().Range[s.Wide];
    // (The routine may change rax: the address is loaded again after it.)
    w_.MovImm64(kRax, reinterpret_cast<uint64_t>(&range));
    const TMem low = At(kRax, static_cast<int32_t>(offsetof(TRange, Low)));
    const TMem high = At(kRax, static_cast<int32_t>(offsetof(TRange, High)));
    for (int h = 0; h < 2; ++h) {
      w_.Compare(2 + 2 * h, h, low, kNotGreaterEqual);
      w_.Compare(3 + 2 * h, h, high, kNotLessEqual);
    }
    MarkLanes();
    w_.JoinHalves();
    w_.MovImm64(kRax, reinterpret_cast<uint64_t>(s.Routine));
    w_.CallRax();
    w_.SplitHalves();
    w_.MovImm64(kRax, reinterpret_cast<uint64_t>(&range));
    w_.Load(5, At(kRax, static_cast<int32_t>(offsetof(TRange, Sign))));
    for (int h = 0; h < 2; ++h) {
      w_.Op(kOpAndNot, 2 + h, 5, h);  // |result|
      w_.Compare(2 + h, 2 + h, At(kRax, static_cast<int32_t>(offsetof(TRange, Infinity))),
                 kNotLess);
    }
    w_.Zero(4);
    w_.Zero(5);
    MarkLanes();
  }
  // The lanes set in ymm2 to ymm5 added, as bits, to the bad lanes' register.
  void MarkLanes() {
    w_.Op(kOpOr, 2, 2, 3);
    w_.Op(kOpOr, 4, 4, 5);
    w_.Op(kOpOr, 2, 2, 4);
    w_.SignMask(kRcx, 2);
    w_.Or32(lanesRegister_, kRcx);
  }

  // Returns 0 when no fault flag is set and no lane was marked bad; else
  // clears the status flags, so that the rows run as usual find none
  // raised here (SLEEF's routines raise flags of their own outside their
  // quiet ranges: left set, the rows would all be judged one by one). A
  // flag left from before the call is cleared too: the rows would have
  // been judged one by one for it, each with the flags cleared first, to
  // the same end.
  void Epilogue() {
    w_.StoreStatus(At(kRsp, kStatusAt));
    w_.Load32(kRax, At(kRsp, kStatusAt));
    w_.AndEaxImm8(kFaultFlags);
    if (routines_) w_.OrEax(At(kRsp, kBadAt));
    if (wide_) w_.Or32(kRax, lanesRegister_);
    w_.TestEax();
    const size_t done = w_.Jump(kE);
    w_.AndStatusFlags(At(kRsp, kStatusAt));
    w_.LoadStatus(At(kRsp, kStatusAt));
    w_.Land(done, w_.Code.size());
    w_.VZeroUpper();
    w_.Alu(0, kRsp, frame_);
    for (auto r = saved_.rbegin(); r != saved_.rend(); ++r) w_.Pop(*r);
    w_.Ret();
  }

  const TChain& c_;
  const int rows_;
  TX86Writer w_;
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

}  // namespace

// ===========================================================================

TMachineCode::TMachineCode(void* memory, size_t size)
    : memory_(memory), size_(size), proc_(reinterpret_cast<TProc>(memory)) {}

TMachineCode::~TMachineCode() { munmap(memory_, size_); }

std::shared_ptr<TMachineCode> TMachineCode::Make(const TChain& chain, int rowCount) {
#if defined(__x86_64__) && defined(__linux__)
  if (!gEnabled.load(std::memory_order_relaxed)) return nullptr;
  std::vector<uint8_t> code = TChainWriter(chain, rowCount).Write();
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
  gMade.fetch_add(1, std::memory_order_relaxed);
  return std::shared_ptr<TMachineCode>(new TMachineCode(memory, size));
#else
  (void)chain, (void)rowCount;
  return nullptr;
#endif
}

void SetMachineCodeEnabled(bool on) { gEnabled.store(on, std::memory_order_relaxed); }
bool MachineCodeEnabled() { return gEnabled.load(std::memory_order_relaxed); }
uint64_t MachineCodeMade() { return gMade.load(std::memory_order_relaxed); }

}  // namespace qv::expr
