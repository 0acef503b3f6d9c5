#include "app/MediaPlayerState.h"

#include "settings/ScenePreset.h"
#include "settings/SettingsStore.h"

#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

using namespace tavik;

namespace {

class MediaPlayerState : public ::testing::Test {
protected:
    // Saves what is on screen now under a name, starred or not; returns its id.
    QString save(const QString& name, bool favourite)
    {
        const QString id = *store.saveCurrentScene(name, std::nullopt);
        if (favourite)
            store.toggleFavorite(store.savedScenes().back());
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

    ScenePreset::preset(u"storm")->apply(store);
    save(QStringLiteral("Plain storm"), false);
    EXPECT_EQ(sceneTitle(store), "Storm");
    save(QStringLiteral("My storm"), true);
    EXPECT_EQ(sceneTitle(store), "My storm");
}

// Paused, with a text saying why, for each reason.
TEST_F(MediaPlayerState, PausedWithTheReasonThatSilencesIt)
{
    using Set = void (SettingsStore::*)(bool);
    const std::tuple<Set, bool, bool, Silence> cases[] = {
        {nullptr, false, false, Silence::none},
        {&SettingsStore::setSoundEnabled, false, false, Silence::soundOff},
        {&SettingsStore::setEnabled, false, false, Silence::masterOff},
        {&SettingsStore::setScreenLocked, true, false, Silence::screenLocked},
        {&SettingsStore::setAllDisplaysPaused, true, false, Silence::fullscreen},
        {&SettingsStore::setLowPowerMode, true, false, Silence::powerSaving},
        {nullptr, false, true, Silence::otherAudio},
    };
    for (const auto& [set, value, yielding, expected] : cases) {
        SCOPED_TRACE(int(expected));
        MemoryKeyValueStore fresh;
        SettingsStore settings{fresh};
        settings.setSoundEnabled(true);
        if (set)
            (settings.*set)(value);
        const Silence silence = silenceOf(settings, yielding);
        EXPECT_EQ(silence, expected);
        EXPECT_EQ(playbackStatus(silence), expected == Silence::none ? "Playing" : "Paused");
        EXPECT_EQ(silenceText(silence).isEmpty(), expected == Silence::none);
    }
    // Locked and yielding too: the user's own switch is named first.
    store.setScreenLocked(true);
    EXPECT_EQ(silenceOf(store, true), Silence::soundOff);
}

// Whole percents, below zero held to 0; a volume that is no number changes nothing.
TEST_F(MediaPlayerState, VolumeMapsToWholePercents)
{
    for (const auto& [volume, stored] : std::vector<std::pair<double, double>>{{0.555, 56}, {-0.2, 0}, {std::nan(""), 0}}) {
        setMediaVolume(store, volume);
        EXPECT_EQ(store.soundVolume(), stored) << volume;
    }
    store.setSoundVolume(std::nan(""));
    EXPECT_EQ(mediaVolume(store), 0.5) << "the default";
}
