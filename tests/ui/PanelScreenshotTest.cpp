#include "FakeWeather.h"
#include "settings/SettingsStore.h"
#include "ui/PanelContext.h"
#include "ui/PanelEnvironment.h"
#include "ui/PanelPresenter.h"

#include <QDir>
#include <QImage>
#include <QQmlProperty>
#include <QQuickItem>
#include <QQuickView>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

using namespace tavik;

namespace {

const char* const kTabs[] = {
    "general", "saved", "clouds", "stars", "sun", "moon", "rain", "thunderstorm", "snow",
    "fog", "wind", "leaves", "petals", "fireflies", "dust", "aurora", "sound",
};

// Where a person finds the pictures: beside the test program, in the build folder.
QString screenshotFolder()
{
    const QString folder = QCoreApplication::applicationDirPath() + QStringLiteral("/screenshots");
    QDir().mkpath(folder);
    return folder;
}

// Every visible item of `item` whose right edge lies past `limit` in the root's coordinates.
void collectOverflow(const QQuickItem* item, const QQuickItem* root, qreal limit, QStringList& out)
{
    for (const QQuickItem* child : item->childItems()) {
        if (!child->isVisible() || child->opacity() == 0 || child->width() <= 0)
            continue;
        const QRectF box = child->mapRectToItem(root, QRectF(0, 0, child->width(), child->height()));
        if (box.right() > limit + 0.5 && !child->clip() && !item->clip()) {
            out << QStringLiteral("%1 %2 right edge %3")
                       .arg(QString::fromLatin1(child->metaObject()->className()), child->objectName())
                       .arg(box.right());
        }
        if (!child->clip())
            collectOverflow(child, root, limit, out);
    }
}

// The panel as the program builds it, over an in-memory store, shown in its popup size.
class PanelScreenshots : public ::testing::Test {
protected:
    MemoryKeyValueStore db;
    SettingsStore store{db};
    PanelPresenter presenter;
    FakeWeather weather;
    PanelEnvironment environment{store, presenter, &weather};
    std::unique_ptr<QQuickView> view;

    void SetUp() override
    {
        view = environment.createView(kPopoverContentSize);
        ASSERT_NE(view, nullptr) << "the panel's QML did not load";
        view->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(view.get()));
    }

    void TearDown() override
    {
        // The scene graph lets go of its textures in deferred deletes after the window is gone.
        view->hide();
        view.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    [[nodiscard]] QQuickItem* item(const char* name) const
    {
        return view->rootObject()->findChild<QQuickItem*>(QString::fromLatin1(name));
    }

    void select(const char* tab)
    {
        view->resize(kPopoverContentSize);
        QQmlProperty::write(view->rootObject(), QStringLiteral("selectedTab"), QString::fromLatin1(tab));
        // Layouts settle over a couple of polish passes.
        for (int i = 0; i < 3; ++i)
            QTest::qWait(20);
    }

    // The whole tab at the panel's width: the window grows until the body needs no scrolling.
    QImage show(const char* tab)
    {
        select(tab);
        const QQuickItem* scroll = item("bodyScroll");
        const qreal hidden = item("tabBody")->height() + 24 - scroll->height();
        if (hidden > 0) {
            view->resize(kPopoverContentSize + QSize(0, int(std::ceil(hidden))));
            for (int i = 0; i < 3; ++i)
                QTest::qWait(20);
        }
        return view->grabWindow();
    }
};

} // namespace

// Every tab, as the user first meets it and with the settings that change its look, goes to a
// PNG for review; on the way, nothing may stick out past the panel's right edge.
TEST_F(PanelScreenshots, EveryTabFitsThePanelAndIsSavedForReview)
{
    weather.publish(QStringLiteral("Bergen"), QStringLiteral("8°C"), QStringLiteral("Rain"));
    store.setLiveWeatherEnabled(true);
    store.setAutoPowerSavingEnabled(true);
    store.saveCurrentScene(QStringLiteral("Rainy desk"), QStringLiteral("🌧️"));
    store.saveCurrentScene(QStringLiteral("Quiet evening with a very long name that must not push anything out"), std::nullopt);
    // Starred, both lead the scene bar: one with its emoji, one with the star in its place.
    for (const SavedScene& scene : SavedSceneList(store.savedScenes()))
        store.toggleFavorite(scene);
    // Opened again, as the user would, so the scene bar shows the scene on screen.
    view->hide();
    view->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(view.get()));
    const QString folder = screenshotFolder();
    const auto save = [&](const QImage& image, const QString& name) {
        EXPECT_TRUE(image.save(folder + QLatin1Char('/') + name + QStringLiteral(".png"))) << name.toStdString();
    };
    int index = 0;
    for (const char* tab : kTabs) {
        select(tab);
        ASSERT_NE(item("tabBody")->property("item").value<QQuickItem*>(), nullptr) << tab << " did not load";
        QStringList overflow;
        collectOverflow(view->rootObject(), view->rootObject(), view->width(), overflow);
        EXPECT_TRUE(overflow.isEmpty()) << tab << ": " << overflow.join(QStringLiteral("; ")).toStdString();
        save(show(tab), QStringLiteral("%1-%2").arg(++index, 2, 10, QLatin1Char('0')).arg(QString::fromLatin1(tab)));
    }
    // The looks that settings change: effects off (dimmed cards) and power saving.
    store.setRainEnabled(false);
    store.setLowPowerMode(true);
    save(show("rain"), QStringLiteral("18-rain-off"));
    save(show("sound"), QStringLiteral("19-sound-power-saving"));
    save(show("general"), QStringLiteral("20-general-power-saving"));

    // The panel's two kinds of popup: the colour picker and an alert.
    QQuickItem* root = view->rootObject();
    for (const auto& [tab, name, file] : {std::tuple{"rain", "colorPicker", "21-color-picker"},
                                          std::tuple{"general", "resetAlert", "22-reset-alert"}}) {
        select(tab);
        QObject* popup = root->findChild<QObject*>(QString::fromLatin1(name));
        ASSERT_NE(popup, nullptr) << name;
        if (popup->metaObject()->indexOfMethod("openWith(QVariant)") >= 0)
            QMetaObject::invokeMethod(popup, "openWith", Q_ARG(QVariant, QVariant::fromValue(QColor(0x5F, 0xD8, 0xF5))));
        else
            QMetaObject::invokeMethod(popup, "open");
        QTest::qWait(250);
        save(view->grabWindow(), QString::fromLatin1(file));
        QMetaObject::invokeMethod(popup, "close");
    }

    // A desktop without a compositor: the General tab says why nothing shows.
    auto* notice = root->findChild<QQuickItem*>(QStringLiteral("overlayNotice"));
    ASSERT_NE(notice, nullptr);
    EXPECT_FALSE(notice->isVisible());
    environment.context().setNeedsCompositor(true);
    save(show("general"), QStringLiteral("23-general-needs-compositor"));
    EXPECT_TRUE(notice->isVisible());
}
