// Feeds random command sequences (with text) to the editor control: after
// every command the buffer, caret, selection and marks must be consistent,
// and at the end undoing everything must give back the text it started
// with. The first bytes choose the options and the start text, the rest
// are commands.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "editor/CodeEdit.h"
#include "editor/CodeHighlighterSample.h"
#include "platform/core/NullControlHost.h"
#include "platform/core/RecordingCanvas.h"
#include "platform/core/Services.h"

using namespace qv;

namespace {

struct TReader {
  const uint8_t* p;
  size_t n;
  uint8_t Byte() {
    if (n == 0) return 0;
    --n;
    return *p++;
  }
  bool Done() const { return n == 0; }
};

const char32_t kAlphabet[] = {U'a', U'b', U'x', U' ', U' ', U'\t',     U'(', U')', U'{', U'}',
                              U'"', U'/', U'_', U'1', U'A', U'\u00E9', U';', U'<', U'>', U'.'};

std::string Piece(TReader& r) {
  std::string s;
  const int len = r.Byte() % 6;
  for (int i = 0; i < len; ++i) {
    const uint8_t b = r.Byte();
    if (b % 9 == 0)
      s += (b & 16) ? "\r\n" : "\n";
    else
      UTF8AppendChar(s, kAlphabet[b % (sizeof(kAlphabet) / sizeof(kAlphabet[0]))]);
  }
  return s;
}

std::string gTrace;  // the operations of the current input, for the report

const uint8_t* gData = nullptr;
size_t gSize = 0;

[[noreturn]] void Fail(const char* what, const TCustomCodeEdit& e) {
  fprintf(stderr, "after: %s\n", gTrace.c_str());
  if (const char* dump = getenv("QV_FUZZ_DUMP")) {
    if (FILE* f = fopen(dump, "wb")) {
      fwrite(gData, 1, gSize, f);
      fclose(f);
    }
  }
  fprintf(stderr, "invariant broken: %s\ncaret (%d,%d) lines %d\n", what, e.CaretX(), e.CaretY(),
          e.Lines().Count());
  for (int i = 0; i < e.Lines().Count(); ++i) fprintf(stderr, "[%s]\n", e.Lines().Get(i).c_str());
  std::abort();
}

void CheckInvariants(TCustomCodeEdit& e) {
  const int count = e.Lines().Count();
  for (int i = 0; i < count; ++i) {
    const std::string& s = e.Lines().Rec(i).Text;
    if (s.find_first_of("\r\n") != std::string::npos) Fail("line holds a break", e);
    if (!IsValidUTF8Text(s)) Fail("line is not UTF-8", e);
  }
  if (e.CaretY() < 1 || e.CaretY() > std::max(1, count)) Fail("caret line", e);
  if (e.CaretX() < 1 || e.CaretX() > e.MaxLeftChar()) Fail("caret column", e);
  for (TPoint p : {e.BlockBeginRaw(), e.BlockEndRaw()})
    if (p.Y < 1 || p.Y > std::max(1, count) || p.X < 1) Fail("selection end", e);
  if (e.TopLine() < 1 || e.LeftChar() < 1) Fail("view", e);
  if (e.PaintLock() != 0) Fail("paint lock left held", e);
  for (int i = 0; i < e.Marks().Count(); ++i)
    if (e.Marks().Items(i)->Line() < 1) Fail("mark on line 0", e);
  for (int i = 0; i < 10; ++i)
    if (e.Bookmark(i) && e.Marks().IndexOf(e.Bookmark(i)) < 0)
      Fail("bookmark not in the mark list", e);
}

// The lines, an empty list as one empty line; with eoTrimTrailingSpaces
// trailing blanks are not part of the text.
std::vector<std::string> Normal(const TCustomCodeEdit& e) {
  std::vector<std::string> v;
  for (int i = 0; i < e.Lines().Count(); ++i)
    v.push_back(e.HasOption(eoTrimTrailingSpaces)
                    ? TCustomCodeEdit::TrimTrailingSpaces(e.Lines().Get(i))
                    : e.Lines().Get(i));
  if (v.empty()) v.push_back(std::string());
  return v;
}

// With QV_FUZZ_VERBOSE set, each undo or redo step and the lines after it
// go to standard error.
void Trace(const char* What, const TCodeEditUndoItem* It) {
  if (!getenv("QV_FUZZ_VERBOSE") || !It) return;
  fprintf(stderr, "%s reason %d (%d,%d)-(%d,%d) mode %d [%s] #%d\n", What, It->ChangeReason,
          It->ChangeStartPos.X, It->ChangeStartPos.Y, It->ChangeEndPos.X, It->ChangeEndPos.Y,
          It->ChangeSelMode, It->ChangeStr.c_str(), It->ChangeNumber);
}

void TraceLines(const TCustomCodeEdit& e) {
  if (!getenv("QV_FUZZ_VERBOSE")) return;
  for (const auto& l : Normal(e)) fprintf(stderr, " [%s]", l.c_str());
  fprintf(stderr, "\n");
}

}  // namespace

