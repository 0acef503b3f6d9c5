#include "weather/WeatherAnswers.h"

#include <gtest/gtest.h>

#include <random>

using namespace tavik;

namespace {

std::optional<QString> text(const char* value)
{
    return QString::fromUtf8(value);
}

bool hasControl(const QString& s)
{
    return std::any_of(s.begin(), s.end(), [](QChar c) { return c.category() == QChar::Other_Control; });
}

} // namespace

TEST(PlaceName, JoinsCityWithRegionOrElseCountry)
{
    EXPECT_EQ(placeName(text("Lyon"), std::nullopt, text("France")), u"Lyon, France");
    EXPECT_EQ(placeName(text("Lyon"), text("Auvergne"), text("France")), u"Lyon, Auvergne");
    EXPECT_EQ(placeName(std::nullopt, std::nullopt, std::nullopt), std::nullopt);
    EXPECT_EQ(placeName(text(""), text("Bavaria"), std::nullopt), u"Bavaria");
    // An empty region still takes the place of the country.
    EXPECT_EQ(placeName(text("Ulm"), text(""), text("Germany")), u"Ulm");
    EXPECT_EQ(placeName(text(""), text(""), text("Germany")), std::nullopt);
    EXPECT_EQ(placeName(std::nullopt, std::nullopt, text("Chile")), u"Chile");
}

TEST(FirstGeo, NumericCoordinatesAndTheSuccessFlag)
{
    auto full = decodeFirstGeo(R"({"success":true,"latitude":48.1,"longitude":11.5,"city":"Munich","region":"Bavaria","country":"Germany","ip":"x"})");
    ASSERT_TRUE(full);
    EXPECT_EQ(full->coordinate, (Coordinate{48.1, 11.5}));
    EXPECT_EQ(full->place, u"Munich, Bavaria");

    auto bare = decodeFirstGeo(R"({"latitude":-33,"longitude":151,"city":null})");
    ASSERT_TRUE(bare);
    EXPECT_EQ(bare->place, std::nullopt);

    for (const char* refused : {
             R"({"success":false,"latitude":48.1,"longitude":11.5})",
             R"({"success":"true","latitude":48.1,"longitude":11.5})",
             R"({"latitude":"48.1","longitude":11.5})",
             R"({"longitude":11.5})",
             R"({"latitude":91,"longitude":11.5})",
             R"({"latitude":48.1,"longitude":-181})",
             R"({"latitude":48.1,"longitude":11.5,"city":7})",
             R"([48.1, 11.5])",
             "<html>rate limited</html>",
             "",
         }) {
        EXPECT_FALSE(decodeFirstGeo(refused)) << refused;
    }
}

TEST(SecondGeo, CoordinatesAsWholeNumberTexts)
{
    auto answer = decodeSecondGeo(R"({"latitude":"52.5200","longitude":"+13.4050","city":"Berlin","country":"Germany"})");
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->coordinate, (Coordinate{52.52, 13.405}));
    EXPECT_EQ(answer->place, u"Berlin, Germany");
    EXPECT_TRUE(decodeSecondGeo(R"({"latitude":"-1e1","longitude":"0"})"));

    for (const char* refused : {
             R"({"latitude":"abc","longitude":"13.4"})",
             R"({"latitude":" 52.5","longitude":"13.4"})",
             R"({"latitude":"52.5 ","longitude":"13.4"})",
             R"({"latitude":"","longitude":"13.4"})",
             R"({"latitude":"+-5","longitude":"13.4"})",
             R"({"latitude":"nan","longitude":"13.4"})",
             R"({"latitude":"inf","longitude":"13.4"})",
             R"({"latitude":52.5,"longitude":13.4})",
             R"({"latitude":"52.5"})",
         }) {
        EXPECT_FALSE(decodeSecondGeo(refused)) << refused;
    }
}

TEST(Forecast, CurrentConditions)
{
    auto day = decodeForecast(R"({"latitude":1,"current":{"time":"x","weather_code":61,"is_day":1,"temperature_2m":21.5}})");
    ASSERT_TRUE(day);
    EXPECT_EQ(day->code, 61);
    EXPECT_TRUE(day->isDay);
    EXPECT_EQ(day->tempC, 21.5);

    auto odd = decodeForecast(R"({"current":{"weather_code":0.0,"is_day":2}})");
    ASSERT_TRUE(odd);
    EXPECT_FALSE(odd->isDay); // only 1 is day
    EXPECT_EQ(odd->tempC, std::nullopt);
    EXPECT_FALSE(decodeForecast(R"({"current":{"weather_code":3,"is_day":0,"temperature_2m":null}})")->tempC);

    for (const char* refused : {
             R"({"current_weather":{"weather_code":3,"is_day":1}})",
             R"({"current":null})",
             R"({"current":{"is_day":1}})",
             R"({"current":{"weather_code":61.5,"is_day":1}})",
             R"({"current":{"weather_code":"61","is_day":1}})",
             R"({"current":{"weather_code":61,"is_day":true}})",
             R"({"current":{"weather_code":61,"is_day":1,"temperature_2m":"20"}})",
             R"({"current":{"weather_code":1e300,"is_day":1}})",
             R"({"error":true,"reason":"bad"})",
         }) {
        EXPECT_FALSE(decodeForecast(refused)) << refused;
    }
}

