#include "settings/ScenePreset.h"
#include "settings/SettingsStore.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

using namespace tavik;

namespace {

class Scenes : public ::testing::Test {
protected:
    MemoryKeyValueStore db;
    SettingsStore store{db};

    QStringList changesDuring(const std::function<void()>& action)
    {
        QStringList order;
        auto sub = store.onWillChange([&order](Setting id) {
            const auto name = settingInfo(id).property;
            order << QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
        });
        action();
        return order;
    }

    const SavedScene& saved(std::size_t i) const { return store.savedScenes().at(i); }

    QJsonArray storedList() const
    {
        return QJsonDocument::fromJson(db.value("app.savedScenes").toString().toUtf8()).array();
    }
};

} // namespace

TEST_F(Scenes, SavingTrimsNamesAndIconsAndIgnoresBlankNames)
{
    EXPECT_FALSE(store.saveCurrentScene("   \n", QString("🌙")));
    EXPECT_TRUE(store.savedScenes().empty());

    const auto id = store.saveCurrentScene("  Night walk \n", QString("  🌙 "));
    ASSERT_TRUE(id);
    ASSERT_TRUE(store.saveCurrentScene("Plain", QString("   ")));
    EXPECT_EQ(id->size(), 36);
    EXPECT_EQ(*id, id->toUpper());
    EXPECT_EQ(saved(0).name, "Night walk");
    EXPECT_EQ(saved(0).icon, QString("🌙"));
    EXPECT_EQ(saved(1).icon, std::nullopt);
    EXPECT_NE(saved(0).id, saved(1).id);
    EXPECT_EQ(saved(0).scene, store.currentSceneSnapshot());

    const QJsonArray list = storedList();
    ASSERT_EQ(list.size(), 2);
    const QJsonObject first = list[0].toObject();
    EXPECT_EQ(first.keys(), (QStringList{"favorite", "icon", "id", "name", "scene"}));
    EXPECT_FALSE(list[1].toObject().contains("icon"));
    EXPECT_EQ(first["scene"].toObject()["dropsPerSecond"].toDouble(), 22);
    EXPECT_EQ(first["scene"].toObject()["sceneName"].toString(), "rainy-night");
}

TEST_F(Scenes, RecordsDecodeWithoutOptionalKeysButNotWithoutRequiredOnes)
{
    ASSERT_TRUE(store.saveCurrentScene("a", std::nullopt));
    QJsonObject record = *saved(0).toJson();
    record.remove("favorite");
    record.remove("icon");
    QJsonObject scene = record["scene"].toObject();
    for (const char* key : {"sunIntensity", "sunAngle", "sunSpeed", "moonIntensity"})
        scene.remove(key);
    record["scene"] = scene;
    const auto decoded = SavedScene::fromJson(record);
    ASSERT_TRUE(decoded);
    EXPECT_FALSE(decoded->isFavorite());
    EXPECT_FALSE(decoded->scene.sunIntensity);

    QJsonObject noScene = record;
    noScene.remove("scene");
    EXPECT_FALSE(SavedScene::fromJson(noScene));
    QJsonObject wrongKind = record;
    wrongKind["favorite"] = "yes";
    EXPECT_FALSE(SavedScene::fromJson(wrongKind));
    QJsonObject nullIcon = record;
    nullIcon["icon"] = QJsonValue::Null;
    EXPECT_TRUE(SavedScene::fromJson(nullIcon));
    QJsonObject intAsFlag = record;
    scene["rainEnabled"] = 1;
    intAsFlag["scene"] = scene;
    EXPECT_FALSE(SavedScene::fromJson(intAsFlag));
}

