#include "platform/SessionKind.h"

#include <QtGlobal>

#include <cstdio>

namespace tavik {

namespace {

constexpr QByteArrayView kX11Platform = "xcb";

// QT_QPA_PLATFORM holds a list ("wayland;xcb"), each entry a name with options
// ("xcb:nograb"); Qt tries the first entry first.
bool asksForX11(const QString& request)
{
    const QString first = request.section(u';', 0, 0).section(u':', 0, 0).trimmed();
    return first == QLatin1StringView(kX11Platform);
}

} // namespace

SessionEnvironment SessionEnvironment::current()
{
    return {qEnvironmentVariable("WAYLAND_DISPLAY"), qEnvironmentVariable("XDG_SESSION_TYPE"),
            qEnvironmentVariable("DISPLAY"), qEnvironmentVariable("QT_QPA_PLATFORM")};
}

SessionKind SessionEnvironment::kind() const
{
    const bool wayland = !waylandDisplay.trimmed().isEmpty() || sessionType.trimmed() == u"wayland";
    return wayland ? SessionKind::wayland : SessionKind::x11;
}

PlatformChoice overlayPlatformFor(const SessionEnvironment& environment)
{
    if (environment.x11Display.trimmed().isEmpty()) {
        if (environment.kind() == SessionKind::wayland)
            return {{}, {}, QStringLiteral("this Wayland session has no XWayland (DISPLAY is not set); Tavik needs it")};
        return {{}, {}, QStringLiteral("there is no display to draw on (DISPLAY is not set)")};
    }
    const QString request = environment.qtPlatform.trimmed();
    if (request.isEmpty() || asksForX11(request))
        return {request.isEmpty() ? kX11Platform.toByteArray() : request.toLocal8Bit(), {}, {}};
    return {kX11Platform.toByteArray(),
            QStringLiteral("QT_QPA_PLATFORM=%1 is not used: the overlays are X11 windows, so Tavik runs on xcb%2")
                .arg(request, environment.kind() == SessionKind::wayland ? QStringLiteral(" (XWayland)") : QString()),
            {}};
}

bool chooseOverlayPlatform()
{
    const PlatformChoice choice = overlayPlatformFor(SessionEnvironment::current());
    if (!choice.error.isEmpty()) {
        std::fprintf(stderr, "tavik: %s\n", qPrintable(choice.error));
        return false;
    }
    if (!choice.note.isEmpty())
        std::fprintf(stderr, "tavik: %s\n", qPrintable(choice.note));
    qputenv("QT_QPA_PLATFORM", choice.platform);
    return true;
}

SessionKind currentSessionKind()
{
    return SessionEnvironment::current().kind();
}

QString desktopLevelUnavailableReason(SessionKind kind)
{
    if (kind == SessionKind::wayland)
        return QStringLiteral("a Wayland session keeps the scene above windows: it cannot go behind them.");
    return {};
}

} // namespace tavik
