// An image list (the class library's TCustomImageList): images of one size,
// each with a transparency mask, drawn in a normal, focused, selected or
// disabled look, with up to four overlay images.
//
// Images are copied in; pixels of the mask colour (AddMasked) or pixels
// whose mask pixel is white (Add with a mask) are transparent. Drawing
// clips to the opaque pixels, so what lies under the image shows through,
// unless BkColor is a colour: then the image's rectangle is filled with it
// first. Controls watch a list through a TChangeLink: OnChange after every
// change, OnFree when the list is destroyed (the link is then detached).
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "platform/core/Canvas.h"
#include "platform/core/Image.h"

namespace qv {

class TCustomImageList;

// Drawing looks (the class library's order).
enum TDrawingStyle : std::uint8_t { dsFocus, dsSelected, dsNormal, dsTransparent };

class TChangeLink {
 public:
  TChangeLink() = default;
  ~TChangeLink();
  TChangeLink(const TChangeLink&) = delete;
  TChangeLink& operator=(const TChangeLink&) = delete;
  TCustomImageList* Sender() const { return sender_; }
  std::function<void()> OnChange;
  std::function<void()> OnFree;

 private:
  friend class TCustomImageList;
  TCustomImageList* sender_ = nullptr;
};

class TCustomImageList {
 public:
  explicit TCustomImageList(int width = 16, int height = 16);
  virtual ~TCustomImageList();
  TCustomImageList(const TCustomImageList&) = delete;
  TCustomImageList& operator=(const TCustomImageList&) = delete;

  int Width() const { return width_; }
  int Height() const { return height_; }
  // A new size clears the list.
  void SetSize(int width, int height);
  int Count() const { return int(images_.size()); }
  // clNone: transparent pixels show what lies under the image.
  TColor BkColor() const { return bkColor_; }
  void SetBkColor(TColor c);
  // Highlight colour blended into the focused and selected looks.
  TColor BlendColor() const { return blendColor_; }
  void SetBlendColor(TColor c) { blendColor_ = c; }

  // Adds an image, cut or padded to the list's size; with a mask, white mask
  // pixels are transparent. Returns the new index.
  int Add(const TImage& image, const TImage* mask = nullptr);
  // Adds an image whose pixels of maskColor are transparent.
  int AddMasked(const TImage& image, TColor maskColor);
  void Replace(int index, const TImage& image, const TImage* mask = nullptr);
  void Delete(int index);
  void Clear();
  // Registers image imageIndex as overlay number overlay (0..3).
  bool Overlay(int imageIndex, int overlay);
  // The image registered as overlay number overlay, or -1.
  int OverlayImage(int overlay) const;

  const TImage& Image(int index) const;
  // Whether the pixel of an image is opaque.
  bool Opaque(int index, int x, int y) const;

  // Draws an image at (x, y) (nothing for an index outside the list).
  void Draw(TCanvas& canvas, int x, int y, int index, bool enabled = true) const {
    DrawOverlay(canvas, x, y, index, -1, dsNormal, enabled);
  }
  // Draws an image in a look, with overlay number overlay (-1: none) on top.
  void DrawOverlay(TCanvas& canvas, int x, int y, int index, int overlay, TDrawingStyle style,
                   bool enabled = true) const;
  // DrawOverlay on a background of its own instead of BkColor (clNone:
  // none), leaving the list as it is: a control that shares a list draws
  // with its own colour without telling the list's other users of a change.
  void DrawOverlayOn(TCanvas& canvas, int x, int y, int index, int overlay, TDrawingStyle style,
                     TColor background, bool enabled = true) const;

  void RegisterChanges(TChangeLink* link);
  void UnRegisterChanges(TChangeLink* link);
  // Tells every link about a change; lists changed in place call it.
  void Change();
  void BeginUpdate() { ++updateCount_; }
  void EndUpdate();

 private:
  struct TEntry {
    TImage Image;
    std::vector<std::uint8_t> Mask;  // 1 = opaque, row by row
    TRegion Region;                  // the opaque pixels, image coordinates
  };
  TEntry MakeEntry(const TImage& image, std::vector<std::uint8_t> mask) const;
  void DrawImage(TCanvas& canvas, int x, int y, int index, TDrawingStyle style, bool enabled,
                 TColor background) const;
  int width_, height_;
  TColor bkColor_ = clNone;
  TColor blendColor_ = clHighlight;
  std::vector<TEntry> images_;
  int overlays_[4] = {-1, -1, -1, -1};
  std::vector<TChangeLink*> links_;
  int updateCount_ = 0;
  bool changed_ = false;
};

}  // namespace qv
