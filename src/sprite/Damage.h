#pragma once

#include <QRegion>
#include <QSize>

#include <span>

namespace tavik::sprite {

class DrawList;
struct Quad;

// The pixels a draw list can touch on a surface of `pixelSize` (y down, scene points scaled by
// `backingScale`): every quad's bounding box, widened by a pixel for filtering, rounded out to
// a grid of small tiles so that a screen full of scattered drops stays a few dozen rectangles.
[[nodiscard]] QRegion coveredRegion(const DrawList& list, QSize pixelSize, double backingScale);
[[nodiscard]] QRegion coveredRegion(std::span<const Quad> quads, QSize pixelSize, double backingScale);
// How many pixels a region holds.
[[nodiscard]] double areaOf(const QRegion& region);

// Remembers what the last frame covered, so each frame redraws only what changed: the area
// the previous picture had (to wipe it) and the area the new one has. A frame that shows
// nothing after a frame that showed nothing needs no drawing at all.
class DamageTracker {
public:
    // The area to clear and draw for a frame showing `list`; empty when nothing changed.
    [[nodiscard]] QRegion next(const DrawList& list, QSize pixelSize, double backingScale);
    // The same for a frame whose picture covers `covered`.
    [[nodiscard]] QRegion next(QRegion covered, QSize pixelSize);
    // The surface lost its contents (new, resized, exposed again): the next frame is whole.
    void invalidate() { m_whole = true; }

private:
    QRegion m_previous;
    QSize m_size;
    bool m_whole = true;
};

} // namespace tavik::sprite
