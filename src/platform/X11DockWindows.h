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

// The panels that announce themselves as X11 dock windows, so their real rectangle is known.
// read() asks the X server; changed() tells when another read may answer differently (a dock
// window appeared, moved, was mapped or unmapped, or went away), once until the next read.
// Without X11 there is no dock window.
//
// A panel's tile size is its thickness: its icons fill it.
class X11DockWindows final : public QObject {
    Q_OBJECT
public:
    explicit X11DockWindows(QObject* parent = nullptr);
    ~X11DockWindows() override;

    [[nodiscard]] std::optional<DockGeometry> read();

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
