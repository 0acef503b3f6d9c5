#include "cli/CommandLine.h"
#include "cli/Options.h"

#include "settings/ScenePreset.h"
#include "settings/SettingsStore.h"
#include "settings/SettingsTable.h"

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

// The message a reader refuses with; empty when it reads.
QString refusal(const std::function<void()>& read)
{
    try {
        read();
        return {};
    } catch (const UsageError& error) {
        return error.message();
    }
}

constexpr OptionRule kRules[] = {{u"--size"}, {u"--set"}, {u"--float", false}};

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

// Each type is read as a user types it, printed in its readable form and written through; numbers
// are taken at the ends of their ranges, the sleep timer in minutes or off.
TEST_F(CommandLine, GetPrintsWhatSetWrote)
{
    const std::tuple<QStringList, QString, QString> cases[] = {
        {{"set", "app.scene", "my own"}, "app.scene", "my own"},
        {{"set", "rain.dropsPerSecond", "1"}, "rain.dropsPerSecond", "1"},
        {{"set", "rain.dropsPerSecond", "120"}, "rain.dropsPerSecond", "120"},
        {{"set", "rain.dropOpacity", "0"}, "rain.dropOpacity", "0"},
        {{"set", "rain.dropOpacity", "1"}, "rain.dropOpacity", "1"},
        {{"set", "app.autoPowerBattery", "5"}, "app.autoPowerBattery", "5"},
        {{"set", "app.autoPowerBattery", "50"}, "app.autoPowerBattery", "50"},
        {{"set", "rain.dropOpacity", "0.30000000000000004"}, "rain.dropOpacity", "0.30000000000000004"},
        {{"set", "rain.enabled", "off"}, "rain.enabled", "false"},
        {{"set", "rain.dropColor", " ff8000 "}, "rain.dropColor", "#FF8000"},
        {{"set", "app.monitors", R"({"eDP-1": false})"}, "app.monitors", R"({"eDP-1":false})"},
        {{"sound-timer", "1"}, "sound.sleepTimer", "1"},
        {{"sound-timer", "90"}, "sound.sleepTimer", "90"},
        {{"sound-timer", " 45 "}, "sound.sleepTimer", "45"},
        {{"sound-timer", "off"}, "sound.sleepTimer", "0"},
    };
    for (const auto& [line, key, printed] : cases) {
        EXPECT_EQ(run(line).status, kExitOk) << line.join(' ').toStdString();
        EXPECT_EQ(run({"get", key}).out, printed + '\n');
        EXPECT_TRUE(db.contains(key));
    }
    EXPECT_FALSE(store.isMonitorEnabled("eDP-1"));
}

TEST_F(CommandLine, BadInputIsRefusedAndChangesNothing)
{
    const QStringList bad[] = {
        {"set", "rain.dropsPerSecond", "nan"}, {"set", "rain.dropsPerSecond", "inf"}, {"set", "rain.dropsPerSecond", ""},
        {"set", "rain.enabled", "maybe"}, {"set", "rain.dropColor", "blue"}, {"set", "app.savedScenes", R"([{"id": "x"}])"},
        {"set", "app.monitors", R"({"eDP-1": 1})"}, {"set", "dropsPerSecond", "1"}, {"set", "rain.dropsPerSecond"},
        {"get", "app.didFirstLaunch"}, {"get"}, {"preset", "tornado"}, {"frobnicate"}, {"scene", "save", "   "},
        {"scene", "save", "x", "--icon"}, {"scene", "apply", "no-such-scene"}, {"scene", "explode"},
        {"set", "rain.dropsPerSecond", "0.99"}, {"set", "rain.dropsPerSecond", "120.5"}, {"set", "rain.dropOpacity", "-0.01"},
        {"set", "rain.dropOpacity", "1.01"}, {"set", "app.autoPowerBattery", "4"}, {"set", "app.autoPowerBattery", "51"},
        {"sound-timer", "0"}, {"sound-timer", "0.5"}, {"sound-timer", "91"}, {"sound-timer", "-5"}, {"sound-timer", "nan"},
        {"sound-timer", "inf"}, {"sound-timer", ""}, {"sound-timer", "OFF"}, {"sound-timer"}, {"sound-timer", "15", "30"},
    };
    for (const QStringList& line : bad)
        expectRefused(line);
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
        EXPECT_FALSE(line[0] == u"reset" && (store.liveWeatherEnabled() || store.thunderEnabled() || store.enabled()));
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
    using enum ForwardedAnswer::Status;
    const std::tuple<QStringList, ForwardedAnswer::Status, int, bool, QString> cases[] = {
        {{"set", "rain.enabled", "false"}, answered, 3, true, "warning\n"},
        {{"status"}, failed, kExitFailure, true, "tavik: the running Tavik did not answer\n"},
        {{"set", "rain.enabled", "false"}, failed, kExitFailure, true, "tavik: the running Tavik did not answer; nothing was changed\n"},
        {{"status", "x"}, answered, kExitUsage, false, "tavik: status takes no arguments\n"},
        {{"set", "rain.dropsPerSecond", "1e9"}, answered, kExitUsage, false, "tavik: rain.dropsPerSecond must be"},
        {{"nope"}, answered, kExitUsage, false, "tavik: unknown command \"nope\" (tavik help lists them)\n"},
    };
    for (const auto& [line, running, status, sends, err] : cases) {
        SCOPED_TRACE(line.join(' ').toStdString());
        bool sent = false;
        const Forward forward = [&](const QStringList& forwarded) {
            sent = true;
            EXPECT_EQ(forwarded, line);
            return ForwardedAnswer{running, 3, "answer\n", "warning\n"};
        };
        const Result result = capture([&](QTextStream& out, QTextStream& e) { return carryOut(line, forward, out, e); });
        EXPECT_EQ(result.status, status);
        EXPECT_EQ(sent, sends);
        EXPECT_EQ(result.out, running == answered && sends ? "answer\n" : "");
        EXPECT_TRUE(result.err.startsWith(err)) << result.err.toStdString();
    }
}

