#pragma once

#include <QList>
#include <QString>

#include <map>

class QScreen;

namespace tavik {

// A connected display, keyed by an id that stays the same across restarts and reconnections,
// so a display switched off once stays off.
struct DisplayInfo {
    QString id;
    QString name; // what the user sees (nameFor)
    QScreen* screen = nullptr;
    // The id older versions gave it, where that differs: a monitor without a serial number
    // was once known without its port. Its stored switch is carried over once.
    QString formerId{};

    bool operator==(const DisplayInfo& other) const { return id == other.id; }
};

// What identifies a display, as the system reports it.
struct DisplayIdentity {
    QString manufacturer; // from the monitor's EDID, when the system read it
    QString model;
    QString serialNumber;
    QString connector; // "HDMI-1", "eDP-1": stable while the cable stays in the port
    QString name;      // the system's own name for it: its output name on X11
};

class Displays {
public:
    // One entry per screen, in the system's order.
    [[nodiscard]] static QList<DisplayInfo> connected();

    // Ids for a list of displays: built from the EDID (manufacturer, model, serial) when there
    // is one, else from the connector name, else "screen-" and the index. Without a serial
    // number the connector is always part of the id ("GSM-LG 27@DP-2"), so identical twins
    // keep their own ids whichever is unplugged or made primary. Two displays never share an
    // id: a repeat gets its connector (or its index) appended.
    [[nodiscard]] static QStringList idsFor(const QList<DisplayIdentity>& displays);
    // What the user sees: the monitor's maker and model where the EDID gives them ("Dell Inc.
    // U2720Q", or just the model when it already names the maker), else the system's name,
    // else "display" and its place counted from one. XWayland's made-up output names
    // ("XWAYLAND0") count as none.
    [[nodiscard]] static QString nameFor(const DisplayIdentity& display, qsizetype index);
    // Per display, the id older versions gave it where that differs from idsFor(), else empty.
    [[nodiscard]] static QStringList formerIdsFor(const QList<DisplayIdentity>& displays);

    // Moves each switch still stored under a connected display's former id to its id, for the
    // first such display in the system's order (the one the former id meant); a switch
    // already stored under the id wins. Returns whether anything changed.
    static bool carryOverFormerIds(std::map<QString, bool>& switches, const QList<DisplayInfo>& displays);
};

} // namespace tavik
