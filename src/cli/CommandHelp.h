#pragma once

#include <QString>
#include <QStringList>

#include <span>

namespace tavik {

// One line of the command reference: `tavik help` and the manual page are both written from
// these, so they cannot tell different stories.
struct CommandHelp {
    const char* section;  // the group it is listed under
    const char* synopsis; // "tavik set KEY VALUE": literal words, UPPERCASE placeholders, [optional]
    const char* summary;
};

[[nodiscard]] std::span<const CommandHelp> commandHelp();

// The words that start each command line, "set" or "scene save", in table order, once each.
[[nodiscard]] QStringList commandWords();

// `tavik help`.
[[nodiscard]] QString helpText();

// The manual page, tavik(1), in man(7) markup.
[[nodiscard]] QString manPage(const QString& version);

} // namespace tavik
