#include "editor/CodeEditMiscClasses.h"

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

}  // namespace qv
