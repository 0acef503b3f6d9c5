#pragma once

#include <QStringList>
#include <QTextStream>

namespace tavik {

class Autostart;

// "tavik autostart on|off|status" (args after the command name): starting at login, through
// the autostart entry alone, so it works without a running program and without a display.
// status prints "on" or "off", a tab and the entry's path. Exit status 0 when done, 1 when the
// entry could not be written or removed, 2 for anything but on, off or status.
int runAutostartCommand(const QStringList& args, const Autostart& autostart, QTextStream& out, QTextStream& err);

} // namespace tavik
