#include "app/DBusMenu.h"
#include "app/StatusNotifierItem.h"
#include "app/TrayMenu.h"

#include "settings/KeyValueStore.h"
#include "settings/ScenePreset.h"
#include "settings/SettingsStore.h"

#include <QCoreApplication>
#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace tavik;

namespace {

class TrayMenuTest : public ::testing::Test {
protected:
    MemoryKeyValueStore db;
    SettingsStore store{db};
    TrayMenu menu{store, {[] {}, [] {}}};

    // The menu learns of scene changes from the event loop, as the scene bar does.
    static void settle() { QCoreApplication::processEvents(); }

    [[nodiscard]] QStringList checkedScenes() const
    {
        QStringList checked;
        const std::vector<TrayMenuEntry> scenes = menu.find(TrayMenu::kScenes)->children;
        for (const TrayMenuEntry& scene : scenes) {
            if (scene.checked)
                checked << scene.label;
        }
        return checked;
    }
    void addFavorite(const QString& name, std::optional<QString> emoji)
    {
        store.saveCurrentScene(name, emoji);
        store.toggleFavorite(store.savedScenes().back());
        settle();
    }
};

} // namespace

// Favourites lead the presets; every entry showing the scene on screen is checked.
TEST_F(TrayMenuTest, FavouritesLeadAndEveryMatchingSceneIsChecked)
{
    ScenePreset::preset(u"storm")->apply(store);
    addFavorite(QStringLiteral("Desk"), QStringLiteral("🌧️"));
    const std::vector<TrayMenuEntry> scenes = menu.find(TrayMenu::kScenes)->children;
    ASSERT_EQ(scenes.size(), ScenePreset::all().size() + 1);
    EXPECT_EQ(checkedScenes(), QStringList({QStringLiteral("🌧️ Desk"), QStringLiteral("Storm")}));
    ScenePreset::preset(u"focus")->apply(store);
    settle();
    ASSERT_TRUE(menu.trigger(TrayMenu::kFirstScene));
    settle();
    EXPECT_EQ(checkedScenes(), QStringList({QStringLiteral("🌧️ Desk"), QStringLiteral("Storm")}));
    // Ids a host may send that name no entry: refused, never read past the list.
    for (int id : {0, TrayMenu::kScenes, TrayMenu::kSeparator, TrayMenu::kFirstScene - 1, int(scenes.back().id) + 1})
        EXPECT_FALSE(menu.trigger(id)) << id;
}

TEST_F(TrayMenuTest, TheBusLayoutFollowsDepthAndAskedProperties)
{
    addFavorite(QStringLiteral("my_scene"), std::nullopt);
    DBusMenu bus(menu);
    const DBusMenuLayoutItem scenes = bus.layout(0, -1, {})->children.at(3);
    EXPECT_EQ(scenes.properties.value(QStringLiteral("children-display")), QStringLiteral("submenu"));
    // A single underscore would be read as an access key.
    EXPECT_EQ(scenes.children.front().properties.value(QStringLiteral("label")), QStringLiteral("my__scene"));

    EXPECT_TRUE(bus.layout(0, 1, {})->children[3].children.isEmpty());
    EXPECT_TRUE(bus.layout(0, 0, {})->children.isEmpty());
    const DBusMenuLayoutItem effects = bus.layout(TrayMenu::kEffects, -1, {QStringLiteral("toggle-state")}).value();
    EXPECT_EQ(effects.properties, QVariantMap({{QStringLiteral("toggle-state"), 1}}));
    EXPECT_FALSE(bus.layout(9999, -1, {}).has_value());
    EXPECT_FALSE(bus.event(9999, QStringLiteral("clicked")));
}

TEST_F(TrayMenuTest, HostsHearOfNewCheckMarksAndOfNewEntries)
{
    DBusMenu bus(menu);
    QSignalSpy properties(&bus, &DBusMenu::ItemsPropertiesUpdated);
    QSignalSpy layouts(&bus, &DBusMenu::LayoutUpdated);

    ASSERT_TRUE(bus.event(TrayMenu::kEffects, QStringLiteral("clicked")));
    settle(); // the click runs after the host's call has returned
    EXPECT_FALSE(store.enabled());
    bus.refreshSoon();
    bus.refreshSoon();
    settle();
    ASSERT_EQ(properties.size(), 1);
    const auto updated = properties.front().front().value<DBusMenuItemList>();
    ASSERT_EQ(updated.size(), 1);
    EXPECT_EQ(updated.front().id, TrayMenu::kEffects);
    EXPECT_EQ(updated.front().properties, QVariantMap({{QStringLiteral("toggle-state"), 0}}));
    EXPECT_EQ(layouts.size(), 0);

    addFavorite(QStringLiteral("Desk"), std::nullopt);
    bus.refreshSoon();
    settle();
    ASSERT_EQ(layouts.size(), 1);
    EXPECT_EQ(layouts.front().front().toUInt(), bus.revision());
    bus.refreshSoon(); // nothing new: nothing said
    settle();
    EXPECT_EQ(properties.size() + layouts.size(), 2);
}

// Icons go to hosts as ARGB in network byte order.
TEST(StatusNotifierItem, PixmapsAreArgbInNetworkOrder)
{
    QImage picture(2, 1, QImage::Format_ARGB32);
    picture.setPixel(0, 0, qRgba(0x11, 0x22, 0x33, 0x44));
    picture.setPixel(1, 0, qRgba(0xaa, 0xbb, 0xcc, 0xff));
    const SniPixmap pixmap = StatusNotifierItem::pixmapOf(picture);
    EXPECT_EQ(QSize(pixmap.width, pixmap.height), QSize(2, 1));
    EXPECT_EQ(pixmap.bytes, QByteArray::fromHex("44112233ffaabbcc"));
}
