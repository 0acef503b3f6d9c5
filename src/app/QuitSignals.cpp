#include "app/QuitSignals.h"

#include <QSocketNotifier>

#ifdef Q_OS_UNIX
#include <atomic>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <iterator>
#include <unistd.h>
#endif

namespace tavik {

#ifdef Q_OS_UNIX

namespace {

constexpr int kQuitSignals[] = {SIGTERM, SIGINT};

// What the handler may touch: a lock-free atomic, and write(2).
std::atomic<int> g_writeEnd{-1};
static_assert(std::atomic<int>::is_always_lock_free);

struct sigaction g_previous[std::size(kQuitSignals)];

extern "C" void onQuitSignal(int signal)
{
    const int savedErrno = errno;
    const auto byte = static_cast<unsigned char>(signal);
    // The pipe does not block: a flood of signals that fills it loses only repeats.
    [[maybe_unused]] const auto written = ::write(g_writeEnd.load(std::memory_order_relaxed), &byte, 1);
    errno = savedErrno;
}

} // namespace

QuitSignals::QuitSignals(QObject* parent)
    : QObject(parent)
{
}

QuitSignals::~QuitSignals()
{
    uninstall();
}

bool QuitSignals::install()
{
    if (m_installed || g_writeEnd.load() >= 0)
        return false;
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0)
        return false;
    m_readEnd = ends[0];
    g_writeEnd.store(ends[1]);
    m_notifier = std::make_unique<QSocketNotifier>(m_readEnd, QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &QuitSignals::readPipe);

    struct sigaction action {};
    action.sa_handler = onQuitSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < std::size(kQuitSignals); ++i) {
        sigaction(kQuitSignals[i], nullptr, &g_previous[i]);
        if (g_previous[i].sa_handler != SIG_IGN)
            sigaction(kQuitSignals[i], &action, nullptr);
    }
    m_installed = true;
    return true;
}

void QuitSignals::uninstall()
{
    if (!m_installed)
        return;
    for (std::size_t i = 0; i < std::size(kQuitSignals); ++i)
        sigaction(kQuitSignals[i], &g_previous[i], nullptr);
    m_notifier.reset();
    ::close(g_writeEnd.exchange(-1));
    ::close(m_readEnd);
    m_readEnd = -1;
    m_installed = false;
}

void QuitSignals::readPipe()
{
    unsigned char bytes[16];
    for (;;) {
        const auto count = ::read(m_readEnd, bytes, sizeof bytes);
        if (count <= 0)
            return;
        for (ssize_t i = 0; i < count; ++i)
            emit received(bytes[i]);
    }
}

#else

// Elsewhere the system ends the program its own way.
QuitSignals::QuitSignals(QObject* parent) : QObject(parent) {}
QuitSignals::~QuitSignals() = default;
bool QuitSignals::install() { return false; }
void QuitSignals::readPipe() {}
void QuitSignals::uninstall() {}

#endif

} // namespace tavik
