// The engine's array types and the enumerations every part of the engine
// shares: which kind of model is loaded, which way an optimisation model's
// objective points, and which algorithm family searches.
//
// Arrays are 0-based std::vectors. Shapes are given next to each array as
// [first index][second index]...; f is a data set, o an output, v a
// variable, i an input (non-output variable), r a row, p a parameter, m a
// population member and d a dimension of a member.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qv {

using Double1Array = std::vector<double>;
using Double2Array = std::vector<Double1Array>;
using Double3Array = std::vector<Double2Array>;
using Integer1Array = std::vector<int32_t>;
using Boolean1Array = std::vector<bool>;
using String1Array = std::vector<std::string>;
using String2Array = std::vector<String1Array>;

// The measures of a fit of one output of one data set (engine/Fitness.h
// gives each formula).
struct TFitStatistics {
  double R = 0, DC = 0, RMSE = 0, SSE = 0;
};

// The straight line drawn through the points (observed, calculated) of one
// output of one data set: the least-squares line of the calculated values
// on the observed ones, from the smallest observed value (X1, Y1) to the
// largest (X2, Y2). All zero when there are no points; a flat line at the
// mean calculated value when every observed value is the same.
struct TLineEnds {
  double X1 = 0, Y1 = 0, X2 = 0, Y2 = 0;
};

// The kind of model the run command found in the text. The values are the
// mode numbers the model files and the windows know.
enum class TModelMode : int {
  None = -1,     // no run prepared yet, or a text that cannot be run
  Function = 0,  // curve fitting by function expressions
  Equation = 1,  // optimisation (equation) model
  Program = 2,   // curve fitting by a program block
};

// The objective of an optimisation model: a "maximum" or "minimum"
// statement, or none (the expressions are equations whose residuals are
// brought to zero).
enum class TObjective : int { None = 0, Maximum = 1, Minimum = 2 };

// The algorithm family: the item index of the window's "Algorithms" radio
// group. A value outside the four (an unset group) searches as Zedovev
// Avedezo Rezividorodo.
enum class TAlgorithm : int {
  Zedovev = 0,  // Zedovev Avedezo Rezividorodo
  Genetic = 1,
  ParticleSwarm = 2,
  DifferentialEvolution = 3,
};

}  // namespace qv
