#include "app/CommandLine.h"
#include "app/RenderCommand.h"
#include "app/SoundCommand.h"
#include "app/WeatherCommand.h"

#include "platform/Displays.h"

#include "settings/KeyValueStore.h"
#include "settings/SettingsStore.h"

#include <QCoreApplication>
#include <QGuiApplication>

#include <cstdio>
#include <memory>

using namespace tavik;

namespace {

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

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication::setApplicationName(QStringLiteral("tavik"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TAVIK_VERSION));
    // Drawing with OpenGL needs a GUI application (and an X server); everything else does not.
    QStringList rawArgs;
    for (int i = 1; i < argc; ++i)
        rawArgs << QString::fromLocal8Bit(argv[i]);
    const bool listsDisplays = !rawArgs.isEmpty() && rawArgs.front() == u"displays";
    if (listsDisplays && qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
        && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        std::fputs("tavik: there is no display to list (DISPLAY is not set)\n", stderr);
        return kExitFailure;
    }
    const bool needsGui = listsDisplays
        || (!rawArgs.isEmpty() && rawArgs.front() == u"render" && renderWantsOpenGl(rawArgs));
    std::unique_ptr<QCoreApplication> app = needsGui ? std::make_unique<QGuiApplication>(argc, argv)
                                                     : std::make_unique<QCoreApplication>(argc, argv);
    const QStringList args = app->arguments().mid(1);

    QTextStream out(stdout);
    QTextStream err(stderr);
    if (args.isEmpty()) {
        err << "tavik: the desktop program is not built yet; the command line works (tavik help)." << Qt::endl;
        return kExitOk;
    }
    const QString& command = args.front();
    if (command == u"help" || command == u"--help" || command == u"-h") {
        out << usageText();
        return kExitOk;
    }
    if (command == u"--version") {
        out << "tavik " << TAVIK_VERSION << '\n';
        return kExitOk;
    }
    if (isSettingsCommand(command))
        return runSettings(args);
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
