#include "EffectFixture.h"

#include "effects/CloudSimulation.h"
#include "effects/DustSimulation.h"
#include "effects/FogSimulation.h"
#include "effects/LeafSimulation.h"
#include "effects/PetalSimulation.h"
#include "effects/WindField.h"

#include <cmath>
#include <numbers>
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
        settings.setLeavesEnabled(true);
        settings.setPetalsEnabled(true);
    }

    // Items drift at `base` times their own speed plus half the wind; off one side, they come back
    // at the other at a new height within [low, high] of the scene.
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
    settings.setCloudOpacity(0.25);
    settings.setCloudColorHex("#FF0000");
    settings.setFogOpacity(0.1);
    settings.setFogColorHex("#12");
    clouds.apply(settings);
    fog.apply(settings);
    ASSERT_EQ(clouds.clouds().front().sprite, cloud);
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

constexpr QSizeF kScene{1000, 600};

// The colour at a point given in texture points, y up, at 2 pixels per point.
QColor colourAt(const sprite::TexturePtr& texture, QPointF point)
{
    const int y = texture->pixelSize().height() - 1 - int(point.y() * 2);
    return QColor::fromRgba(texture->image().pixel(int(point.x() * 2), y));
}

TEST_F(DriftTest, SlowestFallAndCalmestTumbleKeepAFloorAndNoFlutterWhileTheWindCarries)
{
    settings.setLeafCount(10);
    settings.setLeafFallSpeed(1);
    settings.setLeafTumble(0);
    settings.setPetalCount(10);
    settings.setPetalFallSpeed(1);
    settings.setPetalTumble(0);
    LeafSimulation leaves(kScene, settings, context(2));
    PetalSimulation petals(kScene, settings, context(2));

    // Per second: the floor of the fall, the sway and the share of the spin.
    const auto check = [](const std::vector<FallingPieces::Piece>& pieces, auto& sim, double fall, double sway,
                          double spinShare) {
        std::vector<QPointF> before;
        std::vector<double> turns;
        for (const auto& piece : pieces) {
            piece.sprite->setPosition({500, 300});
            turns.push_back(piece.sprite->zRotation());
        }
        const double dt = 0.05;
        sim.step(frameAt(0, dt, windOf(100)));
        for (std::size_t i = 0; i < pieces.size(); ++i) {
            const auto& piece = pieces[i];
            const QPointF now = piece.sprite->position();
            EXPECT_NEAR(300 - now.y(), dt * fall * piece.fallFactor, 1e-9);
            EXPECT_NEAR(now.x() - 500, dt * (85 + sway * std::sin(piece.swayPhase)), 1e-9);
            EXPECT_NEAR(piece.sprite->zRotation() - turns[i], dt * piece.spin * spinShare, 1e-9);
            EXPECT_DOUBLE_EQ(piece.sprite->xScale(), piece.baseScale);
        }
    };
    check(leaves.leaves(), leaves, 8, 10, 0.35);
    check(petals.petals(), petals, 6, 14, 0.45);
}

TEST_F(DriftTest, PiecesBlownOffTheSideComeBackAboveTheTop)
{
    settings.setPetalCount(30);
    settings.setPetalFallSpeed(100);
    PetalSimulation petals(kScene, settings, context(2));
    int recycled = 0;
    for (int frame = 0; frame < 600; ++frame) {
        std::vector<double> ys;
        for (const auto& petal : petals.petals())
            ys.push_back(petal.sprite->position().y());
        petals.step(frameAt(0, 1.0 / 30, windOf(400)));
        for (std::size_t i = 0; i < ys.size(); ++i) {
            const QPointF p = petals.petals()[i].sprite->position();
            EXPECT_LE(p.x(), kScene.width() + 70 + 1e-9);
            if (p.y() > ys[i]) {
                ++recycled;
                EXPECT_TRUE(p.y() >= kScene.height() + 10 && p.x() >= 0 && p.x() <= kScene.width()) << p.x();
            }
        }
    }
    EXPECT_GT(recycled, 30);
}

