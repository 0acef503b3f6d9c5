#include "settings/SettingsStore.h"

#include "settings/ScenePreset.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <limits>

using namespace tavik;

namespace {

QStringList changesDuring(SettingsStore& store, const std::function<void()>& action)
{
    QStringList order;
    auto sub = store.onWillChange([&order](Setting id) {
        order << QString::fromLatin1(settingInfo(id).property.data(), static_cast<qsizetype>(settingInfo(id).property.size()));
    });
    action();
    return order;
}

} // namespace

TEST(SettingsStoreLaunch, FirstLaunchAppliesRainyNightAndSecondLaunchKeepsUserChanges)
{
    MemoryKeyValueStore db;
    {
        SettingsStore store(db);
        EXPECT_TRUE(db.value("app.didFirstLaunch").toBool());
        EXPECT_TRUE(ScenePreset::preset(u"rainy-night")->matches(store));
        EXPECT_FALSE(store.leavesEnabled()); // on in the bare defaults, off in the preset
        EXPECT_EQ(store.dropColorHex(), "#5FD8F5"); // outside the preset: the table's default
        // Applied like a user change: written through.
        EXPECT_EQ(db.value("rain.dropsPerSecond").toDouble(), 22);
        EXPECT_EQ(db.value("app.scene").toString(), "rainy-night");
        store.setDropsPerSecond(5);
    }
    SettingsStore again(db);
    EXPECT_EQ(again.dropsPerSecond(), 5);
    EXPECT_EQ(again.sceneName(), "rainy-night");
}

TEST(SettingsStoreLaunch, StoredValuesOfEveryKindAreReadAndNothingIsRewritten)
{
    const struct {
        const char* key;
        QVariant stored;
        SettingValue read;
    } cases[] = {
        {"rain.enabled", false, false}, // false beats a true default
        {"rain.dropsPerSecond", QString("abc"), 10.0}, // not a number: the default
        {"rain.dropHeight", QString("nan"), 50.0}, // non-finite numbers count as absent
        {"rain.angle", std::numeric_limits<double>::infinity(), -20.0},
        {"rain.dropColor", QString("not a colour"), QStringLiteral("not a colour")}, // strings as they are
        {"app.scene", 42, QStringLiteral("42")},
    };
    MemoryKeyValueStore db;
    db.setValue("app.didFirstLaunch", true);
    for (const auto& c : cases)
        db.setValue(c.key, c.stored);
    SettingsStore store(db);
    for (const auto& c : cases) {
        EXPECT_EQ(store.value(findSettingByKey(c.key)->id), c.read) << c.key;
        EXPECT_EQ(db.value(c.key), c.stored) << c.key;
    }
    EXPECT_EQ(store.dropColor(), QColor(Qt::white)); // the colour view of a broken colour
    EXPECT_FALSE(store.setValue(Setting::dropsPerSecond, QStringLiteral("35")));
    EXPECT_EQ(store.dropsPerSecond(), 10);
}

TEST(SettingsStoreNotifications, AnnouncedBeforeStoredThenWrittenAtOnce)
{
    MemoryKeyValueStore db;
    SettingsStore store(db);
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
}

