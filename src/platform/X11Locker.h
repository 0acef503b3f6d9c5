#pragma once

#include "platform/ScreenLockMonitor.h"

#include <memory>

namespace tavik::x11 {

// Looks for a screen locker on this X display: a full-screen, override-redirect window of
// another program above every managed window, or else a keyboard grab held by another program
// (found by trying to grab the keyboard ourselves, and letting go at once when that works).
// Null without X11.
[[nodiscard]] std::unique_ptr<ScreenLockerProbe> makeLockerProbe();

} // namespace tavik::x11
