#pragma once

#include "cli/CommandHelp.h"

#include <QStringList>
#include <QStringView>
#include <QTextStream>

#include <optional>
#include <span>
#include <vector>

namespace tavik {

class Invocation;

// What a command needs of the desktop before it starts.
enum class DisplayNeed {
    none,
    always,    // it asks the display server
    forOpenGl, // only when it draws with OpenGL (--renderer gl)
};

// Where a command is carried out.
enum class Route {
    here,         // in this process
    runningFirst, // by the running program, which holds the live settings; without one, here on the settings file
    runningOnly,  // by the running program; without one it fails
};

// One command of `tavik`. Adding a command is adding a row to the table in CommandTable.cpp and
// writing its handler.
struct Command {
    QStringView name;
    DisplayNeed display = DisplayNeed::none;
    Route route = Route::here;
    // Carries it out here; args follow the name. May throw UsageError.
    int (*run)(const QStringList& args, Invocation& invocation) = nullptr;
    // What is wrong with the line (name first) whatever the settings hold, checked before it is
    // sent to the running program: the exit status after a message on err, or nothing.
    std::optional<int> (*refuse)(const QStringList& line, QTextStream& err) = nullptr;
    // Its lines in `tavik help` and the manual page; a second spelling has none.
    std::vector<CommandHelp> help;
};

[[nodiscard]] std::span<const Command> commandTable();
[[nodiscard]] const Command* findCommand(QStringView name);

} // namespace tavik
