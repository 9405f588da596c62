#include "editor/CodeEditMiscClasses.h"

#include <map>

#include "editor/CodeEditMiscProcs.h"

namespace qv {

// ---- TCodeSelectedColor ----------------------------------------------------

void TCodeSelectedColor::SetBackground(TColor Value) {
  if (bg_ != Value) {
    bg_ = Value;
    Changed();
  }
}

void TCodeSelectedColor::SetForeground(TColor Value) {
  if (fg_ != Value) {
    fg_ = Value;
    Changed();
  }
}

void TCodeSelectedColor::Assign(const TCodeSelectedColor& Source) {
  bg_ = Source.bg_;
  fg_ = Source.fg_;
  Changed();
}

// ---- TCodeGutter -----------------------------------------------------------

TCodeGutter::TCodeGutter() {
  font_.SetName("Terminal");
  font_.SetSize(8);
  font_.SetStyle(TFontStyles());
  font_.OnChange = [this](TGraphicsObject*) { Changed(); };
}

void TCodeGutter::Assign(const TCodeGutter& Source) {
  if (&Source == this) return;
  font_.Assign(Source.font_);
  autoSize_ = Source.autoSize_;
  color_ = Source.color_;
  digitCount_ = Source.digitCount_;
  leadingZeros_ = Source.leadingZeros_;
  leftOffset_ = Source.leftOffset_;
  rightOffset_ = Source.rightOffset_;
  showLineNumbers_ = Source.showLineNumbers_;
  useFontStyle_ = Source.useFontStyle_;
  visible_ = Source.visible_;
  width_ = Source.width_;
  zeroStart_ = Source.zeroStart_;
  autoSizeDigitCount_ = Source.autoSizeDigitCount_;
  Changed();
}

void TCodeGutter::AutoSizeDigitCount(int LinesCount) {
  if (visible_ && autoSize_ && showLineNumbers_) {
    if (zeroStart_) --LinesCount;
    int digits = static_cast<int>(std::to_string(LinesCount < 0 ? 0 : LinesCount).size());
    digits = IntMax(digits, digitCount_);
    if (digits != autoSizeDigitCount_) {
      autoSizeDigitCount_ = digits;
      Changed();
    }
  } else {
    autoSizeDigitCount_ = digitCount_;
  }
}

std::string TCodeGutter::FormatLineNumber(int Line) const {
  if (zeroStart_) --Line;
  std::string number = std::to_string(Line);
  std::string result;
  if (static_cast<int>(number.size()) < autoSizeDigitCount_)
    result.assign(size_t(autoSizeDigitCount_) - number.size(), ' ');
  result += number;
  if (leadingZeros_) {
    for (size_t i = 0; i + 1 < result.size() && result[i] == ' '; ++i) result[i] = '0';
  }
  return result;
}

int TCodeGutter::RealGutterWidth(int CharWidth) const {
  if (!visible_) return 0;
  if (showLineNumbers_) return leftOffset_ + rightOffset_ + autoSizeDigitCount_ * CharWidth + 2;
  return width_;
}

void TCodeGutter::SetAutoSize(bool Value) {
  if (autoSize_ != Value) {
    autoSize_ = Value;
    Changed();
  }
}

void TCodeGutter::SetColor(TColor Value) {
  if (color_ != Value) {
    color_ = Value;
    Changed();
  }
}

void TCodeGutter::SetDigitCount(int Value) {
  Value = IntClamp(Value, 2, 12);
  if (digitCount_ != Value) {
    digitCount_ = Value;
    autoSizeDigitCount_ = digitCount_;
    Changed();
  }
}

void TCodeGutter::SetLeadingZeros(bool Value) {
  if (leadingZeros_ != Value) {
    leadingZeros_ = Value;
    Changed();
  }
}

void TCodeGutter::SetLeftOffset(int Value) {
  Value = IntMax(0, Value);
  if (leftOffset_ != Value) {
    leftOffset_ = Value;
    Changed();
  }
}

void TCodeGutter::SetRightOffset(int Value) {
  Value = IntMax(0, Value);
  if (rightOffset_ != Value) {
    rightOffset_ = Value;
    Changed();
  }
}

void TCodeGutter::SetShowLineNumbers(bool Value) {
  if (showLineNumbers_ != Value) {
    showLineNumbers_ = Value;
    Changed();
  }
}

void TCodeGutter::SetUseFontStyle(bool Value) {
  if (useFontStyle_ != Value) {
    useFontStyle_ = Value;
    Changed();
  }
}

void TCodeGutter::SetVisible(bool Value) {
  if (visible_ != Value) {
    visible_ = Value;
    Changed();
  }
}

void TCodeGutter::SetWidth(int Value) {
  Value = IntMax(0, Value);
  if (width_ != Value) {
    width_ = Value;
    Changed();
  }
}

void TCodeGutter::SetZeroStart(bool Value) {
  if (zeroStart_ != Value) {
    zeroStart_ = Value;
    Changed();
  }
}

// ---- TCodeBookMarkOpt ------------------------------------------------------

void TCodeBookMarkOpt::Assign(const TCodeBookMarkOpt& Source) {
  bookmarkImages_ = Source.bookmarkImages_;
  drawBookmarksFirst_ = Source.drawBookmarksFirst_;
  enableKeys_ = Source.enableKeys_;
  glyphsVisible_ = Source.glyphsVisible_;
  leftMargin_ = Source.leftMargin_;
  xoffset_ = Source.xoffset_;
  Changed();
}

#define QV_OPT_SETTER(Cls, Name, Type, Field) \
  void Cls::Set##Name(Type Value) {           \
    if (Field != Value) {                     \
      Field = Value;                          \
      Changed();                              \
    }                                         \
  }
