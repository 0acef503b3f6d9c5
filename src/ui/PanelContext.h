#pragma once

#include "platform/Displays.h"
#include "platform/SessionKind.h"

#include <QColor>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QtQml/qqmlregistration.h>

#include <functional>

class QJSEngine;
class QQmlEngine;

namespace tavik {

class DisplayListModel;
class PanelPresenter;
class ProgramControls;
class SavedScenesModel;
class SceneBarModel;
class SettingsPropertyMap;
class SettingsStore;

// Everything the panel's QML reads, as the singleton `Panel`: the settings as properties, the
// presenter, the live-weather service, the list models of the scene bar, the saved scenes and
// the displays, and the few helpers the views need. One context serves every view and engine.
class PanelContext final : public QObject {
    Q_OBJECT
    QML_NAMED_ELEMENT(Panel)
    QML_SINGLETON
    Q_MOC_INCLUDE("ui/DisplayListModel.h")
    Q_MOC_INCLUDE("ui/ProgramControls.h")
    Q_MOC_INCLUDE("ui/SavedScenesModel.h")
    Q_MOC_INCLUDE("ui/SceneBarModel.h")
    Q_PROPERTY(QObject* settings READ settingsObject CONSTANT)
    Q_PROPERTY(QObject* presenter READ presenterObject CONSTANT)
    Q_PROPERTY(QObject* weather READ weather CONSTANT)
    Q_PROPERTY(tavik::SceneBarModel* sceneBar READ sceneBar CONSTANT)
    Q_PROPERTY(tavik::SavedScenesModel* savedScenes READ savedScenes CONSTANT)
    Q_PROPERTY(tavik::DisplayListModel* displays READ displays CONSTANT)
    Q_PROPERTY(tavik::ProgramControls* program READ program CONSTANT)
    Q_PROPERTY(QString weatherLine READ weatherLine NOTIFY weatherLineChanged)
    Q_PROPERTY(QString version READ version CONSTANT)
    Q_PROPERTY(QString overlayNotice READ overlayNotice NOTIFY overlayNoticeChanged)
    Q_PROPERTY(QString desktopLevelNote READ desktopLevelNote NOTIFY desktopLevelNoteChanged)

public:
    using DisplaySource = std::function<QList<DisplayInfo>()>;

    // `weather` may be null (tests, or a program without live weather). Without a display
    // source the list is the system's.
    PanelContext(SettingsStore& store, PanelPresenter& presenter, QObject* weather, QObject* parent = nullptr);
    PanelContext(SettingsStore& store, PanelPresenter& presenter, QObject* weather, DisplaySource displays,
                 QObject* parent = nullptr);
    ~PanelContext() override;

    // Makes `context` the `Panel` singleton of `engine`; call before the engine loads any QML
    // that imports Tavik.Ui. The context must outlive the engine.
    static void attach(QQmlEngine& engine, PanelContext& context);
    // For the QML engine: the context attached to it, or null (with a warning) when there is none.
    static PanelContext* create(QQmlEngine* engine, QJSEngine* scriptEngine);

    [[nodiscard]] SettingsPropertyMap& settings() const { return *m_settings; }
    [[nodiscard]] PanelPresenter& presenter() const { return m_presenter; }
    [[nodiscard]] QObject* weather() const { return m_weather.data(); }
    [[nodiscard]] SceneBarModel* sceneBar() const { return m_sceneBar; }
    [[nodiscard]] SavedScenesModel* savedScenes() const { return m_savedScenes; }
    [[nodiscard]] DisplayListModel* displays() const { return m_displays; }
    [[nodiscard]] ProgramControls* program() const { return m_program; }
    [[nodiscard]] const QString& weatherLine() const { return m_weatherLine; }
    [[nodiscard]] static QString version();
    // Why the scene cannot show on this desktop, or empty.
    [[nodiscard]] const QString& overlayNotice() const { return m_overlayNotice; }
    // Whether the desktop lacks the compositor the scene needs to show.
    void setNeedsCompositor(bool needs);
    // Why the scene cannot go below windows in this session, or empty where it can: the
    // "floats above windows" switch then stays on and says so. Follows the session the
    // program runs in until set.
    [[nodiscard]] const QString& desktopLevelNote() const { return m_desktopLevelNote; }
    void setSessionKind(SessionKind kind);

    // The General tab's weather detail: "Lisbon · 18°, Clear". Empty texts and the dash that
    // stands for an unknown condition are left out; all of them empty gives an empty line.
    [[nodiscard]] static QString weatherLineFor(const QString& locationName, const QString& temperatureText,
                                                const QString& conditionText);

    // The range a slider over a number setting offers, by the setting's property name
    // (dropsPerSecond): the range the program accepts. 0 to 100 for a name that is no number.
    Q_INVOKABLE static double minimumOf(const QString& property);
    Q_INVOKABLE static double maximumOf(const QString& property);
    // White for anything that is not a colour, as the store reads its colour settings.
    Q_INVOKABLE static QColor colorOf(const QString& hex);
    Q_INVOKABLE static QString hexOf(const QColor& color);
    // The last user-perceived character when there are two or more, else the text as it is:
    // the emoji field keeps one emoji, and typing a second one replaces the first.
    Q_INVOKABLE static QString lastCharacter(const QString& text);
    Q_INVOKABLE void resetAllToDefaults();
    Q_INVOKABLE void refreshWeather();

signals:
    void weatherLineChanged();
    void overlayNoticeChanged();
    void desktopLevelNoteChanged();

private slots:
    void updateWeatherLine();

private:
    void followWeather();
    [[nodiscard]] QObject* settingsObject() const;
    [[nodiscard]] QObject* presenterObject() const;

    SettingsStore& m_store;
    PanelPresenter& m_presenter;
    QPointer<QObject> m_weather;
    SettingsPropertyMap* m_settings;
    SceneBarModel* m_sceneBar;
    SavedScenesModel* m_savedScenes;
    DisplayListModel* m_displays;
    ProgramControls* m_program;
    QString m_weatherLine;
    QString m_overlayNotice;
    QString m_desktopLevelNote;
};

} // namespace tavik
