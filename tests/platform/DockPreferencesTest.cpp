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

// Centred on its edge, no wider than the display; a top dock or garbage counts as the bottom.
TEST(DockEstimate, FromPreferencesOnA900By600Display)
{
    const struct {
        DockPreferences preferences; // orientation, tile size, autohide, items, full length
        QRectF rect;
        bool visible = true;
    } cases[] = {
        {{"bottom", 40, false, 10, false}, QRectF(156, 0, 588, 56)},
        {{"bottom", 40, false, 25, false}, QRectF(0, 0, 900, 56)},
        {{"bottom", 40, true, 10, false}, QRectF(156, 0, 588, 56), false},
        {{"LEFT", 40, false, 10, false}, QRectF(0, 0, 56, 600)},
        {{"right", 40, false, 10, false}, QRectF(844, 0, 56, 600)},
        {{"bottom", std::nullopt, false, 3, true}, QRectF(0, 0, 900, 89.6)}, // stretched along its edge
        {{"top", -12, false, 0, false}, QRectF(331.6, 0, 236.8, 89.6)}, // no top dock; tiles of the default size
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.preferences.orientation.toStdString() + " " + std::to_string(c.preferences.itemCount));
        const DockGeometry geometry = dock::estimateGeometry(c.preferences, "DP-1", {900, 600});
        EXPECT_EQ(geometry.rect, c.rect);
        EXPECT_EQ(geometry.isVisible, c.visible);
    }
}

TEST(DockPreferences, ReadsGSettingsTextAndRejectsGarbage)
{
    EXPECT_EQ(dock::gvariantString(uR"('it\'s')"), "it's");
    EXPECT_EQ(dock::gvariantStringArray(u"['a.desktop', 'b, \"c\".desktop']"), (QStringList{"a.desktop", "b, \"c\".desktop"}));
    EXPECT_EQ(dock::gvariantStringArray(u"@as []"), QStringList()); // a dock with no favourites
    for (const char16_t* garbage : {u"", u"No such schema “x”", u"'open", u"['a'", u"['a' 'b']", u"[1, 2]", u"('a']", u"nan"}) {
        SCOPED_TRACE(QString::fromUtf16(garbage).toStdString());
        EXPECT_FALSE(dock::gvariantString(garbage));
        EXPECT_FALSE(dock::gvariantNumber(garbage));
        EXPECT_FALSE(dock::gvariantBool(garbage));
        EXPECT_FALSE(dock::gvariantStringArray(garbage));
    }
}

TEST(DockPreferences, DashToDockCountsOnlyWhenGnomeShellRunsIt)
{
    const QString dash = QString(dock::dashToDockSchema) + u' ';
    const QString shell = QString(dock::gnomeShellSchema) + u' ';
    dock::GSettingsValues values = dock::parseGSettingsLines(
        (dash + "dock-position\t'LEFT'\n" + dash + "dash-max-icon-size\t32\n" + dash + "dock-fixed\tfalse\n" + dash +
         "intellihide\ttrue\n" + shell + "favorite-apps\t['a.desktop', 'b.desktop', 'c.desktop']\n" + shell +
         "enabled-extensions\t['dash-to-dock@micxgx.gmail.com']\nbroken line without a tab\n")
            .toUtf8());
    std::optional<DockPreferences> preferences = dock::dashToDockPreferences(values, u"GNOME");
    ASSERT_TRUE(preferences); // not fixed, and it hides when a window comes near
    EXPECT_EQ(std::tuple(preferences->orientation, preferences->tileSize, preferences->autohide, preferences->itemCount),
              std::tuple(QString("left"), std::optional<double>(32), true, 3));

    EXPECT_FALSE(dock::dashToDockPreferences(values, u"XFCE")); // installed, but no GNOME Shell
    values.insert(shell + "disabled-extensions", "['dash-to-dock@micxgx.gmail.com']");
    EXPECT_FALSE(dock::dashToDockPreferences(values, u"GNOME"));
    EXPECT_TRUE(dock::dashToDockPreferences(values, u"ubuntu:GNOME")); // the Ubuntu dock

    values.insert(dash + "dock-fixed", "maybe"); // no flag: not fixed
    EXPECT_TRUE(dock::dashToDockPreferences(values, u"ubuntu:GNOME")->autohide);
    values.insert(dash + "dock-position", "BOTTOM"); // unquoted: not a string
    EXPECT_FALSE(dock::dashToDockPreferences(values, u"ubuntu:GNOME"));
}

