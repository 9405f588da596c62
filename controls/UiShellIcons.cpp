#include "controls/UiShellIcons.h"

#include <algorithm>
#include <memory>

namespace qv {

namespace {

constexpr TColor kTransparent = clFuchsia;
constexpr TColor kOutline = 0x404040;
constexpr TColor kPaper = clWhite;
constexpr TColor kFolder = 0x50C8F0;  // warm yellow
constexpr TColor kFolderDark = 0x2890C8;
constexpr TColor kGrey = 0xB0B0B0;
constexpr TColor kBlue = 0xC07030;

// Drawing on a 16-unit grid, each unit s pixels.
class TPixelPainter {
 public:
  TPixelPainter(TImage& image, int scale) : img_(image), s_(scale) {}
  void Fill(int l, int t, int r, int b, TColor c) {  // units, right/bottom excluded
    for (int y = t * s_; y < b * s_; ++y)
      for (int x = l * s_; x < r * s_; ++x) img_.SetPixel(x, y, c);
  }
  void Frame(int l, int t, int r, int b, TColor c) {
    Fill(l, t, r, t + 1, c);
    Fill(l, b - 1, r, b, c);
    Fill(l, t, l + 1, b, c);
    Fill(r - 1, t, r, b, c);
  }
  void Box(int l, int t, int r, int b, TColor fill, TColor edge) {
    Fill(l, t, r, b, fill);
    Frame(l, t, r, b, edge);
  }

 private:
  TImage& img_;
  int s_;
};

void drawIcon(TShellIcon icon, TImage& img, int scale) {
  img.Fill(kTransparent);
  TPixelPainter p(img, scale);
  auto page = [&] {
    p.Box(3, 1, 13, 15, kPaper, kOutline);
    p.Fill(10, 1, 13, 4, kTransparent);
    p.Frame(10, 1, 11, 4, kOutline);
    p.Fill(10, 3, 13, 4, kOutline);
  };
  auto drive = [&](TColor light) {
    p.Box(1, 6, 15, 12, kGrey, kOutline);
    p.Fill(11, 8, 13, 10, light);
  };
  switch (icon) {
    case siDocument:
      page();
      break;
    case siModel:
      page();
      p.Fill(5, 11, 7, 12, kBlue);
      p.Fill(7, 9, 9, 10, kBlue);
      p.Fill(9, 7, 11, 8, kBlue);
      break;
    case siSheet:
      page();
      for (int y = 5; y < 14; y += 3) p.Fill(5, y, 11, y + 1, kGrey);
      p.Fill(8, 5, 9, 13, kGrey);
      break;
    case siText:
      page();
      for (int y = 6; y < 14; y += 2) p.Fill(5, y, 11, y + 1, kOutline);
      break;
    case siFolder:
      p.Box(1, 3, 7, 5, kFolder, kFolderDark);
      p.Box(1, 4, 15, 14, kFolder, kFolderDark);
      break;
    case siFolderOpen:
      p.Box(1, 3, 7, 5, kFolder, kFolderDark);
      p.Box(1, 4, 14, 14, kFolderDark, kFolderDark);
      p.Box(3, 7, 16, 14, kFolder, kFolderDark);
      break;
    case siComputer:
      p.Box(1, 2, 15, 11, kBlue, kOutline);
      p.Fill(2, 3, 14, 10, 0xF0D090);
      p.Fill(6, 11, 10, 13, kGrey);
      p.Box(3, 13, 13, 15, kGrey, kOutline);
      break;
    case siHome:
      for (int i = 0; i < 6; ++i) p.Fill(7 - i, 2 + i, 9 + i, 3 + i, 0x3030C0);
      p.Box(3, 8, 13, 15, kPaper, kOutline);
      p.Fill(7, 11, 9, 15, kFolderDark);
      break;
    case siDrive:
      drive(0x00C000);
      break;
    case siRemovable:
      drive(0x00C0C0);
      p.Fill(3, 8, 9, 9, kOutline);
      break;
    case siNetwork:
      drive(0x00C000);
      p.Fill(7, 12, 9, 14, kOutline);
      p.Fill(3, 14, 13, 15, kOutline);
      break;
    case siOptical:
      p.Box(2, 2, 14, 14, 0xD8D8D8, kOutline);
      p.Box(6, 6, 10, 10, kTransparent, kOutline);
      break;
    case siShareOverlay:
      p.Box(0, 10, 7, 16, 0xF0B060, kBlue);
      break;
    case siLinkOverlay:
      p.Box(0, 9, 7, 16, kPaper, kOutline);
      p.Fill(2, 11, 5, 12, kBlue);
      p.Fill(4, 11, 5, 14, kBlue);
      p.Fill(2, 13, 3, 14, kBlue);
      break;
    default:
      break;
  }
}

struct TSystemLists {
  TCustomImageList Small{16, 16};
  TCustomImageList Large{32, 32};
  TSystemLists() {
    for (int i = 0; i < siIconCount; ++i) {
      TImage s(16, 16), l(32, 32);
      drawIcon(static_cast<TShellIcon>(i), s, 1);
      drawIcon(static_cast<TShellIcon>(i), l, 2);
      Small.AddMasked(s, kTransparent);
      Large.AddMasked(l, kTransparent);
    }
    for (TCustomImageList* list : {&Small, &Large}) {
      list->Overlay(siShareOverlay, 1);
      list->Overlay(siLinkOverlay, 2);
    }
  }
};

TSystemLists& lists() {
  static TSystemLists l;
  return l;
}

}  // namespace

TCustomImageList& SystemImageList(bool small) { return small ? lists().Small : lists().Large; }

namespace {
// White where the image has the transparent colour.
TImage transparencyMask(const TImage& image) {
  TImage mask(image.Width(), image.Height(), clBlack);
  for (int y = 0; y < image.Height(); ++y)
    for (int x = 0; x < image.Width(); ++x)
      if (image.Pixel(x, y) == kTransparent) mask.SetPixel(x, y, clWhite);
  return mask;
}
}  // namespace

void ReplaceSystemIcon(TShellIcon icon, const TImage& small, const TImage& large) {
  if (icon < 0 || icon >= siIconCount) return;
  const TImage smallMask = transparencyMask(small), largeMask = transparencyMask(large);
  lists().Small.Replace(icon, small, &smallMask);
  lists().Large.Replace(icon, large, &largeMask);
}

}  // namespace qv
