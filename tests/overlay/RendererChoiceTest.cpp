#include "overlay/RendererChoice.h"

#include <QHash>

#include <gtest/gtest.h>

namespace tavik {
namespace {

const QString kLlvmpipe = QStringLiteral("llvmpipe (LLVM 15.0.6, 256 bits)");
const QString kCard = QStringLiteral("AMD Radeon RX 6600 (radeonsi, navi23, LLVM 15.0.6, DRM 3.49)");

// A request decides outright; otherwise only a graphics card's OpenGL draws, found by a probe.
TEST(RendererChoiceTest, PicksByRequestThenByRasteriser)
{
    const struct {
        QHash<QString, QString> environment;
        std::optional<QString> glRenderer; // what a probe finds; nothing: no context
        RenderPath path;
        QString reason;
        bool probes;
    } cases[] = {
        {{{"TAVIK_RENDERER", " Raster "}}, kCard, RenderPath::raster, "TAVIK_RENDERER=raster", false},
        {{{"TAVIK_RENDERER", "gl"}, {"LIBGL_ALWAYS_SOFTWARE", "1"}}, kLlvmpipe, RenderPath::openGl,
         "TAVIK_RENDERER=gl", false},
        {{}, kLlvmpipe, RenderPath::raster, "software OpenGL: llvmpipe", true},
        {{{"TAVIK_RENDERER", "fast"}}, QStringLiteral("softpipe"), RenderPath::raster, "software OpenGL: softpipe",
         true},
        {{}, QStringLiteral("Software Rasterizer (SWRAST)"), RenderPath::raster, "software OpenGL: swrast", true},
        {{{"LIBGL_ALWAYS_SOFTWARE", "true"}}, kCard, RenderPath::raster,
         "software OpenGL: LIBGL_ALWAYS_SOFTWARE is set", false},
        {{{"LIBGL_ALWAYS_SOFTWARE", "0"}}, kCard, RenderPath::openGl, "OpenGL: " + kCard, true},
        {{}, std::nullopt, RenderPath::raster, "no OpenGL context", true},
        {{}, QString(), RenderPath::raster, "OpenGL names no renderer", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reason.toStdString());
        bool probed = false;
        const RendererChoice choice = chooseRenderer(
            [&](const char* name) { return c.environment.value(QLatin1String(name)); },
            [&] {
                probed = true;
                return c.glRenderer;
            });
        EXPECT_EQ(choice.path, c.path);
        EXPECT_EQ(choice.reason, c.reason);
        EXPECT_EQ(probed, c.probes);
    }
}

} // namespace
} // namespace tavik
