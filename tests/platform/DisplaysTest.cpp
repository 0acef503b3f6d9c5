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

namespace {

const DisplayIdentity kLeftTwin{"GSM", "LG 27", "", "DP-1", "LG 27"};
const DisplayIdentity kRightTwin{"GSM", "LG 27", "", "DP-2", "LG 27"};
const DisplayIdentity kPortlessTwin{"GSM", "LG 27", "", "", "LG 27"};
const DisplayIdentity kWithSerial{"DEL", "U2720Q", "9XK1", "DP-3", "DELL U2720Q"};

QList<DisplayInfo> describe(const QList<DisplayIdentity>& identities)
{
    const QStringList ids = Displays::idsFor(identities);
    const QStringList former = Displays::formerIdsFor(identities);
    QList<DisplayInfo> displays;
    for (qsizetype i = 0; i < identities.size(); ++i)
        displays << DisplayInfo{ids[i], identities[i].name, nullptr, former[i]};
    return displays;
}

} // namespace

TEST(Displays, TwinsWithoutASerialKeepTheirIdsWhicheverIsUnpluggedOrPrimary)
{
    const struct {
        QList<DisplayIdentity> connected;
        QStringList ids;
    } cases[] = {
        {{kLeftTwin, kRightTwin}, {"GSM-LG 27@DP-1", "GSM-LG 27@DP-2"}},
        {{kRightTwin, kLeftTwin}, {"GSM-LG 27@DP-2", "GSM-LG 27@DP-1"}}, // the primary changed
        {{kRightTwin}, {"GSM-LG 27@DP-2"}},                              // the first unplugged
        {{kWithSerial, kLeftTwin}, {"DEL-U2720Q-9XK1", "GSM-LG 27@DP-1"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Displays::idsFor(c.connected), c.ids) << c.ids.join(u' ').toStdString();

    // Without ports either, the place in the list tells them apart.
    const QStringList bare = Displays::idsFor({kPortlessTwin, kPortlessTwin, kPortlessTwin});
    EXPECT_EQ(QSet<QString>(bare.begin(), bare.end()).size(), 3);
}

TEST(Displays, SwitchesStoredUnderAFormerIdMoveOnceToTheDisplayTheyMeant)
{
    using Switches = std::map<QString, bool>;
    const struct {
        const char* what;
        QList<DisplayIdentity> connected;
        Switches stored;
        Switches expected;
    } cases[] = {
        {"a lone monitor without a serial", {kLeftTwin}, {{"GSM-LG 27", false}}, {{"GSM-LG 27@DP-1", false}}},
        {"twins: the bare id was the first one's",
         {kLeftTwin, kRightTwin},
         {{"GSM-LG 27", false}, {"GSM-LG 27@DP-2", true}},
         {{"GSM-LG 27@DP-1", false}, {"GSM-LG 27@DP-2", true}}},
        {"a switch under the id wins", {kLeftTwin}, {{"GSM-LG 27", false}, {"GSM-LG 27@DP-1", true}},
         {{"GSM-LG 27@DP-1", true}}},
        {"a display whose id it still is keeps it",
         {kPortlessTwin, kRightTwin},
         {{"GSM-LG 27", false}},
         {{"GSM-LG 27", false}}},
        {"ids with a serial never changed", {kWithSerial}, {{"DEL-U2720Q-9XK1", false}}, {{"DEL-U2720Q-9XK1", false}}},
        {"other displays' switches stay", {kRightTwin}, {{"HDMI-1", false}}, {{"HDMI-1", false}}},
    };
    for (const auto& c : cases) {
        Switches switches = c.stored;
        const bool changed = Displays::carryOverFormerIds(switches, describe(c.connected));
        EXPECT_EQ(switches, c.expected) << c.what;
        EXPECT_EQ(changed, c.stored != c.expected) << c.what;
        EXPECT_FALSE(Displays::carryOverFormerIds(switches, describe(c.connected))) << c.what << ": only once";
    }
}

TEST(Displays, NamesComeFromTheMonitorThenTheSystemThenThePlace)
{
    const struct {
        DisplayIdentity display;
        QString name;
    } cases[] = {
        {{"Dell Inc.", "DELL U2720Q", "9XK1", "DP-1", "DP-1"}, "DELL U2720Q"}, // the model names its maker
        {{"Samsung Electric Company", "S24E450", "", "HDMI-1", "HDMI-1"}, "Samsung Electric Company S24E450"},
        {{"", "LG 27", "", "DP-2", "DP-2"}, "LG 27"},
        {{" AU  Optronics ", "", "", "eDP-1", "eDP-1"}, "AU Optronics"},
        {{"", "", "", "HDMI-2", "HDMI-2"}, "HDMI-2"},
        {{"", "", "", "XWAYLAND0", "XWAYLAND0"}, "display 4"}, // XWayland's made-up output name
        {{"", "", "", "", " "}, "display 4"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Displays::nameFor(c.display, 3), c.name) << c.name.toStdString();
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
