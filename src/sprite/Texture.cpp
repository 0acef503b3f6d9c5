#include "sprite/Texture.h"

#include "sprite/Log.h"

#include <QPainter>

#include <atomic>
#include <cmath>

namespace tavik::sprite {

namespace {

// Anything larger is a bug in the caller, not a texture; refuse it rather than try to
// allocate gigabytes.
constexpr int kMaxTexturePixels = 16384;

std::uint64_t nextTextureId()
{
    static std::atomic<std::uint64_t> counter{1};
    return counter.fetch_add(1, std::memory_order_relaxed);
}

QImage onePixel(QRgb value)
{
    QImage image(1, 1, QImage::Format_ARGB32_Premultiplied);
    if (!image.isNull())
        image.setPixel(0, 0, value);
    return image;
}

} // namespace

Texture::Texture(Private, QImage image, QSizeF pointSize, Filtering filtering, bool placeholder)
    : m_image(std::move(image))
    , m_pointSize(pointSize)
    , m_filtering(filtering)
    , m_placeholder(placeholder)
    , m_id(nextTextureId())
{
}

TexturePtr Texture::placeholder()
{
    static const TexturePtr texture =
        std::make_shared<const Texture>(Private{}, onePixel(0), QSizeF(1, 1), Filtering::Linear, true);
    return texture;
}

TexturePtr Texture::white()
{
    static const TexturePtr texture =
        std::make_shared<const Texture>(Private{}, onePixel(0xffffffff), QSizeF(1, 1), Filtering::Nearest, false);
    return texture;
}

TexturePtr Texture::fromImage(const QImage& image, double scale, Filtering filtering)
{
    if (image.isNull() || !(scale > 0.0) || image.width() > kMaxTexturePixels || image.height() > kMaxTexturePixels) {
        qCDebug(lcSprite) << "texture from an unusable image" << image.size() << "at scale" << scale;
        return placeholder();
    }
    QImage pixels = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (pixels.isNull())
        return placeholder();
    const QSizeF points(pixels.width() / scale, pixels.height() / scale);
    return std::make_shared<const Texture>(Private{}, std::move(pixels), points, filtering, false);
}

TexturePtr Texture::draw(QSizeF pointSize, double scale, Filtering filtering,
                         const std::function<void(QPainter&)>& paint)
{
    if (!(pointSize.width() > 0.0) || !(pointSize.height() > 0.0) || !(scale > 0.0))
        return placeholder();
    const double pw = std::max(1.0, std::round(pointSize.width() * scale));
    const double ph = std::max(1.0, std::round(pointSize.height() * scale));
    if (pw > kMaxTexturePixels || ph > kMaxTexturePixels)
        return placeholder();

    QImage image(int(pw), int(ph), QImage::Format_ARGB32_Premultiplied);
    if (image.isNull()) {
        qCDebug(lcSprite) << "could not allocate a texture of" << pw << "×" << ph << "pixels";
        return placeholder();
    }
    image.fill(Qt::transparent);
    {
        QPainter painter;
        if (!painter.begin(&image))
            return placeholder();
        painter.setRenderHint(QPainter::Antialiasing);
        // Points, bottom-left origin, y up; the exact pixel/point ratio per axis keeps the
        // drawing filling the rounded pixel size.
        painter.translate(0.0, ph);
        painter.scale(pw / pointSize.width(), -ph / pointSize.height());
        if (paint)
            paint(painter);
    }
    return std::make_shared<const Texture>(Private{}, std::move(image), pointSize, filtering, false);
}

TexturePtr Texture::withFiltering(Filtering filtering) const
{
    if (filtering == m_filtering)
        return shared_from_this();
    return std::make_shared<const Texture>(Private{}, m_image, m_pointSize, filtering, m_placeholder);
}

} // namespace tavik::sprite
