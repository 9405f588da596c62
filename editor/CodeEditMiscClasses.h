// Option objects of the editor control and the event chains through which
// several listeners receive one event.
//
// Each option object fires OnChange (sender = the object) after any
// property changes value. Events that can be registered and removed again
// are TCodeEvent values: Code is the handler, Data names the listener (the
// object whose handler it is) so that Remove finds its registrations.
#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "editor/CodeEditKeyCmds.h"
#include "platform/core/Graphics.h"
#include "platform/core/SysUtils.h"

namespace qv {

template <class... Args>
struct TCodeEvent {
  const void* Data = nullptr;
  std::function<void(Args...)> Code;
  TCodeEvent() = default;
  TCodeEvent(const void* AData, std::function<void(Args...)> ACode)
      : Data(AData), Code(std::move(ACode)) {}
  explicit operator bool() const { return static_cast<bool>(Code); }
  bool SameAs(const TCodeEvent& Other) const { return Data == Other.Data; }
};

using TCodeNotifyEvent = TCodeEvent<void* /*Sender*/>;

class ECodeMethodChain : public Exception {
 public:
  using Exception::Exception;
};

// The listeners of one event, fired in order of registration. An exception
// raised by one listener goes to OnException, which decides whether the
// remaining listeners still run; without OnException it propagates.
template <class... Args>
class TCodeMethodChain {
 public:
  using TEvent = TCodeEvent<Args...>;
  using TExceptionEvent =
      std::function<void(TCodeMethodChain* Sender, std::exception_ptr E, bool& DoContinue)>;

  explicit TCodeMethodChain(const char* AClassName = "TCodeMethodChain") : fClassName(AClassName) {}
  virtual ~TCodeMethodChain() = default;

  void Add(const TEvent& AEvent) {
    if (!AEvent)
      throw ECodeMethodChain(fClassName + ".Entry : the parameter `AEvent' must be specified.");
    fEntries.push_back(AEvent);
  }
  // Removes every registration of the event.
  void Remove(const TEvent& AEvent) {
    if (!AEvent)
      throw ECodeMethodChain(fClassName + ".Remove: the parameter `AEvent' must be specified.");
    for (size_t i = fEntries.size(); i-- > 0;)
      if (fEntries[i].SameAs(AEvent)) fEntries.erase(fEntries.begin() + std::ptrdiff_t(i));
  }
  void Fire(Args... A) {
    // A copy, so that a listener may add or remove listeners while firing.
    const std::vector<TEvent> entries = fEntries;
    for (const TEvent& e : entries) {
      try {
        e.Code(A...);
      } catch (...) {
        if (!OnException) throw;
        bool doContinue = true;
        OnException(this, std::current_exception(), doContinue);
        if (!doContinue) break;
      }
    }
  }
  int Count() const { return static_cast<int>(fEntries.size()); }

  TExceptionEvent OnException;

 private:
  std::string fClassName;
  std::vector<TEvent> fEntries;
};

class TCodeNotifyEventChain : public TCodeMethodChain<void*> {
 public:
  explicit TCodeNotifyEventChain(void* ASender = nullptr)
      : TCodeMethodChain<void*>("TCodeNotifyEventChain"), fSender(ASender) {}
  void* Sender() const { return fSender; }
  void SetSender(void* Value) { fSender = Value; }
  void Fire() { TCodeMethodChain<void*>::Fire(fSender); }

 private:
  void* fSender;
};

using TCodeOptionChangeEvent = std::function<void(void* Sender)>;

// Colours of selected text.
class TCodeSelectedColor {
 public:
  TColor Background() const { return fBG; }
  TColor Foreground() const { return fFG; }
  void SetBackground(TColor Value);
  void SetForeground(TColor Value);
  void Assign(const TCodeSelectedColor& Source);
  TCodeOptionChangeEvent OnChange;

 private:
  void Changed() {
    if (OnChange) OnChange(this);
  }
  TColor fBG = clHighlight;
  TColor fFG = clHighlightText;
};

constexpr int crDefault = 0;

// The gutter at the left of the editor: line numbers or a plain band.
class TCodeGutter {
 public:
  TCodeGutter();
  TCodeGutter(const TCodeGutter&) = delete;
  TCodeGutter& operator=(const TCodeGutter&) = delete;

  void Assign(const TCodeGutter& Source);
  // With the gutter visible, AutoSize and ShowLineNumbers: the digits of
  // LinesCount (LinesCount - 1 with ZeroStart), at least DigitCount.
  void AutoSizeDigitCount(int LinesCount);
  std::string FormatLineNumber(int Line) const;
  int RealGutterWidth(int CharWidth) const;

