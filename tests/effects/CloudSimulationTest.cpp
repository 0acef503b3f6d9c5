#include "effects/CloudSimulation.h"

#include "EffectFixture.h"

#include <gtest/gtest.h>

#include <vector>

using namespace tavik;
using test::frameAt;

namespace {
constexpr QSizeF kScene{1000, 600};

class CloudTest : public test::EffectFixture {
protected:
    CloudTest()
    {
        settings.setCloudsEnabled(true);
        settings.setLowPowerMode(false);
        settings.setCloudCount(5);
        settings.setCloudOpacity(0.6);
        settings.setCloudSpeed(0);
        settings.setCloudColorHex("#DCE6F2");
    }

    std::vector<const sprite::SpriteNode*> sprites(const CloudSimulation& sim) const
    {
        std::vector<const sprite::SpriteNode*> out;
        for (const auto& cloud : sim.clouds())
            out.push_back(cloud.sprite);
        return out;
    }

    static void expectInSky(const CloudSimulation& sim)
    {
        for (const auto& cloud : sim.clouds()) {
            EXPECT_GE(cloud.sprite->position().y(), 0.66 * kScene.height());
            EXPECT_LE(cloud.sprite->position().y(), 0.97 * kScene.height());
        }
    }
};

TEST_F(CloudTest, NewCloudsSpawnAcrossTheSky)
{
    settings.setCloudCount(20);
    CloudSimulation sim(kScene, settings, context(1));
    ASSERT_EQ(sim.clouds().size(), 20u);
    expectInSky(sim);
    for (const auto& cloud : sim.clouds()) {
        EXPECT_GE(cloud.sprite->position().x(), 0.0);
        EXPECT_LE(cloud.sprite->position().x(), kScene.width());
    }
}

TEST_F(CloudTest, SuppressedOrSwitchedOffKeepsNoClouds)
{
    CloudSimulation sim(kScene, settings, context(1));
    sim.setSuppressed(true);
    sim.apply(settings);
    EXPECT_TRUE(sim.clouds().empty());
    EXPECT_TRUE(sim.node().children().empty());
    sim.step(frameAt(0, 0.1, {})); // nothing to move

    sim.setSuppressed(false);
    sim.apply(settings);
    EXPECT_EQ(sim.clouds().size(), 5u);
    expectInSky(sim);

    settings.setCloudsEnabled(false);
    sim.apply(settings);
    EXPECT_TRUE(sim.node().children().empty());
}

TEST_F(CloudTest, RestylingRecoloursLiveCloudsWithoutRespawning)
{
    CloudSimulation sim(kScene, settings, context(1));
    const auto before = sprites(sim);
    std::vector<QPointF> places;
    for (const auto* s : before)
        places.push_back(s->position());

    settings.setCloudOpacity(0.25);
    settings.setCloudColorHex("#FF0000");
    sim.apply(settings);
    ASSERT_EQ(sprites(sim), before);
    for (std::size_t i = 0; i < before.size(); ++i) {
        EXPECT_EQ(before[i]->position(), places[i]);
        EXPECT_DOUBLE_EQ(before[i]->alpha(), 0.25);
        EXPECT_EQ(before[i]->color(), (sprite::Color{1, 0, 0, 1}));
        EXPECT_DOUBLE_EQ(before[i]->colorBlendFactor(), 1.0);
    }

    settings.setCloudColorHex("cloudy");
    sim.apply(settings);
    EXPECT_EQ(before.front()->color(), sprite::Color::fromQColor(FallbackColor::lightGray));
}

TEST_F(CloudTest, DriftsWithItsOwnSpeedAndHalfTheWind)
{
    settings.setCloudSpeed(50); // base 14 points per second
    CloudSimulation sim(kScene, settings, context(1));
    for (const auto& cloud : sim.clouds())
        cloud.sprite->setPosition({500, 500});

    sim.step(frameAt(0, 0.5, {}));
    for (const auto& cloud : sim.clouds())
        EXPECT_NEAR(cloud.sprite->position().x(), 500 + 0.5 * 14 * cloud.speedVar, 1e-9);

    settings.setCloudSpeed(0);
    sim.apply(settings);
    for (const auto& cloud : sim.clouds())
        cloud.sprite->setPosition({500, 500});
    WindSample wind;
    wind.velocity.dx = -60;
    sim.step(frameAt(0, 1.0, wind));
    for (const auto& cloud : sim.clouds()) {
        EXPECT_NEAR(cloud.sprite->position().x(), 500 - 30 + 4 * cloud.speedVar, 1e-9);
        EXPECT_EQ(cloud.sprite->position().y(), 500); // drift is horizontal
    }
}

TEST_F(CloudTest, WrapsAroundEitherEdgeAtANewHeight)
{
    CloudSimulation sim(kScene, settings, context(1));
    const auto& clouds = sim.clouds();
    auto half = [](const CloudSimulation::Cloud& c) { return 250 * c.baseScale; };

    // Just about to leave on the right.
    for (const auto& cloud : clouds)
        cloud.sprite->setPosition({kScene.width() + half(cloud) - 0.1, 10});
    sim.step(frameAt(0, 0.1, {}));
    for (const auto& cloud : clouds)
        EXPECT_DOUBLE_EQ(cloud.sprite->position().x(), -half(cloud));
    expectInSky(sim);

    // Blown out on the left: back in from the right.
    WindSample wind;
    wind.velocity.dx = -100;
    for (const auto& cloud : clouds)
        cloud.sprite->setPosition({-half(cloud) + 0.1, 10});
    sim.step(frameAt(0, 0.1, wind));
    for (const auto& cloud : clouds)
        EXPECT_DOUBLE_EQ(cloud.sprite->position().x(), kScene.width() + half(cloud));
    expectInSky(sim);
}

TEST_F(CloudTest, CloudImageIsSoftLumpyAndFadesTowardsTheTop)
{
    const QImage image = CloudSimulation::makeCloudImage(random, 1);
    ASSERT_EQ(image.size(), QSize(250, 160)); // half a pixel per point
    ASSERT_EQ(image.format(), QImage::Format_ARGB32_Premultiplied);

    // Rows count from the top of the image; the drawing's y = 110 is row 105.
    auto maxAlphaInRow = [&](int row) {
        int best = 0;
        for (int x = 0; x < image.width(); ++x)
            best = std::max(best, qAlpha(image.pixel(x, row)));
        return best;
    };
    EXPECT_GE(maxAlphaInRow(105), 240); // solid near the base (the fade starts at y = 90)
    EXPECT_LE(maxAlphaInRow(45), 0.86 * 255); // y = 230: faded to at most ~82 %
    EXPECT_EQ(maxAlphaInRow(0), 0); // nothing reaches the top edge
    // No straight cut where a puff meets a side: alpha eases to nothing there.
    for (int row = 0; row < image.height(); ++row) {
        EXPECT_EQ(qAlpha(image.pixel(0, row)), 0) << row;
        EXPECT_EQ(qAlpha(image.pixel(image.width() - 1, row)), 0) << row;
    }

    double total = 0;
    double sumX = 0;
    double sumRow = 0;
    bool allWhite = true;
    bool hasSoftEdge = false;
    for (int row = 0; row < image.height(); ++row) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb px = image.pixel(x, row);
            const int a = qAlpha(px);
            allWhite = allWhite && qRed(px) == a && qGreen(px) == a && qBlue(px) == a;
            hasSoftEdge = hasSoftEdge || (a > 60 && a < 200);
            total += a;
            sumX += a * x;
            sumRow += a * row;
        }
    }
    EXPECT_TRUE(allWhite) << "premultiplied white everywhere, so the tint colours it";
    EXPECT_TRUE(hasSoftEdge);
    EXPECT_NEAR(sumX / total, 125, 15);
    EXPECT_GT(sumRow / total, 80); // the weight sits in the lower half
    EXPECT_LT(sumRow / total, 120);

    EXPECT_NE(CloudSimulation::makeCloudImage(random, 1), image); // each call draws another cloud
}

TEST_F(CloudTest, CloudBodiesHaveNoHoles)
{
    // The heart of the body, x 170..330 and y 125..170 in the drawing, at half a pixel per point.
    for (int n = 0; n < 40; ++n) {
        const QImage image = CloudSimulation::makeCloudImage(random, 1);
        int weakest = 255;
        for (int row = (320 - 170) / 2; row <= (320 - 125) / 2; ++row)
            for (int x = 170 / 2; x <= 330 / 2; ++x)
                weakest = std::min(weakest, qAlpha(image.pixel(x, row)));
        EXPECT_GE(weakest, 215) << "cloud " << n; // the top fade alone leaves about 228
    }
}

TEST_F(CloudTest, NoCloudImageWithoutPixels)
{
    EXPECT_TRUE(CloudSimulation::makeCloudImage(random, 0).isNull());
}

} // namespace
