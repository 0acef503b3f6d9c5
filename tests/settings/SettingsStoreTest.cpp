#include "settings/SettingsStore.h"

#include "settings/ScenePreset.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>
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
        EXPECT_EQ(store.sceneName(), "rainy-night");
        EXPECT_EQ(store.dropsPerSecond(), 22);
        EXPECT_EQ(store.rainAngle(), -18);
        EXPECT_EQ(store.fireflyCount(), 6);
        EXPECT_TRUE(store.firefliesEnabled());
        EXPECT_FALSE(store.leavesEnabled()); // on in the bare defaults, off in the preset
        // Settings outside the preset keep the table's defaults.
        EXPECT_EQ(store.dropOpacity(), 0.22);
        EXPECT_EQ(store.dropColorHex(), "#5FD8F5");
        EXPECT_EQ(store.maxFPS(), 60);
        // Applied like a user change: written through.
        EXPECT_EQ(db.value("rain.dropsPerSecond").toDouble(), 22);
        EXPECT_EQ(db.value("app.scene").toString(), "rainy-night");

        store.setDropsPerSecond(5);
        store.setLeavesEnabled(true);
    }
    SettingsStore again(db);
    EXPECT_EQ(again.dropsPerSecond(), 5);
    EXPECT_TRUE(again.leavesEnabled());
    EXPECT_EQ(again.sceneName(), "rainy-night");
}

TEST(SettingsStoreLaunch, PresenceOfAKeyDecidesAndValuesAreCoerced)
{
    MemoryKeyValueStore db;
    db.setValue("app.didFirstLaunch", true);
    db.setValue("rain.enabled", false);          // false beats a true default
    db.setValue("wind.enabled", QString("false")); // as an INI file gives it back
    db.setValue("leaves.enabled", QString("garbage"));
    db.setValue("fireflies.enabled", QString("0"));
    db.setValue("app.lowPowerMode", QString("1"));
    db.setValue("snow.enabled", QString("YES"));
    db.setValue("rain.dropsPerSecond", QString("abc")); // not a number: the default
    db.setValue("rain.dropSpeed", QString(" 12.5 "));
    db.setValue("rain.dropWidth", true);
    db.setValue("rain.dropHeight", QString("nan"));
    db.setValue("rain.angle", std::numeric_limits<double>::infinity());
    db.setValue("app.maxFPS", QString("inf"));
    db.setValue("rain.dropColor", QString("not a colour"));
    db.setValue("app.scene", 42);

    SettingsStore store(db);
    EXPECT_FALSE(store.rainEnabled());
    EXPECT_FALSE(store.windEnabled());
    EXPECT_FALSE(store.leavesEnabled());
    EXPECT_FALSE(store.firefliesEnabled());
    EXPECT_TRUE(store.lowPowerMode());
    EXPECT_TRUE(store.snowEnabled());
    EXPECT_EQ(store.dropsPerSecond(), 10);
    EXPECT_EQ(store.dropSpeed(), 12.5);
    EXPECT_EQ(store.dropWidth(), 1);
    // Non-finite numbers count as absent: the default applies.
    EXPECT_EQ(store.dropHeight(), 50);
    EXPECT_EQ(store.rainAngle(), -20);
    EXPECT_EQ(store.maxFPS(), 60);
    // Strings are kept unchanged; the colour view shows white.
    EXPECT_EQ(store.dropColorHex(), "not a colour");
    EXPECT_EQ(store.dropColor(), QColor(Qt::white));
    EXPECT_EQ(store.sceneName(), "42");
    // Reading alone rewrites nothing.
    EXPECT_EQ(db.value("rain.dropsPerSecond").toString(), "abc");
}

TEST(SettingsStoreNotifications, AnnouncedBeforeStoredThenWrittenAtOnce)
{
    MemoryKeyValueStore db;
    SettingsStore store(db);
    std::vector<double> streamed;
    std::vector<double> storeSawAtWillChange;
    std::vector<double> storeSawInStream;
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
    EXPECT_FALSE(store.liveWeatherEnabled());
}

