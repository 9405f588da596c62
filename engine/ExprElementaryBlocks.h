// The vector block loops of the elementary functions, one set per width:
// four rows per SLEEF call in engine/ExprElementaryAvx2.cpp (a processor
// with AVX2 and FMA), eight in engine/ExprElementaryAvx512.cpp (one that
// also has AVX-512F), both from one body (engine/ExprElementaryVector.inc).
// Those files are built with the wider instructions, so this header holds
// declarations only: no inline function that other files share.
#pragma once

namespace qv::expr {

// The contracts of ElementaryBlock, ElementaryArcTan2Block and
// ElementaryPowerBlock (engine/ExprElementary.h); Pole: an infinity from a
// finite argument is a division by zero.
struct TElementaryBlocks {
  void (*Block)(int K, bool Pole, double* r, const double* a, int n);
  void (*ArcTan2)(double* r, const double* a, const double* b, int n);
  void (*Power)(double* r, const double* a, const double* b, int n, bool ScalarExponent,
                double (*PowerRow)(double, double));
};

// Only for a processor with the instructions of each file.
TElementaryBlocks ElementaryBlocksAvx2();
TElementaryBlocks ElementaryBlocksAvx512();

}  // namespace qv::expr
