#pragma once

#include "core/DockGeometry.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QPair>
#include <QSizeF>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <optional>

// Where a dock that publishes its preferences (dash-to-dock or the Ubuntu dock in GNOME
// Shell, Plank) most likely sits, worked out from those preferences and the display size:
// the docks draw themselves, so there is no window to measure.
namespace tavik {

struct DockPreferences {
    QString orientation;            // "bottom", "left", "right"; anything else counts as bottom
    std::optional<double> tileSize; // icon size in points; missing, 0 or negative means 64
    bool autohide = false;          // the dock is not permanently visible
    int itemCount = 0;              // icons the user keeps in the dock
    bool fullLength = false;        // the dock stretches along its whole edge
};

namespace dock {

[[nodiscard]] DockGeometry::Orientation orientationFrom(const QString& orientation);
[[nodiscard]] double tileSizeFrom(std::optional<double> tileSize);
// 1.5 t + 1.1 t (items + 2), at least 3 t, at most the display width.
[[nodiscard]] double estimatedBottomDockWidth(double tileSize, int itemCount, double screenWidth);
// The rectangle in the display's scene coordinates (points, origin bottom-left, y up).
[[nodiscard]] DockGeometry estimateGeometry(const DockPreferences& preferences, const QString& screenId,
                                            QSizeF screenSize);

// Values as `gsettings get` prints them (GVariant text); none when the text is not one.
[[nodiscard]] std::optional<QString> gvariantString(QStringView text);
[[nodiscard]] std::optional<double> gvariantNumber(QStringView text);
[[nodiscard]] std::optional<bool> gvariantBool(QStringView text);
[[nodiscard]] std::optional<QStringList> gvariantStringArray(QStringView text);

// "SCHEMA KEY" → value text, read from lines "SCHEMA KEY<tab>VALUE"; a key that could not be
// read is left out.
using GSettingsValues = QHash<QString, QString>;
[[nodiscard]] GSettingsValues parseGSettingsLines(const QByteArray& output);

inline constexpr char dashToDockSchema[] = "org.gnome.shell.extensions.dash-to-dock";
inline constexpr char gnomeShellSchema[] = "org.gnome.shell";
inline constexpr char plankSchema[] = "net.launchpad.plank.dock.settings:/net/launchpad/plank/docks/dock1/";
// The keys to ask for, as (schema, key) pairs.
[[nodiscard]] QList<QPair<QString, QString>> gsettingsKeys();

// dash-to-dock (or the Ubuntu dock, its twin) when GNOME Shell runs it. `currentDesktop` is
// XDG_CURRENT_DESKTOP.
[[nodiscard]] std::optional<DockPreferences> dashToDockPreferences(const GSettingsValues& values,
                                                                   QStringView currentDesktop);
// Plank's first dock, from its dconf settings or else from its older key file
// (~/.config/plank/dock1/settings).
[[nodiscard]] std::optional<DockPreferences> plankPreferences(const GSettingsValues& values);
[[nodiscard]] std::optional<DockPreferences> plankKeyFilePreferences(const QString& text);

} // namespace dock
} // namespace tavik
