#include "db/DBScreen.h"

namespace {
TDBScreenCursorHook& Hook() {
  static TDBScreenCursorHook hook;
  return hook;
}
}  // namespace

void SetDBScreenCursorHook(const TDBScreenCursorHook& hook) { Hook() = hook; }
TDBScreenCursorHook DBScreenCursorHook() { return Hook(); }

// A hook is usable only with both halves: a cursor that can be set but not read could not be put back.
bool DBScreenAvailable() { return Hook().GetCursor && Hook().SetCursor; }

TCursor DBScreenCursor() { return DBScreenAvailable() ? Hook().GetCursor() : crDefault; }

void SetDBScreenCursor(TCursor cursor) {
  if (DBScreenAvailable()) Hook().SetCursor(cursor);
}
