// The panel's QML tests on a real panel context over an in-memory store: QML reaches it as the
// `Panel` singleton, as in the program, and what lies beyond the panel as `testSupport`.
#include "settings/SettingsStore.h"
#include "ui/DisplayListModel.h"
#include "ui/PanelContext.h"
#include "ui/PanelEnvironment.h"
#include "ui/PanelPresenter.h"
#include "ui/ProgramControls.h"

#include <QCoreApplication>
#include <QDir>
#include <QQmlContext>
#include <QQmlEngine>
#include <QVariantMap>
#include <QtQuickTest/quicktest.h>

#include <functional>
#include <memory>

using namespace tavik;

// Stands in for the live-weather service: the same texts, change signal and refresh call.
class FakeWeather : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString locationName MEMBER m_location NOTIFY textsChanged)
    Q_PROPERTY(QString conditionText MEMBER m_condition NOTIFY textsChanged)
    Q_PROPERTY(QString temperatureText MEMBER m_temperature NOTIFY textsChanged)

public:
    std::function<void()> onRefresh;

    Q_INVOKABLE void publish(const QString& location, const QString& temperature, const QString& condition)
    {
        m_location = location;
        m_temperature = temperature;
        m_condition = condition;
        emit textsChanged();
    }
    Q_INVOKABLE void refreshNow() { onRefresh(); }

signals:
    void textsChanged();

private:
    QString m_location;
    QString m_condition;
    QString m_temperature;
};

class TestSupport : public QObject {
    Q_OBJECT
    Q_PROPERTY(int weatherRefreshCount MEMBER m_weatherRefreshes)
    Q_PROPERTY(int quitCount MEMBER m_quits)

public slots:
    // The panel's objects exist only once the application does.
    void applicationAvailable()
    {
        PanelEnvironment::registerTypes();
        PanelEnvironment::loadFonts();
        m_db = std::make_unique<MemoryKeyValueStore>();
        m_store = std::make_unique<SettingsStore>(*m_db);
        m_presenter = std::make_unique<PanelPresenter>();
        m_weather = std::make_unique<FakeWeather>();
        m_weather->onRefresh = [this] { ++m_weatherRefreshes; };
        m_presenter->onPopOut = [this] { m_presenter->setMode(PanelPresenter::Mode::window); };
        m_presenter->onPopIn = [this] { m_presenter->setMode(PanelPresenter::Mode::popover); };
        m_context = std::make_unique<PanelContext>(*m_store, *m_presenter, m_weather.get(),
                                                   [this] { return m_displays; });
        // An autostart entry that is only a flag, and a quit that only counts.
        m_context->program()->setHooks({[this] { return m_startsAtLogin; },
                                        [this](bool on) -> std::optional<QString> {
                                            if (!m_loginProblem.isEmpty())
                                                return m_loginProblem;
                                            m_startsAtLogin = on;
                                            return std::nullopt;
                                        },
                                        [this] { ++m_quits; }});
        resetStore();
    }

    void qmlEngineAvailable(QQmlEngine* engine)
    {
        engine->addImportPath(QStringLiteral("qrc:/qt/qml"));
        PanelContext::attach(*engine, *m_context);
        engine->rootContext()->setContextProperty(QStringLiteral("testSupport"), this);
    }

    // Before the application object goes: the models follow its screens.
    void cleanupTestCase()
    {
        m_context.reset();
        m_weather.reset();
        m_presenter.reset();
        m_store.reset();
        m_db.reset();
    }

public:
    // The autostart entry as it is now, and the error writing it gives (empty for none).
    Q_INVOKABLE void fakeStartAtLogin(bool on, const QString& problem)
    {
        m_startsAtLogin = on;
        m_loginProblem = problem;
    }

    // Every setting at its default, nothing else stored, no weather, the two default displays.
    Q_INVOKABLE void resetStore()
    {
        for (const QString& key : m_db->keys())
            m_db->remove(key);
        for (const SettingInfo& info : settingsTable())
            m_store->setValue(info.id, defaultValue(info));
        m_presenter->setMode(PanelPresenter::Mode::popover);
        m_weather->publish({}, {}, {});
        setDisplays({});
        fakeStartAtLogin(false, {});
        m_context->program()->refresh();
        m_weatherRefreshes = 0;
        m_quits = 0;
        setWaylandSession(false);
        setNeedsCompositor(false);
    }

    Q_INVOKABLE void setWaylandSession(bool wayland)
    {
        m_context->setSessionKind(wayland ? SessionKind::wayland : SessionKind::x11);
    }

    // A list of {id, name}; an empty list brings back the two default displays.
    Q_INVOKABLE void setDisplays(const QVariantList& displays)
    {
        m_displays = {{QStringLiteral("DEL-U2720Q-7JX1"), QStringLiteral("DELL U2720Q"), nullptr},
                      {QStringLiteral("eDP-1"), QStringLiteral("Built-in display"), nullptr}};
        if (!displays.isEmpty())
            m_displays.clear();
        for (const QVariant& entry : displays) {
            const QVariantMap display = entry.toMap();
            m_displays.push_back({display.value(QStringLiteral("id")).toString(),
                                  display.value(QStringLiteral("name")).toString(), nullptr});
        }
        m_context->displays()->refresh();
    }

    Q_INVOKABLE void setNeedsCompositor(bool needs) { m_context->setNeedsCompositor(needs); }

    // Where a person finds the panel's pictures: screenshots/ beside the test program.
    Q_INVOKABLE QString screenshotPath(const QString& name) const
    {
        const QString folder = QCoreApplication::applicationDirPath() + QStringLiteral("/screenshots");
        QDir().mkpath(folder);
        return folder + QLatin1Char('/') + name + QStringLiteral(".png");
    }

    // What the database holds under a settings-file key such as "rain.dropColor".
    Q_INVOKABLE QVariant storedValue(const QString& key) const { return m_db->value(key); }

private:
    std::unique_ptr<MemoryKeyValueStore> m_db;
    std::unique_ptr<SettingsStore> m_store;
    std::unique_ptr<PanelPresenter> m_presenter;
    std::unique_ptr<FakeWeather> m_weather;
    QList<DisplayInfo> m_displays;
    std::unique_ptr<PanelContext> m_context;
    int m_weatherRefreshes = 0;
    int m_quits = 0;
    bool m_startsAtLogin = false;
    QString m_loginProblem;
};

QUICK_TEST_MAIN_WITH_SETUP(tavik_ui, TestSupport)

#include "QuickTestMain.moc"
