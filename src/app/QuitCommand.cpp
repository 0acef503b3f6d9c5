#include "app/QuitCommand.h"

#include "app/CommandLine.h"
#include "app/SingleInstance.h"

#include <QDeadlineTimer>
#include <QLocalSocket>
#include <QThread>

namespace tavik {

namespace {

constexpr std::chrono::milliseconds kGonePoll{50};

// Nothing listens at the socket any more. A program that is gone but left its socket file
// behind refuses the connection, which counts as gone too.
bool listens(const QString& socketPath)
{
    QLocalSocket socket;
    socket.connectToServer(socketPath);
    const bool connected = socket.waitForConnected(int(kGonePoll.count()));
    socket.abort();
    return connected;
}

} // namespace

int runQuitCommand(const QString& socketPath, QTextStream& err, std::chrono::milliseconds wait)
{
    const InstanceAnswer answer = sendToRunningInstance(socketPath, {QStringLiteral("quit")});
    switch (answer.status) {
    case InstanceAnswer::Status::notRunning:
        err << "tavik: Tavik is not running" << Qt::endl;
        return kExitFailure;
    case InstanceAnswer::Status::answered:
        if (answer.reply.exitCode != kExitOk) {
            err << answer.reply.err;
            return answer.reply.exitCode;
        }
        break;
    case InstanceAnswer::Status::failed:
        // It may have gone before its answer was out: whether it is gone is what counts.
        break;
    }
    const QDeadlineTimer deadline(wait);
    while (listens(socketPath)) {
        if (deadline.hasExpired()) {
            err << "tavik: Tavik was asked to quit but is still running" << Qt::endl;
            return kExitFailure;
        }
        QThread::msleep(static_cast<unsigned long>(kGonePoll.count()));
    }
    return kExitOk;
}

} // namespace tavik
