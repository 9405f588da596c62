// The model part of the engine state: what is fitted or optimised. The
// model parsers fill it; the search reads it and evaluates it, and knows
// it only through these fields. It holds the model's counts and names, the
// definitions of the parameters (bounds, ranges, initial values), the
// constants, the data sets and their target columns, the compiled
// expressions (the expression parser bound to VariableValues and
// ParameterValues) and, for a program model, the program block and its
// loaded library.
//
// The field names are those of the model language's documentation. Shapes
// follow engine/EngineTypes.h. Reading a new model overwrites the counts
// and re-sizes the arrays; there is one model at a time.
//
// Ownership: the model owns every array, the expression parser, the work
// lines (the prepared model text) and the program library. Copying makes
// no sense (the parser is bound to the addresses of VariableValues and
// ParameterValues), so copies are deleted; a move keeps those addresses.
#pragma once

#include <memory>
#include <string>

#include "engine/EngineTypes.h"

namespace qv {

class TExpressionParser;
class TWorkLines;
struct TProgramRuntime;

class TEngineModel {
 public:
  TEngineModel();
  ~TEngineModel();
  TEngineModel(const TEngineModel&) = delete;
  TEngineModel& operator=(const TEngineModel&) = delete;
  TEngineModel(TEngineModel&&) noexcept;
  TEngineModel& operator=(TEngineModel&&) noexcept;

  // ---- Kind and counts ------------------------------------------------------
  TModelMode ModelMode = TModelMode::None;  // set by the run command
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
  int RowCount = 0;     // rows of the first (function model) or the
                        // largest (program model) data set
  int ColumnCount = 0;  // values per row, counted on the first row
  int ValuesRead = 0;   // values split from the row being read
  int DimCount = 0;     // values of one population member
  bool Exclusive = false;
  bool EncodeDecode = false;  // genetic algorithm with base-N genes
  int GeneBase = 10;
  int GeneDecimals = 4;
  TObjective Objective = TObjective::None;

  // What is evaluated: the data set being read or evaluated, the output and
  // the function statement being fitted, and the compiled index of that
  // function in Parser.
  int CurrentFile = 0;
  int CurrentOutput = 0;
  int CurrentFunction = 0;
  int CompiledFunction = -1;

  // Folder of the model file; relative "datafile" names resolve against it
  // (empty: the current folder).
  std::string ModelFolder;

  // The engine's expression parser, replaced by each compile routine and
  // bound to VariableValues / ParameterValues. Null until the first compile.
  std::unique_ptr<TExpressionParser> Parser;

  // The prepared model text (what the hidden work editor held): one line per
  // entry, kept packed (engine/WorkLines.h). Replaced by PrepareModelText;
  // read by the parsers (again when a run resumes), the program library
  // writer and the run command's classification.
  TWorkLines& WorkLines();
  const TWorkLines& WorkLines() const;
  // Replaces the prepared text by these lines.
  void SetWorkLines(const std::vector<std::string>& Lines);

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
  Double2Array TargetMean, TargetMin, TargetMax;  // [f][o]

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
  // The program's loaded library, its build record and the values of the
  // test data sets' var-parameters (engine/ProgramMode.cpp); never null.
  TProgramRuntime& ProgramRuntime() { return *programRuntime_; }
  const TProgramRuntime& ProgramRuntime() const { return *programRuntime_; }
  // Unloads the library and forgets what it was given.
  void FreeProgramRuntime();

  // Parameter slot of member dimension d. Members hold the shared
  // parameters, then (program model with var-parameters and several data
  // sets) one block of VarParameterCount values per data set.
  int DimParameter(int d) const;

 private:
  friend class TEngineState;  // FreeEngineArrays keeps the work lines object
  std::unique_ptr<TWorkLines> workLines_;
  std::unique_ptr<TProgramRuntime> programRuntime_;
};

}  // namespace qv
