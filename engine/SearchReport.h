// Result report and progress output: the texts of the result editor at the
// end of a search (and during an optimisation search), the result summary
// of the main window, and the return of the window to its idle state.
#pragma once

#include <string>
#include <vector>

#include "engine/CommonUnit.h"
#include "engine/FitHost.h"
#include "engine/SearchState.h"

namespace qv {

// The lines of the main window's result summary (WriteResultSummary):
// iterations, elapsed time, RMSE, SSE, R, DC and the parameters, with the
// short labels and "%0.7g" during a run, the long labels and "%0.10g" at the
// end. The engine hands them to its host (TFitHost::WriteResultSummary) and
// builds its final reports on them.
std::vector<std::string> ResultSummaryLines(const TEngineState& S, bool Final);

// The optimisation report's line, and the window's message at the end of
// the run, when no member ever satisfied every constraint.
inline constexpr const char* kInfeasibleBestLine =
    "Constraints: not satisfied; no point found meets every constraint";
inline constexpr const char* kInfeasibleBestMessage =
    "No point was found that meets every constraint: the values shown break at least one.";

// Elapsed time of the run: "hh:nn:ss:zz" when Final, else the time text.
std::string ElapsedText(const TRunState& Run, bool Final);

// A value as the reports show it: the shortest decimal text in
// encode-decode mode and in the final report; "%0.8f" in a progress
// display except for integer dimensions. The objective passes d = -1.
std::string FormatResultValue(const TEngineState& S, int d, double Value, bool Final);

// The algorithm line's name: Expression is the fitting-by-expressions
// report ("Differential Evoluation(Scheme n)"), otherwise the optimisation
// and program reports (with the swarm variant and the route).
std::string AlgorithmName(const TEngineState& S, const TSearchSettings& Set, bool Expression);

// Ends a search: the report when Final, then the host told how the search
// ended (TFitHost::SearchEnded: FunctionDone after a function of a
// multi-function fit that is not the last and was not stopped by the user,
// NoReport without Final, else Report), the logs closed. The report is the
// mode's: the expression report written here (its observed-against-
// calculated table only after the last function), ShowProgress
// (optimisation), ShowFinalResults (program mode).
void ReportSearchResults(TEngineState& S, TFitHost& Host, const TSearchSettings& Set, bool Final);

// The program-mode final report, only when no search is running: the
// statistics of the best member (UpdateBestStatistics); unless KeepLists the
// host refills its data set list (several data sets) and output list
// (several outputs, TFitHost::ShowResultLists); then the window's final result summary with the
// title, algorithm and stop-reason lines, and the observed against calculated table of the
// displayed data set (S.Model.CurrentFile): a header "No" and, per output, "Obs. <name>" and "Cal.
// <name>"; one row per data row with the row number, the observed values (shortest text) and the
// best member's values ("0.00000"), all TAB-separated. KeepLists true shows another data set
// without touching the lists.
void ShowFinalResults(TEngineState& S, TFitHost& Host, const TSearchSettings& Set, bool KeepLists);

// The optimisation-mode text (progress and final report).
void ShowProgress(TEngineState& S, TFitHost& Host, const TSearchSettings& Set, bool Final,
                  int IterationsBack);

}  // namespace qv
