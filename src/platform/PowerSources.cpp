#include "platform/PowerSources.h"
