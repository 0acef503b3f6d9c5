#include "settings/Color.h"

#include <gtest/gtest.h>

using namespace tavik;

TEST(Color, ParsesSixAndEightDigitHex)
{
    const auto plain = colorFromHex(u" #5fd8f5\n");
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->red(), 0x5f);
    EXPECT_EQ(plain->green(), 0xd8);
    EXPECT_EQ(plain->blue(), 0xf5);
    EXPECT_EQ(plain->alpha(), 255);

    const auto noHash = colorFromHex(u"FF0000");
    ASSERT_TRUE(noHash);
    EXPECT_EQ(*noHash, QColor(255, 0, 0));

    const auto withAlpha = colorFromHex(u"#11223380");
    ASSERT_TRUE(withAlpha);
    EXPECT_EQ(withAlpha->red(), 0x11);
    EXPECT_EQ(withAlpha->blue(), 0x33);
    EXPECT_EQ(withAlpha->alpha(), 0x80);
}

TEST(Color, RejectsAnythingElse)
{
    for (const char16_t* text : {u"", u"#", u"#FFF", u"12345", u"1234567", u"#GGGGGG", u"##FFFFFF", u"0x12AB",
                                 u"+12345", u"-12345", u"12 345", u"#123456789", u"١٢٣٤٥٦"})
        EXPECT_FALSE(colorFromHex(text)) << QString::fromUtf16(text).toStdString();
}

TEST(Color, FormatsUpperCaseWithoutAlphaAndRoundTrips)
{
    EXPECT_EQ(hexString(QColor(0x5f, 0xd8, 0xf5, 10)), "#5FD8F5");
    EXPECT_EQ(hexString(QColor::fromRgbF(0.5, 0.25, 1.0)), "#8040FF");
    EXPECT_EQ(hexString(QColor::fromHsvF(0.0, 1.0, 1.0)), "#FF0000");
    EXPECT_EQ(hexString(QColor()), "#FFFFFF");
    for (int v = 0; v < 256; v += 5) {
        const QString hex = QStringLiteral("#%1%1%1").arg(v, 2, 16, QLatin1Char('0')).toUpper();
        EXPECT_EQ(hexString(*colorFromHex(hex)), hex);
    }
}
