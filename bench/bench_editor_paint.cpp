// Painting cost of the editor: one full screen (800 x 600, line numbers,
// the model highlighter, a selection, special characters and the right
// edge) of a model scrolled to its middle. The cost must not grow with the
// length of the model: compare the 1,000-line and the 100,000-line runs.
// With Qt the screen is painted into an image (real glyphs); the recording
// canvas run shows the editor's own share.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "editor/CodeEdit.h"
#include "editor/CodeHighlighterSample.h"
#include "platform/core/NullControlHost.h"
#include "platform/core/RecordingCanvas.h"
#ifdef QV_HAVE_QT
#include <QImage>

#include "platform/gui/QtCanvas.h"
#endif

using namespace qv;

namespace {

std::string ModelText(int Lines) {
  std::string text;
  text.reserve(size_t(Lines) * 64);
  for (int i = 0; i < Lines; ++i) {
    text += "Function y" + std::to_string(i) + " = a*exp(-b*x) + \"c\";\t{ note }  // comment\r\n";
  }
  return text;
}

struct TPaintBench {
  TCodeSampleSyn highlighter;
  std::unique_ptr<TNullControlHost> host;
  TCodeEdit edit;
  explicit TPaintBench(int Lines, TFontService* Fonts) {
    host = std::make_unique<TNullControlHost>(Rect(0, 0, 800, 600), Fonts);
    edit.SetText(ModelText(Lines));
    edit.SetHighlighter(&highlighter);
    edit.Gutter().SetShowLineNumbers(true);
    edit.SetOptions(edit.Options() | eoShowSpecialChars);
    edit.SetHost(host.get());
    edit.SetTopLine(Lines / 2);
    edit.SetBlockBegin(TPoint(5, Lines / 2 + 3));
    edit.SetBlockEnd(TPoint(20, Lines / 2 + 8));
  }
  ~TPaintBench() {
    edit.SetHost(nullptr);
    edit.SetHighlighter(nullptr);
  }
};

void BM_PaintScreenRecording(benchmark::State& state) {
  TFakeFontService fonts(8, 16);
  TPaintBench b(int(state.range(0)), &fonts);
  TRecordingCanvas canvas(Rect(0, 0, 800, 600), &fonts);
  for (auto _ : state) {
    canvas.Clear();
    b.edit.Paint(canvas, Rect(0, 0, 800, 600));
  }
  state.counters["calls"] = double(canvas.Calls().size());
}
BENCHMARK(BM_PaintScreenRecording)->Arg(1000)->Arg(100000)->Unit(benchmark::kMicrosecond);

#ifdef QV_HAVE_QT
void BM_PaintScreenQtImage(benchmark::State& state) {
  InstallQtGraphics();
  TPaintBench b(int(state.range(0)), nullptr);
  QImage image(800, 600, QImage::Format_RGB32);
  for (auto _ : state) {
    TQtCanvas canvas(image);
    canvas.IntersectClipRect(Rect(0, 0, 800, 600));
    b.edit.Paint(canvas, Rect(0, 0, 800, 600));
  }
  state.counters["rows"] = double(b.edit.LinesInWindow());
}
BENCHMARK(BM_PaintScreenQtImage)->Arg(1000)->Arg(100000)->Unit(benchmark::kMicrosecond);
#endif

}  // namespace

BENCHMARK_MAIN();
