#include "cli/CommandHelp.h"
#include "core/Version.h"
#include "ui/PanelContext.h"

#include <gtest/gtest.h>

#include <QRegularExpression>
#include <QSet>

#include <algorithm>

using namespace tavik;

// The panel, `tavik --version` and the package all take the one version.
TEST(OneVersion, ThePanelShowsTheProjectVersion)
{
    EXPECT_EQ(PanelContext::version(), QString::fromLatin1(kVersion));
    EXPECT_TRUE(QString::fromLatin1(kVersion).contains(QRegularExpression(QStringLiteral("^\\d+\\.\\d+\\.\\d+$"))));
}

TEST(HelpText, FitsATerminalAndLinesUpTheSummaries)
{
    const QStringList lines = helpText().split(u'\n');
    for (const QString& line : lines)
        EXPECT_LE(line.size(), 90) << line.toStdString();
    // A short command has its summary beside it, from the same column as every other.
    const auto set = std::find_if(lines.begin(), lines.end(), [](const QString& line) { return line.startsWith(u"  tavik set "); });
    ASSERT_NE(set, lines.end());
    EXPECT_EQ(set->indexOf(u"change one setting"), 35) << set->toStdString();
}

// Wrapping moves words to new lines but loses none, and every entry of the table is in the help.
TEST(HelpText, HasEveryEntryWhole)
{
    const QString help = helpText().simplified();
    for (const CommandHelp& entry : commandHelp()) {
        const QString line = (QString::fromUtf8(entry.synopsis) + u' ' + QString::fromUtf8(entry.summary)).simplified();
        EXPECT_TRUE(help.contains(line)) << entry.synopsis;
    }
}

TEST(CommandWords, NameEachCommandOnce)
{
    const QStringList words = commandWords(); // completion-test.sh checks them against the completions
    EXPECT_FALSE(words.contains(QStringLiteral("scene")));
    EXPECT_EQ(words.size(), QSet<QString>(words.begin(), words.end()).size());
}

TEST(ManPage, IsRoffThatShowsTheTextAsWritten)
{
    const QString page = manPage(QStringLiteral("9.8.7"));
    EXPECT_TRUE(page.startsWith(QStringLiteral(".TH TAVIK 1 \"\" \"tavik 9.8.7\"")));
    // A plain hyphen may print as a typographic one; options must keep theirs.
    for (const QString& line : page.split(u'\n', Qt::SkipEmptyParts))
        EXPECT_FALSE(line.contains(QRegularExpression(QStringLiteral("(?<!\\\\)-")))) << line.toStdString();
    // Literal words bold, placeholders italic.
    EXPECT_TRUE(page.contains(QStringLiteral("\\fBtavik\\fR \\fBset\\fR \\fIKEY\\fR \\fIVALUE\\fR")));
    // An option stays on one line with its value.
    EXPECT_TRUE(page.contains(QStringLiteral("[\\fB\\-\\-icon\\fR\\ \\fIEMOJI\\fR]")));
}
