#pragma once

namespace tavik {

// How the desktop names the running program: "Tavik", its menu entry tavik.desktop (which
// window lists, sound menus and portals match it to) and its icon on every window.
void setApplicationIdentity();

} // namespace tavik
