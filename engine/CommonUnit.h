// Engine model state: everything the model parsers fill and the search reads
// and writes, kept in one object owned by the run (the main window or the
// test driver). There is one model at a time; reading a model overwrites the
// counts and re-sizes the arrays.
//
// Arrays are 0-based std::vectors. Shapes are given next to each array as
// [first index][second index]...; f is a data set, o an output, v a variable,
// i an input (non-output variable), r a row, p a parameter, m a population
// member and d a dimension of a member (DimCount of them).
//
// Ownership: the state owns every array and the expression parser; the work
// lines (the prepared model text) stay until the next preparation replaces
// them. Copying makes no sense (the parser is bound to the addresses of
// VariableValues and ParameterValues), so copies are deleted.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/core/Random.h"

namespace qv {

class TExpressionParser;
class TStringList;

using Double1Array = std::vector<double>;
using Double2Array = std::vector<Double1Array>;
using Double3Array = std::vector<Double2Array>;
using Integer1Array = std::vector<int32_t>;
using Boolean1Array = std::vector<bool>;
using String1Array = std::vector<std::string>;
using String2Array = std::vector<String1Array>;

class TEngineState {
 public:
  TEngineState();
  ~TEngineState();
  TEngineState(const TEngineState&) = delete;
  TEngineState& operator=(const TEngineState&) = delete;

  // ---- Model kind and scalars ------------------------------------------
  // -1 before a run is prepared, 0 fitting by function expressions,
  // 1 optimisation (equation) model, 2 fitting by program.
  int ModelMode = -1;
  std::string ModelTitle;
  int VariableCount = 0;
  int OutputCount = 1;
  int ParameterCount = 0;     // parameters and var-parameters
  int VarParameterCount = 0;  // of them, var-parameters (always the last slots)
  int ConstantCount = 0;
  int VarConstantCount = 0;
  int FunctionCount = 0;
  int FixedOutputIndex = -1;  // variable marked "[output]" in a function model
  int DataFileCount = 0;
  int CurrentFile = 0;
  int CurrentOutput = 0;
  int CurrentFunction = 0;
  int RowCount = 0;     // rows of the first (function model) or the
                        // largest (program model) data set
  int ColumnCount = 0;  // values per row, counted on the first row
  int ValuesRead = 0;
  int DimCount = 0;  // values of one population member
  bool Exclusive = false;
  bool EncodeDecode = false;  // genetic algorithm with base-N genes
  int GeneBase = 10;
  int GeneDecimals = 4;
  int CompiledFunction = -1;
  int Objective = 0;  // 0 none, 1 maximum, 2 minimum

  // Folder of the model file; relative "datafile" names resolve against it
  // (empty: the current folder).
  std::string ModelFolder;

  // The engine's expression parser, replaced by each compile routine and
  // bound to VariableValues / ParameterValues. Null until the first compile.
  std::unique_ptr<TExpressionParser> Parser;

  // The prepared model text (what the hidden work editor held): one line per
  // entry. Replaced by PrepareModelText; read by the parsers, the program
  // library writer and the run command's classification.
  TStringList& WorkLines() { return *FWorkLines; }
  const TStringList& WorkLines() const { return *FWorkLines; }

  // ---- Names and values [p] / [v] ---------------------------------------
  String1Array VariableNames;           // [v] as written
  Double1Array VariableValues;          // [v] bound to the parser
  String1Array ParameterNames;          // [p]
  Double1Array ParameterValues;         // [p] bound to the parser
  Double1Array LowerBound, UpperBound;  // [p] valid where HasLower/HasUpper
  Double1Array RangeLow, RangeHigh;     // [p] initial range, where HasRange
  Double1Array InitialValue;            // [p] where HasInitial
  Boolean1Array HasLower, HasUpper, HasBound, HasInitial, HasRange, IsInteger;  // [p]
  Boolean1Array IsVarParameter;      // [p] declared by "varparameter"
  Integer1Array ParameterDigits;     // [p] digits of the range, -1 when absent
  String1Array OutputNames;          // [o] program model: the output variables
  String1Array InputNames;           // [i] non-output variables in order
  String1Array VarConstantNames;     // [var-constant]
  Double2Array VarConstantValues;    // [f][var-constant]
  String1Array ConstantNames;        // [c]
  String1Array ConstantValues;       // [c] value texts as written
  String1Array FunctionTexts;        // [function] statement text as written
  String1Array FunctionOutputs;      // [function] variable each function computes
  String1Array FunctionExpressions;  // [function] the text that is compiled

