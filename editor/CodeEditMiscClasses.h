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
#include "platform/core/Canvas.h"
#include "platform/core/Graphics.h"
#include "platform/core/Image.h"
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

  explicit TCodeMethodChain(const char* AClassName = "TCodeMethodChain") : className_(AClassName) {}
  virtual ~TCodeMethodChain() = default;

  void Add(const TEvent& AEvent) {
    if (!AEvent)
      throw ECodeMethodChain(className_ + ".Entry : the parameter `AEvent' must be specified.");
    entries_.push_back(AEvent);
  }
  // Removes every registration of the event.
  void Remove(const TEvent& AEvent) {
    if (!AEvent)
      throw ECodeMethodChain(className_ + ".Remove: the parameter `AEvent' must be specified.");
    for (size_t i = entries_.size(); i-- > 0;)
      if (entries_[i].SameAs(AEvent)) entries_.erase(entries_.begin() + std::ptrdiff_t(i));
  }
  void Fire(Args... A) {
    // A copy, so that a listener may add or remove listeners while firing.
    const std::vector<TEvent> entries = entries_;
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
  int Count() const { return static_cast<int>(entries_.size()); }

  TExceptionEvent OnException;

 private:
  std::string className_;
  std::vector<TEvent> entries_;
};

class TCodeNotifyEventChain : public TCodeMethodChain<void*> {
 public:
  explicit TCodeNotifyEventChain(void* ASender = nullptr)
      : TCodeMethodChain<void*>("TCodeNotifyEventChain"), sender_(ASender) {}
  void* Sender() const { return sender_; }
  void SetSender(void* Value) { sender_ = Value; }
  void Fire() { TCodeMethodChain<void*>::Fire(sender_); }

 private:
  void* sender_;
};

using TCodeOptionChangeEvent = std::function<void(void* Sender)>;

// Colours of selected text.
class TCodeSelectedColor {
 public:
  TColor Background() const { return bg_; }
  TColor Foreground() const { return fg_; }
  void SetBackground(TColor Value);
  void SetForeground(TColor Value);
  void Assign(const TCodeSelectedColor& Source);
  TCodeOptionChangeEvent OnChange;

 private:
  void Changed() {
    if (OnChange) OnChange(this);
  }
  TColor bg_ = clHighlight;
  TColor fg_ = clHighlightText;
};

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

  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool Value);
  TColor Color() const { return color_; }
  void SetColor(TColor Value);
  TCursor Cursor() const { return cursor_; }
  void SetCursor(TCursor Value) { cursor_ = Value; }
  int DigitCount() const { return digitCount_; }
  void SetDigitCount(int Value);  // clamped to 2..12
  int AutoSizeDigits() const { return autoSizeDigitCount_; }
  TFont& Font() { return font_; }
  const TFont& Font() const { return font_; }
  bool LeadingZeros() const { return leadingZeros_; }
  void SetLeadingZeros(bool Value);
  int LeftOffset() const { return leftOffset_; }
  void SetLeftOffset(int Value);
  int RightOffset() const { return rightOffset_; }
  void SetRightOffset(int Value);
  bool ShowLineNumbers() const { return showLineNumbers_; }
  void SetShowLineNumbers(bool Value);
  bool UseFontStyle() const { return useFontStyle_; }
  void SetUseFontStyle(bool Value);
  bool Visible() const { return visible_; }
  void SetVisible(bool Value);
  int Width() const { return width_; }
  void SetWidth(int Value);
  bool ZeroStart() const { return zeroStart_; }
  void SetZeroStart(bool Value);

  TCodeOptionChangeEvent OnChange;

 private:
  void Changed() {
    if (OnChange) OnChange(this);
  }
  bool autoSize_ = false;
  TColor color_ = clBtnFace;
  TCursor cursor_ = crDefault;
  int digitCount_ = 4;
  TFont font_;
  bool leadingZeros_ = false;
  int leftOffset_ = 16;
  int rightOffset_ = 2;
  bool showLineNumbers_ = false;
  bool useFontStyle_ = true;
  bool visible_ = true;
  int width_ = 30;
  bool zeroStart_ = false;
  int autoSizeDigitCount_ = 4;
};

// Bookmark options. The image list is not owned.
class TCodeBookMarkOpt {
 public:
  void Assign(const TCodeBookMarkOpt& Source);
  void* BookmarkImages() const { return bookmarkImages_; }
  void SetBookmarkImages(void* Value);
  bool DrawBookmarksFirst() const { return drawBookmarksFirst_; }
  void SetDrawBookmarksFirst(bool Value);
  bool EnableKeys() const { return enableKeys_; }
  void SetEnableKeys(bool Value);
  bool GlyphsVisible() const { return glyphsVisible_; }
  void SetGlyphsVisible(bool Value);
  int LeftMargin() const { return leftMargin_; }
  void SetLeftMargin(int Value);
  int Xoffset() const { return xoffset_; }
  void SetXoffset(int Value);
  TCodeOptionChangeEvent OnChange;

 private:
  void Changed() {
    if (OnChange) OnChange(this);
  }
  void* bookmarkImages_ = nullptr;
  bool drawBookmarksFirst_ = true;
  bool enableKeys_ = true;
  bool glyphsVisible_ = true;
  int leftMargin_ = 2;
  int xoffset_ = 12;
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
  void SetOnKeyDown(TKeyEvent Value) { oldOnKeyDown_ = std::move(Value); }
  void SetOnKeyPress(TKeyPressEvent Value) { oldOnKeyPress_ = std::move(Value); }

 private:
  void* editor_;
  TKeyEvent& editorOnKeyDown_;
  TKeyPressEvent& editorOnKeyPress_;
  std::vector<TCodeKeyPressHandler> keyPressChain_;
  TKeyPressEvent oldOnKeyPress_;
  bool inKeyPress_ = false;
  std::vector<TCodeKeyDownHandler> keyDownChain_;
  TKeyEvent oldOnKeyDown_;
  bool inKeyDown_ = false;
};

// Fills Rect with the canvas's background colour (text output of nothing,
// opaque), the way the editor paints empty areas.
void FillRectOpaque(TCanvas& ACanvas, const TRect& Rect);

// A strip of equally wide glyphs cut from one named picture (the editor's
// ten bookmark glyphs come from "CodeEditInternalImages"). Pictures are
// shared between all images of one name (the name compared without case):
// made on first use and freed with their last user.
class TCodeInternalImage {
 public:
  // Raises EInvalidOperation when no picture of that name is registered.
  TCodeInternalImage(const std::string& ResourceName, int Count);
  TCodeInternalImage(const TCodeInternalImage&) = delete;
  TCodeInternalImage& operator=(const TCodeInternalImage&) = delete;

  // Glyph Number (0..Count-1; others draw nothing) at (X, Y) in a row of
  // LineHeight pixels: a taller glyph is cut to its middle LineHeight rows,
  // a smaller one is centred vertically.
  void Draw(TCanvas& ACanvas, int Number, int X, int Y, int LineHeight) const;
  int Width() const { return width_; }
  int Height() const { return height_; }
  int Count() const { return count_; }
  // How many images use the picture of that name now.
  static long SharedUsers(const std::string& ResourceName);

 private:
  std::shared_ptr<const TImage> bitmap_;
  int width_ = 0;
  int height_ = 0;
  int count_ = 0;
};

// Adds (or replaces) a named picture that TCodeInternalImage can use.
void RegisterCodeEditResource(const std::string& Name, std::function<TImage()> Factory);

}  // namespace qv
