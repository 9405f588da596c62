// What a visual control's core implements, and the services its host (the
// Qt widget in platform/gui, or a test host) offers it. Cores hold the state
// and logic of a control and paint through TCanvas; they never see Qt.
//
// Keys are Windows virtual-key numbers (VK_*), shift states the bits below.
// Mouse positions are client pixels. Everything runs on the UI thread.
#pragma once

#include <cstdint>
#include <string>

#include "platform/core/Canvas.h"

namespace qv {

// Shift state bits.
using TShiftState = unsigned;
constexpr TShiftState ssShift = 1;
constexpr TShiftState ssAlt = 2;
constexpr TShiftState ssCtrl = 4;
constexpr TShiftState ssLeft = 8;  // mouse buttons held
constexpr TShiftState ssRight = 16;
constexpr TShiftState ssMiddle = 32;
constexpr TShiftState ssDouble = 64;  // the press is a double click

enum TMouseButton : std::uint8_t { mbLeft, mbRight, mbMiddle };

// Virtual-key numbers.
constexpr int VK_BACK = 0x08, VK_TAB = 0x09, VK_CLEAR = 0x0C, VK_RETURN = 0x0D;
constexpr int VK_SHIFT = 0x10, VK_CONTROL = 0x11, VK_MENU = 0x12, VK_PAUSE = 0x13;
constexpr int VK_CAPITAL = 0x14, VK_ESCAPE = 0x1B, VK_SPACE = 0x20;
constexpr int VK_PRIOR = 0x21, VK_NEXT = 0x22, VK_END = 0x23, VK_HOME = 0x24;
constexpr int VK_LEFT = 0x25, VK_UP = 0x26, VK_RIGHT = 0x27, VK_DOWN = 0x28;
constexpr int VK_SNAPSHOT = 0x2C, VK_INSERT = 0x2D, VK_DELETE = 0x2E, VK_HELP = 0x2F;
// '0'..'9' are 0x30..0x39, 'A'..'Z' are 0x41..0x5A.
constexpr int VK_LWIN = 0x5B, VK_RWIN = 0x5C, VK_APPS = 0x5D;
constexpr int VK_NUMPAD0 = 0x60, VK_MULTIPLY = 0x6A, VK_ADD = 0x6B, VK_SEPARATOR = 0x6C;
constexpr int VK_SUBTRACT = 0x6D, VK_DECIMAL = 0x6E, VK_DIVIDE = 0x6F;
constexpr int VK_F1 = 0x70;  // VK_F1 + n - 1 for Fn, up to F24
constexpr int VK_NUMLOCK = 0x90, VK_SCROLL = 0x91;
constexpr int VK_OEM_1 = 0xBA, VK_OEM_PLUS = 0xBB, VK_OEM_COMMA = 0xBC, VK_OEM_MINUS = 0xBD;
constexpr int VK_OEM_PERIOD = 0xBE, VK_OEM_2 = 0xBF, VK_OEM_3 = 0xC0, VK_OEM_4 = 0xDB;
constexpr int VK_OEM_5 = 0xDC, VK_OEM_6 = 0xDD, VK_OEM_7 = 0xDE;

// Cursor shapes (the class library's cursor numbers).
using TCursor = int;
constexpr TCursor crDefault = 0, crNone = -1, crArrow = -2, crCross = -3, crIBeam = -4;
constexpr TCursor crSizeNESW = -6, crSizeNS = -7, crSizeNWSE = -8, crSizeWE = -9;
constexpr TCursor crUpArrow = -10, crHourGlass = -11, crDrag = -12, crNoDrop = -13;
constexpr TCursor crHSplit = -14, crVSplit = -15, crMultiDrag = -16, crSQLWait = -17;
constexpr TCursor crNo = -18, crAppStart = -19, crHelp = -20, crHandPoint = -21, crSizeAll = -22;

enum TScrollBarKind : std::uint8_t { sbHorizontal, sbVertical };
// Scroll codes (SB_* of a scroll message).
enum TScrollCode : std::uint8_t {
  scLineUp = 0,
  scLineDown = 1,
  scPageUp = 2,
  scPageDown = 3,
  scPosition = 4,
  scTrack = 5,
  scTop = 6,
  scBottom = 7,
  scEndScroll = 8
};

struct TScrollInfo {
  int Min = 0;
  int Max = 100;
  int Page = 0;  // 0: no proportional thumb
  int Pos = 0;
  bool Visible = true;
};

// Services of the host window, called by the core.
class TControlHost {
 public:
  virtual ~TControlHost() = default;
  virtual TRect ClientRect() const = 0;
  virtual void Invalidate() = 0;
  virtual void InvalidateRect(const TRect& r) = 0;
  // Paints pending invalid areas now.
  virtual void Update() = 0;
  // Moves the pixels of r by (dx, dy) and invalidates what is uncovered
  // (hosts may simply invalidate r).
  virtual void ScrollWindow(int dx, int dy, const TRect& r) {
    (void)dx;
    (void)dy;
    InvalidateRect(r);
  }
  virtual bool Focused() const = 0;
  virtual void SetFocus() = 0;
  virtual void SetCapture() = 0;
  virtual void ReleaseCapture() = 0;
  virtual bool HasCapture() const = 0;
  // A timer calls TControlCore::Timer(id) every interval milliseconds
  // until killed; setting an existing id restarts it.
  virtual void SetTimer(int id, int intervalMs) = 0;
  virtual void KillTimer(int id) = 0;
  virtual void SetCursor(TCursor c) = 0;
  // The caret is drawn by the host (inverted rectangle, blinking) on top of
  // the painted content.
  virtual void CreateCaret(int width, int height) = 0;
  virtual void SetCaretPos(int x, int y) = 0;
  virtual void ShowCaret() = 0;
  virtual void HideCaret() = 0;
  virtual void DestroyCaret() = 0;
  virtual void SetScrollInfo(TScrollBarKind bar, const TScrollInfo& info) = 0;
  virtual TScrollInfo GetScrollInfo(TScrollBarKind bar) const = 0;
  // Queues a message to the core's Posted(); delivered after the current
  // event, in order.
  virtual void PostToSelf(int msg, std::intptr_t wParam, std::intptr_t lParam) = 0;
  virtual TFontService& Fonts() { return FontService(); }
};

// A control core. Every handler is optional.
class TControlCore {
 public:
  virtual ~TControlCore() = default;
  // The host sets itself before the first event and null when it goes.
  virtual void SetHost(TControlHost* host) { host_ = host; }
  TControlHost* Host() const { return host_; }

