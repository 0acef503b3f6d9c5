#include "platform/DockPreferences.h"
#include "platform/SystemDockGeometry.h"
#include "platform/X11DockWindows.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

using namespace tavik;
using Orientation = DockGeometry::Orientation;

TEST(DockEstimate, UnknownValuesFallBackToABottomDockOf64)
{
    EXPECT_EQ(dock::orientationFrom("top"), Orientation::bottom);
    EXPECT_EQ(dock::orientationFrom("diagonal"), Orientation::bottom);
    EXPECT_EQ(dock::orientationFrom(""), Orientation::bottom);
    EXPECT_EQ(dock::orientationFrom("LEFT"), Orientation::left);
    EXPECT_EQ(dock::orientationFrom("right"), Orientation::right);
    for (std::optional<double> size : {std::optional<double>(0), std::optional<double>(-12), std::optional<double>()})
        EXPECT_EQ(dock::tileSizeFrom(size), 64);
    EXPECT_EQ(dock::tileSizeFrom(40), 40);
}

TEST(DockEstimate, BottomWidthGrowsWithItemsBetweenThreeTilesAndTheDisplay)
{
    EXPECT_DOUBLE_EQ(dock::estimatedBottomDockWidth(40, 10, 900), 588);
    EXPECT_DOUBLE_EQ(dock::estimatedBottomDockWidth(40, 25, 900), 900);
    EXPECT_DOUBLE_EQ(dock::estimatedBottomDockWidth(40, 0, 900), 3.7 * 40);

    DockPreferences preferences{"bottom", 40, false, 10, false};
    const DockGeometry bottom = dock::estimateGeometry(preferences, "DP-1", {900, 600});
    EXPECT_EQ(bottom.screenId, "DP-1");
    EXPECT_EQ(bottom.rect, QRectF(156, 0, 588, 56)); // centred, on the bottom edge, 1.4 t thick
    EXPECT_TRUE(bottom.isVisible);

    preferences.autohide = true;
    const DockGeometry hidden = dock::estimateGeometry(preferences, "DP-1", {900, 600});
    EXPECT_FALSE(hidden.isVisible);
    EXPECT_EQ(hidden.rect, bottom.rect);

    preferences.orientation = "left";
    EXPECT_EQ(dock::estimateGeometry(preferences, "DP-1", {900, 600}).rect, QRectF(0, 0, 56, 600));
    preferences.orientation = "right";
    EXPECT_EQ(dock::estimateGeometry(preferences, "DP-1", {900, 600}).rect, QRectF(844, 0, 56, 600));
    preferences = {"bottom", std::nullopt, false, 3, true}; // a dock stretched along its edge
    EXPECT_EQ(dock::estimateGeometry(preferences, "DP-1", {900, 600}).rect, QRectF(0, 0, 900, 89.6));
}

TEST(DockPreferences, ReadsGSettingsTextAndRejectsGarbage)
{
    EXPECT_EQ(dock::gvariantString(u"'BOTTOM'"), "BOTTOM");
    EXPECT_EQ(dock::gvariantString(uR"('it\'s')"), "it's");
    EXPECT_EQ(dock::gvariantNumber(u"uint32 48"), 48);
    EXPECT_EQ(dock::gvariantNumber(u" 40\n"), 40);
    EXPECT_EQ(dock::gvariantBool(u"true"), true);
    EXPECT_EQ(dock::gvariantStringArray(u"@as []"), QStringList());
    EXPECT_EQ(dock::gvariantStringArray(u"['a.desktop', 'b, \"c\".desktop']"),
              (QStringList{"a.desktop", "b, \"c\".desktop"}));
    for (const char16_t* garbage : {u"", u"No such schema “x”", u"'open", u"['a'", u"['a' 'b']", u"[1, 2]", u"nan"}) {
        EXPECT_FALSE(dock::gvariantString(garbage)) << QString::fromUtf16(garbage).toStdString();
        EXPECT_FALSE(dock::gvariantNumber(garbage)) << QString::fromUtf16(garbage).toStdString();
        EXPECT_FALSE(dock::gvariantBool(garbage)) << QString::fromUtf16(garbage).toStdString();
        EXPECT_FALSE(dock::gvariantStringArray(garbage)) << QString::fromUtf16(garbage).toStdString();
    }
}

