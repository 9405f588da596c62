// The vocabulary of top-level windows ("forms") shared by the window
// components: window states, border styles, positioning, the window
// placement record and the size limits of a window, with the Windows
// numbers that stored settings keep.
#pragma once

#include <cstdint>

#include "platform/core/Graphics.h"

namespace qv {

enum TWindowState : std::uint8_t { wsNormal, wsMinimized, wsMaximized };

// Border styles of a form; TBorderStyle is the part a control may take.
enum TFormBorderStyle : std::uint8_t {
  bsNone,
  bsSingle,
  bsSizeable,
  bsDialog,
  bsToolWindow,
  bsSizeToolWin
};
using TBorderStyle = TFormBorderStyle;

// Where a form is put when it is first shown.
enum TPosition : std::uint8_t {
  poDesigned,
  poDefault,
  poDefaultPosOnly,
  poDefaultSizeOnly,
  poScreenCenter,
  poDesktopCenter,
  poMainFormCenter,
  poOwnerFormCenter
};

enum TFormStyle : std::uint8_t { fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop };

// Show commands (SW_*), as a window placement and the settings file hold them.
constexpr unsigned SW_HIDE = 0;
constexpr unsigned SW_SHOWNORMAL = 1;
constexpr unsigned SW_SHOWMINIMIZED = 2;
constexpr unsigned SW_SHOWMAXIMIZED = 3;
constexpr unsigned SW_SHOWNOACTIVATE = 4;
constexpr unsigned SW_SHOW = 5;
constexpr unsigned SW_MINIMIZE = 6;
constexpr unsigned SW_SHOWMINNOACTIVE = 7;
constexpr unsigned SW_SHOWNA = 8;
constexpr unsigned SW_RESTORE = 9;

// Window placement flags.
constexpr unsigned WPF_SETMINPOSITION = 1;
constexpr unsigned WPF_RESTORETOMAXIMIZED = 2;

// The placement of a top-level window: its show command, the positions it
// takes minimised and maximised, and its normal (restored) rectangle in
// screen pixels, frame included.
struct TWindowPlacement {
  unsigned flags = 0;
  unsigned showCmd = SW_SHOWNORMAL;
  TPoint ptMinPosition{-1, -1};
  TPoint ptMaxPosition{-1, -1};
  TRect rcNormalPosition;
  friend bool operator==(const TWindowPlacement&, const TWindowPlacement&) = default;
};

// The size limits of a window (the record of WM_GETMINMAXINFO): the size
// and position it takes maximised, and the smallest and largest size the
// user can give it.
struct TMinMaxInfo {
  TPoint ptMaxSize;
  TPoint ptMaxPosition;
  TPoint ptMinTrackSize;
  TPoint ptMaxTrackSize;
  friend bool operator==(const TMinMaxInfo&, const TMinMaxInfo&) = default;
};

}  // namespace qv
