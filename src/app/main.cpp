#include "app/AppDelegate.h"
#include "app/CommandLine.h"
#include "app/RenderCommand.h"
#include "app/SingleInstance.h"
#include "app/SoundCommand.h"
#include "app/Version.h"
#include "app/WeatherCommand.h"

#include "platform/Displays.h"
#include "platform/SessionKind.h"

#include "settings/KeyValueStore.h"
#include "settings/SettingsStore.h"

#include <QApplication>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QThread>

#include <chrono>
#include <cstdio>
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

int runSettings(const QStringList& args)
{
    QTextStream out(stdout);
    QTextStream err(stderr);
    IniKeyValueStore database(IniKeyValueStore::defaultPath());
    if (!database.rescuedCopyPath().isEmpty())
        err << "tavik: the settings file could not be read whole; the original was kept as "
            << database.rescuedCopyPath() << Qt::endl;
    SettingsStore store(database);
    CommandContext context{store, out, err, database.path()};
    return runSettingsCommand(args, context);
}

int printReply(const InstanceReply& reply)
{
    QTextStream out(stdout);
    QTextStream err(stderr);
    out << reply.out;
    err << reply.err;
    return reply.exitCode;
}

// Settings commands go to the running program, which owns the live store; without one they
// edit the settings file.
int routeSettings(const QStringList& args)
{
    QTextStream err(stderr);
    if (const auto refused = refuseBeforeSending(args, err))
        return *refused;
    const InstanceAnswer answer = sendToRunningInstance(instanceSocketPath(), args);
    switch (answer.status) {
    case InstanceAnswer::Status::answered: return printReply(answer.reply);
    case InstanceAnswer::Status::notRunning: return runSettings(args);
    case InstanceAnswer::Status::failed: break;
    }
    std::fputs("tavik: the running Tavik did not answer; nothing was changed\n", stderr);
    return kExitFailure;
}

// `status` and `panel` only mean something to a running program.
int routeToRunning(const QStringList& args)
{
    const InstanceAnswer answer = sendToRunningInstance(instanceSocketPath(), args);
    if (answer.status == InstanceAnswer::Status::answered)
        return printReply(answer.reply);
    std::fputs(answer.status == InstanceAnswer::Status::notRunning ? "tavik: Tavik is not running (start it with tavik)\n"
                                                                   : "tavik: the running Tavik did not answer\n",
               stderr);
    return kExitFailure;
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

int runDesktop(int argc, char* argv[])
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
        return openRunningPanel(instance.socketPath());
    case SingleInstanceServer::Claim::failed:
        std::fputs("tavik: no private folder for the command socket; running without it\n", stderr);
        break;
    case SingleInstanceServer::Claim::primary:
        break;
    }
    delegate = std::make_unique<AppDelegate>(SettingsStore::shared(), IniKeyValueStore::defaultPath());
    delegate->applicationDidFinishLaunching();
    return QApplication::exec();
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication::setApplicationName(QStringLiteral("tavik"));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(kVersion));
    QStringList rawArgs;
    for (int i = 1; i < argc; ++i)
        rawArgs << QString::fromLocal8Bit(argv[i]);
    if (rawArgs.isEmpty())
        return runDesktop(argc, argv);

    const bool listsDisplays = rawArgs.front() == u"displays";
    if (listsDisplays && !hasDisplay() && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        std::fputs("tavik: there is no display to list (DISPLAY is not set)\n", stderr);
        return kExitFailure;
    }
    // The ids app.monitors takes are the ones the overlays see, on xcb.
    if (listsDisplays && !chooseOverlayPlatform())
        return kExitFailure;
    // Drawing with OpenGL needs a GUI application (and an X server); everything else does not.
    const bool needsGui = listsDisplays || (rawArgs.front() == u"render" && renderWantsOpenGl(rawArgs));
    std::unique_ptr<QCoreApplication> app = needsGui ? std::make_unique<QGuiApplication>(argc, argv)
                                                     : std::make_unique<QCoreApplication>(argc, argv);
    const QStringList args = app->arguments().mid(1);

    QTextStream out(stdout);
    QTextStream err(stderr);
    const QString& command = args.front();
    if (command == u"help" || command == u"--help" || command == u"-h") {
        out << usageText();
        return kExitOk;
    }
    if (command == u"--version") {
        out << "tavik " << kVersion << '\n';
        return kExitOk;
    }
    if (isSettingsCommand(command))
        return routeSettings(args);
    if (command == u"status" || command == u"panel") {
        if (args.size() != 1) {
            err << "tavik: " << command << " takes no arguments" << Qt::endl;
            return kExitUsage;
        }
        return routeToRunning(args);
    }
    if (command == u"sound") {
        const IniKeyValueStore database(IniKeyValueStore::defaultPath());
        return runSoundCommand(args.mid(1), database, out, err);
    }
    if (command == u"displays") {
        // One line each, "ID<tab>NAME", in the system's order: the ids app.monitors takes.
        for (const DisplayInfo& display : Displays::connected())
            out << display.id << '\t' << display.name << '\n';
        return kExitOk;
    }
    if (command == u"render") {
        const IniKeyValueStore database(IniKeyValueStore::defaultPath());
        return runRenderCommand(args.mid(1), database, out, err);
    }
    if (command == u"weather")
        return runWeatherCommand(args, out, err);
    err << "tavik: unknown command \"" << command << "\" (tavik help lists them)" << Qt::endl;
    return kExitUsage;
}
