// Base-N gene strings of the genetic algorithm's encode-decode mode.
//
// A gene holds one member value written in base N (2 to 10): character 1 is
// the sign ("1" not negative, "0" negative), then W integer digits, most
// significant first and padded with "0"; when F > 0 a "." and F base-N digits
// that encode the decimal fraction (DecimalCount decimal digits) follow.
#pragma once

#include <cstdint>
#include <string>

namespace qv {

class TRandomGenerator;

struct TGeneLayout {
  int Base = 10;          // N
  int IntDigits = 1;      // W
  int FracDigits = 0;     // F: base-N digits of the fraction, 0 for whole numbers
  int DecimalCount = 0;   // decimal fraction digits the F digits stand for
  bool SignFree = false;  // the sign character may change under mutation
};

// The most decimal fraction digits a gene holds: any string of that many
// decimal digits fits a 64-bit integer, and a double has no more
// significant digits anyway.
inline constexpr int kMaxGeneDecimals = 17;

// The base-N digits of the magnitude of a value truncated toward zero, most
// significant first; 0 (and NaN) gives "0"; magnitudes from 2^63 on
// (infinities too) give the digits of 2^63 - 1.
std::string IntToBaseDigits(double value, int base);
// The decimal text of the number the base-N digits stand for, saturating at
// 2^63 - 1 (digits below "0" count as 0; others are not checked).
std::string BaseDigitsToDecimal(const std::string& digits, int base);

// The layout of a dimension with the given bounds: W holds the larger bound's
// integer part (at most 2^63 - 1), F holds 10^decimals - 1 with decimals
// clamped to 0..kMaxGeneDecimals, the sign is free when the bounds straddle
// zero.
TGeneLayout MakeGeneLayout(double lower, double upper, int base, int decimals);

std::string EncodeGene(const TGeneLayout& layout, double value);
double DecodeGene(const TGeneLayout& layout, const std::string& gene);
// The gene with one position changed (never the "." and, unless the sign is
// free, never the sign).
std::string MutateGene(const TGeneLayout& layout, const std::string& gene,
                       TRandomGenerator& random);

}  // namespace qv