TEST(DockPreferences, PlankFromDconfOrItsKeyFile)
{
    const QString plank = QString(dock::plankSchema) + u' ';
    const std::optional<DockPreferences> fromDconf = dock::plankPreferences(
        {{plank + "position", "'right'"}, {plank + "icon-size", "uint32 56"}, {plank + "hide-mode", "'none'"},
         {plank + "dock-items", "['firefox.dockitem', 'files.dockitem']"}});
    const std::optional<DockPreferences> fromFile = dock::plankKeyFilePreferences(
        "[PlankDockPreferences]\n#The size of dock icons (in pixels).\nIconSize=48\nHideMode=1\nPosition=3\n"
        "DockItems=a.dockitem;;b.dockitem;;c.dockitem\n");
    ASSERT_TRUE(fromDconf && fromFile);
    EXPECT_EQ(std::tuple(fromDconf->orientation, fromDconf->tileSize, fromDconf->autohide, fromDconf->itemCount),
              std::tuple(QString("right"), std::optional<double>(56), false, 2));
    EXPECT_EQ(std::tuple(fromFile->orientation, fromFile->tileSize, fromFile->autohide, fromFile->itemCount),
              std::tuple(QString("bottom"), std::optional<double>(48), true, 3));
    EXPECT_FALSE(dock::plankKeyFilePreferences("[Other]\nIconSize=48\n"));
}

TEST(DockWindows, PanelRectanglesLandInTheirDisplaysSceneCoordinates)
{
    // Right of a 1000×800 display, one at pixel ratio 2.
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
    EXPECT_TRUE(chosen->geometry.isVisible);

    EXPECT_EQ(dock::chooseDock({top, left}, screens)->geometry.rect, QRectF(0, 0, 60, 770)); // top panels never count

    bottom.rect.moveTop(1198); // slid down, two pixels left showing
    EXPECT_FALSE(dock::chooseDock({bottom}, screens)->geometry.isVisible);
    bottom.rect.moveTop(1104);
    bottom.mapped = false;
    EXPECT_FALSE(dock::chooseDock({bottom}, screens)->geometry.isVisible);
    EXPECT_FALSE(dock::chooseDock({top}, screens));
}

// A stand-in `gsettings` answers as the Ubuntu dock; a change in the dconf folder is picked up.
TEST(SystemDockGeometry, EstimatesFromPublishedPreferencesAndFollowsChanges)
{
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkpath("config/dconf"));
    const auto answerWith = [&](const char* position) {
        QFile script(dir.filePath("gsettings"));
        ASSERT_TRUE(script.open(QIODevice::WriteOnly));
        script.write(QByteArray("#!/bin/sh\ncase \"$3\" in\ndock-position) echo \"'") + position +
                     "'\" ;;\ndash-max-icon-size) echo 40 ;;\n*) exit 1 ;;\nesac\n");
        script.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    };
    answerWith("BOTTOM");
    qputenv("PATH", dir.path().toUtf8() + ":" + qgetenv("PATH"));
    qputenv("XDG_CONFIG_HOME", dir.filePath("config").toUtf8());
    qputenv("XDG_CURRENT_DESKTOP", "ubuntu:GNOME");

    int argc = 1;
    char name[] = "test";
    char* argv[] = {name, nullptr};
    QGuiApplication app(argc, argv); // offscreen: no X11, so the preferences are all there is
    SystemDockGeometry provider;
    const auto settles = [&](Orientation orientation) {
        return QTest::qWaitFor([&] { return provider.currentGeometry() && provider.currentGeometry()->orientation == orientation; },
                               5000);
    };
    const QRectF screen = QGuiApplication::primaryScreen()->geometry();
    ASSERT_TRUE(settles(Orientation::bottom));
    EXPECT_EQ(provider.currentGeometry()->rect, QRectF(screen.width() / 2 - 74, 0, 148, 56));

    answerWith("RIGHT");
    QFile(dir.filePath("config/dconf/user")).open(QIODevice::WriteOnly);
    ASSERT_TRUE(settles(Orientation::right));
    EXPECT_EQ(provider.currentGeometry()->rect, QRectF(screen.width() - 56, 0, 56, screen.height()));
}