TEST(ReverseGeocode, CityTownOrVillageWithState)
{
    EXPECT_EQ(decodeReverseGeocode(R"({"address":{"city":"Graz","state":"Styria","country":"Austria"}})"), u"Graz, Styria");
    EXPECT_EQ(decodeReverseGeocode(R"({"address":{"town":"Ely","country":"United Kingdom"}})"), u"Ely, United Kingdom");
    EXPECT_EQ(decodeReverseGeocode(R"({"address":{"city":"","village":"Hallstatt","state":"Upper Austria"}})"),
              u"Hallstatt, Upper Austria");
    EXPECT_EQ(decodeReverseGeocode(R"({"error":"Unable to geocode"})"), std::nullopt);
    EXPECT_EQ(decodeReverseGeocode(R"({"address":{"county":"Nowhere"}})"), std::nullopt);

    // A name cannot break the one-line texts it ends up in, nor be a megabyte long.
    const QByteArray hostile = R"({"address":{"city":"Evil\nstatus: live","state":")" + QByteArray(5000, 'x') + R"("}})";
    const auto name = decodeReverseGeocode(hostile);
    ASSERT_TRUE(name);
    EXPECT_FALSE(name->contains(u'\n'));
    EXPECT_LE(name->size(), 200);
}

// Seeded random corpus: mutations of real answers and token soup. Every decoder must take any
// bytes without a crash (the sanitizer build checks memory and undefined behaviour), and what
// it accepts must be usable.
TEST(AnswerFuzz, DecodersSurviveMutatedAnswers)
{
    const std::vector<QByteArray> seeds = {
        R"({"success":true,"latitude":48.1,"longitude":11.5,"city":"Munich","region":"Bavaria","country":"Germany"})",
        R"({"latitude":"52.5200","longitude":"13.4050","city":"Berlin","region":"Berlin","country":"Germany"})",
        R"({"current":{"weather_code":61,"is_day":1,"temperature_2m":21.5}})",
        R"({"address":{"city":"Graz","town":"x","state":"Styria","country":"Austria"}})",
    };
    const QByteArray tokens[] = {"{", "}", "[", "]", ",", ":", "\"", "null", "true", "1e308", "-0", "\\u0000",
                                 "\"latitude\"", "\"current\"", "\"weather_code\"", "\xff", "9999999999999999999"};
    std::mt19937 random(20240611);
    auto pick = [&random](std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(random); };

    int accepted = 0;
    for (int i = 0; i < 20000; ++i) {
        QByteArray body = seeds[pick(seeds.size())];
        const std::size_t edits = 1 + pick(3);
        for (std::size_t e = 0; e < edits && !body.isEmpty(); ++e) {
            const qsizetype at = static_cast<qsizetype>(pick(static_cast<std::size_t>(body.size())));
            switch (pick(5)) {
            case 0: body[at] = static_cast<char>(pick(256)); break;
            case 1: body.remove(at, 1 + static_cast<qsizetype>(pick(8))); break;
            case 2: body.insert(at, tokens[pick(std::size(tokens))]); break;
            case 3: body.truncate(at); break;
            case 4: body.insert(at, body.mid(at, 16)); break;
            }
        }
        if (const auto a = decodeFirstGeo(body)) {
            ++accepted;
            EXPECT_TRUE(a->coordinate.isValid());
            EXPECT_FALSE(a->place && hasControl(*a->place));
        }
        if (const auto a = decodeSecondGeo(body)) {
            ++accepted;
            EXPECT_TRUE(a->coordinate.isValid());
        }
        if (const auto f = decodeForecast(body)) {
            ++accepted;
            EXPECT_TRUE(!f->tempC || std::isfinite(*f->tempC));
        }
        if (const auto name = decodeReverseGeocode(body)) {
            ++accepted;
            EXPECT_FALSE(name->isEmpty() || hasControl(*name));
        }
    }
    // The corpus must reach the accepting paths too, or it tests only the parser's front door.
    EXPECT_GT(accepted, 1000) << accepted;
}
