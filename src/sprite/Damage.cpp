#include "sprite/Damage.h"

#include "sprite/DrawList.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace tavik::sprite {

namespace {

// Small enough that a thin streak wastes little around it, large enough that the tile grid of
// a 4K display stays a few tens of thousands of bytes.
constexpr int kTile = 16;
// Linear filtering and rounding can reach one pixel past the exact outline.
constexpr double kFilterMargin = 1.0;

struct TileGrid {
    int columns = 0;
    int rows = 0;
    std::vector<std::uint8_t> marked;

    void mark(int left, int top, int right, int bottom) // inclusive tile indices
    {
        for (int row = top; row <= bottom; ++row)
            std::fill_n(marked.begin() + row * columns + left, right - left + 1, std::uint8_t(1));
    }
};

// Marks the tiles under one quad; false when its numbers cannot be placed.
bool markQuad(TileGrid& grid, const Quad& q, QSize pixels, double scale)
{
    const double xs[] = {q.tx, q.tx + q.a, q.tx + q.a + q.c, q.tx + q.c};
    const double ys[] = {q.ty, q.ty + q.b, q.ty + q.b + q.d, q.ty + q.d};
    const auto [minX, maxX] = std::minmax_element(std::begin(xs), std::end(xs));
    const auto [minY, maxY] = std::minmax_element(std::begin(ys), std::end(ys));
    // Scene y goes up, pixel rows go down.
    const double left = *minX * scale - kFilterMargin;
    const double right = *maxX * scale + kFilterMargin;
    const double top = pixels.height() - *maxY * scale - kFilterMargin;
    const double bottom = pixels.height() - *minY * scale + kFilterMargin;
    if (!std::isfinite(left) || !std::isfinite(right) || !std::isfinite(top) || !std::isfinite(bottom))
        return false;
    if (right < 0 || bottom < 0 || left >= pixels.width() || top >= pixels.height())
        return true;
    // Clamped before it becomes an int: a quad may reach far past any screen.
    auto tileOf = [](double pixel, int count) { return int(std::clamp(std::floor(pixel / kTile), 0.0, count - 1.0)); };
    grid.mark(tileOf(left, grid.columns), tileOf(top, grid.rows), tileOf(right, grid.columns),
              tileOf(bottom, grid.rows));
    return true;
}

// One band of rectangles per tile row; the region's own union merges equal bands.
QRegion regionOf(const TileGrid& grid, QSize pixels)
{
    QRegion region;
    std::vector<QRect> band;
    for (int row = 0; row < grid.rows; ++row) {
        band.clear();
        const std::uint8_t* line = grid.marked.data() + row * grid.columns;
        for (int column = 0; column < grid.columns;) {
            if (!line[column]) {
                ++column;
                continue;
            }
            const int start = column;
            while (column < grid.columns && line[column])
                ++column;
            band.emplace_back(start * kTile, row * kTile, (column - start) * kTile, kTile);
        }
        if (!band.empty()) {
            QRegion rowRegion;
            rowRegion.setRects(band.data(), int(band.size()));
            region += rowRegion;
        }
    }
    return region & QRect(QPoint(0, 0), pixels);
}

} // namespace

QRegion coveredRegion(const DrawList& list, QSize pixelSize, double backingScale)
{
    return coveredRegion(list.quads(), pixelSize, backingScale);
}

QRegion coveredRegion(std::span<const Quad> quads, QSize pixelSize, double backingScale)
{
    const QRect whole(QPoint(0, 0), pixelSize);
    if (quads.empty() || pixelSize.isEmpty())
        return {};
    if (!(backingScale > 0.0) || !std::isfinite(backingScale))
        return whole;
    TileGrid grid;
    grid.columns = (pixelSize.width() + kTile - 1) / kTile;
    grid.rows = (pixelSize.height() + kTile - 1) / kTile;
    grid.marked.assign(std::size_t(grid.columns) * std::size_t(grid.rows), 0);
    for (const Quad& quad : quads) {
        if (!markQuad(grid, quad, pixelSize, backingScale))
            return whole;
    }
    return regionOf(grid, pixelSize);
}

double areaOf(const QRegion& region)
{
    double area = 0;
    for (const QRect& rect : region)
        area += double(rect.width()) * rect.height();
    return area;
}

QRegion DamageTracker::next(const DrawList& list, QSize pixelSize, double backingScale)
{
    return next(coveredRegion(list, pixelSize, backingScale), pixelSize);
}

QRegion DamageTracker::next(QRegion covered, QSize pixelSize)
{
    QRegion damage;
    if (m_whole || pixelSize != m_size)
        damage = QRect(QPoint(0, 0), pixelSize);
    else
        damage = m_previous | covered;
    m_previous = std::move(covered);
    m_size = pixelSize;
    m_whole = false;
    return damage;
}

} // namespace tavik::sprite
