#include "platform/core/ControlUtils.h"

namespace qv {

void FillRectWith(TCanvas& c, const TRect& r, TColor color) {
  c.Brush.SetStyle(bsSolid);
  c.Brush.SetColor(color);
  c.FillRect(r);
}

std::optional<int> ScrollTarget(TScrollCode code, int current, int line, int page, int trackPos,
                                int end) {
  switch (code) {
    case scLineUp:
      return current - line;
    case scLineDown:
      return current + line;
    case scPageUp:
      return current - page;
    case scPageDown:
      return current + page;
    case scTrack:
    case scPosition:
      return trackPos;
    case scTop:
      return 0;
    case scBottom:
      return end;
    default:
      return std::nullopt;
  }
}

void RelinkImages(TCustomImageList*& field, TCustomImageList* value, TChangeLink& link) {
  if (field) field->UnRegisterChanges(&link);
  field = value;
  if (value) value->RegisterChanges(&link);
}

}  // namespace qv
