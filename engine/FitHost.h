// What the engine needs of the window that runs it, as one abstract
// interface of engine events: the settings it reads and writes back, the
// messages it shows, a refused setting, the start and end of a search, the
// progress and result texts (built by the engine, only shown here), the
// result lists and the pump through which
// Stop and Resume arrive. The interface names no widget: which page, list,
// panel or cursor shows an event is the window's own business.
//
// The main window implements it (app/FitFormHost.h); tests and the
// command-line driver use TRecordingFitHost (engine/RecordingFitHost.h),
// which records every call.
//
// Every call happens on the thread that runs the engine, one after another.
// None may throw. Calls may run the window's event loop (a message box, the
// pump); the engine keeps nothing across them that such events could spoil,
// and the run controller refuses to be entered again meanwhile.
#pragma once

#include <string>
#include <vector>

#include "engine/ResultReport.h"
#include "engine/SettingNames.h"

namespace qv {

class TFitSettings;

// Kinds of the message dialogs (one OK button each).
enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };

// How a search ended, for TFitHost::SearchEnded.
enum class TSearchEnd {
  Report,        // the report is written: back to idle, the results shown
  NoReport,      // a failure before any result: back to idle, the model shown
  FunctionDone,  // one function of a multi-function fit; the next one follows
};

class TFitHost {
 public:
  virtual ~TFitHost() = default;

  // ---- Settings -------------------------------------------------------------
  // The window's setting values under the controls' names; the object lives
  // as long as the host. Only the engine's settings module reads them
  // (ReadSearchSettings turns them into the typed TSearchSettings, checked,
  // when a run starts) and writes a few back.
  virtual TFitSettings& Settings() = 0;
  // The engine has written the named setting (a clamped neighbourhood size,
  // the algorithm chosen by an "exclusive" statement): show the new value.
  virtual void SettingChanged(TSettingName Name) = 0;
  // A check refused the named setting (after its message): show it and give
  // it the focus, so the user can mend it.
  virtual void FocusSetting(TSettingName Name) = 0;

  // ---- Messages -------------------------------------------------------------
  // A message of the given kind with one OK button; returns when the user
  // has closed it.
  virtual void ShowMessage(TMsgDlgType Kind, const std::string& Text) = 0;
  // A long step that showed a busy pointer (the program model's compile) is
  // over: the normal pointer again.
  virtual void RestoreCursor() = 0;

  // ---- Search life cycle ----------------------------------------------------
  // The settings are accepted and the search starts: the window shows its
  // results, keeps the settings and the model text from being changed and
  // offers only Stop until SearchEnded says the run is over.
  virtual void SearchStarted() = 0;
  // The search has ended (see TSearchEnd). Report and NoReport end the run:
  // settings, model text, Run and Resume are offered again. FunctionDone
  // keeps the window as it is during a search.
  virtual void SearchEnded(TSearchEnd How) = 0;

  // ---- Progress and summary -------------------------------------------------
  // A fitting search has its first calculated values (not on a resumed
  // run): the window prepares its observed-against-calculated display for
  // the current data set and output.
  virtual void SetupResultChart() = 0;
  // The result summary the engine has built (ResultSummaryLines,
  // engine/SearchReport.h). Final false: the progress at the update rate
  // during a search; the window shows Lines as its result text. Final
  // true: the search has ended and its report follows at once
  // (SetResultLines); the window only brings its observed-against-calculated
  // display and its results lists up to date. The engine never reads back
  // what a window shows.
  virtual void WriteResultSummary(const std::vector<std::string>& Lines, bool Final) = 0;

  // ---- Results --------------------------------------------------------------
  // The result text, replaced as a whole by a report the engine has built
  // and keeps (TRunController::Report): the host shows it and keeps no
  // reference to it.
  virtual void SetResultLines(const TResultReport& Report) = 0;
  // The statistics per data set and output of the best member are final
  // (program mode): refill the list of data sets (DataSets) and of outputs
  // (Outputs) with the measures the window shows.
  virtual void ShowResultLists(bool DataSets, bool Outputs) = 0;

  // ---- Pump -----------------------------------------------------------------
  // Lets the window handle its pending events, once per iteration, and
  // about every 20 ms while the engine waits for the program-model compiler
  // or for a call into a program model's library. Stop
  // (TRunController::Stop) arrives here and only sets flags; the loop leaves
  // after the pump and reports once. A Stop during a program model's compile
  // ends the compile, so the window must let Stop through then too (before
  // SearchStarted).
  virtual void ProcessMessages() = 0;
};

}  // namespace qv
