#include "weather/DetailedWeather.h"

#include "settings/SettingText.h"
#include "weather/SunPosition.h"

#include <QStringList>

#include <cmath>
#include <numbers>

namespace tavik {

namespace {

class Changes {
public:
    void flag(Setting id, bool on) { m_list.emplace_back(id, on); }
    // Slider amounts are whole numbers, within the setting's range; adding 0 turns a -0 into 0.
    void amount(Setting id, double value) { m_list.emplace_back(id, std::round(settingInfo(id).clamped(value)) + 0.0); }
    void text(Setting id, QString value) { m_list.emplace_back(id, std::move(value)); }
    std::vector<SettingChange> take() { return std::move(m_list); }

private:
    std::vector<SettingChange> m_list;
};

void addPrecipitation(Changes& out, const MeasuredWeather& m)
{
    if (m.rainMm && *m.rainMm >= kPrecipitationOn) {
        out.flag(Setting::rainEnabled, true);
        out.amount(Setting::dropsPerSecond, followCurve(curves::kRainDrops, *m.rainMm));
    }
    if (m.snowfallCm && *m.snowfallCm >= kPrecipitationOn) {
        out.flag(Setting::snowEnabled, true);
        out.amount(Setting::snowDensity, followCurve(curves::kSnowDensity, *m.snowfallCm));
    }
}

void addWind(Changes& out, const MeasuredWeather& m)
{
    if (!m.windSpeedKmh && !m.windFromDeg)
        return;
    // The sliders now carry the real wind; a wind of its own would wander off from it.
    out.flag(Setting::windDynamic, false);
    if (m.windSpeedKmh)
        out.amount(Setting::windStrength, followCurve(curves::kWindStrength, *m.windSpeedKmh));
    // Seen facing north: a wind from the west blows to the right, one from the east to the left.
    if (m.windFromDeg)
        out.amount(Setting::windDirection, 45 * std::sin((*m.windFromDeg - 180) * std::numbers::pi / 180));
    if (m.windSpeedKmh && m.windGustsKmh && *m.windSpeedKmh > 0)
        out.amount(Setting::windGustiness, 100 * (*m.windGustsKmh / *m.windSpeedKmh - 1));
}

void addClouds(Changes& out, const MeasuredWeather& m, const SceneValues& preset)
{
    if (!m.cloudCoverPercent)
        return;
    const bool on = preset.cloudsEnabled || *m.cloudCoverPercent >= kCloudsOnFromPercent;
    if (!on)
        return;
    out.flag(Setting::cloudsEnabled, true);
    out.amount(Setting::cloudCount, *m.cloudCoverPercent / 100 * kCloudsAtFullCover);
}

void addFog(Changes& out, const MeasuredWeather& m)
{
    if (!m.visibilityM || *m.visibilityM >= kFogBelowMetres)
        return;
    out.flag(Setting::fogEnabled, true);
    out.amount(Setting::fogDensity, followCurve(curves::kFogDensity, *m.visibilityM));
}

void addSkyLight(Changes& out, Coordinate at, const QDateTime& when, const QString& daylightSunColour)
{
    const SunPosition sun = sunPosition(at, when);
    if (sun.elevationDeg <= 0) {
        out.flag(Setting::sunRaysEnabled, false);
        out.amount(Setting::moonIntensity, followCurve(curves::kMoonIntensity, moonIlluminatedFraction(when)));
        return;
    }
    // Shafts hang from the side the sun stands on: an eastern sun (morning) from the left,
    // which is a positive angle, a western one from the right; the higher the sun, the
    // steeper they fall.
    const double toRadians = std::numbers::pi / 180;
    out.amount(Setting::sunAngle, 45 * std::sin(sun.azimuthDeg * toRadians) * std::cos(sun.elevationDeg * toRadians));
    out.amount(Setting::sunIntensity, followCurve(curves::kSunIntensity, sun.elevationDeg));
    out.text(Setting::sunColorHex,
             sun.elevationDeg < kGoldenHourTopDeg ? QString::fromLatin1(kGoldenHourColour) : daylightSunColour);
}

} // namespace

double followCurve(std::span<const CurvePoint> curve, double x)
{
    if (curve.empty())
        return 0;
    if (!(x > curve.front().x)) // a NaN too
        return curve.front().y;
    for (std::size_t i = 1; i < curve.size(); ++i) {
        const CurvePoint& a = curve[i - 1];
        const CurvePoint& b = curve[i];
        if (x <= b.x)
            return a.y + (b.y - a.y) * (x - a.x) / (b.x - a.x);
    }
    return curve.back().y;
}

std::vector<SettingChange> detailedChanges(const MeasuredWeather& measured, const SceneValues& preset, Coordinate at,
                                           const QDateTime& when, const QString& daylightSunColour)
{
    Changes out;
    addPrecipitation(out, measured);
    addWind(out, measured);
    addClouds(out, measured, preset);
    addFog(out, measured);
    if (at.isValid() && when.isValid())
        addSkyLight(out, at, when, daylightSunColour);
    return out.take();
}

QString describeChanges(std::span<const SettingChange> changes)
{
    QStringList parts;
    for (const auto& [id, value] : changes)
    {
        const std::string_view key = settingInfo(id).key;
        parts << QLatin1StringView(key.data(), static_cast<qsizetype>(key.size())) + u'=' + formatSettingValue(value);
    }
    return parts.join(u' ');
}

} // namespace tavik
