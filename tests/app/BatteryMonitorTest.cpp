#include "app/BatteryMonitor.h"
#include "platform/PowerSources.h"
#include "settings/KeyValueStore.h"
#include "settings/SettingsStore.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <vector>

namespace tavik {
namespace {

class FakePowerSource final : public PowerSource {
public:
    void start() override { ++starts; }
    [[nodiscard]] std::optional<BatteryReading> batteryState() const override { return reading; }
    [[nodiscard]] std::optional<bool> powerSaverProfile() const override { return powerSaver; }

    // Changes what the machine reports and lets the monitor's queued evaluation run.
    void report(std::optional<BatteryReading> newReading, std::optional<bool> newPowerSaver = std::nullopt)
    {
        reading = newReading;
        powerSaver = newPowerSaver;
        emit changed();
        QCoreApplication::processEvents();
    }

    std::optional<BatteryReading> reading;
    std::optional<bool> powerSaver;
    int starts = 0;
};

constexpr BatteryReading onBattery(double percent)
{
    return {percent, false};
}
constexpr BatteryReading onMains(double percent)
{
    return {percent, true};
}

class BatteryMonitorTest : public ::testing::Test {
protected:
    BatteryMonitorTest()
    {
        settings.setLowPowerMode(false);
        settings.setAutoPowerSavingEnabled(true);
        settings.setAutoPowerSavingThreshold(20);
    }

    void startAt(std::optional<BatteryReading> reading, std::optional<bool> powerSaver = std::nullopt)
    {
        source.reading = reading;
        source.powerSaver = powerSaver;
        monitor.start();
    }

