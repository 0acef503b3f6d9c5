// The panel's QML tests on a real panel context over an in-memory store: QML reaches it as the
// `Panel` singleton, as in the program, and what lies beyond the panel as `testSupport`.
#include "settings/SettingsStore.h"
#include "ui/DisplayListModel.h"
#include "ui/PanelContext.h"
#include "ui/PanelEnvironment.h"
#include "ui/PanelPresenter.h"
#include "ui/ProgramControls.h"

#include <QQmlContext>
#include <QQmlEngine>
#include <QVariantMap>
#include <QtQuickTest/quicktest.h>

#include <memory>

using namespace tavik;

// Stands in for the live-weather service: the same texts, change signal and refresh call.
class FakeWeather : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString locationName MEMBER m_location NOTIFY textsChanged)
    Q_PROPERTY(QString conditionText MEMBER m_condition NOTIFY textsChanged)
    Q_PROPERTY(QString temperatureText MEMBER m_temperature NOTIFY textsChanged)
    Q_PROPERTY(int refreshCount MEMBER refreshes)

public:
    int refreshes = 0;

    Q_INVOKABLE void publish(const QString& location, const QString& temperature, const QString& condition)
    {
        m_location = location;
        m_temperature = temperature;
        m_condition = condition;
        emit textsChanged();
    }
    Q_INVOKABLE void refreshNow() { ++refreshes; }

signals:
    void textsChanged();

private:
    QString m_location;
    QString m_condition;
    QString m_temperature;
};

class TestSupport : public QObject {
    Q_OBJECT
    Q_PROPERTY(int quitCount MEMBER m_quits)

public slots:
    // The panel's objects exist only once the application does.
    void applicationAvailable()
    {
        PanelEnvironment::registerTypes();
        PanelEnvironment::loadFonts();
        m = std::make_unique<Parts>();
        m->presenter.onPopOut = [this] { m->presenter.setMode(PanelPresenter::Mode::window); };
        m->presenter.onPopIn = [this] { m->presenter.setMode(PanelPresenter::Mode::popover); };
        // An autostart entry that is only a flag, and a quit that only counts.
        m->context.program()->setHooks({[this] { return m_startsAtLogin; },
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
        PanelContext::attach(*engine, m->context);
        engine->rootContext()->setContextProperty(QStringLiteral("testSupport"), this);
    }

    // Before the application object goes: the models follow its screens.
    void cleanupTestCase() { m.reset(); }

public:
    // The autostart entry as it is now, and the error writing it gives (empty for none).
    Q_INVOKABLE void fakeStartAtLogin(bool on, const QString& problem)
    {
        m_startsAtLogin = on;
        m_loginProblem = problem;
    }

    // Every setting at its default, nothing else stored, no weather, no displays.
    Q_INVOKABLE void resetStore()
    {
        for (const QString& key : m->db.keys())
            m->db.remove(key);
        for (const SettingInfo& info : settingsTable())
            m->store.setValue(info.id, defaultValue(info));
        m->presenter.setMode(PanelPresenter::Mode::popover);
        m->weather.publish({}, {}, {});
        setDisplays({});
        fakeStartAtLogin(false, {});
        m->context.program()->refresh();
        m->weather.refreshes = 0;
        m_quits = 0;
        setWaylandSession(false);
        setNeedsCompositor(false);
    }

    Q_INVOKABLE void setWaylandSession(bool wayland)
    {
        m->context.setSessionKind(wayland ? SessionKind::wayland : SessionKind::x11);
    }

    // A list of {id, name}.
    Q_INVOKABLE void setDisplays(const QVariantList& displays)
    {
        m->displays.clear();
        for (const QVariant& entry : displays) {
            const QVariantMap display = entry.toMap();
            m->displays.push_back({display.value(QStringLiteral("id")).toString(),
                                   display.value(QStringLiteral("name")).toString(), nullptr});
        }
        m->context.displays()->refresh();
    }

    Q_INVOKABLE void setNeedsCompositor(bool needs) { m->context.setNeedsCompositor(needs); }

    // What the database holds under a settings-file key such as "rain.dropColor".
    Q_INVOKABLE QVariant storedValue(const QString& key) const { return m->db.value(key); }

private:
    struct Parts {
        MemoryKeyValueStore db;
        SettingsStore store{db};
        PanelPresenter presenter;
        FakeWeather weather;
        QList<DisplayInfo> displays;
        PanelContext context{store, presenter, &weather, [this] { return displays; }};
    };
    std::unique_ptr<Parts> m;
    int m_quits = 0;
    bool m_startsAtLogin = false;
    QString m_loginProblem;
};

QUICK_TEST_MAIN_WITH_SETUP(tavik_ui, TestSupport)

#include "QuickTestMain.moc"
