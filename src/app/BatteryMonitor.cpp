#include "app/BatteryMonitor.h"
