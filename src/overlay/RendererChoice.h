#pragma once

#include <QString>

#include <functional>
#include <optional>

namespace tavik {

enum class RenderPath { openGl, raster };

// Which renderer the overlays use and why, in words for `tavik status`.
struct RendererChoice {
    RenderPath path = RenderPath::raster;
    QString reason;
};

// The name of the software rasteriser behind an OpenGL renderer string, or an empty string
// for a graphics card.
[[nodiscard]] QString softwareRasteriser(const QString& glRenderer);

// TAVIK_RENDERER=raster or =gl decides outright. Otherwise OpenGL draws only on a graphics
// card: a software rasteriser spends far more on its fragment work than QPainter does on the
// same picture, and keeps a compiler in memory besides. `environment` reads a variable;
// `probe` gives GL_RENDERER of a context made for the purpose, or nothing when none can be.
[[nodiscard]] RendererChoice chooseRenderer(const std::function<QString(const char*)>& environment,
                                            const std::function<std::optional<QString>()>& probe);

// The choice for this process, made once on first use (the GUI thread, after the application
// object exists); the probing context is gone again before it returns.
[[nodiscard]] const RendererChoice& machineRenderer();

} // namespace tavik
