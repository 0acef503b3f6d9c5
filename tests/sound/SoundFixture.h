#pragma once

#include "settings/KeyValueStore.h"
#include "settings/SettingsStore.h"

#include <gtest/gtest.h>

namespace tavik::test {

// A store with sound on at full volume over an empty sky (every effect off, every channel
// switch on except the sea), and the clock reading the dynamic waves are taken at.
class SoundFixture : public ::testing::Test {
public:
    static constexpr double kClockTime = 4321.5;

protected:
    void SetUp() override
    {
        store.setEnabled(true);
        store.setSoundEnabled(true);
        store.setScreenLocked(false);
        store.setLowPowerMode(false);
        store.setSoundVolume(100);
        store.setRainSoundEnabled(true);
        store.setWindSoundEnabled(true);
        store.setThunderSoundEnabled(true);
        store.setBirdsongSoundEnabled(true);
        store.setSeaSoundEnabled(false);
        store.setRainEnabled(false);
        store.setRainDynamic(false);
        store.setWindEnabled(false);
        store.setWindDynamic(false);
        store.setThunderEnabled(false);
        store.setSunRaysEnabled(false);
    }

    MemoryKeyValueStore database;
    SettingsStore store{database};
};

} // namespace tavik::test
