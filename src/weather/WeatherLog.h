#pragma once

#include <QLoggingCategory>

namespace tavik {

// Why a lookup failed ("tavik.weather"); the user only ever sees the status text. Off unless
// enabled through QT_LOGGING_RULES.
Q_DECLARE_LOGGING_CATEGORY(lcWeather)

} // namespace tavik