TEST_F(Scenes, SnapshotWithoutSunAndMoonLeavesThemAloneAndAppliesInOrder)
{
    store.setSunIntensity(11);
    store.setSunAngle(-3);
    store.setSunSpeed(7);
    store.setMoonIntensity(66);
    SceneSnapshot snapshot = store.currentSceneSnapshot();
    snapshot.sunIntensity.reset();
    snapshot.sunAngle.reset();
    snapshot.sunSpeed.reset();
    snapshot.moonIntensity.reset();
    snapshot.snowEnabled = true;
    snapshot.sceneName = "from-snapshot";
    store.setSunIntensity(12);

    const QStringList order = changesDuring([&] { store.apply(snapshot); });
    EXPECT_EQ(order.size(), 23);
    EXPECT_EQ(order.front(), "cloudsEnabled");
    EXPECT_EQ(order[21], "auroraEnabled");
    EXPECT_EQ(order.back(), "sceneName");
    EXPECT_EQ(store.sunIntensity(), 12);
    EXPECT_EQ(store.moonIntensity(), 66);
    EXPECT_TRUE(store.snowEnabled());
    EXPECT_EQ(store.sceneName(), "from-snapshot");
}

TEST_F(Scenes, PresetsSetSeaSoundAndOnlyTheLightsTheyCarry)
{
    store.setSunIntensity(1);
    store.setSunAngle(2);
    store.setSunSpeed(3);
    store.setSeaSoundEnabled(true);
    store.setSoundVolume(80);
    store.setDropColorHex("#123456");
    store.setSnowFallSpeed(99);

    const ScenePreset* moonlit = ScenePreset::preset(u"moonlit-night");
    ASSERT_TRUE(moonlit);
    const QStringList order = changesDuring([&] { moonlit->apply(store); });
    EXPECT_EQ(order.indexOf("seaSoundEnabled"), order.indexOf("auroraEnabled") + 1);
    EXPECT_EQ(order.back(), "sceneName");
    EXPECT_EQ(store.moonIntensity(), 54);
    EXPECT_EQ(store.sunIntensity(), 1);
    EXPECT_EQ(store.sunAngle(), 2);
    EXPECT_EQ(store.sunSpeed(), 3);
    EXPECT_FALSE(store.seaSoundEnabled());
    EXPECT_EQ(store.sceneName(), "moonlit-night");
    // Not part of a scene.
    EXPECT_EQ(store.soundVolume(), 80);
    EXPECT_EQ(store.dropColorHex(), "#123456");
    EXPECT_EQ(store.snowFallSpeed(), 99);

    for (const ScenePreset& preset : ScenePreset::all()) {
        preset.apply(store);
        EXPECT_EQ(store.seaSoundEnabled(), preset.id == "overcast") << preset.id.toStdString();
        EXPECT_TRUE(preset.matches(store)) << preset.id.toStdString();
    }
    ScenePreset::preset(u"sunny-day")->apply(store);
    EXPECT_EQ(store.sunIntensity(), 54);
    EXPECT_EQ(store.sunAngle(), -25);
}

TEST_F(Scenes, PresetTableLooksUpByIdInStripOrder)
{
    ASSERT_EQ(ScenePreset::all().size(), 13u);
    EXPECT_EQ(ScenePreset::all().front().id, "sunny-day");
    EXPECT_EQ(ScenePreset::all().back().id, "focus");
    const ScenePreset* rainy = ScenePreset::preset(u"rainy-night");
    ASSERT_TRUE(rainy);
    EXPECT_EQ(rainy, &ScenePreset::all()[6]);
    EXPECT_EQ(rainy->label, "rainy night");
    EXPECT_EQ(rainy->icon, "cloud.rain.fill");
    EXPECT_EQ(ScenePreset::preset(u"aurora")->label, "northern lights");
    EXPECT_EQ(ScenePreset::preset(u"Rainy-Night"), nullptr);
    EXPECT_EQ(ScenePreset::preset(u"tornado"), nullptr);
    const SceneValues& storm = ScenePreset::preset(u"storm")->scene;
    EXPECT_TRUE(storm.cloudsEnabled && storm.rainEnabled && storm.thunderEnabled && storm.windEnabled && storm.leavesEnabled);
    EXPECT_FALSE(storm.firefliesEnabled || storm.snowEnabled || storm.starsEnabled);
    EXPECT_EQ(storm.dropsPerSecond, 70);
    EXPECT_EQ(storm.rainAngle, -35);
    EXPECT_EQ(storm.windGustiness, 85);
}

