#pragma once

#include <QLoggingCategory>

// Off by default; QT_LOGGING_RULES="tavik.sound.debug=true" shows why the sound stayed off.
Q_DECLARE_LOGGING_CATEGORY(lcSound)
