// Editing speed of the editor control on large models: typing at the end
// of a 100,000-line model, and replacing every one of 100,000 occurrences
// of a word in one step.
#include <benchmark/benchmark.h>

#include <string>

#include "editor/CodeEdit.h"
#include "editor/CodeHighlighterSample.h"
#include "platform/core/NullControlHost.h"
#include "platform/core/RecordingCanvas.h"

using namespace qv;

namespace {

// A model of Lines lines, each with the word "alpha" PerLine times.
std::string ModelText(int Lines, int PerLine) {
  std::string text;
  text.reserve(size_t(Lines) * 48);
  for (int i = 0; i < Lines; ++i) {
    text += "y" + std::to_string(i) + " = ";
    for (int k = 0; k < PerLine; ++k) text += k ? " + alpha" : "alpha";
    text += " * exp(-k * x); { note }\r\n";
  }
  return text;
}

struct TBenchEditor {
  TFakeFontService fonts{8, 16};
  TNullControlHost host{Rect(0, 0, 800, 600), &fonts};
  TCodeSampleSyn highlighter;
  TCodeEdit edit;
  explicit TBenchEditor(const std::string& Text) {
    edit.SetText(Text);
    edit.SetHighlighter(&highlighter);
    edit.SetHost(&host);
  }
  ~TBenchEditor() {
    edit.SetHost(nullptr);
    edit.SetHighlighter(nullptr);
  }
};

// Arg 1: without eoScrollPastEol, where the horizontal scroll range follows
// the longest line.
void BM_TypeAtEndOf100kLineModel(benchmark::State& state) {
  TBenchEditor b(ModelText(100000, 1));
  if (state.range(0) == 1) b.edit.SetOptions(b.edit.Options() & ~eoScrollPastEol);
  b.edit.CommandProcessor(ecEditorBottom, 0, nullptr);
  const std::string word = "param + ";
  size_t n = 0;
  for (auto _ : state) {
    const char c = word[n % word.size()];
    b.edit.CommandProcessor(ecChar, char32_t(c), nullptr);
    if (++n % 64 == 0) b.edit.CommandProcessor(ecLineBreak, U'\r', nullptr);
  }
  state.SetItemsProcessed(int64_t(n));
  state.counters["lines"] = double(b.edit.Lines().Count());
}
BENCHMARK(BM_TypeAtEndOf100kLineModel)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// Lines x words per line = 100,000 occurrences.
void BM_ReplaceAll100kOccurrences(benchmark::State& state) {
  const int perLine = int(state.range(0));
  const std::string text = ModelText(100000 / perLine, perLine);
  int replaced = 0;
  for (auto _ : state) {
    state.PauseTiming();
    auto b = std::make_unique<TBenchEditor>(text);
    state.ResumeTiming();
    replaced = b->edit.SearchReplace("alpha", "beta", ssoReplaceAll | ssoEntireScope);
    state.PauseTiming();
    b.reset();
    state.ResumeTiming();
  }
  state.counters["replaced"] = replaced;
}
BENCHMARK(BM_ReplaceAll100kOccurrences)
    ->Arg(1)
    ->Arg(10)
    ->Arg(100)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