QV_OPT_SETTER(TCodeBookMarkOpt, BookmarkImages, void*, bookmarkImages_)
QV_OPT_SETTER(TCodeBookMarkOpt, DrawBookmarksFirst, bool, drawBookmarksFirst_)
QV_OPT_SETTER(TCodeBookMarkOpt, EnableKeys, bool, enableKeys_)
QV_OPT_SETTER(TCodeBookMarkOpt, GlyphsVisible, bool, glyphsVisible_)
QV_OPT_SETTER(TCodeBookMarkOpt, LeftMargin, int, leftMargin_)
QV_OPT_SETTER(TCodeBookMarkOpt, Xoffset, int, xoffset_)
#undef QV_OPT_SETTER

// ---- TCodeEditKbdHandler ---------------------------------------------------

TCodeEditKbdHandler::TCodeEditKbdHandler(void* AEditor, TKeyEvent& EditorOnKeyDown,
                                         TKeyPressEvent& EditorOnKeyPress)
    : editor_(AEditor), editorOnKeyDown_(EditorOnKeyDown), editorOnKeyPress_(EditorOnKeyPress) {
  oldOnKeyDown_ = std::move(editorOnKeyDown_);
  oldOnKeyPress_ = std::move(editorOnKeyPress_);
  editorOnKeyDown_ = [this](void* Sender, uint16_t& Key, TShiftState Shift) {
    ExecuteKeyDown(Sender, Key, Shift);
  };
  editorOnKeyPress_ = [this](void* Sender, char32_t& Key) { ExecuteKeyPress(Sender, Key); };
}

TCodeEditKbdHandler::~TCodeEditKbdHandler() {
  editorOnKeyDown_ = std::move(oldOnKeyDown_);
  editorOnKeyPress_ = std::move(oldOnKeyPress_);
}

void TCodeEditKbdHandler::AddKeyDownHandler(const TCodeKeyDownHandler& Handler) {
  if (Handler) keyDownChain_.push_back(Handler);
}

void TCodeEditKbdHandler::RemoveKeyDownHandler(const TCodeKeyDownHandler& Handler) {
  for (size_t i = keyDownChain_.size(); i-- > 0;)
    if (keyDownChain_[i].SameAs(Handler))
      keyDownChain_.erase(keyDownChain_.begin() + std::ptrdiff_t(i));
}

void TCodeEditKbdHandler::AddKeyPressHandler(const TCodeKeyPressHandler& Handler) {
  if (Handler) keyPressChain_.push_back(Handler);
}

void TCodeEditKbdHandler::RemoveKeyPressHandler(const TCodeKeyPressHandler& Handler) {
  for (size_t i = keyPressChain_.size(); i-- > 0;)
    if (keyPressChain_[i].SameAs(Handler))
      keyPressChain_.erase(keyPressChain_.begin() + std::ptrdiff_t(i));
}

void TCodeEditKbdHandler::ExecuteKeyDown(void* Sender, uint16_t& Key, TShiftState Shift) {
  if (inKeyDown_) return;
  inKeyDown_ = true;
  try {
    const auto chain = keyDownChain_;
    for (size_t i = chain.size(); i-- > 0;) {
      chain[i].Code(Sender, Key, Shift);
      if (Key == 0) {
        inKeyDown_ = false;
        return;
      }
    }
    if (oldOnKeyDown_) oldOnKeyDown_(Sender, Key, Shift);
  } catch (...) {
    inKeyDown_ = false;
    throw;
  }
  inKeyDown_ = false;
  (void)editor_;
}