TEST_F(Scenes, MatchingToleratesHalfAUnitAndOnlySavedScenesCheckAngleAndGusts)
{
    const ScenePreset& storm = *ScenePreset::preset(u"storm");
    storm.apply(store);
    ASSERT_TRUE(store.saveCurrentScene("my storm", std::nullopt));
    const SavedScene mine = saved(0);
    EXPECT_TRUE(storm.matches(store));
    EXPECT_TRUE(store.isActiveScene(mine));

    store.setDropsPerSecond(70.49);
    EXPECT_TRUE(storm.matches(store));
    EXPECT_TRUE(store.isActiveScene(mine));
    store.setDropsPerSecond(70.5);
    EXPECT_FALSE(storm.matches(store));
    EXPECT_FALSE(store.isActiveScene(mine));
    store.setDropsPerSecond(70);

    store.setRainAngle(-10);
    EXPECT_TRUE(storm.matches(store));
    EXPECT_FALSE(store.isActiveScene(mine));
    store.setRainAngle(-35);
    store.setWindGustiness(10);
    EXPECT_TRUE(storm.matches(store));
    EXPECT_FALSE(store.isActiveScene(mine));
    store.setWindGustiness(85);

    store.setSceneName("something else");
    store.setSeaSoundEnabled(true);
    EXPECT_TRUE(storm.matches(store));
    store.setFogEnabled(true);
    EXPECT_FALSE(storm.matches(store));
    EXPECT_FALSE(store.isActiveScene(mine));
}

TEST_F(Scenes, AtMostThreeFavourites)
{
    for (const char* name : {"a", "b", "c", "d"})
        ASSERT_TRUE(store.saveCurrentScene(name, std::nullopt));
    for (std::size_t i = 0; i < 3; ++i)
        store.toggleFavorite(saved(i));
    const QVariant before = db.value("app.savedScenes");
    store.toggleFavorite(saved(3));
    EXPECT_FALSE(saved(3).isFavorite());
    EXPECT_EQ(db.value("app.savedScenes"), before);

    store.toggleFavorite(saved(1));
    store.toggleFavorite(saved(3));
    const SavedSceneList favorites = store.favoriteScenes();
    ASSERT_EQ(favorites.size(), 3u);
    EXPECT_EQ(favorites[0].name, "a");
    EXPECT_EQ(favorites[1].name, "c");
    EXPECT_EQ(favorites[2].name, "d");

    store.toggleFavorite(SavedScene{"no-such-id", "x", {}, {}, {}});
    EXPECT_EQ(store.favoriteScenes().size(), 3u);
}

TEST_F(Scenes, RenamingDeletingAndUnknownScenes)
{
    ASSERT_TRUE(store.saveCurrentScene("old", QString("⭐")));
    ASSERT_TRUE(store.saveCurrentScene("other", std::nullopt));
    const SavedScene scene = saved(0);

    EXPECT_TRUE(changesDuring([&] { store.updateSavedScene(scene, "   ", QString("🌧")); }).isEmpty());
    EXPECT_EQ(saved(0).icon, QString("⭐"));

    const QStringList order = changesDuring([&] { store.updateSavedScene(scene, " new ", QString(" ")); });
    EXPECT_EQ(order, (QStringList{"savedScenes", "savedScenes"}));
    EXPECT_EQ(saved(0).name, "new");
    EXPECT_EQ(saved(0).icon, std::nullopt);
    EXPECT_EQ(saved(0).id, scene.id);

    EXPECT_TRUE(changesDuring([&] { store.updateSavedScene(SavedScene{"gone", "", {}, {}, {}}, "x", std::nullopt); }).isEmpty());

    // The list's own element may be passed in, though the first change replaces the list.
    store.updateSavedScene(store.savedScenes()[1], "renamed", store.savedScenes()[1].name);
    EXPECT_EQ(saved(1).name, "renamed");
    EXPECT_EQ(saved(1).icon, QString("other"));

    store.deleteSavedScene(scene);
    ASSERT_EQ(store.savedScenes().size(), 1u);
    EXPECT_EQ(saved(0).name, "renamed");
    EXPECT_EQ(storedList().size(), 1);
}

