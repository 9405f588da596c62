#include "editor/CodeEditMiscClasses.h"

#include "editor/CodeEditMiscProcs.h"

namespace qv {

// ---- TCodeSelectedColor ----------------------------------------------------

void TCodeSelectedColor::SetBackground(TColor Value) {
  if (fBG != Value) {
    fBG = Value;
    Changed();
  }
}

void TCodeSelectedColor::SetForeground(TColor Value) {
  if (fFG != Value) {
    fFG = Value;
    Changed();
  }
}

void TCodeSelectedColor::Assign(const TCodeSelectedColor& Source) {
  fBG = Source.fBG;
  fFG = Source.fFG;
  Changed();
}

// ---- TCodeGutter -----------------------------------------------------------

TCodeGutter::TCodeGutter() {
  fFont.SetName("Terminal");
  fFont.SetSize(8);
  fFont.SetStyle(TFontStyles());
  fFont.OnChange = [this](TGraphicsObject*) { Changed(); };
}

void TCodeGutter::Assign(const TCodeGutter& Source) {
  if (&Source == this) return;
  fFont.Assign(Source.fFont);
  fAutoSize = Source.fAutoSize;
  fColor = Source.fColor;
  fDigitCount = Source.fDigitCount;
  fLeadingZeros = Source.fLeadingZeros;
  fLeftOffset = Source.fLeftOffset;
  fRightOffset = Source.fRightOffset;
  fShowLineNumbers = Source.fShowLineNumbers;
  fUseFontStyle = Source.fUseFontStyle;
  fVisible = Source.fVisible;
  fWidth = Source.fWidth;
  fZeroStart = Source.fZeroStart;
  fAutoSizeDigitCount = Source.fAutoSizeDigitCount;
  Changed();
}

void TCodeGutter::AutoSizeDigitCount(int LinesCount) {
  if (fVisible && fAutoSize && fShowLineNumbers) {
    if (fZeroStart) --LinesCount;
    int digits = static_cast<int>(std::to_string(LinesCount < 0 ? 0 : LinesCount).size());
    digits = IntMax(digits, fDigitCount);
    if (digits != fAutoSizeDigitCount) {
      fAutoSizeDigitCount = digits;
      Changed();
    }
  } else {
    fAutoSizeDigitCount = fDigitCount;
  }
}

std::string TCodeGutter::FormatLineNumber(int Line) const {
  if (fZeroStart) --Line;
  std::string number = std::to_string(Line);
  std::string result;
  if (static_cast<int>(number.size()) < fAutoSizeDigitCount)
    result.assign(size_t(fAutoSizeDigitCount) - number.size(), ' ');
  result += number;
  if (fLeadingZeros) {
    for (size_t i = 0; i + 1 < result.size() && result[i] == ' '; ++i) result[i] = '0';
  }
  return result;
}

int TCodeGutter::RealGutterWidth(int CharWidth) const {
  if (!fVisible) return 0;
  if (fShowLineNumbers) return fLeftOffset + fRightOffset + fAutoSizeDigitCount * CharWidth + 2;
  return fWidth;
}

void TCodeGutter::SetAutoSize(bool Value) {
  if (fAutoSize != Value) {
    fAutoSize = Value;
    Changed();
  }
}

void TCodeGutter::SetColor(TColor Value) {
  if (fColor != Value) {
    fColor = Value;
    Changed();
  }
}

void TCodeGutter::SetDigitCount(int Value) {
  Value = IntClamp(Value, 2, 12);
  if (fDigitCount != Value) {
    fDigitCount = Value;
    fAutoSizeDigitCount = fDigitCount;
    Changed();
  }
}

void TCodeGutter::SetLeadingZeros(bool Value) {
  if (fLeadingZeros != Value) {
    fLeadingZeros = Value;
    Changed();
  }
}

void TCodeGutter::SetLeftOffset(int Value) {
  Value = IntMax(0, Value);
  if (fLeftOffset != Value) {
    fLeftOffset = Value;
    Changed();
  }
}

void TCodeGutter::SetRightOffset(int Value) {
  Value = IntMax(0, Value);
  if (fRightOffset != Value) {
    fRightOffset = Value;
    Changed();
  }
}

void TCodeGutter::SetShowLineNumbers(bool Value) {
  if (fShowLineNumbers != Value) {
    fShowLineNumbers = Value;
    Changed();
  }
}

void TCodeGutter::SetUseFontStyle(bool Value) {
  if (fUseFontStyle != Value) {
    fUseFontStyle = Value;
    Changed();
  }
}

void TCodeGutter::SetVisible(bool Value) {
  if (fVisible != Value) {
    fVisible = Value;
    Changed();
  }
}

void TCodeGutter::SetWidth(int Value) {
  Value = IntMax(0, Value);
  if (fWidth != Value) {
    fWidth = Value;
    Changed();
  }
}

void TCodeGutter::SetZeroStart(bool Value) {
  if (fZeroStart != Value) {
    fZeroStart = Value;
    Changed();
  }
}

// ---- TCodeBookMarkOpt ------------------------------------------------------

void TCodeBookMarkOpt::Assign(const TCodeBookMarkOpt& Source) {
  fBookmarkImages = Source.fBookmarkImages;
  fDrawBookmarksFirst = Source.fDrawBookmarksFirst;
  fEnableKeys = Source.fEnableKeys;
  fGlyphsVisible = Source.fGlyphsVisible;
  fLeftMargin = Source.fLeftMargin;
  fXoffset = Source.fXoffset;
  Changed();
}

#define QV_OPT_SETTER(Cls, Name, Type, Field) \
  void Cls::Set##Name(Type Value) {           \
    if (Field != Value) {                     \
      Field = Value;                          \
      Changed();                              \
    }                                         \
  }
