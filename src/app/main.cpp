#include "app/AppDelegate.h"
#include "app/SingleInstance.h"
#include "core/Version.h"

#include "cli/CommandLine.h"

#include "overlay/RendererChoice.h"
#include "platform/SessionKind.h"

#include "settings/KeyValueStore.h"
#include "settings/SettingsStore.h"

#include <QApplication>
#include <QCoreApplication>
#include <QThread>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>

using namespace tavik;

namespace {

// A second launch may come while the first is still setting up its socket.
constexpr std::chrono::milliseconds kStartingInstanceWait{3000};
constexpr std::chrono::milliseconds kStartingInstanceRetry{100};

bool hasDisplay()
{
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

int printReply(const InstanceReply& reply)
{
    QTextStream out(stdout);
    QTextStream err(stderr);
    out << reply.out;
    err << reply.err;
    return reply.exitCode;
}

// The command line reaches the running program through its socket.
ForwardedAnswer forwardToRunningInstance(const QStringList& args)
{
    const InstanceAnswer answer = sendToRunningInstance(instanceSocketPath(), args);
    ForwardedAnswer forwarded;
    switch (answer.status) {
    case InstanceAnswer::Status::answered:
        forwarded.status = ForwardedAnswer::Status::answered;
        forwarded.exitCode = answer.reply.exitCode;
        forwarded.out = answer.reply.out;
        forwarded.err = answer.reply.err;
        break;
    case InstanceAnswer::Status::notRunning: forwarded.status = ForwardedAnswer::Status::notRunning; break;
    case InstanceAnswer::Status::failed: forwarded.status = ForwardedAnswer::Status::failed; break;
    }
    return forwarded;
}

// Hands the launch to the program that already runs: it opens its panel.
int openRunningPanel(const QString& socketPath)
{
    const auto deadline = std::chrono::steady_clock::now() + kStartingInstanceWait;
    for (;;) {
        const InstanceAnswer answer = sendToRunningInstance(socketPath, {QStringLiteral("panel")});
        if (answer.status == InstanceAnswer::Status::answered)
            return printReply(answer.reply);
        if (answer.status == InstanceAnswer::Status::failed || std::chrono::steady_clock::now() >= deadline)
            break;
        QThread::msleep(static_cast<unsigned long>(kStartingInstanceRetry.count()));
    }
    std::fputs("tavik: Tavik is already running but did not answer\n", stderr);
    return kExitFailure;
}

// `background`: started at login or by a script, so the panel does not open by itself.
int runDesktop(int argc, char* argv[], bool background = false)
{
    if (!hasDisplay() && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        std::fputs("tavik: there is no display to draw on (DISPLAY is not set); the command line works "
                   "without one (tavik help)\n",
                   stderr);
        return kExitFailure;
    }
    if (!chooseOverlayPlatform())
        return kExitFailure;

    QApplication app(argc, argv);
    // A tray program: closing the panel's window must not end it.
    QApplication::setQuitOnLastWindowClosed(false);

    // Claimed before anything heavy is built, so a second launch hands over quickly.
    std::unique_ptr<AppDelegate> delegate;
    SingleInstanceServer instance(instanceSocketPath(), [&delegate](const QStringList& args) {
        return delegate ? delegate->handleCommand(args) : InstanceReply{kExitFailure, {}, QStringLiteral("tavik: still starting\n")};
    });
    switch (instance.claim()) {
    case SingleInstanceServer::Claim::secondary:
        return background ? kExitOk : openRunningPanel(instance.socketPath());
    case SingleInstanceServer::Claim::failed:
        std::fputs("tavik: no private folder for the command socket; running without it\n", stderr);
        break;
    case SingleInstanceServer::Claim::primary:
        break;
    }
    delegate = std::make_unique<AppDelegate>(SettingsStore::shared(), IniKeyValueStore::defaultPath());
    delegate->setStartsInBackground(background);
    delegate->applicationDidFinishLaunching();
    return QApplication::exec();
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsSet(kOpenGlCheckVariable))
        return runOpenGlCheck(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tavik"));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(kVersion));
    if (argc < 2)
        return runDesktop(argc, argv);
    if (argc == 2 && std::strcmp(argv[1], "--background") == 0)
        return runDesktop(argc, argv, true);
    return runCommandLine(argc, argv, forwardToRunningInstance);
}
