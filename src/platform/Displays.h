#pragma once

#include <QList>
#include <QString>

class QScreen;

namespace tavik {

// A connected display, keyed by an id that stays the same across restarts and reconnections,
// so a display switched off once stays off.
struct DisplayInfo {
    QString id;
    QString name; // "display" when the system gives none
    QScreen* screen = nullptr;

    bool operator==(const DisplayInfo& other) const { return id == other.id; }
};

// What identifies a display, as the system reports it.
struct DisplayIdentity {
    QString manufacturer; // from the monitor's EDID, when the system read it
    QString model;
    QString serialNumber;
    QString connector; // "HDMI-1", "eDP-1": stable while the cable stays in the port
    QString name;      // what to show the user
};

class Displays {
public:
    // One entry per screen, in the system's order.
    [[nodiscard]] static QList<DisplayInfo> connected();

    // Ids for a list of displays: built from the EDID (manufacturer, model, serial) when there
    // is one, else from the connector name, else "screen-" and the index. Two displays never
    // share an id: a repeat gets its connector (or its index) appended.
    [[nodiscard]] static QStringList idsFor(const QList<DisplayIdentity>& displays);
};

} // namespace tavik
