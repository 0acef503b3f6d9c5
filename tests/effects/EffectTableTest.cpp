#include "EffectFixture.h"

#include "effects/AuroraSimulation.h"
#include "effects/CloudSimulation.h"
#include "effects/DockSettleSystem.h"
#include "effects/DustSimulation.h"
#include "effects/FireflySimulation.h"
#include "effects/FogSimulation.h"
#include "effects/LeafSimulation.h"
#include "effects/LightRaySimulation.h"
#include "effects/PetalSimulation.h"
#include "effects/RainSimulation.h"
#include "effects/SnowSimulation.h"
#include "effects/SplashSystem.h"
#include "effects/StarSimulation.h"
#include "effects/ThunderstormSystem.h"

#include <QImage>

#include <algorithm>
#include <functional>
#include <limits>
#include <memory>
#include <vector>

using namespace tavik;
using namespace tavik::test;

namespace {
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

using Make = std::function<std::unique_ptr<Effect>(const SettingsStore&, const EffectContext&)>;

template <typename T>
Make maker()
{
    return [](const SettingsStore& settings, const EffectContext& context) {
        return std::make_unique<T>(EffectFixture::kSceneSize, settings, context);
    };
}

struct Wanted {
    double setting;
    bool lowPower;
    std::size_t count;
};

struct PopulationRow {
    const char* name;
    Make make;
    std::function<void(SettingsStore&, double)> set;
    std::function<void(SettingsStore&, bool)> enable;
    std::function<std::size_t(const Effect&)> count;
    std::vector<Wanted> cases; // the ends, the rounding, power saving, bad numbers
};

template <typename T, typename Items>
std::function<std::size_t(const Effect&)> counter(Items (T::*items)() const)
{
    return [items](const Effect& effect) { return (dynamic_cast<const T&>(effect).*items)().size(); };
}

const PopulationRow kPopulation[] = {
    {"aurora", maker<AuroraSimulation>(), &SettingsStore::setAuroraIntensity, &SettingsStore::setAuroraEnabled,
     counter(&AuroraSimulation::curtains),
     {{6, false, 0}, {6.25, false, 1}, {100, false, 8}, {-30, false, 0}, {kNaN, false, 4}, {100, true, 8}}},
    {"stars", maker<StarSimulation>(), &SettingsStore::setStarDensity, &SettingsStore::setStarsEnabled,
     counter(&StarSimulation::stars),
     {{99.9, false, 179}, {100, false, 180}, {0.5, false, 0}, {-40, false, 0}, {kNaN, false, 90}, {99, true, 89}}},
    {"clouds", maker<CloudSimulation>(), &SettingsStore::setCloudCount, &SettingsStore::setCloudsEnabled,
     counter(&CloudSimulation::clouds),
     {{5, false, 5}, {5, true, 3}, {4.4, true, 2}, {-3, false, 0}, {1e12, false, 20}}},
    {"fog", maker<FogSimulation>(), &SettingsStore::setFogDensity, &SettingsStore::setFogEnabled,
     counter(&FogSimulation::banks),
     {{99.9, false, 9}, {100, false, 10}, {9, false, 0}, {-20, false, 0}, {70, true, 7}}},
    {"dust", maker<DustSimulation>(), &SettingsStore::setDustDensity, &SettingsStore::setDustEnabled,
     counter(&DustSimulation::motes),
     {{50, true, 30}, {1, false, 1}, {1, true, 0}, {99.9, false, 119}, {-10, false, 0}, {kInf, false, 120}}},
    {"fireflies", maker<FireflySimulation>(), &SettingsStore::setFireflyCount,
     &SettingsStore::setFirefliesEnabled, counter(&FireflySimulation::fireflies),
     {{15, true, 8}, {15, false, 15}, {2.5, false, 3}, {-4, false, 0}, {1e9, false, 30}}},
    {"leaves", maker<LeafSimulation>(), &SettingsStore::setLeafCount, &SettingsStore::setLeavesEnabled,
     counter(&LeafSimulation::leaves),
     {{25, true, 13}, {2.4, false, 2}, {2.5, false, 3}, {-3, false, 0}, {1e9, false, 40}, {kNaN, false, 6}}},
    {"petals", maker<PetalSimulation>(), &SettingsStore::setPetalCount, &SettingsStore::setPetalsEnabled,
     counter(&PetalSimulation::petals),
     {{25, true, 25}, {2.5, false, 3}, {1e9, false, 40}}}, // few: power saving keeps them all
};

class Population : public EffectFixture {};

TEST_F(Population, EveryCountFollowsItsRuleAndTheNewestGoFirst)
{
    for (const PopulationRow& row : kPopulation) {
        SCOPED_TRACE(row.name);
        row.enable(settings, true);
        settings.setLowPowerMode(false);
        row.set(settings, 1e12);
        const std::unique_ptr<Effect> effect = row.make(settings, context());
        const std::size_t most = row.count(*effect);
        ASSERT_GT(most, 2u);
        EXPECT_GT(effect->wantedRate(), 0) << "shown";

        for (const Wanted& wanted : row.cases) {
            row.set(settings, wanted.setting);
            settings.setLowPowerMode(wanted.lowPower);
            effect->apply(settings);
            EXPECT_EQ(row.count(*effect), wanted.count) << wanted.setting << (wanted.lowPower ? " saving power" : "");
        }

        // Trimmed: the oldest stay, in place.
        settings.setLowPowerMode(false);
        row.set(settings, 1e12);
        effect->apply(settings);
        ASSERT_EQ(row.count(*effect), most);
        const sprite::Node* oldest = effect->node().children().front().get();
        const QPointF where = oldest->position();
        row.set(settings, std::find_if(row.cases.begin(), row.cases.end(), [](auto& w) { return w.count; })->setting);
        effect->apply(settings);
        EXPECT_EQ(effect->node().children().front().get(), oldest);
        EXPECT_EQ(oldest->position(), where);

        row.enable(settings, false);
        effect->apply(settings);
        EXPECT_EQ(row.count(*effect), 0u) << "switched off";
        effect->step(frameAt(now, 0.1, windOf(50))); // nothing to move, nothing to break
    }
}

struct TextureRow {
    const char* name;
    Make make;
    bool edgeLit = false; // lit up to its border by design
};

const TextureRow kTextures[] = {
    {"aurora", maker<AuroraSimulation>(), true},
    {"stars", maker<StarSimulation>(), true},
    {"clouds", maker<CloudSimulation>()},
    {"rays",
     [](const SettingsStore&, const EffectContext& context) -> std::unique_ptr<Effect> {
         return std::make_unique<LightRaySimulation>(EffectFixture::kSceneSize, context);
     }},
    {"rain", maker<RainSimulation>()},
    {"snow", maker<SnowSimulation>()},
    {"splash",
     [](const SettingsStore& settings, const EffectContext& context) -> std::unique_ptr<Effect> {
         return std::make_unique<SplashSystem>(EffectFixture::kSceneSize, settings, context,
                                               ScreenRenderInfo{false, context.backingScale});
     }},
    {"leaves", maker<LeafSimulation>()},
    {"petals", maker<PetalSimulation>()},
    {"fireflies", maker<FireflySimulation>()},
    {"fog", maker<FogSimulation>()},
    {"dust", maker<DustSimulation>()},
    {"thunder", maker<ThunderstormSystem>(), true},
    {"dockSettle", maker<DockSettleSystem>()},
};

bool clearCorners(const QImage& image)
{
    const int r = image.width() - 1;
    const int b = image.height() - 1;
    for (const auto& [x, y] : {std::pair{0, 0}, {r, 0}, {0, b}, {r, b}}) {
        if (qAlpha(image.pixel(x, y)) != 0)
            return false;
    }
    return true;
}

class Textures : public EffectFixture {};

TEST_F(Textures, DrawnAtTheDisplaysScaleAndRedrawnWhenItChanges)
{
    for (const TextureRow& row : kTextures) {
        SCOPED_TRACE(row.name);
        const std::unique_ptr<Effect> atOne = row.make(settings, context(1));
        const std::vector<sprite::TexturePtr> one = atOne->textures();
        ASSERT_FALSE(one.empty());
        for (const sprite::TexturePtr& texture : one) {
            ASSERT_FALSE(texture->isPlaceholder());
            EXPECT_TRUE(row.edgeLit || clearCorners(texture->image())) << "a hard edge would show round it";
        }

        // Moved: the same as if born there (clouds redraw only below their working resolution).
        for (const auto& [from, to] : {std::pair{1.0, 2.0}, {0.25, 1.0}}) {
            const std::unique_ptr<Effect> moved = row.make(settings, context(from));
            const std::vector<sprite::TexturePtr> before = moved->textures();
            moved->setDisplay(Display{kSceneSize, to, false});
            const std::vector<sprite::TexturePtr> after = moved->textures();
            const std::vector<sprite::TexturePtr> born = row.make(settings, context(to))->textures();
            ASSERT_EQ(after.size(), born.size());
            for (std::size_t i = 0; i < after.size(); ++i) {
                EXPECT_EQ(after[i]->size(), born[i]->size()) << "texture " << i << " at " << to;
                EXPECT_EQ(after[i]->pixelSize(), born[i]->pixelSize()) << "texture " << i << " at " << to;
                EXPECT_NEAR(after[i]->size().width(), before[i]->size().width(), 2 / from) << "texture " << i;
                EXPECT_NEAR(after[i]->size().height(), before[i]->size().height(), 2 / from) << "texture " << i;
            }
            EXPECT_TRUE(from >= 1 || after.front()->pixelSize() != before.front()->pixelSize()) << "redrawn";
        }
    }
}

// Leaf midribs and petal lines are their colour darkened: every channel alike, alpha kept.
TEST(EffectColours, TowardsBlackScalesEveryChannelAndKeepsAlpha)
{
    const QColor darker = towardsBlack(QColor(200, 100, 50, 128), 0.5);
    EXPECT_NEAR(darker.red(), 100, 1);
    EXPECT_NEAR(darker.green(), 50, 1);
    EXPECT_NEAR(darker.blue(), 25, 1);
    EXPECT_EQ(darker.alpha(), 128);
}

} // namespace