    MemoryKeyValueStore database;
    SettingsStore settings{database};
    FakePowerSource source;
    BatteryMonitor monitor{settings, source};
};

TEST_F(BatteryMonitorTest, LowBatterySwitchesOnAndMainsPowerOffAtTheNextNotification)
{
    startAt(onBattery(15));
    EXPECT_EQ(source.starts, 1);
    EXPECT_TRUE(settings.lowPowerMode());
    EXPECT_FALSE(monitor.autoSuspended()) << "the monitor's own write is no override";
    EXPECT_FALSE(monitor.isSelfUpdating());

    // The notification only schedules the evaluation.
    source.reading = onMains(15);
    emit source.changed();
    EXPECT_TRUE(settings.lowPowerMode());
    QCoreApplication::processEvents();
    EXPECT_FALSE(settings.lowPowerMode());

    monitor.start();
    EXPECT_EQ(source.starts, 1);
}

TEST_F(BatteryMonitorTest, ThresholdItselfCountsAsLow)
{
    startAt(onBattery(20.5));
    EXPECT_FALSE(settings.lowPowerMode());
    source.report(onBattery(20));
    EXPECT_TRUE(settings.lowPowerMode());
    source.report(onBattery(20.5));
    EXPECT_FALSE(settings.lowPowerMode());
}

TEST_F(BatteryMonitorTest, UserOverrideHoldsThroughDropsUntilPluggedOrUnplugged)
{
    startAt(onBattery(15));
    settings.setLowPowerMode(false);
    EXPECT_TRUE(monitor.autoSuspended());

    source.report(onBattery(8));
    source.report(onBattery(3));
    EXPECT_FALSE(settings.lowPowerMode());

    source.report(onMains(3));
    EXPECT_FALSE(monitor.autoSuspended());
    source.report(onBattery(3));
    EXPECT_TRUE(settings.lowPowerMode());

    // Switching it on by hand while charging holds as well, until unplugged.
    source.report(onMains(30));
    EXPECT_FALSE(settings.lowPowerMode());
    settings.setLowPowerMode(true);
    source.report(onMains(90));
    EXPECT_TRUE(settings.lowPowerMode());
    source.report(onBattery(90));
    EXPECT_FALSE(settings.lowPowerMode());
}

TEST_F(BatteryMonitorTest, AutomaticSettingChangeEndsOverrideAndUsesTheNewValue)
{
    startAt(onBattery(15));
    settings.setLowPowerMode(false);
    ASSERT_TRUE(monitor.autoSuspended());

    settings.setAutoPowerSavingThreshold(25);
    EXPECT_FALSE(monitor.autoSuspended());
    EXPECT_TRUE(settings.lowPowerMode());

    // The store announces before it stores: the evaluation must see 10, not the old 25.
    settings.setAutoPowerSavingThreshold(10);
    EXPECT_FALSE(settings.lowPowerMode());

    settings.setAutoPowerSavingEnabled(false);
    settings.setLowPowerMode(true);
    settings.setAutoPowerSavingEnabled(true);
    EXPECT_FALSE(settings.lowPowerMode()) << "switching automatic saving on evaluates at once";
}

TEST_F(BatteryMonitorTest, SwitchingAutomaticSavingOffLeavesLowPowerAsItIs)
{
    startAt(onBattery(15));
    ASSERT_TRUE(settings.lowPowerMode());
    settings.setAutoPowerSavingEnabled(false);
    EXPECT_TRUE(settings.lowPowerMode());
    source.report(onMains(15));
    source.report(onMains(100));
    EXPECT_TRUE(settings.lowPowerMode());
}

TEST_F(BatteryMonitorTest, FirstReadingNeverEndsAnOverride)
{
    startAt(std::nullopt);
    settings.setLowPowerMode(true);
    ASSERT_TRUE(monitor.autoSuspended());

    source.report(onMains(100));
    EXPECT_TRUE(monitor.autoSuspended());
    EXPECT_TRUE(settings.lowPowerMode());
    // The first profile answer is no change of profile either.
    source.report(onMains(100), false);
    EXPECT_TRUE(monitor.autoSuspended());
}

TEST_F(BatteryMonitorTest, ResetOfAllSettingsIsTheUsersChange)
{
    startAt(onBattery(15));
    ASSERT_TRUE(settings.lowPowerMode());

    std::vector<bool> suspendedAtEachWrite;
    const Subscription watch = settings.observe<bool>(Setting::lowPowerMode, [&](bool) {
        suspendedAtEachWrite.push_back(monitor.autoSuspended());
    });
    suspendedAtEachWrite.clear();
    settings.resetAllToDefaults();

    EXPECT_EQ(suspendedAtEachWrite, std::vector<bool>{true}) << "one write, the reset's, taken as manual";
    EXPECT_FALSE(settings.lowPowerMode());
}

TEST_F(BatteryMonitorTest, NothingKnownChangesNothing)
{
    settings.setLowPowerMode(true);
    startAt(std::nullopt);
    source.report(std::nullopt);
    settings.setAutoPowerSavingThreshold(50);
    EXPECT_TRUE(settings.lowPowerMode());

    settings.setLowPowerMode(false);
    source.report(std::nullopt);
    settings.setAutoPowerSavingThreshold(100);
    EXPECT_FALSE(settings.lowPowerMode());
}

TEST_F(BatteryMonitorTest, PowerSaverProfileCountsLikeALowBattery)
{
    // A desktop answers only the profile question.
    startAt(std::nullopt, true);
    EXPECT_TRUE(settings.lowPowerMode());
    source.report(std::nullopt, false);
    EXPECT_FALSE(settings.lowPowerMode());

    // Either reason is enough; both must be gone to switch off.
    source.report(onBattery(10), false);
    EXPECT_TRUE(settings.lowPowerMode());
    source.report(onMains(10), true);
    EXPECT_TRUE(settings.lowPowerMode());
    source.report(onMains(10), false);
    EXPECT_FALSE(settings.lowPowerMode());

    // A profile switch ends an override just as plugging in does.
    settings.setLowPowerMode(true);
    source.report(onMains(10), false);
    EXPECT_TRUE(settings.lowPowerMode());
    source.report(onMains(10), true);
    EXPECT_FALSE(monitor.autoSuspended());
    source.report(onMains(10), false);
    EXPECT_FALSE(settings.lowPowerMode());

    // A profile service that goes away leaves the battery to decide, without ending overrides.
    source.report(onBattery(10), true);
    settings.setLowPowerMode(false);
    source.report(onBattery(10), std::nullopt);
    EXPECT_TRUE(monitor.autoSuspended());
    EXPECT_FALSE(settings.lowPowerMode());
}

} // namespace
} // namespace tavik

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
