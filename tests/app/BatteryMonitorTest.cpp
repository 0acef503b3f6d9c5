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
    void start() override {}
    [[nodiscard]] std::optional<BatteryReading> batteryState() const override { return reading; }
    [[nodiscard]] std::optional<bool> powerSaverProfile() const override { return powerSaver; }

    std::optional<BatteryReading> reading;
    std::optional<bool> powerSaver;
};

constexpr BatteryReading battery(double percent)
{
    return {percent, false};
}
constexpr BatteryReading mains(double percent)
{
    return {percent, true};
}

// One thing that happens, and low-power mode (and whether the user's override holds) after it.
struct Step {
    enum Kind { start, report, user, threshold, automatic, reset } kind;
    std::optional<BatteryReading> reading = std::nullopt;
    std::optional<bool> profile = std::nullopt;
    double value = 0; // the threshold, or the switch the user or the setting flips
    bool lowPower = false;
    std::optional<bool> suspended = std::nullopt;
};

// Automatic power saving on below 20%, low-power mode off to begin with.
void play(const char* story, const std::vector<Step>& steps)
{
    SCOPED_TRACE(story);
    MemoryKeyValueStore database;
    SettingsStore settings{database};
    settings.setLowPowerMode(false);
    settings.setAutoPowerSavingEnabled(true);
    settings.setAutoPowerSavingThreshold(20);
    FakePowerSource source;
    BatteryMonitor monitor{settings, source};
    int index = 0;
    for (const Step& step : steps) {
        SCOPED_TRACE(testing::Message() << "step " << ++index);
        source.reading = step.reading;
        source.powerSaver = step.profile;
        switch (step.kind) {
        case Step::start: monitor.start(); break;
        case Step::report:
            emit source.changed();
            QCoreApplication::processEvents();
            break;
        case Step::user: settings.setLowPowerMode(step.value != 0); break;
        case Step::threshold: settings.setAutoPowerSavingThreshold(step.value); break;
        case Step::automatic: settings.setAutoPowerSavingEnabled(step.value != 0); break;
        case Step::reset: settings.resetAllToDefaults(); break;
        }
        EXPECT_EQ(settings.lowPowerMode(), step.lowPower);
        if (step.suspended) {
            EXPECT_EQ(monitor.autoSuspended(), *step.suspended);
        }
    }
}

} // namespace

TEST(BatteryMonitor, FollowsTheBatteryUntilTheUserSaysOtherwise)
{
    play("a low battery, then mains, then the threshold itself",
         {{.kind = Step::start, .reading = battery(15), .lowPower = true, .suspended = false},
          {.kind = Step::report, .reading = mains(15), .lowPower = false},
          {.kind = Step::report, .reading = battery(20.5), .lowPower = false},
          {.kind = Step::report, .reading = battery(20), .lowPower = true}});
    play("the user's switch holds through drops until plugged or unplugged",
         {{.kind = Step::start, .reading = battery(15), .lowPower = true},
          {.kind = Step::user, .reading = battery(15), .value = 0, .lowPower = false, .suspended = true},
          {.kind = Step::report, .reading = battery(3), .lowPower = false},
          {.kind = Step::report, .reading = mains(3), .lowPower = false, .suspended = false},
          {.kind = Step::report, .reading = battery(3), .lowPower = true}});
    play("an automatic setting ends the override; switched off it writes nothing",
         {{.kind = Step::start, .reading = battery(15), .lowPower = true},
          {.kind = Step::user, .reading = battery(15), .value = 0, .lowPower = false},
          {.kind = Step::threshold, .reading = battery(15), .value = 25, .lowPower = true, .suspended = false},
          {.kind = Step::threshold, .reading = battery(15), .value = 10, .lowPower = false},
          {.kind = Step::user, .reading = battery(15), .value = 1, .lowPower = true},
          {.kind = Step::automatic, .reading = battery(15), .value = 0, .lowPower = true},
          {.kind = Step::report, .reading = mains(100), .lowPower = true},
          {.kind = Step::automatic, .reading = mains(100), .value = 1, .lowPower = false}});
    play("a first reading is no plugging in; a reset is the user's change",
         {{.kind = Step::start, .lowPower = false},
          {.kind = Step::user, .value = 1, .lowPower = true, .suspended = true},
          {.kind = Step::report, .reading = mains(100), .profile = false, .lowPower = true, .suspended = true},
          {.kind = Step::report, .reading = battery(15), .lowPower = true, .suspended = false},
          {.kind = Step::reset, .reading = battery(15), .lowPower = false}});
    play("nothing known changes nothing",
         {{.kind = Step::user, .value = 1, .lowPower = true},
          {.kind = Step::start, .lowPower = true},
          {.kind = Step::report, .profile = false, .lowPower = true},
          {.kind = Step::threshold, .value = 50, .lowPower = true}});
    play("the power-saver profile counts like a low battery; either reason is enough",
         {{.kind = Step::start, .profile = true, .lowPower = true},
          {.kind = Step::report, .profile = false, .lowPower = false},
          {.kind = Step::report, .reading = mains(10), .profile = true, .lowPower = true},
          {.kind = Step::report, .reading = battery(10), .profile = false, .lowPower = true},
          {.kind = Step::report, .reading = mains(10), .profile = false, .lowPower = false},
          {.kind = Step::user, .reading = mains(10), .profile = false, .value = 1, .lowPower = true},
          {.kind = Step::report, .reading = mains(10), .profile = true, .lowPower = true, .suspended = false},
          {.kind = Step::user, .reading = mains(10), .profile = true, .value = 0, .lowPower = false},
          {.kind = Step::report, .reading = mains(10), .lowPower = false, .suspended = true}});
}

} // namespace tavik
