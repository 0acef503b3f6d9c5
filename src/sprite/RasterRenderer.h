#pragma once

#include "sprite/DrawList.h"

#include <QImage>
#include <QSize>

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <unordered_map>

class QPainter;
class QTransform;

namespace tavik::sprite {

// QPainter splits every large fill across the global thread pool, unless it runs on a thread of
// that pool already. A frame of this program is hundreds of modest draws: on two cores that
// split costs a fifth more CPU, makes frames no faster, and takes the core the X server and the
// compositor need. This runs `paint` on one pool thread and waits for it, or runs it right here
// when the pool has no thread free.
void paintInOneThread(const std::function<void()>& paint);

// Draws a draw list with QPainter: for tests, previews and machines without OpenGL.
// Scene points map to pixels by the backing scale, with y flipped.
class RasterRenderer {
public:
    // A transparent premultiplied image of `pixelSize` with the list drawn into it.
    [[nodiscard]] QImage render(const DrawList& list, QSize pixelSize, double backingScale);
    // Draws over whatever `target` (premultiplied ARGB32) already holds.
    void render(const DrawList& list, QImage& target, double backingScale);

    // Draws `quads` over what `painter` holds, through `sceneToDevice` (see deviceTransform).
    void draw(std::span<const Quad> quads, QPainter& painter, const QTransform& sceneToDevice);
    // Scene points (y up) to the pixels of a surface `heightPixels` tall (y down).
    [[nodiscard]] static QTransform deviceTransform(double heightPixels, double backingScale);

private:
    struct Tinted {
        std::weak_ptr<const Texture> source;
        QImage image;
    };

    const QImage& prepared(const Quad& quad);

    // Tinted copies by texture id and 8-bit factors: QPainter cannot multiply colours.
    std::unordered_map<std::uint64_t, Tinted> m_tinted;
};

} // namespace tavik::sprite
