#pragma once

#include <QLoggingCategory>

namespace tavik {
Q_DECLARE_LOGGING_CATEGORY(lcOverlay)
}
