#include "cli/CommandLine.h"
#include "cli/Options.h"
#include "cli/ScratchSettings.h"

#include "settings/ScenePreset.h"
#include "settings/SettingsStore.h"

#include <gtest/gtest.h>

using namespace tavik;

namespace {

// A database whose writes never reach the disk.
class UnwritableStore final : public KeyValueStore {
public:
    [[nodiscard]] bool contains(const QString& key) const override { return m_inner.contains(key); }
    [[nodiscard]] QVariant value(const QString& key) const override { return m_inner.value(key); }
    void setValue(const QString& key, const QVariant& value) override { m_inner.setValue(key, value); }
    void remove(const QString& key) override { m_inner.remove(key); }
    [[nodiscard]] QStringList keys() const override { return m_inner.keys(); }
    bool sync() override { return false; }

private:
    MemoryKeyValueStore m_inner;
};

struct Result {
    int status;
    QString out, err;
};

class CommandLine : public ::testing::Test {
protected:
    MemoryKeyValueStore db;
    SettingsStore store{db};

    Result run(const QStringList& args) { return runOn(store, args); }

    static Result runOn(SettingsStore& target, const QStringList& args)
    {
        QString out, err;
        QTextStream outStream(&out), errStream(&err);
        CommandContext context{target, outStream, errStream, QStringLiteral("/test/tavik.conf")};
        const int status = runSettingsCommand(args, context);
        outStream.flush();
        errStream.flush();
        return {status, out, err};
    }

    // The command fails with a usage error, says why, and changes nothing.
    void expectRefused(const QStringList& args)
    {
        SCOPED_TRACE(args.join(' ').toStdString());
        const MemoryKeyValueStore before = db;
        const Result result = run(args);
        EXPECT_EQ(result.status, kExitUsage);
        EXPECT_TRUE(result.err.startsWith("tavik: ")) << result.err.toStdString();
        EXPECT_TRUE(result.out.isEmpty());
        EXPECT_EQ(db.keys(), before.keys());
        for (const QString& key : before.keys())
            EXPECT_EQ(db.value(key), before.value(key)) << key.toStdString();
    }
};

} // namespace

// Each type is read as a user types it, printed in its readable form and written through.
TEST_F(CommandLine, GetAndSetEachType)
{
    const std::tuple<QString, QString, QString, QString> cases[] = {
        {"app.scene", "rainy-night", "my own", "my own"},
        {"rain.dropsPerSecond", "22", "35.5", "35.5"},
        {"rain.dropOpacity", "0.22", "0.30000000000000004", "0.30000000000000004"},
        {"rain.enabled", "true", "off", "false"},
        {"rain.dropColor", "#5FD8F5", " ff8000 ", "#FF8000"},
        {"app.monitors", "{}", R"({"eDP-1": false})", R"({"eDP-1":false})"},
    };
    for (const auto& [key, before, typed, after] : cases) {
        SCOPED_TRACE(key.toStdString());
        EXPECT_EQ(run({"get", key}).out, before + '\n');
        EXPECT_EQ(run({"set", key, typed}).status, kExitOk);
        EXPECT_EQ(run({"get", key}).out, after + '\n');
        EXPECT_TRUE(db.contains(key));
    }
    EXPECT_FALSE(store.isMonitorEnabled("eDP-1"));
    const QStringList lines = run({"list"}).out.split('\n', Qt::SkipEmptyParts);
    // Every stored key once; the lock, the displays all paused and the timer's end live in memory only.
    EXPECT_EQ(lines.size(), static_cast<qsizetype>(kSettingCount - 3));
    EXPECT_TRUE(lines.contains("rain.dropsPerSecond=35.5"));
}

TEST_F(CommandLine, BadInputIsRefusedAndChangesNothing)
{
    expectRefused({"set", "rain.dropsPerSecond", "abc"});
    expectRefused({"set", "rain.dropsPerSecond", "nan"});
    expectRefused({"set", "rain.dropsPerSecond", "inf"});
    expectRefused({"set", "rain.dropsPerSecond", ""});
    expectRefused({"set", "rain.enabled", "maybe"});
    expectRefused({"set", "rain.dropColor", "blue"});
    expectRefused({"set", "app.savedScenes", R"([{"id": "x"}])"});
    expectRefused({"set", "app.monitors", R"({"eDP-1": 1})"});
    expectRefused({"set", "rain.noSuchKey", "1"});
    expectRefused({"set", "dropsPerSecond", "1"}); // a property name is not a key
    expectRefused({"set", "rain.dropsPerSecond"});
    expectRefused({"get", "app.didFirstLaunch"});
    expectRefused({"get"});
    expectRefused({"preset", "tornado"});
    expectRefused({"frobnicate"});
    expectRefused({"scene", "save", "   "});
    expectRefused({"scene", "save", "x", "--icon"});
    expectRefused({"scene", "apply", "no-such-scene"});
    expectRefused({"scene", "explode"});
}