QV_OPT_SETTER(TCodeBookMarkOpt, BookmarkImages, void*, fBookmarkImages)
QV_OPT_SETTER(TCodeBookMarkOpt, DrawBookmarksFirst, bool, fDrawBookmarksFirst)
QV_OPT_SETTER(TCodeBookMarkOpt, EnableKeys, bool, fEnableKeys)
QV_OPT_SETTER(TCodeBookMarkOpt, GlyphsVisible, bool, fGlyphsVisible)
QV_OPT_SETTER(TCodeBookMarkOpt, LeftMargin, int, fLeftMargin)
QV_OPT_SETTER(TCodeBookMarkOpt, Xoffset, int, fXoffset)
#undef QV_OPT_SETTER

// ---- TCodeEditKbdHandler ---------------------------------------------------

TCodeEditKbdHandler::TCodeEditKbdHandler(void* AEditor, TKeyEvent& EditorOnKeyDown,
                                         TKeyPressEvent& EditorOnKeyPress)
    : fEditor(AEditor), fEditorOnKeyDown(EditorOnKeyDown), fEditorOnKeyPress(EditorOnKeyPress) {
  fOldOnKeyDown = std::move(fEditorOnKeyDown);
  fOldOnKeyPress = std::move(fEditorOnKeyPress);
  fEditorOnKeyDown = [this](void* Sender, uint16_t& Key, TShiftState Shift) {
    ExecuteKeyDown(Sender, Key, Shift);
  };
  fEditorOnKeyPress = [this](void* Sender, char32_t& Key) { ExecuteKeyPress(Sender, Key); };
}

TCodeEditKbdHandler::~TCodeEditKbdHandler() {
  fEditorOnKeyDown = std::move(fOldOnKeyDown);
  fEditorOnKeyPress = std::move(fOldOnKeyPress);
}

void TCodeEditKbdHandler::AddKeyDownHandler(const TCodeKeyDownHandler& Handler) {
  if (Handler) fKeyDownChain.push_back(Handler);
}

void TCodeEditKbdHandler::RemoveKeyDownHandler(const TCodeKeyDownHandler& Handler) {
  for (size_t i = fKeyDownChain.size(); i-- > 0;)
    if (fKeyDownChain[i].SameAs(Handler))
      fKeyDownChain.erase(fKeyDownChain.begin() + std::ptrdiff_t(i));
}

void TCodeEditKbdHandler::AddKeyPressHandler(const TCodeKeyPressHandler& Handler) {
  if (Handler) fKeyPressChain.push_back(Handler);
}

void TCodeEditKbdHandler::RemoveKeyPressHandler(const TCodeKeyPressHandler& Handler) {
  for (size_t i = fKeyPressChain.size(); i-- > 0;)
    if (fKeyPressChain[i].SameAs(Handler))
      fKeyPressChain.erase(fKeyPressChain.begin() + std::ptrdiff_t(i));
}

void TCodeEditKbdHandler::ExecuteKeyDown(void* Sender, uint16_t& Key, TShiftState Shift) {
  if (fInKeyDown) return;
  fInKeyDown = true;
  try {
    const auto chain = fKeyDownChain;
    for (size_t i = chain.size(); i-- > 0;) {
      chain[i].Code(Sender, Key, Shift);
      if (Key == 0) {
        fInKeyDown = false;
        return;
      }
    }
    if (fOldOnKeyDown) fOldOnKeyDown(Sender, Key, Shift);
  } catch (...) {
    fInKeyDown = false;
    throw;
  }
  fInKeyDown = false;
  (void)fEditor;
}

void TCodeEditKbdHandler::ExecuteKeyPress(void* Sender, char32_t& Key) {
  if (fInKeyPress) return;
  fInKeyPress = true;
  try {
    const auto chain = fKeyPressChain;
    for (size_t i = chain.size(); i-- > 0;) {
      chain[i].Code(Sender, Key);
      if (Key == 0) {
        fInKeyPress = false;
        return;
      }
    }
    if (fOldOnKeyPress) fOldOnKeyPress(Sender, Key);
  } catch (...) {
    fInKeyPress = false;
    throw;
  }
  fInKeyPress = false;
}

}  // namespace qv
