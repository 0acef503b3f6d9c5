#pragma once

#include <QString>
#include <QStringList>

#include <vector>

namespace tavik {

// One line of the command reference. The command table holds them beside the commands, and
// `tavik help`, the manual page and the completions' word list are all written from it.
struct CommandHelp {
    const char* section;  // the group it is listed under
    const char* synopsis; // "tavik set KEY VALUE": literal words, UPPERCASE placeholders, [optional]
    const char* summary;
};

// Every command's lines, in the table's order.
[[nodiscard]] std::vector<CommandHelp> commandHelp();

// The words that start each command line, "set" or "scene save", in table order, once each.
[[nodiscard]] QStringList commandWords();

// `tavik help`.
[[nodiscard]] QString helpText();

// The manual page, tavik(1), in man(7) markup.
[[nodiscard]] QString manPage(const QString& version);

} // namespace tavik
