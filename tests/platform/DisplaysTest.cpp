#include "platform/Displays.h"

#include <gtest/gtest.h>

#include <QGuiApplication>

using namespace tavik;

TEST(Displays, IdsComeFromTheMonitorThenThePortThenThePlace)
{
    const QStringList ids = Displays::idsFor({
        {"DEL", "U2720Q", "9XK1", "DP-1", "DELL U2720Q"},
        {"", "", "", "HDMI-1", "HDMI-1"},
        {"", "", "", "", ""},
        {"  ", " ", "", " eDP-1 ", "Built-in"},
    });
    EXPECT_EQ(ids, (QStringList{"DEL-U2720Q-9XK1", "HDMI-1", "screen-2", "eDP-1"}));
}

TEST(Displays, TwinMonitorsKeepDistinctIds)
{
    const DisplayIdentity left{"GSM", "LG 27", "", "DP-1", "LG 27"};
    const DisplayIdentity right{"GSM", "LG 27", "", "DP-2", "LG 27"};
    const QStringList ids = Displays::idsFor({left, right});
    ASSERT_EQ(ids.size(), 2);
    EXPECT_NE(ids[0], ids[1]);
    EXPECT_EQ(ids[0], "GSM-LG 27");
    EXPECT_EQ(ids[1], "GSM-LG 27@DP-2");
    // Without ports either, the place in the list tells them apart.
    const QStringList bare = Displays::idsFor({{"GSM", "LG 27", "", "", ""}, {"GSM", "LG 27", "", "", ""}, {"GSM", "LG 27", "", "", ""}});
    EXPECT_EQ(QSet<QString>(bare.begin(), bare.end()).size(), 3);
}

TEST(Displays, ConnectedScreensAllGetANameAndAnId)
{
    int argc = 1;
    char name[] = "test";
    char* argv[] = {name, nullptr};
    QGuiApplication app(argc, argv); // the offscreen platform has one screen
    const QList<DisplayInfo> displays = Displays::connected();
    ASSERT_EQ(displays.size(), QGuiApplication::screens().size());
    for (const DisplayInfo& display : displays) {
        EXPECT_FALSE(display.id.isEmpty());
        EXPECT_FALSE(display.name.isEmpty());
        EXPECT_NE(display.screen, nullptr);
    }
}
