#include "cli/CommandHelp.h"

#include <gtest/gtest.h>

#include <QRegularExpression>
#include <QSet>

using namespace tavik;

// The help fits a terminal, lines the summaries up in one column, and wraps without losing a word.
TEST(HelpText, FitsATerminalAndHasEveryEntryWhole)
{
    const QStringList lines = helpText().split(u'\n');
    for (const QString& line : lines)
        EXPECT_LE(line.size(), 90) << line.toStdString();
    const QStringList set = lines.filter(QRegularExpression(QStringLiteral("^  tavik set ")));
    ASSERT_EQ(set.size(), 1);
    EXPECT_EQ(set[0].indexOf(u"change one setting"), 35) << set[0].toStdString();
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
    // Literal words bold, placeholders italic, an option on one line with its value.
    EXPECT_TRUE(page.contains(QStringLiteral("\\fBtavik\\fR \\fBset\\fR \\fIKEY\\fR \\fIVALUE\\fR")));
    EXPECT_TRUE(page.contains(QStringLiteral("[\\fB\\-\\-icon\\fR\\ \\fIEMOJI\\fR]")));
}
