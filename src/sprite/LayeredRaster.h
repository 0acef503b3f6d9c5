#pragma once

#include "sprite/Damage.h"
#include "sprite/DrawList.h"

#include <QImage>
#include <QRegion>
#include <QSize>

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace tavik::sprite {

class RasterRenderer;

// Draws frame after frame onto one surface with QPainter, doing as little as the picture allows.
// Only what changed since the last frame is cleared and drawn again. A costly run of quads that
// needs far fewer frames than the fastest thing on screen (soft clouds, fog, rays of light) is
// kept as a picture, drawn afresh only as often as its nodes ask, and copied in between.
class LayeredRaster {
public:
    explicit LayeredRaster(RasterRenderer& renderer) : m_renderer(renderer) {}

    // Plans the frame that shows `list` at `time` (seconds): which runs are kept as pictures,
    // which of those are due (they are drawn now), and the area of the surface that changes,
    // empty when nothing did. The list must stay as it is until draw().
    [[nodiscard]] QRegion prepare(const DrawList& list, QSize pixelSize, double backingScale, double time);
    // Clears `area` of `target` (premultiplied ARGB32 of the planned size) and draws the frame there.
    void draw(QImage& target, const QRegion& area);
    // The surface lost its contents: the next frame is drawn whole.
    void invalidate() { m_whole = true; }

    // The runs kept as pictures now, and the memory their pictures take.
    [[nodiscard]] int keptLayers() const { return int(m_layers.size()); }
    [[nodiscard]] std::size_t keptBytes() const;

private:
    // How a run reaches the surface: drawn quad by quad each frame, or copied from its picture.
    // Only the lowest run may mix blend modes: under it there is nothing to blend with.
    enum class Kind : std::uint8_t { drawn, lowest, alpha, add };
    struct Segment {
        std::size_t first = 0;
        std::size_t count = 0;
        Kind kind = Kind::drawn;
        float rate = 0;  // the most demanding draw rate among its quads
        QRegion covered; // of a kept run
    };
    struct Layer {
        Kind kind = Kind::lowest;
        QImage picture;
        QRect rect;      // where the picture goes on the surface
        QRegion covered; // the pixels its quads covered when it was drawn
        double drawnAt = 0;
    };

    void split(std::span<const Quad> quads);
    void choosePictures(std::span<const Quad> quads);
    void redraw(Layer& layer, const Segment& segment, double time);
    [[nodiscard]] std::span<const Quad> quadsOf(const Segment& segment) const;

    RasterRenderer& m_renderer;
    const DrawList* m_list = nullptr;
    std::vector<Segment> m_segments;
    std::vector<Layer> m_layers; // one per kept segment, bottom to top
    DamageTracker m_drawnDamage; // of the quads drawn each frame
    QSize m_size;
    double m_scale = 0;
    bool m_whole = true;
};

} // namespace tavik::sprite
