#pragma once

#include <QStringList>
#include <QTextStream>

namespace tavik {

class KeyValueStore;

// tavik sound [--seconds S] [--preset ID] [--set KEY=VALUE] [--uptime U]
//             [--thunder-at T[:BRIGHTNESS]]... [--seed N] [--float] --out FILE.wav
// Renders the soundscape of the given settings offline, through the same mixer as the running
// program, as if sound were switched on. Returns the exit status.
int runSoundCommand(const QStringList& args, const KeyValueStore& settings, QTextStream& out, QTextStream& err);

} // namespace tavik
