// Helpers shared by the source files of the editor control (CodeEdit*.cpp);
// not part of the editor's interface.
#pragma once

#include <exception>
#include <string>
#include <utility>
#include <vector>

#include "editor/CodeEdit.h"

namespace qv::codeedit {

// State flags of the editor.
constexpr uint16_t sfCaretChanged = 1, sfScrollbarChanged = 2, sfLinesChanging = 4,
                   sfIgnoreNextChar = 8, sfCaretVisible = 16, sfDblClicked = 32, sfGutterClick = 64,
                   sfWaitForDragging = 128;

// Timer id of the auto-scroll timer and its interval.
constexpr int AutoScrollTimerId = 1;
constexpr int AutoScrollInterval = 100;

inline std::u32string U32(const std::string& S) { return UTF8ToCodePoints(S); }
inline std::string U8(const std::u32string& S) { return CodePointsToUTF8(S); }

// Characters Start .. Start + Count - 1 (1-based) of S; what lies outside S
// is left out.
std::string CharCopy(const std::string& S, int Start, int Count = 1 << 30);
// Pieces of a text separated by CR, LF or CR LF; a NUL ends the text.
std::vector<std::string> SplitPieces(const std::string& Text);
// Blank for indentation purposes: codes 1 to 32.
inline bool IsBlank(char32_t C) { return C >= 1 && C <= 32; }
// S padded with spaces to Count characters.
std::u32string PadRight(std::u32string S, int Count);

// Runs Fn on leaving the scope; while an exception unwinds, a failure of Fn
// is swallowed so the first one is reported.
template <class F>
class TFinally {
 public:
  explicit TFinally(F Fn) : fn_(std::move(Fn)), pending_(std::uncaught_exceptions()) {}
  TFinally(const TFinally&) = delete;
  TFinally& operator=(const TFinally&) = delete;
  ~TFinally() noexcept(false) {
    if (std::uncaught_exceptions() > pending_) {
      try {
        fn_();
      } catch (...) {
      }
    } else {
      fn_();
    }
  }

 private:
  F fn_;
  int pending_;
};

// A paint lock held for a scope.
class TPaintLockScope {
 public:
  explicit TPaintLockScope(TCustomCodeEdit& E) : e_(E), pending_(std::uncaught_exceptions()) {
    e_.IncPaintLock();
  }
  TPaintLockScope(const TPaintLockScope&) = delete;
  TPaintLockScope& operator=(const TPaintLockScope&) = delete;
  ~TPaintLockScope() noexcept(false) {
    if (std::uncaught_exceptions() > pending_) {
      try {
        e_.DecPaintLock();
      } catch (...) {
      }
    } else {
      e_.DecPaintLock();
    }
  }

 private:
  TCustomCodeEdit& e_;
  int pending_;
};

// An undo block of one list held for a scope.
class TUndoBlockScope {
 public:
  explicit TUndoBlockScope(TCodeEditUndoList& L) : l_(L) { l_.BeginBlock(); }
  TUndoBlockScope(const TUndoBlockScope&) = delete;
  TUndoBlockScope& operator=(const TUndoBlockScope&) = delete;
  ~TUndoBlockScope() { l_.EndBlock(); }

 private:
  TCodeEditUndoList& l_;
};

}  // namespace qv::codeedit
