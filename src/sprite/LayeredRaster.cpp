#include "sprite/LayeredRaster.h"

#include "sprite/RasterRenderer.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace tavik::sprite {

namespace {

// A run is slow enough to keep as a picture when the fastest quad on screen needs at least
// twice its rate: it is then copied at least every other frame instead of drawn.
constexpr float kSlowness = 2.0f;
// Painting costs, in copies of a pixel of a large picture, as measured with QPainter on one
// core: a texture shown at its own size is a copy, a scaled one (fog, clouds) costs about two
// and a half, a turned one (rays of light) about eight.
constexpr double kPlainCost = 1.0;
constexpr double kScaledCost = 2.5;
constexpr double kTurnedCost = 8.0;
// Keeping a picture pays when painting its quads costs at least twice copying it: it is copied
// every frame and painted itself now and then. Scattered stars, motes or a few drifting clouds
// are painted; stacked curtains, a veil of fog over the screen or rays of light are kept.
constexpr double kWorthCost = 2.0;
// All pictures of one surface together, in pixels: three full-HD screens (24 MB), whatever the
// surface's size, so a 4K display keeps fewer of them rather than more memory.
constexpr double kMaxKeptPixels = 3.0 * 1920 * 1080;
// A change made of more rectangles than this may be drawn as its bounds (see prepare()).
constexpr int kManyRects = 16;
// Pictures grow in steps of this many pixels each way.
constexpr int kGrowth = 128;
// Frame times jitter; a picture due within half a 60 Hz frame is drawn now rather than late.
constexpr double kEarly = 0.008;

// What painting a quad costs, in pixel copies; at most the whole surface at the dearest rate.
double paintCost(const Quad& quad, double scale, double surfacePixels)
{
    const double area = std::min(std::abs(double(quad.a) * quad.d - double(quad.b) * quad.c) * scale * scale,
                                 surfacePixels);
    if (quad.b != 0 || quad.c != 0)
        return area * kTurnedCost;
    const QImage& texels = quad.texture->image();
    const bool ownSize = std::abs(quad.a * scale - texels.width()) < 0.5 && std::abs(quad.d * scale - texels.height()) < 0.5;
    return area * (ownSize ? kPlainCost : kScaledCost);
}

} // namespace

std::span<const Quad> LayeredRaster::quadsOf(const Segment& segment) const
{
    return std::span<const Quad>(m_list->quads()).subspan(segment.first, segment.count);
}

std::size_t LayeredRaster::keptBytes() const
{
    std::size_t bytes = 0;
    for (const Layer& layer : m_layers)
        bytes += std::size_t(layer.picture.sizeInBytes());
    return bytes;
}

// Cuts the list into runs: drawn each frame, or slow. A slow run above others is cut again
// where its blend mode changes, since a picture reaches the surface with one mode only, and
// where its rate does.
void LayeredRaster::split(std::span<const Quad> quads)
{
    m_segments.clear();
    float fastest = 0;
    for (const Quad& quad : quads)
        fastest = std::max(fastest, quad.drawRate);
    bool lowest = true; // nothing drawn each frame under it yet
    for (std::size_t i = 0; i < quads.size(); ++i) {
        const Quad& quad = quads[i];
        const bool slow = quad.drawRate > 0 && std::isfinite(quad.drawRate) && quad.drawRate * kSlowness <= fastest;
        Kind kind = Kind::drawn;
        if (!slow)
            lowest = false;
        else if (lowest)
            kind = Kind::lowest;
        else
            kind = quad.blend == BlendMode::Add ? Kind::add : Kind::alpha;
        // Above the lowest run, parts that ask for different rates are kept apart, so a few
        // scattered motes do not drag a costly neighbour into being drawn every frame.
        const bool joins = !m_segments.empty() && m_segments.back().kind == kind
                           && (kind == Kind::drawn || kind == Kind::lowest || m_segments.back().rate == quad.drawRate);
        if (!joins)
            m_segments.push_back({i, 0, kind, 0, {}});
        Segment& segment = m_segments.back();
        ++segment.count;
        segment.rate = std::max(segment.rate, quad.drawRate);
    }
}

// Keeps a slow run as a picture only where that pays and the surface's allowance has room;
// the rest is drawn each frame.
void LayeredRaster::choosePictures(std::span<const Quad> quads)
{
    const double surfacePixels = double(m_size.width()) * m_size.height();
    double keptPixels = 0;
    for (Segment& segment : m_segments) {
        if (segment.kind == Kind::drawn)
            continue;
        const std::span<const Quad> run = quads.subspan(segment.first, segment.count);
        segment.covered = coveredRegion(run, m_size, m_scale);
        const QRect box = segment.covered.boundingRect();
        const double boxPixels = double(box.width()) * box.height();
        double cost = 0;
        for (const Quad& quad : run)
            cost += paintCost(quad, m_scale, surfacePixels);
        if (boxPixels > 0 && cost >= kWorthCost * boxPixels && keptPixels + boxPixels <= kMaxKeptPixels)
            keptPixels += boxPixels;
        else
            segment.kind = Kind::drawn;
    }
    // Neighbours drawn each frame make one run.
    std::size_t out = 0;
    for (std::size_t i = 0; i < m_segments.size(); ++i) {
        if (out > 0 && m_segments[i].kind == Kind::drawn && m_segments[out - 1].kind == Kind::drawn) {
            m_segments[out - 1].count += m_segments[i].count;
            continue;
        }
        m_segments[out++] = std::move(m_segments[i]);
    }
    m_segments.resize(out);
}