void TCodeEditKbdHandler::ExecuteKeyPress(void* Sender, char32_t& Key) {
  if (inKeyPress_) return;
  inKeyPress_ = true;
  try {
    const auto chain = keyPressChain_;
    for (size_t i = chain.size(); i-- > 0;) {
      chain[i].Code(Sender, Key);
      if (Key == 0) {
        inKeyPress_ = false;
        return;
      }
    }
    if (oldOnKeyPress_) oldOnKeyPress_(Sender, Key);
  } catch (...) {
    inKeyPress_ = false;
    throw;
  }
  inKeyPress_ = false;
}

// ---- FillRectOpaque and the internal images --------------------------------

void FillRectOpaque(TCanvas& ACanvas, const TRect& Rect) {
  ACanvas.ExtTextOut(Rect.Left, Rect.Top, ETO_OPAQUE, &Rect, std::string(), nullptr);
}

namespace {

struct TSharedPicture {
  std::function<TImage()> Factory;
  std::weak_ptr<const TImage> Picture;
};

std::map<std::string, TSharedPicture>& SharedPictures() {
  static std::map<std::string, TSharedPicture> pictures;
  return pictures;
}

// The ten bookmark glyphs: a tab 11 x 14 pixels in a 12 x 16 cell, with its
// digit in a 3 x 5 pattern drawn at double size.
TImage MakeBookmarkGlyphs() {
  static const char* const digits[10] = {"111101101101111", "010110010010111", "111001111100111",
                                         "111001111001111", "101101111001001", "111100111001111",
                                         "111100111101111", "111001001010010", "111101111101111",
                                         "111101111001111"};
  constexpr TColor frame = 0x00800000, face = 0x00FFE8C8, ink = 0x00000000, back = clWhite;
  TImage img(120, 16, back);
  for (int n = 0; n < 10; ++n) {
    const int x0 = n * 12;
    for (int y = 1; y <= 14; ++y)
      for (int x = 0; x <= 10; ++x) {
        const bool edge = y == 1 || y == 14 || x == 0 || x == 10;
        img.SetPixel(x0 + x, y, edge ? frame : face);
      }
    for (int r = 0; r < 5; ++r)
      for (int c = 0; c < 3; ++c)
        if (digits[n][r * 3 + c] == '1')
          for (int dy = 0; dy < 2; ++dy)
            for (int dx = 0; dx < 2; ++dx) img.SetPixel(x0 + 2 + c * 2 + dx, 3 + r * 2 + dy, ink);
  }
  return img;
}

struct TBuiltInPictures {
  TBuiltInPictures() { SharedPictures()["CODEEDITINTERNALIMAGES"].Factory = &MakeBookmarkGlyphs; }
};

void EnsureBuiltInPictures() { static TBuiltInPictures once; }

}  // namespace

void RegisterCodeEditResource(const std::string& Name, std::function<TImage()> Factory) {
  EnsureBuiltInPictures();
  TSharedPicture& p = SharedPictures()[UpperCase(Name)];
  p.Factory = std::move(Factory);
  p.Picture.reset();
}

long TCodeInternalImage::SharedUsers(const std::string& ResourceName) {
  EnsureBuiltInPictures();
  auto it = SharedPictures().find(UpperCase(ResourceName));
  return it == SharedPictures().end() ? 0 : it->second.Picture.use_count();
}

TCodeInternalImage::TCodeInternalImage(const std::string& ResourceName, int Count) {
  EnsureBuiltInPictures();
  auto it = SharedPictures().find(UpperCase(ResourceName));
  if (it == SharedPictures().end() || !it->second.Factory)
    throw EInvalidOperation(Format("Resource %s not found", ResourceName));
  bitmap_ = it->second.Picture.lock();
  if (!bitmap_) {
    bitmap_ = std::make_shared<const TImage>(it->second.Factory());
    it->second.Picture = bitmap_;
  }
  count_ = IntMax(1, Count);
  width_ = (bitmap_->Width() + count_ / 2) / count_;
  height_ = bitmap_->Height();
}

void TCodeInternalImage::Draw(TCanvas& ACanvas, int Number, int X, int Y, int LineHeight) const {
  if (Number < 0 || Number >= count_ || width_ <= 0 || height_ <= 0) return;
  int srcTop = 0, rows = height_;
  if (height_ > LineHeight) {
    srcTop = (height_ - LineHeight) / 2;
    rows = IntMax(0, LineHeight);
  } else {
    Y += (LineHeight - height_) / 2;
  }
  if (rows <= 0) return;
  TImage glyph(width_, rows);
  const int srcLeft = Number * width_;
  for (int y = 0; y < rows; ++y)
    for (int x = 0; x < width_; ++x) glyph.SetPixel(x, y, bitmap_->Pixel(srcLeft + x, srcTop + y));
  ACanvas.Draw(X, Y, glyph);
}

}  // namespace qv
