// Loads arbitrary bytes as an editor text, saves and reloads it, highlights
// every line, exports the result and searches it: nothing may crash, and a
// saved text must load back to the same lines.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "editor/CodeEditSearch.h"
#include "editor/CodeEditTextBuffer.h"
#include "editor/CodeExportHTML.h"
#include "editor/CodeExportRTF.h"
#include "editor/CodeHighlighterSample.h"

using namespace qv;

extern "C" void QvFuzzSeeds(std::vector<std::string>* seeds) {
  seeds->push_back("\x01{ comment\r\nVariables x, y; // note // z\r\n\"str\ny = A*exp(-k*x)\n}");
  seeds->push_back(
      std::string("\x02"
                  "caf\xE9\0tab\there\rmac\r\r",
                  20));
  seeds->push_back("\x03" + std::string(300, 'w') + " " + std::string(100, ',') +
                   "\xF0\x9F\x98\x80");
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const uint8_t mode = data[0];
  const std::string bytes(reinterpret_cast<const char*>(data) + 1, size - 1);

  TCodeEditStringList lines;
  lines.SetWrapWidth(1 + mode % 40);
  lines.SetWordWrap(mode & 1);
  lines.SetTabWidth(1 + (mode >> 4));
  lines.LoadFromBytes(bytes);
  lines.GetLengthOfLongestLine();
  lines.SetAppendBreakAtEnd(true);

  const std::string saved = lines.SaveToBytes();
  TCodeEditStringList again;
  again.SetWordWrap(false);
  again.LoadFromBytes(saved);
  TCodeEditStringList logical;
  logical.LoadFromBytes(saved);
  lines.SetWordWrap(false);  // back to logical lines
  if (again.Count() != lines.Count()) {
    fprintf(stderr, "count %d %d\n", again.Count(), lines.Count());
    std::abort();
  }
  for (int i = 0; i < lines.Count(); ++i)
    if (again.Get(i) != lines.Get(i)) std::abort();

  TCodeSampleSyn hl;
  int32_t range = 0;
  for (int i = 0; i < lines.Count(); ++i) {
    const TCodeLineHighlight h = HighlightLine(hl, lines.Get(i), range, i);
    std::string joined;
    for (const auto& run : h.Runs) joined += run.Text;
    if (joined != lines.Get(i)) {
      fprintf(stderr, "tokens [%s]\n", lines.Get(i).c_str());
      std::abort();
    }  // tokens cover the line exactly
    range = h.Range;
  }

  TCodeExporterRTF rtf;
  rtf.SetHighlighter(&hl);
  rtf.ExportRange(&lines, TPoint(1 + mode % 5, 1), TPoint(1 + (mode >> 3), lines.Count()));
  TCodeExporterHTML html;
  html.SetExportAsText(mode & 2);
  html.SetHighlighter(&hl);
  html.ExportAll(&lines);

  if (bytes.size() >= 2) {
    TCodeEditSearch search;
    search.SetPattern(bytes.substr(0, 1 + static_cast<uint8_t>(bytes[0]) % 3));
    search.SetSensitive(mode & 4);
    search.SetWhole(mode & 8);
    for (int i = 0; i < lines.Count(); ++i) search.FindAll(lines.Get(i));
  }
  return 0;
}