TEST_F(CommandLine, NumbersAreTakenAtTheEndsOfTheirRangeAndRefusedJustOutside)
{
    const std::tuple<QString, QString, QString, QString, QString, QString> cases[] = {
        {"rain.dropsPerSecond", "1", "120", "0.99", "120.5", "1 and 120"},
        {"rain.dropOpacity", "0", "1", "-0.01", "1.01", "0 and 1"},
        {"rain.angle", "-45", "45", "-45.5", "1e9", "-45 and 45"},
        {"app.maxFPS", "1", "240", "0", "241", "1 and 240"},
        {"app.autoPowerBattery", "5", "50", "4", "51", "5 and 50"},
    };
    for (const auto& [key, lowest, highest, below, above, range] : cases) {
        for (const QString& end : {lowest, highest}) {
            EXPECT_EQ(run({"set", key, end}).status, kExitOk) << key.toStdString();
            EXPECT_EQ(run({"get", key}).out, end + '\n');
        }
        for (const QString& outside : {below, above}) {
            expectRefused({"set", key, outside});
            EXPECT_EQ(run({"set", key, outside}).err, "tavik: " + key + " must be between " + range + '\n');
        }
    }
}

TEST_F(CommandLine, SoundTimerTakesMinutesOrOff)
{
    for (const auto& [text, minutes] : {std::pair{"30", 30.0}, {"off", 0.0}, {"1", 1.0}, {"90", 90.0}, {" 45 ", 45.0}}) {
        EXPECT_EQ(run({"sound-timer", text}).status, kExitOk) << text;
        EXPECT_EQ(db.value("sound.sleepTimer").toDouble(), minutes);
    }
    for (const QStringList& bad : {QStringList{"0"}, {"0.5"}, {"91"}, {"-5"}, {"abc"}, {"nan"}, {"inf"}, {""}, {"OFF"}, {}, {"15", "30"}})
        expectRefused(QStringList{"sound-timer"} + bad);
}

TEST_F(CommandLine, PresetAppliesAndIsMarkedActive)
{
    EXPECT_EQ(run({"preset", "storm"}).status, kExitOk);
    EXPECT_TRUE(store.thunderEnabled());
    EXPECT_EQ(store.sceneName(), "storm");
    const QStringList lines = run({"presets"}).out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 13);
    EXPECT_TRUE(lines[7].startsWith("storm") && lines[7].endsWith("(active)"));
    EXPECT_FALSE(lines[6].endsWith("(active)"));
}

// With live weather on, a reset or power saving hands back the user's own sky first.
TEST_F(CommandLine, ResetWithLiveWeatherOnHandsBackTheSkyThenDefaultsEverything)
{
    ScenePreset::preset(u"storm")->apply(store);
    store.setEnabled(false);
    for (const QStringList& line : {QStringList{"reset"}, QStringList{"set", "app.lowPowerMode", "true"}}) {
        SCOPED_TRACE(line.join(' ').toStdString());
        store.setLiveWeatherEnabled(true);
        store.captureWeatherSnapshotIfNeeded();
        ScenePreset::preset(u"snowfall")->apply(store); // what the weather chose
        EXPECT_EQ(run(line).status, kExitOk);
        EXPECT_FALSE(db.contains("app.weatherSnapshot"));
        EXPECT_FALSE(store.snowEnabled());
        if (line[0] == u"reset") {
            EXPECT_FALSE(store.liveWeatherEnabled());
            EXPECT_EQ(store.dropsPerSecond(), 10);
            EXPECT_FALSE(store.thunderEnabled());
            EXPECT_EQ(store.sceneName(), "");
            EXPECT_FALSE(store.enabled());
        }
    }
}