TEST(DockPreferences, DashToDockCountsOnlyWhenGnomeShellRunsIt)
{
    const QString dash = dock::dashToDockSchema;
    const QString shell = dock::gnomeShellSchema;
    dock::GSettingsValues values = dock::parseGSettingsLines(
        (dash + " dock-position\t'LEFT'\n" + dash + " dash-max-icon-size\t32\n" + dash + " dock-fixed\tfalse\n" + dash +
         " intellihide\ttrue\n" + shell + " favorite-apps\t['a.desktop', 'b.desktop', 'c.desktop']\n" + shell +
         " enabled-extensions\t['dash-to-dock@micxgx.gmail.com']\nbroken line without a tab\n")
            .toUtf8());
    std::optional<DockPreferences> preferences = dock::dashToDockPreferences(values, u"GNOME");
    ASSERT_TRUE(preferences);
    EXPECT_EQ(preferences->orientation, "left");
    EXPECT_EQ(preferences->tileSize, 32);
    EXPECT_TRUE(preferences->autohide); // not fixed, and it hides when a window comes near
    EXPECT_EQ(preferences->itemCount, 3);

    EXPECT_FALSE(dock::dashToDockPreferences(values, u"XFCE")); // installed, but no GNOME Shell
    values.insert(shell + " disabled-extensions", "['dash-to-dock@micxgx.gmail.com']");
    EXPECT_FALSE(dock::dashToDockPreferences(values, u"GNOME"));
    EXPECT_TRUE(dock::dashToDockPreferences(values, u"ubuntu:GNOME")); // the Ubuntu dock

    // Garbage where numbers and lists belong: the estimate's defaults.
    values.insert(dash + " dash-max-icon-size", "big");
    values.insert(shell + " favorite-apps", "['a.desktop'");
    preferences = dock::dashToDockPreferences(values, u"ubuntu:GNOME");
    ASSERT_TRUE(preferences);
    EXPECT_EQ(dock::tileSizeFrom(preferences->tileSize), 64);
    EXPECT_EQ(preferences->itemCount, 0);
    values.insert(dash + " dock-position", "BOTTOM"); // unquoted: not a string
    EXPECT_FALSE(dock::dashToDockPreferences(values, u"ubuntu:GNOME"));
}

TEST(DockPreferences, PlankFromDconfOrItsKeyFile)
{
    const QString plank = dock::plankSchema;
    const std::optional<DockPreferences> fromDconf = dock::plankPreferences(
        {{plank + " position", "'right'"}, {plank + " icon-size", "56"}, {plank + " hide-mode", "'none'"},
         {plank + " dock-items", "['firefox.dockitem', 'files.dockitem']"}});
    ASSERT_TRUE(fromDconf);
    EXPECT_EQ(dock::orientationFrom(fromDconf->orientation), Orientation::right);
    EXPECT_EQ(fromDconf->tileSize, 56);
    EXPECT_FALSE(fromDconf->autohide);
    EXPECT_EQ(fromDconf->itemCount, 2);

    const std::optional<DockPreferences> fromFile = dock::plankKeyFilePreferences(
        "[PlankDockPreferences]\n#The size of dock icons (in pixels).\nIconSize=48\nHideMode=1\nPosition=3\n"
        "DockItems=a.dockitem;;b.dockitem;;c.dockitem\n");
    ASSERT_TRUE(fromFile);
    EXPECT_EQ(fromFile->orientation, "bottom");
    EXPECT_EQ(fromFile->tileSize, 48);
    EXPECT_TRUE(fromFile->autohide);
    EXPECT_EQ(fromFile->itemCount, 3);
    EXPECT_FALSE(dock::plankKeyFilePreferences("[Other]\nIconSize=48\n"));
}

