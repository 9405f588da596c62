#include "platform/gui/QtCursors.h"

#include <map>

namespace qv {

namespace {

std::map<TCursor, QCursor>& Cursors() {
  static std::map<TCursor, QCursor> cursors;
  return cursors;
}

}  // namespace

void RegisterScreenCursor(TCursor id, const QCursor& cursor) { Cursors()[id] = cursor; }

const QCursor* RegisteredScreenCursor(TCursor id) {
  auto it = Cursors().find(id);
  return it == Cursors().end() ? nullptr : &it->second;
}

}  // namespace qv
