#include "effects/DustSimulation.h"

#include "EffectFixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <tuple>
#include <vector>

using namespace tavik;
using test::frameAt;

namespace {
constexpr QSizeF kScene{800, 500};

class DustTest : public test::EffectFixture {
protected:
    DustTest()
    {
        settings.setDustEnabled(true);
        settings.setDustDensity(100);
        settings.setDustColorHex("#FFF1D0");
        settings.setLowPowerMode(false);
    }
};

} // namespace

TEST_F(DustTest, MotesDriftLeanWithTheWindAndWrapAtTheEdges)
{
    settings.setDustDensity(20);
    DustSimulation dust(kScene, settings, context(2));
    const auto& motes = dust.motes();

    std::vector<QPointF> before;
    for (const auto& mote : motes)
        before.push_back(mote.sprite->position());
    dust.step(frameAt(0, 0.5, windOf(-40)));
    for (std::size_t i = 0; i < motes.size(); ++i) {
        const QPointF moved = motes[i].sprite->position() - before[i];
        if (std::abs(moved.x()) > 20 || std::abs(moved.y()) > 20)
            continue; // wrapped
        EXPECT_NEAR(moved.x(), 0.5 * (motes[i].driftX - 10), 1e-9);
        EXPECT_NEAR(moved.y(), 0.5 * motes[i].driftY, 1e-9);
    }

    // Past the top: back in just below the bottom, same x. Past either side: the other side.
    sprite::SpriteNode& first = *motes[0].sprite;
    first.setPosition({123, kScene.height() + 3.99});
    dust.step(frameAt(0, 1, WindSample{}));
    EXPECT_EQ(first.position(), QPointF(123 + motes[0].driftX, -4));

    first.setPosition({kScene.width() + 4, 200});
    dust.step(frameAt(0, 1, windOf(400)));
    EXPECT_EQ(first.position().x(), -4);
    first.setPosition({-3.9, 200});
    dust.step(frameAt(0, 1, windOf(-400)));
    EXPECT_EQ(first.position().x(), kScene.width() + 4);
}

TEST_F(DustTest, ShimmerSwingsBetweenThirtyAndAHundredPercentOfEachMotesAlpha)
{
    settings.setDustDensity(10);
    DustSimulation dust(kScene, settings, context(2));
    double lowest = 1;
    double highest = 0;
    for (int frame = 0; frame < 1800; ++frame) {
        dust.step(frameAt(0, 1.0 / 60, WindSample{}));
        for (const auto& mote : dust.motes()) {
            const double share = mote.sprite->alpha() / mote.baseAlpha;
            EXPECT_GE(share, 0.3 - 1e-9);
            EXPECT_LE(share, 1 + 1e-9);
            EXPECT_LE(mote.sprite->alpha(), 0.3 + 1e-9);
            lowest = std::min(lowest, share);
            highest = std::max(highest, share);
        }
    }
    EXPECT_LT(lowest, 0.31);
    EXPECT_GT(highest, 0.99);
}

TEST_F(DustTest, EveryApplyTintsEveryMoteAndBadColoursGiveWhite)
{
    settings.setDustDensity(5);
    DustSimulation dust(kScene, settings, context(2));
    const sprite::Color cream = sprite::Color::fromQColor(QColor(0xFF, 0xF1, 0xD0));
    for (const auto& mote : dust.motes()) {
        EXPECT_EQ(mote.sprite->color(), cream);
        EXPECT_EQ(mote.sprite->colorBlendFactor(), 1);
    }
    settings.setDustColorHex("#12345");
    dust.apply(settings);
    for (const auto& mote : dust.motes())
        EXPECT_EQ(mote.sprite->color(), sprite::Color{});
}
