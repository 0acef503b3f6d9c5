#pragma once

#include <QString>
#include <QStringList>
#include <QTextStream>

#include <functional>
#include <optional>

namespace tavik {

class SettingsStore;

// Exit statuses of the command line.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1; // the command was understood but could not be carried out
inline constexpr int kExitUsage = 2;   // unknown command, key, scene or a value that does not parse

struct CommandContext {
    SettingsStore& store;
    QTextStream& out;
    QTextStream& err;
    QString settingsPath; // named in error messages
};

// What the program that already runs made of a command sent to it.
struct ForwardedAnswer {
    enum class Status { answered, notRunning, failed };
    Status status = Status::notRunning;
    int exitCode = kExitFailure;
    QString out;
    QString err;
};

// Sends a command line (the command's name first) to the running program.
using Forward = std::function<ForwardedAnswer(const QStringList& args)>;

// `tavik COMMAND ...`: argv[1] names the command. Makes the application object the command
// needs, runs it here or in the running program as the command table says, and returns the
// exit status.
int runCommandLine(int argc, char* argv[], const Forward& forward);

// The part of runCommandLine after the application object is made: line is the command and
// its arguments.
int carryOut(const QStringList& line, const Forward& forward, QTextStream& out, QTextStream& err);

// Whether the command works on the settings (the ones runSettingsCommand understands).
[[nodiscard]] bool isSettingsCommand(const QString& command);

// What is wrong with a command whatever the settings hold, found before it is sent to the
// running program: a set of an unknown key, or of a value that does not parse or lies outside
// the key's range. The exit status after a message on err; nothing when it may go ahead.
[[nodiscard]] std::optional<int> refuseBeforeSending(const QStringList& args, QTextStream& err);

// Runs one settings command (args without the program name) and returns its exit status.
// Changes are synced to the settings file before it returns.
int runSettingsCommand(const QStringList& args, CommandContext& context);

} // namespace tavik
