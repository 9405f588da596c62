#include "engine/ProgramFitness.h"

#include <algorithm>
#include <string>

#include "engine/FitSearch.h"
#include "engine/Fitness.h"
#include "engine/RandomValues.h"

namespace qv {

std::string WorkerDeathText(const TFitWorker& w) {
  return "The program codes ended the process that runs them (" + w.DeathText() +
         "); \"halt\" cannot be used in a program model.";
}

int TestDataSetCount(const TEngineState& S) {
  int n = 0;
  for (int f = 0; f < S.Model.DataFileCount && f < static_cast<int>(S.Model.IsTestFile.size()); ++f)
    if (S.Model.IsTestFile[f]) ++n;
  return n;
}

bool IsTestDataSet(const TEngineState& S, int f) {
  return f < static_cast<int>(S.Model.IsTestFile.size()) && S.Model.IsTestFile[f];
}

namespace {

// A call outside a search (the chart, tests) waits at most this long.
constexpr int kSingleCallLimitMs = 10000;

}  // namespace

bool RunFitDll(TEngineState& S, int File, std::string* Error) {
  TProgramRuntime& rt = S.Model.ProgramRuntime();
  TFitWorker& w = rt.Worker;
  if (static_cast<int>(S.Model.ParameterValues.size()) < w.Params())
    S.Model.ParameterValues.resize(w.Params(), 0.0);
  if (File < 0 || File >= static_cast<int>(S.Model.Calculated.size())) {
    if (Error) *Error = "No such data set.";
    return false;
  }
  rt.Prefetched = 0;  // job 0 is taken
  if (!w.Reserve(1)) {
    if (Error) *Error = "The library is not ready.";
    return false;
  }
  w.SetJob(0, File, S.Model.ParameterValues.data());
  switch (w.Execute(1, rt.Pump, rt.Pump ? -1 : kSingleCallLimitMs)) {
    case TFitWorkerWait::Done:
      break;
    case TFitWorkerWait::Died:
      if (Error) *Error = WorkerDeathText(w);
      return false;
    case TFitWorkerWait::TimedOut:
      if (Error)
        *Error = "The program codes did not return within " +
                 std::to_string(kSingleCallLimitMs / 1000) + " seconds.";
      return false;
    case TFitWorkerWait::Abandoned:
      if (Error) *Error = "The evaluation was stopped.";
      return false;
  }
  if (w.JobStatus(0) != TFitDllStatus::Ok) {
    if (Error) *Error = w.FirstError();
    return false;
  }
  Double2Array& y = S.Model.Calculated[File];
  const int rows = S.Model.PointCount[File];
  if (static_cast<int>(y.size()) < w.Outputs()) y.resize(w.Outputs());
  for (int o = 0; o < w.Outputs(); ++o) {
    if (static_cast<int>(y[o].size()) < rows) y[o].resize(rows);
    std::copy_n(w.JobOutput(0) + static_cast<size_t>(o) * w.MostRows(), rows, y[o].begin());
  }
  return true;
}

void SetTestFileValues(TEngineState& State, const std::vector<double>& Values) {
  State.Model.ProgramRuntime().TestValues = Values;
}

namespace {

// Calls Fn(f) for every data set f with S.Model.ParameterValues holding the
// values of data set f for member values V: the shared parameters, then
// the data set's own var-parameters (searched ones from V, those of test
// data sets as given for them).
template <class F>
void ForEachFileParameters(TEngineState& S, const Double1Array& v, F&& Fn) {
  const TProgramRuntime& rt = S.Model.ProgramRuntime();
  const int files = S.Model.DataFileCount, vpc = S.Model.VarParameterCount;
  const bool perFile = files > 1 && vpc > 0;
  const int shared = S.Model.ParameterCount - (perFile ? vpc : 0);
  S.Model.ParameterValues.resize(S.Model.ParameterCount, 0.0);
  const int first = perFile ? shared : S.Model.ParameterCount;
  for (int p = 0; p < first && p < static_cast<int>(v.size()); ++p)
    S.Model.ParameterValues[p] = v[p];
  int fitted = 0, tests = 0;
  for (int f = 0; f < files; ++f) {
    const bool test = IsTestDataSet(S, f);
    if (perFile) {
      for (int k = 0; k < vpc; ++k) {
        double value = 0;
        if (test) {
          const size_t at = static_cast<size_t>(tests) * vpc + k;
          if (at < rt.TestValues.size()) value = rt.TestValues[at];
        } else {
          const size_t at = static_cast<size_t>(shared) + static_cast<size_t>(fitted) * vpc + k;
          if (at < v.size()) value = v[at];
        }
        S.Model.ParameterValues[shared + k] = value;
      }
    }
    if (test)
      ++tests;
    else
      ++fitted;
    Fn(f);
  }
}

// The jobs Job0.. of the worker, one per data set, for member values V.
void SetMemberJobs(TEngineState& S, const Double1Array& v, int job0) {
  TFitWorker& w = S.Model.ProgramRuntime().Worker;
  ForEachFileParameters(S, v,
                        [&](int f) { w.SetJob(job0 + f, f, S.Model.ParameterValues.data()); });
}

// Whether the jobs Job0.. were made for member values V.
bool MemberJobsHold(TEngineState& S, const Double1Array& v, int job0) {
  TFitWorker& w = S.Model.ProgramRuntime().Worker;
  bool same = true;
  ForEachFileParameters(S, v, [&](int f) {
    same = same && std::equal(S.Model.ParameterValues.begin(), S.Model.ParameterValues.end(),
                              w.JobParams(job0 + f));
  });
  return same;
}

double ProgramFitness(TEngineState& S, int criterion, int m, const Double1Array& values,
                      bool trial) {
  TProgramRuntime& rt = S.Model.ProgramRuntime();
  // Stopped during an evaluation: the worker is gone and the search ends
  // after its pump; the member keeps what it had.
  if (rt.Abandoned) return S.Pop.Fitness[m];
  TFitWorker& w = rt.Worker;
  const int files = S.Model.DataFileCount, outs = S.Model.OutputCount;
  rt.Candidate.assign(values.begin(),
                      values.end());  // one consistent set, even if m is drawn again
  const Double1Array& v = rt.Candidate;

  // The member's data sets were evaluated with the whole population, or
  // go to the worker now, all in one round trip.
  int job0 = 0;
  if (!trial && m < rt.Prefetched && MemberJobsHold(S, v, m * files)) {
    job0 = m * files;
  } else {
    rt.Prefetched = 0;
    if (!w.Reserve(files)) throw EFitWorkerDied(WorkerDeathText(w));
    SetMemberJobs(S, v, 0);
    switch (w.Execute(files, rt.Pump)) {
      case TFitWorkerWait::Done:
        break;
      case TFitWorkerWait::Abandoned:
        rt.Abandoned = true;
        return S.Pop.Fitness[m];
      default:
        throw EFitWorkerDied(WorkerDeathText(w));
    }
  }

  // The statistics read the data set in CurrentFile; the data set the
  // window shows (chart, report table) is restored on every way out.
  struct TShownFile {
    TEngineState& S;
    const int File;
    ~TShownFile() { S.Model.CurrentFile = File; }
  } shown{S, S.Model.CurrentFile};

  double sum = 0;
  for (int f = 0; f < files; ++f) {
    S.Model.CurrentFile = f;
    const bool test = IsTestDataSet(S, f);
    ++rt.Calls;
    if (w.JobStatus(job0 + f) == TFitDllStatus::Ok) {
      Double2Array& y = S.Model.Calculated[f];
      const int rows = S.Model.PointCount[f];
      if (static_cast<int>(y.size()) < outs) y.resize(outs);
      for (int o = 0; o < outs && o < w.Outputs(); ++o) {
        if (static_cast<int>(y[o].size()) < rows) y[o].resize(rows);
        std::copy_n(w.JobOutput(job0 + f) + static_cast<size_t>(o) * w.MostRows(), rows,
                    y[o].begin());
      }
      if (!test)
        for (int o = 0; o < outs; ++o)
          sum += criterion == crRMSE ? CalcRootMeanSquareError(S, o, S.Model.Calculated)
                                     : CalcDeterminationCoef(S, o, S.Model.Calculated, m);
      continue;
    }
    ++rt.Faults;
    if (rt.FirstFault.empty()) rt.FirstFault = w.FirstError();
    if (trial) return S.Pop.Fitness[m];
    RandomizeMember(S, m);
    for (auto& column : S.Model.Calculated[f]) std::fill(column.begin(), column.end(), 0.0);
    if (criterion == crRMSE && !test)
      for (int o = 0; o < outs; ++o) sum += CalcRootMeanSquareError(S, o, S.Model.Calculated);
  }
  const int scored = files - TestDataSetCount(S);
  return scored > 0 && outs > 0 ? sum / scored / outs : 0;
}

}  // namespace

void PrefetchMembersByProgram(TEngineState& S) {
  TProgramRuntime& rt = S.Model.ProgramRuntime();
  rt.Prefetched = 0;
  const int members = S.Pop.PopSize, files = S.Model.DataFileCount;
  if (rt.Abandoned || members <= 1 || files <= 0 ||
      static_cast<int>(S.Pop.Population.size()) < members)
    return;
  TFitWorker& w = rt.Worker;
  if (!w.Reserve(members * files)) return;  // each member goes on its own
  for (int m = 0; m < members; ++m) SetMemberJobs(S, S.Pop.Population[m], m * files);
  switch (w.Execute(members * files, rt.Pump)) {
    case TFitWorkerWait::Done:
      rt.Prefetched = members;
      break;
    case TFitWorkerWait::Abandoned:
      rt.Abandoned = true;
      break;
    default:
      throw EFitWorkerDied(WorkerDeathText(w));
  }
}

double MemberFitnessByProgram(TEngineState& State, int Criterion, int m) {
  return ProgramFitness(State, Criterion, m, State.Pop.Population[m], false);
}

double FitnessByProgram(TEngineState& State, int Criterion, int m) {
  return ProgramFitness(State, Criterion, m, State.Pop.TrialPopulation[m], true);
}

}  // namespace qv
