#include "editor/CodeEditExport.h"

#include <climits>

#include "editor/CodeEditMiscProcs.h"

namespace qv {

static const char* const SYNS_Untitled = "Untitled";

TCodeCustomExporter::TCodeCustomExporter() : title_(SYNS_Untitled) { SetupDefaultFont(); }

void TCodeCustomExporter::SetupDefaultFont() {
  TFont f;
  f.SetName("Courier New");
  f.SetSize(10);
  f.SetColor(clBlack);
  f.SetStyle(TFontStyles());
  font_.Assign(f);
}

void TCodeCustomExporter::Clear() {
  buffer_.clear();
  lastBg_ = clWindow;
  lastFg_ = clWindowText;
  lastStyle_ = TFontStyles();
}

void TCodeCustomExporter::SetExportAsText(bool Value) {
  if (exportAsText_ != Value) {
    exportAsText_ = Value;
    Clear();
  }
}

void TCodeCustomExporter::SetFont(const TFont* Value) {
  if (Value)
    font_.Assign(*Value);
  else
    SetupDefaultFont();
}

void TCodeCustomExporter::SetHighlighter(TCodeCustomHighlighter* Value) {
  if (highlighter_ != Value) {
    highlighter_ = Value;
    Clear();
  }
}

void TCodeCustomExporter::SetTitle(const std::string& Value) {
  title_ = Value.empty() ? std::string(SYNS_Untitled) : Value;
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
  if (!ALines || !highlighter_ || ALines->Count() == 0) return abort();
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
  buffer_.reserve(size_t(std::max(4096, 128 * (Stop.Y - Start.Y))));
  highlighter_->ResetRange();
  firstAttribute_ = true;
  for (int i = Start.Y; i <= Stop.Y; ++i) {
    std::string line = ALines->Get(i - 1);
    if (i == Stop.Y) line.erase(UTF8CharToByteIndex(line, size_t(Stop.X - 1)));
    if (i == Start.Y) line.erase(0, UTF8CharToByteIndex(line, size_t(Start.X - 1)));
    highlighter_->SetLine(line, i - 1);
    while (!highlighter_->GetEol()) {
      const TCodeHighlighterAttributes* attr = highlighter_->GetTokenAttribute();
      const std::string token = highlighter_->GetToken();
      const bool isSpace = token.find_first_not_of(' ') == std::string::npos;
      SetTokenAttribute(isSpace, attr);
      AddData(ReplaceChars(token));
      highlighter_->Next();
    }
    WriteLineBreak();
  }
  if (!firstAttribute_) WriteLastAttributeEnd();
  const std::string header = GetDocumentHeader();
  buffer_.insert(0, header);
  buffer_ += GetDocumentFooter();
  return true;
}

void TCodeCustomExporter::SetTokenAttribute(bool IsSpace, const TCodeHighlighterAttributes* Attri) {
  static const TCodeHighlighterAttributes plain("");
  if (!Attri) Attri = &plain;
  const TColor bg = Attri->Background() == clNone ? backgroundColor_ : Attri->Background();
  const TColor fg = Attri->Foreground() == clNone ? font_.Color() : Attri->Foreground();
  const TFontStyles style = Attri->Style();
  if (firstAttribute_) {
    firstAttribute_ = false;
    lastBg_ = bg;
    lastFg_ = fg;
    lastStyle_ = style;
    WriteFirstAttributeStart(useBackground_ && lastBg_ != backgroundColor_,
                             lastFg_ != font_.Color(), style);
    return;
  }
  const bool bgChanged = useBackground_ && bg != lastBg_;
  const bool fgChanged = !IsSpace && fg != lastFg_;
  if (bgChanged || fgChanged || style != lastStyle_) {
    const TFontStyles ended = IsSpace ? TFontStyles() : lastStyle_ - style;
    WriteAttributeEnd(ended, fgChanged, bgChanged);
    const TFontStyles previous = lastStyle_;
    lastBg_ = bg;
    if (!IsSpace) {
      lastFg_ = fg;
      lastStyle_ = style;
    }
    WriteAttributeStart(bgChanged, fgChanged, IsSpace ? TFontStyles() : style - previous);
  }
}

void TCodeCustomExporter::SaveToFile(const std::string& FileName) const {
  writeFileAtomic(FileName, buffer_);
}

void TCodeCustomExporter::SaveToStream(TStream& Stream) const {
  Stream.WriteBuffer(buffer_.data(), static_cast<int64_t>(buffer_.size()));
}

void TCodeCustomExporter::CopyToClipboard(TClipboardService& Clipboard) const {
  TClipboardData data;
  const std::string name = GetClipboardFormatName();
  if (name.empty())
    data.Text = buffer_;
  else
    data.Formats[name] = buffer_;
  Clipboard.SetData(data);
}

}  // namespace qv
