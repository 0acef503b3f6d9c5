#pragma once

#include "sprite/DrawList.h"

#include <QImage>
#include <QSize>

#include <cstdint>
#include <memory>
#include <unordered_map>

class QPainter;
class QRegion;

namespace tavik::sprite {

// Draws a draw list with QPainter: for tests, previews and machines without OpenGL.
// Scene points map to pixels by the backing scale, with y flipped.
class RasterRenderer {
public:
    // A transparent premultiplied image of `pixelSize` with the list drawn into it.
    [[nodiscard]] QImage render(const DrawList& list, QSize pixelSize, double backingScale);
    // Draws over whatever `target` (premultiplied ARGB32) already holds.
    void render(const DrawList& list, QImage& target, double backingScale);
    // Clears `area` of `target` to transparent and draws the list there only; the pixels
    // come out as a whole redraw would give them.
    void render(const DrawList& list, QImage& target, double backingScale, const QRegion& area);

private:
    struct Tinted {
        std::weak_ptr<const Texture> source;
        QImage image;
    };

    const QImage& prepared(const Quad& quad);
    void draw(const DrawList& list, QPainter& painter, double heightPixels, double backingScale);

    // Tinted copies by texture id and 8-bit factors: QPainter cannot multiply colours.
    std::unordered_map<std::uint64_t, Tinted> m_tinted;
};

} // namespace tavik::sprite
