// The two optional logs of a search: the results log ("R\tDC\tSSE\tRMSE"
// or "Results") and the parameters log (every parameter name followed by a
// TAB). TAB-separated text, one record per line. Each record reopens its
// file for appending, so every record is on disk before the next one is
// written.
#pragma once

#include <string>

namespace qv {

class TEngineModel;
struct TSearchSettings;

class TSearchLogs {
 public:
  // Creates the files with their headers, or, when Append is set (a resumed
  // run) and a file exists, keeps it and appends to it. Raises EInOutError
  // when a file cannot be written.
  void Open(const TEngineModel& Model, const TSearchSettings& Set, bool Append);
  void AppendResults(const std::string& Line);
  void AppendParameters(const std::string& Line);
  // Switches both logs off.
  void Close();
  bool ResultsOpen() const { return !results_.empty(); }
  bool ParametersOpen() const { return !parameters_.empty(); }
  const std::string& ResultsFile() const { return results_; }
  const std::string& ParametersFile() const { return parameters_; }

  // Records written by the current run (the loops count them).
  int ResultRecords = 0;
  int ParameterRecords = 0;

 private:
  std::string results_, parameters_;
};

// A log name as used: ".csv" appended when it has no extension.
std::string LogFileName(const std::string& Name);
// True when the two names reach the same file (equal ignoring case, or the
// same path once resolved).
bool SameLogFile(const std::string& A, const std::string& B);

}  // namespace qv
