#include "sprite/Damage.h"
#include "sprite/RasterRenderer.h"

#include "DamageFilm.h"

#include <gtest/gtest.h>

#include <limits>

namespace tavik::sprite {
namespace {

int areaOf(const QRegion& region)
{
    int area = 0;
    for (const QRect& rect : region)
        area += rect.width() * rect.height();
    return area;
}

class DamageTest : public ::testing::TestWithParam<double> {
protected:
    QSize pixels() const { return (film.scene.size() * GetParam()).toSize(); }

    testing::DamageFilm film;
    DrawList list;
    DamageTracker tracker;
    RasterRenderer renderer;
};

// Drawn only where it changed, over what the frame before left, the picture equals a whole
// redraw in every pixel, and small sprites change only a small part of it.
TEST_P(DamageTest, DrawingTheDamageGivesTheWholePicture)
{
    const double scale = GetParam();
    QImage kept(pixels(), QImage::Format_ARGB32_Premultiplied);
    kept.fill(Qt::magenta); // what a new surface may hold
    for (int frame = 0; frame < testing::DamageFilm::kFrames; ++frame) {
        film.show(frame);
        list.build(film.scene);
        const QRegion damage = tracker.next(list, pixels(), scale);
        renderer.render(list, kept, scale, damage);
        ASSERT_EQ(kept, renderer.render(list, pixels(), scale)) << "frame " << frame;

        if (frame == 0)
            EXPECT_EQ(damage, QRegion(QRect(QPoint(0, 0), pixels())));
        else if (frame == testing::DamageFilm::kSecondEmpty)
            EXPECT_TRUE(damage.isEmpty());
        else
            EXPECT_LT(areaOf(damage), areaOf(QRect(QPoint(0, 0), pixels())) / 2) << "frame " << frame;
    }
}

INSTANTIATE_TEST_SUITE_P(BackingScales, DamageTest, ::testing::Values(1.0, 1.5, 2.0));

// A quad reaching far past every edge covers the whole surface, and one wholly outside none of it.
TEST(DamageTrackerTest, QuadsBeyondTheEdgesAreClipped)
{
    const QSize size(64, 48);
    struct Case {
        QPointF at;
        double length;
        QRegion covered;
    };
    for (const Case& c : {Case{{32, 24}, 1e30, QRegion(QRect(QPoint(0, 0), size))}, Case{{-500, 24}, 10, QRegion()},
                          Case{{32, 1e12}, 10, QRegion()}}) {
        testing::DamageFilm film;
        film.show(0);
        for (std::size_t i = 1; i < film.sprites.size(); ++i)
            film.sprites[i]->setHidden(true);
        film.sprites[0]->setPosition(c.at);
        film.sprites[0]->setSize({c.length, c.length});
        DrawList list;
        list.build(film.scene);
        EXPECT_EQ(coveredRegion(list, size, 1.0), c.covered) << c.at.x() << "," << c.at.y() << " " << c.length;
    }
}

TEST(DamageTrackerTest, LostContentsOrANewSizeRedrawEverything)
{
    testing::DamageFilm film;
    DrawList list;
    film.show(testing::DamageFilm::kFirstEmpty);
    list.build(film.scene);
    DamageTracker tracker;
    const QSize size(200, 120);
    const QRect whole(QPoint(0, 0), size);
    EXPECT_EQ(tracker.next(list, size, 1.0), QRegion(whole));
    EXPECT_TRUE(tracker.next(list, size, 1.0).isEmpty());
    tracker.invalidate();
    EXPECT_EQ(tracker.next(list, size, 1.0), QRegion(whole));
    EXPECT_EQ(tracker.next(list, size + QSize(1, 0), 1.0), QRegion(QRect(QPoint(0, 0), size + QSize(1, 0))));
    EXPECT_TRUE(tracker.next(list, size + QSize(1, 0), 1.0).isEmpty());
}

// A quad with numbers that cannot be placed, or a scale that makes none, covers the whole surface.
TEST(DamageTrackerTest, UnplaceableQuadsCoverEverything)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const QSize size(64, 48);
    struct Case {
        double x;
        double scale;
    };
    for (const Case& c : {Case{nan, 1.0}, Case{inf, 1.0}, Case{10.0, 0.0}, Case{10.0, nan}}) {
        testing::DamageFilm film;
        film.show(0);
        film.sprites[0]->setPosition({c.x, 10.0});
        DrawList list;
        list.build(film.scene);
        EXPECT_EQ(coveredRegion(list, size, c.scale), QRegion(QRect(QPoint(0, 0), size)))
            << "x " << c.x << " scale " << c.scale;
    }
}

} // namespace
} // namespace tavik::sprite
