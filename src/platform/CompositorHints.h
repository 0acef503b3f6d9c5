#pragma once

#include <QWindow>

// What an overlay asks of an X11 compositor. A compositor that gives windows drop shadows
// would frame the whole display in one, and one that blurs what shows through translucent
// windows would blur the entire desktop behind the scene.
namespace tavik::x11 {

// Marks the window for no shadow (_COMPTON_SHADOW 0, which picom and its forerunners always
// read) and no blur behind it (_GTK_FRAME_EXTENTS of zero on every side, which picom's
// shipped configuration exempts from blur and shadow). _NET_WM_BYPASS_COMPOSITOR stays
// unset: the overlay needs the compositor to be seen through. False without X11 or when the
// window is gone.
bool askForPlainCompositing(WId window);

} // namespace tavik::x11
