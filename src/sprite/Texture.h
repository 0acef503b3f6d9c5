#pragma once

#include <QImage>
#include <QSizeF>

#include <cstdint>
#include <functional>
#include <memory>

class QPainter;

namespace tavik::sprite {

enum class Filtering { Linear, Nearest };

// An immutable image with its size in points. Shared by every sprite and emitter that
// shows it; renderers upload it once and let it go with its last user.
class Texture : public std::enable_shared_from_this<Texture> {
    struct Private {};

public:
    // `scale` is pixels per point (the display's backing scale): a 64 × 64 pixel image at
    // scale 2 is a 32 × 32 point texture. A null image gives the placeholder.
    [[nodiscard]] static std::shared_ptr<const Texture> fromImage(const QImage& image, double scale = 1.0,
                                                                  Filtering filtering = Filtering::Linear);

    // Draws a texture of `pointSize` at `scale` pixels per point. The painter works in
    // points with the origin at the bottom-left and y up, like the scene, on a cleared
    // (transparent) premultiplied image. Any failure gives the placeholder.
    [[nodiscard]] static std::shared_ptr<const Texture> draw(QSizeF pointSize, double scale, Filtering filtering,
                                                             const std::function<void(QPainter&)>& paint);

    // 1 × 1 transparent: what a failed image becomes, so callers never hold a null texture.
    [[nodiscard]] static std::shared_ptr<const Texture> placeholder();

    // 1 × 1 opaque white: what an untextured, coloured sprite is drawn with.
    [[nodiscard]] static std::shared_ptr<const Texture> white();

    // The same pixels with another filtering.
    [[nodiscard]] std::shared_ptr<const Texture> withFiltering(Filtering filtering) const;

    Texture(Private, QImage image, QSizeF pointSize, Filtering filtering, bool placeholder);

    [[nodiscard]] const QImage& image() const { return m_image; }
    [[nodiscard]] QSizeF size() const { return m_pointSize; }
    [[nodiscard]] QSize pixelSize() const { return m_image.size(); }
    [[nodiscard]] Filtering filtering() const { return m_filtering; }
    [[nodiscard]] bool isPlaceholder() const { return m_placeholder; }
    // Unique for the life of the program, never reused: renderers key their caches on it.
    [[nodiscard]] std::uint64_t id() const { return m_id; }

private:
    QImage m_image; // Format_ARGB32_Premultiplied
    QSizeF m_pointSize;
    Filtering m_filtering;
    bool m_placeholder;
    std::uint64_t m_id;
};

using TexturePtr = std::shared_ptr<const Texture>;

} // namespace tavik::sprite
