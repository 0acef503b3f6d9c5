#include "overlay/PartialPresent.h"

#include <QGuiApplication>
#include <QOpenGLContext>

namespace tavik {

namespace {

using QueryExtensions = const char* (*)(void* display, int screen);

} // namespace

std::unique_ptr<PartialPresent> PartialPresent::find(QOpenGLContext& context)
{
    if (!context.nativeInterface<QNativeInterface::QGLXContext>())
        return nullptr;
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    void* display = x11 ? static_cast<void*>(x11->display()) : nullptr;
    if (!display)
        return nullptr;
    // GLX hands out an entry point for any name; only the extension list says it works.
    const auto query = reinterpret_cast<QueryExtensions>(context.getProcAddress("glXQueryExtensionsString"));
    const auto copy = reinterpret_cast<CopySubBuffer>(context.getProcAddress("glXCopySubBufferMESA"));
    // One X screen carries every monitor of a desktop with RandR.
    const char* extensions = query ? query(display, 0) : nullptr;
    if (!copy || !extensions || !QByteArray(extensions).split(' ').contains("GLX_MESA_copy_sub_buffer"))
        return nullptr;
    return std::unique_ptr<PartialPresent>(new PartialPresent(display, copy));
}

void PartialPresent::present(WId window, const QRect& area, int windowHeight) const
{
    // GLX counts rows from the bottom.
    m_copy(m_display, static_cast<unsigned long>(window), area.x(), windowHeight - area.y() - area.height(),
           area.width(), area.height());
}

} // namespace tavik