TEST(SettingsStoreNotifications, ObserverMayChangeTheStoreAndDropItsOwnSubscription)
{
    MemoryKeyValueStore db;
    SettingsStore store(db);
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

TEST(SettingsStoreValues, FrameRateCapColoursAndPerDisplaySwitches)
{
    MemoryKeyValueStore db;
    SettingsStore store(db);
    EXPECT_EQ(store.effectiveMaxFPS(), 60);
    store.setLowPowerMode(true);
    EXPECT_EQ(store.effectiveMaxFPS(), 30);
    store.setMaxFPS(24);
    EXPECT_EQ(store.effectiveMaxFPS(), 24);

    store.setDropColor(QColor::fromRgbF(1.0, 0.5, 0.0, 0.5));
    EXPECT_EQ(db.value("rain.dropColor").toString(), "#FF8000");
    store.setGlowColorHex("#0a0b0c");
    EXPECT_EQ(store.glowColor(), QColor(10, 11, 12));

    EXPECT_TRUE(store.isMonitorEnabled("DEL-1234-99"));
    store.setMonitor("DEL-1234-99", false);
    store.setMonitor("eDP-1", true);
    EXPECT_EQ(db.value("app.monitors").toString(), R"({"DEL-1234-99":false,"eDP-1":true})");
    SettingsStore again(db);
    EXPECT_FALSE(again.isMonitorEnabled("DEL-1234-99"));
    EXPECT_TRUE(again.isMonitorEnabled("eDP-1"));
}

TEST(SettingsStoreReset, RestoresDefaultsWithItsExceptionsAndOrder)
{
    MemoryKeyValueStore db;
    SettingsStore store(db);
    store.setEnabled(false);
    store.setMonitor("eDP-1", false);
    ASSERT_TRUE(store.saveCurrentScene("kept", std::nullopt));
    store.setLiveWeatherEnabled(true);
    store.setDropColorHex("#000000");
    store.setSoundEnabled(true);
    store.captureWeatherSnapshotIfNeeded();
    const QVariant backup = db.value("app.weatherSnapshot");

    const QStringList order = changesDuring(store, [&store] { store.resetAllToDefaults(); });
    ASSERT_FALSE(order.isEmpty());
    EXPECT_EQ(order.front(), "liveWeatherEnabled");
    EXPECT_EQ(order.back(), "sceneName");
    EXPECT_EQ(order.count("liveWeatherEnabled"), 1);
    for (const char* untouched : {"enabled", "screenLocked", "monitorEnabled", "savedScenes"})
        EXPECT_FALSE(order.contains(untouched)) << untouched;
    EXPECT_FALSE(store.enabled());
    EXPECT_FALSE(store.isMonitorEnabled("eDP-1"));
    EXPECT_EQ(store.savedScenes().size(), 1u);
    // The bare table, not the first-launch preset.
    for (const SettingInfo& info : settingsTable()) {
        if (!order.contains(QString::fromLatin1(info.property.data(), static_cast<qsizetype>(info.property.size()))))
            continue;
        EXPECT_EQ(store.value(info.id), defaultValue(info)) << info.key;
    }
    // The store's own bookkeeping keys are left alone.
    EXPECT_TRUE(db.value("app.didFirstLaunch").toBool());
    EXPECT_EQ(db.value("app.weatherSnapshot"), backup);
}

TEST(SettingsStoreWrites, UnencodableListIsNotWrittenButKeptInMemory)
{
    MemoryKeyValueStore db;
    SettingsStore store(db);
    ASSERT_TRUE(store.saveCurrentScene("good", std::nullopt));
    const QVariant before = db.value("app.savedScenes");
    store.setCloudCount(std::numeric_limits<double>::quiet_NaN());
    ASSERT_TRUE(store.saveCurrentScene("bad", std::nullopt));
    EXPECT_EQ(store.savedScenes().size(), 2u);
    EXPECT_EQ(db.value("app.savedScenes"), before);
}

TEST(SettingsStoreRecovery, DamagedSavedScenesKeepEveryValidRecordAndTheOriginalText)
{
    MemoryKeyValueStore source;
    {
        SettingsStore store(source);
        ASSERT_TRUE(store.saveCurrentScene("first", QString("🌧")));
        ASSERT_TRUE(store.saveCurrentScene("second", std::nullopt));
    }
    QJsonArray records = QJsonDocument::fromJson(source.value("app.savedScenes").toString().toUtf8()).array();
    QJsonObject broken = records[0].toObject();
    broken.remove("scene");
    records.insert(1, broken);
    records.append(QJsonValue(7));
    const QString damaged = QString::fromUtf8(QJsonDocument(records).toJson(QJsonDocument::Compact));

    MemoryKeyValueStore db;
    db.setValue("app.didFirstLaunch", true);
    db.setValue("app.savedScenes", damaged);
    SettingsStore store(db);
    ASSERT_EQ(store.savedScenes().size(), 2u);
    EXPECT_EQ(store.savedScenes()[1].name, "second");
    EXPECT_FALSE(db.contains("app.savedScenes.backup")); // nothing rewritten yet

    ASSERT_TRUE(store.saveCurrentScene("third", std::nullopt));
    EXPECT_EQ(db.value("app.savedScenes.backup").toString(), damaged);
    EXPECT_EQ(SettingsStore(db).savedScenes().size(), 3u);

    // A later, different damage never overwrites the earlier backup.
    db.setValue("app.savedScenes", QString("not json"));
    SettingsStore third(db);
    EXPECT_TRUE(third.savedScenes().empty());
    third.deleteSavedScene(SavedScene{});
    EXPECT_EQ(db.value("app.savedScenes.backup").toString(), damaged);
    EXPECT_EQ(db.value("app.savedScenes.backup.2").toString(), "not json");
}

TEST(SettingsStoreRecovery, DamagedDisplayMapKeepsValidMembersAndTheOriginalText)
{
    for (const QString& damaged : {QStringLiteral(R"({"eDP-1": false, "HDMI-1": "yes", "DP-2": true})"),
                                   QStringLiteral("not json")}) {
        MemoryKeyValueStore db;
        db.setValue("app.didFirstLaunch", true);
        db.setValue("app.monitors", damaged);
        SettingsStore store(db);
        EXPECT_EQ(store.isMonitorEnabled("eDP-1"), damaged == "not json");
        EXPECT_TRUE(store.isMonitorEnabled("DP-2") && store.isMonitorEnabled("HDMI-1"));
        store.setMonitor("DP-2", false);
        EXPECT_EQ(db.value("app.monitors.backup").toString(), damaged);
    }
}
