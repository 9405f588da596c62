// What the editor repaints after a change: its window keeps the picture
// and paints again only the rectangles the editor invalidated, as a real
// window does. After each change that kept picture must equal a picture
// painted afresh; a row that differs was left stale (a colour of the
// highlighter or a selection that no longer holds).
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <algorithm>
#include <functional>

#include "EditorTestSupport.h"
#include "editor/CodeEditMiscProcs.h"
#include "editor/CodeHighlighterSample.h"
#include "platform/gui/QtCanvas.h"

namespace qv {
namespace {

constexpr int kWidth = 480, kHeight = 224;

// The model editor in a window that keeps its picture.
struct TKeptPicture {
  test::TTestHost host{FontService(), kWidth, kHeight};
  TCodeSampleSyn syn;
  TCodeEdit edit;
  QImage screen;

  explicit TKeptPicture(const std::string& text) {
    edit.Gutter().SetShowLineNumbers(true);
    edit.SetHighlighter(&syn);
    edit.SetText(text);
    edit.SetHost(&host);
    screen = Fresh();
    host.invalidated.clear();
  }
  ~TKeptPicture() {
    edit.SetHost(nullptr);
    edit.SetHighlighter(nullptr);
  }
  TKeptPicture(const TKeptPicture&) = delete;
  TKeptPicture& operator=(const TKeptPicture&) = delete;

  void PaintInto(QImage& image, const TRect& r) {
    QPainter p(&image);
    TQtCanvas c(p, QRect(0, 0, kWidth, kHeight));
    c.IntersectClipRect(r);
    edit.Paint(c, r);
  }
  QImage Fresh() {
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    image.fill(Qt::magenta);
    PaintInto(image, Rect(0, 0, kWidth, kHeight));
    return image;
  }
  // Paints what was invalidated since the last time, as the window would;
  // the window also paints the caret's cell wherever the caret went.
  void Update() {
    std::vector<TRect> rects = std::move(host.invalidated);
    host.invalidated.clear();
    const TPoint at = host.caretPos;
    rects.push_back(Rect(at.X, at.Y, at.X + std::max(host.caretSize.cx, 2),
                         at.Y + std::max(host.caretSize.cy, edit.LineHeight())));
    for (const TRect& r : rects) PaintInto(screen, r);
  }
  // The lines whose row in the kept picture differs from a fresh one.
  std::vector<int> StaleLines() {
    Update();
    const QImage fresh = Fresh();
    std::vector<int> stale;
    const int lh = edit.LineHeight();
    for (int y = 0; y < kHeight; ++y) {
      const int line = edit.TopLine() + y / lh;
      if (!stale.empty() && stale.back() == line) continue;
      for (int x = 0; x < kWidth; ++x)
        if (screen.pixel(x, y) != fresh.pixel(x, y)) {
          stale.push_back(line);
          break;
        }
    }
    return stale;
  }

  void Type(const std::string& text) {
    for (char32_t c : UTF8ToCodePoints(text)) {
      char32_t ch = c == U'\n' ? U'\r' : c;
      if (c == U'\n') {
        int key = VK_RETURN;
        edit.KeyDown(key, 0);
      }
      edit.KeyPress(ch);
      Update();  // each key is painted before the next arrives
    }
  }
  void Key(int vk, TShiftState shift = 0) {
    int key = vk;
    edit.KeyDown(key, shift);
    char32_t ch = vk == VK_BACK ? char32_t(8) : 0;
    if (ch) edit.KeyPress(ch);
    Update();
  }
  void Caret(int x, int y) {
    edit.SetCaretXY(TPoint(x, y));
    edit.SetBlockBegin(edit.CaretXY());
    Update();
  }
};

struct TCase {
  const char* name;
  std::string text;
  std::function<void(TKeptPicture&)> act;
};

TEST(CodeEditRepaint, WhatAChangeTouchesIsPaintedAgain) {
  InstallQtGraphics();
  const std::string model =
      "Variable x, y;\n"
      "Parameter a, b;\n"
      "Function y = a*x + b; // the line\n"
      "Data;\n"
      "1 2\n"
      "2 4\n"
      "3 6\n";
  const TCase cases[] = {
      {"typing at the end of a // comment", model,
       [](TKeptPicture& k) {
         k.Caret(35, 3);
         k.Type("s and more");
       }},
      {"typing past the window's right edge on a // comment line",
       "Variable x; // " + std::string(70, 'c') + "\nData;\n",
       [](TKeptPicture& k) {
         k.Caret(86, 1);
         k.Type("more");
       }},
      {"typing // in front of text", model,
       [](TKeptPicture& k) {
         k.Caret(1, 2);
         k.Type("//");
       }},
      {"removing the // again", model,
       [](TKeptPicture& k) {
         k.Caret(24, 3);
         k.Key(VK_BACK);
       }},
      {"opening a { comment that runs on", model,
       [](TKeptPicture& k) {
         k.Caret(1, 4);
         k.Type("{");
       }},
      {"closing it further down", model,
       [](TKeptPicture& k) {
         k.Caret(1, 4);
         k.Type("{");
         k.Caret(4, 5);
         k.Type("}");
       }},
      {"a line break inside a { comment", "{ one two\nthree }\nData;\n",
       [](TKeptPicture& k) {
         k.Caret(6, 1);
         k.Type("\n");
       }},
      {"undo of a typed {", model,
       [](TKeptPicture& k) {
         k.Caret(1, 4);
         k.Type("{");
         k.edit.Undo();
       }},
      {"a search moves from one match to the next line's", model,
       [](TKeptPicture& k) {
         k.Caret(1, 1);
         k.edit.SearchReplace("y", "", 0);
         k.Update();
         k.edit.SearchReplace("y", "", 0);
       }},
      {"a search backwards to the line before", model,
       [](TKeptPicture& k) {
         k.Caret(1, 6);
         k.edit.SearchReplace("Data", "", ssoBackwards);
         k.Update();
         k.edit.SearchReplace("y", "", ssoBackwards);
       }},
      {"a search that ends finding nothing", model,
       [](TKeptPicture& k) {
         k.Caret(1, 1);
         k.edit.SearchReplace("Data", "", 0);
         k.Update();
         if (k.edit.SearchReplace("Data", "", 0) == 0) k.edit.SetCaretXY(k.edit.BlockEnd());
       }},
      {"a search, then the caret goes elsewhere", model,
       [](TKeptPicture& k) {
         k.Caret(1, 1);
         k.edit.SearchReplace("Parameter", "", 0);
         k.Update();
         k.Caret(1, 6);
       }},
      {"replacing every match", model,
       [](TKeptPicture& k) {
         k.Caret(1, 1);
         k.edit.SearchReplace("a", "", 0);
         k.Update();
         k.edit.SearchReplace("x", "xx", ssoReplaceAll | ssoEntireScope);
       }},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.name);
    TKeptPicture k(c.text);
    c.act(k);
    EXPECT_EQ(k.StaleLines(), std::vector<int>{});
  }
}

}  // namespace
}  // namespace qv
