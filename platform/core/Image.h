// An RGB image in memory (the bitmap of the class library) at 96 dots per
// inch, with a canvas to draw on it.
//
// Pixels are 32-bit 0xFFRRGGBB words, rows top-down without padding; this is
// the layout of Qt's RGB32 images, so the Qt canvas draws straight into the
// buffer. Pixel()/SetPixel() speak TColor (0x00BBGGRR).
//
// Canvas() gives a canvas drawing into this image. It comes from the image
// canvas factory: the Qt layer installs one that paints real pixels
// (InstallQtGraphics()); without it a recording canvas stands in, so cores
// built without Qt still run. Resizing the image closes its canvas; the next
// Canvas() call opens a new one.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "platform/core/Graphics.h"

namespace qv {

class TCanvas;

class TImage {
 public:
  TImage() = default;
  TImage(int width, int height, TColor fill = clWhite);
  ~TImage();
  TImage(const TImage& other);
  TImage& operator=(const TImage& other);

  int Width() const { return width_; }
  int Height() const { return height_; }
  bool Empty() const { return width_ <= 0 || height_ <= 0; }
  // New size, every pixel set to fill; closes an open canvas.
  void SetSize(int width, int height, TColor fill = clWhite);
  void Fill(TColor c);

  TColor Pixel(int x, int y) const;       // clNone outside
  void SetPixel(int x, int y, TColor c);  // ignored outside
  std::uint32_t* ScanLine(int y) { return pixels_.data() + std::size_t(y) * width_; }
  const std::uint32_t* ScanLine(int y) const { return pixels_.data() + std::size_t(y) * width_; }
  std::uint32_t* Bits() { return pixels_.data(); }
  const std::uint32_t* Bits() const { return pixels_.data(); }

  TCanvas& Canvas();
  // Finishes drawing on the canvas (pending output reaches the pixels).
  void CloseCanvas();

  static constexpr int PixelsPerInch = ScreenPixelsPerInch;

  static constexpr std::uint32_t ToPixel(TColor c) {
    return 0xFF000000u | ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
  }
  static constexpr TColor FromPixel(std::uint32_t p) {
    return ((p >> 16) & 0xFF) | (p & 0xFF00) | ((p & 0xFF) << 16);
  }

  using TCanvasFactory = std::function<std::unique_ptr<TCanvas>(TImage&)>;
  static void SetCanvasFactory(TCanvasFactory f);

 private:
  int width_ = 0;
  int height_ = 0;
  std::vector<std::uint32_t> pixels_;
  std::unique_ptr<TCanvas> canvas_;
};

}  // namespace qv
