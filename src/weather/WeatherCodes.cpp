#include "weather/WeatherCodes.h"

#include "settings/ScenePreset.h"

#include <cmath>

namespace tavik {

namespace {

// Anything hotter or colder than this is a broken answer, not weather.
constexpr double kMaxPlausibleCelsius = 1000;

bool within(qint64 code, qint64 low, qint64 high)
{
    return code >= low && code <= high;
}

} // namespace

QString presetIdForCode(qint64 code, bool isDay)
{
    if (within(code, 0, 2))
        return isDay ? QStringLiteral("sunny-day") : QStringLiteral("moonlit-night");
    if (code == 45 || code == 48)
        return isDay ? QStringLiteral("foggy-morning") : QStringLiteral("overcast");
    if (within(code, 51, 67) || within(code, 80, 82))
        return QStringLiteral("rainy-night");
    if (within(code, 71, 77) || within(code, 85, 86))
        return QStringLiteral("snowfall");
    if (within(code, 95, 99))
        return QStringLiteral("storm");
    return QStringLiteral("overcast");
}

const ScenePreset& sceneForCode(qint64 code, bool isDay)
{
    // Every identifier above is in the preset table; the first preset only guards a table
    // that changed under us.
    const ScenePreset* preset = ScenePreset::preset(presetIdForCode(code, isDay));
    return preset ? *preset : ScenePreset::all().front();
}

QString describeCode(qint64 code)
{
    switch (code) {
    case 0: return QStringLiteral("clear sky");
    case 1: return QStringLiteral("mainly clear");
    case 2: return QStringLiteral("partly cloudy");
    case 3: return QStringLiteral("overcast");
    case 45:
    case 48: return QStringLiteral("fog");
    case 51:
    case 53:
    case 55: return QStringLiteral("drizzle");
    case 56:
    case 57: return QStringLiteral("freezing drizzle");
    case 61:
    case 63:
    case 65: return QStringLiteral("rain");
    case 66:
    case 67: return QStringLiteral("freezing rain");
    case 71:
    case 73:
    case 75: return QStringLiteral("snow");
    case 77: return QStringLiteral("snow grains");
    case 80:
    case 81:
    case 82: return QStringLiteral("rain showers");
    case 85:
    case 86: return QStringLiteral("snow showers");
    case 95: return QStringLiteral("thunderstorm");
    case 96:
    case 99: return QStringLiteral("thunderstorm with hail");
    default: return QStringLiteral("\u2014");
    }
}

std::optional<QString> temperatureText(std::optional<double> celsius)
{
    if (!celsius || !std::isfinite(*celsius) || std::abs(*celsius) > kMaxPlausibleCelsius)
        return std::nullopt;
    // std::round takes halves away from zero; the integer keeps -0.4 from reading "-0".
    const auto whole = static_cast<long long>(std::round(*celsius));
    return QString::number(whole) + QStringLiteral("\u00B0C");
}

} // namespace tavik
