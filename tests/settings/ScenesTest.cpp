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
    EXPECT_FALSE(saved(0).isFavorite());
    EXPECT_NE(saved(0).id, saved(1).id);
    EXPECT_EQ(saved(0).scene, store.currentSceneSnapshot());

    const QJsonArray list = storedList();
    ASSERT_EQ(list.size(), 2);
    EXPECT_EQ(list[0].toObject().keys(), (QStringList{"favorite", "icon", "id", "name", "scene"}));
    EXPECT_FALSE(list[1].toObject().contains("icon"));
    EXPECT_EQ(list[0].toObject()["scene"].toObject()["dropsPerSecond"].toDouble(), 22);
}

TEST_F(Scenes, RecordsNeedTheirRequiredKeysOfTheRightKind)
{
    ASSERT_TRUE(store.saveCurrentScene("a", std::nullopt));
    QJsonObject record = *saved(0).toJson();
    record.remove("favorite");
    record["icon"] = QJsonValue::Null;
    QJsonObject scene = record["scene"].toObject();
    for (const char* key : {"sunIntensity", "sunAngle", "sunSpeed", "moonIntensity"})
        scene.remove(key);
    record["scene"] = scene;
    const auto bare = SavedScene::fromJson(record);
    ASSERT_TRUE(bare);
    EXPECT_FALSE(bare->isFavorite() || bare->icon || bare->scene.sunIntensity);

    scene["rainEnabled"] = 1;
    for (const auto& [key, value] : {std::pair("scene", QJsonValue(scene)), std::pair("favorite", QJsonValue("yes"))}) {
        QJsonObject broken = record;
        broken[QString::fromLatin1(key)] = value;
        EXPECT_FALSE(SavedScene::fromJson(broken)) << key;
    }
    record.remove("scene");
    EXPECT_FALSE(SavedScene::fromJson(record));
}

TEST_F(Scenes, ScenesApplyInOrderAndLeaveAloneWhatTheyDoNotCarry)
{
    store.setSunIntensity(11);
    store.setMoonIntensity(66);
    store.setSoundVolume(80);
    store.setDropColorHex("#123456");
    SceneSnapshot snapshot = store.currentSceneSnapshot();
    snapshot.sunIntensity.reset();
    snapshot.moonIntensity.reset();
    snapshot.snowEnabled = true;
    snapshot.sceneName = "from-snapshot";
    store.setSunIntensity(12);
    const QStringList order = changesDuring([&] { store.apply(snapshot); });
    EXPECT_EQ(order.size(), 25);
    EXPECT_EQ(order.front(), "cloudsEnabled");
    EXPECT_EQ(order[21], "auroraEnabled");
    EXPECT_EQ(order.back(), "sceneName");
    EXPECT_EQ(store.sunIntensity(), 12);
    EXPECT_EQ(store.moonIntensity(), 66);
    EXPECT_TRUE(store.snowEnabled());
    EXPECT_EQ(store.sceneName(), "from-snapshot");

    // Presets carry the moon, not the sun, by night; the sound volume and colours are no part of a scene.
    const QStringList presetOrder = changesDuring([&] { ScenePreset::preset(u"moonlit-night")->apply(store); });
    EXPECT_EQ(presetOrder.indexOf("seaSoundEnabled"), presetOrder.indexOf("auroraEnabled") + 1);
    EXPECT_EQ(presetOrder.back(), "sceneName");
    EXPECT_EQ(store.moonIntensity(), 54);
    EXPECT_EQ(store.sunIntensity(), 12);
    EXPECT_EQ(store.soundVolume(), 80);
    EXPECT_EQ(store.dropColorHex(), "#123456");
    for (const ScenePreset& preset : ScenePreset::all()) {
        preset.apply(store);
        EXPECT_EQ(store.seaSoundEnabled(), preset.id == "overcast") << preset.id.toStdString();
        EXPECT_TRUE(preset.matches(store)) << preset.id.toStdString();
    }
    ScenePreset::preset(u"sunny-day")->apply(store);
    EXPECT_EQ(store.sunIntensity(), 54);
}

TEST_F(Scenes, PresetsAreFoundByTheirExactIdInStripOrder)
{
    ASSERT_EQ(ScenePreset::all().size(), 13u);
    EXPECT_EQ(ScenePreset::all().front().id, "sunny-day");
    EXPECT_EQ(ScenePreset::all().back().id, "focus");
    EXPECT_EQ(ScenePreset::preset(u"rainy-night"), &ScenePreset::all()[6]);
    EXPECT_EQ(ScenePreset::preset(u"aurora")->label, "northern lights");
    EXPECT_EQ(ScenePreset::preset(u"Rainy-Night"), nullptr);
    EXPECT_EQ(ScenePreset::preset(u"tornado"), nullptr);
}

TEST_F(Scenes, MatchingToleratesHalfAUnitAndOnlySavedScenesCheckAngleAndGusts)
{
    const ScenePreset& storm = *ScenePreset::preset(u"storm");
    storm.apply(store);
    ASSERT_TRUE(store.saveCurrentScene("my storm", std::nullopt));
    const SavedScene mine = saved(0);
    const struct {
        std::function<void()> change;
        bool preset, saved;
    } cases[] = {
        {[] {}, true, true},
        {[this] { store.setDropsPerSecond(70.49); }, true, true},
        {[this] { store.setDropsPerSecond(70.5); }, false, false},
        {[this] { store.setRainAngle(-10); }, true, false},
        {[this] { store.setWindGustiness(10); }, true, false},
        {[this] { store.setSceneName("something else"), store.setSeaSoundEnabled(true); }, true, true},
        {[this] { store.setFogEnabled(true); }, false, false},
        {[this] { store.setCloudsEnabled(false); }, false, false},
    };
    for (const auto& c : cases) {
        storm.apply(store);
        c.change();
        EXPECT_EQ(storm.matches(store), c.preset) << &c - cases;
        EXPECT_EQ(store.isActiveScene(mine), c.saved) << &c - cases;
    }
}

