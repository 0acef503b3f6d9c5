#pragma once

#include <QString>

#include <functional>
#include <optional>

class QObject;

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

// The choice for this process. Until the environment or a check has decided, QPainter (which
// works everywhere) with the reason "checking OpenGL".
[[nodiscard]] const RendererChoice& machineRenderer();
[[nodiscard]] bool machineRendererPending();

// Decides a pending choice in a child process (this program again), so that a software
// rasteriser's compiler, which stays loaded once a context was made, never enters this one.
// `decided` runs on the GUI thread once the choice is made; nothing happens when none is pending.
void checkRendererAside(QObject* owner, std::function<void()> decided);

// The child's side: set in the environment of this program, it prints GL_RENDERER and exits.
inline constexpr char kOpenGlCheckVariable[] = "TAVIK_OPENGL_CHECK";
int runOpenGlCheck(int argc, char** argv);

} // namespace tavik
