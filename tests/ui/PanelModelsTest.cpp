#include "ui/PanelPresenter.h"
#include "settings/ScenePreset.h"
#include "settings/SettingsStore.h"
#include "ui/DisplayListModel.h"
#include "ui/PanelContext.h"
#include "ui/SavedScenesModel.h"
#include "ui/SceneBarModel.h"

#include <QAbstractItemModelTester>
#include <QCoreApplication>
#include <QQmlEngine>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <ostream>

using namespace tavik;

// Readable failures.
void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace {

class PanelModels : public ::testing::Test {
protected:
    MemoryKeyValueStore db;
    SettingsStore store{db};
    PanelPresenter presenter;
    QList<DisplayInfo> screens{{QStringLiteral("DEL-U2720Q-7JX1"), QStringLiteral("DELL U2720Q"), nullptr},
                               {QStringLiteral("eDP-1"), QStringLiteral("Built-in"), nullptr}};
    PanelContext context{store, presenter, nullptr, [this] { return screens; }};
    SceneBarModel& bar = *context.sceneBar();
    SavedScenesModel& saved = *context.savedScenes();
    DisplayListModel& displays = *context.displays();
    // Every insert, removal and change checked against the model's own rows as it happens.
    QAbstractItemModelTester barTester{&bar, QAbstractItemModelTester::FailureReportingMode::Fatal};
    QAbstractItemModelTester savedTester{&saved, QAbstractItemModelTester::FailureReportingMode::Fatal};
    QAbstractItemModelTester displayTester{&displays, QAbstractItemModelTester::FailureReportingMode::Fatal};

    static QVariant at(const QAbstractListModel& model, int row, const char* role)
    {
        return model.data(model.index(row), model.roleNames().key(role));
    }
    static void runEventLoopOnce() { QCoreApplication::processEvents(); }

    QString saveScene(const QString& name, const QString& icon = {})
    {
        EXPECT_TRUE(saved.save(name, icon));
        return store.savedScenes().back().id;
    }
};

} // namespace

TEST_F(PanelModels, SceneBarListsFavouritesFirstThenEveryPreset)
{
    const auto presets = ScenePreset::all();
    ASSERT_EQ(presets.size(), 13u);
    ASSERT_EQ(bar.count(), 13);
    EXPECT_EQ(at(bar, 0, "chipId").toString(), presets[0].id);
    EXPECT_EQ(at(bar, 6, "label").toString(), QStringLiteral("Rainy night"));
    EXPECT_EQ(at(bar, 6, "symbol").toString(), QStringLiteral("cloud.rain.fill"));
    EXPECT_FALSE(at(bar, 6, "saved").toBool());

    QSignalSpy countChanged(&bar, &SceneBarModel::countChanged);
    const QString plain = saveScene(QStringLiteral("plain"));
    const QString rainy = saveScene(QStringLiteral("rainy"), QStringLiteral("\U0001F327\uFE0F"));
    saveScene(QStringLiteral("not starred"));
    EXPECT_EQ(bar.count(), 13); // only favourites go into the bar
    saved.toggleFavorite(rainy);
    saved.toggleFavorite(plain);
    ASSERT_EQ(bar.count(), 15);
    EXPECT_EQ(countChanged.count(), 2);
    // In list order, not in the order they were starred.
    EXPECT_EQ(at(bar, 0, "chipId").toString(), plain);
    EXPECT_EQ(at(bar, 0, "symbol").toString(), QStringLiteral("star.fill"));
    EXPECT_EQ(at(bar, 0, "emoji").toString(), QString());
    EXPECT_EQ(at(bar, 1, "label").toString(), QStringLiteral("rainy"));
    EXPECT_EQ(at(bar, 1, "emoji").toString(), QStringLiteral("\U0001F327\uFE0F"));
    EXPECT_EQ(at(bar, 1, "symbol").toString(), QString());
    EXPECT_TRUE(at(bar, 1, "saved").toBool());
    EXPECT_EQ(bar.indexOf(presets[0].id), 2);
    EXPECT_EQ(bar.indexOf(QStringLiteral("focus")), 14);
    EXPECT_EQ(bar.indexOf(QStringLiteral("no-such-chip")), -1);

    // A rename shows in the chip without rebuilding the bar.
    saved.update(rainy, QStringLiteral("drizzle"), QString());
    EXPECT_EQ(at(bar, 1, "label").toString(), QStringLiteral("drizzle"));
    EXPECT_EQ(at(bar, 1, "symbol").toString(), QStringLiteral("star.fill"));
}