TEST_F(Scenes, AtMostThreeFavourites)
{
    for (const char* name : {"a", "b", "c", "d"})
        ASSERT_TRUE(store.saveCurrentScene(name, std::nullopt));
    for (std::size_t i = 0; i < 3; ++i)
        store.toggleFavorite(saved(i));
    EXPECT_TRUE(changesDuring([&] { store.toggleFavorite(saved(3)); }).isEmpty());
    EXPECT_FALSE(saved(3).isFavorite());

    store.toggleFavorite(saved(1));
    store.toggleFavorite(saved(3));
    store.toggleFavorite(SavedScene{"no-such-id", "x", {}, {}, {}});
    QStringList favorites;
    for (const SavedScene& scene : store.favoriteScenes())
        favorites << scene.name;
    EXPECT_EQ(favorites, (QStringList{"a", "c", "d"}));
}

TEST_F(Scenes, RenamingDeletingAndUnknownScenes)
{
    ASSERT_TRUE(store.saveCurrentScene("old", QString("⭐")));
    ASSERT_TRUE(store.saveCurrentScene("other", std::nullopt));
    const SavedScene scene = saved(0);
    EXPECT_TRUE(changesDuring([&] { store.updateSavedScene(scene, "   ", QString("🌧")); }).isEmpty());
    EXPECT_TRUE(changesDuring([&] { store.updateSavedScene(SavedScene{"gone", "", {}, {}, {}}, "x", std::nullopt); }).isEmpty());
    EXPECT_EQ(changesDuring([&] { store.updateSavedScene(scene, " new ", QString(" ")); }),
              (QStringList{"savedScenes", "savedScenes"}));
    EXPECT_EQ(saved(0).name, "new");
    EXPECT_EQ(saved(0).icon, std::nullopt);
    EXPECT_EQ(saved(0).id, scene.id);

    // The list's own element may be passed in, though the first change replaces the list.
    store.updateSavedScene(store.savedScenes()[1], "renamed", store.savedScenes()[1].name);
    EXPECT_EQ(saved(1).icon, QString("other"));
    store.deleteSavedScene(scene);
    ASSERT_EQ(store.savedScenes().size(), 1u);
    EXPECT_EQ(saved(0).name, "renamed");
    EXPECT_EQ(storedList().size(), 1);
}

// An unreadable backup is moved aside: it must not block the next capture, or live weather
// never hands back.
TEST_F(Scenes, WeatherBackupIsTakenOnceAndRestoredOnce)
{
    const QString unreadable = R"({"cloudsEnabled":true})";
    db.setValue("app.weatherSnapshot", unreadable);
    store.setCloudCount(9);
    store.captureWeatherSnapshotIfNeeded();
    EXPECT_EQ(db.value("app.weatherSnapshot.backup").toString(), unreadable);
    const QVariant first = db.value("app.weatherSnapshot");
    ScenePreset::preset(u"storm")->apply(store);
    store.captureWeatherSnapshotIfNeeded();
    EXPECT_EQ(db.value("app.weatherSnapshot"), first);

    store.restoreWeatherSnapshot();
    EXPECT_EQ(store.cloudCount(), 9);
    EXPECT_EQ(store.sceneName(), "rainy-night");
    EXPECT_FALSE(db.contains("app.weatherSnapshot"));
    store.setCloudCount(3);
    EXPECT_TRUE(changesDuring([&] { store.restoreWeatherSnapshot(); }).isEmpty());

    db.setValue("app.weatherSnapshot", QString("[]"));
    store.restoreWeatherSnapshot();
    EXPECT_EQ(store.cloudCount(), 3);
    EXPECT_FALSE(db.contains("app.weatherSnapshot"));
    EXPECT_EQ(db.value("app.weatherSnapshot.backup").toString(), unreadable); // never overwritten
    EXPECT_EQ(db.value("app.weatherSnapshot.backup.2").toString(), "[]");
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
        bool lost;
    } cases[] = {
        {good, 2, 0, false},
        {" [ " + first + " , " + second + " ] ", 2, 0, false},
        {"[" + first + "," + deep + "," + second + "]", 2, 1, true},
        {"[" + first + "," + huge + "," + second + "]", 2, 1, true},
        {"[" + first + R"(,"a]b\"}",)" + second + "]", 2, 1, true},
        {"[" + first + "," + second + R"(,{"id":"cut)", 2, 1, true},
        {"[" + first + "," + second + "] x", 2, 0, true},
        {"[" + first + ",", 1, 0, true},
        {"[7," + first + "]", 1, 1, true},
        {"not json", 0, 1, true},
    };
    for (const auto& c : cases) {
        const SavedSceneDecoding decoded = decodeSavedScenes(c.text);
        EXPECT_EQ(std::tuple(static_cast<int>(decoded.scenes.size()), decoded.unreadable, decoded.lostSomething),
                  std::tuple(c.readable, c.unreadable, c.lost)) << &c - cases;
        EXPECT_TRUE(decoded.scenes.empty() || decoded.scenes.front().name == "first") << &c - cases;
    }
}
