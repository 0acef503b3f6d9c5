#include "platform/ScreenLockMonitor.h"