TEST_F(PanelModels, ActiveFlagsFollowAScenesOnceTheBurstIsOver)
{
    // A fresh store starts on "rainy-night".
    const int rainyNight = bar.indexOf(QStringLiteral("rainy-night"));
    const int storm = bar.indexOf(QStringLiteral("storm"));
    ASSERT_TRUE(at(bar, rainyNight, "active").toBool());
    ASSERT_FALSE(at(bar, storm, "active").toBool());

    QSignalSpy changes(&bar, &QAbstractItemModel::dataChanged);
    bar.activate(storm);
    EXPECT_TRUE(ScenePreset::preset(u"storm")->matches(store));
    runEventLoopOnce();
    EXPECT_FALSE(at(bar, rainyNight, "active").toBool());
    EXPECT_TRUE(at(bar, storm, "active").toBool());
    // Thirty-odd settings changed, two chips changed: two notifications.
    EXPECT_EQ(changes.count(), 2);

    // A favourite saved from the storm is active with it, and applying it from the bar brings
    // its scene back after another preset.
    const QString id = saveScene(QStringLiteral("my storm"));
    saved.toggleFavorite(id);
    runEventLoopOnce();
    EXPECT_TRUE(at(bar, 0, "active").toBool());
    EXPECT_TRUE(at(saved, 0, "active").toBool());
    bar.activate(bar.indexOf(QStringLiteral("snowfall")));
    runEventLoopOnce();
    EXPECT_FALSE(at(bar, 0, "active").toBool());
    EXPECT_FALSE(at(saved, 0, "active").toBool());
    bar.activate(0);
    runEventLoopOnce();
    EXPECT_TRUE(at(bar, 0, "active").toBool());
    EXPECT_TRUE(store.thunderEnabled());
    bar.activate(-1);
    bar.activate(bar.count());
}

TEST_F(PanelModels, SavedScenesAppendRemoveRenameAndLimitFavourites)
{
    QSignalSpy inserted(&saved, &QAbstractItemModel::rowsInserted);
    QSignalSpy removed(&saved, &QAbstractItemModel::rowsRemoved);
    QSignalSpy reset(&saved, &QAbstractItemModel::modelReset);
    QSignalSpy favouritesChanged(&saved, &SavedScenesModel::favoriteCountChanged);

    EXPECT_FALSE(saved.save(QStringLiteral("   "), QString()));
    const QString a = saveScene(QStringLiteral(" dawn "), QStringLiteral("\U0001F338"));
    const QString b = saveScene(QStringLiteral("noon"));
    const QString c = saveScene(QStringLiteral("dusk"));
    const QString d = saveScene(QStringLiteral("night"));
    ASSERT_EQ(saved.count(), 4);
    EXPECT_EQ(inserted.count(), 4);
    EXPECT_EQ(inserted.last().at(1).toInt(), 3);
    EXPECT_EQ(at(saved, 0, "name").toString(), QStringLiteral("dawn"));
    EXPECT_EQ(at(saved, 0, "icon").toString(), QStringLiteral("\U0001F338"));
    EXPECT_EQ(at(saved, 1, "icon").toString(), QString());

    // Renaming keeps the row; an empty icon clears it; a blank name changes nothing.
    saved.update(a, QStringLiteral("sunrise"), QString());
    EXPECT_EQ(at(saved, 0, "name").toString(), QStringLiteral("sunrise"));
    EXPECT_EQ(at(saved, 0, "icon").toString(), QString());
    saved.update(a, QStringLiteral("  "), QStringLiteral("\U0001F525"));
    EXPECT_EQ(at(saved, 0, "name").toString(), QStringLiteral("sunrise"));
    EXPECT_EQ(at(saved, 0, "icon").toString(), QString());

    // Three favourites at most; the fourth is refused.
    for (const QString& id : {a, b, c})
        saved.toggleFavorite(id);
    EXPECT_EQ(saved.favoriteCount(), 3);
    EXPECT_FALSE(saved.canAddFavorite());
    EXPECT_EQ(favouritesChanged.count(), 3);
    saved.toggleFavorite(d);
    EXPECT_FALSE(at(saved, 3, "favorite").toBool());
    EXPECT_EQ(saved.favoriteCount(), 3);
    saved.toggleFavorite(b);
    EXPECT_TRUE(saved.canAddFavorite());

    // Deleting from the middle removes just that row; unknown ids do nothing.
    saved.remove(b);
    ASSERT_EQ(removed.count(), 1);
    EXPECT_EQ(removed.last().at(1).toInt(), 1);
    EXPECT_EQ(at(saved, 1, "sceneId").toString(), c);
    saved.remove(QStringLiteral("no-such-scene"));
    saved.toggleFavorite(QStringLiteral("no-such-scene"));
    saved.update(QStringLiteral("no-such-scene"), QStringLiteral("x"), QString());
    EXPECT_EQ(saved.count(), 3);
    EXPECT_EQ(reset.count(), 0);

    // A list rewritten from elsewhere still reads right.
    store.setSavedScenes({store.savedScenes().back()});
    ASSERT_EQ(saved.count(), 1);
    EXPECT_EQ(at(saved, 0, "sceneId").toString(), d);
}

