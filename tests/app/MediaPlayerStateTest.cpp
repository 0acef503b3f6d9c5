#include "app/MediaPlayerState.h"

#include "settings/ScenePreset.h"
#include "settings/SettingsStore.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

using namespace tavik;

namespace {

class MediaPlayerState : public ::testing::Test {
protected:
    // Saves what is on screen now under a name, starred or not; returns its id.
    QString save(const QString& name, bool favourite)
    {
        const QString id = *store.saveCurrentScene(name, std::nullopt);
        if (favourite) {
            const SavedSceneList scenes = store.savedScenes(); // toggling replaces the list
            for (const SavedScene& scene : scenes) {
                if (scene.id == id)
                    store.toggleFavorite(scene);
            }
        }
        return id;
    }
    void makeCustom() { store.setDropsPerSecond(store.dropsPerSecond() + 37); }

    MemoryKeyValueStore db;
    SettingsStore store{db};
};

} // namespace

// The title names the scene on screen, a favourite's name before a built-in one's as on the bar;
// next and previous walk the bar and wrap round, and from off the bar start at its ends.
TEST_F(MediaPlayerState, TheTitleAndTheStepsFollowTheSceneBar)
{
    const auto presets = ScenePreset::all();
    makeCustom();
    EXPECT_EQ(sceneTitle(store), "Custom scene");
    EXPECT_EQ(sceneId(store), "");
    const QString mine = save(QStringLiteral("Mine"), true);
    EXPECT_EQ(sceneTitle(store), "Mine");
    makeCustom();
    const std::vector<std::pair<int, QString>> walk = {
        {+1, mine}, {+1, presets.front().id}, {-1, mine}, {-1, presets.back().id}, {+1, mine}};
    for (const auto& [direction, expected] : walk) {
        stepScene(store, direction);
        EXPECT_EQ(sceneId(store), expected) << (direction > 0 ? "next" : "previous");
    }
    makeCustom();
    stepScene(store, -1);
    EXPECT_EQ(sceneId(store), presets.back().id);
    EXPECT_EQ(sceneTitle(store), presets.back().label);

    ScenePreset::preset(u"storm")->apply(store);
    save(QStringLiteral("Plain storm"), false);
    EXPECT_EQ(sceneTitle(store), "Storm");
    save(QStringLiteral("My storm"), true);
    EXPECT_EQ(sceneTitle(store), "My storm");
}

TEST_F(MediaPlayerState, PausedWithTheReasonThatSilencesIt)
{
    struct Case {
        const char* what;
        std::function<void(SettingsStore&)> change;
        bool yielding;
        Silence silence;
    };
    const std::vector<Case> cases = {
        {"playing", [](SettingsStore&) {}, false, Silence::none},
        {"sound switched off", [](SettingsStore& s) { s.setSoundEnabled(false); }, false, Silence::soundOff},
        {"master switch off", [](SettingsStore& s) { s.setEnabled(false); }, false, Silence::masterOff},
        {"locked", [](SettingsStore& s) { s.setScreenLocked(true); }, false, Silence::screenLocked},
        {"every display paused", [](SettingsStore& s) { s.setAllDisplaysPaused(true); }, false, Silence::fullscreen},
        {"power saving", [](SettingsStore& s) { s.setLowPowerMode(true); }, false, Silence::powerSaving},
        {"another player", [](SettingsStore&) {}, true, Silence::otherAudio},
        {"the user's switch says it first",
         [](SettingsStore& s) {
             s.setScreenLocked(true);
             s.setSoundEnabled(false);
         },
         true, Silence::soundOff},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        store.setEnabled(true);
        store.setSoundEnabled(true);
        store.setScreenLocked(false);
        store.setAllDisplaysPaused(false);
        store.setLowPowerMode(false);
        c.change(store);
        const Silence silence = silenceOf(store, c.yielding);
        EXPECT_EQ(silence, c.silence);
        EXPECT_EQ(playbackStatus(silence), c.silence == Silence::none ? "Playing" : "Paused");
        EXPECT_EQ(silenceText(silence).isEmpty(), c.silence == Silence::none);
    }
}

TEST_F(MediaPlayerState, VolumeMapsToWholePercentsClampedBothWays)
{
    const std::vector<std::pair<double, double>> writes = {{0.3, 30}, {0.555, 56}, {1.5, 100}, {-0.2, 0}, {1, 100}};
    for (const auto& [volume, stored] : writes) {
        setMediaVolume(store, volume);
        EXPECT_EQ(store.soundVolume(), stored) << volume;
    }
    store.setSoundVolume(42);
    setMediaVolume(store, std::nan(""));
    EXPECT_EQ(store.soundVolume(), 42);
    EXPECT_DOUBLE_EQ(mediaVolume(store), 0.42);
    store.setSoundVolume(250);
    EXPECT_EQ(mediaVolume(store), 1.0);
    store.setSoundVolume(std::nan(""));
    EXPECT_EQ(mediaVolume(store), 0.5) << "the default";
}
