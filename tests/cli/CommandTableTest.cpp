#include "cli/CommandLine.h"
#include "cli/CommandTable.h"

#include <QTemporaryDir>

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

// Where a command line goes: the running program, this process, or nowhere when it is wrong
// whatever the settings hold. A program that fails to answer is never second-guessed here.
TEST(CommandRouting, EachCommandGoesWhereItsRowSays)
{
    using Status = ForwardedAnswer::Status;
    QTemporaryDir config; // a settings command run here reads this folder's file
    const QByteArray configBefore = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    struct Case {
        QStringList line;
        Status running;
        int status;
        bool sent;
        QString out, err;
    };
    const QString notRunning = "tavik: Tavik is not running (start it with tavik)\n";
    const Case cases[] = {
        {{"status"}, Status::answered, 3, true, "answer\n", "warning\n"},
        {{"set", "rain.enabled", "false"}, Status::answered, 3, true, "answer\n", "warning\n"},
        {{"status"}, Status::notRunning, kExitFailure, true, "", notRunning},
        {{"status"}, Status::failed, kExitFailure, true, "", "tavik: the running Tavik did not answer\n"},
        {{"set", "rain.enabled", "false"}, Status::failed, kExitFailure, true, "",
         "tavik: the running Tavik did not answer; nothing was changed\n"},
        {{"get", "app.scene"}, Status::notRunning, kExitOk, true, "rainy-night\n", ""},
        {{"status", "x"}, Status::answered, kExitUsage, false, "", "tavik: status takes no arguments\n"},
        {{"set", "rain.dropsPerSecond", "1e9"}, Status::answered, kExitUsage, false, "", "tavik: rain.dropsPerSecond must be"},
        {{"help"}, Status::answered, kExitOk, false, "Usage: tavik", ""},
        {{"nope"}, Status::answered, kExitUsage, false, "", "tavik: unknown command \"nope\" (tavik help lists them)\n"},
    };
    for (const Case& c : cases) {
        bool sent = false;
        const Forward forward = [&](const QStringList& line) {
            sent = true;
            EXPECT_EQ(line, c.line);
            return ForwardedAnswer{c.running, 3, "answer\n", "warning\n"};
        };
        QString out, err;
        QTextStream outStream(&out), errStream(&err);
        const int status = carryOut(c.line, forward, outStream, errStream);
        outStream.flush();
        errStream.flush();
        const std::string line = c.line.join(' ').toStdString();
        EXPECT_EQ(status, c.status) << line;
        EXPECT_EQ(sent, c.sent) << line;
        // Expected texts are the start of what is printed; nothing expected means nothing printed.
        auto begins = [](const QString& text, const QString& start) { return start.isEmpty() ? text.isEmpty() : text.startsWith(start); };
        EXPECT_TRUE(begins(out, c.out)) << line << ": " << out.toStdString();
        EXPECT_TRUE(begins(err, c.err)) << line << ": " << err.toStdString();
    }
    qputenv("XDG_CONFIG_HOME", configBefore);
}
