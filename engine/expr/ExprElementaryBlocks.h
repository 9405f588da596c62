// The vector block loops of the elementary functions, one set per width:
// four rows per SLEEF call in engine/expr/ExprElementaryAvx2.cpp (a processor
// with AVX2 and FMA), eight in engine/expr/ExprElementaryAvx512.cpp (one that
// also has AVX-512F), both from one body (engine/expr/ExprElementaryVector.inc).
// Those files are built with the wider instructions, so this header holds
// declarations only: no inline function that other files share.
#pragma once

namespace qv::expr {

// The contracts of ElementaryBlock, ElementaryArcTan2Block and
// ElementaryPowerBlock (engine/expr/ExprElementary.h); Pole: an infinity from a
// finite argument is a division by zero.
struct TElementaryBlocks {
  void (*Block)(int K, bool Pole, double* r, const double* a, int n);
  void (*ArcTan2)(double* r, const double* a, const double* b, int n);
  void (*Power)(double* r, const double* a, const double* b, int n, bool ScalarExponent,
                double (*PowerRow)(double, double));
};

// The routines of a chain's machine code (engine/expr/ExprMachineCode.h), by
// the vector convention of System V: eight rows as two halves of four,
// lo and hi (the power's exponents after them), in ymm0 and ymm1 (ymm2 and
// ymm3); the results of lo returned in ymm0 and those of hi stored at
// high (rdi); the lanes whose result the routine cannot vouch for (an
// argument outside the range where SLEEF raises nothing of its own, a
// result that calls for a fault, a row the language's power rules decide)
// added, lane i as bit i, to *bad (rsi). Declared without their vector
// types, which only the files built with them use:
//   __m256d f(__m256d lo, __m256d hi, double* high, unsigned* bad);
//   __m256d power(__m256d alo, __m256d ahi, __m256d blo, __m256d bhi,
//                 double* high, unsigned* bad).
// Per function in the order of TElementary, null where no argument is
// worth the call (arcsin, arccos, arcsinh: their routines raise on
// ordinary arguments).
constexpr int kElementaryFunctions = 15;
using TElementaryKernel = const void*;
// Where the vectors are eight rows wide, the machine code calls SLEEF's
// routine itself (Wide, by the same convention with a 512-bit vector in
// zmm0) and judges its arguments against the quiet range [QuietLow,
// QuietHigh] and its results for finiteness as the routines above do.
struct TElementaryKernels {
  TElementaryKernel Function[kElementaryFunctions];
  TElementaryKernel Power;
  TElementaryKernel Wide[kElementaryFunctions];
  double QuietLow[kElementaryFunctions], QuietHigh[kElementaryFunctions];
};

// Only for a processor with the instructions of each file.
TElementaryBlocks ElementaryBlocksAvx2();
TElementaryBlocks ElementaryBlocksAvx512();
TElementaryKernels ElementaryKernelsAvx2();
TElementaryKernels ElementaryKernelsAvx512();

}  // namespace qv::expr
