#include "weather/SunPosition.h"

#include <QTimeZone>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace tavik {

namespace {

constexpr double kRadiansPerDegree = std::numbers::pi / 180;
constexpr double kMinutesPerDay = 1440;
constexpr double kUnixEpochJulianDay = 2440587.5;
constexpr double kJ2000 = 2451545.0;
// The sun's centre 50' below the horizon: 34' of refraction and 16' of half its disc.
constexpr double kRiseSetZenithDeg = 90.833;
// A new moon (2000-01-06 18:14 UTC) and the mean time from one to the next.
constexpr double kNewMoonJulianDay = 2451550.1;
constexpr double kSynodicMonthDays = 29.530588853;

double sinDeg(double deg) { return std::sin(deg * kRadiansPerDegree); }
double cosDeg(double deg) { return std::cos(deg * kRadiansPerDegree); }
double tanDeg(double deg) { return std::tan(deg * kRadiansPerDegree); }
double degrees(double radians) { return radians / kRadiansPerDegree; }

double julianDay(const QDateTime& when)
{
    return static_cast<double>(when.toMSecsSinceEpoch()) / 86'400'000.0 + kUnixEpochJulianDay;
}

double wrapped(double value, double period)
{
    const double r = std::fmod(value, period);
    return r < 0 ? r + period : r;
}

struct SolarTerms {
    double declinationDeg;
    double equationOfTimeMinutes; // apparent minus mean solar time
};

SolarTerms solarTerms(double julian)
{
    const double t = (julian - kJ2000) / 36525.0; // Julian centuries
    const double meanLongitude = wrapped(280.46646 + t * (36000.76983 + t * 0.0003032), 360);
    const double meanAnomaly = 357.52911 + t * (35999.05029 - 0.0001537 * t);
    const double eccentricity = 0.016708634 - t * (0.000042037 + 0.0000001267 * t);
    const double centre = sinDeg(meanAnomaly) * (1.914602 - t * (0.004817 + 0.000014 * t))
                        + sinDeg(2 * meanAnomaly) * (0.019993 - 0.000101 * t) + sinDeg(3 * meanAnomaly) * 0.000289;
    const double omega = 125.04 - 1934.136 * t;
    const double apparentLongitude = meanLongitude + centre - 0.00569 - 0.00478 * sinDeg(omega);
    const double meanObliquity = 23 + (26 + (21.448 - t * (46.815 + t * (0.00059 - t * 0.001813))) / 60) / 60;
    const double obliquity = meanObliquity + 0.00256 * cosDeg(omega);
    const double declination = degrees(std::asin(sinDeg(obliquity) * sinDeg(apparentLongitude)));

    const double y = tanDeg(obliquity / 2) * tanDeg(obliquity / 2);
    const double l0 = meanLongitude * kRadiansPerDegree;
    const double m = meanAnomaly * kRadiansPerDegree;
    const double e = eccentricity;
    const double equation = y * std::sin(2 * l0) - 2 * e * std::sin(m) + 4 * e * y * std::sin(m) * std::cos(2 * l0)
                          - 0.5 * y * y * std::sin(4 * l0) - 1.25 * e * e * std::sin(2 * m);
    return {declination, 4 * degrees(equation)};
}

// How much higher the atmosphere makes the sun look, in degrees, for a true elevation.
double refractionDeg(double elevation)
{
    if (elevation > 85)
        return 0;
    const double te = tanDeg(elevation);
    double arcSeconds = 0;
    if (elevation > 5)
        arcSeconds = 58.1 / te - 0.07 / (te * te * te) + 0.000086 / std::pow(te, 5);
    else if (elevation > -0.575)
        arcSeconds = 1735 + elevation * (-518.2 + elevation * (103.4 + elevation * (-12.79 + elevation * 0.711)));
    else
        arcSeconds = -20.772 / te;
    return arcSeconds / 3600;
}

// Minutes after UTC midnight of the solar noon, or of the sunrise (side -1) or sunset (+1),
// each refined once with the sun's place at the first estimate. Nothing when the sun does not
// cross the horizon that day.
std::optional<double> eventMinutes(Coordinate at, double midnightJulian, int side)
{
    double minutes = 720 - 4 * at.lon;
    for (int pass = 0; pass < 2; ++pass) {
        const SolarTerms sun = solarTerms(midnightJulian + minutes / kMinutesPerDay);
        double hourAngle = 0;
        if (side != 0) {
            const double cosHourAngle = cosDeg(kRiseSetZenithDeg) / (cosDeg(at.lat) * cosDeg(sun.declinationDeg))
                                      - tanDeg(at.lat) * tanDeg(sun.declinationDeg);
            if (!std::isfinite(cosHourAngle) || std::abs(cosHourAngle) > 1)
                return std::nullopt;
            hourAngle = side * degrees(std::acos(cosHourAngle));
        }
        minutes = 720 - 4 * (at.lon - hourAngle) - sun.equationOfTimeMinutes;
    }
    return minutes;
}

} // namespace

SunPosition sunPosition(Coordinate at, const QDateTime& when)
{
    const double julian = julianDay(when);
    const SolarTerms sun = solarTerms(julian);
    const double utcMinutes = wrapped(julian + 0.5, 1) * kMinutesPerDay;
    const double trueSolarMinutes = wrapped(utcMinutes + sun.equationOfTimeMinutes + 4 * at.lon, kMinutesPerDay);
    const double hourAngle = trueSolarMinutes / 4 - 180;

    const double cosZenith = std::clamp(sinDeg(at.lat) * sinDeg(sun.declinationDeg)
                                            + cosDeg(at.lat) * cosDeg(sun.declinationDeg) * cosDeg(hourAngle),
                                        -1.0, 1.0);
    const double trueElevation = 90 - degrees(std::acos(cosZenith));
    const double azimuth = degrees(std::atan2(sinDeg(hourAngle), cosDeg(hourAngle) * sinDeg(at.lat)
                                                                     - tanDeg(sun.declinationDeg) * cosDeg(at.lat)));
    return {wrapped(azimuth + 180, 360), trueElevation + refractionDeg(trueElevation)};
}

SunDay sunDay(Coordinate at, QDate utcDate)
{
    const QDateTime midnight(utcDate, QTime(0, 0), QTimeZone::utc());
    const double midnightJulian = julianDay(midnight);
    auto moment = [&midnight](std::optional<double> minutes) -> std::optional<QDateTime> {
        if (!minutes)
            return std::nullopt;
        return midnight.addMSecs(std::llround(*minutes * 60'000));
    };
    return {moment(eventMinutes(at, midnightJulian, -1)), *moment(eventMinutes(at, midnightJulian, 0)),
            moment(eventMinutes(at, midnightJulian, 1))};
}

double moonIlluminatedFraction(const QDateTime& when)
{
    const double age = wrapped((julianDay(when) - kNewMoonJulianDay) / kSynodicMonthDays, 1);
    return (1 - std::cos(2 * std::numbers::pi * age)) / 2;
}

} // namespace tavik
