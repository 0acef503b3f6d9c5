#pragma once

#include <QStringList>
#include <QTextStream>

namespace tavik {

// "tavik weather [--ip-location]": one live-weather lookup through the weather service, on an
// in-memory copy of the settings, printed as "status:", "place:", "condition:", "temperature:"
// and "preset:" lines. args start with the command name. Needs a QCoreApplication. Exit status
// 0 when the weather was found, 1 when it was unavailable, 2 for a bad option or service URL.
int runWeatherCommand(const QStringList& args, QTextStream& out, QTextStream& err);

} // namespace tavik
