#include "platform/SystemDockGeometry.h"

#include "platform/DockPreferenceReader.h"
#include "platform/X11DockWindows.h"

#include <QGuiApplication>
#include <QLoggingCategory>
#include <QScreen>
#include <QTimer>

#include <utility>

Q_LOGGING_CATEGORY(lcDock, "tavik.dock", QtWarningMsg)

namespace tavik {

namespace {

bool sameGeometry(const std::optional<DockGeometry>& a, const std::optional<DockGeometry>& b)
{
    if (a.has_value() != b.has_value())
        return false;
    if (!a)
        return true;
    return a->screenId == b->screenId && a->orientation == b->orientation && a->rect == b->rect &&
           qFuzzyCompare(a->tileSize, b->tileSize) && a->isVisible == b->isVisible;
}

constexpr int refreshDelayMs = 50;

} // namespace

class SystemDockGeometry::Private {
public:
    explicit Private(SystemDockGeometry* owner) : q(owner)
    {
        refreshTimer.setSingleShot(true);
        refreshTimer.setInterval(refreshDelayMs);
        QObject::connect(&refreshTimer, &QTimer::timeout, q, [this] { refresh(); });
        QObject::connect(&windows, &X11DockWindows::changed, q, [this] { scheduleRefresh(); });
        QObject::connect(&preferences, &DockPreferenceReader::changed, q, [this] { scheduleRefresh(); });

        if (qGuiApp != nullptr) {
            auto watchScreen = [this](QScreen* screen) {
                QObject::connect(screen, &QScreen::geometryChanged, q, [this] { scheduleRefresh(); });
            };
            for (QScreen* screen : QGuiApplication::screens())
                watchScreen(screen);
            QObject::connect(qGuiApp, &QGuiApplication::screenAdded, q, [this, watchScreen](QScreen* screen) {
                watchScreen(screen);
                scheduleRefresh();
            });
            QObject::connect(qGuiApp, &QGuiApplication::screenRemoved, q, [this] { scheduleRefresh(); });
            QObject::connect(qGuiApp, &QGuiApplication::primaryScreenChanged, q, [this] { scheduleRefresh(); });
        }
        current = compute();
    }

    void scheduleRefresh()
    {
        if (!refreshTimer.isActive())
            refreshTimer.start();
    }

    void refresh()
    {
        std::optional<DockGeometry> next = compute();
        if (sameGeometry(next, current))
            return;
        current = std::move(next);
        qCDebug(lcDock) << "dock" << (current ? current->rect : QRectF()) << "on"
                        << (current ? current->screenId : QString()) << "visible" << (current && current->isVisible);
        emit q->changed();
    }

    // A dock window says where it is; the published preferences are only read without one.
    std::optional<DockGeometry> compute()
    {
        std::optional<DockGeometry> found = windows.read();
        preferences.setActive(!found.has_value());
        return found ? found : preferences.estimatedGeometry();
    }

    SystemDockGeometry* q;
    X11DockWindows windows;
    DockPreferenceReader preferences;
    std::optional<DockGeometry> current;
    QTimer refreshTimer;
};

SystemDockGeometry::SystemDockGeometry(QObject* parent) : QObject(parent), d(std::make_unique<Private>(this)) {}

SystemDockGeometry::~SystemDockGeometry() = default;

std::optional<DockGeometry> SystemDockGeometry::currentGeometry() const
{
    return d->current;
}

} // namespace tavik
