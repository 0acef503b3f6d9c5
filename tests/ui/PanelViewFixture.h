#pragma once

#include "ui/PanelPresenter.h"
#include "settings/SettingsStore.h"
#include "FakeWeather.h"
#include "ui/PanelEnvironment.h"

#include <QQuickItem>
#include <QQuickView>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace tavik {

// The panel as the program builds it, over an in-memory store, shown in its popup size.
class PanelViewFixture : public ::testing::Test {
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
};

} // namespace tavik
