#include "app/PanelHost.h"
#include "app/StatusItem.h"
#include "settings/SettingsStore.h"
#include "ui/PanelEnvironment.h"
#include "ui/PanelPresenter.h"

#include <QQuickItem>
#include <QQuickView>

#include <gtest/gtest.h>

using namespace tavik;

namespace {

class PanelHostTest : public ::testing::Test {
protected:
    MemoryKeyValueStore db;
    SettingsStore store{db};
    PanelPresenter presenter;
    PanelEnvironment environment{store, presenter, nullptr};
    PanelHost host{environment, presenter};
    StatusItem statusItem{store, host};

    void SetUp() override
    {
        host.setAnchor([] { return QRect(600, 0, 22, 22); });
        host.wirePresenter();
        host.setupPopover();
        ASSERT_NE(host.popover(), nullptr) << "the panel's QML did not load";
    }

    void leftClick() { statusItem.handleActivation(QSystemTrayIcon::Trigger); }
    void rightClick() { statusItem.handleActivation(QSystemTrayIcon::Context); }
    [[nodiscard]] bool inWindowMode() const { return presenter.mode() == PanelPresenter::Mode::window; }
};

} // namespace

TEST_F(PanelHostTest, PopOutHideAndCloseKeepOneWindow)
{
    leftClick();
    presenter.toggleMode(); // pop out from the popover
    EXPECT_FALSE(host.isPopoverShown());
    ASSERT_TRUE(host.isWindowVisible());
    EXPECT_TRUE(inWindowMode());
    QQuickView* window = host.window();
    QObject* tree = window->rootObject();
    EXPECT_EQ(window->title(), QStringLiteral("Tavik"));
    EXPECT_EQ(window->size(), kWindowContentSize);
    EXPECT_TRUE(window->flags() & Qt::WindowStaysOnTopHint);

    leftClick(); // hides, does not close
    EXPECT_TRUE(inWindowMode());
    leftClick();
    EXPECT_EQ(host.window(), window);

    window->close(); // the close button
    EXPECT_FALSE(host.isWindowVisible());
    EXPECT_FALSE(inWindowMode());
    leftClick();
    EXPECT_TRUE(host.isPopoverShown());

    presenter.toggleMode();
    EXPECT_EQ(host.window()->rootObject(), tree);
    EXPECT_TRUE(host.isWindowVisible());

    host.openPanel();
    EXPECT_TRUE(host.isWindowVisible());
    presenter.toggleMode(); // pop back in
    EXPECT_FALSE(host.isWindowVisible());
    EXPECT_TRUE(host.isPopoverShown());
    EXPECT_FALSE(inWindowMode());
}

// A right click leaves an open popover as it is; off stays the user's choice without a compositor.
TEST_F(PanelHostTest, RightClickKeepsThePopoverAndOffWinsOverTheCompositor)
{
    leftClick();
    rightClick();
    EXPECT_FALSE(store.enabled());
    EXPECT_TRUE(host.isPopoverShown());
    EXPECT_FALSE(statusItem.showsWindyMark());
    statusItem.setNeedsCompositor(true);
    EXPECT_EQ(statusItem.toolTip(), QStringLiteral("Tavik (off)"));
}

TEST(PopoverPosition, BelowOrAboveTheAnchorAndAlwaysOnScreen)
{
    const QRect screen(0, 0, 1920, 1080);
    const QSize size(320, 540);
    // A tray at the top: below the icon, centred on it.
    EXPECT_EQ(popoverPosition(QRect(900, 0, 20, 24), size, screen), QPoint(750, 30));
    // At the bottom right: above it, pushed left to stay on screen.
    EXPECT_EQ(popoverPosition(QRect(1897, 1053, 22, 26), size, screen), QPoint(1600, 1053 - 6 - 540));
    // On a second screen to the left of the origin.
    const QPoint left = popoverPosition(QRect(-1910, 500, 1, 1), size, QRect(-1920, 0, 1920, 1080));
    EXPECT_EQ(left.x(), -1920);
    // A screen too small for the panel: its top-left corner, never beyond.
    EXPECT_EQ(popoverPosition(QRect(10, 10, 1, 1), size, QRect(0, 0, 200, 300)), QPoint(0, 0));
    EXPECT_EQ(cornerPosition(size, QRect(0, 0, 200, 300)), QPoint(0, 0));
    // Nothing known: the top right corner, a gap in from either edge.
    EXPECT_EQ(cornerPosition(size, QRect(-1920, 0, 1920, 1080)), QPoint(-6 - 320, 6));
}
