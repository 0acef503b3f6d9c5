#include "app/PanelHost.h"

#include "ui/PanelPresenter.h"
#include "ui/PanelEnvironment.h"
#include "platform/RectJson.h"
#include "platform/X11Stacking.h"

#include <QCursor>
#include <QGuiApplication>
#include <QJsonDocument>
#include <QPointer>
#include <QQuickView>
#include <QScreen>

#include <algorithm>

namespace tavik {

namespace {

constexpr int kPopoverGap = 6;
// A click on the tray icon first takes the focus from the popup, which closes it, and only then
// arrives as a click; within this time that click belongs to the closing, not a new opening.
constexpr qint64 kReopenGuardMs = 300;

QRect screenAreaAt(const QPoint& point)
{
    QScreen* screen = QGuiApplication::screenAt(point);
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect();
}

QPoint keptInside(QPoint at, QSize size, const QRect& screenArea)
{
    if (!screenArea.isValid())
        return at;
    return {std::clamp(at.x(), screenArea.left(), std::max(screenArea.left(), screenArea.right() + 1 - size.width())),
            std::clamp(at.y(), screenArea.top(), std::max(screenArea.top(), screenArea.bottom() + 1 - size.height()))};
}

} // namespace

QPoint popoverPosition(const QRect& anchor, QSize size, const QRect& screenArea)
{
    QPoint at(anchor.x() + (anchor.width() - size.width()) / 2, anchor.bottom() + 1 + kPopoverGap);
    if (at.y() + size.height() > screenArea.bottom() + 1)
        at.setY(anchor.top() - kPopoverGap - size.height());
    return keptInside(at, size, screenArea);
}

QPoint cornerPosition(QSize size, const QRect& screenArea)
{
    return keptInside({screenArea.right() + 1 - kPopoverGap - size.width(), screenArea.top() + kPopoverGap}, size,
                      screenArea);
}

PanelHost::PanelHost(PanelEnvironment& environment, PanelPresenter& presenter, QObject* parent)
    : QObject(parent)
    , m_environment(environment)
    , m_presenter(presenter)
{
}

PanelHost::~PanelHost()
{
    if (m_popover)
        x11::forgetAboveOverlays(m_popover->winId());
    if (m_window)
        x11::forgetAboveOverlays(m_window->winId());
    // The presenter may outlive us; its callbacks must not reach a host that is gone.
    m_presenter.onPopOut = nullptr;
    m_presenter.onPopIn = nullptr;
    m_presenter.onDismiss = nullptr;
}

void PanelHost::wirePresenter()
{
    QPointer<PanelHost> self(this);
    m_presenter.onPopOut = [self] {
        if (!self)
            return;
        self->closePopover();
        self->m_presenter.setMode(PanelPresenter::Mode::window);
        self->showWindow();
    };
    m_presenter.onPopIn = [self] {
        if (!self)
            return;
        if (self->m_window)
            self->m_window->hide();
        self->m_presenter.setMode(PanelPresenter::Mode::popover);
        self->togglePopover();
    };
    m_presenter.onDismiss = [self] {
        if (self)
            self->closePopover();
    };
}

void PanelHost::setupPopover()
{
    if (m_popover)
        return;
    m_popover = m_environment.createView(kPopoverContentSize);
    if (!m_popover)
        return;
    // A tool window without a frame: above other windows, never in the task bar, and it takes
    // the keyboard for the panel's text fields.
    m_popover->setFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::NoDropShadowWindowHint);
    m_popover->setTitle(QStringLiteral("Tavik"));
    m_popover->setMinimumSize(kPopoverContentSize);
    m_popover->setMaximumSize(kPopoverContentSize);
    connect(m_popover.get(), &QWindow::activeChanged, this, &PanelHost::popoverActiveChanged);
    // Our own rain must not fall across the panel's text.
    x11::keepAboveOverlays(m_popover->winId());
}

void PanelHost::statusItemClicked(std::optional<QPoint> at)
{
    if (m_presenter.mode() == PanelPresenter::Mode::window) {
        if (isWindowVisible())
            m_window->hide();
        else
            showWindow();
        return;
    }
    if (!isPopoverShown() && m_closedByFocusLoss.isValid() && m_closedByFocusLoss.elapsed() < kReopenGuardMs) {
        m_closedByFocusLoss.invalidate();
        return;
    }
    m_clickedAt = at;
    togglePopover();
    m_clickedAt.reset();
}