TEST(DockWindows, PanelRectanglesLandInTheirDisplaysSceneCoordinates)
{
    // A 1000×800 display, and right of it one at pixel ratio 2 (1600×1200 X pixels).
    const std::vector<dock::ScreenFrame> screens{{"A", QRect(0, 0, 1000, 800), 1}, {"B", QRect(1000, 0, 800, 600), 2}};
    dock::DockWindow top{1, QRect(0, 0, 1000, 30), {0, 0, 30, 0}};
    dock::DockWindow left{2, QRect(0, 30, 60, 770), {60, 0, 0, 0}};
    dock::DockWindow bottom{3, QRect(1200, 1104, 800, 96), {0, 0, 0, 96}};

    std::optional<dock::ChosenDock> chosen = dock::chooseDock({top, left, bottom}, screens);
    ASSERT_TRUE(chosen);
    EXPECT_EQ(chosen->window, 3u);
    EXPECT_EQ(chosen->geometry.screenId, "B");
    EXPECT_EQ(chosen->geometry.orientation, Orientation::bottom);
    EXPECT_EQ(chosen->geometry.rect, QRectF(100, 0, 400, 48));
    EXPECT_EQ(chosen->geometry.tileSize, 48);
    EXPECT_TRUE(chosen->geometry.isVisible);

    chosen = dock::chooseDock({top, left}, screens); // top panels never count
    ASSERT_TRUE(chosen);
    EXPECT_EQ(chosen->geometry.orientation, Orientation::left);
    EXPECT_EQ(chosen->geometry.rect, QRectF(0, 0, 60, 770));

    bottom.rect.moveTop(1198); // slid down, two pixels left showing
    EXPECT_FALSE(dock::chooseDock({bottom}, screens)->geometry.isVisible);
    bottom.rect.moveTop(1104);
    bottom.mapped = false;
    EXPECT_FALSE(dock::chooseDock({bottom}, screens)->geometry.isVisible);
    EXPECT_FALSE(dock::chooseDock({top}, screens));
}

// The background reader end to end: a stand-in `gsettings` answers as GNOME Shell with
// dash-to-dock would, and a change in the dconf folder is picked up without asking.
TEST(SystemDockGeometry, EstimatesFromPublishedPreferencesAndFollowsChanges)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ASSERT_TRUE(QDir(dir.path()).mkpath("config/dconf"));
    const QString script = dir.filePath("gsettings");
    auto writeFake = [&](const char* position) {
        QFile file(script);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray("#!/bin/sh\ncase \"$2 $3\" in\n"
                              "*dash-to-dock\\ dock-position) echo \"'") +
                   position +
                   "'\" ;;\n"
                   "*dash-max-icon-size) echo 40 ;;\n"
                   "*dock-fixed) echo true ;;\n"
                   "*favorite-apps) echo \"['a.desktop', 'b.desktop']\" ;;\n"
                   "*enabled-extensions) echo \"['dash-to-dock@micxgx.gmail.com']\" ;;\n"
                   "*) echo 'No such key' >&2; exit 1 ;;\nesac\n");
        file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    };
    writeFake("BOTTOM");
    qputenv("PATH", dir.path().toUtf8() + ":" + qgetenv("PATH"));
    qputenv("XDG_CONFIG_HOME", dir.filePath("config").toUtf8());
    qputenv("XDG_CURRENT_DESKTOP", "GNOME");

    int argc = 1;
    char name[] = "test";
    char* argv[] = {name, nullptr};
    QGuiApplication app(argc, argv); // offscreen: no X11, so the preferences are all there is
    SystemDockGeometry provider;
    ASSERT_TRUE(QTest::qWaitFor([&] { return provider.currentGeometry().has_value(); }, 5000));
    const QRectF screen = QGuiApplication::primaryScreen()->geometry();
    DockGeometry geometry = *provider.currentGeometry();
    EXPECT_EQ(geometry.orientation, Orientation::bottom);
    EXPECT_EQ(geometry.tileSize, 40);
    EXPECT_TRUE(geometry.isVisible);
    const double width = 1.5 * 40 + 1.1 * 40 * 4;
    EXPECT_EQ(geometry.rect, QRectF(screen.width() / 2 - width / 2, 0, width, 56));

    writeFake("RIGHT");
    QFile(dir.filePath("config/dconf/user")).open(QIODevice::WriteOnly);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return provider.currentGeometry() && provider.currentGeometry()->orientation == Orientation::right; },
        5000));
    EXPECT_EQ(provider.currentGeometry()->rect, QRectF(screen.width() - 56, 0, 56, screen.height()));
}
