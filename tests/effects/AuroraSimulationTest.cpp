#include "effects/AuroraSimulation.h"

#include "EffectFixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using namespace tavik;
using test::frameAt;

namespace {
constexpr QSizeF kScene{1500, 1000};

class AuroraTest : public test::EffectFixture {
protected:
    AuroraTest()
    {
        settings.setAuroraEnabled(true);
        settings.setAuroraIntensity(100);
        settings.setAuroraSpeed(50);
        settings.setAuroraColorHex("#5BF0C0");
    }

    static QColor qcolor(sprite::Color c) { return QColor::fromRgbF(c.r, c.g, c.b, c.a); }
};

TEST_F(AuroraTest, CurtainsSpreadFromLeftToRightAndHangFromTheTop)
{
    AuroraSimulation sim(kScene, settings, context(1));
    const auto& curtains = sim.curtains();
    for (std::size_t i = 0; i < curtains.size(); ++i) {
        const auto& c = curtains[i];
        const double slot = double(i) / 7 * 0.84 + 0.08;
        EXPECT_NEAR(c.xFrac, slot, 0.05 + 1e-12);
        EXPECT_EQ(c.sprite->anchorPoint(), QPointF(0.5, 1.0));
        EXPECT_EQ(c.sprite->size(), QSizeF(1500 * c.widthFrac, 1000 * c.heightFrac));
        EXPECT_DOUBLE_EQ(c.sprite->position().y(), 1020);
        EXPECT_DOUBLE_EQ(c.sprite->position().x(), 1500 * c.xFrac + std::sin(c.swayPhase) * 1500 * c.swayAmpFrac);
    }
}

TEST_F(AuroraTest, EveryThirdCurtainIsTurnedRoundTheHueCircle)
{
    AuroraSimulation sim(kScene, settings, context(1));
    const QColor base = QColor(0x5B, 0xF0, 0xC0).toHsv();
    for (std::size_t i = 0; i < sim.curtains().size(); ++i) {
        const QColor c = qcolor(sim.curtains()[i].sprite->color()).toHsv();
        if (i == 2 || i == 5) {
            EXPECT_NEAR(c.hsvHueF(), std::fmod(base.hsvHueF() + 0.18, 1.0), 0.005) << i;
            EXPECT_NEAR(c.hsvSaturationF(), 0.95 * base.hsvSaturationF(), 0.005) << i;
            EXPECT_NEAR(c.valueF(), base.valueF(), 0.005) << i;
        } else {
            EXPECT_EQ(sim.curtains()[i].sprite->color(), sprite::Color::fromQColor(QColor(0x5B, 0xF0, 0xC0))) << i;
        }
    }

    // A hue near the end of the circle wraps round to its start.
    settings.setAuroraColorHex("#FF0040");
    sim.apply(settings);
    const double red = QColor(0xFF, 0x00, 0x40).hsvHueF();
    EXPECT_NEAR(qcolor(sim.curtains()[5].sprite->color()).hsvHueF(), red + 0.18 - 1, 0.005);

    // Grey has no hue to turn: the shifted curtains look like the others.
    settings.setAuroraColorHex("#808080");
    sim.apply(settings);
    const QColor grey = qcolor(sim.curtains()[2].sprite->color());
    EXPECT_NEAR(grey.redF(), 128 / 255.0, 0.003);
    EXPECT_NEAR(grey.greenF(), grey.redF(), 0.003);
    EXPECT_NEAR(grey.blueF(), grey.redF(), 0.003);

    settings.setAuroraColorHex("green-ish");
    sim.apply(settings);
    EXPECT_EQ(sim.curtains()[0].sprite->color(), sprite::Color::fromQColor(QColor::fromRgbF(0.36f, 0.94f, 0.75f)));
}

TEST_F(AuroraTest, ResizingRelaysFromFractionsAndKeepsThePhases)
{
    AuroraSimulation sim(kScene, settings, context(1));
    sim.step(frameAt(0, 3));
    const std::vector<AuroraSimulation::Curtain> before = sim.curtains();
    std::vector<double> xs;
    std::vector<double> alphas;
    for (const auto& c : before) {
        xs.push_back(c.sprite->position().x());
        alphas.push_back(c.sprite->alpha());
    }
    const QSizeF wide{3000, 500};
    sim.setDisplay(Display{wide, 1, false});
    for (std::size_t i = 0; i < before.size(); ++i) {
        const auto& c = sim.curtains()[i];
        EXPECT_EQ(c.swayPhase, before[i].swayPhase);
        EXPECT_EQ(c.breathePhase, before[i].breathePhase);
        EXPECT_EQ(c.sprite->size(), QSizeF(3000 * c.widthFrac, 500 * c.heightFrac));
        EXPECT_DOUBLE_EQ(c.sprite->position().x(), xs[i] * 2);
        EXPECT_DOUBLE_EQ(c.sprite->position().y(), 510);
        EXPECT_EQ(c.sprite->alpha(), alphas[i]);
    }
    // A scene of nothing is laid out as one point.
    sim.setDisplay(Display{{0, 0}, 1, false});
    EXPECT_EQ(sim.curtains()[0].sprite->size(), QSizeF(sim.curtains()[0].widthFrac, sim.curtains()[0].heightFrac));
}

TEST_F(AuroraTest, SwaysBreathesAndStretchesAtTheSpeedSetting)
{
    settings.setAuroraSpeed(0);
    settings.setAuroraIntensity(75);
    AuroraSimulation sim(kScene, settings, context(1));
    EXPECT_DOUBLE_EQ(sim.speedFactor(), 0.3);
    const std::vector<AuroraSimulation::Curtain> before = sim.curtains();
    // Lit at once, never at the sprite's full default opacity for a frame.
    for (const auto& c : sim.curtains())
        EXPECT_LE(c.sprite->alpha(), c.baseAlpha * 0.75 + 1e-12);

    for (int frame = 0; frame < 120; ++frame)
        sim.step(frameAt(0, 1.0 / 60));
    for (std::size_t i = 0; i < before.size(); ++i) {
        const auto& c = sim.curtains()[i];
        EXPECT_NEAR(c.swayPhase - before[i].swayPhase, 2 * c.swayRate * 0.3, 1e-9);
        EXPECT_NEAR(c.breathePhase - before[i].breathePhase, 2 * c.breatheRate * 0.3, 1e-9);
        EXPECT_GE(c.sprite->alpha(), 0.2 * c.baseAlpha * 0.75 - 1e-12);
        EXPECT_LE(std::abs(c.sprite->position().x() - 1500 * c.xFrac), 1500 * c.swayAmpFrac + 1e-9);
    }

    settings.setAuroraSpeed(100);
    sim.apply(settings);
    EXPECT_DOUBLE_EQ(sim.speedFactor(), 1.7);

    settings.setAuroraEnabled(false);
    sim.apply(settings);
    sim.step(frameAt(0, 1)); // nothing to move, nothing to break
    EXPECT_TRUE(sim.curtains().empty());
}

} // namespace
