#pragma once

#include <QObject>
#include <QPointer>
#include <QSize>

#include <memory>

class QQmlEngine;
class QQuickView;
class QWindow;

namespace tavik {

class PanelPresenter;
class SettingsPropertyMap;
class SettingsStore;

inline constexpr QSize kPopoverContentSize{320, 540};
inline constexpr QSize kWindowContentSize{320, 600};

// What every view of the settings panel shares: one QML engine, the settings as properties,
// the presenter and the live-weather service. Each call of createView makes a separate view
// tree over these same objects (the popup and the window each have one).
class PanelEnvironment final : public QObject {
    Q_OBJECT
public:
    // `weather` may be null (tests, or a program without live weather).
    PanelEnvironment(SettingsStore& store, PanelPresenter& presenter, QObject* weather, QObject* parent = nullptr);
    ~PanelEnvironment() override;

    // A view holding SettingsRootView at `size`, not yet shown. Null, with a warning, when the
    // panel's QML does not load (a missing Qt Quick module on this machine).
    [[nodiscard]] std::unique_ptr<QQuickView> createView(QSize size);

    [[nodiscard]] SettingsPropertyMap& settings() const { return *m_settings; }
    [[nodiscard]] QQmlEngine& engine() const;

private:
    mutable std::unique_ptr<QQmlEngine> m_engine;
    SettingsPropertyMap* m_settings;
    PanelPresenter& m_presenter;
    QPointer<QObject> m_weather;
};

} // namespace tavik
