#pragma once

#include <QElapsedTimer>
#include <QJsonObject>
#include <QObject>
#include <QRect>

#include <functional>
#include <memory>
#include <optional>

class QQuickView;
class QWindow;

namespace tavik {

class PanelEnvironment;
class PanelPresenter;

// Where the popup goes: below the anchor (the tray icon) when it fits there, else above it,
// centred on it, and kept inside `screenArea`.
[[nodiscard]] QPoint popoverPosition(const QRect& anchor, QSize size, const QRect& screenArea);
// Where the popup goes when nothing says where the tray icon is: the top right corner of
// `screenArea`, where trays and status menus usually are.
[[nodiscard]] QPoint cornerPosition(QSize size, const QRect& screenArea);

// Shows the settings panel in its two places: a frameless popup at the tray icon that closes
// when the user clicks elsewhere, or a floating window after the user pops it out. The window
// is made once and reused; closing it returns the panel to the popup.
class PanelHost final : public QObject {
    Q_OBJECT
public:
    PanelHost(PanelEnvironment& environment, PanelPresenter& presenter, QObject* parent = nullptr);
    ~PanelHost() override;

    // Where the popup should point, in global coordinates; an empty rectangle means "not known":
    // the top right corner of the display under the pointer. By default never known.
    void setAnchor(std::function<QRect()> anchor) { m_anchor = std::move(anchor); }

    // Start-up steps: the presenter's callbacks, then the popup with its view tree.
    void wirePresenter();
    void setupPopover();

    // A left click on the tray icon; `at` is where the tray host says the click was, when it says.
    void statusItemClicked(std::optional<QPoint> at = std::nullopt);
    void togglePopover();
    void showWindow();
    // For a second launch and `tavik panel`: shows the panel where it is at home now, without
    // closing anything that is already open.
    void openPanel();

    [[nodiscard]] bool isPopoverShown() const;
    [[nodiscard]] bool isWindowVisible() const;
    [[nodiscard]] QQuickView* popover() const { return m_popover.get(); }
    [[nodiscard]] QQuickView* window() const { return m_window.get(); }

    // {mode, visible, popover, window, geometry, lastOpenMs} for `tavik status`.
    [[nodiscard]] QJsonObject status() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showPopover();
    void closePopover();
    void windowWillClose();
    void popoverActiveChanged();
    void timeOpening(QQuickView& view);

    PanelEnvironment& m_environment;
    PanelPresenter& m_presenter;
    std::function<QRect()> m_anchor;
    std::optional<QPoint> m_clickedAt; // for the opening under way
    std::unique_ptr<QQuickView> m_popover;
    std::unique_ptr<QQuickView> m_window;
    bool m_popoverWasActive = false;
    QElapsedTimer m_closedByFocusLoss;
    QElapsedTimer m_openClock;
    double m_lastOpenMs = -1; // none opened yet
};

} // namespace tavik