TEST_F(PanelModels, WeatherLineLeavesOutWhatIsMissing)
{
    EXPECT_EQ(PanelContext::weatherLineFor({}, {}, {}), QString());
    EXPECT_EQ(PanelContext::weatherLineFor({}, {}, QStringLiteral("\u2014")), QString());
    EXPECT_EQ(PanelContext::weatherLineFor(QStringLiteral("Lisbon"), {}, QStringLiteral("\u2014")),
              QStringLiteral("Lisbon"));
    EXPECT_EQ(PanelContext::weatherLineFor(QStringLiteral("Lisbon"), QStringLiteral("18°"), QStringLiteral("Clear")),
              QStringLiteral("Lisbon \u00B7 18°, Clear"));
    EXPECT_EQ(PanelContext::weatherLineFor({}, QStringLiteral("18°"), QStringLiteral("Clear")),
              QStringLiteral("18°, Clear"));
    EXPECT_EQ(context.weatherLine(), QString());
}

TEST_F(PanelModels, LastCharacterKeepsOneWholeEmoji)
{
    const QString rain = QStringLiteral("\U0001F327\uFE0F");
    const QString flag = QStringLiteral("\U0001F1F5\U0001F1F9");
    const QString family = QStringLiteral("\U0001F468\u200D\U0001F469\u200D\U0001F467");
    const QString wave = QStringLiteral("\U0001F44B\U0001F3FD");
    EXPECT_EQ(PanelContext::lastCharacter(QStringLiteral("\U0001F642") + rain), rain);
    EXPECT_EQ(PanelContext::lastCharacter(rain + flag), flag);
    EXPECT_EQ(PanelContext::lastCharacter(flag + family), family);
    EXPECT_EQ(PanelContext::lastCharacter(family + wave), wave);
    for (const QString& one : {rain, flag, family, wave})
        EXPECT_EQ(PanelContext::lastCharacter(one), one);
    EXPECT_EQ(PanelContext::lastCharacter(QStringLiteral("ab")), QStringLiteral("b"));
    EXPECT_EQ(PanelContext::lastCharacter(QString()), QString());
}

TEST_F(PanelModels, ColoursFallBackToWhite)
{
    EXPECT_EQ(PanelContext::colorOf(QStringLiteral("#5FD8F5")), QColor(0x5F, 0xD8, 0xF5));
    EXPECT_EQ(PanelContext::colorOf(QStringLiteral("not a colour")), QColor(Qt::white));
    EXPECT_EQ(PanelContext::colorOf(QString()), QColor(Qt::white));
    EXPECT_EQ(PanelContext::hexOf(QColor(0x11, 0x22, 0x33, 0x80)), QStringLiteral("#112233"));
}

TEST_F(PanelModels, DisplaysStartEnabledAndSwitchOffByTheirId)
{
    ASSERT_EQ(displays.count(), 2);
    EXPECT_EQ(at(displays, 0, "displayId").toString(), QStringLiteral("DEL-U2720Q-7JX1"));
    EXPECT_EQ(at(displays, 1, "name").toString(), QStringLiteral("Built-in"));
    EXPECT_TRUE(at(displays, 0, "enabled").toBool());
    EXPECT_TRUE(at(displays, 1, "enabled").toBool());

    displays.setEnabled(QStringLiteral("eDP-1"), false);
    EXPECT_FALSE(at(displays, 1, "enabled").toBool());
    EXPECT_TRUE(at(displays, 0, "enabled").toBool());
    EXPECT_FALSE(store.isMonitorEnabled(QStringLiteral("eDP-1")));
    EXPECT_EQ(decodeMonitors(db.value(QStringLiteral("app.monitors")).toString()).monitors,
              (MonitorMap{{QStringLiteral("eDP-1"), false}}));
    displays.setEnabled(QString(), false);
    EXPECT_EQ(store.monitorEnabled().size(), 1u);

    // A display plugged in later reads its stored switch.
    screens.push_front({QStringLiteral("HDMI-1"), QStringLiteral("TV"), nullptr});
    store.setMonitor(QStringLiteral("HDMI-1"), false);
    displays.refresh();
    ASSERT_EQ(displays.count(), 3);
    EXPECT_FALSE(at(displays, 0, "enabled").toBool());
    EXPECT_FALSE(at(displays, 2, "enabled").toBool());
}

TEST_F(PanelModels, EnginesFindTheContextTheyWereGiven)
{
    QQmlEngine engine;
    EXPECT_EQ(PanelContext::create(&engine, &engine), nullptr);
    PanelContext::attach(engine, context);
    EXPECT_EQ(PanelContext::create(&engine, &engine), &context);
    EXPECT_EQ(QJSEngine::objectOwnership(&context), QJSEngine::CppOwnership);
}
