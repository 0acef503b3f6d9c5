#pragma once

#include "core/DockGeometry.h"

#include <QObject>

#include <memory>
#include <optional>

namespace tavik {

// Where this desktop's dock or panel is. On X11 the panels announce themselves as dock
// windows, so their real rectangle is known and kept fresh from X events. Otherwise, where
// a dock publishes its preferences (dash-to-dock, the Ubuntu dock, Plank), its place is
// estimated from them on the primary display, re-read in the background. No dock: none.
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

} // namespace tavik
