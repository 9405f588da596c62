// Feeds arbitrary bytes to the completion pop-up as item texts (with their
// pretty-text codes) and as keys typed into the open list: drawing, the
// narrowing and the selection must stay within the list and the text.
// The input is split at byte 0xFF: the first pieces are items, the last
// one holds the keys.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "editor/CodeCompletionProposal.h"
#include "editor/CodeEdit.h"
#include "platform/core/RecordingCanvas.h"

using namespace qv;

namespace {

void Check(bool Ok, const char* What) {
  if (Ok) return;
  std::fprintf(stderr, "completion fuzz: %s\n", What);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  static TFakeFontService fonts(7, 13);
  SetFontService(&fonts);
  std::vector<std::string> pieces(1);
  for (size_t i = 0; i < Size; ++i) {
    if (Data[i] == 0xFF)
      pieces.emplace_back();
    else
      pieces.back() += char(Data[i]);
  }
  const std::string keys = pieces.back();
  pieces.pop_back();

  TCodeEdit edit;
  edit.SetText("x = ");
  edit.SetCaretXY(TPoint(5, 1));
  TCodeCompletionProposal p;
  p.SetOptions(TCodeCompletionOptions(keys.empty() ? 0x3C : uint8_t(keys[0]) & 0xBF));
  p.SetNbLinesInWindow(keys.size() > 1 ? uint8_t(keys[1]) % 12 : 8);
  p.SetTitle(pieces.empty() ? std::string() : pieces.front());
  for (const std::string& item : pieces) p.AddItem(item, item + "()");
  p.SetEditor(&edit);
  p.ActivateForEditor(&edit);

  TRecordingCanvas canvas(TRect(0, 0, 300, 200), &fonts);
  for (size_t i = 2; i < keys.size() && p.Active(); ++i) {
    const uint8_t b = uint8_t(keys[i]);
    if (b < 0x20) {
      static const int vks[] = {VK_UP,   VK_DOWN, VK_PRIOR, VK_NEXT,  VK_HOME, VK_END,
                                VK_BACK, VK_TAB,  VK_SPACE, VK_SHIFT, VK_LEFT};
      int key = vks[b % (sizeof(vks) / sizeof(vks[0]))];
      p.Form().KeyDown(key, b & 0x10 ? ssCtrl : 0);
    } else {
      char32_t ch = b;
      p.Form().KeyPress(ch);
    }
    TCodeBaseCompletionProposalForm& f = p.Form();
    const int count = f.ItemList().Count();
    Check(count == 0 || (f.Position() >= 0 && f.Position() < count), "position outside list");
    Check(f.ScrollPos() >= 0 && f.ScrollPos() <= f.ScrollMax(), "scroll position");
    for (int v = 0; v < count; ++v)
      Check(f.FullIndex(v) >= 0 && f.FullIndex(v) < f.InsertList().Count(), "full index");
    canvas.Clear();
    f.Paint(canvas, TRect(0, 0, 300, 200));
  }
  for (const std::string& item : pieces) {
    canvas.Clear();
    PrettyTextOut(canvas, 0, 0, item, false, true, "constructor");
  }
  p.SetEditor(nullptr);
  SetFontService(nullptr);
  return 0;
}
