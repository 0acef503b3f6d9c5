#pragma once

#include <QString>
#include <QStringList>
#include <QTextStream>

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

// Whether the command works on the settings (the ones runSettingsCommand understands).
[[nodiscard]] bool isSettingsCommand(const QString& command);

// What is wrong with a settings command whatever the settings hold, found before it is sent to
// the running program: a set of an unknown key, or of a value that does not parse or lies outside
// the key's range. The exit status after a message on err; nothing when it may go ahead.
[[nodiscard]] std::optional<int> refuseBeforeSending(const QStringList& args, QTextStream& err);

// Runs one settings command (args without the program name) and returns its exit status.
// Changes are synced to the settings file before it returns.
int runSettingsCommand(const QStringList& args, CommandContext& context);

[[nodiscard]] QString usageText();

} // namespace tavik
