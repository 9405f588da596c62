// Fused programs of the column evaluator.
//
// A tree of varying steps made only of the plain arithmetic words (+ - * /,
// the signs, square, cube and "if") runs as one short program of compound
// loops: a sum of products "acc + b*x" is one pass over the rows instead of
// two, and no intermediate of the tree gets a column of its own but the
// accumulators of the nesting depths. Every node still computes the same
// IEEE operation on the same operands in the same order, so each row gives
// the same bits and raises the same flags as its steps one by one. These
// loops are built without contraction of a*b+c into one rounding.
//
// Internal to the engine's expression compiler; the column planner
// (engine/expr/ExprColumnPlan.cpp) writes the programs, the column evaluator
// runs them.
#pragma once

#include <cstdint>

namespace qv::expr {

// Binary operations of a fused program.
enum : uint8_t { kFuAdd, kFuSub, kFuMul, kFuDiv };
// What a fused program computes for a step: a binary operation, a sign,
// the square or cube, "if"; kFuseNone for a word it does not compute.
enum : uint8_t { kFuseBinary, kFuseNeg, kFusePos, kFuseSquare, kFuseCube, kFuseIf, kFuseNone };

constexpr int kFusedDepth = 8;  // accumulators below the output: deeper trees are not fused
constexpr int kSumTerms = 4;    // terms of one sum loop at most

// The index of an operand of a chain: wide enough for every operand of the
// longest text the reader accepts.
using TOperandId = uint32_t;

// One instruction over n rows: a is the accumulator of its depth; its
// operands are ptr[args[0]], ptr[args[1]], ... (each a column, or one value
// where the loop says so).
using TFusedLoop = void (*)(double* a, const double* const* ptr, const TOperandId* args, int n);
constexpr int kFusedArgs = 9;  // operands of one instruction at most

struct TFusedInstr {
  TFusedLoop Loop = nullptr;
  int Depth = 0;  // 0: the output column of the group
  int ArgCount = 0;
  TOperandId Args[kFusedArgs] = {};
};

// A = X (XS: one value for every row).
TFusedLoop PickLoadLoop(bool xs);
// A = X op2 Y
TFusedLoop PickPairLoop(uint8_t op2, bool xs, bool ys);
// A = A op (X op2 Y), or (X op2 Y) op A when reversed
TFusedLoop PickTermLoop(bool reversed, uint8_t op, uint8_t op2, bool xs, bool ys);
// A = A op X, or X op A when reversed
TFusedLoop PickAccLoop(bool reversed, uint8_t op, bool xs);
// A = (X op2 Y) op S, or S op (X op2 Y) when reversed, S one value: a pair
// and the operation that takes it with a value, in one pass. Operands: X,
// Y, S.
TFusedLoop PickPairAccLoop(uint8_t op2, bool xs, bool ys, bool reversed, uint8_t op);
// A = -A, A * A, A * (A * A).
TFusedLoop PickNegLoop();
TFusedLoop PickSquareLoop();
TFusedLoop PickCubeLoop();
// A = if(X, Y, Z), all columns.
TFusedLoop PickIfLoop();
// "if" whose second argument (T1) or third (T2) or both is a parameter
// times a column, computed in the same pass. Operands: the condition, then
// s1, x1 (or the column) and s2, x2 (or the column).
TFusedLoop PickIfTermsLoop(bool t1, bool t2);
// A sum of K products s*x (a parameter times a column) in one pass, the
// running sum in a register:
//   Lead 0: a = ((a +- s1*x1) +- s2*x2) ...
//   Lead 1: a = ((c +- s1*x1) +- s2*x2) ...   (c the first operand, one value)
//   Lead 2: a = ((s1*x1 +- s2*x2) +- s3*x3) ...
//   Lead 3: a = ((c +- s1*x1) +- s2*x2) ...   (c the first operand, a column)
// bit j of Sub makes term j a subtraction (unused for the first term of
// Lead 2). Operands: [c,] then s_j, x_j for each term; K is 1 to kSumTerms.
TFusedLoop PickSumLoop(int k, int lead, unsigned sub);

}  // namespace qv::expr