TEST_F(CommandLine, SavedScenesByIdPrefixOrNameAndThreeFavourites)
{
    const Result saved = run({"scene", "save", " Evening ", "--icon", "🌆"});
    ASSERT_EQ(saved.status, kExitOk);
    const QString id = saved.out.trimmed();
    ASSERT_EQ(store.savedScenes().size(), 1u);
    EXPECT_EQ(store.savedScenes()[0].id, id);

    EXPECT_EQ(run({"scene", "rename", id.left(8).toLower(), "Dusk"}).status, kExitOk);
    EXPECT_EQ(store.savedScenes()[0].name, "Dusk");
    EXPECT_EQ(store.savedScenes()[0].icon, QString("🌆")); // kept without --icon
    EXPECT_EQ(run({"scene", "rename", "Dusk", "Dusk", "--icon", ""}).status, kExitOk);
    EXPECT_EQ(store.savedScenes()[0].icon, std::nullopt);
    expectRefused({"scene", "rename", id, "  "});

    ScenePreset::preset(u"storm")->apply(store);
    EXPECT_EQ(run({"scene", "apply", "Dusk"}).status, kExitOk);
    EXPECT_EQ(store.dropsPerSecond(), 22);
    EXPECT_TRUE(run({"scene", "list"}).out.contains("Dusk  (active)"));

    ASSERT_EQ(run({"scene", "save", "Dusk"}).status, kExitOk);
    expectRefused({"scene", "apply", "Dusk"}); // two scenes of that name
    expectRefused({"scene", "apply", id.left(3)}); // too short to be an id

    EXPECT_EQ(run({"scene", "delete", id}).status, kExitOk);
    ASSERT_EQ(store.savedScenes().size(), 1u);
    EXPECT_NE(store.savedScenes()[0].id, id);

    // Three favourites at most, and the refusal says so.
    for (const char* name : {"a", "b", "c"})
        EXPECT_EQ(run({"scene", "favorite", run({"scene", "save", name}).out.trimmed()}).status, kExitOk);
    const Result refused = run({"scene", "favorite", store.savedScenes()[0].id});
    EXPECT_EQ(refused.status, kExitFailure);
    EXPECT_TRUE(refused.err.contains("3 favourite"));
    EXPECT_EQ(run({"scene", "favorite", store.savedScenes()[1].id}).status, kExitOk); // unstar
    EXPECT_EQ(store.favoriteScenes().size(), 2u);
}

TEST_F(CommandLine, AFileThatCannotBeWrittenIsAFailure)
{
    UnwritableStore unwritable;
    SettingsStore target(unwritable);
    const Result result = runOn(target, {"set", "rain.enabled", "false"});
    EXPECT_EQ(result.status, kExitFailure);
    EXPECT_TRUE(result.err.contains("/test/tavik.conf"));
    EXPECT_EQ(runOn(target, {"get", "rain.enabled"}).status, kExitOk); // reading needs no write
}

TEST(ScratchSettings, PresetThenOverridesWithoutTouchingTheSource)
{
    MemoryKeyValueStore source;
    SettingsStore user(source);
    user.setDropOpacity(0.5);
    const auto keysBefore = source.keys();
    auto read = [](const QStringList& args) { return Options(args, {ScratchSettings::kOptions}, QStringLiteral("test")); };

    auto scratch = ScratchSettings::from(read({"--set", "rain.dropsPerSecond=5", "--preset=storm", "--set=rain.dropColor=#ff0000"}), source);
    SettingsStore& store = scratch->store();
    EXPECT_TRUE(store.thunderEnabled());          // the preset
    EXPECT_EQ(store.dropsPerSecond(), 5);         // applied after the preset, whatever the order given
    EXPECT_EQ(store.dropColorHex(), "#FF0000");
    EXPECT_EQ(store.dropOpacity(), 0.5);          // the user's own value
    EXPECT_EQ(source.keys(), keysBefore);
    EXPECT_EQ(user.dropsPerSecond(), 22);
    EXPECT_EQ(source.value("rain.dropsPerSecond").toDouble(), 22);

    for (const QStringList& bad : {QStringList{"--set", "rain.dropsPerSecond"}, QStringList{"--set", "nope=1"},
                                   QStringList{"--set", "rain.enabled=perhaps"}, QStringList{"--preset", "tornado"},
                                   QStringList{"--set", "rain.dropsPerSecond=1e7"}})
        EXPECT_THROW((void)ScratchSettings::from(read(bad), source), UsageError) << bad.join(' ').toStdString();
}
