// Message boxes of the application windows for code that also sees the
// engine's host interface: engine/FitHost.h and platform/core/Services.h
// both name the dialog kinds (mtWarning, ...) in namespace qv, so a file
// cannot include both. The kinds here carry the same ordinals as both.
#pragma once

#include <string>

namespace qv {

enum class TAppMsgKind { Warning = 0, Error = 1, Information = 2, Confirmation = 3 };
enum class TAppButtons { OK, YesNo, YesNoCancel };

// Dialog results, the platform's (and Windows') numbers.
constexpr int AppResultOk = 1, AppResultCancel = 2, AppResultYes = 6, AppResultNo = 7;

// A modal message box through the dialogs service, captioned with its kind
// ("Warning", "Error", "Information", "Confirmation"); returns the result.
int AppMessageBox(const std::string& text, TAppMsgKind kind, TAppButtons buttons);

// An input box; false when cancelled. Value holds the default on entry.
bool AppInputQuery(const std::string& caption, const std::string& prompt, std::string& value);

// The caption of a message box of that kind.
std::string AppMessageCaption(TAppMsgKind kind);

}  // namespace qv
