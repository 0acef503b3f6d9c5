#pragma once

#include "core/DockGeometry.h"

#include <QObject>
#include <QRect>
#include <QString>

#include <array>
#include <memory>
#include <optional>
#include <vector>

namespace tavik {

// Where this desktop's dock or panel is. On X11 the panels announce themselves as dock
// windows, so their real rectangle is known and kept fresh from X events. Otherwise, where
// a dock publishes its preferences (dash-to-dock, the Ubuntu dock, Plank), its place is
// estimated from them on the primary display, re-read in the background. No dock: none.
//
// A panel's tile size is its thickness: its icons fill it.
//
// currentGeometry() answers from a cache, so effects may ask every frame; changed() tells
// when the answer changes.
class SystemDockGeometry final : public QObject, public DockGeometryProvider {
    Q_OBJECT
public:
    explicit SystemDockGeometry(QObject* parent = nullptr);
    ~SystemDockGeometry() override;

    [[nodiscard]] std::optional<DockGeometry> currentGeometry() const override;

signals:
    void changed();

private:
    class Private;
    std::unique_ptr<Private> d;
};

// The pure part of reading dock windows, apart so it can be checked without an X server.
namespace dock {

// A top-level window of dock type, in X pixels and root coordinates.
struct DockWindow {
    quint32 window = 0;
    QRect rect;
    std::array<quint32, 4> strut{}; // left, right, top, bottom reservations; zero when none
    bool mapped = true;
    bool hidden = false; // _NET_WM_STATE_HIDDEN
};

// A display as Qt reports it: `geometry` in device-independent pixels (its top-left is the
// X position, its size the X size divided by the pixel ratio).
struct ScreenFrame {
    QString id;
    QRect geometry;
    double devicePixelRatio = 1;
};

struct ChosenDock {
    DockGeometry geometry;
    quint32 window = 0;
};

// The panel the effects should use: bottom, left or right (top panels are left out), a
// bottom one first, then the largest; its rectangle in the scene coordinates of the display
// that holds it.
[[nodiscard]] std::optional<ChosenDock> chooseDock(const std::vector<DockWindow>& windows,
                                                   const std::vector<ScreenFrame>& screens);

} // namespace dock
} // namespace tavik
