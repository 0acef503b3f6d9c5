#include "weather/SunPosition.h"

#include <gtest/gtest.h>

#include <QTimeZone>

using namespace tavik;

namespace {

QDateTime utc(const char* text)
{
    QDateTime t = QDateTime::fromString(QString::fromLatin1(text), Qt::ISODate);
    t.setTimeZone(QTimeZone::utc());
    return t;
}

// Reference values (UTC) from a full-precision ephemeris (PyEphem), which match the published
// almanac times of these places to the minute: sunrise and sunset of the upper rim with
// standard refraction, the sun's elevation at its transit, and its azimuth at sunset.
struct AlmanacDay {
    const char* place;
    Coordinate at;
    const char* date;
    const char* sunrise;
    double noonElevation;
    const char* sunset;
    double sunsetAzimuth;
};

constexpr AlmanacDay kAlmanac[] = {
    {"Greenwich, midsummer", {51.4769, -0.0005}, "2020-06-21", "2020-06-21T03:42:54", 61.97, "2020-06-21T20:20:54", 311.05},
    {"Sydney, midsummer", {-33.8688, 151.2093}, "2021-12-21", "2021-12-20T18:40:43", 79.57, "2021-12-21T09:05:31", 240.73},
    {"Quito, equinox", {-0.1807, -78.4678}, "2022-03-20", "2022-03-20T11:18:01", 89.79, "2022-03-20T23:24:31", 270.13},
    {"Reykjavik, autumn", {64.1466, -21.9426}, "2023-10-15", "2023-10-15T08:17:07", 17.36, "2023-10-15T18:08:44", 251.72},
    {"New York, winter", {40.7128, -74.0060}, "2024-02-01", "2024-02-01T12:06:23", 32.21, "2024-02-01T22:13:08", 248.03},
};

constexpr qint64 kTwoMinutes = 120;

} // namespace

TEST(SunPositionTest, MatchesTheAlmanac)
{
    for (const AlmanacDay& day : kAlmanac) {
        SCOPED_TRACE(day.place);
        const SunDay sun = sunDay(day.at, QDate::fromString(QString::fromLatin1(day.date), Qt::ISODate));
        ASSERT_TRUE(sun.sunrise && sun.sunset);
        EXPECT_LE(std::abs(sun.sunrise->secsTo(utc(day.sunrise))), kTwoMinutes) << sun.sunrise->toString(Qt::ISODate).toStdString();
        EXPECT_LE(std::abs(sun.sunset->secsTo(utc(day.sunset))), kTwoMinutes) << sun.sunset->toString(Qt::ISODate).toStdString();
        EXPECT_NEAR(sunPosition(day.at, sun.solarNoon).elevationDeg, day.noonElevation, 1.0);
        EXPECT_NEAR(sunPosition(day.at, utc(day.sunset)).azimuthDeg, day.sunsetAzimuth, 1.0);
    }
}

TEST(SunPositionTest, MorningSunStandsEastAndEveningSunWest)
{
    const Coordinate greenwich{51.4769, -0.0005};
    const SunPosition morning = sunPosition(greenwich, utc("2020-06-21T06:00:00"));
    const SunPosition evening = sunPosition(greenwich, utc("2020-06-21T18:00:00"));
    EXPECT_GT(morning.elevationDeg, 10);
    EXPECT_LT(morning.azimuthDeg, 180);
    EXPECT_GT(evening.azimuthDeg, 180);
    EXPECT_NEAR(morning.elevationDeg, evening.elevationDeg, 1.0); // both about six hours from noon
    EXPECT_LT(sunPosition(greenwich, utc("2020-06-21T00:00:00")).elevationDeg, -10);
}

TEST(SunPositionTest, PolarDaysHaveNoSunriseOrSunset)
{
    const Coordinate tromso{69.6492, 18.9553};
    for (const char* date : {"2023-06-21", "2023-12-21"}) {
        SCOPED_TRACE(date);
        const SunDay sun = sunDay(tromso, QDate::fromString(QString::fromLatin1(date), Qt::ISODate));
        EXPECT_FALSE(sun.sunrise);
        EXPECT_FALSE(sun.sunset);
    }
    EXPECT_GT(sunPosition(tromso, utc("2023-06-21T23:00:00")).elevationDeg, 0); // midnight sun
    EXPECT_LT(sunPosition(tromso, utc("2023-12-21T11:00:00")).elevationDeg, 0); // polar night
    // The poles themselves give numbers, not NaNs.
    for (const Coordinate pole : {Coordinate{90, 0}, Coordinate{-90, 0}}) {
        const SunPosition p = sunPosition(pole, utc("2023-06-21T12:00:00"));
        EXPECT_TRUE(std::isfinite(p.azimuthDeg) && std::isfinite(p.elevationDeg));
    }
}

TEST(SunPositionTest, MoonPhaseFollowsTheSynodicMonth)
{
    // Phases of January 2024 (UTC): new moon on the 11th, first quarter on the 18th, full on the 25th.
    EXPECT_LT(moonIlluminatedFraction(utc("2024-01-11T11:57:00")), 0.02);
    EXPECT_NEAR(moonIlluminatedFraction(utc("2024-01-18T03:53:00")), 0.5, 0.08);
    EXPECT_GT(moonIlluminatedFraction(utc("2024-01-25T17:54:00")), 0.98);
}
