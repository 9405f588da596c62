// Search set-up: checks and reads the settings of the chosen algorithm and
// of every run, opens the two optional log files and puts the window into
// its running state.
#pragma once

#include <string>

#include "engine/CommonUnit.h"
#include "engine/FitHost.h"
#include "engine/SearchState.h"

namespace qv {

// The results log ("R\tDC\tSSE\tRMSE" or "Results") and the parameters log
// (every parameter name followed by a TAB): TAB-separated text, one record
// per line. Each record reopens its file for appending, so every record is
// on disk before the next one is written.
class TSearchLogs {
 public:
  // Creates the files with their headers, or, when Append is set (a resumed
  // run) and a file exists, keeps it and appends to it. Raises EInOutError
  // when a file cannot be written.
  void Open(const TEngineState& S, const TSearchSettings& Set, bool Append);
  void AppendResults(const std::string& Line);
  void AppendParameters(const std::string& Line);
  // Switches both logs off.
  void Close();
  bool ResultsOpen() const { return !FResults.empty(); }
  bool ParametersOpen() const { return !FParameters.empty(); }
  const std::string& ResultsFile() const { return FResults; }
  const std::string& ParametersFile() const { return FParameters; }

  // Records written by the current run (the loops count them).
  int ResultRecords = 0;
  int ParameterRecords = 0;

 private:
  std::string FResults, FParameters;
};

// A log name as used: ".csv" appended when it has no extension.
std::string LogFileName(const std::string& Name);
// True when the two names reach the same file (equal ignoring case, or the
// same path once resolved).
bool SameLogFile(const std::string& A, const std::string& B);

// Refuses empty or too small entries of the given algorithm with a message
// and the focus on the offending control.
bool CheckAlgorithmSettings(TFitHost& Host, int Algorithm);

// The whole set-up; false when a check failed (the search must not start).
// A text that is not a number raises EConvertError. Resume (S.Resuming)
// appends to existing logs.
bool PrepareSearch(TEngineState& S, TFitHost& Host, TSearchSettings& Set, TSearchLogs& Logs);

}  // namespace qv
