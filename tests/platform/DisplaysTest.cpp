#include "platform/Displays.h"

#include <gtest/gtest.h>

using namespace tavik;

namespace {

const DisplayIdentity kLeftTwin{"GSM", "LG 27", "", "DP-1", "LG 27"};
const DisplayIdentity kRightTwin{"GSM", "LG 27", "", "DP-2", "LG 27"};
const DisplayIdentity kPortlessTwin{"GSM", "LG 27", "", "", "LG 27"};
const DisplayIdentity kWithSerial{"DEL", "U2720Q", "9XK1", "DP-3", "DELL U2720Q"};

} // namespace

// From the monitor, then the port, then the place; twins keep their ids whichever is unplugged.
TEST(Displays, IdsAreUniqueAndStable)
{
    const struct {
        QList<DisplayIdentity> connected;
        QStringList ids;
    } cases[] = {
        {{kWithSerial, {"", "", "", "HDMI-1", "HDMI-1"}, {"", "", "", "", ""}, {"  ", " ", "", " eDP-1 ", "Built-in"}},
         {"DEL-U2720Q-9XK1", "HDMI-1", "screen-2", "eDP-1"}},
        {{kLeftTwin, kRightTwin}, {"GSM-LG 27@DP-1", "GSM-LG 27@DP-2"}},
        {{kRightTwin, kLeftTwin}, {"GSM-LG 27@DP-2", "GSM-LG 27@DP-1"}},
        {{kRightTwin}, {"GSM-LG 27@DP-2"}},
        {{kPortlessTwin, kPortlessTwin, kPortlessTwin}, {"GSM-LG 27", "GSM-LG 27@1", "GSM-LG 27@2"}},
        {{kLeftTwin, kLeftTwin, kLeftTwin}, {"GSM-LG 27@DP-1", "GSM-LG 27@DP-1@2", "GSM-LG 27@DP-1@3"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Displays::idsFor(c.connected), c.ids) << c.ids.join(u' ').toStdString();
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
        {"twins: the bare id was the first one's", {kLeftTwin, kRightTwin}, {{"GSM-LG 27", false}, {"GSM-LG 27@DP-2", true}},
         {{"GSM-LG 27@DP-1", false}, {"GSM-LG 27@DP-2", true}}},
        {"a switch under the id wins", {kLeftTwin}, {{"GSM-LG 27", false}, {"GSM-LG 27@DP-1", true}}, {{"GSM-LG 27@DP-1", true}}},
        {"a display whose id it still is keeps it", {kPortlessTwin, kRightTwin}, {{"GSM-LG 27", false}}, {{"GSM-LG 27", false}}},
        {"ids with a serial never changed", {kWithSerial}, {{"DEL-U2720Q-9XK1", false}}, {{"DEL-U2720Q-9XK1", false}}},
        {"other displays' switches stay", {kRightTwin}, {{"HDMI-1", false}}, {{"HDMI-1", false}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const QStringList ids = Displays::idsFor(c.connected);
        const QStringList former = Displays::formerIdsFor(c.connected);
        QList<DisplayInfo> displays;
        for (qsizetype i = 0; i < c.connected.size(); ++i)
            displays << DisplayInfo{ids[i], c.connected[i].name, nullptr, former[i]};
        Switches switches = c.stored;
        EXPECT_EQ(Displays::carryOverFormerIds(switches, displays), c.stored != c.expected);
        EXPECT_EQ(switches, c.expected);
        EXPECT_FALSE(Displays::carryOverFormerIds(switches, displays)) << "only once";
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
        {{" AU  Optronics ", "", "", "eDP-1", "eDP-1"}, "AU Optronics"},
        {{"", "", "", "HDMI-2", "HDMI-2"}, "HDMI-2"},
        {{"", "", "", "XWAYLAND0", "XWAYLAND0"}, "display 4"}, // XWayland's made-up output name
    };
    for (const auto& c : cases)
        EXPECT_EQ(Displays::nameFor(c.display, 3), c.name) << c.name.toStdString();
}
