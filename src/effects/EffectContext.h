#pragma once

#include "core/DockGeometry.h"

#include "settings/SettingsTable.h"

#include "sprite/Color.h"
#include "sprite/Random.h"

#include <QColor>
#include <QString>

namespace tavik {

class SettingsStore;

// Per-display facts a scene and its splashes need.
struct ScreenRenderInfo {
    bool hostsDock = false;
    double backingScale = 1; // pixels per point
};

// What every effect is built with besides its size and the settings: the scene's one source
// of randomness (so a seeded scene replays exactly), the display's backing scale for drawing
// textures, where the dock is, and the shared clock's reading when the scene is built.
struct EffectContext {
    sprite::Random& random;
    const DockGeometryProvider& dock;
    double backingScale = 1;
    double now = 0;
};

// Colours an effect falls back to when its stored colour string does not parse.
namespace FallbackColor {
inline const QColor cyan{0x32, 0xAD, 0xE6};
inline const QColor orange{0xFF, 0x95, 0x00};
inline const QColor pink{0xFF, 0x2D, 0x55};
inline const QColor lightGray{0xAA, 0xAA, 0xAA};
inline const QColor white{0xFF, 0xFF, 0xFF};
} // namespace FallbackColor

// A number setting as the effects use it: within its range from the settings table, whatever
// the store holds (it stores what it is given, and a saved scene may carry any number).
[[nodiscard]] double boundedSetting(const SettingsStore& settings, Setting id);

// Seconds to fall `distance` points, starting at `speed` points per second downwards and
// gaining `acceleration` points per second every second.
[[nodiscard]] double fallTime(double distance, double speed, double acceleration);

// The colour of a stored "#RRGGBB" string, or the fallback.
[[nodiscard]] sprite::Color effectColor(const QString& hex, const QColor& fallback);

// The colour moved `amount` (0 to 1) of the way towards black, alpha kept.
[[nodiscard]] QColor towardsBlack(const QColor& color, double amount);

} // namespace tavik
