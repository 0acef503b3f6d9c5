#pragma once

#include <QStringList>
#include <QTextStream>

namespace tavik {

// "tavik weather [--ip-location]": one live-weather lookup through the weather service, on an
// in-memory copy of the settings, printed as "status:", "place:", "condition:", "temperature:",
// "preset:" and "reason:" (why it failed; empty when it worked) lines, and when the user's
// settings ask for detailed weather, "settings:" with the values it would set on top of the
// preset, as KEY=VALUE pairs. args follow the command's name. Needs a QCoreApplication.
// Exit status 0 when the weather was found, 1 when it was unavailable, 2 for a bad option or
// service URL.
int runWeatherCommand(const QStringList& args, QTextStream& out, QTextStream& err);

} // namespace tavik
