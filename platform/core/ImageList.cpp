#include "platform/core/ImageList.h"

#include <algorithm>

namespace qv {

TChangeLink::~TChangeLink() {
  if (sender_) sender_->UnRegisterChanges(this);
}

TCustomImageList::TCustomImageList(int width, int height)
    : width_(std::max(width, 1)), height_(std::max(height, 1)) {}

TCustomImageList::~TCustomImageList() {
  std::vector<TChangeLink*> links;
  links.swap(links_);
  for (TChangeLink* l : links) {
    l->sender_ = nullptr;
    if (l->OnFree) l->OnFree();
  }
}

void TCustomImageList::SetSize(int width, int height) {
  width = std::max(width, 1);
  height = std::max(height, 1);
  if (width == width_ && height == height_) return;
  width_ = width;
  height_ = height;
  images_.clear();
  std::fill(std::begin(overlays_), std::end(overlays_), -1);
  Change();
}

void TCustomImageList::SetBkColor(TColor c) {
  if (c == bkColor_) return;
  bkColor_ = c;
  Change();
}

TCustomImageList::TEntry TCustomImageList::MakeEntry(const TImage& image,
                                                     std::vector<std::uint8_t> mask) const {
  TEntry e;
  e.Image = TImage(width_, height_, clBlack);
  e.Mask.assign(std::size_t(width_) * height_, 0);
  for (int y = 0; y < std::min(height_, image.Height()); ++y)
    for (int x = 0; x < std::min(width_, image.Width()); ++x) {
      e.Image.SetPixel(x, y, image.Pixel(x, y));
      e.Mask[std::size_t(y) * width_ + x] = mask[std::size_t(y) * image.Width() + x];
    }
  // The opaque pixels as runs of rectangles.
  for (int y = 0; y < height_; ++y) {
    int x = 0;
    while (x < width_) {
      while (x < width_ && !e.Mask[std::size_t(y) * width_ + x]) ++x;
      const int start = x;
      while (x < width_ && e.Mask[std::size_t(y) * width_ + x]) ++x;
      if (x > start) e.Region.Combine(TRegion::FromRect(TRect(start, y, x, y + 1)), RGN_OR);
    }
  }
  return e;
}

namespace {

// Opacity per pixel of an image: 0 where the mask is white.
std::vector<std::uint8_t> OpacityFromMask(const TImage& image, const TImage* mask) {
  std::vector<std::uint8_t> m(std::size_t(image.Width()) * image.Height(), 1);
  if (mask)
    for (int y = 0; y < image.Height(); ++y)
      for (int x = 0; x < image.Width(); ++x)
        m[std::size_t(y) * image.Width() + x] = mask->Pixel(x, y) == clWhite ? 0 : 1;
  return m;
}

}  // namespace

int TCustomImageList::Add(const TImage& image, const TImage* mask) {
  images_.push_back(MakeEntry(image, OpacityFromMask(image, mask)));
  Change();
  return Count() - 1;
}

int TCustomImageList::AddMasked(const TImage& image, TColor maskColor) {
  const TColor key = ColorToRGB(maskColor);
  std::vector<std::uint8_t> m(std::size_t(image.Width()) * image.Height(), 1);
  for (int y = 0; y < image.Height(); ++y)
    for (int x = 0; x < image.Width(); ++x)
      if (image.Pixel(x, y) == key) m[std::size_t(y) * image.Width() + x] = 0;
  images_.push_back(MakeEntry(image, std::move(m)));
  Change();
  return Count() - 1;
}

void TCustomImageList::Replace(int index, const TImage& image, const TImage* mask) {
  if (index < 0 || index >= Count()) return;
  images_[std::size_t(index)] = MakeEntry(image, OpacityFromMask(image, mask));
  Change();
}

void TCustomImageList::Delete(int index) {
  if (index < 0 || index >= Count()) return;
  images_.erase(images_.begin() + index);
  for (int& o : overlays_)
    if (o == index)
      o = -1;
    else if (o > index)
      --o;
  Change();
}

void TCustomImageList::Clear() {
  images_.clear();
  std::fill(std::begin(overlays_), std::end(overlays_), -1);
  Change();
}

bool TCustomImageList::Overlay(int imageIndex, int overlay) {
  if (overlay < 0 || overlay > 3 || imageIndex < 0 || imageIndex >= Count()) return false;
  overlays_[overlay] = imageIndex;
  Change();
  return true;
}

int TCustomImageList::OverlayImage(int overlay) const {
  return overlay >= 0 && overlay <= 3 ? overlays_[overlay] : -1;
}

const TImage& TCustomImageList::Image(int index) const {
  static const TImage empty;
  return index >= 0 && index < Count() ? images_[std::size_t(index)].Image : empty;
}

bool TCustomImageList::Opaque(int index, int x, int y) const {
  if (index < 0 || index >= Count() || x < 0 || y < 0 || x >= width_ || y >= height_) return false;
  return images_[std::size_t(index)].Mask[std::size_t(y) * width_ + x] != 0;
}

void TCustomImageList::DrawImage(TCanvas& c, int x, int y, int index, TDrawingStyle style,
                                 bool enabled, TColor background) const {
  const TEntry& e = images_[std::size_t(index)];
  TImage look = e.Image;
  const TColor blend = ColorToRGB(blendColor_);
  const bool blended = style == dsFocus || style == dsSelected;
  const int weight = style == dsFocus ? 25 : 50;  // percent of the highlight
  for (int py = 0; py < height_; ++py)
    for (int px = 0; px < width_; ++px) {
      TColor p = look.Pixel(px, py);
      int r = GetRValue(p), g = GetGValue(p), b = GetBValue(p);
      if (blended) {
        r = (r * (100 - weight) + GetRValue(blend) * weight) / 100;
        g = (g * (100 - weight) + GetGValue(blend) * weight) / 100;
        b = (b * (100 - weight) + GetBValue(blend) * weight) / 100;
      }
      if (!enabled) {
        // The disabled look: a light grey of the pixel's brightness.
        const int grey = 128 + (r * 30 + g * 59 + b * 11) / 200;
        r = g = b = std::min(grey, 255);
      }
      look.SetPixel(px, py, RGB(r, g, b));
    }
  if (background != clNone && style != dsTransparent) {
    c.Brush.SetStyle(bsSolid);
    c.Brush.SetColor(background);
    c.FillRect(Bounds(x, y, width_, height_));
  }
  TRegion clip = e.Region;
  const TPoint origin = c.LPtoDP(TPoint(x, y));
  clip.Offset(origin.X, origin.Y);
  c.PushClip();
  c.SelectClipRegion(clip, RGN_AND);
  c.Draw(x, y, look);
  c.PopClip();
}

void TCustomImageList::DrawOverlay(TCanvas& c, int x, int y, int index, int overlay,
                                   TDrawingStyle style, bool enabled) const {
  DrawOverlayOn(c, x, y, index, overlay, style, bkColor_, enabled);
}

void TCustomImageList::DrawOverlayOn(TCanvas& c, int x, int y, int index, int overlay,
                                     TDrawingStyle style, TColor background, bool enabled) const {
  if (index < 0 || index >= Count()) return;
  DrawImage(c, x, y, index, style, enabled, background);
  const int ov = OverlayImage(overlay);
  if (ov >= 0) DrawImage(c, x, y, ov, dsTransparent, enabled, background);
}

void TCustomImageList::RegisterChanges(TChangeLink* link) {
  if (!link || link->sender_ == this) return;
  if (link->sender_) link->sender_->UnRegisterChanges(link);
  link->sender_ = this;
  links_.push_back(link);
}

void TCustomImageList::UnRegisterChanges(TChangeLink* link) {
  if (!link) return;
  links_.erase(std::remove(links_.begin(), links_.end(), link), links_.end());
  if (link->sender_ == this) link->sender_ = nullptr;
}

void TCustomImageList::Change() {
  if (updateCount_ > 0) {
    changed_ = true;
    return;
  }
  changed_ = false;
  std::vector<TChangeLink*> links = links_;
  for (TChangeLink* l : links)
    if (std::find(links_.begin(), links_.end(), l) != links_.end() && l->OnChange) l->OnChange();
}

void TCustomImageList::EndUpdate() {
  if (updateCount_ > 0 && --updateCount_ == 0 && changed_) Change();
}

}  // namespace qv
