#pragma once

#include "cli/CommandLine.h"

#include <optional>

namespace tavik {

// The commands that read or change the settings. args follow the command's name; what a
// command changed is synced to the settings file before it returns.
int listSettings(const QStringList& args, CommandContext& context);
int getSetting(const QStringList& args, CommandContext& context);
int setSetting(const QStringList& args, CommandContext& context);
int resetSettings(const QStringList& args, CommandContext& context);
int toggleEnabled(const QStringList& args, CommandContext& context);
int listPresets(const QStringList& args, CommandContext& context);
int applyPreset(const QStringList& args, CommandContext& context);
int sceneCommand(const QStringList& args, CommandContext& context);
int setSoundTimer(const QStringList& args, CommandContext& context);

// What is wrong with "set KEY VALUE" whatever the settings hold: an unknown key, or a value that
// does not parse or lies outside the key's range. line starts with "set".
[[nodiscard]] std::optional<int> refuseSet(const QStringList& line, QTextStream& err);

} // namespace tavik
