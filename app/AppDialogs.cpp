#include "app/AppDialogs.h"

#include "platform/core/Services.h"

namespace qv {

std::string AppMessageCaption(TAppMsgKind kind) {
  switch (kind) {
    case TAppMsgKind::Warning:
      return "Warning";
    case TAppMsgKind::Error:
      return "Error";
    case TAppMsgKind::Confirmation:
      return "Confirmation";
    default:
      return "Information";
  }
}

int AppMessageBox(const std::string& text, TAppMsgKind kind, TAppButtons buttons) {
  const TMsgDlgButtons b = buttons == TAppButtons::YesNo         ? mbYesNo
                           : buttons == TAppButtons::YesNoCancel ? mbYesNoCancel
                                                                 : mbOK;
  return Dialogs().MessageBox(text, AppMessageCaption(kind), static_cast<TMsgDlgType>(kind), b);
}

bool AppInputQuery(const std::string& caption, const std::string& prompt, std::string& value) {
  return Dialogs().InputQuery(caption, prompt, value);
}

}  // namespace qv
