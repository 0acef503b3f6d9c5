#include "settings/SettingsStore.h"

#include "settings/ScenePreset.h"

#include <gtest/gtest.h>

#include <QJsonObject>

#include <limits>

using namespace tavik;

namespace {

class Store : public ::testing::Test {
protected:
    MemoryKeyValueStore db;
    SettingsStore store{db};

    QList<Setting> changesDuring(const std::function<void()>& action)
    {
        QList<Setting> order;
        auto sub = store.onWillChange([&order](Setting id) { order << id; });
        action();
        return order;
    }

    const SavedScene& saved(std::size_t i) const { return store.savedScenes().at(i); }
};

} // namespace

// The first launch applies the rainy night; later ones read what is stored, of any kind, rewriting nothing.
TEST_F(Store, FirstLaunchAppliesRainyNightAndLaterLaunchesReadWhatIsStored)
{
    EXPECT_TRUE(ScenePreset::preset(u"rainy-night")->matches(store));
    EXPECT_FALSE(store.leavesEnabled()); // on in the bare defaults, off in the preset
    const struct {
        const char* key;
        QVariant stored;
        SettingValue read;
    } cases[] = {
        {"rain.enabled", false, false}, // false beats a true default
        {"rain.dropsPerSecond", QString("abc"), 10.0},
        {"rain.angle", std::numeric_limits<double>::infinity(), -20.0},
        {"rain.dropColor", QString("not a colour"), QStringLiteral("not a colour")}, // strings as they are
        {"app.scene", 42, QStringLiteral("42")},
    };
    for (const auto& c : cases)
        db.setValue(c.key, c.stored);
    SettingsStore again(db);
    for (const auto& c : cases) {
        EXPECT_EQ(again.value(findSettingByKey(c.key)->id), c.read) << c.key;
        EXPECT_EQ(db.value(c.key), c.stored) << c.key;
    }
    EXPECT_EQ(again.dropColor(), QColor(Qt::white)); // the colour view of a broken colour
    EXPECT_FALSE(again.setValue(Setting::dropsPerSecond, QStringLiteral("35")));
}

// Observers hear of a change before it is stored, may change the store and cancel themselves within.
TEST_F(Store, ChangesAreAnnouncedBeforeTheyAreStoredThenWrittenAtOnce)
{
    std::vector<double> streamed, storeSawInStream, storeSawAtWillChange;
    auto willChange = store.onWillChange([&](Setting id) {
        if (id == Setting::dropSpeed)
            storeSawAtWillChange.push_back(store.dropSpeed());
    });
    {
        auto stream = store.observe<double>(Setting::dropSpeed, [&](double value) {
            streamed.push_back(value);
            storeSawInStream.push_back(store.dropSpeed());
        });
        store.setDropSpeed(40);
        store.setDropOpacity(0.5); // another setting: not on this stream
        EXPECT_EQ(db.value("rain.dropSpeed").toDouble(), 40);
    }
    store.setDropSpeed(41); // the stream's handle is gone
    EXPECT_EQ((std::vector<double>{15, 40}), streamed);
    EXPECT_EQ((std::vector<double>{15, 15}), storeSawInStream);
    EXPECT_EQ((std::vector<double>{15, 40}), storeSawAtWillChange);

    Subscription self;
    int calls = 0;
    self = store.observe<bool>(Setting::liveWeatherEnabled, [&](bool on) {
        ++calls;
        if (on) {
            store.setLowPowerMode(true);
            self.cancel();
        }
    });
    store.setLiveWeatherEnabled(true);
    store.setLiveWeatherEnabled(false);
    EXPECT_EQ(calls, 2);
    EXPECT_TRUE(store.lowPowerMode());
}

TEST_F(Store, FrameRateCapAndPerDisplaySwitches)
{
    EXPECT_EQ(store.effectiveMaxFPS(), 60);
    store.setLowPowerMode(true);
    EXPECT_EQ(store.effectiveMaxFPS(), 30);
    store.setMaxFPS(24);
    EXPECT_EQ(store.effectiveMaxFPS(), 24);
    EXPECT_TRUE(store.isMonitorEnabled("DEL-1234-99"));
    store.setMonitor("DEL-1234-99", false);
    store.setMonitor("eDP-1", true);
    EXPECT_EQ(db.value("app.monitors").toString(), R"({"DEL-1234-99":false,"eDP-1":true})");
}