void LayeredRaster::redraw(Layer& layer, const Segment& segment, double time)
{
    layer.covered = segment.covered;
    layer.rect = segment.covered.boundingRect();
    layer.drawnAt = time;
    // The picture only grows, in steps, so drifting content does not make a new one each time.
    if (layer.picture.width() < layer.rect.width() || layer.picture.height() < layer.rect.height()) {
        auto roomFor = [](int needed, int limit) { return std::min((needed + kGrowth - 1) / kGrowth * kGrowth, limit); };
        layer.picture = QImage(roomFor(std::max(layer.rect.width(), layer.picture.width()), m_size.width()),
                               roomFor(std::max(layer.rect.height(), layer.picture.height()), m_size.height()),
                               QImage::Format_ARGB32_Premultiplied);
    }
    if (layer.picture.isNull())
        return;
    QPainter painter(&layer.picture);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.fillRect(QRect(QPoint(0, 0), layer.rect.size()), Qt::transparent);
    const QTransform toPicture = RasterRenderer::deviceTransform(m_size.height(), m_scale)
                                 * QTransform::fromTranslate(-layer.rect.x(), -layer.rect.y());
    m_renderer.draw(quadsOf(segment), painter, toPicture);
}

QRegion LayeredRaster::prepare(const DrawList& list, QSize pixelSize, double backingScale, double time)
{
    m_list = &list;
    const std::span<const Quad> quads(list.quads());
    const QRect surface(QPoint(0, 0), pixelSize);
    bool whole = m_whole || pixelSize != m_size || backingScale != m_scale;
    m_whole = false;
    m_size = pixelSize;
    m_scale = backingScale;

    if (pixelSize.isEmpty() || !(backingScale > 0.0) || !std::isfinite(backingScale)) {
        // Nothing can be kept or placed: everything is drawn, everywhere.
        m_segments.assign(1, {0, quads.size(), Kind::drawn, 0, {}});
        m_layers.clear();
        return surface;
    }

    split(quads);
    choosePictures(quads);

    // Pictures are matched to last frame's by their order and kind; any other change of shape
    // starts them all afresh.
    std::vector<Kind> kinds;
    for (const Segment& segment : m_segments)
        if (segment.kind != Kind::drawn)
            kinds.push_back(segment.kind);
    const bool sameShape = std::equal(kinds.begin(), kinds.end(), m_layers.begin(), m_layers.end(),
                                      [](Kind kind, const Layer& layer) { return kind == layer.kind; });
    if (!sameShape) {
        whole = true;
        m_layers.resize(kinds.size());
        for (std::size_t i = 0; i < kinds.size(); ++i)
            m_layers[i].kind = kinds[i];
    }

    QRegion damage;
    QRegion drawn;
    auto layer = m_layers.begin();
    for (const Segment& segment : m_segments) {
        if (segment.kind == Kind::drawn) {
            drawn += coveredRegion(quadsOf(segment), m_size, m_scale);
            continue;
        }
        const double interval = 1.0 / segment.rate;
        if (whole || time < layer->drawnAt || time - layer->drawnAt + kEarly >= interval) {
            damage += layer->covered;
            redraw(*layer, segment, time);
            damage += layer->covered;
        }
        ++layer;
    }
    damage += m_drawnDamage.next(std::move(drawn), m_size);
    if (whole)
        return surface;
    damage &= surface;
    // Clipping to hundreds of small rectangles slows every draw more than painting the gaps
    // between them does: a change spread over most of its bounds is drawn as those bounds.
    const QRect bounds = damage.boundingRect();
    if (damage.rectCount() > kManyRects && areaOf(damage) * 2 >= double(bounds.width()) * bounds.height())
        return bounds;
    return damage;
}

void LayeredRaster::draw(QImage& target, const QRegion& area)
{
    QPainter painter;
    if (!m_list || area.isEmpty() || target.isNull() || !painter.begin(&target))
        return;
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    for (const QRect& rect : area)
        painter.fillRect(rect, Qt::transparent);
    painter.setClipRegion(area);
    const QTransform toSurface = RasterRenderer::deviceTransform(target.height(), m_scale);
    auto layer = m_layers.begin();
    for (const Segment& segment : m_segments) {
        const Layer* kept = segment.kind == Kind::drawn ? nullptr : &*layer++;
        // A picture that could not be made (no memory for it) is painted quad by quad instead.
        if (!kept || kept->picture.isNull()) {
            m_renderer.draw(quadsOf(segment), painter, toSurface);
            continue;
        }
        painter.resetTransform();
        painter.setOpacity(1.0);
        painter.setCompositionMode(segment.kind == Kind::add ? QPainter::CompositionMode_Plus
                                                             : QPainter::CompositionMode_SourceOver);
        painter.drawImage(kept->rect.topLeft(), kept->picture, QRect(QPoint(0, 0), kept->rect.size()));
    }
}

} // namespace tavik::sprite
