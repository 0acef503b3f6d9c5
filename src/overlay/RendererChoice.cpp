#include "overlay/RendererChoice.h"

#include "overlay/OverlayLog.h"

#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFunctions>

#include <array>

namespace tavik {

namespace {

constexpr std::array kSoftwareRasterisers{"llvmpipe", "softpipe", "swrast"};
// The values Mesa reads as "yes".
const QStringList kMesaTrue{QStringLiteral("1"), QStringLiteral("true"), QStringLiteral("y"), QStringLiteral("yes")};

std::optional<QString> probeOpenGl()
{
    QOpenGLContext context;
    if (!context.create())
        return std::nullopt;
    QOffscreenSurface surface;
    surface.setFormat(context.format());
    surface.create();
    if (!surface.isValid() || !context.makeCurrent(&surface))
        return std::nullopt;
    const auto* name = reinterpret_cast<const char*>(context.functions()->glGetString(GL_RENDERER));
    QString renderer = name ? QString::fromUtf8(name) : QString();
    context.doneCurrent();
    return renderer;
}

} // namespace

QString softwareRasteriser(const QString& glRenderer)
{
    for (const char* name : kSoftwareRasterisers) {
        if (glRenderer.contains(QLatin1String(name), Qt::CaseInsensitive))
            return QLatin1String(name);
    }
    return {};
}

RendererChoice chooseRenderer(const std::function<QString(const char*)>& environment,
                              const std::function<std::optional<QString>()>& probe)
{
    const QString asked = environment("TAVIK_RENDERER").trimmed().toLower();
    if (asked == u"raster")
        return {RenderPath::raster, QStringLiteral("TAVIK_RENDERER=raster")};
    if (asked == u"gl" || asked == u"opengl")
        return {RenderPath::openGl, QStringLiteral("TAVIK_RENDERER=%1").arg(asked)};
    // Mesa then draws in software whatever the machine has; no need to load it to ask.
    if (kMesaTrue.contains(environment("LIBGL_ALWAYS_SOFTWARE").trimmed().toLower()))
        return {RenderPath::raster, QStringLiteral("software OpenGL: LIBGL_ALWAYS_SOFTWARE is set")};
    const std::optional<QString> renderer = probe();
    if (!renderer)
        return {RenderPath::raster, QStringLiteral("no OpenGL context")};
    if (const QString software = softwareRasteriser(*renderer); !software.isEmpty())
        return {RenderPath::raster, QStringLiteral("software OpenGL: %1").arg(software)};
    if (renderer->isEmpty())
        return {RenderPath::raster, QStringLiteral("OpenGL names no renderer")};
    return {RenderPath::openGl, QStringLiteral("OpenGL: %1").arg(*renderer)};
}

const RendererChoice& machineRenderer()
{
    static const RendererChoice choice = [] {
        RendererChoice made = chooseRenderer([](const char* name) { return qEnvironmentVariable(name); }, probeOpenGl);
        qCInfo(lcOverlay) << "drawing with" << (made.path == RenderPath::openGl ? "OpenGL" : "QPainter") << "-"
                          << made.reason;
        return made;
    }();
    return choice;
}

} // namespace tavik
