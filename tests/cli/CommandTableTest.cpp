#include "cli/CommandLine.h"
#include "cli/CommandTable.h"

#include <gtest/gtest.h>

using namespace tavik;

// The table is what main, the running program and the help all read: each row must make sense
// to all three.
TEST(CommandTable, EveryRowCanBeCarriedOutAndIsDocumented)
{
    QStringList documented;
    for (const CommandHelp& line : commandHelp())
        documented << QString::fromUtf8(line.synopsis).section(u' ', 1, 1);
    for (const Command& command : commandTable()) {
        const QString name = command.name.toString();
        EXPECT_EQ(findCommand(command.name), &command) << name.toStdString(); // named once
        // Only the running program can carry out a command routed to it alone.
        EXPECT_EQ(command.run == nullptr, command.route == Route::runningOnly) << name.toStdString();
        EXPECT_EQ(isSettingsCommand(name), command.route == Route::runningFirst) << name.toStdString();
        for (const CommandHelp& line : command.help)
            EXPECT_EQ(QString::fromUtf8(line.synopsis).section(u' ', 1, 1), name) << line.synopsis;
        EXPECT_TRUE(documented.contains(name) || name == u"-h" || name == u"--help") << name.toStdString();
    }
    EXPECT_EQ(findCommand(u"frobnicate"), nullptr);
}
