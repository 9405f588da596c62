// Window messages as the window hooks hand them to their handlers.
//
// A hook (TKitWindowHook, support/qt/QtKitHook.h) sees every event of a
// control's window before and after the control handles it. Events arrive
// as TMessage records with the Windows message numbers below and their
// usual parameters; an event without a number of its own arrives as
// WM_NULL. Native points to the window system's event object (a QEvent
// under Qt) for handlers that need more than the numbers.
#pragma once

#include <cstdint>
#include <functional>

namespace qv {

struct TMessage {
  unsigned Msg = 0;
  std::intptr_t WParam = 0;
  std::intptr_t LParam = 0;
  std::intptr_t Result = 0;
  void* Native = nullptr;
};

constexpr unsigned WM_NULL = 0x0000;
constexpr unsigned WM_CREATE = 0x0001;
constexpr unsigned WM_DESTROY = 0x0002;
constexpr unsigned WM_MOVE = 0x0003;
constexpr unsigned WM_SIZE = 0x0005;
constexpr unsigned WM_ACTIVATE = 0x0006;
constexpr unsigned WM_SETFOCUS = 0x0007;
constexpr unsigned WM_KILLFOCUS = 0x0008;
constexpr unsigned WM_ENABLE = 0x000A;
constexpr unsigned WM_PAINT = 0x000F;
constexpr unsigned WM_CLOSE = 0x0010;
constexpr unsigned WM_QUIT = 0x0012;
constexpr unsigned WM_SHOWWINDOW = 0x0018;
constexpr unsigned WM_GETMINMAXINFO = 0x0024;
constexpr unsigned WM_NCHITTEST = 0x0084;
constexpr unsigned WM_NCLBUTTONDOWN = 0x00A1;
constexpr unsigned WM_NCRBUTTONDOWN = 0x00A4;
constexpr unsigned WM_NCMBUTTONDOWN = 0x00A7;
constexpr unsigned WM_KEYDOWN = 0x0100;
constexpr unsigned WM_KEYUP = 0x0101;
constexpr unsigned WM_SYSKEYDOWN = 0x0104;
constexpr unsigned WM_SYSKEYUP = 0x0105;
constexpr unsigned WM_MOUSEMOVE = 0x0200;
constexpr unsigned WM_LBUTTONDOWN = 0x0201;
constexpr unsigned WM_LBUTTONUP = 0x0202;
constexpr unsigned WM_LBUTTONDBLCLK = 0x0203;
constexpr unsigned WM_RBUTTONDOWN = 0x0204;
constexpr unsigned WM_RBUTTONUP = 0x0205;
constexpr unsigned WM_RBUTTONDBLCLK = 0x0206;
constexpr unsigned WM_MBUTTONDOWN = 0x0207;
constexpr unsigned WM_MBUTTONUP = 0x0208;
constexpr unsigned WM_MBUTTONDBLCLK = 0x0209;
constexpr unsigned WM_MOUSEWHEEL = 0x020A;
constexpr unsigned WM_USER = 0x0400;

// Key and button flags of mouse messages (WParam).
constexpr unsigned MK_LBUTTON = 0x01;
constexpr unsigned MK_RBUTTON = 0x02;
constexpr unsigned MK_SHIFT = 0x04;
constexpr unsigned MK_CONTROL = 0x08;
constexpr unsigned MK_MBUTTON = 0x10;

// WM_SIZE kinds (WParam).
constexpr unsigned SIZE_RESTORED = 0;
constexpr unsigned SIZE_MINIMIZED = 1;
constexpr unsigned SIZE_MAXIMIZED = 2;

// Two 16-bit values in one parameter, as mouse positions and sizes are sent.
constexpr std::intptr_t MakeLParam(int lo, int hi) {
  return std::intptr_t(
      (std::uint32_t(std::uint16_t(lo)) | (std::uint32_t(std::uint16_t(hi)) << 16)));
}
constexpr int LoWordSigned(std::intptr_t v) { return std::int16_t(std::uint32_t(v) & 0xFFFF); }
constexpr int HiWordSigned(std::intptr_t v) {
  return std::int16_t((std::uint32_t(v) >> 16) & 0xFFFF);
}

}  // namespace qv
