#include "platform/FullscreenWatch.h"

#include <gtest/gtest.h>

using namespace tavik;
using namespace tavik::fullscreen;

namespace {

// Two displays side by side, the right one lower and smaller, as X pixels.
const std::vector<QRect> twoDisplays = {QRect(0, 0, 1920, 1080), QRect(1920, 200, 1280, 720)};
const QRect leftFull = twoDisplays[0];
const QRect rightFull = twoDisplays[1];
const QRect leftWindow(100, 100, 800, 600);

} // namespace

TEST(FullscreenState, NeedsTheFullscreenAtomAndNoHiddenOne)
{
    constexpr quint32 full = 10, hidden = 11, above = 12;
    EXPECT_TRUE(isFullscreenState({above, full}, full, hidden));
    EXPECT_FALSE(isFullscreenState({above}, full, hidden));
    EXPECT_FALSE(isFullscreenState({full, hidden}, full, hidden)); // minimised
    // A server that could not name the state matches nothing, not every missing atom.
    EXPECT_FALSE(isFullscreenState({0}, 0, hidden));
}

TEST(FullscreenState, AWindowStandsOnTheDisplaysItCoversElseWhereItsCentreIs)
{
    const struct {
        const char* what;
        QRect window;
        std::vector<std::size_t> displays;
    } cases[] = {
        {"spanning both", QRect(0, 0, 3200, 1080), {0, 1}},
        {"one pixel short of the right", rightFull.adjusted(0, 0, -1, 0), {1}},
        {"an ordinary window", leftWindow, {0}},
        {"centre on the right edge", QRect(1800, 300, 300, 300), {1}},
        {"off every display", QRect(-900, -900, 100, 100), {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(displaysUnder(c.window, twoDisplays), c.displays) << c.what;
}

// A fullscreen window keeps its display paused when the focus moves elsewhere, until it goes or moves.
TEST(FullscreenTracker, TheActiveFullscreenWindowHoldsItsDisplay)
{
    constexpr quint32 video = 0x400001, editor = 0x400002;
    Tracker tracker;
    tracker.setDisplays(twoDisplays);
    const auto show = [&](quint32 window, QRect rect, bool isFullscreen) {
        tracker.setActive(window);
        tracker.update(window, WindowState{rect, isFullscreen});
    };
    using Paused = std::vector<bool>;
    show(video, leftFull, true);
    show(editor, rightFull.adjusted(10, 10, -10, -10), false);
    EXPECT_EQ(tracker.paused(), Paused({true, false}));
    show(editor, leftWindow, false);
    EXPECT_EQ(tracker.paused(), Paused({false, false}));

    show(video, leftFull, true);
    tracker.update(video, std::nullopt);
    EXPECT_EQ(tracker.paused(), Paused({false, false}));
    show(video, leftFull, true);
    show(video, rightFull, true);
    EXPECT_EQ(tracker.paused(), Paused({false, true}));
}
