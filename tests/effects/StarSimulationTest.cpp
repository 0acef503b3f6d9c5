#include "effects/StarSimulation.h"

#include "EffectFixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using namespace tavik;
using test::frameAt;
using test::PinnedRandom;
using test::kAlmostOne;

namespace {
constexpr QSizeF kScene{1200, 800};

class StarTest : public test::EffectFixture {
protected:
    StarTest()
    {
        settings.setStarsEnabled(true);
        settings.setStarDensity(50);
        settings.setShootingStarFrequency(0);
        settings.setStarColorHex("#EAF2FF");
        settings.setLowPowerMode(false);
    }

    std::size_t starsAt(StarSimulation& sim, double density)
    {
        settings.setStarDensity(density);
        sim.apply(settings);
        return sim.stars().size();
    }

    // Children of the root that are not stars: meteors in flight.
    static std::size_t meteors(const StarSimulation& sim)
    {
        return sim.node().children().size() - sim.stars().size();
    }

    static const sprite::SpriteNode& newestMeteor(const StarSimulation& sim)
    {
        return static_cast<const sprite::SpriteNode&>(*sim.node().children().back());
    }

    static void expectInSky(const StarSimulation& sim, QSizeF size)
    {
        for (const sprite::SpriteNode* star : sim.stars()) {
            EXPECT_GE(star->position().x(), 0.0);
            EXPECT_LE(star->position().x(), size.width());
            EXPECT_GE(star->position().y(), 0.45 * size.height());
            EXPECT_LE(star->position().y(), 0.98 * size.height());
        }
    }
};

TEST_F(StarTest, RecolouringAndRecountingKeepTheOldestStarsWhereTheyAre)
{
    StarSimulation sim(kScene, settings, context(1));
    const std::vector<sprite::SpriteNode*> before = sim.stars();
    const QPointF where = before[0]->position();

    settings.setStarColorHex("#FF0000");
    EXPECT_EQ(starsAt(sim, 20), 36u); // the newest go first
    for (std::size_t i = 0; i < 36; ++i)
        EXPECT_EQ(sim.stars()[i], before[i]);
    EXPECT_EQ(sim.node().children().size(), 36u);
    EXPECT_EQ(before[0]->color(), (sprite::Color{1, 0, 0, 1}));

    settings.setStarColorHex("not a colour");
    EXPECT_EQ(starsAt(sim, 100), 180u);
    EXPECT_EQ(sim.stars()[35], before[35]);
    EXPECT_EQ(before[0]->position(), where);
    EXPECT_EQ(before[0]->color(), sprite::Color::fromQColor(FallbackColor::white));
    EXPECT_EQ(sim.stars().back()->color(), sprite::Color::fromQColor(FallbackColor::white));
    EXPECT_TRUE(sim.stars().back()->hasAction("twinkle"));
    expectInSky(sim, kScene);
}

TEST_F(StarTest, ShrinkingReplacesOnlyTheStarsLeftOutside)
{
    settings.setStarDensity(100);
    StarSimulation sim(kScene, settings, context(1));
    std::vector<QPointF> before;
    for (const sprite::SpriteNode* star : sim.stars())
        before.push_back(star->position());

    sim.setDisplay(Display{{2400, 1600}, 1, false});
    for (std::size_t i = 0; i < before.size(); ++i)
        EXPECT_EQ(sim.stars()[i]->position(), before[i]) << "growing moves no star";

    // Stars still inside stay put; the others move into the new sky's upper band.
    const QSizeF small{500, 600};
    sim.setDisplay(Display{small, 1, false});
    int kept = 0;
    for (std::size_t i = 0; i < before.size(); ++i) {
        const QPointF now = sim.stars()[i]->position();
        if (before[i].x() <= small.width() && before[i].y() <= small.height()) {
            EXPECT_EQ(now, before[i]);
            ++kept;
        } else {
            EXPECT_LE(now.x(), small.width());
            EXPECT_GE(now.y(), 0.45 * small.height());
            EXPECT_LE(now.y(), 0.98 * small.height());
        }
    }
    EXPECT_GT(kept, 0);
    EXPECT_LT(kept, int(before.size()));
}

TEST(MeteorInterval, FromFiftyFiveSecondsDownToFive)
{
    EXPECT_DOUBLE_EQ(StarSimulation::meteorInterval(1), 55);
    EXPECT_DOUBLE_EQ(StarSimulation::meteorInterval(0.2), 55);
    EXPECT_NEAR(StarSimulation::meteorInterval(50), 30.2525, 1e-4);
    EXPECT_NEAR(StarSimulation::meteorInterval(99.999), 5 + 50 * 0.001 / 99, 1e-9);
    EXPECT_DOUBLE_EQ(StarSimulation::meteorInterval(100), 5);
    EXPECT_DOUBLE_EQ(StarSimulation::meteorInterval(250), 5);
}

TEST_F(StarTest, MeteorCountdownRestartsOnlyWhenTheFrequencyChanges)
{
    PinnedRandom pinned;
    EffectContext pinnedContext{pinned, dock, 1};
    pinned.value = 0;
    settings.setShootingStarFrequency(100);
    StarSimulation sim(kScene, settings, pinnedContext);
    EXPECT_DOUBLE_EQ(sim.nextMeteorIn(), 5 * 0.65);

    sim.step(frameAt(0, 1));
    settings.setStarDensity(70); // another change, applied the same way
    sim.apply(settings);
    sim.apply(settings);
    EXPECT_DOUBLE_EQ(sim.nextMeteorIn(), 5 * 0.65 - 1);

    pinned.value = kAlmostOne;
    settings.setShootingStarFrequency(1);
    sim.apply(settings);
    EXPECT_NEAR(sim.nextMeteorIn(), 55 * 1.35, 1e-9);
    settings.setShootingStarFrequency(100);
    sim.apply(settings);
    EXPECT_NEAR(sim.nextMeteorIn(), 5 * 1.35, 1e-9);
}

TEST_F(StarTest, OneMeteorPerDueFrameAndNoneWhileOffOrStarsAreOff)
{
    settings.setShootingStarFrequency(100);
    StarSimulation sim(kScene, settings, context(1));
    const double first = sim.nextMeteorIn();
    EXPECT_GE(first, 3.25);
    EXPECT_LE(first, 6.75);

    sim.step(frameAt(0, first - 0.01));
    EXPECT_EQ(meteors(sim), 0u);
    EXPECT_LT(sim.wantedRate(), 60) << "twinkling alone is slow";
    sim.step(frameAt(0, 1000)); // a huge step still starts only one
    EXPECT_EQ(meteors(sim), 1u);
    EXPECT_EQ(sim.wantedRate(), kFullFrameRate) << "a meteor in flight";
    EXPECT_GE(sim.nextMeteorIn(), 3.25);
    EXPECT_LE(sim.nextMeteorIn(), 6.75);

    // Switched off: nothing fires and the countdown waits where it is.
    settings.setShootingStarFrequency(0);
    sim.apply(settings);
    const double waiting = sim.nextMeteorIn();
    sim.step(frameAt(0, 1000));
    EXPECT_EQ(meteors(sim), 1u);
    EXPECT_EQ(sim.nextMeteorIn(), waiting);

    // Stars off: their frequency slider is greyed out, so no meteors either.
    settings.setShootingStarFrequency(100);
    settings.setStarsEnabled(false);
    sim.apply(settings);
    const double paused = sim.nextMeteorIn();
    sim.step(frameAt(0, 1000));
    EXPECT_EQ(sim.node().children().size(), 1u); // the earlier meteor only
    EXPECT_EQ(sim.nextMeteorIn(), paused);

    settings.setStarsEnabled(true);
    sim.apply(settings);
    EXPECT_EQ(sim.nextMeteorIn(), paused);
    sim.step(frameAt(0, paused));
    EXPECT_EQ(meteors(sim), 2u);
}

TEST_F(StarTest, MeteorLengthIsBoundedOnTinyAndHugeScenes)
{
    settings.setShootingStarFrequency(100);
    for (const auto& [size, length] : {std::pair{QSizeF(0, 0), 120.0}, std::pair{QSizeF(300, 200), 120.0},
                                       std::pair{QSizeF(5000, 3000), 220.0}}) {
        StarSimulation sim(size, settings, context(1));
        sim.step(frameAt(0, sim.nextMeteorIn()));
        ASSERT_EQ(meteors(sim), 1u);
        EXPECT_DOUBLE_EQ(newestMeteor(sim).size().width(), length);
        EXPECT_GE(newestMeteor(sim).size().height(), 2.0);
    }
}

} // namespace
