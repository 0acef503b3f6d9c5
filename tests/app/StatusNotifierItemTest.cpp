#include "app/StatusNotifierItem.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace tavik;

TEST(StatusNotifierItem, PixmapsAreArgbInNetworkByteOrder)
{
    QImage picture(2, 1, QImage::Format_ARGB32);
    picture.setPixel(0, 0, qRgba(0x11, 0x22, 0x33, 0x44));
    picture.setPixel(1, 0, qRgba(0xaa, 0xbb, 0xcc, 0xff));
    const SniPixmap pixmap = StatusNotifierItem::pixmapOf(picture);
    EXPECT_EQ(pixmap.width, 2);
    EXPECT_EQ(pixmap.height, 1);
    EXPECT_EQ(pixmap.bytes, QByteArray::fromHex("44112233ffaabbcc"));
}

TEST(StatusNotifierItem, ActivateAtTheOriginMeansNoPositionKnown)
{
    StatusNotifierItem item(QDBusConnection::sessionBus(), QDBusObjectPath("/MenuBar"));
    QSignalSpy clicks(&item, &StatusNotifierItem::activated);
    item.activate(0, 0);
    item.activate(0, 5); // the left edge of the screen is a place
    ASSERT_EQ(clicks.size(), 2);
    EXPECT_FALSE(clicks[0][0].value<std::optional<QPoint>>().has_value());
    EXPECT_EQ(clicks[1][0].value<std::optional<QPoint>>(), QPoint(0, 5));
}