extern "C" void QvFuzzSeeds(std::vector<std::string>* seeds) {
  seeds->push_back(
      std::string("\x02\x10\x07\x33\x44\x55\x66\x77\x88\x99\x01\x02\x03\x04\x05\x06", 16));
  seeds->push_back(std::string("\x81\x04\x20\x41\x15\x28\x09\x37\x12\x22\x05\x31\x2e\x0f", 14));
  seeds->push_back(std::string("\x44\x08\x31\x31\x05\x06\x07\x08\x1c\x1d\x1e\x1f\x20\x21\x22", 15));
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  TReader r{data, size};
  TFakeFontService fonts(8, 16);
  TFakeClipboard clipboard;
  SetClipboardService(&clipboard);
  struct TRestore {
    ~TRestore() { SetClipboardService(nullptr); }
  } restoreClipboard;
  // A window of 30 x 10 cells of 8 x 16 pixels.
  TNullControlHost host(Rect(0, 0, 30 + 2 + 30 * 8, 10 * 16), &fonts);
  TCodeSampleSyn highlighter;
  gTrace.clear();
  gData = data;
  gSize = size;
  if (const char* last = getenv("QV_FUZZ_LAST")) {
    // Each input is written before it runs: after a crash the file holds it.
    if (FILE* f = fopen(last, "wb")) {
      fwrite(data, 1, size, f);
      fclose(f);
    }
  }
  {
    TCodeEdit e;
    const uint8_t flags = r.Byte();
    const uint8_t more = r.Byte();
    TCodeEditorOptions options = CODE_DEFAULT_OPTIONS;
    if (flags & 1) options &= ~eoTrimTrailingSpaces;
    if (flags & 2) options &= ~eoScrollPastEol;
    if (flags & 4) options |= eoTabIndent;
    if (flags & 8) options &= ~eoTabsToSpaces;
    if (flags & 16) options &= ~eoAutoIndent;
    if (flags & 32) options &= ~(eoSmartTabs | eoSmartTabDelete);
    if (more & 1) options |= eoScrollPastEof;
    if (more & 2) options |= eoEnhanceHomeKey | eoKeepCaretX;
    if (more & 4) options |= eoHalfPageScroll | eoScrollByOneLess;
    e.SetOptions(options);
    e.SetTabWidth(1 + (more >> 5));
    e.SetMaxUndo(1 << 20);
    if (flags & 64) e.SetHighlighter(&highlighter);
    if (flags & 128) e.SetHost(&host);
    e.SetInsertMode(!(more & 8));

    // The start text: no trailing blanks, so trimming cannot change it.
    const int lineCount = r.Byte() % 6;
    for (int i = 0; i < lineCount; ++i) {
      std::string line;
      const int len = r.Byte() % 12;
      for (int k = 0; k < len; ++k)
        UTF8AppendChar(line, kAlphabet[r.Byte() % (sizeof(kAlphabet) / sizeof(kAlphabet[0]))]);
      while (!line.empty() && (line.back() == ' ' || line.back() == '\t')) line.pop_back();
      e.Lines().Add(line);
    }
    std::vector<std::string> start = Normal(e);
    e.EmptyUndoLists();

    static const TCodeEditorCommand kCommands[] = {
        ecLeft,         ecRight,          ecUp,           ecDown,           ecWordLeft,
        ecWordRight,    ecLineStart,      ecLineEnd,      ecPageUp,         ecPageDown,
        ecEditorTop,    ecEditorBottom,   ecSelLeft,      ecSelRight,       ecSelUp,
        ecSelDown,      ecSelWordLeft,    ecSelWordRight, ecSelLineStart,   ecSelLineEnd,
        ecSelPageDown,  ecSelEditorTop,   ecSelectAll,    ecDeleteLastChar, ecDeleteChar,
        ecDeleteWord,   ecDeleteLastWord, ecDeleteBOL,    ecDeleteEOL,      ecDeleteLine,
        ecLineBreak,    ecInsertLine,     ecUndo,         ecRedo,           ecCut,
        ecCopy,         ecPaste,          ecBlockIndent,  ecBlockUnindent,  ecTab,
        ecShiftTab,     ecUpperCase,      ecLowerCase,    ecToggleCase,     ecTitleCase,
        ecMatchBracket, ecNormalSelect,   ecColumnSelect, ecLineSelect,     ecToggleMode,
        ecScrollUp,     ecScrollDown,     ecScrollLeft,   ecScrollRight,    ecPageLeft,
        ecSelPageRight};
    constexpr int kCommandCount = int(sizeof(kCommands) / sizeof(kCommands[0]));
    int steps = 0;
    while (!r.Done() && steps++ < 200) {
      const uint8_t op = r.Byte();
      gTrace += " " + std::to_string(op);
      if (op < 100) {
        e.CommandProcessor(ecChar, kAlphabet[op % (sizeof(kAlphabet) / sizeof(kAlphabet[0]))],
                           nullptr);
      } else if (op < 100 + kCommandCount) {
        try {
          e.CommandProcessor(kCommands[op - 100], 0, nullptr);
        } catch (const ECodeEditError&) {
          // A clipboard block of an unknown mode is refused.
        }
      } else {
        switch (op % 8) {
          case 0:
          case 1: {
            TPoint p(1 + r.Byte() % 14, 1 + r.Byte() % 8);
            e.CommandProcessor((op & 8) ? ecSelGotoXY : ecGotoXY, 0, &p);
            break;
          }
          case 2:
            e.SetSelText(Piece(r));
            break;
          case 3: {
            std::string ime = Piece(r);
            if (!ime.empty()) e.CommandProcessor(ecImeStr, 0, ime.data());
            break;
          }
          case 4: {
            const std::string what = Piece(r), with = Piece(r);
            const uint8_t o = r.Byte();
            e.SearchReplace(what.substr(0, what.find_first_of("\r\n")), with,
                            TCodeSearchOptions(o & ~ssoPrompt));
            break;
          }
          case 5: {
            TPoint p(1 + r.Byte() % 10, 1 + r.Byte() % 8);
            const TCodeEditorCommand c = (op & 8) ? ecSetMarker0 : ecGotoMarker0;
            e.CommandProcessor(TCodeEditorCommand(c + r.Byte() % 10), 0, (op & 16) ? &p : nullptr);
            break;
          }
          case 6: {
            // A column or line block on the clipboard, as another editor
            // of the program would put it.
            TClipboardData d;
            const std::string text = Piece(r) + "\r\n" + Piece(r);
            d.Text = text;
            d.Formats[CODE_EDIT_CLIPBOARD_FORMAT] = std::string(1, char(r.Byte() % 4)) + text;
            clipboard.SetData(d);
            break;
          }
          default: {
            const int x = r.Byte() * 2, y = r.Byte();
            e.MouseDown(mbLeft, (op & 16) ? ssShift : 0, x, y);
            e.MouseMove(ssLeft, x + r.Byte() % 40, y + r.Byte() % 40);
            e.MouseUp(mbLeft, 0, x, y);
            break;
          }
        }
      }
      if (getenv("QV_FUZZ_VERBOSE"))
        fprintf(stderr, "op %d sel %d caret (%d,%d) block (%d,%d)-(%d,%d):", op, e.SelectionMode(),
                e.CaretX(), e.CaretY(), e.BlockBeginRaw().X, e.BlockBeginRaw().Y, e.BlockEndRaw().X,
                e.BlockEndRaw().Y);
      TraceLines(e);
      CheckInvariants(e);
    }
    if (e.UndoList().FullUndoImpossible()) return 0;
    e.SetReadOnly(false);
    // Whatever is still on the redo list first, so the redo list is empty.
    int guard = 0;
    while (e.RedoList().CanUndo() && guard++ < 10000) e.Redo();
    CheckInvariants(e);
    const std::vector<std::string> final = Normal(e);
    guard = 0;
    while (e.UndoList().CanUndo() && guard++ < 10000) {
      Trace("undo", e.UndoList().PeekItem());
      e.Undo();
      TraceLines(e);
    }
    CheckInvariants(e);
    if (Normal(e) != start) {
      fprintf(stderr, "undo-all did not restore the start text\nstart:\n");
      for (const auto& s : start) fprintf(stderr, "[%s]\n", s.c_str());
      Fail("undo-all", e);
    }
    // And redoing everything gives the edited text back. With trailing
    // blanks trimmed, redo trims as the change did but undo put back what
    // the change had trimmed, so only untrimmed editors replay exactly.
    if (e.HasOption(eoTrimTrailingSpaces)) return 0;
    guard = 0;
    while (e.RedoList().CanUndo() && guard++ < 10000) {
      Trace("redo", e.RedoList().PeekItem());
      e.Redo();
      TraceLines(e);
    }
    CheckInvariants(e);
    if (Normal(e) != final) {
      fprintf(stderr, "redo-all did not restore the edited text\nedited:\n");
      for (const auto& s : final) fprintf(stderr, "[%s]\n", s.c_str());
      Fail("redo-all", e);
    }
  }
  return 0;
}