TEST(Options, RefusesWhatTheCommandDoesNotTake)
{
    const std::tuple<QStringList, Options::Words, QString> cases[] = {
        {{"--loud"}, Options::Words::refused, R"(unknown option "--loud" for test (tavik help lists them))"},
        {{"--float", "--size"}, Options::Words::refused, "--size needs a value"},
        {{"Dusk", "--size"}, Options::Words::allowed, "--size needs a value"},
        {{"--float=yes"}, Options::Words::refused, "--float takes no value"},
        {{}, Options::Words::refused, ""},
    };
    for (const auto& [args, words, message] : cases)
        EXPECT_EQ(refusal([&] { (void)Options(args, {kRules}, QStringLiteral("test"), words); }), message) << args.join(' ').toStdString();
}

TEST(Options, ReadsBothSpellingsKeepsTheLastOfARepeatAndWordsWhereAllowed)
{
    const Options given({"Dusk", "--size", "1x2", "--set=a=b", "--float", "--set", "--c", "--size=3x4", "--evening"}, {kRules},
                        QStringLiteral("test"), Options::Words::allowed);
    EXPECT_EQ(given.value(u"--size"), QString("3x4"));
    EXPECT_EQ(given.values(u"--set"), (QStringList{"a=b", "--c"})); // a value may start with dashes
    EXPECT_TRUE(given.has(u"--float"));
    EXPECT_EQ(given.number(u"--other", 0, 1), std::nullopt);
    EXPECT_EQ(given.words(), (QStringList{"Dusk", "--evening"}));
}

TEST(NumberReader, TakesTheEndsOfTheRangeAndRefusesEverythingElse)
{
    const std::pair<const char*, std::optional<double>> cases[] = {
        {"0.25", 0.25}, {"4", 4}, {" 2 ", 2}, {"0.24", {}}, {"4.01", {}}, {"nan", {}}, {"inf", {}}, {"abc", {}}, {"", {}}, {"1e999", {}},
    };
    for (const auto& [text, expected] : cases) {
        double read = -1;
        const QString message = refusal([&] { read = numberIn("--scale", text, 0.25, 4); });
        EXPECT_EQ(message, expected ? QString() : QString(R"(--scale needs a number from 0.25 to 4, not "%1")").arg(text));
        EXPECT_EQ(read, expected.value_or(-1)) << text;
    }
    EXPECT_EQ(numberIn("--n", "240", Setting::maxFPS), 240);
    EXPECT_EQ(refusal([&] { (void)numberIn("--n", "241", Setting::maxFPS); }), R"(--n needs a number from 1 to 240, not "241")");
    EXPECT_EQ(wholeNumber("--seed", "0"), 0u);
    EXPECT_EQ(wholeNumber("--seed", "18446744073709551615"), UINT64_MAX);
    for (const char* bad : {"-3", "1.5", "18446744073709551616", "x", ""})
        EXPECT_EQ(refusal([&] { (void)wholeNumber("--seed", bad); }), QString(R"(--seed needs a whole number, not "%1")").arg(bad));
}
