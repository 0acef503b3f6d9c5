#include "weather/WeatherLog.h"

namespace tavik {

Q_LOGGING_CATEGORY(lcWeather, "tavik.weather", QtWarningMsg)

} // namespace tavik
