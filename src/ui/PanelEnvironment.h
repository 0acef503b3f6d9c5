#pragma once

#include "ui/ProgramControls.h"

#include <QObject>
#include <QPointer>
#include <QSize>

#include <memory>

class QQmlEngine;
class QQuickView;
class QWindow;

namespace tavik {

class PanelContext;
class PanelPresenter;
class SettingsPropertyMap;
class SettingsStore;

inline constexpr QSize kPopoverContentSize{320, 540};
inline constexpr QSize kWindowContentSize{320, 600};

// What every view of the settings panel shares: one QML engine and the panel context that its
// QML reads as the `Panel` singleton (the settings, the presenter, the live-weather service and
// the panel's models). Each call of createView makes a separate view tree over these same
// objects (the popup and the window each have one).
class PanelEnvironment final : public QObject {
    Q_OBJECT
public:
    // `weather` may be null (tests, or a program without live weather).
    PanelEnvironment(SettingsStore& store, PanelPresenter& presenter, QObject* weather, QObject* parent = nullptr);
    ~PanelEnvironment() override;

    // A view holding SettingsRootView at `size`, not yet shown. Null, with a warning, when the
    // panel's QML does not load (a missing Qt Quick module on this machine).
    [[nodiscard]] std::unique_ptr<QQuickView> createView(QSize size);

    // Made on first use, with the first view: the program shows its first frame before that.
    [[nodiscard]] PanelContext& context() const;
    [[nodiscard]] SettingsPropertyMap& settings() const;
    [[nodiscard]] QQmlEngine& engine() const;
    // What the panel's start-at-login switch and Quit button do; kept until the context is made.
    void setProgramHooks(ProgramControls::Hooks hooks);

    // The module's C++ types, once per process. Any engine that loads the panel's QML needs them.
    static void registerTypes();
    // The typeface built into the program, once per process; needs the GUI application.
    static void loadFonts();

private:
    SettingsStore& m_store;
    PanelPresenter& m_presenter;
    QPointer<QObject> m_weather;
    mutable PanelContext* m_context = nullptr; // a child, so it outlives the engine and its bindings
    mutable std::unique_ptr<QQmlEngine> m_engine;
    ProgramControls::Hooks m_programHooks;
};

} // namespace tavik
