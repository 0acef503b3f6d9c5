#pragma once

#include <QObject>

#include <functional>

namespace tavik {

// Tells the settings panel where it is shown: in the popup at the tray icon, or in its own
// floating window after the user popped it out. The header's pop-out button calls toggleMode();
// the callbacks, set by whoever hosts the panel, move it and set the mode.
class PanelPresenter final : public QObject {
    Q_OBJECT
    Q_PROPERTY(Mode mode READ mode WRITE setMode NOTIFY modeChanged)
    // For QML, which cannot name lower-case enumerators.
    Q_PROPERTY(bool windowMode READ isWindowMode NOTIFY modeChanged)

public:
    enum class Mode { popover, window };
    Q_ENUM(Mode)

    explicit PanelPresenter(QObject* parent = nullptr);

    [[nodiscard]] Mode mode() const { return m_mode; }
    void setMode(Mode mode);
    [[nodiscard]] bool isWindowMode() const { return m_mode == Mode::window; }

    std::function<void()> onPopOut;
    std::function<void()> onPopIn;
    std::function<void()> onDismiss;

    // Pops in while in window mode, pops out otherwise; leaves the mode to the callbacks.
    Q_INVOKABLE void toggleMode();
    // Escape in the panel: the popup closes; a window stays, as windows close by their frame.
    Q_INVOKABLE void dismiss();

signals:
    void modeChanged();

private:
    Mode m_mode = Mode::popover;
};

} // namespace tavik
