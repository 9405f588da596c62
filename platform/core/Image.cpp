#include "platform/core/Image.h"

#include <algorithm>

#include "platform/core/RecordingCanvas.h"

namespace qv {

namespace {

// How images get a canvas: one per process, set by the drawing layer the
// program runs with (the Qt one, or the recording canvas by default).
TImage::TCanvasFactory& Factory() {
  static TImage::TCanvasFactory f;
  return f;
}

}  // namespace

TImage::TImage(int width, int height, TColor fill) { SetSize(width, height, fill); }

TImage::~TImage() = default;

TImage::TImage(const TImage& other)
    : width_(other.width_), height_(other.height_), pixels_(other.pixels_) {}

TImage& TImage::operator=(const TImage& other) {
  if (this != &other) {
    CloseCanvas();
    width_ = other.width_;
    height_ = other.height_;
    pixels_ = other.pixels_;
  }
  return *this;
}

void TImage::SetSize(int width, int height, TColor fill) {
  CloseCanvas();
  width_ = std::max(0, width);
  height_ = std::max(0, height);
  pixels_.assign(std::size_t(width_) * std::size_t(height_), ToPixel(ColorToRGB(fill)));
}

void TImage::Fill(TColor c) {
  CloseCanvas();
  std::fill(pixels_.begin(), pixels_.end(), ToPixel(ColorToRGB(c)));
}

TColor TImage::Pixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return clNone;
  return FromPixel(pixels_[std::size_t(y) * width_ + x]);
}

void TImage::SetPixel(int x, int y, TColor c) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
  pixels_[std::size_t(y) * width_ + x] = ToPixel(ColorToRGB(c));
}

TCanvas& TImage::Canvas() {
  if (!canvas_) {
    if (Factory()) canvas_ = Factory()(*this);
    if (!canvas_) canvas_ = std::make_unique<TRecordingCanvas>(Rect(0, 0, width_, height_));
  }
  return *canvas_;
}

void TImage::CloseCanvas() { canvas_.reset(); }

void TImage::SetCanvasFactory(TCanvasFactory f) { Factory() = std::move(f); }

}  // namespace qv