void PanelHost::togglePopover()
{
    if (isPopoverShown())
        closePopover();
    else
        showPopover();
}

void PanelHost::showPopover()
{
    setupPopover();
    if (!m_popover)
        return;
    const QRect anchor = m_clickedAt ? QRect(*m_clickedAt, QSize(1, 1)) : (m_anchor ? m_anchor() : QRect());
    const QSize size = m_popover->size();
    if (anchor.isEmpty())
        m_popover->setPosition(cornerPosition(size, screenAreaAt(QCursor::pos())));
    else
        m_popover->setPosition(popoverPosition(anchor, size, screenAreaAt(anchor.center())));
    m_popoverWasActive = false;
    timeOpening(*m_popover);
    m_popover->show();
    m_popover->raise();
    m_popover->requestActivate();
}

void PanelHost::closePopover()
{
    if (m_popover)
        m_popover->hide();
}

void PanelHost::popoverActiveChanged()
{
    if (m_popover->isActive()) {
        m_popoverWasActive = true;
        return;
    }
    // Only a popup that had the focus closes when it loses it: one that never got it (a window
    // manager that refused) stays until the next click on the tray icon.
    if (m_popoverWasActive && m_popover->isVisible()) {
        m_popover->hide();
        m_closedByFocusLoss.start();
    }
}

void PanelHost::showWindow()
{
    if (!m_window) {
        m_window = m_environment.createView(kWindowContentSize);
        if (!m_window)
            return;
        m_window->setFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
                           | Qt::WindowStaysOnTopHint);
        m_window->setTitle(QStringLiteral("Tavik"));
        m_window->setMinimumSize(kWindowContentSize);
        m_window->setMaximumSize(kWindowContentSize);
        if (QScreen* screen = QGuiApplication::primaryScreen()) {
            const QRect area = screen->availableGeometry();
            m_window->setPosition(area.center() - QPoint(kWindowContentSize.width() / 2, kWindowContentSize.height() / 2));
        }
        m_window->installEventFilter(this);
        x11::keepAboveOverlays(m_window->winId());
    }
    timeOpening(*m_window);
    m_window->show();
    m_window->raise();
    m_window->requestActivate();
}

// From the request to the first frame on screen: what the user waits for after the click.
void PanelHost::timeOpening(QQuickView& view)
{
    if (view.isVisible())
        return;
    m_openClock.start();
    connect(&view, &QQuickWindow::frameSwapped, this, [this] {
        m_lastOpenMs = double(m_openClock.nsecsElapsed()) / 1e6;
    }, Qt::SingleShotConnection);
}

bool PanelHost::eventFilter(QObject* watched, QEvent* event)
{
    if (m_window && watched == m_window.get() && event->type() == QEvent::Close) {
        // Hidden, not destroyed: the next showWindow brings back the same window and view tree.
        event->ignore();
        windowWillClose();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

void PanelHost::windowWillClose()
{
    m_window->hide();
    m_presenter.setMode(PanelPresenter::Mode::popover);
}

void PanelHost::openPanel()
{
    if (m_presenter.mode() == PanelPresenter::Mode::window) {
        showWindow();
    } else if (!isPopoverShown()) {
        showPopover();
    } else {
        m_popover->raise();
        m_popover->requestActivate();
    }
}

bool PanelHost::isPopoverShown() const
{
    return m_popover && m_popover->isVisible();
}

bool PanelHost::isWindowVisible() const
{
    return m_window && m_window->isVisible();
}

QJsonObject PanelHost::status() const
{
    const bool inWindow = m_presenter.mode() == PanelPresenter::Mode::window;
    QJsonObject status{{QStringLiteral("mode"), inWindow ? QStringLiteral("window") : QStringLiteral("popover")},
                       {QStringLiteral("popover"), isPopoverShown()},
                       {QStringLiteral("window"), isWindowVisible()},
                       {QStringLiteral("windowCreated"), m_window != nullptr},
                       {QStringLiteral("visible"), isPopoverShown() || isWindowVisible()}};
    if (m_lastOpenMs >= 0)
        status.insert(QStringLiteral("lastOpenMs"), m_lastOpenMs);
    if (isWindowVisible())
        status.insert(QStringLiteral("geometry"), rectJson(m_window->geometry()));
    else if (isPopoverShown())
        status.insert(QStringLiteral("geometry"), rectJson(m_popover->geometry()));
    return status;
}

} // namespace tavik
