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

TEST_F(BatteryMonitorTest, LowBatteryOnBatterySwitchesOnAndMainsPowerOff)
{
    startAt(onBattery(15));
    EXPECT_EQ(source.starts, 1);
    EXPECT_TRUE(settings.lowPowerMode());
    EXPECT_FALSE(monitor.autoSuspended()) << "the monitor's own write is no override";

    // The notification only schedules the evaluation.
    source.reading = onMains(15);
    emit source.changed();
    EXPECT_TRUE(settings.lowPowerMode());
    QCoreApplication::processEvents();
    EXPECT_FALSE(settings.lowPowerMode());

    source.report(onBattery(20.5));
    EXPECT_FALSE(settings.lowPowerMode());
    source.report(onBattery(20));
    EXPECT_TRUE(settings.lowPowerMode()) << "the threshold itself counts as low";

    monitor.start();
    EXPECT_EQ(source.starts, 1);
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
}

TEST_F(BatteryMonitorTest, AutomaticSettingsEndTheOverrideAndOffLeavesLowPowerAlone)
{
    startAt(onBattery(15));
    settings.setLowPowerMode(false);
    settings.setAutoPowerSavingThreshold(25);
    EXPECT_FALSE(monitor.autoSuspended());
    EXPECT_TRUE(settings.lowPowerMode());

    // The store announces before it stores: the evaluation must see 10, not the old 25.
    settings.setAutoPowerSavingThreshold(10);
    EXPECT_FALSE(settings.lowPowerMode());
    settings.setAutoPowerSavingThreshold(20);
    ASSERT_TRUE(settings.lowPowerMode());

    settings.setAutoPowerSavingEnabled(false);
    source.report(onMains(100));
    EXPECT_TRUE(settings.lowPowerMode()) << "switched off, the automatic mode writes nothing";
    settings.setAutoPowerSavingEnabled(true);
    EXPECT_FALSE(settings.lowPowerMode()) << "switched on, it evaluates at once";
}

TEST_F(BatteryMonitorTest, FirstReadingNeverEndsAnOverride)
{
    startAt(std::nullopt);
    settings.setLowPowerMode(true);
    ASSERT_TRUE(monitor.autoSuspended());
    source.report(onMains(100), false);
    EXPECT_TRUE(monitor.autoSuspended());
    EXPECT_TRUE(settings.lowPowerMode());
}

TEST_F(BatteryMonitorTest, ResetOfAllSettingsIsTheUsersChange)
{
    startAt(onBattery(15));
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
}

TEST_F(BatteryMonitorTest, WithoutABatteryAnOrdinaryProfileKeepsTheUsersChoice)
{
    settings.setLowPowerMode(true);
    startAt(std::nullopt, false);
    EXPECT_TRUE(settings.lowPowerMode());
    source.report(std::nullopt, false);
    EXPECT_TRUE(settings.lowPowerMode());
}

TEST_F(BatteryMonitorTest, PowerSaverProfileCountsLikeALowBattery)
{
    // A desktop answers only the profile question.
    startAt(std::nullopt, true);
    EXPECT_TRUE(settings.lowPowerMode());
    source.report(std::nullopt, false);
    EXPECT_FALSE(settings.lowPowerMode());

    // Either reason is enough; both must be gone to switch off.
    source.report(onMains(10), true);
    EXPECT_TRUE(settings.lowPowerMode());
    source.report(onBattery(10), false);
    EXPECT_TRUE(settings.lowPowerMode());
    source.report(onMains(10), false);
    EXPECT_FALSE(settings.lowPowerMode());

    // A profile switch ends an override as plugging in does; a service leaving does not.
    settings.setLowPowerMode(true);
    source.report(onMains(10), true);
    EXPECT_FALSE(monitor.autoSuspended());
    settings.setLowPowerMode(false);
    source.report(onMains(10), std::nullopt);
    EXPECT_TRUE(monitor.autoSuspended());
}

} // namespace
} // namespace tavik
