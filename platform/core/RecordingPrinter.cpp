#include "platform/core/RecordingPrinter.h"

#include <stdexcept>

namespace qv {

TRecordingPrinter::TRecordingPrinter(int Dpi, int Width, int Height, TFontService* Fonts)
    : fonts_(Fonts), dpi_(Dpi), width_(Width), height_(Height) {}

void TRecordingPrinter::SetMargins(int Left, int Top, int Right, int Bottom) {
  left_ = Left;
  top_ = Top;
  right_ = Right;
  bottom_ = Bottom;
}

void TRecordingPrinter::AddPage() {
  pages_.push_back(std::make_unique<TRecordingCanvas>(TRect(0, 0, width_, height_), fonts_));
}

bool TRecordingPrinter::BeginDoc() {
  if (!available_ || printing_) return false;
  pages_.clear();
  newPages_ = 0;
  printing_ = true;
  aborted_ = false;
  AddPage();
  return true;
}

void TRecordingPrinter::NewPage() {
  if (!printing_) return;
  ++newPages_;
  AddPage();
}

void TRecordingPrinter::EndDoc() {
  if (!printing_) return;
  printing_ = false;
  ++documents_;
}

void TRecordingPrinter::Abort() {
  if (!printing_) return;
  printing_ = false;
  aborted_ = true;
  ++aborts_;
}

TCanvas& TRecordingPrinter::Canvas() {
  if (!printing_) throw std::logic_error("Printer is not printing");
  return *pages_.back();
}

std::vector<std::string> TRecordingPrinter::Texts(size_t Page) const {
  std::vector<std::string> out;
  for (const TCanvasCall& c : pages_.at(Page)->Calls())
    if (c.Op == "TextOut" || c.Op == "ExtTextOut") out.push_back(c.Text);
  return out;
}

}  // namespace qv
