#include "app/Shutdown.h"

#include "cli/CommandLine.h"

#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcQuit, "tavik.quit", QtWarningMsg)

namespace tavik {

Shutdown::Shutdown(Steps steps, std::function<void(int)> exit, QObject* parent)
    : QObject(parent)
    , m_steps(std::move(steps))
    , m_exit(std::move(exit))
{
    m_poll.setInterval(kSoundPoll);
    connect(&m_poll, &QTimer::timeout, this, &Shutdown::poll);
}

void Shutdown::request()
{
    if (m_finished)
        return;
    // The first request begins; one more while the sound fades means "now" (a second Ctrl+C).
    const bool first = ++m_requests == 1;
    QMetaObject::invokeMethod(this, first ? &Shutdown::begin : &Shutdown::finish, Qt::QueuedConnection);
}

void Shutdown::begin()
{
    if (m_finished)
        return;
    qCDebug(lcQuit) << "quitting";
    m_steps.hideWindows();
    // Written before the fade, so that nothing the sound does can cost the user a change; a
    // failure is tried again at the end.
    m_steps.writeSettings();
    m_steps.fadeSound();
    m_waiting.start();
    m_poll.start();
}

void Shutdown::poll()
{
    if (m_steps.soundFinished() || m_waiting.hasExpired(kLongestSoundWait.count()))
        finish();
}

void Shutdown::finish()
{
    if (m_finished)
        return;
    m_finished = true;
    m_poll.stop();
    // Again: a change made while the sound faded (a sound menu, a settings command) is kept too.
    const bool written = m_steps.writeSettings();
    if (!written)
        qCWarning(lcQuit) << "quitting without the last changes: the settings file could not be written";
    m_exit(written ? kExitOk : kExitFailure);
}

} // namespace tavik
