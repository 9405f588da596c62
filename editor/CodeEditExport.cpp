#include "editor/CodeEditExport.h"

#include <climits>

#include "editor/CodeEditMiscProcs.h"

namespace qv {

static const char* const SYNS_Untitled = "Untitled";

TCodeCustomExporter::TCodeCustomExporter() : fTitle(SYNS_Untitled) { SetupDefaultFont(); }

void TCodeCustomExporter::SetupDefaultFont() {
  TFont f;
  f.SetName("Courier New");
  f.SetSize(10);
  f.SetColor(clBlack);
  f.SetStyle(TFontStyles());
  fFont.Assign(f);
}

void TCodeCustomExporter::Clear() {
  fBuffer.clear();
  fLastBG = clWindow;
  fLastFG = clWindowText;
  fLastStyle = TFontStyles();
}

void TCodeCustomExporter::SetExportAsText(bool Value) {
  if (fExportAsText != Value) {
    fExportAsText = Value;
    Clear();
  }
}

void TCodeCustomExporter::SetFont(const TFont* Value) {
  if (Value)
    fFont.Assign(*Value);
  else
    SetupDefaultFont();
}

void TCodeCustomExporter::SetHighlighter(TCodeCustomHighlighter* Value) {
  if (fHighlighter != Value) {
    fHighlighter = Value;
    Clear();
  }
}

void TCodeCustomExporter::SetTitle(const std::string& Value) {
  fTitle = Value.empty() ? std::string(SYNS_Untitled) : Value;
}

bool TCodeCustomExporter::ExportAll(const TStrings* ALines) {
  return ExportRange(ALines, TPoint(1, 1), TPoint(INT_MAX, INT_MAX));
}

std::string TCodeCustomExporter::ReplaceChars(const std::string& AText) const {
  std::string out;
  out.reserve(AText.size());
  std::string rep;
  for (size_t i = 0; i < AText.size();) {
    const size_t start = i;
    const char32_t c = UTF8NextChar(AText, i);
    if (GetCharReplacement(c, rep))
      out += rep;
    else
      out.append(AText, start, i - start);
  }
  return out;
}

bool TCodeCustomExporter::ExportRange(const TStrings* ALines, TPoint Start, TPoint Stop) {
  auto abort = [this] {
    Clear();
    return false;
  };
  if (!ALines || !fHighlighter || ALines->Count() == 0) return abort();
  const int count = ALines->Count();
  if (Start.Y < 1) Start.Y = 1;
  if (Start.Y > count || Start.Y > Stop.Y) return abort();
  Stop.Y = IntClamp(Stop.Y, 1, count);
  const int stopLen = static_cast<int>(UTF8CharCount(ALines->Get(Stop.Y - 1)));
  Stop.X = IntClamp(Stop.X, 1, stopLen + 1);
  const int startLen = static_cast<int>(UTF8CharCount(ALines->Get(Start.Y - 1)));
  Start.X = IntClamp(Start.X, 1, startLen + 1);
  if (Start.Y == Stop.Y && Start.X >= Stop.X) return abort();

  Clear();
  fBuffer.reserve(size_t(std::max(4096, 128 * (Stop.Y - Start.Y))));
  fHighlighter->ResetRange();
  fFirstAttribute = true;
  for (int i = Start.Y; i <= Stop.Y; ++i) {
    std::string line = ALines->Get(i - 1);
    if (i == Stop.Y) line.erase(UTF8CharToByteIndex(line, size_t(Stop.X - 1)));
    if (i == Start.Y) line.erase(0, UTF8CharToByteIndex(line, size_t(Start.X - 1)));
    fHighlighter->SetLine(line, i - 1);
    while (!fHighlighter->GetEol()) {
      const TCodeHighlighterAttributes* attr = fHighlighter->GetTokenAttribute();
      const std::string token = fHighlighter->GetToken();
      const bool isSpace = token.find_first_not_of(' ') == std::string::npos;
      SetTokenAttribute(isSpace, attr);
      AddData(ReplaceChars(token));
      fHighlighter->Next();
    }
    WriteLineBreak();
  }
  if (!fFirstAttribute) WriteLastAttributeEnd();
  const std::string header = GetDocumentHeader();
  fBuffer.insert(0, header);
  fBuffer += GetDocumentFooter();
  return true;
}

void TCodeCustomExporter::SetTokenAttribute(bool IsSpace, const TCodeHighlighterAttributes* Attri) {
  static const TCodeHighlighterAttributes plain("");
  if (!Attri) Attri = &plain;
  const TColor bg = Attri->Background() == clNone ? fBackgroundColor : Attri->Background();
  const TColor fg = Attri->Foreground() == clNone ? fFont.Color() : Attri->Foreground();
  const TFontStyles style = Attri->Style();
  if (fFirstAttribute) {
    fFirstAttribute = false;
    fLastBG = bg;
    fLastFG = fg;
    fLastStyle = style;
    WriteFirstAttributeStart(fUseBackground && fLastBG != fBackgroundColor,
                             fLastFG != fFont.Color(), style);
    return;
  }
  const bool bgChanged = fUseBackground && bg != fLastBG;
  const bool fgChanged = !IsSpace && fg != fLastFG;
  if (bgChanged || fgChanged || style != fLastStyle) {
    const TFontStyles ended = IsSpace ? TFontStyles() : fLastStyle - style;
    WriteAttributeEnd(ended, fgChanged, bgChanged);
    const TFontStyles previous = fLastStyle;
    fLastBG = bg;
    if (!IsSpace) {
      fLastFG = fg;
      fLastStyle = style;
    }
    WriteAttributeStart(bgChanged, fgChanged, IsSpace ? TFontStyles() : style - previous);
  }
}

void TCodeCustomExporter::SaveToFile(const std::string& FileName) const {
  writeFileAtomic(FileName, fBuffer);
}

void TCodeCustomExporter::SaveToStream(TStream& Stream) const {
  Stream.WriteBuffer(fBuffer.data(), static_cast<int64_t>(fBuffer.size()));
}

void TCodeCustomExporter::CopyToClipboard(TClipboardService& Clipboard) const {
  TClipboardData data;
  const std::string name = GetClipboardFormatName();
  if (name.empty())
    data.Text = fBuffer;
  else
    data.Formats[name] = fBuffer;
  Clipboard.SetData(data);
}

}  // namespace qv
