#pragma once

#include <QRectF>
#include <QString>

#include <optional>

namespace tavik {

// Where the dock (a Linux panel or dock) is. A Linux dock belongs to one display: `rect` is
// given in that display's scene coordinates (points, origin at its bottom-left, y up), so
// minY = rect.y() and maxY = rect.y() + rect.height(). Effects that use the dock do so on
// the display that hosts it (ScreenRenderInfo::hostsDock) only where they say so.
struct DockGeometry {
    enum class Orientation { bottom, left, right };

    QString screenId; // the DisplayInfo id of the display that shows the dock
    Orientation orientation = Orientation::bottom;
    QRectF rect;
    double tileSize = 64;
    bool isVisible = true; // false when the dock hides itself automatically

    [[nodiscard]] double minX() const { return rect.x(); }
    [[nodiscard]] double maxX() const { return rect.x() + rect.width(); }
    [[nodiscard]] double minY() const { return rect.y(); }
    [[nodiscard]] double maxY() const { return rect.y() + rect.height(); }
};

// Where the dock is now. Effects may ask every frame, so answers must be cheap: the system's
// provider keeps its answer up to date from the desktop's own notifications, and a moved
// dock shows at the next call.
class DockGeometryProvider {
public:
    virtual ~DockGeometryProvider() = default;
    [[nodiscard]] virtual std::optional<DockGeometry> currentGeometry() const = 0;
};

// The dock as things that fall see it. Only a dock along the bottom edge has a top edge to
// splash on, settle on or rest on: a side dock runs the display's full height, so its top
// is the top of the screen. For these effects a side dock counts as no dock.
class LandingDockGeometry final : public DockGeometryProvider {
public:
    explicit LandingDockGeometry(const DockGeometryProvider& dock) : m_dock(dock) {}
    [[nodiscard]] std::optional<DockGeometry> currentGeometry() const override
    {
        std::optional<DockGeometry> geometry = m_dock.currentGeometry();
        if (geometry && geometry->orientation != DockGeometry::Orientation::bottom)
            return std::nullopt;
        return geometry;
    }

private:
    const DockGeometryProvider& m_dock;
};

// For machines and tests without a dock.
class NoDockGeometry final : public DockGeometryProvider {
public:
    [[nodiscard]] std::optional<DockGeometry> currentGeometry() const override { return std::nullopt; }
};

// A dock at a fixed place: `tavik render --dock` and tests.
class FixedDockGeometry final : public DockGeometryProvider {
public:
    explicit FixedDockGeometry(std::optional<DockGeometry> geometry = std::nullopt) : m_geometry(std::move(geometry)) {}
    void setGeometry(std::optional<DockGeometry> geometry) { m_geometry = std::move(geometry); }
    [[nodiscard]] std::optional<DockGeometry> currentGeometry() const override { return m_geometry; }

private:
    std::optional<DockGeometry> m_geometry;
};

} // namespace tavik
