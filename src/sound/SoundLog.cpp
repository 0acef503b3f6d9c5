#include "sound/SoundLog.h"

Q_LOGGING_CATEGORY(lcSound, "tavik.sound", QtWarningMsg)
