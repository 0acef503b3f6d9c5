#pragma once

#include "cli/CommandLine.h"

#include <QTextStream>

#include <chrono>

namespace tavik {

// How long `tavik quit` waits for the running program to be gone.
inline constexpr std::chrono::milliseconds kQuitWait{10000};

// "tavik quit": asks the running program to quit and returns once it is gone, so that a script
// can start it again right after. Exit status 0 when it has ended, 1 when none runs or it did
// not end within `wait`.
int runQuitCommand(const Forward& forward, QTextStream& err, std::chrono::milliseconds wait = kQuitWait);

} // namespace tavik
