// The editor control: search and replace over the text.
#include <vector>

#include "editor/CodeEdit.h"
#include "editor/CodeEditPrivate.h"

namespace qv {

using namespace codeedit;

int TCustomCodeEdit::SearchReplace(const std::string& ASearch, const std::string& AReplace,
                                   TCodeSearchOptions AOptions) {
  if (OnSearchEngineOverride) {
    TCodeEditSearch* engine = searchEngine_;
    OnSearchEngineOverride(this, engine);
    if (engine) searchEngine_ = engine;
  }
  if (!searchEngine_) {
    ownSearchEngine_ = std::make_unique<TCodeEditSearch>();
    searchEngine_ = ownSearchEngine_.get();
  }
  if (ASearch.empty() || LineCount() == 0) return 0;
  if (!SelAvail()) AOptions &= TCodeSearchOptions(~ssoSelectedOnly);
  const bool backwards = AOptions & ssoBackwards;
  const bool selectedOnly = AOptions & ssoSelectedOnly;
  bool replaceAll = AOptions & ssoReplaceAll;
  bool prompt = AOptions & ssoPrompt;
  const bool replace = AOptions & (ssoReplace | ssoReplaceAll);

  // The range searched.
  const TCodeSelectionMode rangeMode = selectedOnly ? selectionMode_ : smNormal;
  TPoint ptStart, ptEnd;
  if (selectedOnly) {
    ptStart = BlockBegin();
    ptEnd = BlockEnd();
    if (rangeMode == smLine) {
      ptStart.X = 1;
      ptEnd.X = LineChars(ptEnd.Y) + 1;
    } else if (rangeMode == smColumn && ptStart.X > ptEnd.X) {
      std::swap(ptStart.X, ptEnd.X);
    }
  } else {
    ptStart = TPoint(1, 1);
    ptEnd = TPoint(LineChars(LineCount()) + 1, LineCount());
    if (!(AOptions & ssoEntireScope)) {
      if (backwards)
        ptEnd = CaretXY();
      else
        ptStart = CaretXY();
    }
  }
  ptEnd.Y = IntMin(ptEnd.Y, LineCount());

  TCodeEditSearch& engine = *searchEngine_;
  engine.SetSensitive(AOptions & ssoMatchCase);
  engine.SetWhole(AOptions & ssoWholeWord);
  engine.SetPattern(ASearch);
  const int searchLen = int(UTF8CharCount(ASearch));
  const int replaceLen = int(UTF8CharCount(AReplace));

  // A match is selected and replaced as plain text, whatever shape the
  // selection had: a line-mode selection would take the whole line.
  const TCodeSelectionMode savedMode = selectionMode_;
  selectionMode_ = smNormal;
  bool lockTaken = false, blockOpen = false;
  TFinally finish([&] {
    if (blockOpen) undoList_->EndBlock();
    selectionMode_ = savedMode;
    if (lockTaken) DecPaintLock();
  });
  if (replaceAll) {
    IncPaintLock();
    lockTaken = true;
    if (!prompt) {
      undoList_->BeginBlock();
      blockOpen = true;
    }
  }

  // A replacement holding line breaks moves the rest of its line down:
  // the search then goes on in the last line it made, after it.
  const std::vector<std::string> replacePieces = SplitPieces(AReplace);
  const int replaceBreaks = int(replacePieces.size()) - 1;
  const int replaceLastLen = int(UTF8CharCount(replacePieces.back()));

  // Whether a match at column c of line lies in the range.
  auto accepted = [&](int line, int c) {
    switch (rangeMode) {
      case smNormal:
        return !(line == ptStart.Y && c < ptStart.X) &&
               !(line == ptEnd.Y && c + searchLen > ptEnd.X);
      case smColumn:
        return (c >= ptStart.X && c + searchLen <= ptEnd.X) || ptEnd.X - ptStart.X < 1;
      default:
        return true;
    }
  };

  int result = 0;
  int line = backwards ? ptEnd.Y : ptStart.Y;
  int minCol = 0;  // forwards: matches left of it on this line are done
  while (backwards ? line >= ptStart.Y : line <= ptEnd.Y) {
    const std::string lineText = LineStr(line);
    const int n = engine.FindAll(lineText);
    if (n > 0 && replaceAll && !prompt && replaceBreaks == 0) {
      // Every match of the line is replaced in one pass: the text from the
      // first match to the end of the last becomes one replacement, so the
      // work grows with the length of the text, not with the matches times
      // the line length. The outcome is that of replacing them one by one.
      std::vector<int> cols;
      for (int k = 0; k < n; ++k)
        if (accepted(line, engine.Results(k))) cols.push_back(engine.Results(k));
      if (!cols.empty()) {
        const std::u32string chars = U32(lineText);
        const std::u32string with = U32(AReplace);
        std::u32string segment;
        int from = cols.front();
        for (size_t k = 0; k < cols.size(); ++k) {
          if (k > 0)
            segment.append(chars, size_t(cols[k - 1] - 1 + searchLen),
                           size_t(cols[k] - cols[k - 1] - searchLen));
          segment += with;
        }
        const int to = cols.back() + searchLen;
        CollapseSelection(TPoint(from, line));
        SelectRange(TPoint(from, line), TPoint(to, line));
        SetSelText(U8(segment));
        const int delta = int(cols.size()) * (replaceLen - searchLen);
        SetCaretXY(backwards ? TPoint(cols.front(), line) : TPoint(to + delta, line));
        if (rangeMode != smColumn && line == ptEnd.Y) {
          ptEnd.X += delta;
          if (selectedOnly) blockEnd_ = ptEnd;
        }
        result += int(cols.size());
      }
      line += backwards ? -1 : 1;
      minCol = 0;
      continue;
    }
    bool lineMoved = false;
    for (int k = 0; k < n && !lineMoved; ++k) {
      const int i = backwards ? n - 1 - k : k;
      const int c = engine.Results(i);
      if (!backwards && c < minCol) continue;
      if (!accepted(line, c)) continue;
      ++result;
      // The match found before (or the selection searched from) is no
      // longer selected: its rows are painted again.
      CollapseSelection(TPoint(c, line));
      SetCaretXY(TPoint(1, line));
      EnsureCursorPosVisibleEx(true);
      SelectRange(TPoint(c, line), TPoint(c + searchLen, line));
      SetCaretXY(TPoint(c + searchLen, line));
      if (backwards) SetCaretXY(BlockBegin());
      if (!replace) return result;
      TCodeReplaceAction action = raReplace;
      if (prompt && OnReplaceText) {
        action = AskReplaceText(ASearch, AReplace, line, c);
        if (action == raCancel) return result;
      }
      if (action == raReplaceAll) {
        if (!replaceAll) {
          replaceAll = true;
          IncPaintLock();
          lockTaken = true;
        }
        prompt = false;
        if (!blockOpen) {
          undoList_->BeginBlock();
          blockOpen = true;
        }
      }
      if (action == raReplace || action == raReplaceAll) {
        SetSelText(AReplace);
        if (backwards) {
          SetCaretX(c);
        } else if (replaceBreaks == 0) {
          SetCaretX(c + replaceLen);
          if (replaceLen != searchLen) engine.FixResults(c, searchLen - replaceLen);
          if (rangeMode != smColumn && line == ptEnd.Y) {
            ptEnd.X += replaceLen - searchLen;
            if (selectedOnly) blockEnd_ = ptEnd;
          }
        } else {
          if (rangeMode != smColumn && line == ptEnd.Y)
            ptEnd.X = replaceLastLen + 1 + (ptEnd.X - (c + searchLen));
          ptEnd.Y += replaceBreaks;
          line += replaceBreaks;
          minCol = replaceLastLen + 1;
          lineMoved = true;
          SetCaretXY(TPoint(minCol, line));
          if (selectedOnly && rangeMode != smColumn) blockEnd_ = ptEnd;
        }
      }
      // A skipped match leaves the text, the caret after it and the range
      // as they are.
      if (!replaceAll) return result;
    }
    if (lineMoved) continue;
    line += backwards ? -1 : 1;
    minCol = 0;
  }
  return result;
}

}  // namespace qv
