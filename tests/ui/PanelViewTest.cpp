#include "PanelViewFixture.h"
#include "ui/SettingsPropertyMap.h"

#include <cmath>

using namespace tavik;

namespace {

class PanelView : public PanelViewFixture {
protected:
    void click(QQuickItem* target) const
    {
        const QPointF centre = target->mapToScene(QPointF(target->width() / 2, target->height() / 2));
        QTest::mouseClick(view.get(), Qt::LeftButton, {}, centre.toPoint());
    }
};

} // namespace

TEST_F(PanelView, HeaderFitsThePanelAndItsSwitchDrivesTheMasterSwitch)
{
    QQuickItem* master = item("enabledSwitch");
    ASSERT_NE(master, nullptr);
    ASSERT_NE(item("brandMark"), nullptr);
    EXPECT_EQ(item("brandMark")->width(), 22);
    // Everything of the header inside the panel's 320 points, the switch at the right edge.
    const QRectF switchRect = master->mapRectToScene(master->boundingRect());
    EXPECT_LE(switchRect.right(), kPopoverContentSize.width() - 8);
    EXPECT_GE(switchRect.left(), kPopoverContentSize.width() / 2);

    ASSERT_TRUE(store.enabled());
    EXPECT_TRUE(master->property("checked").toBool());
    click(master);
    EXPECT_FALSE(store.enabled());
    EXPECT_FALSE(master->property("checked").toBool());

    // And the other way: a change from elsewhere (the tray icon) shows in the switch.
    store.setEnabled(true);
    EXPECT_TRUE(master->property("checked").toBool());
    EXPECT_TRUE(item("brandMark")->property("windy").toBool());
}

TEST_F(PanelView, PopOutButtonFollowsTheModeAndAsksThePresenter)
{
    QQuickItem* button = item("popOutButton");
    ASSERT_NE(button, nullptr);
    QObject* tip = button->findChild<QObject*>(QStringLiteral("popOutTip"));
    ASSERT_NE(tip, nullptr);
    auto toolTip = [&] { return tip->property("text").toString(); };
    auto symbol = [&] { return item("popOutIcon")->property("name").toString(); };
    EXPECT_EQ(toolTip(), QStringLiteral("pop out into a window"));
    EXPECT_EQ(symbol(), QStringLiteral("macwindow"));
    int popOuts = 0;
    int popIns = 0;
    presenter.onPopOut = [&] { ++popOuts; };
    presenter.onPopIn = [&] { ++popIns; };
    click(button);
    EXPECT_EQ(popOuts, 1);
    EXPECT_EQ(popIns, 0);
    presenter.setMode(PanelPresenter::Mode::window);
    EXPECT_EQ(toolTip(), QStringLiteral("dock back to the menu bar"));
    EXPECT_EQ(symbol(), QStringLiteral("arrow.down.right.and.arrow.up.left"));
    click(button);
    EXPECT_EQ(popIns, 1);
}

TEST_F(PanelView, SettingsMapTakesOnlyValuesOfTheRightKind)
{
    SettingsPropertyMap& settings = environment.settings();
    EXPECT_EQ(settings.value(QStringLiteral("dropsPerSecond")).toDouble(), store.dropsPerSecond());
    // Written the way QML writes: through the map's property.
    settings.setProperty("dropsPerSecond", 40.0);
    EXPECT_EQ(store.dropsPerSecond(), 40.0);
    settings.setProperty("dropsPerSecond", std::nan(""));
    settings.setProperty("dropsPerSecond", QStringLiteral("lots"));
    EXPECT_EQ(store.dropsPerSecond(), 40.0);
    settings.setProperty("enabled", QStringLiteral("false"));
    EXPECT_TRUE(store.enabled());
    settings.setProperty("dropColorHex", QStringLiteral("#112233"));
    EXPECT_EQ(store.dropColorHex(), QStringLiteral("#112233"));
    // Saved scenes and the display map are not plain values and stay out.
    EXPECT_FALSE(settings.contains(QStringLiteral("savedScenes")));
}
