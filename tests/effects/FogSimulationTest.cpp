#include "effects/FogSimulation.h"

#include "EffectFixture.h"

#include <gtest/gtest.h>

#include <vector>

using namespace tavik;
using test::frameAt;

namespace {
constexpr QSizeF kScene{1200, 800};

class FogTest : public test::EffectFixture {
protected:
    FogTest()
    {
        settings.setFogEnabled(true);
        settings.setFogDensity(50);
        settings.setFogOpacity(0.4);
        settings.setFogColorHex("#C8D2DC");
        settings.setLowPowerMode(false);
    }

    std::size_t banksAt(FogSimulation& sim, double density)
    {
        settings.setFogDensity(density);
        sim.apply(settings);
        EXPECT_EQ(sim.node().children().size(), sim.banks().size());
        return sim.banks().size();
    }

    static void expectLow(const FogSimulation& sim)
    {
        for (const auto& bank : sim.banks()) {
            EXPECT_GE(bank.sprite->position().y(), 0.04 * kScene.height());
            EXPECT_LE(bank.sprite->position().y(), 0.34 * kScene.height());
        }
    }
};

TEST_F(FogTest, OffRemovesEveryBankAndOnSpawnsThemLowAcrossTheScene)
{
    settings.setFogDensity(100);
    FogSimulation sim(kScene, settings, context(1));
    std::vector<const sprite::SpriteNode*> before;
    for (const auto& bank : sim.banks())
        before.push_back(bank.sprite);

    EXPECT_EQ(banksAt(sim, 30), 3u);
    for (std::size_t i = 0; i < 3; ++i)
        EXPECT_EQ(sim.banks()[i].sprite, before[i]) << "the newest banks go first";

    settings.setFogEnabled(false);
    sim.apply(settings);
    EXPECT_TRUE(sim.node().children().empty());

    settings.setFogEnabled(true);
    EXPECT_EQ(banksAt(sim, 100), 10u);
    expectLow(sim);
    for (const auto& bank : sim.banks()) {
        EXPECT_GE(bank.sprite->position().x(), 0.0);
        EXPECT_LE(bank.sprite->position().x(), kScene.width());
        EXPECT_DOUBLE_EQ(bank.sprite->xScale(), bank.scaleX);
        EXPECT_DOUBLE_EQ(bank.sprite->alpha(), 0.4 * bank.alphaMul);
    }
}

TEST_F(FogTest, RestylingKeepsBanksInPlace)
{
    FogSimulation sim(kScene, settings, context(1));
    const auto* first = sim.banks().front().sprite;
    const QPointF where = first->position();
    settings.setFogOpacity(0.1);
    settings.setFogColorHex("#00FF00");
    sim.apply(settings);
    EXPECT_EQ(sim.banks().front().sprite, first);
    EXPECT_EQ(first->position(), where);
    EXPECT_DOUBLE_EQ(first->alpha(), 0.1 * sim.banks().front().alphaMul);
    EXPECT_EQ(first->color(), (sprite::Color{0, 1, 0, 1}));

    settings.setFogColorHex("#12");
    sim.apply(settings);
    EXPECT_EQ(first->color(), sprite::Color::fromQColor(FallbackColor::lightGray));
}

TEST_F(FogTest, DriftsSlowlyAndWrapsWithTheWind)
{
    settings.setFogDensity(100);
    FogSimulation sim(kScene, settings, context(1));
    const auto& banks = sim.banks();
    auto half = [](const FogSimulation::Bank& b) { return 240 * b.scaleX; };

    for (const auto& bank : banks)
        bank.sprite->setPosition({600, 100});
    sim.step(frameAt(0, 1.0, {}));
    for (const auto& bank : banks)
        EXPECT_NEAR(bank.sprite->position().x() - 600, 6 * bank.speedVar, 1e-9);

    WindSample wind;
    wind.velocity.dx = -20;
    for (const auto& bank : banks)
        bank.sprite->setPosition({600, 100});
    sim.step(frameAt(0, 1.0, wind));
    for (const auto& bank : banks)
        EXPECT_NEAR(bank.sprite->position().x(), 600 - 10 + 6 * bank.speedVar, 1e-9);

    for (const auto& bank : banks)
        bank.sprite->setPosition({-half(bank) + 0.5, 700});
    sim.step(frameAt(0, 1.0, wind));
    for (const auto& bank : banks)
        EXPECT_DOUBLE_EQ(bank.sprite->position().x(), kScene.width() + half(bank));
    expectLow(sim);

    for (const auto& bank : banks)
        bank.sprite->setPosition({kScene.width() + half(bank) - 0.5, 700});
    sim.step(frameAt(0, 1.0, {}));
    for (const auto& bank : banks)
        EXPECT_DOUBLE_EQ(bank.sprite->position().x(), -half(bank));
    expectLow(sim);
}

TEST_F(FogTest, MistIsDensestInTheMiddleAndClearAtTheEdges)
{
    const auto texture = FogSimulation::makeMistTexture(1);
    ASSERT_EQ(texture->pixelSize(), QSize(480, 200));
    const QImage& image = texture->image();
    EXPECT_NEAR(qAlpha(image.pixel(240, 100)), 102, 3); // one puff of 0.4 at its centre
    auto column = [&](int x) {
        int sum = 0;
        for (int row = 0; row < image.height(); ++row)
            sum += qAlpha(image.pixel(x, row));
        return sum;
    };
    EXPECT_GT(column(240), column(52));
    EXPECT_GT(column(52), column(5));
    EXPECT_GT(column(5), 0);
    for (const QPoint p : {QPoint(0, 0), QPoint(479, 0), QPoint(240, 0), QPoint(240, 199), QPoint(0, 199)})
        EXPECT_EQ(qAlpha(image.pixel(p)), 0);
    // The upper-left lobe sits higher than the lower-right one (y up in the drawing).
    EXPECT_GT(qAlpha(image.pixel(180, 200 - 116 - 50)), qAlpha(image.pixel(180, 200 - 84 + 50)));
}

} // namespace
