#pragma once

#include <QString>

namespace tavik {

// What every D-Bus client of the program shares.
inline const QString kPropertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");
// Long enough for a busy system service, short enough that a hung one is soon treated as absent.
// Nothing waits on these calls; the timeout only frees the pending call.
inline constexpr int kDBusCallTimeoutMs = 2000;

} // namespace tavik
