#include "settings/Color.h"
#include "settings/KeyValueStore.h"
#include "settings/SettingText.h"

#include <gtest/gtest.h>

using namespace tavik;

TEST(Color, ReadsSixOrEightHexDigitsAndWritesSixInUpperCase)
{
    const std::pair<const char16_t*, std::optional<QRgb>> cases[] = {
        {u" #5fd8f5\n", qRgb(0x5f, 0xd8, 0xf5)}, {u"FF0000", qRgb(255, 0, 0)}, {u"#11223380", qRgba(0x11, 0x22, 0x33, 0x80)},
        {u"", {}}, {u"#", {}}, {u"#FFF", {}}, {u"12345", {}}, {u"1234567", {}}, {u"#GGGGGG", {}}, {u"##FFFFFF", {}},
        {u"0x12AB", {}}, {u"+12345", {}}, {u"-12345", {}}, {u"12 345", {}}, {u"#123456789", {}}, {u"١٢٣٤٥٦", {}},
    };
    for (const auto& [text, rgba] : cases) {
        const auto colour = colorFromHex(text);
        EXPECT_EQ(colour ? std::optional(colour->rgba()) : std::nullopt, rgba) << QString::fromUtf16(text).toStdString();
    }
    EXPECT_EQ(hexString(QColor(0x5f, 0xd8, 0xf5, 10)), "#5FD8F5");
    EXPECT_EQ(hexString(QColor::fromRgbF(0.5, 0.25, 1.0)), "#8040FF");
    EXPECT_EQ(hexString(QColor()), "#FFFFFF");
}

TEST(StoredValues, EveryKindIsCoercedOrRefused)
{
    const struct {
        QVariant stored;
        std::optional<double> number;
        std::optional<bool> flag;
        std::optional<QString> text;
    } cases[] = {
        {QVariant(), {}, {}, {}},
        {QVariant(true), 1, true, "true"},
        {QVariant(3.5), 3.5, true, "3.5"},
        {QString("x"), {}, false, "x"}, // a flag holding some other word reads as false
        {QString(" 0 "), 0, false, " 0 "},
        {QString("nan"), {}, {}, "nan"},
        {QString("On"), 1, true, "On"},
        {QString("OFF"), 0, false, "OFF"},
        {QString(""), {}, false, ""},
        {QStringList{"a", "b"}, {}, false, "a, b"}, // an unquoted comma in the file makes a list
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored.toString().toStdString());
        EXPECT_EQ(storedNumber(c.stored), c.number);
        EXPECT_EQ(storedBool(c.stored), c.flag);
        EXPECT_EQ(storedText(c.stored), c.text);
    }
}

TEST(SettingText, TypedTextIsReadByTheSettingsType)
{
    const struct {
        const char* key;
        const char* text;
        std::optional<SettingValue> value;
        const char* rangeProblem = nullptr;
    } cases[] = {
        {"rain.enabled", " Yes", true}, {"rain.enabled", "on", true},     {"rain.enabled", "1", true},
        {"rain.enabled", "TRUE", true}, {"rain.enabled", "no", false},    {"rain.enabled", "off", false},
        {"rain.enabled", "0", false},   {"rain.enabled", "false", false}, {"rain.enabled", "maybe", {}},
        {"rain.dropsPerSecond", " 35 ", 35.0},
        {"rain.dropsPerSecond", "500", 500.0, "rain.dropsPerSecond must be between 1 and 120"},
        {"rain.dropsPerSecond", "inf", {}},
        {"rain.dropColor", "#5fd8f5", QStringLiteral("#5FD8F5")},
        {"rain.dropColor", "blue", {}},
        {"app.scene", "my own", QStringLiteral("my own")},
        {"app.monitors", R"({"eDP-1":false})", MonitorMap{{QStringLiteral("eDP-1"), false}}},
        {"app.monitors", R"({"eDP-1":"no"})", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.key) + "=" + c.text);
        const SettingInfo* info = findSettingByKey(c.key);
        ASSERT_TRUE(info);
        const auto value = parseSettingValue(*info, QString::fromUtf8(c.text));
        EXPECT_EQ(value, c.value);
        if (value) {
            EXPECT_EQ(rangeProblem(*info, *value), c.rangeProblem ? std::optional(QString::fromLatin1(c.rangeProblem))
                                                                  : std::nullopt);
        }
    }
    EXPECT_FALSE(findSettingByKey("rain.nothing") || findSettingByKey(""));
}
