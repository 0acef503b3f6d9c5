#include "sprite/RasterRenderer.h"

#include <QPainter>
#include <QSemaphore>
#include <QThreadPool>

#include <algorithm>
#include <cmath>

namespace tavik::sprite {

namespace {

// Enough variety for a frame; beyond it the cache starts over rather than grow.
constexpr std::size_t kMaxTintedImages = 512;

int channel(float value) { return std::clamp(int(std::lround(value * 255.0f)), 0, 255); }

// Multiplies each premultiplied channel by its factor (0..255 meaning 0..1).
QImage tint(const QImage& source, int red, int green, int blue, int alpha)
{
    QImage out = source.copy();
    auto scale = [](int value, int factor) { return (value * factor + 127) / 255; };
    for (int y = 0; y < out.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x) {
            const QRgb px = line[x];
            line[x] = qRgba(scale(qRed(px), red), scale(qGreen(px), green), scale(qBlue(px), blue),
                            scale(qAlpha(px), alpha));
        }
    }
    return out;
}

} // namespace

void paintInOneThread(const std::function<void()>& paint)
{
    QSemaphore done;
    const bool started = QThreadPool::globalInstance()->tryStart([&] {
        paint();
        done.release();
    });
    if (started)
        done.acquire();
    else
        paint();
}

// Alpha-blended quads get their opacity from the painter. Additive ones carry it in the
// image: QPainter's Plus with an opacity clamps the sum before weighing it, so bright
// overlaps would come out darker than dst + src × alpha.
const QImage& RasterRenderer::prepared(const Quad& quad)
{
    const Texture& texture = *quad.texture;
    const bool additive = quad.blend == BlendMode::Add;
    // The quad's colour is premultiplied; the tint is that colour over alpha.
    const float inverse = quad.alpha > 0.0f ? 1.0f / quad.alpha : 0.0f;
    const float weight = additive ? quad.alpha : 1.0f;
    const int red = channel(quad.red * inverse * weight);
    const int green = channel(quad.green * inverse * weight);
    const int blue = channel(quad.blue * inverse * weight);
    const int alpha = channel(weight);
    if (red == 255 && green == 255 && blue == 255 && alpha == 255)
        return texture.image();

    const std::uint64_t key = (texture.id() << 32) ^ std::uint64_t(alpha << 24 | red << 16 | green << 8 | blue);
    auto it = m_tinted.find(key);
    if (it != m_tinted.end() && !it->second.source.expired())
        return it->second.image;
    if (m_tinted.size() >= kMaxTintedImages)
        m_tinted.clear();
    Tinted entry{texture.weak_from_this(), tint(texture.image(), red, green, blue, alpha)};
    return m_tinted.insert_or_assign(key, std::move(entry)).first->second.image;
}

QImage RasterRenderer::render(const DrawList& list, QSize pixelSize, double backingScale)
{
    QImage image(pixelSize, QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return image;
    image.fill(Qt::transparent);
    render(list, image, backingScale);
    return image;
}

void RasterRenderer::render(const DrawList& list, QImage& target, double backingScale)
{
    QPainter painter;
    if (target.isNull() || !painter.begin(&target))
        return;
    draw(list.quads(), painter, deviceTransform(target.height(), backingScale));
}

QTransform RasterRenderer::deviceTransform(double heightPixels, double backingScale)
{
    return {backingScale, 0.0, 0.0, -backingScale, 0.0, heightPixels};
}

void RasterRenderer::draw(std::span<const Quad> quads, QPainter& painter, const QTransform& sceneToDevice)
{
    for (const Quad& quad : quads) {
        const QImage& image = prepared(quad);
        const double w = image.width();
        const double h = image.height();
        // Image pixels (y down) to the unit square (y up), then on to the scene.
        const QTransform imageToUnit(1.0 / w, 0.0, 0.0, -1.0 / h, 0.0, 1.0);
        const QTransform unitToScene(quad.a, quad.b, quad.c, quad.d, quad.tx, quad.ty);
        painter.setTransform(imageToUnit * unitToScene * sceneToDevice);
        const bool additive = quad.blend == BlendMode::Add;
        painter.setOpacity(additive ? 1.0 : quad.alpha);
        painter.setCompositionMode(additive ? QPainter::CompositionMode_Plus : QPainter::CompositionMode_SourceOver);
        painter.setRenderHint(QPainter::SmoothPixmapTransform, quad.texture->filtering() == Filtering::Linear);
        painter.drawImage(QPointF(0.0, 0.0), image);
    }
}

} // namespace tavik::sprite
