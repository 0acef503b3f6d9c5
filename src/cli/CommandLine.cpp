#include "cli/CommandLine.h"

#include "cli/CommandTable.h"
#include "cli/Invocation.h"
#include "cli/Options.h"
#include "cli/RenderCommand.h"

#include "platform/SessionKind.h"

#include <QCoreApplication>
#include <QGuiApplication>

#include <cstdio>
#include <memory>

namespace tavik {

namespace {

// A display server to talk to, or a Qt platform chosen on purpose (offscreen in tests).
bool displayReachable()
{
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
        || !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
}

bool wantsDisplay(const Command& command, const QStringList& args)
{
    switch (command.display) {
    case DisplayNeed::none: return false;
    case DisplayNeed::always: return true;
    case DisplayNeed::forOpenGl: return renderWantsOpenGl(args);
    }
    return false;
}

// Without a display the GUI application object cannot be made at all.
const char* withoutDisplay(DisplayNeed need)
{
    return need == DisplayNeed::always
        ? "tavik: there is no display to list (DISPLAY is not set)\n"
        : "tavik: there is no display to draw on with OpenGL (DISPLAY is not set); --renderer raster needs none\n";
}

int invoke(const Command& command, const QStringList& args, Invocation& invocation)
{
    return reportingUsageErrors(invocation.err(), [&] { return command.run(args, invocation); });
}

// A command for the running program: its answer, or what to say when there is none. Nothing
// when the command is to run here after all.
std::optional<int> sendToRunning(const Command& command, const QStringList& line, const Forward& forward,
                                 QTextStream& out, QTextStream& err)
{
    if (command.refuse) {
        if (const auto refused = command.refuse(line, err))
            return refused;
    }
    const bool only = command.route == Route::runningOnly;
    const ForwardedAnswer answer = forward(line);
    switch (answer.status) {
    case ForwardedAnswer::Status::answered:
        out << answer.out;
        err << answer.err;
        return answer.exitCode;
    case ForwardedAnswer::Status::notRunning:
        if (!only)
            return std::nullopt;
        err << "tavik: Tavik is not running (start it with tavik)\n";
        return kExitFailure;
    case ForwardedAnswer::Status::failed:
        break;
    }
    err << (only ? "tavik: the running Tavik did not answer\n" : "tavik: the running Tavik did not answer; nothing was changed\n");
    return kExitFailure;
}

} // namespace

int runCommandLine(int argc, char* argv[], const Forward& forward)
{
    QStringList rawArgs;
    for (int i = 1; i < argc; ++i)
        rawArgs << QString::fromLocal8Bit(argv[i]);
    const Command* command = rawArgs.isEmpty() ? nullptr : findCommand(rawArgs.front());
    const bool gui = command && wantsDisplay(*command, rawArgs.mid(1));
    if (gui && !displayReachable()) {
        std::fputs(withoutDisplay(command->display), stderr);
        return kExitFailure;
    }
    // The displays listed are the ones the overlays see, through X11 even on a Wayland session.
    if (gui && command->display == DisplayNeed::always && !chooseOverlayPlatform())
        return kExitFailure;
    const std::unique_ptr<QCoreApplication> app = gui ? std::make_unique<QGuiApplication>(argc, argv)
                                                      : std::make_unique<QCoreApplication>(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    return carryOut(app->arguments().mid(1), forward, out, err);
}

int carryOut(const QStringList& line, const Forward& forward, QTextStream& out, QTextStream& err)
{
    const Command* command = findCommand(line.value(0));
    if (!command) {
        err << "tavik: unknown command \"" << line.value(0) << "\" (tavik help lists them)" << Qt::endl;
        return kExitUsage;
    }
    if (command->route != Route::here) {
        if (const auto status = sendToRunning(*command, line, forward, out, err))
            return *status;
    }
    Invocation invocation(out, err, &forward);
    return invoke(*command, line.mid(1), invocation);
}

bool isSettingsCommand(const QString& command)
{
    const Command* found = findCommand(command);
    return found && found->route == Route::runningFirst;
}

std::optional<int> refuseBeforeSending(const QStringList& args, QTextStream& err)
{
    const Command* command = findCommand(args.value(0));
    return command && command->refuse ? command->refuse(args, err) : std::nullopt;
}

int runSettingsCommand(const QStringList& args, CommandContext& context)
{
    if (args.isEmpty()) {
        context.err << "tavik: no command given" << Qt::endl;
        return kExitUsage;
    }
    if (!isSettingsCommand(args[0])) {
        context.err << "tavik: unknown command \"" << args[0] << "\" (tavik help lists them)" << Qt::endl;
        return kExitUsage;
    }
    Invocation invocation(context);
    return invoke(*findCommand(args[0]), args.mid(1), invocation);
}

} // namespace tavik