  bool AutoSize() const { return fAutoSize; }
  void SetAutoSize(bool Value);
  TColor Color() const { return fColor; }
  void SetColor(TColor Value);
  int Cursor() const { return fCursor; }
  void SetCursor(int Value) { fCursor = Value; }
  int DigitCount() const { return fDigitCount; }
  void SetDigitCount(int Value);  // clamped to 2..12
  int AutoSizeDigits() const { return fAutoSizeDigitCount; }
  TFont& Font() { return fFont; }
  const TFont& Font() const { return fFont; }
  bool LeadingZeros() const { return fLeadingZeros; }
  void SetLeadingZeros(bool Value);
  int LeftOffset() const { return fLeftOffset; }
  void SetLeftOffset(int Value);
  int RightOffset() const { return fRightOffset; }
  void SetRightOffset(int Value);
  bool ShowLineNumbers() const { return fShowLineNumbers; }
  void SetShowLineNumbers(bool Value);
  bool UseFontStyle() const { return fUseFontStyle; }
  void SetUseFontStyle(bool Value);
  bool Visible() const { return fVisible; }
  void SetVisible(bool Value);
  int Width() const { return fWidth; }
  void SetWidth(int Value);
  bool ZeroStart() const { return fZeroStart; }
  void SetZeroStart(bool Value);

  TCodeOptionChangeEvent OnChange;

 private:
  void Changed() {
    if (OnChange) OnChange(this);
  }
  bool fAutoSize = false;
  TColor fColor = clBtnFace;
  int fCursor = crDefault;
  int fDigitCount = 4;
  TFont fFont;
  bool fLeadingZeros = false;
  int fLeftOffset = 16;
  int fRightOffset = 2;
  bool fShowLineNumbers = false;
  bool fUseFontStyle = true;
  bool fVisible = true;
  int fWidth = 30;
  bool fZeroStart = false;
  int fAutoSizeDigitCount = 4;
};

// Bookmark options. The image list is not owned.
class TCodeBookMarkOpt {
 public:
  void Assign(const TCodeBookMarkOpt& Source);
  void* BookmarkImages() const { return fBookmarkImages; }
  void SetBookmarkImages(void* Value);
  bool DrawBookmarksFirst() const { return fDrawBookmarksFirst; }
  void SetDrawBookmarksFirst(bool Value);
  bool EnableKeys() const { return fEnableKeys; }
  void SetEnableKeys(bool Value);
  bool GlyphsVisible() const { return fGlyphsVisible; }
  void SetGlyphsVisible(bool Value);
  int LeftMargin() const { return fLeftMargin; }
  void SetLeftMargin(int Value);
  int Xoffset() const { return fXoffset; }
  void SetXoffset(int Value);
  TCodeOptionChangeEvent OnChange;

 private:
  void Changed() {
    if (OnChange) OnChange(this);
  }
  void* fBookmarkImages = nullptr;
  bool fDrawBookmarksFirst = true;
  bool fEnableKeys = true;
  bool fGlyphsVisible = true;
  int fLeftMargin = 2;
  int fXoffset = 12;
};

// Key events of the editor. A handler that sets Key to 0 (key down) or #0
// (key press) ends the event.
using TKeyEvent = std::function<void(void* Sender, uint16_t& Key, TShiftState Shift)>;
using TKeyPressEvent = std::function<void(void* Sender, char32_t& Key)>;
using TCodeKeyDownHandler = TCodeEvent<void*, uint16_t&, TShiftState>;
using TCodeKeyPressHandler = TCodeEvent<void*, char32_t&>;

// Routes the editor's key events through several handlers. On creation it
// takes over the editor's two event slots (remembering what they held) and
// puts them back on destruction. Handlers run from the last added to the
// first; the previous editor handler runs last.
class TCodeEditKbdHandler {
 public:
  TCodeEditKbdHandler(void* AEditor, TKeyEvent& EditorOnKeyDown, TKeyPressEvent& EditorOnKeyPress);
  ~TCodeEditKbdHandler();
  TCodeEditKbdHandler(const TCodeEditKbdHandler&) = delete;
  TCodeEditKbdHandler& operator=(const TCodeEditKbdHandler&) = delete;

  void AddKeyDownHandler(const TCodeKeyDownHandler& Handler);
  void RemoveKeyDownHandler(const TCodeKeyDownHandler& Handler);
  void AddKeyPressHandler(const TCodeKeyPressHandler& Handler);
  void RemoveKeyPressHandler(const TCodeKeyPressHandler& Handler);
  void ExecuteKeyDown(void* Sender, uint16_t& Key, TShiftState Shift);
  void ExecuteKeyPress(void* Sender, char32_t& Key);
  // The editor assigned a new handler of its own: it becomes the one that
  // runs last.
  void SetOnKeyDown(TKeyEvent Value) { fOldOnKeyDown = std::move(Value); }
  void SetOnKeyPress(TKeyPressEvent Value) { fOldOnKeyPress = std::move(Value); }

 private:
  void* fEditor;
  TKeyEvent& fEditorOnKeyDown;
  TKeyPressEvent& fEditorOnKeyPress;
  std::vector<TCodeKeyPressHandler> fKeyPressChain;
  TKeyPressEvent fOldOnKeyPress;
  bool fInKeyPress = false;
  std::vector<TCodeKeyDownHandler> fKeyDownChain;
  TKeyEvent fOldOnKeyDown;
  bool fInKeyDown = false;
};

}  // namespace qv
