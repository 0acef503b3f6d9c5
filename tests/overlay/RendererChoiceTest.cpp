#include "overlay/RendererChoice.h"

#include <QHash>

#include <gtest/gtest.h>

namespace tavik {
namespace {

struct Case {
    const char* name;
    QHash<QString, QString> environment;
    std::optional<QString> glRenderer; // what a probe finds; nothing: no context
    RenderPath path;
    QString reason;
    bool probes;
};

void PrintTo(const Case& c, std::ostream* out) { *out << c.name; }

const QString kLlvmpipe = QStringLiteral("llvmpipe (LLVM 15.0.6, 256 bits)");
const QString kCard = QStringLiteral("AMD Radeon RX 6600 (radeonsi, navi23, LLVM 15.0.6, DRM 3.49)");

class RendererChoiceTest : public ::testing::TestWithParam<Case> {};

TEST_P(RendererChoiceTest, PicksByRequestThenByRasteriser)
{
    const Case& c = GetParam();
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

INSTANTIATE_TEST_SUITE_P(
    Machines, RendererChoiceTest,
    ::testing::Values(
        Case{"asked_for_raster_on_a_card", {{"TAVIK_RENDERER", " Raster "}}, kCard, RenderPath::raster,
             "TAVIK_RENDERER=raster", false},
        Case{"asked_for_gl_in_software", {{"TAVIK_RENDERER", "gl"}, {"LIBGL_ALWAYS_SOFTWARE", "1"}}, kLlvmpipe,
             RenderPath::openGl, "TAVIK_RENDERER=gl", false},
        Case{"llvmpipe", {}, kLlvmpipe, RenderPath::raster, "software OpenGL: llvmpipe", true},
        Case{"softpipe", {{"TAVIK_RENDERER", "fast"}}, QStringLiteral("softpipe"), RenderPath::raster,
             "software OpenGL: softpipe", true},
        Case{"swrast", {}, QStringLiteral("Software Rasterizer (SWRAST)"), RenderPath::raster,
             "software OpenGL: swrast", true},
        Case{"mesa_told_to_draw_in_software", {{"LIBGL_ALWAYS_SOFTWARE", "true"}}, kCard, RenderPath::raster,
             "software OpenGL: LIBGL_ALWAYS_SOFTWARE is set", false},
        Case{"mesa_told_not_to", {{"LIBGL_ALWAYS_SOFTWARE", "0"}}, kCard, RenderPath::openGl, "OpenGL: " + kCard, true},
        Case{"no_context", {}, std::nullopt, RenderPath::raster, "no OpenGL context", true},
        Case{"nameless_renderer", {}, QString(), RenderPath::raster, "OpenGL names no renderer", true}),
    [](const ::testing::TestParamInfo<Case>& param) { return std::string(param.param.name); });

} // namespace
} // namespace tavik
