// A folder of 50,000 files in the shell list's contents: enumerating and
// admitting every item (with and without a file filter), sorting by name,
// by size and descending, the texts of the default columns, and a refresh
// that finds nothing changed.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "controls/UiShellList.h"
#include "controls/UiShellListModel.h"
#include "platform/core/FakeControlHost.h"
#include "platform/core/RecordingCanvas.h"

namespace {

constexpr int kFiles = 50000;

// The folder, made once and removed at exit.
struct TBigFolder {
  std::string Root;
  TBigFolder() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "qv-bench-shell-XXXXXX").native();
    Root = ::mkdtemp(tmpl.data());
    for (int i = 0; i < kFiles; ++i) {
      // Mixed names and sizes: "model12345.mff", "data7.csv", "Notes 30.txt".
      const char* stems[] = {"model", "data", "Notes ", "run_"};
      const char* exts[] = {".mff", ".csv", ".txt", ".ssf"};
      const std::string name = Root + "/" + stems[i % 4] + std::to_string((i * 7919) % kFiles) +
                               "_" + std::to_string(i) + exts[(i / 4) % 4];
      const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      if (fd >= 0) {
        if (i % 3 == 0) (void)!::ftruncate(fd, (i % 97) * 1024);
        ::close(fd);
      }
    }
    for (int i = 0; i < 200; ++i)
      std::filesystem::create_directory(Root + "/dir" + std::to_string(i));
  }
  ~TBigFolder() {
    std::error_code ec;
    std::filesystem::remove_all(Root, ec);
  }
  qv::TPidl Pidl() const {
    qv::TPidl p;
    qv::PathToPidl(Root, p);
    return p;
  }
};

const TBigFolder& folder() {
  static TBigFolder f;
  return f;
}

void BM_ListFolder(benchmark::State& state, const char* filter) {
  const qv::TPidl p = folder().Pidl();
  std::size_t n = 0;
  for (auto _ : state) {
    qv::TShellListContents c;
    c.SetFileFilter(filter);
    c.Bind(p.Get());
    auto items = c.Fill();
    n = items.size();
    benchmark::DoNotOptimize(items.data());
  }
  state.counters["items"] = static_cast<double>(n);
}
BENCHMARK_CAPTURE(BM_ListFolder, all, "*")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ListFolder, mff_filter, "*.mff")->Unit(benchmark::kMillisecond);

void BM_ListAndSort(benchmark::State& state) {
  const int column = static_cast<int>(state.range(0));
  const qv::TPidl p = folder().Pidl();
  for (auto _ : state) {
    qv::TShellListContents c;
    c.Bind(p.Get());
    auto items = c.Fill();
    c.Sort(items, column);
    benchmark::DoNotOptimize(items.data());
  }
}
// Name ascending, name descending, size, type, modified.
BENCHMARK(BM_ListAndSort)->Arg(1)->Arg(-1)->Arg(2)->Arg(3)->Arg(4)->Unit(benchmark::kMillisecond);

void BM_SortOnly(benchmark::State& state) {
  const qv::TPidl p = folder().Pidl();
  qv::TShellListContents c;
  c.Bind(p.Get());
  auto items = c.Fill();
  int column = 1;
  for (auto _ : state) {
    c.Sort(items, column);
    column = -column;  // alternate, so each pass really reorders
    benchmark::DoNotOptimize(items.data());
  }
}
BENCHMARK(BM_SortOnly)->Unit(benchmark::kMillisecond);

void BM_DefaultColumnTexts(benchmark::State& state) {
  const qv::TPidl p = folder().Pidl();
  for (auto _ : state) {
    qv::TShellListContents c;
    c.Bind(p.Get());
    auto items = c.Fill();
    std::size_t total = 0;
    for (const auto& i : items)
      for (int col = 0; col < 4; ++col) total += i->ColumnText(col, nullptr).size();
    benchmark::DoNotOptimize(total);
  }
}
BENCHMARK(BM_DefaultColumnTexts)->Unit(benchmark::kMillisecond);

void BM_RefreshUnchanged(benchmark::State& state) {
  const qv::TPidl p = folder().Pidl();
  qv::TShellListContents c;
  c.Bind(p.Get());
  auto items = c.Fill();
  std::vector<const qv::TUiShellListData*> current;
  for (const auto& i : items) current.push_back(i.get());
  for (auto _ : state) {
    auto r = c.Refresh(current);
    if (!r.Added.empty() || !r.Removed.empty()) state.SkipWithError("folder changed");
  }
}
BENCHMARK(BM_RefreshUnchanged)->Unit(benchmark::kMillisecond);

// The whole control: the list fills its items and lays out and paints the
// first screen (small icons, the file browser's view, and report view).
void BM_ShellListControl(benchmark::State& state) {
  const auto view = static_cast<qv::TViewStyle>(state.range(0));
  qv::TFakeFontService fonts(7, 14);
  const std::string root = folder().Root;
  for (auto _ : state) {
    qv::TUiShellList list;
    list.SetOptions(list.Options() & ~qv::SloBit(qv::sloDynamicRefresh));
    list.SetViewStyle(view);
    qv::TFakeControlHost host(&list, 600, 400, &fonts);
    list.Folder().SetPath(root);
    qv::TRecordingCanvas canvas;
    list.Paint(canvas, qv::TRect(0, 0, 600, 400));
    if (list.Items().Count() < kFiles) state.SkipWithError("not filled");
    host.Attach(nullptr);
  }
}
BENCHMARK(BM_ShellListControl)
    ->Arg(qv::vsSmallIcon)
    ->Arg(qv::vsReport)
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