  // Paints the invalid area r (client pixels) on c; the host has set the
  // clip to r and double-buffers.
  virtual void Paint(TCanvas& c, const TRect& r) {
    (void)c;
    (void)r;
  }
  virtual void MouseDown(TMouseButton b, TShiftState s, int x, int y) {
    (void)b;
    (void)s;
    (void)x;
    (void)y;
  }
  virtual void MouseMove(TShiftState s, int x, int y) {
    (void)s;
    (void)x;
    (void)y;
  }
  virtual void MouseUp(TMouseButton b, TShiftState s, int x, int y) {
    (void)b;
    (void)s;
    (void)x;
    (void)y;
  }
  // After the second MouseDown of a double click (which carries ssDouble).
  virtual void DblClick() {}
  // delta: multiples of 120 per notch, positive away from the user.
  // Answers whether it was handled.
  virtual bool MouseWheel(TShiftState s, int delta, int x, int y) {
    (void)s;
    (void)delta;
    (void)x;
    (void)y;
    return false;
  }
  // key may be set to 0 to mark the key handled.
  virtual void KeyDown(int& key, TShiftState s) {
    (void)key;
    (void)s;
  }
  virtual void KeyUp(int& key, TShiftState s) {
    (void)key;
    (void)s;
  }
  // A typed character (after KeyDown), UTF-32; 0 marks it handled.
  virtual void KeyPress(char32_t& ch) { (void)ch; }
  // IME or multi-character input committed as text (UTF-8).
  virtual void InputText(const std::string& text) { (void)text; }
  virtual void FocusIn() {}
  virtual void FocusOut() {}
  // The mouse pointer left the control.
  virtual void MouseLeave() {}
  virtual void Resize(int width, int height) {
    (void)width;
    (void)height;
  }
  virtual void Timer(int id) { (void)id; }
  virtual void Scroll(TScrollBarKind bar, TScrollCode code, int pos) {
    (void)bar;
    (void)code;
    (void)pos;
  }
  virtual void Posted(int msg, std::intptr_t wParam, std::intptr_t lParam) {
    (void)msg;
    (void)wParam;
    (void)lParam;
  }
  // Whether the core wants TAB and arrow keys (else they move the focus).
  virtual bool WantsAllKeys() const { return true; }

 protected:
  TControlHost* host_ = nullptr;
};

}  // namespace qv
