#include "settings/SettingsStore.h"
#include "ui/PanelContext.h"
#include "ui/PanelPresenter.h"
#include "ui/SavedScenesModel.h"
#include "ui/SceneBarModel.h"
#include "ui/SettingsPropertyMap.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <cmath>

using namespace tavik;

namespace {

// What QML tests cannot see: the models' notifications and hostile values.
class PanelModels : public ::testing::Test {
protected:
    MemoryKeyValueStore db;
    SettingsStore store{db};
    PanelPresenter presenter;
    PanelContext context{store, presenter, nullptr, [] { return QList<DisplayInfo>(); }};
    SceneBarModel& bar = *context.sceneBar();
    SavedScenesModel& saved = *context.savedScenes();
    // Every insert, removal and change checked against the model's own rows as it happens.
    QAbstractItemModelTester barTester{&bar, QAbstractItemModelTester::FailureReportingMode::Fatal};
    QAbstractItemModelTester savedTester{&saved, QAbstractItemModelTester::FailureReportingMode::Fatal};
};

} // namespace

// Saved rows come and go one at a time, so a row being edited keeps its place; unknown rows and
// scenes change nothing.
TEST_F(PanelModels, ChangesArriveAsSmallAsTheyAre)
{
    bar.activate(-1);
    bar.activate(bar.count());

    QSignalSpy inserted(&saved, &QAbstractItemModel::rowsInserted);
    QSignalSpy removed(&saved, &QAbstractItemModel::rowsRemoved);
    QSignalSpy reset(&saved, &QAbstractItemModel::modelReset);
    for (const char* name : {"dawn", "noon", "dusk"})
        ASSERT_TRUE(saved.save(QString::fromLatin1(name), QString()));
    saved.remove(store.savedScenes()[1].id);
    for (const QString& unknown : {QStringLiteral("no-such-scene"), QString()}) {
        saved.remove(unknown);
        saved.toggleFavorite(unknown);
        saved.update(unknown, QStringLiteral("x"), QString());
    }
    EXPECT_EQ(inserted.count(), 3);
    ASSERT_EQ(removed.count(), 1);
    EXPECT_EQ(removed.last().at(1).toInt(), 1);
    EXPECT_EQ(reset.count(), 0);
    EXPECT_EQ(saved.count(), 2);
}

// Written the way QML writes, through the map's properties: only values of the right kind.
TEST_F(PanelModels, SettingsMapTakesOnlyValuesOfTheRightKind)
{
    SettingsPropertyMap& settings = context.settings();
    settings.setProperty("dropsPerSecond", 40.0);
    EXPECT_EQ(store.dropsPerSecond(), 40.0);
    settings.setProperty("dropsPerSecond", std::nan(""));
    settings.setProperty("dropsPerSecond", QStringLiteral("lots"));
    EXPECT_EQ(store.dropsPerSecond(), 40.0);
    settings.setProperty("enabled", QStringLiteral("false"));
    EXPECT_TRUE(store.enabled());
}

// The emoji field keeps one emoji: the last whole one, however many code points it takes.
TEST_F(PanelModels, LastCharacterKeepsOneWholeEmoji)
{
    const QString rain = QStringLiteral("\U0001F327\uFE0F");
    const QString flag = QStringLiteral("\U0001F1F5\U0001F1F9");
    const QString family = QStringLiteral("\U0001F468\u200D\U0001F469\u200D\U0001F467");
    const QString wave = QStringLiteral("\U0001F44B\U0001F3FD");
    const std::pair<QString, QString> cases[] = {
        {QStringLiteral("\U0001F642") + rain, rain}, {rain + flag, flag}, {flag + family, family},
        {family + wave, wave}, {wave, wave}, {QStringLiteral("ab"), QStringLiteral("b")}, {QString(), QString()},
    };
    for (const auto& [text, last] : cases)
        EXPECT_EQ(PanelContext::lastCharacter(text), last);
}

TEST_F(PanelModels, ColoursFallBackToWhite)
{
    EXPECT_EQ(PanelContext::colorOf(QStringLiteral("not a colour")), QColor(Qt::white));
    EXPECT_EQ(PanelContext::hexOf(QColor(0x11, 0x22, 0x33, 0x80)), QStringLiteral("#112233"));
}
