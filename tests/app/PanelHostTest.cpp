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
    [[nodiscard]] bool inWindowMode() const { return presenter.mode() == PanelPresenter::Mode::window; }
};

} // namespace

TEST_F(PanelHostTest, PopOutHideAndCloseKeepOneWindow)
{
    leftClick();
    presenter.toggleMode(); // pop out from the popover
    EXPECT_FALSE(host.isPopoverShown());
    ASSERT_TRUE(host.isWindowVisible());
    QQuickView* window = host.window();
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
    statusItem.handleActivation(QSystemTrayIcon::Context);
    EXPECT_FALSE(store.enabled());
    EXPECT_TRUE(host.isPopoverShown());
    EXPECT_FALSE(statusItem.showsWindyMark());
    statusItem.setNeedsCompositor(true);
    EXPECT_EQ(statusItem.toolTip(), QStringLiteral("Tavik (off)"));
}

// Near the icon (tray_e2e.py, desktop_e2e.py), and on screen wherever the icon is.
TEST(PopoverPosition, AboveABottomTrayAndAlwaysOnScreen)
{
    const QSize size(320, 540);
    EXPECT_EQ(popoverPosition(QRect(1897, 1053, 22, 26), size, QRect(0, 0, 1920, 1080)), QPoint(1600, 1053 - 6 - 540));
    EXPECT_EQ(popoverPosition(QRect(-1910, 500, 1, 1), size, QRect(-1920, 0, 1920, 1080)).x(), -1920);
    // A screen too small for the panel: its top-left corner, never beyond.
    EXPECT_EQ(popoverPosition(QRect(10, 10, 1, 1), size, QRect(0, 0, 200, 300)), QPoint(0, 0));
    EXPECT_EQ(cornerPosition(size, QRect(0, 0, 200, 300)), QPoint(0, 0));
}
