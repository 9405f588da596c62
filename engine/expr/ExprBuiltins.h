// The built-in words of the expression compiler and what the rest of the
// compiler needs to know of their procedures. Internal to the engine's
// expression compiler (engine/ParseExpr.h is the public side).
//
// Arithmetic faults show in the floating-point status flags: the operations
// set them as a side effect, and "div"/"mod" by zero set the division flag
// themselves (and note that it was an integer division, in a flag of the
// thread, beside the hardware's own per-thread flags). An evaluation clears
// the flags when it finds any set, runs, and tests them once.
#pragma once

#include <cfenv>
#include <cmath>
#include <cstdint>
#include <string>

#include "engine/ParseClass.h"
#include "engine/expr/ExprElementaryBlocks.h"
#include "engine/expr/ExprFused.h"

namespace qv::expr {

constexpr int kFaultMask = FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW;

// The fault flags set now (x87 and SSE alike).
inline int FaultFlags() {
#if defined(__x86_64__) || defined(__i386__)
  // The SSE and the x87 status flags share the bit positions of FE_*.
  unsigned int mxcsr;
  unsigned short sw;
  __asm__ __volatile__("stmxcsr %0" : "=m"(mxcsr));
  __asm__ __volatile__("fnstsw %0" : "=am"(sw));
  return static_cast<int>((mxcsr | sw) & kFaultMask);
#else
  return std::fetestexcept(kFaultMask);
#endif
}

// The fault flags of the SSE unit alone: enough for an evaluation whose
// procedures all raise their faults there (SseFaultsOnly below); the x87
// status word is read only for the words that compute in extended
// precision or raise through it.
inline int SseFaultFlags() {
#if defined(__x86_64__) || defined(__i386__)
  unsigned int mxcsr;
  __asm__ __volatile__("stmxcsr %0" : "=m"(mxcsr));
  return static_cast<int>(mxcsr & kFaultMask);
#else
  return std::fetestexcept(kFaultMask);
#endif
}

// Clears the fault flags and the integer-division note.
void ClearFaultFlags();

// Clears the flags when something left them set, so that only the coming
// evaluation is judged.
inline void PrepareFaultFlags() {
  if (FaultFlags() != 0) ClearFaultFlags();
}

// The message of the fault shown by the flags; clears them.
std::string TakeFaultMessage();

// Rounds to the nearest integer in the current rounding mode (ties to even).
// NaN or a value outside the 64-bit range raises the invalid-operation flag.
inline int64_t RoundInt(double a) { return std::llrint(a); }

// "if": b when the condition, rounded, has a non-zero low byte, else c.
inline double OpIf(double a, double b, double c) { return (RoundInt(a) & 0xFF) != 0 ? b : c; }

// "if" over a block of rows (the block procedure of "if").
void BlockIf(double* r, const double* const* args, int n);

// What a fused program computes for a step of this block procedure
// (engine/expr/ExprFused.h): its form and, for the binary operations, the
// operation; form kFuseNone for the words it does not compute.
struct TFuseWord {
  uint8_t Form, Op;
};
TFuseWord FuseWordOf(TBlockProc proc);

// The block procedure of the two-argument word of this block procedure
// when one of its arguments is one value for every row (ScalarFirst: the
// first), or null when the word has no such variant ("+", "-", "*", "/").
TBlockProc ScalarVariantOf(TBlockProc proc, bool ScalarFirst);

// True for the procedures whose faults show in the SSE status flags
// alone (no extended precision, nothing raised through the x87 unit); a
// procedure not known to be such gives false.
bool SseFaultsOnly(TBlockProc proc);
bool SseFaultsOnly(TExprProc proc);

// What the machine code of a chain (engine/expr/ExprMachineCode.h) computes for
// a step of this block procedure, beside the words of FuseWordOf: the
// elementary function (its index in TElementary, -1 for none), the real
// power ("^", "power", "pow"), the integer power ("intpower", "^" before
// a whole-number literal).
int ElementaryIndexOf(TBlockProc proc);
bool IsRealPowerBlock(TBlockProc proc);
bool IsIntegerPowerBlock(TBlockProc proc);
// The machine code's routine (engine/expr/ExprElementaryBlocks.h) of a^-1
// (Square false) or a^-2 as the squaring loop forms them, or null without
// AVX2 and FMA; the lanes it marks are those the extended arithmetic must
// decide.
TElementaryKernel ReciprocalKernelRoutine(bool Square);

// The step and block procedures of x^2 and x^3 as the squaring loop of the
// integer power computes them, for exponents that are constants of the
// chain: false for other exponents.
bool SmallPowerProcs(int64_t exponent, TExprProc& step, TBlockProc& block);

}  // namespace qv::expr