TEST_F(Store, ResetRestoresTheBareDefaultsSavePowerDisplaysAndScenes)
{
    store.setEnabled(false);
    store.setMonitor("eDP-1", false);
    ASSERT_TRUE(store.saveCurrentScene("kept", std::nullopt));
    store.setLiveWeatherEnabled(true);
    store.setDropColorHex("#000000");
    store.captureWeatherSnapshotIfNeeded();
    const QVariant backup = db.value("app.weatherSnapshot");

    const QList<Setting> order = changesDuring([this] { store.resetAllToDefaults(); });
    ASSERT_FALSE(order.isEmpty());
    EXPECT_EQ(order.front(), Setting::liveWeatherEnabled);
    EXPECT_EQ(order.back(), Setting::sceneName);
    for (const Setting untouched : {Setting::enabled, Setting::screenLocked, Setting::monitorEnabled, Setting::savedScenes})
        EXPECT_FALSE(order.contains(untouched)) << settingInfo(untouched).key;
    EXPECT_FALSE(store.enabled() || store.isMonitorEnabled("eDP-1"));
    EXPECT_EQ(store.savedScenes().size(), 1u);
    for (const SettingInfo& info : settingsTable())
        EXPECT_TRUE(!order.contains(info.id) || store.value(info.id) == defaultValue(info)) << info.key;
    EXPECT_TRUE(db.value("app.didFirstLaunch").toBool());
    EXPECT_EQ(db.value("app.weatherSnapshot"), backup);
}

// Damaged lists keep what is readable; the damaged text goes to a backup key, never overwritten.
TEST_F(Store, DamagedListsKeepTheirValidPartsAndTheOriginalText)
{
    ASSERT_TRUE(store.saveCurrentScene("first", std::nullopt));
    const QString damaged = "[7," + db.value("app.savedScenes").toString().sliced(1);
    db.setValue("app.savedScenes", damaged);
    SettingsStore second(db);
    ASSERT_EQ(second.savedScenes().size(), 1u);
    EXPECT_FALSE(db.contains("app.savedScenes.backup")); // nothing rewritten yet
    ASSERT_TRUE(second.saveCurrentScene("second", std::nullopt));
    EXPECT_EQ(db.value("app.savedScenes.backup").toString(), damaged);
    db.setValue("app.savedScenes", QString("not json"));
    SettingsStore third(db);
    EXPECT_TRUE(third.savedScenes().empty());
    third.deleteSavedScene(SavedScene{});
    EXPECT_EQ(db.value("app.savedScenes.backup").toString(), damaged);
    EXPECT_EQ(db.value("app.savedScenes.backup.2").toString(), "not json");

    for (const QString& map : {QStringLiteral(R"({"eDP-1": false, "HDMI-1": "yes", "DP-2": true})"),
                               QStringLiteral("not json")}) {
        db.setValue("app.monitors", map);
        db.remove("app.monitors.backup");
        SettingsStore reread(db);
        EXPECT_EQ(reread.isMonitorEnabled("eDP-1"), map == "not json");
        EXPECT_TRUE(reread.isMonitorEnabled("DP-2") && reread.isMonitorEnabled("HDMI-1"));
        reread.setMonitor("DP-2", false);
        EXPECT_EQ(db.value("app.monitors.backup").toString(), map);
    }
}

// Names and icons are trimmed, blank names refused; a list that cannot be encoded stays in memory only.
TEST_F(Store, SavingTrimsNamesAndIconsAndIgnoresBlankNames)
{
    EXPECT_FALSE(store.saveCurrentScene("   \n", QString("🌙")));
    const auto id = store.saveCurrentScene("  Night walk \n", QString("  🌙 "));
    ASSERT_TRUE(id);
    ASSERT_TRUE(store.saveCurrentScene("Plain", QString("   ")));
    ASSERT_EQ(store.savedScenes().size(), 2u);
    EXPECT_EQ(saved(0).name, "Night walk");
    EXPECT_EQ(saved(0).icon, QString("🌙"));
    EXPECT_EQ(saved(1).icon, std::nullopt);
    EXPECT_NE(saved(0).id, saved(1).id);
    EXPECT_EQ(saved(0).scene, store.currentSceneSnapshot());

    const QVariant before = db.value("app.savedScenes");
    store.setCloudCount(std::numeric_limits<double>::quiet_NaN());
    ASSERT_TRUE(store.saveCurrentScene("bad", std::nullopt));
    EXPECT_EQ(store.savedScenes().size(), 3u);
    EXPECT_EQ(db.value("app.savedScenes"), before);
}

TEST_F(Store, RecordsNeedTheirRequiredKeysOfTheRightKind)
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

// Flags first, the name last; what a scene does not carry (a preset's sun by night, the volume, colours) stays.
TEST_F(Store, ScenesApplyInOrderAndLeaveAloneWhatTheyDoNotCarry)
{
    store.setMoonIntensity(66);
    store.setSoundVolume(80);
    store.setDropColorHex("#123456");
    SceneSnapshot snapshot = store.currentSceneSnapshot();
    snapshot.moonIntensity.reset();
    snapshot.snowEnabled = true;
    snapshot.sceneName = "from-snapshot";
    const QList<Setting> order = changesDuring([&] { store.apply(snapshot); });
    EXPECT_EQ(order.front(), Setting::cloudsEnabled);
    EXPECT_EQ(order.back(), Setting::sceneName);
    EXPECT_EQ(store.moonIntensity(), 66);
    EXPECT_TRUE(store.snowEnabled());

    store.setSunIntensity(12);
    ScenePreset::preset(u"moonlit-night")->apply(store);
    EXPECT_EQ(std::tuple(store.moonIntensity(), store.sunIntensity(), store.soundVolume()), std::tuple(54, 12, 80));
    EXPECT_EQ(store.dropColorHex(), "#123456");
    for (const ScenePreset& preset : ScenePreset::all()) {
        preset.apply(store);
        EXPECT_EQ(store.seaSoundEnabled(), preset.id == "overcast") << preset.id.toStdString();
        EXPECT_TRUE(preset.matches(store)) << preset.id.toStdString();
    }
}

