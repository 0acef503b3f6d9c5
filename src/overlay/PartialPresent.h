#pragma once

#include <QRect>
#include <QWindow>

#include <memory>

class QOpenGLContext;

namespace tavik {

// Puts part of a window's back buffer on screen without swapping (GLX_MESA_copy_sub_buffer),
// so the back buffer keeps the whole picture and the next frame need only redraw what changed.
// Platforms without it (EGL, other GLX) swap whole frames instead.
class PartialPresent {
public:
    // Nothing when the context offers no such call. `context` must be current.
    [[nodiscard]] static std::unique_ptr<PartialPresent> find(QOpenGLContext& context);

    // `area` is in pixels from the top left of a window `windowHeight` pixels high.
    void present(WId window, const QRect& area, int windowHeight) const;

private:
    using CopySubBuffer = void (*)(void* display, unsigned long drawable, int x, int y, int width, int height);

    PartialPresent(void* display, CopySubBuffer copy) : m_display(display), m_copy(copy) {}

    void* m_display;
    CopySubBuffer m_copy;
};

} // namespace tavik
