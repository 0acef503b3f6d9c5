#include "cli/Options.h"

#include "settings/SettingsTable.h"

#include <gtest/gtest.h>

using namespace tavik;

namespace {

constexpr OptionRule kRules[] = {{u"--size"}, {u"--set"}, {u"--float", false}};

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

} // namespace

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
