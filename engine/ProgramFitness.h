// The evaluation of a program model: its library, loaded in the state's
// worker process, computes the outputs of every data set for a parameter
// set; the fitness of a member is scored from them as for any fitting model.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

#include "engine/CommonUnit.h"
#include "engine/FitWorker.h"
#include "engine/ProgramRuntime.h"

namespace qv {

// ---- Evaluation -------------------------------------------------------------------

// Runs the model for data set File with the values in State.Model.ParameterValues,
// writing State.Model.Calculated[File]. False when the call raises (Error says
// why): an exception in the model code, a range error, a division by zero,
// an invalid or overflowing operation, a non-finite output; also when the
// worker ended (a "halt") or, outside a search, the call did not return
// within 10 seconds (the worker is then ended).
bool RunFitDll(TEngineState& State, int File, std::string* Error = nullptr);

// Fitness of member m (Population[m]) and of its trial vector
// (TrialPopulation[m]) under the stop criterion: the mean over the fitted
// data sets and outputs of DC (RMSE under the RMSE criterion). With
// var-parameters and several data sets a member holds the shared
// parameters, then one block per fitted data set; test data sets take the
// values given for them (SetTestFileValues). A call that raises: the
// member is drawn again and its data set scores 0 (RMSE against zeros);
// the trial returns the member's current fitness; either way the fault is
// counted (TProgramRuntime::Faults). Every data set of the member goes to
// the worker in one round trip. While a search runs the wait pumps the
// host; a stop ends the worker and every later evaluation of the run
// returns the member's current fitness. A worker that ended by itself
// throws (the run then ends with "Some thing wrong!" and the cause, and
// its report).
double MemberFitnessByProgram(TEngineState& State, int Criterion, int m);
// Evaluates every member of the population in one round trip to the worker
// before the members are scored one by one; MemberFitnessByProgram then
// reads a member's outputs back when its values are still the ones sent.
void PrefetchMembersByProgram(TEngineState& State);
double FitnessByProgram(TEngineState& State, int Criterion, int m);

// Var-parameter values of the test data sets, Values[t * VarParameterCount
// + v] for the t-th test data set (data set order) and var-parameter v.
void SetTestFileValues(TEngineState& State, const std::vector<double>& Values);

// The worker ended by itself during a search (a "halt" in the model's code,
// or a fault its own handling could not catch): the search cannot go on.
// The evaluations above throw it; the run ends with its text and a report.
class EFitWorkerDied : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Why worker W ended, as the message of EFitWorkerDied says it.
std::string WorkerDeathText(const TFitWorker& W);

// The number of test data sets (marked "[test]"), and whether data set F
// is one: their var-parameters are given by the user, not searched.
int TestDataSetCount(const TEngineState& State);
bool IsTestDataSet(const TEngineState& State, int F);

}  // namespace qv
