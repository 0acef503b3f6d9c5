#pragma once

#include <QStringList>
#include <QTextStream>

namespace tavik {

class KeyValueStore;

// `tavik render`: draws the atmosphere of the current settings headless into a PNG (and/or
// dumps the scene as JSON). Nothing is written to the settings. args exclude "render".
int runRenderCommand(const QStringList& args, const KeyValueStore& settingsSource, QTextStream& out, QTextStream& err);

// Whether the arguments ask for the OpenGL renderer (which needs a GUI application object).
[[nodiscard]] bool renderWantsOpenGl(const QStringList& args);

} // namespace tavik
