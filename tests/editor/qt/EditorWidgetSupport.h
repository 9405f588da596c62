// Shared pieces of the editor widget tests: a model text that shows every
// kind of token of the model language, and a widget set up the way the main
// window shows its model editor.
#pragma once

#include <QApplication>
#include <QImage>
#include <string>

#include "editor/CodeHighlighterSample.h"
#include "editor/qt/CodeEditWidget.h"
#include "platform/gui/QtCanvas.h"

namespace qv::test {

// A small curve-fitting model: keywords, names, numbers, a string, both
// comment forms, TABs and trailing spaces.
inline const char* kSampleModel =
    "Title \"Exponential decay\";  \n"
    "{ observed counts against time }\n"
    "Variable t, y;\n"
    "Parameter a[0,100], b[0,5];\n"
    "Function y = a*exp(-b*t);\t// the decay\n"
    "\tData;\n"
    "0\t98.2\n"
    "1\t60.1\n"
    "2\t36.9\n";

// A model editor: line numbers, the model highlighter, 400 x 240 pixels.
struct TModelEditorView {
  TCodeSampleSyn syn;
  TCodeEditWidget widget;
  TCodeEdit& edit = widget.Edit();
  explicit TModelEditorView(const std::string& Text = kSampleModel, int Width = 400,
                            int Height = 240) {
    edit.Gutter().SetShowLineNumbers(true);
    edit.SetHighlighter(&syn);
    edit.SetText(Text);
    widget.resize(Width, Height);
  }
  ~TModelEditorView() { edit.SetHighlighter(nullptr); }
  TModelEditorView(const TModelEditorView&) = delete;
  TModelEditorView& operator=(const TModelEditorView&) = delete;
  // The client area as painted now.
  QImage Shot() { return widget.viewport()->grab().toImage(); }
};

}  // namespace qv::test
