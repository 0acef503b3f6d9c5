#include "platform/CompositorHints.h"

#include "platform/X11Support.h"

#include <array>

namespace tavik::x11 {

namespace {

template<std::size_t N>
bool setCardinals(xcb_window_t window, const char* name, const std::array<uint32_t, N>& values)
{
    const xcb_atom_t property = atom(name);
    if (property == XCB_ATOM_NONE)
        return false;
    return checked(xcb_change_property_checked(connection(), XCB_PROP_MODE_REPLACE, window, property,
                                               XCB_ATOM_CARDINAL, 32, uint32_t(N), values.data()));
}

} // namespace

bool askForPlainCompositing(WId window)
{
    if (connection() == nullptr || window == 0)
        return false;
    const auto id = static_cast<xcb_window_t>(window);
    const bool noShadow = setCardinals(id, "_COMPTON_SHADOW", std::array<uint32_t, 1>{0});
    const bool noBlur = setCardinals(id, "_GTK_FRAME_EXTENTS", std::array<uint32_t, 4>{0, 0, 0, 0});
    return noShadow && noBlur;
}

} // namespace tavik::x11