TEST_F(Scenes, WeatherBackupIsTakenOnceAndRestoredOnce)
{
    store.setCloudCount(9);
    store.captureWeatherSnapshotIfNeeded();
    const QVariant first = db.value("app.weatherSnapshot");
    ASSERT_TRUE(first.isValid());
    ScenePreset::preset(u"storm")->apply(store);
    store.captureWeatherSnapshotIfNeeded();
    EXPECT_EQ(db.value("app.weatherSnapshot"), first);

    store.restoreWeatherSnapshot();
    EXPECT_EQ(store.cloudCount(), 9);
    EXPECT_EQ(store.sceneName(), "rainy-night");
    EXPECT_FALSE(db.contains("app.weatherSnapshot"));

    store.setCloudCount(3);
    EXPECT_TRUE(changesDuring([&] { store.restoreWeatherSnapshot(); }).isEmpty());

    const QString unreadable = R"({"cloudCount": 1})";
    db.setValue("app.weatherSnapshot", unreadable);
    store.restoreWeatherSnapshot();
    EXPECT_EQ(store.cloudCount(), 3);
    EXPECT_FALSE(db.contains("app.weatherSnapshot"));
    EXPECT_EQ(db.value("app.weatherSnapshot.backup").toString(), unreadable);
}

// An unreadable backup must not block the next capture, or live weather never hands back.
TEST_F(Scenes, UnreadableWeatherBackupIsMovedAsideAndTheSceneCapturedAfresh)
{
    const QString unreadable = R"({"cloudsEnabled":true})";
    db.setValue("app.weatherSnapshot", unreadable);
    store.setCloudCount(9);
    store.captureWeatherSnapshotIfNeeded();
    EXPECT_EQ(db.value("app.weatherSnapshot.backup").toString(), unreadable);

    ScenePreset::preset(u"storm")->apply(store);
    store.restoreWeatherSnapshot();
    EXPECT_EQ(store.cloudCount(), 9);
    EXPECT_EQ(store.sceneName(), "rainy-night");
    EXPECT_FALSE(db.contains("app.weatherSnapshot"));
}

TEST_F(Scenes, EveryReadableRecordSurvivesItsNeighbours)
{
    ASSERT_TRUE(store.saveCurrentScene("first", std::nullopt));
    ASSERT_TRUE(store.saveCurrentScene("second", std::nullopt));
    const QString good = db.value("app.savedScenes").toString();
    const qsizetype boundary = good.indexOf(QLatin1String("},{"));
    const QString first = good.sliced(1, boundary);
    const QString second = good.sliced(boundary + 2).chopped(1);
    const QString deep = R"({"id":"D","name":"deep","scene":)" + QString("[").repeated(5000)
        + QString("]").repeated(5000) + "}";
    QString huge = first;
    huge.replace(R"("cloudCount":)", R"("cloudCount":1e999,"was":)");

    const struct {
        QString text;
        int readable;
        int unreadable;
    } cases[] = {
        {good, 2, 0},
        {"[" + first + "," + deep + "," + second + "]", 2, 1},
        {"[" + huge + "," + first + "," + second + "]", 2, 1},
        {"[" + first + R"(,"a]b\"}",)" + second + "]", 2, 1},
        {"[" + first + "," + second + R"(,{"id":"cut)", 2, 1},
        {"[" + first + "," + deep + "," + huge + "]", 1, 2},
        {"not json", 0, 1},
    };
    for (const auto& c : cases) {
        const SavedSceneDecoding decoded = decodeSavedScenes(c.text);
        EXPECT_EQ(static_cast<int>(decoded.scenes.size()), c.readable) << &c - cases;
        EXPECT_EQ(decoded.unreadable, c.unreadable) << &c - cases;
        EXPECT_EQ(decoded.lostSomething, c.unreadable > 0);
        if (!decoded.scenes.empty()) {
            EXPECT_EQ(decoded.scenes.front().name, "first");
        }
    }
}
