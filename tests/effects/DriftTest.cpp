#include "EffectFixture.h"

#include "effects/CloudSimulation.h"
#include "effects/DustSimulation.h"
#include "effects/FogSimulation.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using namespace tavik;
using namespace tavik::test;

namespace {
class DriftTest : public EffectFixture {
protected:
    DriftTest()
    {
        settings.setCloudsEnabled(true);
        settings.setCloudCount(5);
        settings.setCloudSpeed(50);
        settings.setFogEnabled(true);
        settings.setFogDensity(100);
        settings.setDustEnabled(true);
    }

    // Items drift by their own speed times `base` plus half the wind, and once off one side come
    // back at the other, at a new height within [low, high] of the scene.
    template <typename Sim, typename Items, typename Half>
    void expectDriftAndWrap(Sim& sim, const Items& items, double base, QSizeF size, double low, double high, Half half)
    {
        for (const auto& item : items) {
            EXPECT_GE(item.sprite->position().y(), low * size.height());
            EXPECT_LE(item.sprite->position().y(), high * size.height());
            item.sprite->setPosition({500, 300});
        }
        sim.step(frameAt(0, 1, windOf(-60)));
        for (const auto& item : items) {
            EXPECT_NEAR(item.sprite->position().x(), 500 - 30 + base * item.speedVar, 1e-9);
            EXPECT_EQ(item.sprite->position().y(), 300) << "drift is horizontal";
        }
        for (const bool rightwards : {true, false}) {
            for (const auto& item : items)
                item.sprite->setPosition({rightwards ? size.width() + half(item) - 0.5 : -half(item) + 0.5, 10});
            sim.step(frameAt(0, 1, windOf(rightwards ? 0 : -200)));
            for (const auto& item : items) {
                EXPECT_DOUBLE_EQ(item.sprite->position().x(), rightwards ? -half(item) : size.width() + half(item));
                EXPECT_GE(item.sprite->position().y(), low * size.height());
                EXPECT_LE(item.sprite->position().y(), high * size.height());
            }
        }
    }
};

TEST_F(DriftTest, CloudsDriftWithHalfTheWindAndWrapAtANewHeightInTheSky)
{
    CloudSimulation sim({1000, 600}, settings, context());
    expectDriftAndWrap(sim, sim.clouds(), 14, {1000, 600}, 0.66, 0.97,
                       [](const CloudSimulation::Cloud& c) { return 250 * c.baseScale; });
}

TEST_F(DriftTest, FogDriftsSlowlyAndWrapsLowOnTheScreen)
{
    FogSimulation sim({1200, 800}, settings, context());
    expectDriftAndWrap(sim, sim.banks(), 6, {1200, 800}, 0.04, 0.34,
                       [](const FogSimulation::Bank& b) { return 240 * b.scaleX; });
}

TEST_F(DriftTest, RestylingRecoloursLiveCloudsAndFogInPlaceAndBadColoursFallBack)
{
    CloudSimulation clouds({1000, 600}, settings, context());
    FogSimulation fog({1200, 800}, settings, context());
    const sprite::SpriteNode* cloud = clouds.clouds().front().sprite;
    const sprite::SpriteNode* bank = fog.banks().front().sprite;
    const QPointF cloudAt = cloud->position();
    settings.setCloudOpacity(0.25);
    settings.setCloudColorHex("#FF0000");
    settings.setFogOpacity(0.1);
    settings.setFogColorHex("#12");
    clouds.apply(settings);
    fog.apply(settings);
    ASSERT_EQ(clouds.clouds().front().sprite, cloud);
    EXPECT_EQ(cloud->position(), cloudAt);
    EXPECT_DOUBLE_EQ(cloud->alpha(), 0.25);
    EXPECT_EQ(cloud->color(), (sprite::Color{1, 0, 0, 1}));
    ASSERT_EQ(fog.banks().front().sprite, bank);
    EXPECT_DOUBLE_EQ(bank->alpha(), 0.1 * fog.banks().front().alphaMul);
    EXPECT_EQ(bank->color(), sprite::Color::fromQColor(FallbackColor::lightGray));
}

TEST_F(DriftTest, CloudImagesAreSolidAtTheHeartAndClearAtTheirEdges)
{
    EXPECT_TRUE(CloudSimulation::makeCloudImage(random, 0).isNull()) << "no pixels, no image";
    for (int n = 0; n < 20; ++n) {
        const QImage image = CloudSimulation::makeCloudImage(random, 1);
        ASSERT_EQ(image.size(), QSize(250, 160)); // half a pixel per point
        for (int row = 0; row < image.height(); ++row) {
            EXPECT_EQ(qAlpha(image.pixel(0, row)), 0) << "no straight cut at a side";
            EXPECT_EQ(qAlpha(image.pixel(image.width() - 1, row)), 0);
        }
        int fadedTop = 0;
        for (int x = 0; x < image.width(); ++x) {
            fadedTop = std::max(fadedTop, qAlpha(image.pixel(x, 45))); // the drawing's y = 230
            EXPECT_EQ(qAlpha(image.pixel(x, 0)), 0) << "nothing reaches the top edge";
        }
        EXPECT_LE(fadedTop, 0.86 * 255) << n;
        // The heart of the body, x 170..330 and y 125..170 in the drawing: no holes.
        int weakest = 255;
        for (int row = (320 - 170) / 2; row <= (320 - 125) / 2; ++row)
            for (int x = 170 / 2; x <= 330 / 2; ++x)
                weakest = std::min(weakest, qAlpha(image.pixel(x, row)));
        EXPECT_GE(weakest, 215) << n; // the top fade alone leaves about 228
        const QRgb px = image.pixel(125, 60);
        EXPECT_TRUE(qRed(px) == qAlpha(px) && qBlue(px) == qAlpha(px)) << "premultiplied white, for the tint";
    }
}

TEST_F(DriftTest, DustDriftsLeansWithTheWindAndWrapsRound)
{
    settings.setDustDensity(20);
    settings.setDustColorHex("#12345");
    const QSizeF size{800, 500};
    DustSimulation dust(size, settings, context(2));
    const auto& motes = dust.motes();
    EXPECT_EQ(motes.front().sprite->color(), sprite::Color{}) << "a bad colour gives white";

    sprite::SpriteNode& first = *motes[0].sprite;
    first.setPosition({400, 200});
    dust.step(frameAt(0, 0.5, windOf(-40)));
    EXPECT_EQ(first.position(), QPointF(400 + 0.5 * (motes[0].driftX - 10), 200 + 0.5 * motes[0].driftY));
    // Past the top: back in below the bottom, same x. Past either side: the other side.
    first.setPosition({123, size.height() + 3.99});
    dust.step(frameAt(0, 1));
    EXPECT_EQ(first.position(), QPointF(123 + motes[0].driftX, -4));
    first.setPosition({size.width() + 4, 200});
    dust.step(frameAt(0, 1, windOf(400)));
    EXPECT_EQ(first.position().x(), -4);
    first.setPosition({-3.9, 200});
    dust.step(frameAt(0, 1, windOf(-400)));
    EXPECT_EQ(first.position().x(), size.width() + 4);
}

} // namespace