TEST_F(DriftTest, ColourChangeSwapsOneTextureIntoEverySpriteAndBadColoursFallBack)
{
    settings.setLeafCount(8);
    settings.setLeafColorHex("#nonsense");
    settings.setPetalColorHex("");
    LeafSimulation leaves(kScene, settings, context(2));
    PetalSimulation petals(kScene, settings, context(2));
    EXPECT_EQ(colourAt(leaves.texture(), {8, 10.5}), FallbackColor::orange);
    EXPECT_EQ(colourAt(petals.texture(), {6, 10}), FallbackColor::pink);

    settings.setLeafColorHex("#D98A3D");
    leaves.apply(settings);
    for (const auto& piece : leaves.leaves())
        EXPECT_EQ(piece.sprite->texture(), leaves.texture());

    // Filled with the colour round a darker midrib.
    const QColor brown(0xD9, 0x8A, 0x3D);
    const sprite::TexturePtr leaf = leaves.texture();
    EXPECT_EQ(colourAt(leaf, {8, 10.5}), brown);
    EXPECT_LT(colourAt(leaf, {11, 8}).red(), brown.red() * 0.75);
    EXPECT_EQ(colourAt(leaf, {11, 8}).alpha(), 255);
}

WindField steadyWind(double strength, double gustiness, double direction)
{
    WindField wind;
    wind.strength = strength;
    wind.gustiness = gustiness;
    wind.directionDeg = direction;
    return wind;
}

TEST(WindField, StillWhenOffOrWithoutStrengthKeepsItsPhasesAndGustsFasterWhenGustier)
{
    WindField wind = steadyWind(50, 40, 20);
    wind.update(0.5, 0);
    ASSERT_GT(wind.sample().velocity.dx, 0);
    const double gust = wind.gustPhase;
    for (const auto& [on, strength] : {std::pair{false, 50.0}, {true, 0.0}}) {
        wind.enabled = on;
        wind.strength = strength;
        wind.update(0.5, 0);
        EXPECT_EQ(wind.sample(), WindSample{});
        EXPECT_EQ(wind.gustPhase, gust);
    }

    const auto gustPace = [](double gustiness) {
        WindField w = steadyWind(50, gustiness, 0);
        w.update(0.1, 0);
        return w.gustPhase / 0.1;
    };
    EXPECT_GT(gustPace(0), 0);
    EXPECT_GT(gustPace(100), 3 * gustPace(0));
}

TEST(WindField, DirectionSetsSideAndShareOfFullSpeed)
{
    // The share of the speed at 45 degrees: half straight across, all of it beyond.
    for (const auto& [direction, share] : {std::pair{0.0, 0.5}, {-80.0, -1.0}, {-10.0, -(0.5 + 0.5 * 10.0 / 45.0)}}) {
        WindField full = steadyWind(60, 30, 45);
        WindField wind = steadyWind(60, 30, direction);
        for (int i = 0; i < 40; ++i) {
            full.update(0.1, 0);
            wind.update(0.1, 0);
            ASSERT_GT(full.sample().velocity.dx, 0);
            EXPECT_NEAR(wind.sample().velocity.dx, share * full.sample().velocity.dx, 1e-9) << direction;
        }
    }
}

TEST(WindField, DynamicModeIgnoresTheSlidersAndSwingsSlowlyBetweenSides)
{
    WindField wind = steadyWind(0, 0, 0);
    wind.dynamic = true;
    const double half = std::numbers::pi / 0.012;
    for (double t = 5; t < 2 * half; t += 5) {
        wind.update(0.1, t);
        EXPECT_GT(wind.sample().velocity.dx * (t < half ? 1 : -1), 0) << t;
        EXPECT_LE(std::abs(wind.sample().velocity.dx), WindField::kMaxSpeed * 0.95 * (0.64 + 0.9) + 1e-9);
    }
}

} // namespace
