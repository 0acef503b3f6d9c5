#include "PanelViewFixture.h"

#include "ui/PanelContext.h"

#include <QDir>
#include <QImage>
#include <QQmlProperty>

#include <cmath>

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

class PanelScreenshots : public PanelViewFixture {
protected:
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
    int index = 0;
    for (const char* tab : kTabs) {
        select(tab);
        ASSERT_NE(item("tabBody"), nullptr);
        ASSERT_NE(item("tabBody")->property("item").value<QQuickItem*>(), nullptr) << tab << " did not load";
        QStringList overflow;
        collectOverflow(view->rootObject(), view->rootObject(), view->width(), overflow);
        EXPECT_TRUE(overflow.isEmpty()) << tab << ": " << overflow.join(QStringLiteral("; ")).toStdString();
        const QImage image = show(tab);
        ASSERT_FALSE(image.isNull()) << tab;
        const QString name = QStringLiteral("%1/%2-%3.png").arg(folder).arg(++index, 2, 10, QLatin1Char('0')).arg(QString::fromLatin1(tab));
        EXPECT_TRUE(image.save(name)) << name.toStdString();
    }
    // The panel's two kinds of popup: the colour picker and an alert.
    select("rain");
    QQuickItem* root = view->rootObject();
    QObject* picker = root->findChild<QObject*>(QStringLiteral("colorPicker"));
    ASSERT_NE(picker, nullptr);
    QMetaObject::invokeMethod(picker, "openWith", Q_ARG(QVariant, QVariant::fromValue(QColor(0x5F, 0xD8, 0xF5))));
    QTest::qWait(250);
    EXPECT_TRUE(view->grabWindow().save(folder + QStringLiteral("/21-color-picker.png")));
    QMetaObject::invokeMethod(picker, "close");
    select("general");
    QObject* reset = root->findChild<QObject*>(QStringLiteral("resetAlert"));
    ASSERT_NE(reset, nullptr);
    QMetaObject::invokeMethod(reset, "open");
    QTest::qWait(250);
    EXPECT_TRUE(view->grabWindow().save(folder + QStringLiteral("/22-reset-alert.png")));
    QMetaObject::invokeMethod(reset, "close");

    // The looks that settings change: effects off (dimmed cards) and power saving.
    store.setRainEnabled(false);
    store.setLowPowerMode(true);
    EXPECT_TRUE(show("rain").save(folder + QStringLiteral("/18-rain-off.png")));
    EXPECT_TRUE(show("sound").save(folder + QStringLiteral("/19-sound-power-saving.png")));
    EXPECT_TRUE(show("general").save(folder + QStringLiteral("/20-general-power-saving.png")));

    // A desktop without a compositor: the General tab says why nothing shows.
    auto* notice = root->findChild<QQuickItem*>(QStringLiteral("overlayNotice"));
    ASSERT_NE(notice, nullptr);
    EXPECT_FALSE(notice->isVisible());
    environment.context().setNeedsCompositor(true);
    EXPECT_TRUE(show("general").save(folder + QStringLiteral("/23-general-needs-compositor.png")));
    EXPECT_TRUE(notice->isVisible());
    environment.context().setNeedsCompositor(false);
}