TEST_F(Store, MatchingToleratesHalfAUnitAndOnlySavedScenesCheckAngleAndGusts)
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

TEST_F(Store, AtMostThreeFavouritesAndRenamingDeletingAndUnknownScenes)
{
    for (const char* name : {"a", "b", "c", "d"})
        ASSERT_TRUE(store.saveCurrentScene(name, QString("⭐")));
    for (std::size_t i = 0; i < 3; ++i)
        store.toggleFavorite(saved(i));
    EXPECT_TRUE(changesDuring([&] { store.toggleFavorite(saved(3)); }).isEmpty());
    store.toggleFavorite(saved(1));
    store.toggleFavorite(saved(3));
    store.toggleFavorite(SavedScene{"no-such-id", "x", {}, {}, {}});
    QStringList favorites;
    for (const SavedScene& scene : store.favoriteScenes())
        favorites << scene.name;
    EXPECT_EQ(favorites, (QStringList{"a", "c", "d"}));

    const SavedScene scene = saved(0);
    EXPECT_TRUE(changesDuring([&] { store.updateSavedScene(scene, "   ", QString("🌧")); }).isEmpty());
    EXPECT_TRUE(changesDuring([&] { store.updateSavedScene(SavedScene{"gone", "", {}, {}, {}}, "x", std::nullopt); }).isEmpty());
    store.updateSavedScene(scene, " new ", QString(" "));
    EXPECT_EQ(std::tuple(saved(0).name, saved(0).icon, saved(0).id), std::tuple(QString("new"), std::nullopt, scene.id));
    // The list's own element may be passed in, though the first change replaces the list.
    store.updateSavedScene(store.savedScenes()[1], "renamed", store.savedScenes()[1].name);
    EXPECT_EQ(saved(1).icon, QString("b"));
    store.deleteSavedScene(scene);
    ASSERT_EQ(store.savedScenes().size(), 3u);
    EXPECT_EQ(SettingsStore(db).savedScenes().at(0).name, "renamed");
}

// An unreadable backup is moved aside: else it blocks the next capture and live weather never hands back.
TEST_F(Store, WeatherBackupIsTakenOnceAndRestoredOnce)
{
    const QString unreadable = R"({"cloudsEnabled":true})";
    db.setValue("app.weatherSnapshot", unreadable);
    store.setCloudCount(9);
    store.captureWeatherSnapshotIfNeeded();
    const QVariant first = db.value("app.weatherSnapshot");
    ScenePreset::preset(u"storm")->apply(store);
    store.captureWeatherSnapshotIfNeeded();
    EXPECT_EQ(db.value("app.weatherSnapshot"), first);

    store.restoreWeatherSnapshot();
    EXPECT_EQ(std::tuple(store.cloudCount(), store.sceneName()), std::tuple(9, QString("rainy-night")));
    EXPECT_FALSE(db.contains("app.weatherSnapshot"));
    db.setValue("app.weatherSnapshot", QString("[]"));
    EXPECT_TRUE(changesDuring([&] { store.restoreWeatherSnapshot(); }).isEmpty());
    EXPECT_FALSE(db.contains("app.weatherSnapshot"));
    EXPECT_EQ(db.value("app.weatherSnapshot.backup").toString(), unreadable); // never overwritten
    EXPECT_EQ(db.value("app.weatherSnapshot.backup.2").toString(), "[]");
}

TEST_F(Store, EveryReadableRecordSurvivesItsNeighbours)
{
    ASSERT_TRUE(store.saveCurrentScene("first", std::nullopt));
    ASSERT_TRUE(store.saveCurrentScene("second", std::nullopt));
    const QString good = db.value("app.savedScenes").toString();
    const qsizetype boundary = good.indexOf(QLatin1String("},{"));
    const QString first = good.sliced(1, boundary);
    const QString second = good.sliced(boundary + 2).chopped(1);
    const QString deep = R"({"id":"D","name":"deep","scene":)" + QString("[").repeated(5000)
        + QString("]").repeated(5000) + "}";
    const QString huge = QString(first).replace(R"("cloudCount":)", R"("cloudCount":1e999,"was":)");

    const struct {
        QString text;
        int readable;
        int unreadable;
        bool lost;
    } cases[] = {
        {good, 2, 0, false},
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
