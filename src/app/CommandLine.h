#pragma once

#include <QString>
#include <QStringList>
#include <QTextStream>

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

// Runs one settings command (args without the program name) and returns its exit status.
// Changes are synced to the settings file before it returns.
int runSettingsCommand(const QStringList& args, CommandContext& context);

[[nodiscard]] QString usageText();

} // namespace tavik
