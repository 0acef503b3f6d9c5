#include "cli/QuitCommand.h"

#include <QDeadlineTimer>
#include <QThread>

namespace tavik {

namespace {

constexpr std::chrono::milliseconds kGonePoll{50};

// Nobody answers any more. A program that is gone but left its socket file behind refuses the
// connection, which counts as gone too; one still fading out answers (with a refusal).
bool gone(const Forward& forward)
{
    return forward({QStringLiteral("status")}).status == ForwardedAnswer::Status::notRunning;
}

} // namespace

int runQuitCommand(const Forward& forward, QTextStream& err, std::chrono::milliseconds wait)
{
    const ForwardedAnswer answer = forward({QStringLiteral("quit")});
    switch (answer.status) {
    case ForwardedAnswer::Status::notRunning:
        err << "tavik: Tavik is not running" << Qt::endl;
        return kExitFailure;
    case ForwardedAnswer::Status::answered:
        if (answer.exitCode != kExitOk) {
            err << answer.err;
            return answer.exitCode;
        }
        break;
    case ForwardedAnswer::Status::failed:
        // It may have gone before its answer was out: whether it is gone is what counts.
        break;
    }
    const QDeadlineTimer deadline(wait);
    while (!gone(forward)) {
        if (deadline.hasExpired()) {
            err << "tavik: Tavik was asked to quit but is still running" << Qt::endl;
            return kExitFailure;
        }
        QThread::msleep(static_cast<unsigned long>(kGonePoll.count()));
    }
    return kExitOk;
}

} // namespace tavik
