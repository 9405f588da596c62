// Reading a model: text preparation, classification, the three model
// parsers, the definition readers, data rows, target preparation, function
// compilation and the population set-up.
//
// Every reader and parser reports a model error as one message through the
// host (TFitHost::ShowMessage) and returns false; nothing throws for bad
// model text. The state stays partly filled until the next run.
#pragma once

#include <string>
#include <vector>

#include "engine/CommonUnit.h"
#include "engine/FitHost.h"

namespace qv {

class TStrings;
class TRandomGenerator;
struct TSearchSettings;

// ---- Text preparation ---------------------------------------------------------
// Copies the model editor's lines into State.Model.WorkLines(), removes block
// comments, turns tabs into blanks, cuts line comments and joins each
// statement running over several lines into one line ending with ";".
void PrepareModelText(TEngineState& State, const std::vector<std::string>& CodeLines);

// ---- Classification and the front half of the run command -------------------
// Mode of the prepared text: fitting by functions (variables, no program
// block), optimisation (no variables), program (variables and a program
// block), or None when it cannot be run (a program block without
// variables).
TModelMode ClassifyModel(const TEngineState& State);

// Prepares the text, classifies it (setting ModelMode), reads whether the
// settings choose the encode-decode genetic algorithm (EncodeDecodeChosen,
// engine/SearchSettings.h) and runs the matching parser. A text of no kind gives the
// information "Wrong codes, no thing will be executed!" and false.
// Clears Resuming. The program-library build is the caller's next step.
bool ReadModel(TEngineState& State, TFitHost& Host, const std::vector<std::string>& CodeLines);

// ---- The three parsers (on the prepared work lines) ------------------------
bool ParseFunctionModel(TEngineState& State, TFitHost& Host);
bool ParseEquationModel(TEngineState& State, TFitHost& Host);
bool ParseProgramModel(TEngineState& State, TFitHost& Host);

// ---- Definition readers (append to the state; false after one message) ----
bool ReadVariableList(TEngineState& State, TFitHost& Host, const std::string& Text);
// Kind 0 "Parameter", 1 "VarParameter".
bool ReadParameterList(TEngineState& State, TFitHost& Host, const std::string& Text, int Kind);
bool ReadConstantList(TEngineState& State, TFitHost& Host, const std::string& Text);
bool ReadVarConstantList(TEngineState& State, TFitHost& Host, const std::string& Text);
// Splits one data row into DataColumns[CurrentFile][Column..][Row]; false when
// a field is not a number (no message: the caller reports).
bool SplitDataRow(TEngineState& State, TFitHost& Host, const std::string& Text, int Column,
                  int Row);

// ---- After a successful parse -----------------------------------------------
// Splits DataColumns into InputData and TargetData (+ target statistics).
void PrepareTargetData(TEngineState& State);
// False, after a warning, when the observed values of a data set are so
// large that the statistics overflow (the sum of their squared deviations is
// no finite number): RMSE, SSE and DC could only be INF or nonsense.
bool CheckTargetRange(const TEngineState& State, TFitHost& Host);
// Compiles FunctionExpressions[CurrentFunction] into a new State.Model.Parser;
// shows "Function expression is uncorrect!" and returns false on error.
bool CompileFitFunction(TEngineState& State, TFitHost& Host);
// Compiles every constraint and objective into a new State.Model.Parser.
bool CompileEquationFunctions(TEngineState& State, TFitHost& Host);

// Allocates and fills the population from the run's settings (the family,
// its population and neighbourhood sizes; does nothing while
// State.Run.Resuming). False after CheckPopulationMemory's message, or when
// an exclusive model's members cannot be drawn.
bool InitPopulation(TEngineState& State, TFitHost& Host, const TSearchSettings& Set);
// Refuses, with a message giving the size and the memory it would take and
// the focus on the chosen algorithm's population size box, a population
// whose arrays would take more than half the machine's memory. True when
// the size fits or the run resumes.
bool CheckPopulationMemory(const TEngineState& State, TFitHost& Host, const TSearchSettings& Set);
// New random values for one member, its personal best reset.
void ResetPopulation(TEngineState& State, int Member);

// Key filters of the whole-number and real-number settings boxes.
bool IsIntegerKey(char Key);
bool IsRealKey(char Key, const std::string& Text);

// Whole-word, case-insensitive name replacement; the result is lower case
// but for the inserted replacements.
std::string ReplaceModelNames(const std::string& Text, const std::string& Name,
                              const std::string& Replacement);
// Expands the first "sum(" (Kind 0) or "prod(" (Kind 1) index form of a
// lower-case text; throws Exception on a malformed form. Random: the
// generator of "random" and "randg" in index expressions (see TryValue).
std::string ExpandSumProd(const std::string& Text, int Kind, TRandomGenerator* Random = nullptr);

// A readable dump of the model part of the state (mode, counts, names,
// bounds, expressions, data shapes), one fact per line; used by tests and
// by the command-line driver.
std::string DumpModelState(const TEngineState& State);

}  // namespace qv
