// Test fixtures for the editor control: a host that records what the
// editor asks of its window, fixed 8 x 16 font cells, an in-memory
// clipboard, and helpers that type keys and read the text back.
#pragma once

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "editor/CodeEdit.h"
#include "platform/core/RecordingCanvas.h"
#include "platform/core/Services.h"

namespace qv::test {

class TTestHost : public TControlHost {
 public:
  explicit TTestHost(TFontService& AFonts, int Width = 400, int Height = 320)
      : fonts(AFonts), client(Rect(0, 0, Width, Height)) {}
  TRect ClientRect() const override { return client; }
  void Invalidate() override { invalidated.push_back(client); }
  void InvalidateRect(const TRect& r) override { invalidated.push_back(r); }
  void Update() override { ++updates; }
  void ScrollWindow(int, int dy, const TRect& r) override {
    scrolled.push_back(dy);
    invalidated.push_back(r);
  }
  bool Focused() const override { return focused; }
  void SetFocus() override { focused = true; }
  void SetCapture() override { capture = true; }
  void ReleaseCapture() override { capture = false; }
  bool HasCapture() const override { return capture; }
  void SetTimer(int id, int ms) override { timers[id] = ms; }
  void KillTimer(int id) override { timers.erase(id); }
  void SetCursor(TCursor c) override { cursor = c; }
  void CreateCaret(int w, int h) override {
    caretSize = TSize{w, h};
    ++caretsCreated;
  }
  void SetCaretPos(int x, int y) override { caretPos = TPoint(x, y); }
  void ShowCaret() override { caretShown = true; }
  void HideCaret() override { caretShown = false; }
  void DestroyCaret() override { caretShown = false; }
  void SetScrollInfo(TScrollBarKind bar, const TScrollInfo& info) override { scroll[bar] = info; }
  TScrollInfo GetScrollInfo(TScrollBarKind bar) const override {
    auto it = scroll.find(bar);
    return it == scroll.end() ? TScrollInfo() : it->second;
  }
  void PostToSelf(int, std::intptr_t, std::intptr_t) override {}
  TFontService& Fonts() override { return fonts; }

  TFontService& fonts;
  TRect client;
  std::vector<TRect> invalidated;
  std::vector<int> scrolled;
  std::map<TScrollBarKind, TScrollInfo> scroll;
  std::map<int, int> timers;
  int updates = 0;
  bool focused = true;
  bool capture = false;
  TCursor cursor = crDefault;
  TSize caretSize;
  TPoint caretPos;
  bool caretShown = false;
  int caretsCreated = 0;
};

// Lines "1", "2", ... (each followed by Width letters x), joined by "|".
inline std::string NumberedLines(int Count, int Width = 0) {
  std::string text;
  for (int i = 1; i <= Count; ++i) {
    if (i > 1) text += '|';
    text += std::to_string(i);
    if (Width > 0) text += std::string(size_t(Width), 'x');
  }
  return text;
}

// An editor in a 400 x 320 window with 8 x 16 cells: gutter 30 pixels, 46
// characters and 20 lines visible.
struct TEditorFixture {
  TFakeFontService fonts{8, 16};
  TFakeClipboard clipboard;
  TTestHost host{fonts};
  TCodeEdit edit;

  explicit TEditorFixture(const std::string& Text = std::string(), bool Attach = true) {
    SetFontService(&fonts);
    SetClipboardService(&clipboard);
    edit.SetFont(edit.Font());
    if (!Text.empty()) SetLines(Text);
    if (Attach) edit.SetHost(&host);
  }
  ~TEditorFixture() {
    edit.SetHost(nullptr);
    SetClipboardService(nullptr);
    SetFontService(nullptr);
  }
  TEditorFixture(const TEditorFixture&) = delete;
  TEditorFixture& operator=(const TEditorFixture&) = delete;

  // Lines separated by "|"; the undo lists start empty.
  void SetLines(const std::string& Text) {
    edit.Lines().Clear();
    if (Text == "|") {
      edit.Lines().Add("");
    } else {
      size_t start = 0;
      while (true) {
        const size_t bar = Text.find('|', start);
        edit.Lines().Add(
            Text.substr(start, bar == std::string::npos ? std::string::npos : bar - start));
        if (bar == std::string::npos) break;
        start = bar + 1;
      }
    }
    edit.EmptyUndoLists();
    edit.SetModified(false);
  }
  // The lines joined by "|".
  std::string Lines() const {
    std::string r;
    for (int i = 0; i < edit.Lines().Count(); ++i) {
      if (i > 0) r += '|';
      r += edit.Lines().Get(i);
    }
    return r;
  }
  void Cmd(TCodeEditorCommand C, char32_t Ch = 0, void* Data = nullptr) {
    edit.CommandProcessor(C, Ch, Data);
  }
  void Type(const std::string& Text) {
    for (char32_t c : UTF8ToCodePoints(Text)) {
      if (c == U'\n')
        Key(VK_RETURN);
      else
        Char(c);
    }
  }
  void Char(char32_t C) {
    // Letters, digits and the space have a key of their own; other
    // characters arrive as characters only.
    int key = int(C >= U'a' && C <= U'z' ? C - 32 : C);
    if ((C >= U'a' && C <= U'z') || (C >= U'A' && C <= U'Z') || (C >= U'0' && C <= U'9') ||
        C == U' ')
      edit.KeyDown(key, 0);
    char32_t ch = C;
    edit.KeyPress(ch);
  }
  // A key with its character message where Windows would send one.
  void Key(int VK, TShiftState Shift = 0) {
    int key = VK;
    edit.KeyDown(key, Shift);
    char32_t ch = 0;
    if (VK == VK_RETURN) ch = U'\r';
    if (VK == VK_BACK) ch = 8;
    if (VK == VK_TAB) ch = 9;
    if (VK >= 'A' && VK <= 'Z' && (Shift & ssCtrl)) ch = char32_t(VK - 'A' + 1);
    if (ch) edit.KeyPress(ch);
  }
  void Goto(int X, int Y) {
    TPoint p(X, Y);
    Cmd(ecGotoXY, 0, &p);
  }
  void Select(TPoint From, TPoint To) {
    Goto(From.X, From.Y);
    TPoint p = To;
    Cmd(ecSelGotoXY, 0, &p);
  }
  void UndoAll() {
    while (edit.UndoList().CanUndo()) edit.Undo();
  }
  void RedoAll() {
    while (edit.RedoList().CanUndo()) edit.Redo();
  }
};

}  // namespace qv::test
