#pragma once

#include <QLoggingCategory>

namespace tavik::sprite {

// Debug output of the engine ("tavik.sprite"); off unless enabled through QT_LOGGING_RULES.
Q_DECLARE_LOGGING_CATEGORY(lcSprite)

} // namespace tavik::sprite
