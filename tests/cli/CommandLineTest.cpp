#include "cli/CommandLine.h"
#include "cli/Options.h"

#include "settings/ScenePreset.h"
#include "settings/SettingsStore.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

using namespace tavik;

namespace {

struct Result {
    int status;
    QString out, err;
};

Result capture(const std::function<int(QTextStream&, QTextStream&)>& command)
{
    Result result;
    QTextStream out(&result.out), err(&result.err);
    result.status = command(out, err);
    out.flush();
    err.flush();
    return result;
}

class CommandLine : public ::testing::Test {
protected:
    MemoryKeyValueStore db;
    SettingsStore store{db};

    Result run(const QStringList& args, SettingsStore* target = nullptr)
    {
        return capture([&](QTextStream& out, QTextStream& err) {
            CommandContext context{target ? *target : store, out, err, QStringLiteral("/test/tavik.conf")};
            return runSettingsCommand(args, context);
        });
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
    EXPECT_TRUE(run({"list"}).out.contains("\nrain.dropsPerSecond=35.5\n"));
}

TEST_F(CommandLine, BadInputIsRefusedAndChangesNothing)
{
    const QStringList bad[] = {
        {"set", "rain.dropsPerSecond", "nan"}, {"set", "rain.dropsPerSecond", "inf"}, {"set", "rain.dropsPerSecond", ""},
        {"set", "rain.enabled", "maybe"}, {"set", "rain.dropColor", "blue"}, {"set", "app.savedScenes", R"([{"id": "x"}])"},
        {"set", "app.monitors", R"({"eDP-1": 1})"}, {"set", "dropsPerSecond", "1"}, {"set", "rain.dropsPerSecond"},
        {"get", "app.didFirstLaunch"}, {"get"}, {"preset", "tornado"}, {"frobnicate"}, {"scene", "save", "   "},
        {"scene", "save", "x", "--icon"}, {"scene", "apply", "no-such-scene"}, {"scene", "explode"},
    };
    for (const QStringList& line : bad)
        expectRefused(line);
}

TEST_F(CommandLine, NumbersAreTakenAtTheEndsOfTheirRangeAndRefusedJustOutside)
{
    const std::tuple<QString, QString, QString, QString, QString, QString> cases[] = {
        {"rain.dropsPerSecond", "1", "120", "0.99", "120.5", "1 and 120"},
        {"rain.dropOpacity", "0", "1", "-0.01", "1.01", "0 and 1"},
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
            EXPECT_FALSE(store.thunderEnabled());
            EXPECT_FALSE(store.enabled());
        }
    }
}

TEST_F(CommandLine, SavedScenesByIdPrefixOrNameAndThreeFavourites)
{
    const Result saved = run({"scene", "save", " Evening ", "--icon", "🌆"});
    ASSERT_EQ(saved.status, kExitOk);
    const QString id = saved.out.trimmed();

    EXPECT_EQ(run({"scene", "rename", id.left(8).toLower(), "Dusk"}).status, kExitOk);
    EXPECT_EQ(store.savedScenes()[0].name, "Dusk");
    EXPECT_EQ(store.savedScenes()[0].icon, QString("🌆")); // kept without --icon
    expectRefused({"scene", "rename", id, "  "});

    EXPECT_EQ(run({"preset", "storm"}).status, kExitOk);
    EXPECT_TRUE(run({"presets"}).out.contains(QRegularExpression("^storm .*\\(active\\)$", QRegularExpression::MultilineOption)));
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
    IniKeyValueStore unwritable(QStringLiteral("/proc/tavik/tavik.conf"));
    SettingsStore target(unwritable);
    const Result result = run({"set", "rain.enabled", "false"}, &target);
    EXPECT_EQ(result.status, kExitFailure);
    EXPECT_TRUE(result.err.contains("/test/tavik.conf"));
    EXPECT_EQ(run({"get", "rain.enabled"}, &target).status, kExitOk); // reading needs no write
}

// What the running program is sent, and what is refused before anything is sent.
TEST(CommandRouting, EachCommandGoesWhereItsRowSays)
{
    using Status = ForwardedAnswer::Status;
    struct Case {
        QStringList line;
        Status running;
        int status;
        bool sent;
        QString err;
    };
    const Case cases[] = {
        {{"set", "rain.enabled", "false"}, Status::answered, 3, true, "warning\n"},
        {{"status"}, Status::failed, kExitFailure, true, "tavik: the running Tavik did not answer\n"},
        {{"set", "rain.enabled", "false"}, Status::failed, kExitFailure, true,
         "tavik: the running Tavik did not answer; nothing was changed\n"},
        {{"status", "x"}, Status::answered, kExitUsage, false, "tavik: status takes no arguments\n"},
        {{"set", "rain.dropsPerSecond", "1e9"}, Status::answered, kExitUsage, false, "tavik: rain.dropsPerSecond must be"},
        {{"nope"}, Status::answered, kExitUsage, false, "tavik: unknown command \"nope\" (tavik help lists them)\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line.join(' ').toStdString());
        bool sent = false;
        const Forward forward = [&](const QStringList& line) {
            sent = true;
            EXPECT_EQ(line, c.line);
            return ForwardedAnswer{c.running, 3, "answer\n", "warning\n"};
        };
        const Result result = capture([&](QTextStream& out, QTextStream& err) { return carryOut(c.line, forward, out, err); });
        EXPECT_EQ(result.status, c.status);
        EXPECT_EQ(sent, c.sent);
        EXPECT_EQ(result.out, c.running == Status::answered && c.sent ? "answer\n" : "");
        EXPECT_TRUE(result.err.startsWith(c.err)) << result.err.toStdString();
    }
}