  // ---- Data ---------------------------------------------------------------
  Integer1Array PointCount;                       // [f] rows of each data set
  Double3Array DataColumns;                       // [f][column][r] every value read
  Double3Array InputData;                         // [f][i][r]
  Double3Array TargetData;                        // [f][o][r]
  Double3Array Calculated;                        // [f][o][r] values of the set being evaluated
  Double3Array BestCalculated;                    // [f][o][r] values of the best set
  Double2Array TargetMean, TargetMin, TargetMax;  // [f][o]
  Double2Array CalculatedMean, CalculatedMin, CalculatedMax;  // [f][o]

  // ---- Optimisation model -------------------------------------------------
  int ObjectiveCount = 0;
  String1Array ObjectiveTexts;  // objectives and equations (residual form)
  int ConstraintCount = 0;
  String1Array ConstraintTexts;       // each g, holding when g <= 0 / g < 0
  Boolean1Array ConstraintNonStrict;  // true: g <= 0
  Integer1Array ObjectiveIndices;     // compiled expression index per objective
  Integer1Array ConstraintIndices;    // compiled expression index per constraint

  // ---- Program model --------------------------------------------------------
  Boolean1Array IsDataFile;    // [f] read from a file, else inline rows
  Boolean1Array IsTestFile;    // [f] evaluated but not fitted
  String1Array DataSetNames;   // [f] file name (resolved) or inline label
  Integer1Array DataSetLines;  // [f] work line of the set's data line
  int TestFileCount = 0;
  int ProgramStart = 0;          // first work line of the program block
  int ProgramEnd = -1;           // last work line of the program block
  bool BasicProgram = false;     // "startprogram [vb]"
  String1Array BasicArrayNames;  // names written name(...) in Basic
  bool RebuildNeeded = true;     // the program library must be rebuilt

  // Parameter slot of member dimension d. Members hold the shared
  // parameters, then (program model with var-parameters and several data
  // sets) one block of VarParameterCount values per data set.
  int DimParameter(int d) const;

  // ---- Search state (allocated by InitPopulation, used by the search) ------
  bool SearchRunning = false;
  bool Resuming = false;
  int StopCode = 0;
  int Algorithm = 3;  // 0 ZUD, 1 GA, 2 PSO, 3 DE
  int PopSize = 0;
  int NeighbourSize = 0;
  int RandomDimCount = 0;
  // The engine's one uniform generator, seeded once by the owner of the
  // state; every random draw of the search and of the expression words
  // "random" and "randg" comes from it.
  TRandomGenerator Random;
  // Set when an "exclusive" model ran out of distinct values while drawing.
  bool ExclusiveExhausted = false;
  // Program mode: the loaded library and its run data (engine/ProgramMode.cpp),
  // released with the state.
  mutable std::shared_ptr<void> FitDllRuntime;
  Double2Array Population;       // [m][d]; children are written in place
  Double2Array TrialPopulation;  // [m][d]
  Double1Array Fitness;          // [m]
  Double1Array RelativeFitness;  // [m]
  Double1Array PreviousFitness;  // [m]
  Double1Array BestPosition;     // [d]
  Double1Array BestStep;         // [d]
  double BestFitnessDC = 0, BestFitnessRMSE = 0;
  double BestR = 0, BestDC = 0, BestSSE = 0, BestRMSE = 0;
  Double2Array FileR, FileDC, FileSSE, FileRMSE;  // [f][o]
  Double2Array Velocity;                          // [m][d]
  Double2Array VelocityBound;                     // [m][d]
  Double2Array PersonalBestPosition;              // [m][d]
  Double1Array PersonalBestFitness;               // [m]
  Double1Array NeighbourBestFitness;              // [m]
  Double2Array NeighbourBestPosition;             // [m][d]
  Boolean1Array MemberFlags;                      // [m]
  Double2Array DimensionLimits;                   // [2][d]
  Double2Array DimensionSpans;                    // [2][d]
  String2Array GeneStrings;                       // [m][d] encode-decode mode
  String1Array MemberGenes;                       // [m]   encode-decode mode
  String1Array BestGeneStrings;                   // [d]
  Integer1Array GeneIntDigits;                    // [d]
  Integer1Array GeneFracDigits;                   // [d]
  int Iteration = 0;
  int DisplayRound = 0;

  // Releases every array, string and the parser (the state of a fresh
  // program, but for ModelMode which the run command owns).
  void FreeEngineArrays();

 private:
  TEngineState& operator=(TEngineState&&) noexcept;  // used by FreeEngineArrays
  std::unique_ptr<TStringList> FWorkLines;
};

// Draws new random values for the first RandomDimCount dimensions of one
// member (and its genes in encode-decode mode). Defined with the search's
// random member values; InitPopulation and ResetPopulation call it.
void RandomizeMember(TEngineState& State, int Member);

}  // namespace qv
