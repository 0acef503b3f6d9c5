#pragma once

#include <QJsonObject>

namespace tavik {

class AtmosphereScene;

// The scene as data: its size and, per effect, its depth, whether it is hidden and its node
// tree (kind, place, size, scale, rotation, alpha; birth rate, live particles and speed for
// emitters). How people and tests see what a scene holds.
[[nodiscard]] QJsonObject dumpScene(const AtmosphereScene& scene);

} // namespace tavik