TEST(SettingsStoreValues, FrameRateCapAndPerDisplaySwitches)
{
    MemoryKeyValueStore db;
    SettingsStore store(db);
    EXPECT_EQ(store.effectiveMaxFPS(), 60);
    store.setLowPowerMode(true);
    EXPECT_EQ(store.effectiveMaxFPS(), 30);
    store.setMaxFPS(24);
    EXPECT_EQ(store.effectiveMaxFPS(), 24);

    EXPECT_TRUE(store.isMonitorEnabled("DEL-1234-99"));
    store.setMonitor("DEL-1234-99", false);
    store.setMonitor("eDP-1", true);
    EXPECT_FALSE(store.isMonitorEnabled("DEL-1234-99"));
    const QJsonObject written = QJsonDocument::fromJson(db.value("app.monitors").toString().toUtf8()).object();
    EXPECT_EQ(written.size(), 2);
    EXPECT_EQ(written.value("DEL-1234-99").toBool(true), false);
    EXPECT_EQ(written.value("eDP-1").toBool(false), true);

    SettingsStore again(db);
    EXPECT_FALSE(again.isMonitorEnabled("DEL-1234-99"));
    EXPECT_TRUE(again.isMonitorEnabled("eDP-1"));
}

TEST(SettingsStoreValues, ColourPropertiesStoreOpaqueUpperCaseHex)
{
    MemoryKeyValueStore db;
    SettingsStore store(db);
    store.setDropColor(QColor::fromRgbF(1.0, 0.5, 0.0, 0.5));
    EXPECT_EQ(store.dropColorHex(), "#FF8000");
    EXPECT_EQ(db.value("rain.dropColor").toString(), "#FF8000");
    store.setGlowColorHex("#0a0b0c");
    EXPECT_EQ(store.glowColor(), QColor(10, 11, 12));
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
    store.setMaxFPS(24);
    store.setSoundEnabled(true);
    store.captureWeatherSnapshotIfNeeded();
    const QVariant backup = db.value("app.weatherSnapshot");

    const QStringList order = changesDuring(store, [&store] { store.resetAllToDefaults(); });
    ASSERT_FALSE(order.isEmpty());
    EXPECT_EQ(order.front(), "liveWeatherEnabled");
    EXPECT_EQ(order.back(), "sceneName");
    for (const char* untouched : {"enabled", "screenLocked", "monitorEnabled", "savedScenes"})
        EXPECT_FALSE(order.contains(untouched)) << untouched;
    EXPECT_EQ(order.count("liveWeatherEnabled"), 1);

    EXPECT_FALSE(store.enabled());
    EXPECT_FALSE(store.isMonitorEnabled("eDP-1"));
    EXPECT_EQ(store.savedScenes().size(), 1u);
    EXPECT_EQ(store.sceneName(), "");
    // The bare table, not the first-launch preset.
    EXPECT_EQ(store.dropsPerSecond(), 10);
    EXPECT_TRUE(store.leavesEnabled());
    EXPECT_EQ(store.dropColorHex(), "#5FD8F5");
    EXPECT_EQ(store.maxFPS(), 60);
    EXPECT_FALSE(store.soundEnabled());
    EXPECT_FALSE(store.liveWeatherEnabled());
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
    EXPECT_EQ(store.savedScenes()[0].name, "first");
    EXPECT_EQ(store.savedScenes()[1].name, "second");
    EXPECT_FALSE(db.contains("app.savedScenes.backup")); // nothing rewritten yet

    ASSERT_TRUE(store.saveCurrentScene("third", std::nullopt));
    EXPECT_EQ(db.value("app.savedScenes.backup").toString(), damaged);
    SettingsStore reread(db);
    EXPECT_EQ(reread.savedScenes().size(), 3u);

    // A later, different damage never overwrites the earlier backup.
    db.setValue("app.savedScenes", QString("not json"));
    SettingsStore third(db);
    EXPECT_TRUE(third.savedScenes().empty());
    third.deleteSavedScene(SavedScene{});
    EXPECT_EQ(db.value("app.savedScenes.backup").toString(), damaged);
    EXPECT_EQ(db.value("app.savedScenes.backup.2").toString(), "not json");
}

TEST(SettingsStoreRecovery, DamagedDisplayMapKeepsValidMembers)
{
    MemoryKeyValueStore db;
    db.setValue("app.didFirstLaunch", true);
    const QString damaged = R"({"eDP-1": false, "HDMI-1": "yes", "DP-2": true})";
    db.setValue("app.monitors", damaged);
    SettingsStore store(db);
    EXPECT_FALSE(store.isMonitorEnabled("eDP-1"));
    EXPECT_TRUE(store.isMonitorEnabled("DP-2"));
    EXPECT_EQ(store.monitorEnabled().size(), 2u);
    store.setMonitor("DP-2", false);
    EXPECT_EQ(db.value("app.monitors.backup").toString(), damaged);
}
